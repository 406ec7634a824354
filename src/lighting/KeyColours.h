#pragma once

#include "lighting/LightingRecord.h"
#include "lighting/UserModeFile.h"

#include <array>
#include <cstdint>
#include <span>

// Per-key colours of the user-defined effect (20). The keyboard's lights form
// a 6 × 21 matrix; a key's colour index is row × 21 + column (0..125), the
// same numbering as the keyboard's colour memory (three bytes per index at
// profile × 512 + index × 3). The nine G keys share index 125, Fn is 110.

inline constexpr int KeyColourColumns = 21;
inline constexpr int KeyColourCount = 126;
inline constexpr int KeyColourTableBytes = 512; // per profile
inline constexpr int GKeyColourIndex = 125;
inline constexpr int FnColourIndex = 110;
inline constexpr uint16_t FnButtonId = 1174;
// Keys a per-key colour frame carries: 18 keys, 54 bytes.
inline constexpr int KeysPerColourFrame = 18;

// The colour index of a key button, G button or Fn (by control id), or -1.
int KeyColourIndexOf(uint16_t controlId);
// Every control that shows a key colour: the key buttons in the window's
// order, then the nine G buttons, then Fn.
std::span<const uint16_t> KeyColourButtons();

// The three profiles' colour tables, as the keyboard's colour memory should
// hold them. Filled from the user mode files; never read from the keyboard.
extern std::array<uint8_t, LightingProfiles * KeyColourTableBytes> g_keyColourTable;
Colour TableColour(int profile, int index);
void SetTableColour(int profile, int index, Colour colour);

// The user modes of the viewed profile as loaded: the chosen mode, the
// painting tool and its two colours, and for every profile each key's
// base-colour mark (1: the key follows a change of the base colour). The G
// keys share one colour and so one mark.
struct UserModeState {
    int32_t userMode = 0;
    UserTools tools;
    std::array<std::array<uint8_t, KeyColourCount>, LightingProfiles> marks{};
};
extern UserModeState g_userModes;
bool MarkOf(int profile, int index);

struct PaintResult {
    bool painted = false;
    int index = -1;            // the colour index painted
    Colour colour = Black;     // the colour the key has now
    int32_t deviceResult = 1;  // of the keyboard's write group
    bool fileSaved = true;     // the user mode file took the colour
};
// A key button, G button or Fn pressed in the lighting view. Only while the
// effect list shows the per-key colour effect: the key takes the paint
// colour (tool 0, mark 0) or the base colour (tool 1, mark 1), is written to
// the keyboard in one group and, once the keyboard took it, stored in the
// table and the user mode file. A group the keyboard did not take changes
// nothing (colour is then the key's old one).
PaintResult PaintKey(uint16_t controlId);

// The viewed profile's whole table in g_keyCount / 18 + 1 frames of 54 bytes
// (keys 0, 18, 36, ...) inside one group. 1, or the first failing result.
int32_t SendKeyColours();

// A new base colour: every marked key takes it and the table is sent; once
// the keyboard took it, the base colour and the keys (mark 1) go into the
// user mode file. Nothing happens when the colour is the base colour already
// (returns 0). 1 done; KeyColoursNotSaved when the keyboard took it but the
// file did not; otherwise the send's failing result, and then the base
// colour and the table are as before and the old table is sent back.
inline constexpr int32_t KeyColoursNotSaved = -401;
int32_t ApplyBaseColour(Colour colour);
// A new paint colour or tool, kept in the user mode file.
void SetPaintColour(Colour colour);
void ChooseTool(int tool);

// For every profile, each key's mark becomes whether its colour is the base
// colour.
void ComputeMarks();
