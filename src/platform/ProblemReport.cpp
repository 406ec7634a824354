#include "platform/ProblemReport.h"

#include "platform/ReportOnce.h"

namespace {

ReportOnce<ProblemHandler> g_reports;

} // namespace

void ReportProblemOnce(const std::string& text)
{
    ProblemHandler handler;
    if (!g_reports.First(text, handler))
        return;
    if (handler)
        handler(text);
    else
        TellOnStandardError(text);
}

ProblemHandler SetProblemHandler(ProblemHandler handler)
{
    return g_reports.Install(std::move(handler));
}
