#include "actions/ProfileList.h"

#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "actions/ApplyChanges.h"
#include "config/ConfigDocument.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileFileActions.h"
#include "actions/ProfileImport.h"
#include "actions/ProfileSwitch.h"
#include "platform/FileAccess.h"
#include "platform/SettingsStore.h"
#include "text/LanguageTexts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace {

constexpr const char* SettingsSection = "PROFILES";
constexpr const char* ValuePrefix = "PROFILE";
// A count beyond this is no list the manager wrote; reading that many values
// would only stall the opening.
constexpr size_t MaxKeptRows = 999;

std::string ValueName(size_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%02zu", ValuePrefix, number);
    return name;
}

std::optional<size_t> KeptRowCount()
{
    const std::optional<std::string> text = AppSettings().GetString(SettingsSection, ValueName(0));
    if (!text || text->empty() || text->size() > 3)
        return std::nullopt;
    size_t count = 0;
    for (char c : *text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        count = count * 10 + static_cast<size_t>(c - '0');
    }
    return std::min(count, MaxKeptRows);
}

// Older versions listed the keyboard's profiles as rows of the cache file
// with ".vpf" added, a file that never exists.
bool IsOldKeyboardRow(const std::string& value)
{
    const std::string cacheName = std::filesystem::path(ProfileCachePath(0)).filename().string() + ".vpf";
    return std::filesystem::path(value).filename() == cacheName;
}

bool FileIsThere(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

void Tell(const std::string& text)
{
    Prompts().ShowMessage(text, MessageStyle::Normal);
}

std::string Refusal(const char* headingKey, const std::string& path, ProfileFault fault)
{
    // A reason the language file lacks still reads, in the words the
    // command-line tool uses.
    return FormatText(LoadText(headingKey), path) + "\n" + LoadTextOr(ProfileFaultTextKey(fault), ProfileFaultText(fault));
}

int32_t SwitchToProfile(int profile)
{
    // The reload below rebuilds the document from the keyboard; key edits
    // not yet applied would vanish without a word. Asked as a switch asks.
    if (MainWindow().IsApplyEnabled() && Prompts().AskYesNo(LoadText("PROFILE_SELECT_PROMPT"))) {
        if (ApplyChanges() != 1) {
            // The edits stay in the document and Apply stays enabled; a
            // reload now would drop what the owner asked to keep.
            Tell(LoadText("PROFILE_EDITS_NOT_WRITTEN"));
            return ProfileEditsNotWritten;
        }
    }
    int32_t result = ProfileListApplied;
    if (profile >= 0 && SetCurrentProfile(profile) != 1) {
        Tell(FormatText(LoadText("PROFILE_SWITCH_FAILED"), ProfileName(profile)));
        result = ProfileSwitchRefused;
    }
    // Switched or not, the document and the key buttons become what the
    // keyboard holds. Without an answer the default document stands in, as
    // at every reload, and the monitor finds the keyboard gone.
    (void)ReloadFromDevice(false);
    return result;
}

int32_t LoadFileIntoKeyboard(const ProfileRow& row)
{
    const std::string path = ProfileRowValue(row);
    ProfileCheck check;
    const std::vector<uint8_t> file = ReadProfileFileBytes(path, check);
    if (check.fault != ProfileFault::None) {
        std::string refusal = Refusal("PROFILE_FILE_REFUSED", path, check.fault);
        // The system's own words, as "rt604ctl validate" adds them.
        if (check.fault == ProfileFault::CannotOpen && check.error != 0)
            refusal += ": " + FileErrorText(check.error);
        Tell(refusal);
        return ProfileFileRefused;
    }
    // The file replaces every profile and the macros: applying the edits
    // first would only write what the file overwrites at once.
    if (MainWindow().IsApplyEnabled() &&
        !Prompts().AskYesNo(FormatText(LoadText("PROFILE_LOAD_UNAPPLIED_PROMPT"), path)))
        return ProfileLoadDeclined;
    const int32_t imported = ImportProfileBytes(file, true);
    if (imported == ImportDone)
        return ProfileListApplied;
    // Macros that do not fit were told by the writer; a file that did not
    // load at all by the import. A keyboard that refused is told here.
    if (imported == ImportNotWritten)
        Tell(FormatText(LoadText("PROFILE_LOAD_NOT_WRITTEN"), path));
    return imported == ImportInvalid ? ProfileFileRefused : ProfileFileNotWritten;
}

} // namespace

std::vector<ProfileRow> KeyboardProfileRows()
{
    std::vector<ProfileRow> rows;
    for (int profile = 0; profile < GetProfileCount(); ++profile) {
        ProfileRow row;
        row.profile = profile;
        rows.push_back(row);
    }
    return rows;
}

ProfileRow ProfileRowForFile(const std::string& path)
{
    const std::filesystem::path file(path);
    ProfileRow row;
    row.name = file.stem().string();
    row.folder = file.parent_path().string();
    if (row.folder.empty() || row.folder.back() != '/')
        row.folder += '/';
    row.missing = !FileIsThere(path);
    return row;
}

