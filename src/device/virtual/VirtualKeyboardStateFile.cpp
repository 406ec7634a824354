#include "device/virtual/VirtualKeyboardStateFile.h"

#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboardState.h"
#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "platform/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The largest state file: 255 units of macro memory plus the fixed parts.
constexpr off_t MaxStateBytes = 64 * 1024;

std::string NotAStateFile(const std::string& path, const std::string& reason)
{
    return path + ": not a virtual keyboard state file: " + reason;
}

bool SameModel(const KeyboardMemories& a, const KeyboardMemories& b)
{
    return a.productId == b.productId && a.keyMapBytes == b.keyMapBytes
        && a.macroMemory.size() == b.macroMemory.size();
}

} // namespace

bool KeyboardStateFile::Identity::operator==(const Identity& other) const
{
    return device == other.device && inode == other.inode && size == other.size
        && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

KeyboardStateFile::KeyboardStateFile(std::string path) : path_(std::move(path)) {}

KeyboardStateFile::~KeyboardStateFile()
{
    Unlock();
}

void KeyboardStateFile::Remember(const struct stat& st)
{
    seen_ = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

void KeyboardStateFile::Unlock()
{
    if (lockFd_ >= 0)
        ::close(lockFd_); // closing lets the lock go
    lockFd_ = -1;
}

bool KeyboardStateFile::Read(int fd, KeyboardMemories& memories, std::string& error)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = NotAStateFile(path_, FileErrorText(errno));
        return false;
    }
    if (st.st_size > MaxStateBytes) {
        error = NotAStateFile(path_, "it is far larger than a state file can be");
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = NotAStateFile(path_, "cannot be read: " + FileErrorText(errno));
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    KeyboardMemories read;
    if (!DecodeKeyboardState(bytes.data(), bytes.size(), read)) {
        error = NotAStateFile(path_, "its header, length or checksum is wrong");
        return false;
    }
    memories = std::move(read);
    Remember(st);
    return true;
}

bool KeyboardStateFile::Open(KeyboardMemories& memories, std::string& error)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        int err = 0;
        struct stat st {};
        const int fd = OpenRegularFile(path_, err, st);
        if (fd >= 0) {
            const bool ok = Read(fd, memories, error);
            ::close(fd);
            refused_ = !ok;
            return ok;
        }
        if (!IsMissingFileError(err)) {
            error = NotAStateFile(path_, FileErrorText(err));
            refused_ = true;
            return false;
        }
        // Nothing there yet: a new keyboard, made without replacing a file
        // that another process makes at the same moment (then read that).
        const std::vector<uint8_t> bytes = EncodeKeyboardState(memories);
        if (CreateFileAtomically(path_, std::span<const uint8_t>(bytes), &err)) {
            seen_ = Identity{}; // read again at the first access, as after any save
            return true;
        }
        if (err != EEXIST) {
            error = path_ + ": the virtual keyboard's state file cannot be made: " + FileErrorText(err);
            return false;
        }
    }
    error = path_ + ": the virtual keyboard's state file keeps changing";
    return false;
}

bool KeyboardStateFile::Acquire(KeyboardMemories& memories, std::string& error)
{
    if (refused_) {
        error = NotAStateFile(path_, "it was replaced by something else; it is left as it is");
        return false;
    }
    if (Held())
        return true;
    const auto deadline = std::chrono::steady_clock::now() + lockWait_;
    bool openFailed = false;
    const OpenToLock open = [&](struct stat& st, int& err) {
        const int fd = OpenRegularFile(path_, err, st);
        openFailed = fd < 0;
        return fd;
    };
    for (;;) {
        int err = 0;
        struct stat st {};
        const int fd = OpenLocked(path_, open, deadline, st, err);
        if (fd < 0 && openFailed) {
            if (IsMissingFileError(err)) {
                // Removed under us: the keyboard keeps what it holds.
                const std::vector<uint8_t> bytes = EncodeKeyboardState(memories);
                if (CreateFileAtomically(path_, std::span<const uint8_t>(bytes), &err) || err == EEXIST)
                    continue;
                error = path_ + ": the virtual keyboard's state file cannot be made: " + FileErrorText(err);
                return false;
            }
            error = NotAStateFile(path_, FileErrorText(err));
            refused_ = true;
            return false;
        }
        if (fd < 0) {
            if (err == FileErrorLockTimeout)
                error = path_ + ": the virtual keyboard is in use by another program (the window or rt604ctl)"
                                " that did not let it go in time";
            else
                error = path_ + ": the virtual keyboard's state file cannot be locked: " + FileErrorText(err);
            return false;
        }
        lockFd_ = fd;
        const Identity current{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        if (current == seen_)
            return true;
        KeyboardMemories reread;
        if (!Read(fd, reread, error) || !SameModel(reread, memories)) {
            if (error.empty())
                error = NotAStateFile(path_, "it now holds another model of keyboard");
            refused_ = true;
            Unlock();
            return false;
        }
        memories = std::move(reread);
        return true;
    }
}

bool KeyboardStateFile::Release(KeyboardMemories& memories, bool changed, std::string& error)
{
    if (!Held())
        return true;
    bool ok = true;
    if (changed) {
        int err = 0;
        const std::vector<uint8_t> bytes = EncodeKeyboardState(memories);
        if (WriteFileAtomically(path_, std::span<const uint8_t>(bytes), &err)) {
            // Once renamed in, the new file is unlocked: another process may
            // have replaced it before we could look, so it is read again at
            // the next access rather than taken to be ours.
            seen_ = Identity{};
        } else {
            error = path_ + ": the virtual keyboard's state cannot be saved: " + FileErrorText(err);
            // The file still holds the state before the change: so does the
            // keyboard now, as if it had not taken the write.
            std::string ignored;
            KeyboardMemories before;
            if (Read(lockFd_, before, ignored) && SameModel(before, memories))
                memories = std::move(before);
            ok = false;
        }
    }
    Unlock();
    return ok;
}
