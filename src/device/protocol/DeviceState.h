#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

// The keyboard's identity.
inline constexpr uint16_t KeyboardVendorId = 0x320F;
inline constexpr uint16_t ConfigUsagePage = 0xFF1C;
inline constexpr uint16_t ConfigUsage = 0x92;
inline constexpr uint16_t NotifyUsagePage = 0x000C;
inline constexpr uint16_t NotifyUsage = 0x0001;
inline constexpr int MaxKeyMapBytes = 512;
inline constexpr int DeviceInfoBytes = 44;
inline constexpr int DeviceInfoActiveProfile = 10;
inline constexpr int DeviceInfoMacroUnits = 11;
inline constexpr int DeviceInfoEffectCodes = 12;
inline constexpr int MacroUnitBytes = 128;

struct KeyboardModel {
    uint16_t productId;
    int32_t keyCount;
    int32_t keyMapBytes;
};
// The models the program knows; a product id not listed is not our keyboard.
inline constexpr std::array<KeyboardModel, 2> KeyboardModels = {{
    {0x0000, 126, 378},
    {0x5000, 128, 512},
}};
const KeyboardModel* ModelForProductId(uint16_t productId);

// 1 while the keyboard is connected: the device monitor has it open. The
// program's one answer to "is the keyboard there"; commands refuse to run
// while it is 0. Only the monitor (or a session that opens the channel
// itself, like rt604ctl's) writes it.
extern std::atomic<int32_t> g_deviceConnected;
// The keyboard's active profile 0..2, or -1 while it has not reported it.
extern std::atomic<int32_t> g_currentProfile;
// Bytes of macro memory the keyboard offers; read at every connection.
extern std::atomic<uint32_t> g_macroCapacity;
// Held over one request and its reply on the configuration channel, so that
// two threads never take each other's replies. Innermost lock of the program.
extern std::mutex g_deviceLock;

// The connected model's key count and key-map size; 126 and 378 until a
// keyboard is found, then the last model's values.
extern std::atomic<int32_t> g_keyCount;
extern std::atomic<int32_t> g_keyMapBytes;

// The keyboard's factory key map, read at every connection. The monitor
// writes it before it asks the window to reload; readers on other threads
// take g_defaultKeyMapLock or use CopyDefaultKeyMap.
extern std::array<uint8_t, MaxKeyMapBytes> g_defaultKeyMap;
extern std::mutex g_defaultKeyMapLock;
std::array<uint8_t, MaxKeyMapBytes> CopyDefaultKeyMap();
void StoreDefaultKeyMap(const std::array<uint8_t, MaxKeyMapBytes>& map, size_t bytes);
