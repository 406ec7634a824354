#pragma once

#include <array>
#include <cstdint>
#include <string>

// Keys are named by a key index (0..255: set-1 scan code, +128 for keys sent
// with the 0xE0 prefix; 256 + n for macro key n) or by a 16-bit key code
// (index below 128 unchanged, else index + 128; 512 + n for macro key n).
// Everything here is constant data and pure functions, safe on any thread.

struct KeyRecord {
    uint8_t vk = 0;            // Windows virtual-key code
    uint16_t listCode = 0xFFFF; // position in the key choice list; 0xFFFF when empty
    const char* label = "";    // English label, identifies the key in the table
    uint8_t altVk = 0;         // second virtual key (numeric pad with Num Lock off)
    uint8_t deviceCode = 0;    // the key's byte in the keyboard's usage encoding
    const char* languageKey = ""; // key of the visible name; empty for unnamed keys
};

extern const std::array<KeyRecord, 256> KeyTable;
extern const std::array<uint8_t, 256> VkIndexTable;

struct ButtonKey {
    uint16_t controlId;
    uint16_t keyCode;
};
// The main window's key buttons in position order (the order whole-keyboard
// operations visit keys).
extern const std::array<ButtonKey, 106> ButtonKeyTable;
// Control ids of the G1..G9 buttons; position n stands for key index 256 + n.
extern const std::array<uint16_t, 9> MacroKeyButtons;

struct UsagePair {
    uint16_t kind = 0; // 0 none, 1 system control, 2 mouse, 7 keyboard/device code, 12 consumer
    uint16_t value = 0;
    bool operator==(const UsagePair&) const = default;
};

namespace KeyCodes {
inline constexpr uint16_t LeftCtrl = 29, LeftShift = 42, LeftAlt = 56, LeftWin = 347;
inline constexpr uint16_t RightCtrl = 285, RightShift = 54, RightAlt = 312, RightWin = 348;
inline constexpr uint16_t App = 349, Pause = 69, NumLock = 325, PrintScreen = 311;
inline constexpr uint16_t MouseLeft = 369, MouseRight = 370, MouseMiddle = 371;
inline constexpr uint16_t WheelUp = 353, WheelDown = 354;
} // namespace KeyCodes

uint16_t IndexToKeyCode(uint16_t keyIndex);
uint16_t KeyCodeToIndex(uint16_t keyCode);
// The record of a key code's index; an empty record for indices past 255.
const KeyRecord& KeyRecordOf(uint16_t keyCode);

// The key's visible name in the current language, or the "UNKNOWN_KEY" text
// formatted with the code; cut to maxChars - 1 characters (callers pass 260).
std::string GetKeyName(uint16_t keyCode, size_t maxChars = 260);
std::string GetListName(uint16_t listCode);
uint16_t ListCodeToKeyCode(uint16_t listCode);
uint16_t KeyCodeToListCode(uint16_t keyCode);

UsagePair KeyCodeToUsage(uint16_t keyCode);
uint16_t UsageToKeyCode(UsagePair usage);
// The first key (lowest index) whose device code is the given byte, 0 when none.
uint16_t DeviceCodeToKeyCode(uint8_t deviceCode);

uint16_t VkToKeyCode(uint8_t vk);
uint16_t KeyCodeFromKeystroke(uint8_t vk, uint32_t keystrokeData);
int NeedsSyntheticPress(uint16_t keyCode);

// The keyboard encodes the eight modifier keys as bits of one byte: bit 0
// left Ctrl, 1 left Shift, 2 left Alt, 3 left Windows, 4..7 the right ones.
// The bit of a modifier key, or -1 for any other key.
int ModifierBitOf(uint32_t keyCode);
// The modifier of the lowest set bit of a mask; 0 for an empty mask.
uint16_t ModifierOfMask(uint8_t mask);
