#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "config/ConfigDocument.h"

// The keyboard's own key map: per profile one 3-byte entry per key position
// (kind, byte 1, byte 2), saying what that position produces. The factory
// map's entry i names the key that sits at position i.

inline constexpr size_t KeyMapEntryBytes = 3;

enum KeyMapKind : uint8_t {
    EntryNothing = 0,
    EntryMouse = 1,
    EntryKeyboard = 2,
    EntryConsumer = 3,
    EntrySystem = 4,
    EntryMacro = 5,
    EntryMacroKey = 6,
};

// Byte 1 of a kind-5 entry.
inline constexpr uint8_t MacroPlay = 1;
inline constexpr uint8_t MacroStop = 2;
inline constexpr uint8_t MacroFunction = 5;

struct KeyMapEntry {
    uint8_t kind = EntryNothing;
    uint8_t byte1 = 0;
    uint8_t byte2 = 0;
    bool operator==(const KeyMapEntry&) const = default;
};

// Entry i of a map; an all-zero entry for a position past the map's end.
KeyMapEntry ReadKeyMapEntry(std::span<const uint8_t> map, int position);
void WriteKeyMapEntry(std::span<uint8_t> map, int position, const KeyMapEntry& entry);

// The key code an entry stands for, through the macro image's decoding table
// (kinds 1, 2, 3, 4 and 6); 0 when it names no key (kinds 0 and 5 included).
uint16_t DecodeEntry(const KeyMapEntry& entry);

// The entry the keyboard gets for a key slot, given the factory entry of the
// key's position. macroPosition is the 0-based position of a type-4 slot's
// macro in the macro image (0 when no macro has the id).
KeyMapEntry EncodeSlot(const KeySlot& slot, const KeyMapEntry& factoryEntry, int macroPosition);

// One profile's key map built from slot group `group` (0..3) of a block:
// the factory map's first keyMapBytes bytes, with every position whose
// factory entry decodes to a key replaced by the encoding of that key's slot.
// macroIds are the ids of the macros in image order; a type-4 slot plays the
// first macro with its id (position 0 when none has it). usesMacro is set
// when a type-4 slot was encoded.
std::vector<uint8_t> BuildProfileKeyMap(const ConfigBlock& block, int group, std::span<const uint8_t> factoryMap,
                                        int keyCount, std::span<const uint16_t> macroIds, bool& usesMacro);

// Resets a slot group to its default state (all zero, then the macro-key
// identities in slots 256..273) and fills it from a key map read from the
// keyboard, comparing each entry with the factory map's. group 0..3.
void ImportKeyMap(ConfigBlock& block, int group, std::span<const uint8_t> map, std::span<const uint8_t> factoryMap,
                  int keyCount);
// The same with the connected keyboard's factory map and key count.
void ImportKeyMap(ConfigBlock& block, int group, std::span<const uint8_t> map);

void ResetSlotGroup(ConfigBlock& block, int group);
