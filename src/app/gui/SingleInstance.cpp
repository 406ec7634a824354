#include "app/gui/SingleInstance.h"

#include "platform/Bytes.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t MessageBytes = 8;
constexpr size_t AnswerBytes = 4;

// A folder we may trust: a real directory (not a link) owned by us and closed
// to everyone else. Created when missing.
bool EnsurePrivateFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

std::string ExecutableFileName(pid_t pid)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(pid));
    char target[PATH_MAX + 1];
    const ssize_t n = ::readlink(link, target, PATH_MAX);
    if (n <= 0)
        return {};
    std::string path(target, static_cast<size_t>(n));
    // A program file replaced while it runs (an update, a rebuild) is still
    // the same program.
    constexpr std::string_view deleted = " (deleted)";
    if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string InstanceRuntimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime && runtime[0] == '/') {
        std::string base = runtime;
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        folder = base + "/orvan-rt604";
    } else {
        folder = "/tmp/orvan-rt604-" + std::to_string(::getuid());
    }
    return EnsurePrivateFolder(folder) ? folder : std::string();
}

InstanceLock::~InstanceLock()
{
    Release();
}

bool InstanceLock::TryAcquire(const std::string& folder)
{
    if (fd_ >= 0)
        return true;
    if (folder.empty())
        return false;
    const std::string path = folder + "/" + InstanceMutexName + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::Release()
{
    if (fd_ < 0)
        return;
    // Closing drops the lock; the file stays, an unheld lock file is no lock.
    ::close(fd_);
    fd_ = -1;
}

std::vector<pid_t> FindProgramProcesses(const std::string& fileName, pid_t self)
{
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    const uid_t uid = ::getuid();
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || pid <= 0 || pid == self)
            continue;
        struct stat st {};
        const std::string dir = std::string("/proc/") + entry->d_name;
        // Another user's program is another session's, never ours to command.
        if (::stat(dir.c_str(), &st) != 0 || st.st_uid != uid)
            continue;
        const std::string name = ExecutableFileName(static_cast<pid_t>(pid));
        if (!name.empty() && ::strcasecmp(name.c_str(), fileName.c_str()) == 0)
            found.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
    std::sort(found.begin(), found.end());
    return found;
}

std::string InstanceEndpointPath(const std::string& folder, pid_t pid)
{
    return folder + "/" + InstanceMutexName + "-" + std::to_string(pid);
}

SendResult SendToEndpoint(const std::string& path, uint32_t message, uint32_t tag, int timeoutMs,
                          int32_t* answer)
{
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(timeoutMs))
        return SendResult::NoInstance;
    std::array<uint8_t, MessageBytes> bytes{};
    WriteU32(bytes.data(), 0, message);
    WriteU32(bytes.data(), 4, tag);
    socket.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (!socket.waitForBytesWritten(timeoutMs))
        return SendResult::NoAnswer;
    QByteArray reply;
    while (reply.size() < static_cast<qsizetype>(AnswerBytes)) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(timeoutMs))
            break;
        reply += socket.read(static_cast<qint64>(AnswerBytes) - reply.size());
    }
    if (reply.size() < static_cast<qsizetype>(AnswerBytes))
        return SendResult::NoAnswer;
    if (answer)
        *answer = static_cast<int32_t>(ReadU32(reinterpret_cast<const uint8_t*>(reply.constData()), 0));
    return SendResult::Delivered;
}

SendResult SendToOtherInstance(const std::string& folder, const std::string& fileName, uint32_t message,
                               uint32_t tag, int timeoutMs, int32_t* answer)
{
    if (folder.empty())
        return SendResult::NoInstance;
    // A process of the same name that has no window in this session (another
    // login's, or one still starting) is passed over, as the window walk
    // passes over windows without the marker.
    for (pid_t pid : FindProgramProcesses(fileName, ::getpid())) {
        const std::string path = InstanceEndpointPath(folder, pid);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        const SendResult result = SendToEndpoint(path, message, tag, timeoutMs, answer);
        if (result != SendResult::NoInstance)
            return result;
    }
    return SendResult::NoInstance;
}

InstanceEndpoint::InstanceEndpoint(QObject* parent) : QObject(parent) {}

InstanceEndpoint::~InstanceEndpoint()
{
    Close();
}

bool InstanceEndpoint::Listen(const std::string& path, Handler handler)
{
    Close();
    handler_ = std::move(handler);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A file left by a crashed process that had our pid.
    QLocalServer::removeServer(QString::fromStdString(path));
    if (!server_->listen(QString::fromStdString(path))) {
        delete server_;
        server_ = nullptr;
        return false;
    }
    path_ = path;
    connect(server_, &QLocalServer::newConnection, this, &InstanceEndpoint::OnConnection);
    return true;
}

void InstanceEndpoint::Close()
{
    if (!server_)
        return;
    server_->close();
    delete server_;
    server_ = nullptr;
    path_.clear();
}

bool InstanceEndpoint::IsListening() const
{
    return server_ && server_->isListening();
}

void InstanceEndpoint::OnConnection()
{
    while (server_ && server_->hasPendingConnections()) {
        QLocalSocket* socket = server_->nextPendingConnection();
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->read(static_cast<qint64>(MessageBytes) - buffer->size()));
            if (buffer->size() < static_cast<qsizetype>(MessageBytes))
                return;
            const auto* bytes = reinterpret_cast<const uint8_t*>(buffer->constData());
            const uint32_t message = ReadU32(bytes, 0);
            const uint32_t tag = ReadU32(bytes, 4);
            buffer->clear();
            // The handler may end the program (KILL) or close this endpoint;
            // the socket is kept alive across it to answer.
            QPointer<QLocalSocket> guard(socket);
            socket->setParent(nullptr);
            const int32_t result = handler_ ? handler_(message, tag) : 0;
            if (!guard)
                return;
            std::array<uint8_t, AnswerBytes> reply{};
            WriteU32(reply.data(), 0, static_cast<uint32_t>(result));
            guard->write(reinterpret_cast<const char*>(reply.data()), static_cast<qint64>(reply.size()));
            guard->flush();
            guard->disconnectFromServer();
        });
    }
}
