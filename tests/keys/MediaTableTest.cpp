#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(MediaTableData, EachMediaKeyRecordCarriesTheConsumerUsageOfItsDeviceCode)
{
    std::set<uint16_t> usages, codes;
    for (size_t i = 0; i < MediaTable.size(); ++i) {
        const MediaEntry& e = MediaTable[i];
        const KeyRecord& r = KeyRecordOf(e.keyCode);
        ASSERT_GE(r.deviceCode, 0xC0) << "media " << i;
        ASSERT_LT(r.deviceCode, 0xC0 + ConsumerUsageList.size()) << "media " << i;
        EXPECT_EQ(ConsumerUsageList[r.deviceCode - 0xC0u], e.consumerUsage) << "media " << i;
        EXPECT_EQ(std::string(r.languageKey).rfind("MEDIA_", 0), 0u) << "media " << i;
        // The language key ends with the function's number, media index + 1.
        std::string key = r.languageKey;
        EXPECT_EQ(key.substr(key.rfind('_') + 1), std::to_string(i + 1)) << key;
        EXPECT_TRUE(usages.insert(e.consumerUsage).second);
        EXPECT_TRUE(codes.insert(e.keyCode).second);
    }
}

TEST(MediaTableData, ConsumerUsageListHoldsTheMediaUsagesThenZeros)
{
    for (size_t p = 0; p < ConsumerUsageList.size(); ++p) {
        uint16_t usage = ConsumerUsageList[p];
        if (p >= MediaTable.size()) {
            EXPECT_EQ(usage, 0) << p;
            continue;
        }
        // Entry p belongs to the key whose device code is 0xC0 + p.
        uint16_t key = DeviceCodeToKeyCode(static_cast<uint8_t>(0xC0 + p));
        ASSERT_TRUE(IsMediaKeyCode(key)) << p;
        std::optional<int> media = MediaIndexOfUsage(usage);
        ASSERT_TRUE(media.has_value()) << p;
        EXPECT_EQ(MediaKeyCode(*media), key) << p;
        EXPECT_EQ(UsageToKeyCode({12, usage}), key) << p;
    }
}

TEST(MediaTableData, EveryConsumerKeyOfTheKeyTableIsAMediaKey)
{
    // Device codes 0xD2..0xD5 lie past the usages the list fills; those keys
    // (zoom, Word, Excel) are no media functions.
    for (uint16_t index = 0; index < 256; ++index) {
        const KeyRecord& r = KeyTable[index];
        uint16_t code = IndexToKeyCode(index);
        bool consumer = r.deviceCode >= 0xC0 && r.deviceCode < 0xC0 + MediaTable.size();
        EXPECT_EQ(IsMediaKeyCode(code), consumer) << r.label;
    }
}

TEST(MediaTableData, VolumeUpAgreesAcrossTables)
{
    EXPECT_STREQ(KeyRecordOf(MediaKeyCode(6)).label, "V+");
    EXPECT_EQ(KeyRecordOf(MediaKeyCode(6)).deviceCode, 0xC0);
    EXPECT_EQ(ConsumerUsageList[0], 0x0E9);
    EXPECT_EQ(MediaUsage(6), 0x0E9);
}

TEST(MediaLookups, MediaIndexOfUsage)
{
    struct Case {
        uint16_t usage;
        std::optional<int> index;
    };
    const Case cases[] = {{0x0E2, 7}, {0x183, 0}, {0x18A, 17}, {0x0E9, 6},
                          {0x0B3, std::nullopt}, {0, std::nullopt}, {0xFFFF, std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(MediaIndexOfUsage(c.usage), c.index) << c.usage;
}

TEST(MediaLookups, IsMediaKeyCode)
{
    const std::set<int> media{272, 281, 288, 289, 290, 292, 302, 304, 306,
                              357, 358, 359, 360, 361, 362, 363, 364, 365};
    for (int code = 0; code < 0x10000; ++code)
        ASSERT_EQ(IsMediaKeyCode(static_cast<uint16_t>(code)), media.count(code) == 1) << code;
}

TEST(MediaLookups, OutOfRangeIndicesGiveNothing)
{
    for (int index : {-1, 18, 19, 1000, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(MediaUsage(index), 0) << index;
        EXPECT_EQ(MediaKeyCode(index), 0) << index;
    }
    EXPECT_EQ(MediaUsage(0), 0x183);
    EXPECT_EQ(MediaKeyCode(17), 364);
    for (int index : {-1, 11, 12, INT32_MIN, INT32_MAX})
        EXPECT_EQ(KeyboardFunctionKey(index), "") << index;
}

TEST(MediaLookups, KeyboardFunctionKeysAreNumberedFromOne)
{
    for (int n = 0; n <= 10; ++n)
        EXPECT_EQ(KeyboardFunctionKey(n), "FUNC_KEY_DESC" + std::to_string(n + 1));
}

TEST(MediaTableData, MouseActionsNameTheirKeys)
{
    const uint16_t expected[] = {KeyCodes::MouseLeft, KeyCodes::MouseRight, KeyCodes::MouseMiddle,
                                 KeyCodes::WheelUp, KeyCodes::WheelDown};
    for (size_t i = 0; i < MouseActions.size(); ++i) {
        EXPECT_EQ(MouseActions[i].keyCode, expected[i]);
        EXPECT_STREQ(MouseActions[i].languageKey, KeyRecordOf(MouseActions[i].keyCode).languageKey);
        EXPECT_EQ(KeyCodeToUsage(MouseActions[i].keyCode).kind, 2);
    }
}

} // namespace
