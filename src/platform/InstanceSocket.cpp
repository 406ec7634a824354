#include "platform/InstanceSocket.h"

#include "platform/Bytes.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

bool FillAddress(sockaddr_un& address, const std::string& path)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A private folder beside the endpoint to bind in, so that the socket has
// its mode before anyone can see it, and the path appears (by a rename a
// waiting start's folder watch sees) only once it accepts connections.
class BindingFolder {
public:
    explicit BindingFolder(const std::string& path)
    {
        const size_t slash = path.find_last_of('/');
        std::string pattern = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/.XXXXXX";
        if (::mkdtemp(pattern.data()))
            folder_ = pattern;
    }
    ~BindingFolder()
    {
        if (folder_.empty())
            return;
        ::unlink(Socket().c_str());
        ::rmdir(folder_.c_str());
    }
    BindingFolder(const BindingFolder&) = delete;
    BindingFolder& operator=(const BindingFolder&) = delete;

    bool Made() const { return !folder_.empty(); }
    std::string Socket() const { return folder_ + "/s"; }

private:
    std::string folder_;
};

} // namespace

EndpointListener::~EndpointListener()
{
    Close();
}

bool EndpointListener::Listen(const std::string& path, int backlog)
{
    Close();
    sockaddr_un final{};
    if (!FillAddress(final, path))
        return false;
    BindingFolder binding(path);
    sockaddr_un address{};
    if (!binding.Made() || !FillAddress(address, binding.Socket()))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, backlog) != 0 ||
        ::chmod(address.sun_path, 0700) != 0 || ::lstat(address.sun_path, &st) != 0 ||
        // Replaces what a crashed process with our pid left there.
        ::rename(address.sun_path, path.c_str()) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
    }
    fd_ = fd;
    path_ = path;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    return true;
}

void EndpointListener::Close()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_)
        ::unlink(path_.c_str());
    path_.clear();
}

int EndpointListener::Accept() const
{
    if (fd_ < 0) {
        errno = EBADF;
        return -1;
    }
    for (;;) {
        const int peer = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (peer >= 0 || errno != EINTR)
            return peer;
    }
}

EndpointMessageReader::State EndpointMessageReader::ReadFrom(int fd)
{
    while (got_ < bytes_.size()) {
        const ssize_t n = ::recv(fd, bytes_.data() + got_, bytes_.size() - got_, 0);
        if (n > 0)
            got_ += static_cast<size_t>(n);
        else if (n < 0 && errno == EINTR)
            continue;
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return State::Reading;
        else
            return State::Closed;
    }
    return State::Complete;
}

InstanceMessage EndpointMessageReader::Message() const
{
    return {ReadU32(bytes_.data(), 0), ReadU32(bytes_.data(), 4)};
}

bool SendEndpointAnswer(int fd, int32_t answer)
{
    std::array<uint8_t, InstanceAnswerBytes> bytes{};
    WriteU32(bytes.data(), 0, static_cast<uint32_t>(answer));
    // Nothing else is ever written to the connection, so its send buffer is
    // empty and these few bytes go at once or not at all (a peer that is
    // gone).
    for (;;) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        return n == static_cast<ssize_t>(bytes.size());
    }
}
