#include "config/DeviceKeyMap.h"

#include <algorithm>
#include <array>

#include "config/AssignmentType.h"
#include "device/protocol/DeviceState.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "macro/MacroAction.h"

namespace {

constexpr uint8_t ModifierByte = 1;
constexpr uint8_t UsageByte = 2;
constexpr uint8_t ButtonByte = 1;
constexpr uint8_t WheelByte = 5;

int PositionCount(size_t mapBytes, int keyCount)
{
    if (keyCount <= 0)
        return 0;
    return static_cast<int>(std::min(static_cast<size_t>(keyCount), mapBytes / KeyMapEntryBytes));
}

KeyMapEntry EncodeKeySlot(uint32_t value)
{
    if (int bit = ModifierBitOf(value); bit >= 0)
        return {EntryKeyboard, ModifierByte, static_cast<uint8_t>(1u << bit)};
    switch (value) {
    case KeyCodes::MouseLeft: return {EntryMouse, ButtonByte, 1};
    case KeyCodes::MouseRight: return {EntryMouse, ButtonByte, 2};
    case KeyCodes::MouseMiddle: return {EntryMouse, ButtonByte, 4};
    case KeyCodes::WheelUp: return {EntryMouse, WheelByte, 1};
    case KeyCodes::WheelDown: return {EntryMouse, WheelByte, 0xFF};
    default: break;
    }
    // A key code wider than 16 bits names no key of the table.
    uint8_t usage = 0;
    if (value <= 0xFFFF) {
        const UsagePair pair = KeyCodeToUsage(static_cast<uint16_t>(value));
        if (pair.kind == 7)
            usage = static_cast<uint8_t>(pair.value);
    }
    return {EntryKeyboard, UsageByte, usage};
}

// What a changed entry of a map read from the keyboard becomes in its slot.
// The slot has been reset and is type 1 unless a rule below names the entry.
void ImportEntry(KeySlot& slot, const KeyMapEntry& entry)
{
    slot.SetType(AssignDisabled);
    switch (entry.kind) {
    case EntryMacro:
        if (entry.byte1 == MacroPlay) {
            // Macros read back from the keyboard get the ids 1..N in image order.
            slot.SetType(AssignMacro);
            slot.SetValue(uint32_t{entry.byte2} + 1);
        } else if (entry.byte1 == MacroStop) {
            slot.SetType(AssignStopMacro);
        } else if (entry.byte1 == MacroFunction) {
            slot.SetType(AssignFunction);
            slot.SetValue(entry.byte2);
        }
        break;
    case EntryConsumer:
        if (std::optional<int> media = MediaIndexOfUsage(static_cast<uint16_t>(entry.byte1 | (entry.byte2 << 8)))) {
            slot.SetType(AssignMedia);
            slot.SetValue(static_cast<uint32_t>(*media));
        }
        break;
    case EntryMouse: {
        // Only the five mouse actions the keyboard sends; anything else stays
        // a disabled key rather than a type-2 slot with no key.
        const uint16_t code = DecodeAction(ActionMouse, entry.byte1, entry.byte2);
        if (code != 0) {
            slot.SetType(AssignKey);
            slot.SetValue(code);
        }
        break;
    }
    case EntryKeyboard:
        if (entry.byte1 == UsageByte) {
            const uint16_t code = UsageToKeyCode({7, entry.byte2});
            if (code != 0) {
                slot.SetType(AssignKey);
                slot.SetValue(code);
            }
        } else if (entry.byte1 == ModifierByte) {
            slot.SetType(AssignKey);
            slot.SetValue(ModifierOfMask(entry.byte2));
        }
        break;
    default:
        break;
    }
}

} // namespace

KeyMapEntry ReadKeyMapEntry(std::span<const uint8_t> map, int position)
{
    if (position < 0)
        return {};
    const size_t at = static_cast<size_t>(position) * KeyMapEntryBytes;
    if (at + KeyMapEntryBytes > map.size())
        return {};
    return {map[at], map[at + 1], map[at + 2]};
}

void WriteKeyMapEntry(std::span<uint8_t> map, int position, const KeyMapEntry& entry)
{
    if (position < 0)
        return;
    const size_t at = static_cast<size_t>(position) * KeyMapEntryBytes;
    if (at + KeyMapEntryBytes > map.size())
        return;
    map[at] = entry.kind;
    map[at + 1] = entry.byte1;
    map[at + 2] = entry.byte2;
}

uint16_t DecodeEntry(const KeyMapEntry& entry)
{
    switch (entry.kind) {
    case EntryMouse:
    case EntryKeyboard:
    case EntryConsumer:
    case EntrySystem:
    case EntryMacroKey:
        return DecodeAction(entry.kind, entry.byte1, entry.byte2);
    default:
        return 0;
    }
}

