#include "platform/OnScreenKeyboard.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

extern char** environ;

namespace {

std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first arguments of a process (the interpreter and the script it runs).
std::vector<std::string> CommandLine(const std::string& pid, size_t maxArgs)
{
    std::ifstream file("/proc/" + pid + "/cmdline", std::ios::binary);
    std::vector<std::string> args;
    std::string arg;
    while (args.size() < maxArgs && std::getline(file, arg, '\0'))
        args.push_back(arg);
    return args;
}

} // namespace

std::string FindProgramInPath(const std::string& program)
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty())
            continue;
        const std::string candidate = folder + "/" + program;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool IsProgramRunning(const std::string& program)
{
    const std::string name = BaseName(program);
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return false;
    const uid_t me = ::getuid();
    bool found = false;
    while (dirent* entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        struct stat st {};
        if (::stat(("/proc/" + pid).c_str(), &st) != 0 || st.st_uid != me)
            continue;
        std::ifstream commFile("/proc/" + pid + "/comm");
        std::string comm;
        std::getline(commFile, comm);
        // A process that has ended but was not yet reaped is not running.
        std::ifstream statFile("/proc/" + pid + "/stat");
        std::string statLine;
        std::getline(statFile, statLine);
        const size_t close = statLine.rfind(')');
        if (close != std::string::npos && close + 2 < statLine.size() && statLine[close + 2] == 'Z')
            continue;
        if (comm == name.substr(0, 15)) {
            found = true;
            break;
        }
        for (const std::string& arg : CommandLine(pid, 2)) {
            if (BaseName(arg) == name) {
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    ::closedir(proc);
    return found;
}

OnScreenKeyboardResult StartOnScreenKeyboard(const std::string& program)
{
    const std::string path = FindProgramInPath(program);
    if (path.empty())
        return OnScreenKeyboardResult::NotInstalled;
    if (IsProgramRunning(program))
        return OnScreenKeyboardResult::AlreadyRunning;
    // Started by a shell that exits at once, so the keyboard is never our
    // zombie and lives on when this program ends. posix_spawn rather than
    // fork: this process has threads.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    char shell[] = "/bin/sh";
    char dashC[] = "-c";
    char script[] = "\"$0\" </dev/null >/dev/null 2>&1 &";
    char* argv[] = {shell, dashC, script, const_cast<char*>(path.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, shell, nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return OnScreenKeyboardResult::Failed;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? OnScreenKeyboardResult::Started
                                                          : OnScreenKeyboardResult::Failed;
}
