#include "keys/EvdevKeyTable.h"

#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

#include <linux/input-event-codes.h>

#include <gtest/gtest.h>

#include <set>

// Every key of the main window's picture must come back from a real key
// press: its Linux code turns into its key code and back.
TEST(EvdevKeyTable, EveryKeyOfTheWindowRoundTrips)
{
    std::set<uint32_t> seen;
    for (const ButtonKey& key : ButtonKeyTable) {
        const uint32_t evdev = KeyCodeToEvdev(key.keyCode);
        ASSERT_NE(evdev, 0u) << "no Linux key for key code " << key.keyCode;
        EXPECT_EQ(EvdevToKeyCode(evdev), key.keyCode) << "evdev " << evdev;
        EXPECT_EQ(KeyCodeFromNativeScanCode(evdev + XkbKeycodeOffset), key.keyCode);
        EXPECT_TRUE(seen.insert(evdev).second) << "two buttons share evdev " << evdev;
    }
}

TEST(EvdevKeyTable, EveryMediaKeyIsKnownSoItCanBeLetThrough)
{
    for (int index = 0; index < 18; ++index) {
        const uint16_t code = MediaKeyCode(index);
        const uint32_t evdev = KeyCodeToEvdev(code);
        ASSERT_NE(evdev, 0u) << "media index " << index;
        EXPECT_EQ(EvdevToKeyCode(evdev), code);
    }
}

// The keys where the Linux code and the set-1 scan code part ways.
TEST(EvdevKeyTable, KeysWhoseCodesDiffer)
{
    const struct {
        uint32_t evdev;
        uint16_t keyCode;
    } cases[] = {
        {KEY_NUMLOCK, 325},   {KEY_PAUSE, 69},       {KEY_SYSRQ, 311},    {KEY_KPENTER, 284},
        {KEY_RIGHTCTRL, 285}, {KEY_RIGHTALT, 312},   {KEY_LEFTMETA, 347}, {KEY_RIGHTMETA, 348},
        {KEY_COMPOSE, 349},   {KEY_KPSLASH, 309},    {KEY_VOLUMEUP, 304}, {KEY_VOLUMEDOWN, 302},
        {KEY_MUTE, 288},      {KEY_102ND, 86},       {KEY_RO, 115},       {KEY_UP, 328},
        {KEY_F13, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EvdevToKeyCode(c.evdev), c.keyCode) << "evdev " << c.evdev;
}

TEST(EvdevKeyTable, UnknownCodesGiveNothing)
{
    EXPECT_EQ(EvdevToKeyCode(0), 0);
    EXPECT_EQ(EvdevToKeyCode(KEY_MICMUTE), 0);
    EXPECT_EQ(EvdevToKeyCode(100000), 0);
    EXPECT_EQ(KeyCodeFromNativeScanCode(0), 0);
    EXPECT_EQ(KeyCodeFromNativeScanCode(7), 0);
    EXPECT_EQ(KeyCodeToEvdev(0), 0u);
    EXPECT_EQ(KeyCodeToEvdev(KeyCodes::MouseLeft), 0u);
}
