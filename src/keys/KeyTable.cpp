#include "keys/KeyTable.h"

#include "keys/MediaTable.h"

namespace {

const KeyRecord EmptyRecord{};

uint8_t DeviceCodeOfUsage(UsagePair usage)
{
    switch (usage.kind) {
    case 7:
        // A value past one byte names no key; don't let it alias a byte that does.
        return usage.value <= 0xFF ? static_cast<uint8_t>(usage.value) : 0;
    case 1:
        return usage.value >= 0x81 && usage.value <= 0x83 ? static_cast<uint8_t>(usage.value) : 0;
    case 12:
        // The list's unused tail holds 0; usage 0 is "no function", not the
        // key that happens to own the first unused position.
        if (usage.value == 0)
            return 0;
        for (size_t p = 0; p < ConsumerUsageList.size(); ++p) {
            if (ConsumerUsageList[p] == usage.value)
                return static_cast<uint8_t>(0xC0 + p);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace

uint16_t IndexToKeyCode(uint16_t keyIndex)
{
    return keyIndex < 128 ? keyIndex : static_cast<uint16_t>(keyIndex + 128);
}

uint16_t KeyCodeToIndex(uint16_t keyCode)
{
    if (keyCode < 256)
        return keyCode;
    if (keyCode < 512)
        return static_cast<uint16_t>(keyCode - 128);
    return static_cast<uint16_t>(keyCode - 256);
}

const KeyRecord& KeyRecordOf(uint16_t keyCode)
{
    uint16_t index = KeyCodeToIndex(keyCode);
    return index < KeyTable.size() ? KeyTable[index] : EmptyRecord;
}

uint16_t ListCodeToKeyCode(uint16_t listCode)
{
    for (size_t i = 0; i < KeyTable.size(); ++i) {
        if (KeyTable[i].listCode == listCode)
            return IndexToKeyCode(static_cast<uint16_t>(i));
    }
    return 0;
}

uint16_t KeyCodeToListCode(uint16_t keyCode)
{
    return KeyRecordOf(keyCode).listCode;
}

UsagePair KeyCodeToUsage(uint16_t keyCode)
{
    uint8_t d = KeyRecordOf(keyCode).deviceCode;
    if (d == 0x00 || d == 0xFF)
        return {0, 0};
    if (d >= 0x81 && d <= 0x83)
        return {1, d};
    if (d >= 0xF1 && d <= 0xF8)
        return {2, d};
    return {7, d};
}

uint16_t UsageToKeyCode(UsagePair usage)
{
    return DeviceCodeToKeyCode(DeviceCodeOfUsage(usage));
}

uint16_t DeviceCodeToKeyCode(uint8_t deviceCode)
{
    for (size_t i = 0; i < KeyTable.size(); ++i) {
        if (KeyTable[i].deviceCode == deviceCode)
            return IndexToKeyCode(static_cast<uint16_t>(i));
    }
    return 0;
}

uint16_t VkToKeyCode(uint8_t vk)
{
    return IndexToKeyCode(VkIndexTable[vk]);
}

uint16_t KeyCodeFromKeystroke(uint8_t vk, uint32_t keystrokeData)
{
    uint16_t fromVk = VkToKeyCode(vk);
    // Bits 16..23 carry the scan code and bit 24 the 0xE0 prefix, which
    // together already form a key code.
    auto scanned = static_cast<uint16_t>((keystrokeData >> 16) & 0x1FF);
    if (scanned == KeyCodes::RightShift)
        return scanned;
    if (vk == 0xFF)
        return scanned;
    uint8_t scanByte = static_cast<uint8_t>(scanned & 0xFF);
    if (scanByte == 0)
        return fromVk;
    const KeyRecord& record = KeyRecordOf(scanned);
    if (vk == record.vk || vk == record.altVk || scanByte == VkIndexTable[vk])
        return scanned;
    return fromVk;
}

int NeedsSyntheticPress(uint16_t keyCode)
{
    return keyCode == 84 || keyCode == 113 || keyCode == 114 || keyCode == KeyCodes::PrintScreen ? 1 : 0;
}

namespace {
constexpr std::array<uint16_t, 8> ModifierKeyCodes = {
    KeyCodes::LeftCtrl,  KeyCodes::LeftShift,  KeyCodes::LeftAlt,  KeyCodes::LeftWin,
    KeyCodes::RightCtrl, KeyCodes::RightShift, KeyCodes::RightAlt, KeyCodes::RightWin,
};
} // namespace

int ModifierBitOf(uint32_t keyCode)
{
    for (size_t bit = 0; bit < ModifierKeyCodes.size(); ++bit) {
        if (keyCode == ModifierKeyCodes[bit])
            return static_cast<int>(bit);
    }
    return -1;
}

uint16_t ModifierOfMask(uint8_t mask)
{
    for (size_t bit = 0; bit < ModifierKeyCodes.size(); ++bit) {
        if (mask & (1u << bit))
            return ModifierKeyCodes[bit];
    }
    return 0;
}
