#include "ui/EventLog.h"

#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex g_logMutex;

const char* LogPath()
{
    static const char* path = [] {
        const char* value = std::getenv("RT604_EVENT_LOG");
        return value && value[0] ? value : nullptr;
    }();
    return path;
}

} // namespace

bool EventLogEnabled()
{
    return LogPath() != nullptr;
}

void LogEvent(const std::string& line)
{
    const char* path = LogPath();
    if (!path)
        return;
    std::lock_guard lock(g_logMutex);
    // Opened per line with O_APPEND so that a watcher sees each line whole
    // and at once, and several processes can share one log.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string text = line + "\n";
    // A trace line that cannot be written is not worth failing over.
    [[maybe_unused]] ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}
