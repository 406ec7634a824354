#include "macro/MacroAction.h"

#include "keys/KeyTable.h"

#include <array>

namespace {

constexpr uint8_t ModifierSubtype = 1;
constexpr uint8_t KeySubtype = 2;
constexpr uint8_t ButtonSubtype = 1;
constexpr uint8_t WheelSubtype = 5;
constexpr uint8_t MacroKeySubtype = 0xA2;

uint16_t DecodeMouse(uint8_t byte2, uint8_t byte3)
{
    if (byte2 == ButtonSubtype) {
        switch (byte3) {
        case 1: return KeyCodes::MouseLeft;
        case 2: return KeyCodes::MouseRight;
        case 4: return KeyCodes::MouseMiddle;
        default: return 0;
        }
    }
    if (byte2 == WheelSubtype) {
        if (byte3 == 1)
            return KeyCodes::WheelUp;
        if (byte3 == 0xFF)
            return KeyCodes::WheelDown;
    }
    return 0;
}

uint16_t DecodeKeyboard(uint8_t byte2, uint8_t byte3)
{
    if (byte2 == KeySubtype) {
        // 0x00 and 0xFF are "no usage" in the key table; they name no key.
        if (byte3 == 0x00 || byte3 == 0xFF)
            return 0;
        return DeviceCodeToKeyCode(byte3);
    }
    return ModifierOfMask(byte3);
}

} // namespace

MacroAction EncodeAction(uint16_t keyCode)
{
    uint8_t u = KeyRecordOf(keyCode).deviceCode;
    switch (u) {
    case 0x00:
    case 0xFF:
        return {};
    case 0x81:
    case 0x82:
    case 0x83:
        return {ActionSystem, u, 0};
    case 0xF1: return {ActionMouse, ButtonSubtype, 1};
    case 0xF2: return {ActionMouse, ButtonSubtype, 2};
    case 0xF3: return {ActionMouse, ButtonSubtype, 4};
    case 0xF4: return {ActionMouse, WheelSubtype, 1};
    case 0xF5: return {ActionMouse, WheelSubtype, 0xFF};
    case 0xF6:
    case 0xF7:
    case 0xF8:
        // Mouse codes without a defined action: send nothing rather than a key.
        return {};
    default:
        break;
    }
    if (int bit = ModifierBitOf(keyCode); bit >= 0)
        return {ActionKeyboard, ModifierSubtype, static_cast<uint8_t>(1u << bit)};
    return {ActionKeyboard, KeySubtype, u};
}

uint16_t DecodeAction(uint8_t actionClass, uint8_t byte2, uint8_t byte3)
{
    switch (actionClass) {
    case ActionMouse:
        return DecodeMouse(byte2, byte3);
    case ActionKeyboard:
        return DecodeKeyboard(byte2, byte3);
    case ActionConsumer:
        return UsageToKeyCode({12, static_cast<uint16_t>(byte2 | (byte3 << 8))});
    case ActionSystem:
        return UsageToKeyCode({1, static_cast<uint16_t>(byte2 | (byte3 << 8))});
    case ActionMacroKey:
        // Macro keys count from G1; a zero names none.
        return byte2 == MacroKeySubtype && byte3 != 0 ? static_cast<uint16_t>(511 + byte3) : 0;
    default:
        return 0;
    }
}
