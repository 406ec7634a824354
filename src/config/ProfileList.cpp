#include "config/ProfileList.h"

#include "app/MainWindowLink.h"
#include "app/ProgramPaths.h"
#include "assign/ApplyChanges.h"
#include "config/ConfigDocument.h"
#include "config/DeviceCopy.h"
#include "config/ProfileImport.h"
#include "config/ProfileSwitch.h"
#include "platform/SettingsStore.h"
#include "skin/LanguageTexts.h"

#include <cstdio>
#include <filesystem>

namespace {

constexpr const char* SettingsSection = "PROFILES";
constexpr const char* ValuePrefix = "PROFILE";

std::string ValueName(size_t number)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%02zu", ValuePrefix, number);
    return name;
}

} // namespace

std::vector<ProfileRow> KeyboardProfileRows()
{
    std::vector<ProfileRow> rows;
    for (int profile = 0; profile < GetProfileCount(); ++profile) {
        ProfileRow row = ProfileRowForFile(ProfileCachePath(profile));
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
    return row;
}

std::string ProfileRowValue(const ProfileRow& row)
{
    return row.folder + row.name + ".vpf";
}

bool WriteProfileListSettings(const std::vector<ProfileRow>& rows)
{
    SettingsStore& settings = AppSettings();
    bool written = true;
    for (size_t r = 0; r < rows.size(); ++r)
        written = settings.SetString(SettingsSection, ValueName(r + 1), ProfileRowValue(rows[r])) && written;
    return settings.SetString(SettingsSection, ValueName(0), std::to_string(rows.size())) && written;
}

int32_t ApplyProfileList(const std::vector<ProfileRow>& rows, int tickedRow)
{
    // The reload below rebuilds the document from the keyboard; key edits
    // not yet applied would vanish without a word. Asked as a switch asks.
    if (MainWindow().IsApplyEnabled() && Prompts().AskYesNo(LoadText("PROFILE_SELECT_PROMPT")))
        ApplyChanges();
    const bool written = WriteProfileListSettings(rows);
    // SetCurrentProfile sends nothing for -1 or for an index of 3 or more:
    // the keyboard has three profiles, and what it would make of another
    // index is unknown.
    SetCurrentProfile(tickedRow);
    ReloadFromDevice(false);
    BuildProfileMenu(false);
    MainWindow().SetApplyEnabled(false);
    return written ? 1 : 0;
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
    // A reason the language file lacks still reads, in the words the
    // command-line tool uses.
    return FormatText(LoadText("PROFILE_LOAD_REFUSED"), path) + "\n"
           + LoadTextOr(ProfileFaultTextKey(fault), ProfileFaultText(fault));
}
