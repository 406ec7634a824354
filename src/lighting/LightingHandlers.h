#pragma once

#include "lighting/LightingRecord.h"

#include <cstdint>

// What each control of the lighting panel does to the keyboard and to the
// lighting state. Every write is one group: BeginUpdate, one or more
// WriteParams at viewedProfile × 42 + the field's offset, EndUpdate. The
// state changes whether or not the keyboard answered; the result (1, or the
// first failing command's) is for callers that report it, the window does not.

// The effect of list entry listIndex: its code at byte 0 and, for the
// effects that take it, the multicolour byte at 4. A code without a row in
// the effect table writes nothing. Either way the code becomes effectCode
// and the preview starts again. An index outside the list does nothing (0).
int32_t SelectEffect(int listIndex);
// The same for a code, whether or not the list holds it.
int32_t SelectEffectCode(int code);

// Slider positions 0..5. Brightness writes the position at byte 1, speed
// writes 5 - position at byte 2; a value the state already holds sends
// nothing (result 1), as does a position outside 0..5 (result 0).
int32_t SetBrightness(int position);
int32_t SetSpeedPosition(int position);

// DirectionForward (0xFF, the left picture) or DirectionBackward (0x00).
int32_t SetDirection(uint8_t value);
// Turns multicolour off and writes byte 4 = 0, then the colour at 5..7, in
// one group.
int32_t SetEffectColour(Colour colour);
int32_t ToggleMulticolour();
// 0 red, 1 yellow, 2 green, 3 blue at byte 17.
int32_t SetColourChoice(int choice);
// Report-rate button 0..3 at byte 15.
int32_t SetReportRate(int rate);

// The 35 bytes of FactoryLightingRecord at the viewed record in one group;
// the state takes the factory values too.
int32_t WriteLightingDefaults();
// The restore-defaults command for the viewed profile's lighting: effect 1
// chosen as the effect list would choose it, then (when the keyboard offers
// effect 20) the user mode file restored from the preset and its colours
// sent, then WriteLightingDefaults.
int32_t RestoreLightingDefaults();
