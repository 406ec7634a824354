#include "platform/LockHolder.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

std::string ReadWhole(const char* path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

int FlockHolderInLocks(std::string_view locks, unsigned major, unsigned minor, unsigned long inode)
{
    size_t start = 0;
    while (start < locks.size()) {
        size_t end = locks.find('\n', start);
        if (end == std::string_view::npos)
            end = locks.size();
        const std::string line(locks.substr(start, end - start));
        start = end + 1;
        // "1: FLOCK  ADVISORY  WRITE 1234 00:05:321 0 EOF"; a waiter reads
        // "1: -> FLOCK ..." and holds nothing.
        unsigned id = 0;
        char kind[16] = {};
        char mode[16] = {};
        char access[16] = {};
        int pid = 0;
        unsigned lockMajor = 0;
        unsigned lockMinor = 0;
        unsigned long lockInode = 0;
        if (std::sscanf(line.c_str(), "%u: %15s %15s %15s %d %x:%x:%lu", &id, kind, mode, access, &pid, &lockMajor,
                        &lockMinor, &lockInode) != 8)
            continue;
        if (std::string_view(kind) == "FLOCK" && lockMajor == major && lockMinor == minor && lockInode == inode)
            return pid > 0 ? pid : 0;
    }
    return 0;
}

std::string ProcessName(int pid)
{
    if (pid <= 0)
        return {};
    const std::string path = "/proc/" + std::to_string(pid) + "/comm";
    std::string name = ReadWhole(path.c_str());
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return name;
}

LockHolder FlockHolderOf(int fd)
{
    LockHolder holder;
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0)
        return holder;
    holder.pid = FlockHolderInLocks(ReadWhole("/proc/locks"), major(st.st_dev), minor(st.st_dev), st.st_ino);
    holder.name = ProcessName(holder.pid);
    return holder;
}
