#include "platform/SingleInstance.h"

#include "platform/Bytes.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// A folder we may trust: a real directory (not a link) owned by us and closed
// to everyone else. Created when missing. One that anybody else could have
// written into (not ours, or open to others) is refused, never repaired:
// what is already inside it (a lock someone else holds, a socket of
// theirs) cannot be trusted. Only inside a folder that is already ours
// alone (the session's runtime folder) can an open mode be closed instead.
// problem gets the reason.
bool EnsurePrivateFolder(const std::string& path, std::string* problem, bool insidePrivateFolder = false)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        if (problem)
            *problem = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    std::string why;
    if (::lstat(path.c_str(), &st) != 0)
        why = std::strerror(errno);
    else if (S_ISLNK(st.st_mode))
        why = "is a symbolic link";
    else if (!S_ISDIR(st.st_mode))
        why = "is not a folder";
    else if (st.st_uid != ::getuid())
        why = "belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    else if ((st.st_mode & 0777) != 0700 && !(insidePrivateFolder && ::chmod(path.c_str(), 0700) == 0))
        why = "is open to other users (mode " + std::to_string((st.st_mode >> 6) & 7) +
              std::to_string((st.st_mode >> 3) & 7) + std::to_string(st.st_mode & 7) + ")";
    if (why.empty())
        return true;
    if (problem)
        *problem = path + " " + why;
    return false;
}

// Where private folders go when the session has no runtime folder.
std::string g_sharedTemp = "/tmp";

// How many other names a start tries when someone else has taken ours.
constexpr int OtherNames = 9;

// The first of <shared>/orvan-rt604-<uid>, then .1 to .9, that is (or can
// be made) our private folder. Every start walks the same names in the same
// order and another user cannot take one of ours from us, so all starts
// agree on the folder. Empty when every name is taken.
std::string PrivateTempFolder(std::string* problem)
{
    const std::string base = g_sharedTemp + "/orvan-rt604-" + std::to_string(::getuid());
    std::string first;
    for (int n = 0; n <= OtherNames; ++n) {
        const std::string folder = n == 0 ? base : base + "." + std::to_string(n);
        std::string why;
        if (EnsurePrivateFolder(folder, &why)) {
            if (problem && !first.empty())
                *problem = first + "; using " + folder + " instead";
            return folder;
        }
        if (first.empty())
            first = why;
    }
    if (problem)
        *problem = first + "; " + base + ".1 to ." + std::to_string(OtherNames) + " are no private folders either";
    return {};
}

std::string LockPath(const std::string& folder)
{
    return folder + "/" + InstanceMutexName + ".lock";
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

int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

// Waits for one of events on fd until the deadline; false on time-out or error.
bool WaitFd(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (r < 0 && errno == EINTR)
            continue;
        return r > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

// Wakes a waiting start when anything in the runtime folder changes: the
// winner's endpoint appearing (bound elsewhere and renamed in), its pid
// being written, the lock file being closed by a holder that ended.
class FolderWatch {
public:
    explicit FolderWatch(const std::string& folder)
    {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(),
                                            IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY | IN_DELETE) < 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FolderWatch()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Returns after a change or after at most ms.
    void Wait(int ms)
    {
        if (fd_ < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return;
        }
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, ms) > 0) {
            alignas(inotify_event) char buffer[4096];
            while (::read(fd_, buffer, sizeof buffer) > 0) {
            }
        }
    }

private:
    int fd_ = -1;
};

// A watch can miss nothing that matters, but a file system without inotify
// (or a busy queue) must not leave a start waiting out the whole time.
constexpr int LongestQuietWaitMs = 100;

} // namespace

std::string InstanceRuntimeFolder(std::string* problem)
{
    if (problem)
        problem->clear();
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        std::string base = runtime;
        while (base.size() > 1 && base.back() == '/')
            base.pop_back();
        const std::string folder = base + "/orvan-rt604";
        // The session's folder is normally ours alone, and then a folder of
        // ours in it that is open to others is only closed.
        struct stat st {};
        const bool baseIsPrivate =
            ::stat(base.c_str(), &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 022) == 0;
        std::string why;
        if (EnsurePrivateFolder(folder, &why, baseIsPrivate))
            return folder;
        std::string instead;
        const std::string temp = PrivateTempFolder(&instead);
        if (problem)
            *problem = why + "; " + (temp.empty() || !instead.empty() ? instead : "using " + temp + " instead");
        return temp;
    }
    return PrivateTempFolder(problem);
}