std::string ProfileRowValue(const ProfileRow& row)
{
    return row.folder + row.name + ".vpf";
}

bool WriteProfileListSettings(const std::vector<ProfileRow>& rows)
{
    std::vector<std::pair<std::string, std::string>> values;
    for (const ProfileRow& row : rows) {
        if (row.profile < 0)
            values.emplace_back(ValueName(values.size() + 1), ProfileRowValue(row));
    }
    // The count last, as the rows' writer always put it.
    values.emplace_back(ValueName(0), std::to_string(values.size()));
    // The reason is taken, so the store does not tell it too: the caller does.
    int error = 0;
    return AppSettings().SetStrings(SettingsSection, values, &error);
}

std::vector<ProfileRow> ReadProfileListSettings()
{
    std::vector<ProfileRow> rows;
    const std::optional<size_t> count = KeptRowCount();
    if (!count)
        return rows;
    for (size_t number = 1; number <= *count; ++number) {
        const std::optional<std::string> value = AppSettings().GetString(SettingsSection, ValueName(number));
        if (!value || value->empty() || IsOldKeyboardRow(*value))
            continue;
        rows.push_back(ProfileRowForFile(*value));
    }
    return rows;
}

std::vector<ProfileRow> ProfileManagerRows()
{
    std::vector<ProfileRow> rows = KeyboardProfileRows();
    for (ProfileRow& row : ReadProfileListSettings())
        rows.push_back(std::move(row));
    return rows;
}

int32_t ApplyProfileList(const std::vector<ProfileRow>& rows, int tickedRow)
{
    int32_t result = ProfileListApplied;
    if (!WriteProfileListSettings(rows)) {
        Tell(FormatText(LoadText("PROFILE_LIST_SAVE_FAILED"), AppSettings().Path()));
        result = ProfileListNotSaved;
    }
    const ProfileRow* ticked =
        tickedRow >= 0 && static_cast<size_t>(tickedRow) < rows.size() ? &rows[static_cast<size_t>(tickedRow)] : nullptr;
    const int32_t done = ticked && ticked->profile < 0 ? LoadFileIntoKeyboard(*ticked)
                                                       : SwitchToProfile(ticked ? ticked->profile : -1);
    BuildProfileMenu(false);
    return result == ProfileListApplied ? done : result;
}

FileChoice NewProfileFileChoice()
{
    FileChoice choice = ExportFileChoice();
    EnsureUserFolder();
    choice.initialName = g_paths.userFolder + LoadText("PROFILE_NEW");
    return choice;
}

FileChoice LoadProfileFileChoice()
{
    FileChoice choice = ImportFileChoice();
    EnsureUserFolder();
    choice.initialName = g_paths.userFolder + "/" + choice.initialName;
    return choice;
}

int32_t CreateNewProfileFile(const std::string& path)
{
    return CreateDefaultBlock(path, 0, false);
}

ProfileFault CheckProfileFileToAdd(const std::string& path)
{
    return ExamineProfileFile(path);
}

const char* ProfileFaultTextKey(ProfileFault fault)
{
    switch (fault) {
    case ProfileFault::None: return "PROFILE_FAULT_NONE";
    case ProfileFault::Missing: return "PROFILE_FAULT_MISSING";
    case ProfileFault::CannotOpen: return "PROFILE_FAULT_CANNOT_OPEN";
    case ProfileFault::TooShort: return "PROFILE_FAULT_TOO_SHORT";
    case ProfileFault::TooLarge: return "PROFILE_FAULT_TOO_LARGE";
    case ProfileFault::BadSignature: return "PROFILE_FAULT_SIGNATURE";
    case ProfileFault::BadHeaderLength: return "PROFILE_FAULT_HEADER_LENGTH";
    case ProfileFault::BadProfileCount: return "PROFILE_FAULT_PROFILE_COUNT";
    case ProfileFault::BadVersion: return "PROFILE_FAULT_VERSION";
    case ProfileFault::TotalTooSmall: return "PROFILE_FAULT_TOTAL_TOO_SMALL";
    case ProfileFault::BadSlotCount: return "PROFILE_FAULT_SLOT_COUNT";
    case ProfileFault::TooManyMacros: return "PROFILE_FAULT_TOO_MANY_MACROS";
    case ProfileFault::BadFlag: return "PROFILE_FAULT_FLAG";
    case ProfileFault::LengthMismatch: return "PROFILE_FAULT_LENGTH_MISMATCH";
    case ProfileFault::BadChecksum: return "PROFILE_FAULT_CHECKSUM";
    case ProfileFault::Truncated: return "PROFILE_FAULT_TRUNCATED";
    case ProfileFault::TrailingBytes: return "PROFILE_FAULT_TRAILING_BYTES";
    }
    return "PROFILE_FAULT_UNKNOWN";
}

std::string ProfileLoadRefusal(const std::string& path, ProfileFault fault)
{
    return Refusal("PROFILE_LOAD_REFUSED", path, fault);
}

std::string ProfileFileRefusal(const std::string& path, ProfileFault fault)
{
    return Refusal("PROFILE_FILE_REFUSED", path, fault);
}
