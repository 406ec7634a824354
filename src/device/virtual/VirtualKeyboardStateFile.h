#pragma once

#include "device/virtual/KeyboardMemories.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <sys/types.h>

// The file a virtual keyboard keeps its memories in. Every process that runs
// on one file (the window and rt604ctl) behaves as one keyboard: each access
// takes the file's lock, re-reads what another process wrote since, and
// saves its own change before it lets the lock go. A file that exists but is
// not a readable state file is never written.
class KeyboardStateFile {
public:
    explicit KeyboardStateFile(std::string path);
    ~KeyboardStateFile();
    KeyboardStateFile(const KeyboardStateFile&) = delete;
    KeyboardStateFile& operator=(const KeyboardStateFile&) = delete;

    const std::string& Path() const { return path_; }

    // Reads the memories of an existing file, or makes the file from the
    // given (factory) memories when nothing is at the path. False with error
    // for anything else at the path, which is left as it is.
    bool Open(KeyboardMemories& memories, std::string& error);

    // Takes the lock, waiting at most the lock wait for another process,
    // and re-reads the file when another process changed it. False with
    // error when the lock cannot be had or the file is no state file any
    // more (from then on it is never written).
    bool Acquire(KeyboardMemories& memories, std::string& error);
    // Saves the memories when changed, then lets the lock go. A failed save
    // puts back what the file holds (the keyboard did not take the change)
    // and gives false with error.
    bool Release(KeyboardMemories& memories, bool changed, std::string& error);
    bool Held() const { return lockFd_ >= 0; }

    void SetLockWait(std::chrono::milliseconds wait) { lockWait_ = wait; }

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Identity&) const;
    };
    bool Read(int fd, KeyboardMemories& memories, std::string& error);
    void Remember(const struct stat& st);
    void Unlock();

    std::string path_;
    int lockFd_ = -1;
    bool refused_ = false;
    Identity seen_;
    std::chrono::milliseconds lockWait_{5000};
};
