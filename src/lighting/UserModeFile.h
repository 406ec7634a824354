#pragma once

#include "lighting/LightingRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The user mode file of a profile ("UserDengColor_<p>.userd" in the user's
// folder): the user modes of the per-key colour effect, their names, the
// mode chosen, and the painting tool with its two colours.
//
//   [PRESENTMODE] mode=n                  the chosen mode (default 0)
//   [MODENAME]    n=text                  name of mode n (default "0")
//   [Mode<n>]     k=r,g,b,mark            colour of key k (default 255,0,0,1)
//                 tool=0|1                painting tool (default 0)
//                 jcolor=r,g,b            base colour (default 0,0,0)
//                 color=r,g,b             paint colour (default 0,0,0)
//
// Reads never fail: a missing, damaged, huge or hostile file reads as its
// defaults. Writes go through the atomic INI writer, so an interrupted one
// leaves the file as it was.

// Modes 0..9 exist (the list shows 0..2, or 0..9 after restoring every
// profile); a stored mode outside them reads as 0.
inline constexpr int MaxUserMode = 9;
inline constexpr size_t UserModeValueChars = 260;

struct KeyColourEntry {
    Colour colour = MakeColour(255, 0, 0);
    uint8_t mark = 1; // 0 or 1; any other number reads as 1
    bool operator==(const KeyColourEntry&) const = default;
};

struct UserTools {
    int32_t tool = 0; // 0 paints with the paint colour, 1 with the base colour
    Colour baseColour = Black;
    Colour paintColour = Black;
    bool operator==(const UserTools&) const = default;
};

int32_t ReadUserMode(int profile);
bool WriteUserMode(int profile, int mode);
std::string ReadModeName(int profile, int mode);
bool WriteModeName(int profile, int mode, const std::string& text);
KeyColourEntry ReadKeyColour(int profile, int mode, int key);
bool WriteKeyColour(int profile, int mode, int key, Colour colour, int mark);
// Several keys of one mode in one write.
struct KeyColourWrite {
    int key;
    Colour colour;
    int mark;
};
bool WriteKeyColours(int profile, int mode, const std::vector<KeyColourWrite>& keys);
UserTools ReadTools(int profile, int mode);
// "tool", "jcolor" and "color", in that order.
bool WriteTools(int profile, int mode, const UserTools& tools);
// The user mode file of the profile becomes a copy of the installation's
// preset (an empty file, which reads as the defaults, when the preset is
// missing). true when the copy was written.
bool RestoreUserModeFile(int profile);

// Reads up to count numbers separated by commas from the start of text, as
// "%d,%d,..." does: the numbers found before the first thing that is not one
// (blanks before a number are skipped). Values beyond the int range are held
// at its ends. Returns how many were read.
int ParseNumberList(std::string_view text, int count, long long* out);
