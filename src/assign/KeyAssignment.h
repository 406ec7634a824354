#pragma once

#include <cstdint>
#include <string>

#include "config/AssignmentType.h"
#include "config/ConfigDocument.h"

// The longest prompt a key button carries, in characters.
inline constexpr size_t MaxPromptChars = 259;

// Stores an assignment into the key's slot of the current profile under the
// document lock, following the store rules, and updates the key's button.
// keyIndex: 0..255 or 256 + n for macro key G(n + 1). For type 4 value is
// the macro id (0 or a missing macro: the key becomes type 0) and playCount
// goes into the identity word. Returns 1 when stored, 0 when refused (no
// profile is current, or the key index is out of range).
int32_t StoreKeyAssignment(uint16_t keyIndex, uint16_t type, uint32_t value, uint16_t playCount);

// The prompt texts of a key button (at most MaxPromptChars characters); the
// caller holds the document lock (type-4 names come from the macros).
std::string KeyPromptText(uint16_t keyCode, const KeySlot& slot);
std::string MacroKeyPromptText(int macroKeyPosition, const KeySlot& slot);
// Set a button's look and prompt from a slot.
void DescribeKey(uint16_t controlId, uint16_t keyCode, const KeySlot& slot);
void DescribeMacroKey(uint16_t controlId, int macroKeyPosition, const KeySlot& slot);

// The slot group shown on the key buttons: the current profile, or group 0
// (the keyboard's first profile) while no profile is known.
int ShownSlotGroup();
// Prompts of the nine macro keys and the 106 key buttons from the shown group.
void RefreshKeyDescriptions();
// Looks and prompts of every button from the shown group, then one repaint.
void RefreshKeyButtons();
// slotNumber is a block slot number (0..2047). When it lies in the shown slot
// group and is a macro-key slot 256 + n or the key index of a button of
// ButtonKeyTable, that button gets the default look and its plain name;
// other numbers do nothing (their buttons show another profile).
void ClearKeyDescription(int slotNumber);
// Zeroes the macro-key slots 256..264 and the 106 button slots of a profile
// (0..3), shows them unassigned and enables Apply. profile < 0: the current
// profile (nothing happens while none is known). Strings are left alone.
void ResetProfileKeys(int profile);
