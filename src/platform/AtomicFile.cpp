#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes)
{
    std::string pattern = path + ".tmp-XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    // Keep the permissions an ordinary new file would get, not mkstemp's 0600,
    // unless the target exists, whose mode is kept.
    // A failed fchmod leaves mkstemp's 0600: stricter, never a lost write.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (!S_ISREG(existing.st_mode)) {
            ::close(fd);
            ::unlink(pattern.c_str());
            return false;
        }
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(pattern.c_str(), path.c_str()) == 0) {
        // Make the rename itself durable. The target already holds the new
        // bytes, so a folder that cannot be synced does not fail the write.
        int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }
    ::unlink(pattern.c_str());
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& text)
{
    return WriteFileAtomically(
        path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes)
{
    // O_NONBLOCK: a FIFO planted under the name must not hang the reader;
    // the fstat below then refuses it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    out.clear();
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < out.size()) {
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return true;
}
