#include "device/virtual/VirtualKeyboardFactory.h"

#include "device/protocol/DeviceState.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

#include <algorithm>

namespace {

constexpr uint16_t G(int n)
{
    return static_cast<uint16_t>(511 + n);
}

// Key code at each light position (row × 21 + column). The G keys and a few
// media keys sit on positions that have no light of their own.
constexpr std::array<uint16_t, 128> PositionKeyCodes = {
    // row 0: Esc, F1..F12, G1, Print Screen, Scroll Lock, Pause, G2..G5
    1, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88, G(1), 311, 70, 69, G(2), G(3), G(4), G(5),
    // row 1: ` 1..0 - = Backspace Insert Home PgUp NumLock / * -
    41, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 338, 327, 329, 325, 309, 55, 74,
    // row 2: Tab Q..P [ ] \ Delete End PgDn 7 8 9 +
    15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 43, 339, 335, 337, 71, 72, 73, 78,
    // row 3: Caps A..L ; ' G6 Enter G7 G8 G9 4 5 6 Mute
    58, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, G(6), 28, G(7), G(8), G(9), 75, 76, 77, 288,
    // row 4: LShift K45 Z..M , . / K56 RShift Play/Pause Up V- 1 2 3 Enter
    42, 86, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 115, 54, 290, 328, 302, 79, 80, 81, 284,
    // row 5: LCtrl LWin LAlt Space RAlt Fn Menu RWin RCtrl V+ - - - - Left Down Right - 0 . (G light)
    29, 347, 56, 57, 312, 0, 349, 348, 285, 304, 0, 0, 0, 0, 331, 336, 333, 0, 82, 83, 0,
    // the 128-key model's two extra positions: Prev Track, Next Track
    272, 281,
};

constexpr std::array<uint16_t, 8> ModifierCodes = {29, 42, 56, 347, 285, 54, 312, 348};

void EncodeFactoryEntry(uint16_t keyCode, uint8_t* entry)
{
    entry[0] = entry[1] = entry[2] = 0;
    if (keyCode == 0)
        return;
    if (keyCode >= 512) {
        entry[0] = 6;
        entry[1] = 0xA2;
        entry[2] = static_cast<uint8_t>(keyCode - 511);
        return;
    }
    for (size_t bit = 0; bit < ModifierCodes.size(); ++bit) {
        if (ModifierCodes[bit] == keyCode) {
            entry[0] = 2;
            entry[1] = 1;
            entry[2] = static_cast<uint8_t>(1u << bit);
            return;
        }
    }
    const uint8_t deviceCode = KeyRecordOf(keyCode).deviceCode;
    if (deviceCode >= 0xC0 && deviceCode < 0xC0 + ConsumerUsageList.size()) {
        const uint16_t usage = ConsumerUsageList[deviceCode - 0xC0];
        entry[0] = 3;
        entry[1] = static_cast<uint8_t>(usage);
        entry[2] = static_cast<uint8_t>(usage >> 8);
        return;
    }
    entry[0] = 2;
    entry[1] = 2;
    entry[2] = deviceCode;
}

// Effect codes 1..18 and 20 with the empty entries a real keyboard leaves.
constexpr std::array<uint8_t, 32> FactoryEffectCodes = {
    1, 2, 3, 4, 5, 0xFE, 6, 7, 8, 9, 10, 0, 11, 12, 13, 14, 15, 16, 17, 18, 0xFE, 20,
};

// Effect 1, brightness 4, speed 2, direction 0, multicolour on, white.
constexpr std::array<uint8_t, 8> FactoryLightingHead = {0x01, 0x04, 0x02, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};

} // namespace

std::vector<uint16_t> FactoryKeyCodes(uint16_t productId)
{
    const KeyboardModel* model = ModelForProductId(productId);
    const size_t keys = model ? static_cast<size_t>(model->keyCount) : 126;
    return std::vector<uint16_t>(PositionKeyCodes.begin(), PositionKeyCodes.begin() + keys);
}

std::vector<uint8_t> FactoryKeyMap(uint16_t productId)
{
    const std::vector<uint16_t> codes = FactoryKeyCodes(productId);
    std::vector<uint8_t> map(codes.size() * 3);
    for (size_t k = 0; k < codes.size(); ++k)
        EncodeFactoryEntry(codes[k], map.data() + 3 * k);
    return map;
}

