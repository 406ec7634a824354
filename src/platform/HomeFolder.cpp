#include "platform/HomeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

std::string WithoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return WithoutTrailingSlash(home);
    const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 4096);
    for (;;) {
        passwd entry {};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error == 0 && found && found->pw_dir && found->pw_dir[0] == '/')
            return WithoutTrailingSlash(found->pw_dir);
        return "/nonexistent";
    }
}

std::string XdgBaseFolder(const char* variable, const char* underHome)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') {
        std::string folder = value;
        while (!folder.empty() && folder.back() == '/')
            folder.pop_back();
        return folder;
    }
    return HomeFolder() + "/" + underHome;
}
