#include "platform/AtomicFile.h"

#include "platform/FileAccess.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

// Names of our temporaries: the prefix, the writer's process id, a dash.
constexpr const char* TempPrefix = ".rt604-";
// As many links as the kernel follows before it calls it a loop.
constexpr int MaxLinkDepth = 40;

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

std::string TempName(const std::string& folder)
{
    static std::atomic<uint64_t> counter{0};
    const uint64_t stamp = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[64];
    std::snprintf(name, sizeof name, "%s%ld-%06llx", TempPrefix, static_cast<long>(::getpid()),
                  static_cast<unsigned long long>((stamp ^ (counter++ * 0x9E3779B97F4A7C15ull)) & 0xFFFFFF));
    return folder + "/" + name;
}

// Folders that other users or other machines write to as well: there a
// process id says nothing about who made a temporary (a pid that is not
// running here may be running on another host).
bool IsSharedFolder(int dirFd)
{
    struct stat st {};
    if (::fstat(dirFd, &st) != 0 || (st.st_mode & (S_ISVTX | S_IWOTH)) != 0 || st.st_uid != ::geteuid())
        return true;
    struct statfs fs {};
    if (::fstatfs(dirFd, &fs) != 0)
        return true;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE (sshfs and the like)
    case 0x00C36400: // Ceph
    case 0x5346414F: // AFS
    case 0x01021997: // 9P
    case 0x47504653: // GPFS
    case 0x0BD00BD0: // Lustre
        return true;
    default:
        return false;
    }
}

// Temporaries whose writer is gone were left by a kill or a crash in the
// moment between linking and renaming (or, without unnamed files, during
// the whole write). Our own process's ones may be in use by another thread;
// only our own user's, in a folder of our own on this machine, are ours to
// judge at all.
void ClearStaleTemporaries(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    if (IsSharedFolder(::dirfd(dir))) {
        ::closedir(dir);
        return;
    }
    const std::string prefix = TempPrefix;
    const long self = static_cast<long>(::getpid());
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || pid == self || !end || *end != '-')
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

struct TempFile {
    int fd = -1;
    std::string name; // empty while the file has no name
};

