#include "platform/FileLock.h"

#include "platform/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// flock has no time-out: a busy lock is tried again after a pause that
// grows from the first to the last of these.
constexpr std::chrono::milliseconds FirstRetry{2};
constexpr std::chrono::milliseconds LastRetry{20};

struct HeldHere {
    dev_t device;
    ino_t inode;
    int depth;
};

// Lock files this thread holds. flock conflicts between two descriptors of
// one process as between two processes, so a nested take must not open a
// second descriptor.
thread_local std::vector<HeldHere> t_held;

std::vector<HeldHere>::iterator FindHeld(dev_t device, ino_t inode)
{
    return std::find_if(t_held.begin(), t_held.end(),
                        [&](const HeldHere& h) { return h.device == device && h.inode == inode; });
}

// The lock file, made when missing. O_NOFOLLOW: a link planted under the
// name must not make us create or lock a file elsewhere; O_NONBLOCK: nor
// may a FIFO there make the open wait.
int OpenLockFile(const std::string& lockPath, struct stat& st, int& error)
{
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = FileKindError(st.st_mode);
    else
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

int OpenLocked(const std::string& path, const OpenToLock& open, std::chrono::steady_clock::time_point deadline,
               struct stat& st, int& error)
{
    std::chrono::milliseconds pause = FirstRetry;
    for (;;) {
        const int fd = open(st, error);
        if (fd < 0)
            return -1;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int lockError = errno;
            ::close(fd);
            if (lockError != EWOULDBLOCK && lockError != EINTR) {
                error = lockError;
                return -1;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                error = FileErrorLockTimeout;
                return -1;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, LastRetry);
            continue;
        }
        // The status from before the wait may be stale: the holder we waited
        // for may have written the file, or put another at the path.
        struct stat now {};
        if (::stat(path.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino
            || ::fstat(fd, &st) != 0) {
            ::close(fd);
            continue;
        }
        error = 0;
        return fd;
    }
}

std::string FileUpdateLock::LockPathFor(const std::string& path)
{
    return path + ".lock";
}

FileUpdateLock::FileUpdateLock(const std::string& path, std::chrono::milliseconds wait)
{
    Take(LockPathFor(path), wait);
}

void FileUpdateLock::Take(const std::string& lockPath, std::chrono::milliseconds wait)
{
    struct stat st {};
    if (::lstat(lockPath.c_str(), &st) == 0) {
        if (auto held = FindHeld(st.st_dev, st.st_ino); held != t_held.end()) {
            ++held->depth;
            device_ = st.st_dev;
            inode_ = st.st_ino;
            held_ = true;
            return;
        }
    }
    const int fd = OpenLocked(
        lockPath, [&](struct stat& opened, int& error) { return OpenLockFile(lockPath, opened, error); },
        std::chrono::steady_clock::now() + wait, st, error_);
    if (fd < 0)
        return;
    fd_ = fd;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    t_held.push_back({device_, inode_, 1});
    held_ = true;
    error_ = 0;
}

FileUpdateLock::~FileUpdateLock()
{
    if (!held_)
        return;
    if (auto held = FindHeld(device_, inode_); held != t_held.end() && --held->depth == 0)
        t_held.erase(held);
    if (fd_ >= 0)
        ::close(fd_); // closing lets the lock go
}
