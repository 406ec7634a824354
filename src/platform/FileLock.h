#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

// An exclusive flock on the file at path, for files that saves replace by
// renaming a new file in (or that someone may remove): a lock on the old
// file would guard a file nobody reads any more. open gives a descriptor of
// what is at path now (its status in st); once that is locked, path must
// still name it, else it is opened again. A busy lock is tried again after a
// growing pause until deadline. Returns the locked descriptor with st its
// status, or -1 with error: what open gave, flock's errno value, or
// FileErrorLockTimeout (FileAccess.h).
using OpenToLock = std::function<int(struct stat& st, int& error)>;
int OpenLocked(const std::string& path, const OpenToLock& open, std::chrono::steady_clock::time_point deadline,
               struct stat& st, int& error);

// Makes the read, the change and the write of one file a single step for
// every process and thread that updates it through this lock (the window,
// any number of rt604ctl runs). The lock is taken on "<path>.lock" beside the
// file, never on the file itself: saves rename a new file over the old one,
// and a lock on the old file would then guard a file nobody reads any more,
// so two writers could each hold "the" lock at once. The lock file is left
// in place for good; removing it would open the same gap.
//
// Within one thread the lock nests: a holder may call writers that take it
// again. It belongs to the thread that took it.
class FileUpdateLock {
public:
    // How long to wait for other holders: long enough to outlast a queue of
    // writers that each sync the file to disk, short enough that a holder
    // that hangs is reported rather than waited on for good.
    static constexpr std::chrono::milliseconds DefaultWait{10000};

    explicit FileUpdateLock(const std::string& path, std::chrono::milliseconds wait = DefaultWait);
    ~FileUpdateLock();
    FileUpdateLock(const FileUpdateLock&) = delete;
    FileUpdateLock& operator=(const FileUpdateLock&) = delete;

    bool Held() const { return held_; }
    // Why the lock is not held: an errno value, or FileErrorLockTimeout when
    // another holder did not let it go in time (FileAccess.h).
    int Error() const { return error_; }

    static std::string LockPathFor(const std::string& path);

private:
    void Take(const std::string& lockPath, std::chrono::milliseconds wait);

    int fd_ = -1; // -1 as well when nested inside this thread's own hold
    bool held_ = false;
    int error_ = 0;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};