TempFile CreateTemp(const std::string& folder, bool unnamed, int& error)
{
    TempFile temp;
    if (unnamed) {
        temp.fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (temp.fd >= 0)
            return temp;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp.name = TempName(folder);
        temp.fd = ::open(temp.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (temp.fd >= 0 || errno != EEXIST)
            break;
    }
    if (temp.fd < 0) {
        error = errno;
        temp.name.clear();
    }
    return temp;
}

// Gives an unnamed temporary a name: the target's own when nothing is there
// yet, else one of ours that the rename then moves over the target.
bool LinkIn(TempFile& temp, const std::string& folder, const std::string& target, bool targetExists, bool replace,
            int& error)
{
    const std::string self = "/proc/self/fd/" + std::to_string(temp.fd);
    if (!targetExists && ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (!replace) {
        error = targetExists ? EEXIST : errno;
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp.name = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = errno;
    return false;
}

enum class WriteOutcome { Done, Failed, NoUnnamedFiles };

WriteOutcome WriteThrough(const std::string& target, std::span<const uint8_t> bytes, bool unnamed, bool replace,
                          int& error)
{
    struct stat existing {};
    bool exists = false;
    if (::stat(target.c_str(), &existing) == 0) {
        if (!replace) {
            error = EEXIST;
            return WriteOutcome::Failed;
        }
        if (!S_ISREG(existing.st_mode)) {
            error = FileKindError(existing.st_mode);
            return WriteOutcome::Failed;
        }
        // The rename below would replace a file we may not write to, where
        // writing in place (as the profile file's save once did) fails.
        // Asked of the kernel, so that root may, as root may open it.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            error = errno;
            return WriteOutcome::Failed;
        }
        exists = true;
    } else if (errno != ENOENT) {
        error = errno;
        return WriteOutcome::Failed;
    }
    const std::string folder = FolderOf(target);
    ClearStaleTemporaries(folder);
    TempFile temp = CreateTemp(folder, unnamed, error);
    if (temp.fd < 0)
        return WriteOutcome::Failed;
    // The target's mode is kept; a new file gets what an ordinary new file
    // would, not the temporary's 0600. A failed fchmod leaves 0600:
    // stricter, never a lost write.
    mode_t mode = existing.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(temp.fd, mode);
    bool ok = WriteAll(temp.fd, bytes.data(), bytes.size()) && ::fsync(temp.fd) == 0;
    if (!ok)
        error = errno;
    if (ok && temp.name.empty() && !LinkIn(temp, folder, target, exists, replace, error)) {
        ::close(temp.fd);
        // Without /proc an unnamed file cannot be linked: write named instead.
        return error == ENOENT ? WriteOutcome::NoUnnamedFiles : WriteOutcome::Failed;
    }
    if (::close(temp.fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    // link() where nothing may be replaced: it fails when the target exists.
    if (ok && !temp.name.empty() && (replace ? ::rename(temp.name.c_str(), target.c_str())
                                             : ::link(temp.name.c_str(), target.c_str())) != 0) {
        ok = false;
        error = errno;
    }
    if (ok && !replace && !temp.name.empty())
        ::unlink(temp.name.c_str());
    if (!ok) {
        if (!temp.name.empty())
            ::unlink(temp.name.c_str());
        return WriteOutcome::Failed;
    }
    // Make the new name durable. The target already holds the new bytes, so
    // a folder that cannot be synced does not fail the write.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return WriteOutcome::Done;
}

} // namespace

std::string ResolveSymbolicLinks(const std::string& path, int& error)
{
    error = 0;
    std::string current = path;
    for (int depth = 0; depth <= MaxLinkDepth; ++depth) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT)
                return current; // a new file is made here
            error = errno;
            return {};
        }
        if (!S_ISLNK(st.st_mode))
            return current;
        // The kernel's rule for links in sticky shared folders (such as
        // /tmp), kept here because we follow links ourselves and the
        // kernel's own check (when it is on at all) never sees them.
        struct stat folder {};
        if (::stat(FolderOf(current).c_str(), &folder) != 0) {
            error = errno;
            return {};
        }
        if ((folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) && st.st_uid != ::geteuid()
            && st.st_uid != folder.st_uid) {
            error = FileErrorForeignLink;
            return {};
        }
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
        if (n < 0) {
            error = errno;
            return {};
        }
        link.resize(static_cast<size_t>(n));
        current = (!link.empty() && link[0] == '/') ? link : FolderOf(current) + "/" + link;
    }
    error = ELOOP;
    return {};
}

namespace {

bool WriteWhole(const std::string& path, std::span<const uint8_t> bytes, bool replace, int* error)
{
    int err = 0;
    const std::string target = ResolveSymbolicLinks(path, err);
    WriteOutcome outcome = WriteOutcome::Failed;
    if (!target.empty()) {
        outcome = WriteThrough(target, bytes, true, replace, err);
        if (outcome == WriteOutcome::NoUnnamedFiles)
            outcome = WriteThrough(target, bytes, false, replace, err);
    }
    if (outcome == WriteOutcome::Done)
        return true;
    if (error)
        *error = err != 0 ? err : EIO;
    return false;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, int* error)
{
    return WriteWhole(path, bytes, true, error);
}

bool CreateFileAtomically(const std::string& path, std::span<const uint8_t> bytes, int* error)
{
    return WriteWhole(path, bytes, false, error);
}

bool WriteFileAtomically(const std::string& path, const std::string& text, int* error)
{
    return WriteFileAtomically(
        path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()), error);
}

bool ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes, int* error)
{
    int err = 0;
    struct stat st {};
    const int fd = OpenRegularFile(path, err, st);
    if (fd >= 0 && static_cast<uint64_t>(st.st_size) > maxBytes)
        err = FileErrorTooLarge;
    if (fd >= 0 && err == 0) {
        out.clear();
        out.resize(static_cast<size_t>(st.st_size));
        // A file that shrank in between reads as what is left.
        size_t got = 0;
        while (got < out.size()) {
            const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                err = errno;
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        out.resize(got);
    }
    if (fd >= 0)
        ::close(fd);
    if (error)
        *error = err;
    return err == 0;
}