KeyboardMemories FactoryMemories(uint16_t productId, uint8_t macroUnits)
{
    const KeyboardModel* model = ModelForProductId(productId);
    if (!model)
        model = ModelForProductId(0x5000);
    KeyboardMemories m;
    m.productId = model->productId;
    m.keyCount = model->keyCount;
    m.keyMapBytes = model->keyMapBytes;

    // Bytes 0..9 are the keyboard's own (firmware version and the like).
    const std::array<uint8_t, 10> head = {0x52, 0x54, 0x36, 0x30, 0x34, 0x01, 0x07, 0x00, 0x00, 0x00};
    std::copy(head.begin(), head.end(), m.deviceInfo.begin());
    m.deviceInfo[DeviceInfoActiveProfile] = 0;
    m.deviceInfo[DeviceInfoMacroUnits] = macroUnits;
    std::copy(FactoryEffectCodes.begin(), FactoryEffectCodes.end(), m.deviceInfo.begin() + DeviceInfoEffectCodes);

    for (int p = 0; p < VkProfiles; ++p)
        std::copy(FactoryLightingHead.begin(), FactoryLightingHead.end(),
                  m.params.begin() + p * VkLightingRecordBytes);

    m.defaultKeyMap = FactoryKeyMap(m.productId);
    m.defaultKeyMap.resize(static_cast<size_t>(m.keyMapBytes), 0);
    m.keyMaps.clear();
    for (int p = 0; p < VkProfiles; ++p)
        m.keyMaps.insert(m.keyMaps.end(), m.defaultKeyMap.begin(), m.defaultKeyMap.end());

    // No 0x55AA signature: the keyboard leaves the factory with no macros.
    m.macroMemory.assign(static_cast<size_t>(macroUnits) * MacroUnitBytes, 0);

    for (int p = 0; p < VkProfiles; ++p)
        std::fill_n(m.keyColors.begin() + p * 512, m.keyCount * 3, 0xFF);
    return m;
}

const std::vector<uint8_t>& KeyboardReportDescriptor()
{
    static const std::vector<uint8_t> descriptor = {
        0x06, 0x1C, 0xFF,       // Usage Page (0xFF1C)
        0x09, 0x92,             // Usage (0x92)
        0xA1, 0x01,             // Collection (Application)
        0x85, 0x04,             //   Report ID (4)
        0x15, 0x00,             //   Logical Minimum (0)
        0x26, 0xFF, 0x00,       //   Logical Maximum (255)
        0x75, 0x08,             //   Report Size (8)
        0x95, 0x3F,             //   Report Count (63)
        0x09, 0x01,             //   Usage (1)
        0x81, 0x02,             //   Input (Data, Variable, Absolute)
        0x09, 0x02,             //   Usage (2)
        0x91, 0x02,             //   Output (Data, Variable, Absolute)
        0xC0,                   // End Collection
        0x05, 0x0C,             // Usage Page (Consumer)
        0x09, 0x01,             // Usage (Consumer Control)
        0xA1, 0x01,             // Collection (Application)
        0x85, 0x03,             //   Report ID (3)
        0x15, 0x00,             //   Logical Minimum (0)
        0x26, 0xFF, 0x7F,       //   Logical Maximum (0x7FFF)
        0x19, 0x00,             //   Usage Minimum (0)
        0x2A, 0xFF, 0x7F,       //   Usage Maximum (0x7FFF)
        0x75, 0x10,             //   Report Size (16)
        0x95, 0x01,             //   Report Count (1)
        0x81, 0x00,             //   Input (Data, Array, Absolute)
        0xC0,                   // End Collection
    };
    return descriptor;
}

const std::vector<uint8_t>& MouseReportDescriptor()
{
    static const std::vector<uint8_t> descriptor = {
        0x05, 0x01, // Usage Page (Generic Desktop)
        0x09, 0x02, // Usage (Mouse)
        0xA1, 0x01, // Collection (Application)
        0x09, 0x01, //   Usage (Pointer)
        0xA1, 0x00, //   Collection (Physical)
        0x05, 0x09, //     Usage Page (Button)
        0x19, 0x01, //     Usage Minimum (1)
        0x29, 0x03, //     Usage Maximum (3)
        0x15, 0x00, //     Logical Minimum (0)
        0x25, 0x01, //     Logical Maximum (1)
        0x95, 0x03, //     Report Count (3)
        0x75, 0x01, //     Report Size (1)
        0x81, 0x02, //     Input (Data, Variable, Absolute)
        0x95, 0x01, //     Report Count (1)
        0x75, 0x05, //     Report Size (5)
        0x81, 0x01, //     Input (Constant)
        0x05, 0x01, //     Usage Page (Generic Desktop)
        0x09, 0x30, //     Usage (X)
        0x09, 0x31, //     Usage (Y)
        0x15, 0x81, //     Logical Minimum (-127)
        0x25, 0x7F, //     Logical Maximum (127)
        0x75, 0x08, //     Report Size (8)
        0x95, 0x02, //     Report Count (2)
        0x81, 0x06, //     Input (Data, Variable, Relative)
        0xC0,       //   End Collection
        0xC0,       // End Collection
    };
    return descriptor;
}

KeyboardMemories FactoryMemories(const VirtualKeyboardOptions& options)
{
    KeyboardMemories m = FactoryMemories(options.productId, options.macroUnits);
    if (options.effectCodes)
        std::copy(options.effectCodes->begin(), options.effectCodes->end(), m.deviceInfo.begin() + DeviceInfoEffectCodes);
    return m;
}
