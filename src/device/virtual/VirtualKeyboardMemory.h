#pragma once

#include "device/protocol/CommandFrame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The virtual keyboard's firmware: its memories and how it answers one
// request frame. No threads or timing here; VirtualKeyboard adds those.

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

// The factory state of a model (product 0x5000 or 0) with a macro memory of
// macroUnits × 128 bytes.
KeyboardMemories FactoryMemories(uint16_t productId, uint8_t macroUnits);
// The factory key map: position k holds the key whose light has colour
// index k (row × 21 + column); positions 126 and 127 exist on the 128-key model.
std::vector<uint8_t> FactoryKeyMap(uint16_t productId);
// The key code at each position of the factory map (0 for none): G keys as
// 511 + n, Fn and empty positions 0. Sized to the model's key count.
std::vector<uint16_t> FactoryKeyCodes(uint16_t productId);
inline constexpr int FnPosition = 110;

struct FirmwareOutcome {
    std::optional<Frame> reply; // none for the loader switch
    bool changedMemory = false;
    bool enterLoader = false;
    bool endUpdate = false;
    uint32_t faults = 0; // FrameFault bits of a refused frame
};

// Answers one request as the keyboard does: a bad checksum is refused with
// 0xFF and every other broken rule (VirtualKeyboardChecks.h) with 0xFE, both
// without changing anything. groupOpen is the keyboard's BeginUpdate state:
// BeginUpdate opens it, EndUpdate closes it.
FirmwareOutcome HandleRequest(KeyboardMemories& memories, const Frame& request, bool& groupOpen);
// The same for a frame on its own, with no group open.
FirmwareOutcome HandleRequest(KeyboardMemories& memories, const Frame& request);

// The keyboard's own effect key: the active profile's record (byte 0) takes
// the next effect code of the information block after the one it holds,
// wrapping round and skipping empty entries. false when it offers none.
bool NextEffectOnKeyboard(KeyboardMemories& memories);

// Report descriptors of the virtual keyboard's interfaces.
// The keyboard's interface: the vendor collection (report 4, 63 data bytes
// each way) first, then Consumer Control (report 3, one 16-bit usage).
const std::vector<uint8_t>& KeyboardReportDescriptor();
// An ordinary three-button mouse of another vendor.
const std::vector<uint8_t>& MouseReportDescriptor();
inline constexpr uint8_t NoticeReportId = 3;
