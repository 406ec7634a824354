#include "actions/ProfileImport.h"

#include <cerrno>
#include <new>
#include <span>

#include "base/MainWindowLink.h"
#include "actions/DeviceWriter.h"
#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "actions/MacroApply.h"
#include "text/LanguageTexts.h"

namespace {

constexpr const char* ProfileFilter = "(*.vpf)|*.vpf|(*.*)|*.*||";

void ShowImportRefused()
{
    Prompts().ShowMessage(LoadText("MAIN_PROMPT_INPORT"), MessageStyle::Normal);
}

// What the document held before an import, to put back if the new contents
// cannot be installed.
struct DocumentBackup {
    std::unique_ptr<ConfigBlock> block;
    std::vector<uint8_t> macros;
    uint16_t macroCount = 0;
    std::vector<StringEntry> strings;
    uint32_t stringBytes = 0;
};

DocumentBackup TakeDocument()
{
    DocumentBackup backup;
    backup.block = std::move(g_configDoc.block);
    backup.macros = std::move(g_configDoc.macros);
    backup.macroCount = g_configDoc.macroCount;
    backup.strings = std::move(g_configDoc.strings);
    backup.stringBytes = g_configDoc.stringBytes;
    g_configDoc.macros.clear();
    g_configDoc.macroCount = 0;
    g_configDoc.strings.assign(StringEntryCount, StringEntry{});
    g_configDoc.stringBytes = 0;
    return backup;
}

void RestoreDocument(DocumentBackup& backup)
{
    g_configDoc.block = std::move(backup.block);
    g_configDoc.macros = std::move(backup.macros);
    g_configDoc.macroCount = backup.macroCount;
    g_configDoc.strings = std::move(backup.strings);
    g_configDoc.stringBytes = backup.stringBytes;
}

} // namespace

FileChoice ImportFileChoice()
{
    return FileChoice{ProfileFilter, "*.vpf", "vpf", false};
}

FileChoice ExportFileChoice()
{
    return FileChoice{ProfileFilter, "*.vpf", "vpf", true};
}

std::optional<std::vector<uint8_t>> ReadImportFile(const std::string& path, ProfileCheck* why)
{
    ProfileCheck check;
    std::vector<uint8_t> bytes = ReadProfileFileBytes(path, check);
    if (why)
        *why = check;
    if (check.fault == ProfileFault::None)
        return bytes;
    switch (check.fault) {
    case ProfileFault::Missing:
    case ProfileFault::CannotOpen:
    case ProfileFault::TooShort:
    case ProfileFault::TooLarge:
        break; // the validation has no message of its own for these
    default:
        Prompts().ShowMessage(FormatText(LoadText("PROFILE_FORMAT_ERROR"), path), MessageStyle::Normal);
        break;
    }
    ShowImportRefused();
    return std::nullopt;
}

int32_t ImportProfileBytes(const std::vector<uint8_t>& file, bool saveCache)
{
    int32_t written = 0;
    {
        DocumentLock lock;
        DocumentBackup backup = TakeDocument();
        if (LoadDocumentFromBytes(file) != 1) {
            FreeDocumentStrings();
            FreeDocumentMacros();
            FreeDocumentBlock();
            RestoreDocument(backup);
            ShowImportRefused();
            return ImportInvalid;
        }
        backup = DocumentBackup{};
        // The cache is missing until the keyboard was read once: nothing to
        // report then. Any other failure is.
        int error = 0;
        if (saveCache && SaveDocumentToProfileCache(0, &error) != 1 && error != ENOENT)
            ShowSaveFailure(ProfileCachePath(0), error);
        written = CopyDocumentForDevice(1);
        RefreshKeyButtons();
    }
    if (written == 1) {
        MainWindow().SetApplyEnabled(false);
        return ImportDone;
    }
    // The keyboard still holds its old maps in every profile: the next Apply
    // must write all three again.
    g_macroLayoutChanged = true;
    MainWindow().SetApplyEnabled(true);
    return written == WriteMacrosDoNotFit ? ImportDoesNotFit : ImportNotWritten;
}

int32_t ImportProfileFile(const std::string& path)
{
    std::optional<std::vector<uint8_t>> file = ReadImportFile(path);
    if (!file)
        return ImportInvalid;
    return ImportProfileBytes(*file, true);
}

int32_t ImportProfileFromUser()
{
    std::optional<std::string> path = Prompts().ChooseOpenFile(ImportFileChoice());
    if (!path)
        return ImportInvalid;
    return ImportProfileFile(*path);
}

int32_t ExportProfileFile(const std::string& path, int* error)
{
    DocumentLock lock;
    return SaveDocumentToFile(0, path, error);
}

int32_t ExportProfileToUser()
{
    std::optional<std::string> path = Prompts().ChooseSaveFile(ExportFileChoice());
    if (!path)
        return 0;
    int error = 0;
    const int32_t saved = ExportProfileFile(*path, &error);
    if (saved != 1)
        ShowSaveFailure(*path, error);
    return saved;
}
