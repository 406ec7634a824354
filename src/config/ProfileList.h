#pragma once

#include "app/UserPrompts.h"
#include "config/ProfileFile.h"

#include <cstdint>
#include <string>
#include <vector>

// The profile manager's rows and what its buttons do, without the window:
// one row per profile file, the keyboard's three profiles first (all three
// in the one cache file), then the files the owner added or loaded.

struct ProfileRow {
    std::string name;   // the file's base name, without its extension
    std::string folder; // the file's folder, with a trailing '/'
    // 0..2 for the keyboard's own profiles; -1 for an added file.
    int profile = -1;
};

// The rows the manager opens with: the cache file once per profile.
std::vector<ProfileRow> KeyboardProfileRows();
ProfileRow ProfileRowForFile(const std::string& path);
// What the settings keep of a row: folder + name + ".vpf".
std::string ProfileRowValue(const ProfileRow& row);

// Section "PROFILES" of the application settings: "PROFILE01", "PROFILE02"…
// hold the rows' values, then "PROFILE00" the number of rows (decimal).
// Values of rows beyond the count are left as they are; nothing reads them.
// false when a value could not be written.
bool WriteProfileListSettings(const std::vector<ProfileRow>& rows);

// The manager's Apply: unapplied key edits of the main window are offered
// to the keyboard first ("PROFILE_SELECT_PROMPT"; No lets the reload drop
// them); then the settings, then the ticked row's index becomes the
// keyboard's active profile (none ticked: -1, no switch; an added file's row
// is no profile of the keyboard's three, so it switches nothing either), the
// document is rebuilt from the keyboard, the profile menu follows and the
// main window's Apply is disabled. 1 when the settings were written.
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
// The language key of a fault's reason ("PROFILE_FAULT_...").
const char* ProfileFaultTextKey(ProfileFault fault);
