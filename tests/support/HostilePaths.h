#pragma once

// Paths that are not ordinary files, for the tests of everything that opens
// a file by name: each must give a clear error at once, never wait. And a
// full disk, made without privileges by a file size limit.
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

struct HostilePath {
    const char* kind;
    std::string path;
    // Words the error message must contain.
    const char* reason;
};

// Made in folder: a FIFO (opening it for reading waits for a writer), a
// device that never ends (/dev/zero through a link), a folder, a loop of
// links, a name longer than the system allows, and a file nobody may read
// (left out for root, who may read anything).
inline std::vector<HostilePath> MakeHostilePaths(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::vector<HostilePath> paths;
    const fs::path fifo = folder / "fifo";
    if (::mkfifo(fifo.c_str(), 0600) == 0)
        paths.push_back({"FIFO", fifo.string(), "FIFO"});
    const fs::path device = folder / "device";
    std::error_code ignored;
    fs::create_symlink("/dev/zero", device, ignored);
    paths.push_back({"device", device.string(), "device"});
    fs::create_directories(folder / "folder.vpf", ignored);
    paths.push_back({"folder", (folder / "folder.vpf").string(), "folder"});
    fs::create_symlink("loop-b", folder / "loop-a", ignored);
    fs::create_symlink("loop-a", folder / "loop-b", ignored);
    paths.push_back({"symlink loop", (folder / "loop-a").string(), "symbolic links"});
    paths.push_back({"name too long", (folder / std::string(300, 'n')).string(), "too long"});
    const fs::path locked = folder / "locked";
    std::ofstream(locked) << "secret";
    ::chmod(locked.c_str(), 0);
    if (::access(locked.c_str(), R_OK) != 0)
        paths.push_back({"unreadable", locked.string(), "Permission denied"});
    return paths;
}

// Writes beyond limitBytes fail with EFBIG, as on a full disk, while the
// guard lives. SIGXFSZ is ignored so that the failure is an error return.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t limitBytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = limitBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};
