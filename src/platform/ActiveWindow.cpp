#include "platform/ActiveWindow.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

// Linux keeps comm to 15 bytes; a link target is a path.
constexpr size_t MaxCommBytes = 64;
constexpr size_t MaxLinkBytes = 4096;

std::string BaseName(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ReadSmallFile(const std::string& path, size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return {};
    std::string text(limit, '\0');
    ssize_t n;
    do {
        n = ::read(fd, text.data(), limit);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text;
}

} // namespace

std::string WindowIdentity::PreferredName() const
{
    for (const std::string* name : {&windowClass, &instance, &executable, &command}) {
        if (!name->empty())
            return *name;
    }
    return {};
}

ProcessNames ReadProcessNames(uint32_t pid, const std::string& procRoot)
{
    ProcessNames names;
    if (pid == 0)
        return names;
    const std::string folder = procRoot + "/" + std::to_string(pid) + "/";
    std::string target(MaxLinkBytes, '\0');
    const ssize_t n = ::readlink((folder + "exe").c_str(), target.data(), target.size());
    if (n > 0 && static_cast<size_t>(n) < target.size()) {
        target.resize(static_cast<size_t>(n));
        constexpr std::string_view Deleted = " (deleted)";
        if (target.size() > Deleted.size() && target.ends_with(Deleted))
            target.resize(target.size() - Deleted.size());
        names.executable = BaseName(target);
    }
    names.command = ReadSmallFile(folder + "comm", MaxCommBytes);
    return names;
}

ProcessNames ReadProcessNames(uint32_t pid)
{
    return ReadProcessNames(pid, "/proc");
}
