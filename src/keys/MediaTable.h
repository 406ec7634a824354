#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct MediaEntry {
    uint16_t consumerUsage; // HID consumer usage (page 0x0C)
    uint16_t keyCode;       // key whose record names the function
};
// Indexed by the media index a type-7 key slot stores.
extern const std::array<MediaEntry, 18> MediaTable;
// Entry p is the consumer usage of device code 0xC0 + p.
extern const std::array<uint16_t, 32> ConsumerUsageList;
// Language keys of the eleven keyboard functions, "FUNC_KEY_DESC1".."FUNC_KEY_DESC11".
extern const std::array<const char*, 11> KeyboardFunctions;

struct MouseAction {
    uint16_t keyCode;
    const char* languageKey;
};
// The mouse actions offered for a type-2 assignment, in list order.
extern const std::array<MouseAction, 5> MouseActions;

uint16_t MediaUsage(int mediaIndex);
uint16_t MediaKeyCode(int mediaIndex);
std::optional<int> MediaIndexOfUsage(uint16_t usage);
bool IsMediaKeyCode(uint16_t keyCode);
std::string KeyboardFunctionKey(int functionIndex);
