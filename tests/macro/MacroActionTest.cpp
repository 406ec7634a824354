#include "macro/MacroAction.h"
#include "macro/MacroImage.h"

#include "keys/KeyTable.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::array<uint8_t, 4> Bytes(uint8_t a, uint8_t b, uint8_t c, uint8_t d) { return {a, b, c, d}; }

TEST(MacroEventEncoding, EventsEncodeToTheirFourImageBytes)
{
    struct Case {
        MacroEvent event;
        std::array<uint8_t, 4> bytes;
        const char* why;
    };
    const Case cases[] = {
        {{0, KeyCodes::LeftCtrl, MacroPressed}, Bytes(0x00, 0xA0, 0x01, 0x01), "left Ctrl press, modifier bit 0"},
        {{100, 30, MacroReleased}, Bytes(0x0A, 0x20, 0x02, 0x04), "release of A (device code 0x04) after 100 ms"},
        {{0, KeyCodes::RightAlt, MacroPressed}, Bytes(0x00, 0xA0, 0x01, 0x40), "right Alt, modifier bit 6"},
        {{0, KeyCodes::RightWin, MacroReleased}, Bytes(0x00, 0x20, 0x01, 0x80), "right Windows, modifier bit 7"},
        {{0, KeyCodes::MouseLeft, MacroPressed}, Bytes(0x00, 0x90, 0x01, 0x01), "left button"},
        {{20, KeyCodes::MouseRight, MacroReleased}, Bytes(0x02, 0x10, 0x01, 0x02), "right button"},
        {{0, KeyCodes::MouseMiddle, MacroPressed}, Bytes(0x00, 0x90, 0x01, 0x04), "middle button"},
        {{0, KeyCodes::WheelUp, MacroPressed}, Bytes(0x00, 0x90, 0x05, 0x01), "wheel up"},
        {{0, KeyCodes::WheelDown, MacroPressed}, Bytes(0x00, 0x90, 0x05, 0xFF), "wheel down"},
        {{0, 350, MacroPressed}, Bytes(0x00, 0xC0, 0x81, 0x00), "power is a system action"},
        {{10, 84, MacroPressed}, Bytes(0x01, 0x80, 0x00, 0x00), "Sys Req has no device code: class 0"},
        {{0, 520, MacroPressed}, Bytes(0x00, 0x80, 0x00, 0x00), "a macro key code has no device code"},
        {{40000, 30, MacroPressed}, Bytes(0xA0, 0xAF, 0x02, 0x04), "40000 ms is 4000 units"},
        {{15, 30, MacroPressed}, Bytes(0x01, 0xA0, 0x02, 0x04), "15 ms rounds down to 1 unit"},
        {{9, 30, MacroPressed}, Bytes(0x00, 0xA0, 0x02, 0x04), "below one unit is 0"},
        {{50000, 30, MacroPressed}, Bytes(0xFF, 0xAF, 0x02, 0x04), "too long a delay stays the longest, never wraps"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncodeImageEvent(c.event), c.bytes) << c.why;
}

TEST(MacroEventEncoding, DelaysReadBackInTenMillisecondSteps)
{
    struct Case {
        uint32_t written, read;
    };
    const Case cases[] = {{0, 0}, {15, 10}, {100, 100}, {109, 100}, {40000, 40000}, {40950, 40950}, {99999, 40950}};
    for (const Case& c : cases) {
        MacroEvent event{c.written, 30, MacroReleased};
        std::array<uint8_t, 4> bytes = EncodeImageEvent(event);
        MacroEvent back = DecodeImageEvent(bytes.data());
        EXPECT_EQ(back.delay, c.read) << c.written;
        EXPECT_EQ(back.keyCode, 30);
        EXPECT_EQ(back.direction, MacroReleased);
    }
}

TEST(MacroActionDecoding, ActionsDecodeToKeyCodes)
{
    struct Case {
        uint8_t actionClass, byte2, byte3;
        uint16_t keyCode;
        const char* why;
    };
    const Case cases[] = {
        {1, 1, 1, KeyCodes::MouseLeft, "left button"},
        {1, 1, 2, KeyCodes::MouseRight, "right button"},
        {1, 1, 4, KeyCodes::MouseMiddle, "middle button"},
        {1, 5, 1, KeyCodes::WheelUp, "wheel up"},
        {1, 5, 0xFF, KeyCodes::WheelDown, "wheel down"},
        {1, 1, 3, 0, "two buttons at once name no key"},
        {1, 5, 2, 0, "unknown wheel step"},
        {2, 2, 0x04, 30, "device code 0x04 is A"},
        {2, 2, 0xE6, KeyCodes::RightAlt, "usage byte of right Alt"},
        {2, 2, 0x00, 0, "device code 0 names no key"},
        {2, 2, 0xFF, 0, "device code 0xFF names no key"},
        {2, 1, 0x01, KeyCodes::LeftCtrl, "modifier bit 0"},
        {2, 1, 0x06, KeyCodes::LeftShift, "lowest set bit wins"},
        {2, 1, 0x80, KeyCodes::RightWin, "modifier bit 7"},
        {2, 0, 0x20, KeyCodes::RightShift, "any byte 2 other than 2 is a mask"},
        {2, 1, 0x00, 0, "empty mask"},
        {3, 0xE9, 0x00, 304, "consumer usage 0xE9 is entry 0: device code 0xC0, V+"},
        {3, 0x23, 0x02, 306, "consumer usage 0x223 is entry 7: device code 0xC7, WWW Home"},
        {3, 0x00, 0x00, 0, "consumer usage 0 is the list's empty tail, no key"},
        {3, 0x34, 0x12, 0, "unknown consumer usage"},
        {4, 0x81, 0x00, 350, "power"},
        {4, 0x82, 0x00, 351, "sleep"},
        {4, 0x84, 0x00, 0, "not a system code"},
        {4, 0x81, 0x01, 0, "system value past one byte"},
        {6, 0xA2, 1, 512, "G1"},
        {6, 0xA2, 9, 520, "G9"},
        {6, 0xA2, 0, 0, "macro keys count from 1"},
        {6, 0xA1, 1, 0, "wrong macro-key marker"},
        {0, 2, 4, 0, "class 0"},
        {5, 1, 1, 0, "class 5 is not an action"},
        {7, 2, 4, 0, "class 7"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeAction(c.actionClass, c.byte2, c.byte3), c.keyCode) << c.why;
}

TEST(MacroActionDecoding, EveryEncodableKeyDecodesToAKeyThatEncodesTheSame)
{
    // Several keys share a device code (the right Shift sent with and without
    // the 0xE0 prefix): the decoded key must be one with the same device code,
    // and decoding its own action must give it back.
    for (uint16_t index = 0; index < 256; ++index) {
        uint16_t code = IndexToKeyCode(index);
        MacroAction action = EncodeAction(code);
        if (action.actionClass == ActionNone)
            continue;
        uint16_t decoded = DecodeAction(action.actionClass, action.byte2, action.byte3);
        ASSERT_NE(decoded, 0) << "key code " << code;
        EXPECT_EQ(KeyRecordOf(decoded).deviceCode, KeyRecordOf(code).deviceCode) << "key code " << code;
        MacroAction again = EncodeAction(decoded);
        EXPECT_EQ(DecodeAction(again.actionClass, again.byte2, again.byte3), decoded) << "key code " << code;
    }
}

} // namespace
