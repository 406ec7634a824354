#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The user modes of the viewed profile: loading one into the key colour
// table, choosing and renaming one, and restoring a profile's user mode file
// from the installation's preset.

enum class LoadOnly { No, Yes };

// The viewed profile's chosen mode, its tools and every key's colour and
// mark, then (unless only loading is asked for) the whole table to the
// keyboard. The send's result, or 1 when nothing was sent.
int32_t LoadUserModes(LoadOnly loadOnly = LoadOnly::No);

// The names of modes 0..count-1 of the viewed profile, for the mode list.
std::vector<std::string> UserModeNames(int count);
inline constexpr int ListedUserModes = 3;
inline constexpr int ListedUserModesAfterReset = 10;

// A mode picked in the list: stored as the chosen one, then loaded and sent.
int32_t ChooseUserMode(int mode);
// The name of the chosen mode (at most 259 characters are kept).
void RenameUserMode(const std::string& text);

// The viewed profile's user mode file from the preset, loaded and sent.
int32_t RestoreUserColourDefaults();
// Profile p's user mode file from the preset and its colours loaded, not
// sent (the keyboard has reset its own); p becomes the viewed profile.
void RestoreUserModesOfProfile(int profile);
