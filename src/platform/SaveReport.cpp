#include "platform/SaveReport.h"

#include "platform/FileAccess.h"
#include "platform/ReportOnce.h"

namespace {

ReportOnce<SaveFailureHandler> g_reports;

} // namespace

void ReportSaveFailure(const std::string& path, int error)
{
    ReportSaveFailure(path, FileErrorText(error));
}

void ReportSaveFailure(const std::string& path, const std::string& reason)
{
    SaveFailureHandler handler;
    if (!g_reports.First(path, handler))
        return;
    if (handler)
        handler(path, reason);
    else
        TellOnStandardError("cannot save " + path + ": " + reason);
}

void ReportSaveSuccess(const std::string& path)
{
    g_reports.Forget(path);
}

SaveFailureHandler SetSaveFailureHandler(SaveFailureHandler handler)
{
    return g_reports.Install(std::move(handler));
}
