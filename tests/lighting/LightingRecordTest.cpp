#include "lighting/EffectTable.h"
#include "lighting/LightingRecord.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::array<uint8_t, 42> Record(std::initializer_list<std::pair<size_t, uint8_t>> bytes)
{
    std::array<uint8_t, 42> r{};
    for (auto [at, value] : bytes)
        r[at] = value;
    return r;
}

TEST(LightingRecord, DecodesTheFieldsAtTheirOffsets)
{
    // Effect 13, brightness 3, speed 1, direction 0xFF, multicolour 0x80,
    // colour (0x12, 0x34, 0x56), report rate 2, colour choice 3; the bytes
    // nobody interprets are filled to show they are not read.
    std::array<uint8_t, 42> r = Record({{0, 13}, {1, 3}, {2, 1}, {3, 0xFF}, {4, 0x80}, {5, 0x12}, {6, 0x34},
                                        {7, 0x56}, {15, 2}, {17, 3}});
    for (size_t i : {8, 14, 16, 18, 19, 25, 30, 41})
        r[i] = 0xEE;
    const LightingValues v = DecodeLightingRecord(r);
    EXPECT_EQ(v.effectCode, 13);
    EXPECT_EQ(v.brightness, 3);
    EXPECT_EQ(v.speed, 1);
    EXPECT_EQ(v.direction, 0xFF);
    EXPECT_TRUE(v.multicolour);
    EXPECT_EQ(v.effectColour, 0x563412u);
    EXPECT_EQ(v.reportRate, 2);
    EXPECT_EQ(v.colourChoice, 3);
}

TEST(LightingRecord, ReportRatesBeyondTheFourButtonsShowAsTheLast)
{
    for (uint8_t stored : {3, 4, 7, 0xFF})
        EXPECT_EQ(DecodeLightingRecord(Record({{15, stored}})).reportRate, 3) << int(stored);
    EXPECT_FALSE(DecodeLightingRecord(Record({{4, 0}})).multicolour);
}

TEST(LightingRecord, FactoryRecordIsEffectOneBrightnessFourSpeedTwoWhiteMulticolour)
{
    const std::vector<uint8_t> expected = {0x01, 0x04, 0x02, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
                                           0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0,
                                           0,    0,    0,    0,    0,    0,    0};
    const auto record = FactoryLightingRecord();
    EXPECT_EQ(std::vector<uint8_t>(record.begin(), record.end()), expected);
}

TEST(LightingRecord, ColoursTravelRedGreenBlue)
{
    const Colour c = MakeColour(0x10, 0x20, 0x30);
    EXPECT_EQ(c, 0x302010u);
    EXPECT_EQ(ColourBytes(c), (std::array<uint8_t, 3>{0x10, 0x20, 0x30}));
}

TEST(EffectTable, DirectionKeysAndPicturesFollowTheCode)
{
    struct Case {
        int code;
        const char* suffix;
        DirectionPictures pictures;
    };
    const Case cases[] = {
        {1, "2", DirectionPictures::LeftRight},  {3, "2", DirectionPictures::LeftRight},
        {4, "", DirectionPictures::LeftRight},   {12, "3", DirectionPictures::UpDown},
        {18, "", DirectionPictures::SpreadConverge}, {20, "", DirectionPictures::LeftRight},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(DirectionKeySuffix(c.code), c.suffix) << c.code;
        EXPECT_EQ(DirectionPicturesOf(c.code), c.pictures) << c.code;
    }
    EXPECT_EQ(FindEffect(19), nullptr);
    EXPECT_EQ(FindEffect(0), nullptr);
    EXPECT_EQ(FindEffect(21), nullptr);
    ASSERT_NE(FindEffect(20), nullptr);
    EXPECT_EQ(FindEffect(20)->colour, ColourGroup::User);
}

} // namespace
