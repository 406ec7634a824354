#pragma once

// A second local user for the tests of what another user can do to the
// owner's files. Tests run as root, so they can hand files to an unused uid
// and run code under it in a forked child; without root they skip.
#include <functional>
#include <grp.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// No account needs to exist for a uid to own files or run a process.
inline constexpr uid_t OtherUid = 4242;
inline constexpr gid_t OtherGid = 4242;

inline bool CanActAsOtherUser()
{
    return ::geteuid() == 0;
}

inline const char* NotRootReason()
{
    return "needs root to make files of another uid and to run as it";
}

// Runs body in a child that has become OtherUid (and, with asUid given, that
// uid instead); returns the child's exit status, or -1 when it could not
// switch or died by a signal. body's result is the exit status.
inline int RunAsOtherUser(const std::function<int()>& body, uid_t asUid = OtherUid)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(asUid, asUid, asUid) != 0 ||
            ::setresuid(asUid, asUid, asUid) != 0)
            ::_exit(125);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 125)
        return -1;
    return WEXITSTATUS(status);
}
