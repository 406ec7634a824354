#include "platform/FileAccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

int FileKindError(mode_t mode)
{
    if (S_ISREG(mode))
        return 0;
    if (S_ISDIR(mode))
        return EISDIR;
    if (S_ISFIFO(mode))
        return FileErrorFifo;
    if (S_ISSOCK(mode))
        return FileErrorSocket;
    return FileErrorDevice;
}

std::string FileErrorText(int error)
{
    switch (error) {
    case 0: return "no error";
    case FileErrorFifo: return "is a FIFO (named pipe), not a file";
    case FileErrorDevice: return "is a device, not a file";
    case FileErrorSocket: return "is a socket, not a file";
    case FileErrorTooLarge: return "is too large";
    case FileErrorForeignLink:
        return "is a symbolic link that another user made in a shared folder; it is not followed";
    case FileErrorLockTimeout: return "is being changed by another program that did not finish in time";
    case EISDIR: return "is a folder, not a file";
    default: break;
    }
    char buffer[256];
    // The GNU strerror_r returns its text, which need not be in buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text ? std::string(text) : "error " + std::to_string(error);
}

bool IsMissingFileError(int error)
{
    return error == ENOENT;
}

int OpenRegularFile(const std::string& path, int& error, struct stat& st)
{
    error = 0;
    if (path.empty()) {
        error = ENOENT;
        return -1;
    }
    // Look before opening: opening a device can do things by itself.
    if (::stat(path.c_str(), &st) != 0) {
        error = errno;
        return -1;
    }
    if ((error = FileKindError(st.st_mode)) != 0)
        return -1;
    // O_NONBLOCK: should a FIFO replace the file between the look and the
    // open, the open must still not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::fstat(fd, &st) != 0 || (error = FileKindError(st.st_mode)) != 0) {
        if (error == 0)
            error = errno;
        ::close(fd);
        return -1;
    }
    // A regular file never blocks; reads need no special handling.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool ReadExactly(int fd, uint8_t* out, size_t size, int& error)
{
    error = 0;
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, out + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        if (n == 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}
