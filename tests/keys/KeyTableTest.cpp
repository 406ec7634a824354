#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

bool IsEmptyRecord(const KeyRecord& r)
{
    return r.vk == 0 && r.listCode == 0xFFFF && r.label[0] == '\0' && r.altVk == 0 && r.deviceCode == 0
        && r.languageKey[0] == '\0';
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> v;
    for (int i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

// The keyboard's documented list of indices that carry no key.
std::set<int> DocumentedEmptyIndices()
{
    std::set<int> s{0, 85, 122, 124, 154, 155, 158, 159, 163, 175, 177, 179, 180, 202, 204, 206, 224, 228, 255};
    for (auto [a, b] : std::vector<std::pair<int, int>>{{89, 99}, {101, 111}, {116, 120}, {127, 143}, {145, 152},
                                                        {165, 173}, {185, 196}, {212, 218}}) {
        for (int i : Range(a, b))
            s.insert(i);
    }
    return s;
}

TEST(KeyTableData, EmptyRecordsAreExactlyTheDocumentedIndices)
{
    std::set<int> expected = DocumentedEmptyIndices();
    ASSERT_EQ(expected.size(), 99u);
    for (int i = 0; i < 256; ++i) {
        const KeyRecord& r = KeyTable[static_cast<size_t>(i)];
        if (expected.count(i)) {
            EXPECT_TRUE(IsEmptyRecord(r)) << "index " << i;
        } else {
            EXPECT_NE(r.listCode, 0xFFFF) << "index " << i;
            EXPECT_NE(r.label[0], '\0') << "index " << i;
            EXPECT_NE(r.vk, 0) << "index " << i;
        }
    }
}

TEST(KeyTableData, EveryNonEmptyRecordIsNamedExceptF13)
{
    for (int i = 0; i < 256; ++i) {
        const KeyRecord& r = KeyTable[static_cast<size_t>(i)];
        if (IsEmptyRecord(r))
            continue;
        bool named = r.languageKey[0] != '\0';
        EXPECT_EQ(named, i != 100) << "index " << i << " " << r.label;
    }
}

TEST(KeyTableData, AlternateVkDiffersOnlyOnTheNumericPad)
{
    // Num Lock off turns the pad's digits into navigation keys; "Num ." into Delete.
    std::set<int> pad{71, 72, 73, 75, 76, 77, 79, 80, 81, 82, 83};
    for (int i = 0; i < 256; ++i) {
        const KeyRecord& r = KeyTable[static_cast<size_t>(i)];
        if (pad.count(i)) {
            EXPECT_NE(r.altVk, r.vk) << "index " << i;
            // The navigation key a pad key turns into has its own record with that VK.
            uint8_t navIndex = VkIndexTable[r.altVk];
            if (r.altVk != 0x0C) { // Num 5 without Num Lock ("clear") has no key of its own
                EXPECT_EQ(KeyTable[navIndex].vk, r.altVk) << "index " << i;
            }
        } else {
            EXPECT_EQ(r.altVk, r.vk) << "index " << i;
        }
    }
}

TEST(KeyTableData, ListCodesZeroTo104EachAppearAndOnlyRightShiftTwice)
{
    std::vector<int> seen(105, 0);
    for (const KeyRecord& r : KeyTable) {
        if (r.listCode <= 104)
            ++seen[r.listCode];
    }
    for (int code = 0; code <= 104; ++code)
        EXPECT_EQ(seen[static_cast<size_t>(code)], code == 102 ? 2 : 1) << "list code " << code;
}

TEST(KeyTableData, ListCodeRangesAreMouseAndSpecialFunctions)
{
    std::set<int> special;
    for (const KeyRecord& r : KeyTable) {
        if (r.listCode == 0xFFFF || r.listCode <= 104)
            continue;
        if (r.listCode >= 106 && r.listCode <= 110) {
            EXPECT_GE(r.deviceCode, 0xF1) << r.label;
            EXPECT_LE(r.deviceCode, 0xF5) << r.label;
            continue;
        }
        EXPECT_GE(r.listCode, 0x8001) << r.label;
        EXPECT_LE(r.listCode, 0x802E) << r.label;
        EXPECT_TRUE(special.insert(r.listCode).second) << "duplicate special list code " << r.listCode;
    }
    EXPECT_EQ(special.size(), 0x2Eu); // every special function code once
}

TEST(KeyTableData, ButtonKeysAreDistinctNamedKeysOfTheFirstShownRecord)
{
    std::set<uint16_t> ids, codes;
    for (const ButtonKey& b : ButtonKeyTable) {
        EXPECT_TRUE(ids.insert(b.controlId).second) << b.controlId;
        EXPECT_TRUE(codes.insert(b.keyCode).second) << b.keyCode;
        const KeyRecord& r = KeyRecordOf(b.keyCode);
        EXPECT_FALSE(IsEmptyRecord(r)) << "button " << b.controlId;
        EXPECT_NE(r.languageKey[0], '\0') << "button " << b.controlId;
        if (r.listCode > 104) { // the two extra keys of non-US layouts
            EXPECT_TRUE(b.keyCode == 0x056 || b.keyCode == 0x073) << "button " << b.controlId;
        }
        // A button's key round-trips through the choice list (Right Shift is 54, not 310).
        EXPECT_EQ(ListCodeToKeyCode(r.listCode), b.keyCode) << "button " << b.controlId;
    }
    for (uint16_t id : MacroKeyButtons)
        EXPECT_EQ(ids.count(id), 0u) << id;
}

TEST(KeyTableData, ButtonTableStartsWithLettersInAlphabeticalOrder)
{
    for (size_t pos = 0; pos < 26; ++pos) {
        std::string label = KeyRecordOf(ButtonKeyTable[pos].keyCode).label;
        EXPECT_EQ(label, std::string(1, static_cast<char>('A' + pos))) << pos;
    }
}

TEST(KeyTableData, FixedKeyCodesNameTheirKeys)
{
    struct Case {
        uint16_t code;
        const char* label;
    };
    const Case cases[] = {
        {KeyCodes::LeftCtrl, "Ctrl"},         {KeyCodes::LeftShift, "Shift"},
        {KeyCodes::LeftAlt, "Alt"},           {KeyCodes::LeftWin, "Win"},
        {KeyCodes::RightCtrl, "Right Ctrl"},  {KeyCodes::RightShift, "Right Shift"},
        {KeyCodes::RightAlt, "Right Alt"},    {KeyCodes::RightWin, "Right Win"},
        {KeyCodes::App, "App"},               {KeyCodes::Pause, "Pause"},
        {KeyCodes::NumLock, "Num Lock"},      {KeyCodes::PrintScreen, "Print Screen"},
        {KeyCodes::MouseLeft, "Left Button"}, {KeyCodes::MouseRight, "Right Button"},
        {KeyCodes::MouseMiddle, "Middle Button"}, {KeyCodes::WheelUp, "Roll Up"},
        {KeyCodes::WheelDown, "Roll Down"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(KeyRecordOf(c.code).label, c.label) << c.code;
}

TEST(KeyTableData, VkTableEntriesPointAtRecordsOfThatVk)
{
    // The generic modifiers stand for their left-hand keys, the office VKs
    // 0x8B/0x8C for Insert/Delete, and 0x9C/0x9D point at indices with no key.
    const std::set<int> exceptions{0x10, 0x11, 0x12, 0x8B, 0x8C, 0x9C, 0x9D};
    std::set<int> found;
    int nonZero = 0;
    for (int vk = 0; vk < 256; ++vk) {
        uint8_t index = VkIndexTable[static_cast<size_t>(vk)];
        if (index == 0)
            continue;
        ++nonZero;
        const KeyRecord& r = KeyTable[index];
        if (r.vk != vk && r.altVk != vk)
            found.insert(vk);
    }
    EXPECT_EQ(nonZero, 138);
    EXPECT_EQ(found, exceptions);
    EXPECT_EQ(VkIndexTable[0x10], 42);
    EXPECT_EQ(VkIndexTable[0x11], 29);
    EXPECT_EQ(VkIndexTable[0x12], 56);
    EXPECT_EQ(KeyTable[VkIndexTable[0x8B]].vk, 0x2D);
    EXPECT_EQ(KeyTable[VkIndexTable[0x8C]].vk, 0x2E);
    EXPECT_TRUE(IsEmptyRecord(KeyTable[VkIndexTable[0x9C]]));
    EXPECT_TRUE(IsEmptyRecord(KeyTable[VkIndexTable[0x9D]]));
}

TEST(KeyTableData, VkTableReachesEveryTypableKey)
{
    // A key whose VK the table maps elsewhere shares that VK with the key it
    // reaches (Enter/Num Enter, Print Screen/Sys Req, the two Right Shifts).
    // Only the mouse buttons and the office and window functions, which no
    // keyboard key sends, stay unreached.
    const std::set<int> unreached{238, 239, 240, 241, 242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254};
    std::set<int> found;
    for (int i = 1; i < 256; ++i) {
        const KeyRecord& r = KeyTable[static_cast<size_t>(i)];
        if (IsEmptyRecord(r) || r.vk == 0xFF) // 0xFF: the key has no VK
            continue;
        uint8_t index = VkIndexTable[r.vk];
        if (index == 0 || KeyTable[index].vk != r.vk)
            found.insert(i);
    }
    EXPECT_EQ(found, unreached);
}

TEST(KeyTableData, DeviceCodesOfKeysAreUniqueExceptKnownTwins)
{
    // Right Shift is listed twice, Pause and Break share a usage, and keys the
    // keyboard cannot send have none.
    std::multiset<int> codes;
    for (const KeyRecord& r : KeyTable) {
        if (r.deviceCode != 0)
            codes.insert(r.deviceCode);
    }
    for (int d : codes) {
        size_t n = codes.count(d);
        if (d == 0xE5 || d == 0x48)
            EXPECT_EQ(n, 2u) << d;
        else
            EXPECT_EQ(n, 1u) << d;
    }
}

TEST(KeyCodes, IndexAndCodeConversions)
{
    struct Case {
        uint16_t code, index;
    };
    const Case toIndex[] = {{0x11C, 156}, {600, 344}, {200, 200}, {0, 0}, {127, 127},
                            {256, 128}, {511, 383}, {512, 256}, {520, 264}, {0xFFFF, 0xFEFF}};
    for (const Case& c : toIndex)
        EXPECT_EQ(KeyCodeToIndex(c.code), c.index) << c.code;
    const Case toCode[] = {{0x11C, 156}, {127, 127}, {256, 128}, {383, 255}};
    for (const Case& c : toCode)
        EXPECT_EQ(IndexToKeyCode(c.index), c.code) << c.index;
    for (uint16_t index = 0; index < 256; ++index)
        EXPECT_EQ(KeyCodeToIndex(IndexToKeyCode(index)), index);
}

TEST(KeyCodes, RecordOfCodesBeyondTheTableIsEmpty)
{
    for (uint16_t code : {uint16_t{512}, uint16_t{520}, uint16_t{600}, uint16_t{0xFFFF}, uint16_t{255}}) {
        const KeyRecord& r = KeyRecordOf(code);
        EXPECT_TRUE(IsEmptyRecord(r)) << code;
        EXPECT_EQ(KeyCodeToListCode(code), 0xFFFF) << code;
        EXPECT_EQ(KeyCodeToUsage(code), (UsagePair{0, 0})) << code;
    }
    EXPECT_STREQ(KeyRecordOf(0x11C).label, "Num Enter");
    EXPECT_STREQ(KeyRecordOf(0x17E).label, "Calendar");
}

TEST(KeyCodes, ListCodeConversions)
{
    EXPECT_EQ(ListCodeToKeyCode(102), 54);  // first of the two Right Shift records
    EXPECT_EQ(ListCodeToKeyCode(0), 30);    // A
    EXPECT_EQ(ListCodeToKeyCode(0x54), 0x11C);
    EXPECT_EQ(ListCodeToKeyCode(106), 369); // left mouse button
    EXPECT_EQ(ListCodeToKeyCode(105), 0);   // no key has it
    EXPECT_EQ(ListCodeToKeyCode(0xFFFF), 0);
    EXPECT_EQ(KeyCodeToListCode(310), 102);
    EXPECT_EQ(KeyCodeToListCode(0x137), 0x40);
    EXPECT_EQ(KeyCodeToListCode(1), 0x25);
    for (uint16_t listCode = 0; listCode <= 104; ++listCode)
        EXPECT_EQ(KeyCodeToListCode(ListCodeToKeyCode(listCode)), listCode);
}

TEST(KeyUsages, KeyCodeToUsageByDeviceCodeRange)
{
    struct Case {
        uint16_t code;
        UsagePair usage;
    };
    const Case cases[] = {
        {30, {7, 0x04}},   {0x15E, {1, 0x81}}, {0x15F, {1, 0x82}}, {0x163, {1, 0x83}},
        {369, {2, 0xF1}},  {354, {2, 0xF5}},   {304, {7, 0xC0}},  // consumer keys stay kind 7
        {84, {0, 0}},      {100, {0, 0}},      {0, {0, 0}},       {0x17E, {0, 0}},
        {0x11D, {7, 0xE4}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCodeToUsage(c.code), c.usage) << c.code;
}

TEST(KeyUsages, UsageToKeyCode)
{
    struct Case {
        UsagePair usage;
        uint16_t code;
    };
    const Case cases[] = {
        {{12, 0x0E9}, 304},  // V+
        {{12, 0x0E2}, 288},  // Mute
        {{12, 0x0B3}, 0},    // not in the list
        {{12, 0}, 0},        // unused list tail is no function, not Zoom-
        {{7, 0x04}, 30},     // A
        {{7, 0xE5}, 54},     // first Right Shift
        {{7, 0x48}, 69},     // Pause, not Break
        {{7, 0xF1}, 369},    // mouse buttons travel as kind 7
        {{7, 0xC2}, 365},
        {{7, 0x104}, 0},     // past one byte: not an alias of 0x04
        {{7, 0}, 0},
        {{1, 0x80}, 0},
        {{1, 0x81}, 0x15E},
        {{1, 0x83}, 0x163},
        {{2, 0xF1}, 0},
        {{0, 0x04}, 0},
        {{3, 0x04}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UsageToKeyCode(c.usage), c.code) << c.usage.kind << "/" << c.usage.value;
}

TEST(KeyUsages, KindSevenRoundTripsForEveryFirstKeyOfItsDeviceCode)
{
    for (uint16_t index = 0; index < 256; ++index) {
        uint16_t code = IndexToKeyCode(index);
        UsagePair usage = KeyCodeToUsage(code);
        if (usage.kind != 7)
            continue;
        EXPECT_EQ(UsageToKeyCode(usage), DeviceCodeToKeyCode(static_cast<uint8_t>(usage.value)));
        EXPECT_EQ(KeyRecordOf(UsageToKeyCode(usage)).deviceCode, usage.value) << code;
    }
    EXPECT_EQ(DeviceCodeToKeyCode(0x48), 69);
    EXPECT_EQ(DeviceCodeToKeyCode(0xE5), 54);
    EXPECT_EQ(DeviceCodeToKeyCode(0xFF), 0);
}

TEST(KeyStrokes, VkToKeyCode)
{
    EXPECT_EQ(VkToKeyCode(0x41), 30);
    EXPECT_EQ(VkToKeyCode(0x90), 325);
    EXPECT_EQ(VkToKeyCode(0x13), 69);
    EXPECT_EQ(VkToKeyCode(0x03), 0x146);
    EXPECT_EQ(VkToKeyCode(0x10), 42);
    EXPECT_EQ(VkToKeyCode(0x00), 0);
    EXPECT_EQ(VkToKeyCode(0xFF), 0);
}

uint32_t Data(uint16_t scanWithExtendedBit)
{
    return static_cast<uint32_t>(scanWithExtendedBit) << 16 | 1u; // repeat count 1 in the low word
}

TEST(KeyStrokes, KeyCodeFromKeystroke)
{
    struct Case {
        uint8_t vk;
        uint32_t data;
        uint16_t code;
        const char* why;
    };
    const Case cases[] = {
        {0x90, Data(0x145), 325, "Num Lock reports 0x45 with the prefix"},
        {0x13, Data(0x045), 69, "Pause reports 0x45 without it"},
        {0xA1, Data(0x036), 54, "right Shift"},
        {0xA1, Data(0x036) | 0xC0000000u, 54, "right Shift release"},
        {0x10, Data(0x036), 54, "right Shift under the generic VK"},
        {0x41, Data(0x01E), 30, "plain letter"},
        {0x41, Data(0x000), 30, "no scan code: from the VK"},
        {0x41, Data(0x01F), 30, "scan code of another key: from the VK"},
        {0xFF, Data(0x070), 112, "VK 0xFF trusts the scan code"},
        {0xFF, Data(0x1FF), 511, "even one past the table"},
        {0x24, Data(0x047), 71, "Num 7 with Num Lock off (alternate VK)"},
        {0x24, Data(0x147), 327, "the Home key itself"},
        {0x0D, Data(0x11C), 0x11C, "Num Enter shares Enter's VK"},
        {0x0D, Data(0x01C), 28, "Enter"},
        {0x12, Data(0x038), 56, "generic Alt: the scan byte equals its index"},
        {0x12, Data(0x138), 312, "generic Alt from the right key"},
        {0x2C, Data(0x137), 311, "Print Screen"},
        {0x2C, Data(0x054), 84, "Alt+Print Screen reports Sys Req"},
        {0x41, Data(0x1FE), 30, "scan code past the table is not trusted"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCodeFromKeystroke(c.vk, c.data), c.code) << c.why;
}

TEST(KeyStrokes, NeedsSyntheticPress)
{
    std::set<int> releaseOnly{84, 113, 114, 311};
    for (int code = 0; code < 1024; ++code)
        EXPECT_EQ(NeedsSyntheticPress(static_cast<uint16_t>(code)), releaseOnly.count(code) ? 1 : 0) << code;
}

} // namespace
