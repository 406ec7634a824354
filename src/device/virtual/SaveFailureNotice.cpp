#include "device/virtual/SaveFailureNotice.h"

#include "base/UserPrompts.h"
#include "device/virtual/VirtualKeyboard.h"
#include "platform/SaveReport.h"
#include "text/LanguageTexts.h"

#include <utility>

void TellSaveFailuresThrough(PostWork post)
{
    SetSaveFailureHandler([post = std::move(post)](const std::string& path, const std::string& reason) {
        post([path, reason] {
            Prompts().ShowMessage(FormatText(LoadText("MAIN_PROMPT_SAVE_FAILED"), path + " (" + reason + ")"),
                                  MessageStyle::Normal);
        });
    });
}

void StopTellingSaveFailures()
{
    SetSaveFailureHandler(nullptr);
}

void TellStateFileProblems(VirtualKeyboard& keyboard, const std::string& stateFile)
{
    keyboard.SetStateFileErrorHandler([stateFile](const std::string& problem) {
        // The problem names the file first; the message names it once.
        const std::string prefix = stateFile + ": ";
        ReportSaveFailure(stateFile, problem.compare(0, prefix.size(), prefix) == 0 ? problem.substr(prefix.size())
                                                                                     : problem);
    });
}
