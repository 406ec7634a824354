#include "device/virtual/VirtualKeyboardState.h"

#include "device/protocol/DeviceState.h"
#include "platform/Bytes.h"

#include <algorithm>
#include <array>
#include <cstring>

// State file: a header, the memories back to back, and a CRC-32 of all that
// precedes it.
//   0  8  "RT604VKB"
//   8  2  format version (1)
//  10  2  product id
//  12  2  key-map bytes
//  14  2  0
//  16  4  macro memory bytes
//  20 44  device information, then 256 parameter bytes, 3 key maps, the
//         default key map, the macro memory, 1536 key-colour bytes, CRC-32
namespace {

constexpr char Magic[8] = {'R', 'T', '6', '0', '4', 'V', 'K', 'B'};
constexpr uint16_t FormatVersion = 1;
constexpr size_t HeaderBytes = 20;

uint32_t Crc32(const uint8_t* bytes, size_t size)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

size_t BodyBytes(size_t keyMapBytes, size_t macroBytes)
{
    return DeviceInfoBytes + VkParamBytes + 4 * keyMapBytes + macroBytes + VkKeyColorBytes;
}

} // namespace

std::vector<uint8_t> EncodeKeyboardState(const KeyboardMemories& m)
{
    std::vector<uint8_t> out(HeaderBytes);
    std::memcpy(out.data(), Magic, sizeof Magic);
    WriteU16(out.data(), 8, FormatVersion);
    WriteU16(out.data(), 10, m.productId);
    WriteU16(out.data(), 12, static_cast<uint16_t>(m.keyMapBytes));
    WriteU16(out.data(), 14, 0);
    WriteU32(out.data(), 16, static_cast<uint32_t>(m.macroMemory.size()));
    out.insert(out.end(), m.deviceInfo.begin(), m.deviceInfo.end());
    out.insert(out.end(), m.params.begin(), m.params.end());
    out.insert(out.end(), m.keyMaps.begin(), m.keyMaps.end());
    out.insert(out.end(), m.defaultKeyMap.begin(), m.defaultKeyMap.end());
    out.insert(out.end(), m.macroMemory.begin(), m.macroMemory.end());
    out.insert(out.end(), m.keyColors.begin(), m.keyColors.end());
    const uint32_t crc = Crc32(out.data(), out.size());
    out.resize(out.size() + 4);
    WriteU32(out.data(), out.size() - 4, crc);
    return out;
}

bool DecodeKeyboardState(const uint8_t* bytes, size_t size, KeyboardMemories& out)
{
    if (size < HeaderBytes + 4 || std::memcmp(bytes, Magic, sizeof Magic) != 0)
        return false;
    if (ReadU16(bytes, 8) != FormatVersion)
        return false;
    const KeyboardModel* model = ModelForProductId(ReadU16(bytes, 10));
    if (!model || ReadU16(bytes, 12) != model->keyMapBytes)
        return false;
    const uint32_t macroBytes = ReadU32(bytes, 16);
    if (macroBytes % MacroUnitBytes != 0 || macroBytes / MacroUnitBytes > 255)
        return false;
    const size_t keyMap = static_cast<size_t>(model->keyMapBytes);
    if (size != HeaderBytes + BodyBytes(keyMap, macroBytes) + 4)
        return false;
    if (Crc32(bytes, size - 4) != ReadU32(bytes, size - 4))
        return false;

    KeyboardMemories m;
    m.productId = model->productId;
    m.keyCount = model->keyCount;
    m.keyMapBytes = model->keyMapBytes;
    const uint8_t* p = bytes + HeaderBytes;
    std::copy_n(p, m.deviceInfo.size(), m.deviceInfo.begin());
    p += m.deviceInfo.size();
    if (m.deviceInfo[DeviceInfoActiveProfile] >= VkProfiles || m.deviceInfo[DeviceInfoMacroUnits] * MacroUnitBytes != macroBytes)
        return false;
    std::copy_n(p, m.params.size(), m.params.begin());
    p += m.params.size();
    m.keyMaps.assign(p, p + 3 * keyMap);
    p += 3 * keyMap;
    m.defaultKeyMap.assign(p, p + keyMap);
    p += keyMap;
    m.macroMemory.assign(p, p + macroBytes);
    p += macroBytes;
    std::copy_n(p, m.keyColors.size(), m.keyColors.begin());
    out = std::move(m);
    return true;
}