KeyMapEntry EncodeSlot(const KeySlot& slot, const KeyMapEntry& factoryEntry, int macroPosition)
{
    switch (slot.Type()) {
    case AssignDisabled:
    case AssignText:
        return {};
    case AssignKey:
        return EncodeKeySlot(slot.Value());
    case AssignMacro:
        return {EntryMacro, MacroPlay, static_cast<uint8_t>(std::clamp(macroPosition, 0, 255))};
    case AssignStopMacro:
        return {EntryMacro, MacroStop, 0};
    case AssignMedia: {
        const uint32_t value = slot.Value();
        const uint16_t usage = value < MediaTable.size() ? MediaUsage(static_cast<int>(value)) : 0;
        return {EntryConsumer, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)};
    }
    case AssignFunction:
        return {EntryMacro, MacroFunction, static_cast<uint8_t>(slot.Value() & 0xFF)};
    default:
        // Type 0, a program launch (the keyboard cannot start programs) and
        // types no editor makes keep the factory function.
        return factoryEntry;
    }
}

std::vector<uint8_t> BuildProfileKeyMap(const ConfigBlock& block, int group, std::span<const uint8_t> factoryMap,
                                        int keyCount, std::span<const uint16_t> macroIds, bool& usesMacro)
{
    std::vector<uint8_t> map(factoryMap.begin(), factoryMap.end());
    if (group < 0 || group >= SlotGroupCount)
        return map;
    const int positions = PositionCount(map.size(), keyCount);
    for (int i = 0; i < positions; ++i) {
        const KeyMapEntry factory = ReadKeyMapEntry(map, i);
        const uint16_t keyCode = DecodeEntry(factory);
        if (keyCode == 0)
            continue;
        const uint16_t keyIndex = KeyCodeToIndex(keyCode);
        if (keyIndex >= SlotsPerGroup)
            continue;
        const KeySlot slot = ReadKeySlot(block, SlotsPerGroup * group + keyIndex);
        int macroPosition = 0;
        if (slot.Type() == AssignMacro) {
            usesMacro = true;
            const auto found = std::find(macroIds.begin(), macroIds.end(), slot.Value());
            if (found != macroIds.end())
                macroPosition = static_cast<int>(found - macroIds.begin());
        }
        WriteKeyMapEntry(map, i, EncodeSlot(slot, factory, macroPosition));
    }
    return map;
}

void ResetSlotGroup(ConfigBlock& block, int group)
{
    if (group < 0 || group >= SlotGroupCount)
        return;
    const size_t first = SlotOffset(SlotsPerGroup * group);
    std::fill(block.bytes.begin() + static_cast<std::ptrdiff_t>(first),
              block.bytes.begin() + static_cast<std::ptrdiff_t>(first + SlotsPerGroup * KeySlotSize), uint8_t{0});
    for (size_t n = 0; n < MacroKeyIdentities.size(); ++n)
        SetSlotIdentity(block, SlotsPerGroup * group + MacroKeySlotFirst + static_cast<int>(n), MacroKeyIdentities[n]);
}

void ImportKeyMap(ConfigBlock& block, int group, std::span<const uint8_t> map, std::span<const uint8_t> factoryMap,
                  int keyCount)
{
    if (group < 0 || group >= SlotGroupCount)
        return;
    ResetSlotGroup(block, group);
    const int positions = PositionCount(std::min(map.size(), factoryMap.size()), keyCount);
    for (int i = 0; i < positions; ++i) {
        const KeyMapEntry entry = ReadKeyMapEntry(map, i);
        const KeyMapEntry factory = ReadKeyMapEntry(factoryMap, i);
        if (entry == factory)
            continue;
        const uint16_t keyCode = DecodeEntry(factory);
        if (keyCode == 0)
            continue;
        const uint16_t keyIndex = KeyCodeToIndex(keyCode);
        if (keyIndex >= SlotsPerGroup)
            continue;
        const int slotNumber = SlotsPerGroup * group + keyIndex;
        KeySlot slot = ReadKeySlot(block, slotNumber);
        ImportEntry(slot, entry);
        WriteKeySlot(block, slotNumber, slot);
    }
}

void ImportKeyMap(ConfigBlock& block, int group, std::span<const uint8_t> map)
{
    const std::array<uint8_t, MaxKeyMapBytes> factory = CopyDefaultKeyMap();
    const size_t bytes = std::min<size_t>(static_cast<size_t>(std::max(0, g_keyMapBytes.load())), factory.size());
    ImportKeyMap(block, group, map, std::span<const uint8_t>(factory.data(), bytes), g_keyCount.load());
}
