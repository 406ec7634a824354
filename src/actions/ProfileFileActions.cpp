#include "actions/ProfileFileActions.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

#include "device/protocol/DeviceState.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "lighting/UserModePreset.h"
#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "text/LanguageTexts.h"

namespace {

void ShowFormatError(const std::string& path)
{
    Prompts().ShowMessage(FormatText(LoadText("PROFILE_FORMAT_ERROR"), path), MessageStyle::Normal);
}

bool IsLengthFault(ProfileFault fault)
{
    return fault == ProfileFault::Truncated || fault == ProfileFault::TrailingBytes;
}

// What the header's fault means to the owner. A file that cannot be a
// profile at all (missing, too short, too large) is not worth a message.
int32_t ValidationResult(ProfileFault fault, const std::string& path)
{
    switch (fault) {
    case ProfileFault::None:
        return 1;
    case ProfileFault::Missing:
    case ProfileFault::TooShort:
    case ProfileFault::TooLarge:
        return 0;
    case ProfileFault::CannotOpen:
        return -2;
    default:
        ShowFormatError(path);
        return 0;
    }
}

} // namespace

int32_t ValidateProfileFile(const std::string& path)
{
    const ProfileFault fault = ExamineProfileFile(path);
    return ValidationResult(IsLengthFault(fault) ? ProfileFault::None : fault, path);
}

int32_t CheckProfileFileComplete(const std::string& path)
{
    const ProfileFault fault = ExamineProfileFile(path);
    if (IsLengthFault(fault)) {
        ShowFormatError(path);
        return 0;
    }
    return ValidationResult(fault, path);
}

int32_t SaveDocumentToProfileCache(int lockSwitch, int* error)
{
    const std::string path = ProfileCachePath(g_currentProfile.load());
    DocumentLock lock(lockSwitch != 0);
    // The cache comes into being only from the keyboard's own contents.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (error)
            *error = ENOENT;
        return 0;
    }
    return SaveDocumentToFile(0, path, error);
}

void ShowSaveFailure(const std::string& path, int error)
{
    Prompts().ShowMessage(FormatText(LoadText("MAIN_PROMPT_SAVE_FAILED"), path + " (" + FileErrorText(error) + ")"),
                          MessageStyle::Normal);
}

int32_t EnsureUserFolder()
{
    const std::string& folder = g_paths.userFolder;
    if (folder.empty())
        return 0;
    std::error_code error;
    if (std::filesystem::is_directory(folder, error))
        return 1;
    if (!std::filesystem::create_directories(folder, error) && !std::filesystem::is_directory(folder, error))
        return 0;
    const std::string preset = ReadUserModePreset();
    int32_t result = 1;
    for (int i = 0; i < 3; ++i) {
        if (!WriteFileAtomically(UserModeFilePath(i), preset))
            result = 0;
    }
    return result;
}

std::string ProfileCachePath(int)
{
    // Without the folder the path is still the right one; whoever opens it
    // then fails and reports that.
    EnsureUserFolder();
    return g_paths.userFolder + "/$Profile0";
}
