#include "platform/SaveReport.h"

#include "platform/FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

namespace {

std::mutex g_mutex;
std::set<std::string> g_failing;
SaveFailureHandler g_handler;

} // namespace

void ReportSaveFailure(const std::string& path, int error)
{
    ReportSaveFailure(path, FileErrorText(error));
}

void ReportSaveFailure(const std::string& path, const std::string& reason)
{
    SaveFailureHandler handler;
    {
        std::lock_guard lock(g_mutex);
        if (!g_failing.insert(path).second)
            return;
        handler = g_handler;
    }
    if (handler)
        handler(path, reason);
    else
        std::fprintf(stderr, "%s: cannot save %s: %s\n", program_invocation_short_name, path.c_str(), reason.c_str());
}

void ReportSaveSuccess(const std::string& path)
{
    std::lock_guard lock(g_mutex);
    g_failing.erase(path);
}

SaveFailureHandler SetSaveFailureHandler(SaveFailureHandler handler)
{
    std::lock_guard lock(g_mutex);
    g_failing.clear();
    return std::exchange(g_handler, std::move(handler));
}
