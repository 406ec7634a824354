#include "platform/ProblemReport.h"

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

namespace {

std::mutex g_mutex;
std::set<std::string> g_told;
ProblemHandler g_handler;

} // namespace

void ReportProblemOnce(const std::string& text)
{
    ProblemHandler handler;
    {
        std::lock_guard lock(g_mutex);
        if (!g_told.insert(text).second)
            return;
        handler = g_handler;
    }
    if (handler)
        handler(text);
    else
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text.c_str());
}

ProblemHandler SetProblemHandler(ProblemHandler handler)
{
    std::lock_guard lock(g_mutex);
    g_told.clear();
    return std::exchange(g_handler, std::move(handler));
}