void SetSharedTempFolderForTests(const std::string& folder)
{
    g_sharedTemp = folder.empty() ? std::string("/tmp") : folder;
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
    const int fd = ::open(LockPath(folder).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    // Whoever finds the lock taken reads whom to wait for here. A failed
    // write only makes them wait for a pid they cannot read.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
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

pid_t InstanceLockHolder(const std::string& folder)
{
    if (folder.empty())
        return 0;
    const int fd = ::open(LockPath(folder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return 0;
    char text[24] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(text, &end, 10);
    if (end == text || (*end != '\n' && *end != '\0') || errno != 0 || pid <= 0 || pid > INT_MAX)
        return 0;
    return static_cast<pid_t>(pid);
}

bool IsProgramProcess(pid_t pid, const std::string& fileName)
{
    if (pid <= 0)
        return false;
    struct stat st {};
    const std::string dir = "/proc/" + std::to_string(pid);
    // Another user's program is another session's, never ours to command.
    if (::stat(dir.c_str(), &st) != 0 || st.st_uid != ::getuid())
        return false;
    const std::string name = ExecutableFileName(pid);
    return !name.empty() && ::strcasecmp(name.c_str(), fileName.c_str()) == 0;
}

std::vector<pid_t> FindProgramProcesses(const std::string& fileName, pid_t self)
{
    std::vector<pid_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return found;
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || pid <= 0 || pid > INT_MAX || pid == self)
            continue;
        if (IsProgramProcess(static_cast<pid_t>(pid), fileName))
            found.push_back(static_cast<pid_t>(pid));
    }
    ::closedir(proc);
    std::sort(found.begin(), found.end());
    return found;
}

std::string InstanceEndpointPath(const std::string& folder, pid_t pid)
{
    if (folder.empty())
        return {};
    const std::string name = std::string(InstanceMutexName) + "-" + std::to_string(pid);
    std::string path = folder + "/" + name;
    if (path.size() <= LongestEndpointPath)
        return path;
    // A socket's address holds no more than sun_path: a runtime folder with
    // a longer path would leave this instance unreachable. Its endpoint goes
    // to a short private folder instead, under a name that also carries the
    // runtime folder, so that the sessions that share that folder still
    // never meet each other's instances.
    const std::string shortFolder = PrivateTempFolder(nullptr);
    if (shortFolder.empty())
        return {};
    uint64_t hash = 0xCBF29CE484222325ull; // FNV-1a
    for (const unsigned char c : folder) {
        hash ^= c;
        hash *= 0x100000001B3ull;
    }
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(hash));
    path = shortFolder + "/" + InstanceMutexName + "-" + digest + "-" + std::to_string(pid);
    return path.size() <= LongestEndpointPath ? path : std::string();
}

SendResult SendToEndpoint(const std::string& path, InstanceMessage message, int timeoutMs, int32_t* answer)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return SendResult::NoInstance;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return SendResult::NoInstance;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));

    // A full backlog (many starts at once) answers EAGAIN: the instance is
    // there, so keep trying until the time is up.
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return SendResult::NoInstance;
        if (Clock::now() >= deadline)
            return SendResult::NoAnswer;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    std::array<uint8_t, InstanceMessageBytes> bytes{};
    WriteU32(bytes.data(), 0, message.message);
    WriteU32(bytes.data(), 4, message.param);
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFd(fd, POLLOUT, deadline))
                return SendResult::NoAnswer;
        } else {
            return SendResult::NoAnswer;
        }
    }

    std::array<uint8_t, InstanceAnswerBytes> reply{};
    size_t got = 0;
    while (got < reply.size()) {
        const ssize_t n = ::recv(fd, reply.data() + got, reply.size() - got, 0);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFd(fd, POLLIN, deadline))
                return SendResult::NoAnswer;
        } else {
            return SendResult::NoAnswer; // closed without answering
        }
    }
    if (answer)
        *answer = static_cast<int32_t>(ReadU32(reply.data(), 0));
    return SendResult::Delivered;
}

SendResult SendToOtherInstance(const std::string& folder, const std::string& fileName, InstanceMessage message,
                               int timeoutMs, int32_t* answer)
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
        const SendResult result = SendToEndpoint(path, message, timeoutMs, answer);
        if (result != SendResult::NoInstance)
            return result;
    }
    return SendResult::NoInstance;
}

StartRole TakeLockOrHandOver(InstanceLock& lock, const std::string& folder, const std::string& fileName,
                             InstanceMessage message, const HandOverTimings& timings, int32_t* answer)
{
    if (folder.empty())
        return StartRole::Unlocked;
    // Watching before the first look, so that nothing that happens between
    // a look and the wait after it goes unseen.
    FolderWatch watch(folder);
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + std::chrono::milliseconds(timings.waitForInstanceMs);
    const Clock::time_point unknownUntil = start + std::chrono::milliseconds(timings.unknownHolderMs);
    for (;;) {
        if (lock.TryAcquire(folder))
            return StartRole::Instance;
        const pid_t holder = InstanceLockHolder(folder);
        if (holder != ::getpid() && IsProgramProcess(holder, fileName)) {
            // An instance of ours: it may still be starting, so a missing
            // endpoint only means "not yet".
            if (SendToEndpoint(InstanceEndpointPath(folder, holder), message, timings.answerMs, answer) !=
                SendResult::NoInstance)
                return StartRole::HandedOver;
            if (Clock::now() >= deadline)
                return StartRole::NotAnswering;
        } else {
            // The lock's holder is not (or not yet known to be) ours. An
            // instance of ours that runs without the lock still counts.
            if (SendToOtherInstance(folder, fileName, message, timings.answerMs, answer) != SendResult::NoInstance)
                return StartRole::HandedOver;
            if (Clock::now() >= unknownUntil)
                return StartRole::Unlocked;
        }
        watch.Wait(std::clamp(MillisecondsLeft(deadline), 1, LongestQuietWaitMs));
    }
}
