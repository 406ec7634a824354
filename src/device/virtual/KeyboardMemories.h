#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// What the virtual keyboard's firmware holds: the memories the commands read
// and write, as plain data.

inline constexpr size_t VkParamBytes = 256; // three 42-byte records and spare room
inline constexpr size_t VkLightingRecordBytes = 42;
inline constexpr size_t VkKeyColorBytes = 3 * 512;
inline constexpr int VkProfiles = 3;

struct KeyboardMemories {
    uint16_t productId = 0x5000;
    int keyCount = 128;
    int keyMapBytes = 512;
    std::array<uint8_t, 44> deviceInfo{};
    std::array<uint8_t, VkParamBytes> params{};
    std::vector<uint8_t> keyMaps;       // VkProfiles × keyMapBytes
    std::vector<uint8_t> defaultKeyMap; // keyMapBytes
    std::vector<uint8_t> macroMemory;   // deviceInfo[11] × 128
    std::array<uint8_t, VkKeyColorBytes> keyColors{};

    uint8_t ActiveProfile() const { return deviceInfo[10]; }
    size_t MacroCapacity() const { return macroMemory.size(); }
    bool operator==(const KeyboardMemories&) const = default;
};
