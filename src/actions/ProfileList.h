#pragma once

#include "base/UserPrompts.h"
#include "config/ProfileFile.h"

#include <cstdint>
#include <string>
#include <vector>

// The profile manager's rows and what its buttons do, without the window:
// the keyboard's three profiles first, then the profile files the owner
// added or loaded, which the settings keep from one opening to the next.

struct ProfileRow {
    std::string name;   // a file row's base name, without its extension
    std::string folder; // a file row's folder, with a trailing '/'
    // 0..2 for the keyboard's own profiles (no file: name and folder empty);
    // -1 for a file.
    int profile = -1;
    // A file row whose file was not there when the list was read.
    bool missing = false;
};

// The keyboard's three profiles.
std::vector<ProfileRow> KeyboardProfileRows();
// A file's row; missing when the file is not there.
ProfileRow ProfileRowForFile(const std::string& path);
// A file row's path as the settings keep it: folder + name + ".vpf".
std::string ProfileRowValue(const ProfileRow& row);

// Section "PROFILES" of the application settings: "PROFILE00" the number of
// file rows (decimal), "PROFILE01", "PROFILE02"… their paths, in one atomic
// write. The keyboard's rows are not kept: they are always there. Values of
// rows beyond the count are left as they are and never read. false when
// nothing could be written.
bool WriteProfileListSettings(const std::vector<ProfileRow>& rows);
// The file rows the settings keep, in their order, each marked missing when
// its file is gone. Rows that older versions wrote for the keyboard's
// profiles (the cache file's "$Profile0.vpf") are no files of the owner's
// and are dropped.
std::vector<ProfileRow> ReadProfileListSettings();
// What the manager opens with: the keyboard's rows, then the kept files.
std::vector<ProfileRow> ProfileManagerRows();

// Results of the manager's Apply; every failure has been told the owner.
inline constexpr int32_t ProfileListApplied = 1;
inline constexpr int32_t ProfileListNotSaved = -1;    // the rows could not be kept (the rest was done)
inline constexpr int32_t ProfileEditsNotWritten = -2; // the unapplied edits failed: nothing switched or loaded
inline constexpr int32_t ProfileSwitchRefused = -3;   // the keyboard kept its active profile
inline constexpr int32_t ProfileFileRefused = -4;     // the ticked file is missing or invalid: nothing loaded
inline constexpr int32_t ProfileLoadDeclined = -5;    // the owner kept the unapplied edits: nothing loaded
inline constexpr int32_t ProfileFileNotWritten = -6;  // the file is loaded, but the keyboard did not take it

// The manager's Apply. The rows are kept first. Then the ticked row:
// - one of the keyboard's profiles becomes its active one. Unapplied key
//   edits of the main window are offered to the keyboard first
//   ("PROFILE_SELECT_PROMPT"); when Yes and they cannot be written, nothing
//   is switched. No lets the reload drop them. The document is then rebuilt
//   from the keyboard, so the window shows what it holds, switched or not;
// - a file is loaded into the keyboard as Import does (all three profiles
//   and the macros), after the question whether unapplied edits may be
//   replaced ("PROFILE_LOAD_UNAPPLIED_PROMPT"); a missing or invalid file is
//   refused with the reason "rt604ctl validate" gives;
// - none: only the reload.
// The profile menu follows. The first failure's code, or ProfileListApplied.
int32_t ApplyProfileList(const std::vector<ProfileRow>& rows, int tickedRow);

// File dialogs of New (a save dialog named userFolder + "PROFILE_NEW") and
// Load (an open dialog in userFolder).
FileChoice NewProfileFileChoice();
FileChoice LoadProfileFileChoice();
// New: a default profile file at path (flag 0, no macros, no strings).
int32_t CreateNewProfileFile(const std::string& path);

// Load: the file is checked as "rt604ctl validate" checks it; a file that
// fails is refused with a message naming it and the reason.
// ProfileFault::None when the row may be added.
ProfileFault CheckProfileFileToAdd(const std::string& path);
// The refusal: "PROFILE_LOAD_REFUSED" with the path, then the reason's text.
std::string ProfileLoadRefusal(const std::string& path, ProfileFault fault);
// The same for a ticked file that cannot be loaded ("PROFILE_FILE_REFUSED").
std::string ProfileFileRefusal(const std::string& path, ProfileFault fault);
// The language key of a fault's reason ("PROFILE_FAULT_...").
const char* ProfileFaultTextKey(ProfileFault fault);
