#include "macro/MacroBlock.h"

#include <gtest/gtest.h>

namespace {

TEST(MacroBlockLayout, FieldsSitAtTheirOffsets)
{
    MacroCopy copy;
    MacroBlock block = copy.View();
    block.SetName("Ab");
    block.SetCycles(200);
    block.SetNewFlag(1);
    block.SetPlayMode(PlayUntilKeyAgain);
    block.SetMacroId(0x1234);
    block.SetEvents(std::vector<MacroEvent>{{0, 0, 0}, {0x01020304, 0x0506, 1}});
    const auto& b = copy.bytes;
    EXPECT_EQ(b[0], 'A');
    EXPECT_EQ(b[2], 'b');
    EXPECT_EQ(b[4], 0);
    EXPECT_EQ(b[500], 200);
    EXPECT_EQ(b[502], 1);
    EXPECT_EQ(b[504], 2);
    EXPECT_EQ(b[506], 0x34);
    EXPECT_EQ(b[507], 0x12);
    EXPECT_EQ(b[508], 2);
    const uint8_t event1[8] = {0x04, 0x03, 0x02, 0x01, 0x06, 0x05, 0x01, 0x00};
    EXPECT_TRUE(std::equal(std::begin(event1), std::end(event1), b.begin() + 520));
}

TEST(MacroBlockLayout, NamesAreCutToTheFieldAndAlwaysTerminated)
{
    struct Case {
        std::u16string name;
        size_t length;
        const char* why;
    };
    std::u16string pairAtEnd = std::u16string(248, u'x') + u"\U0001F600";
    const Case cases[] = {
        {u"", 0, "empty"},
        {std::u16string(249, u'a'), 249, "fits exactly"},
        {std::u16string(400, u'a'), 249, "cut to 249 units"},
        {pairAtEnd, 248, "a surrogate pair across the cut is dropped whole"},
        {std::u16string(247, u'x') + u"\U0001F600", 249, "a pair that fits stays"},
        {std::u16string(u"ab\0cd", 5), 2, "an embedded zero ends the name"},
    };
    for (const Case& c : cases) {
        MacroCopy copy;
        copy.bytes.fill(0x41); // a stale field must not leak into the name
        copy.View().SetName16(c.name);
        EXPECT_EQ(copy.View().NameLength(), c.length) << c.why;
        EXPECT_EQ(copy.View().Name16(), c.name.substr(0, c.length)) << c.why;
        EXPECT_EQ(ReadU16(copy.bytes.data(), 2 * c.length), 0) << c.why << ": terminated";
        EXPECT_EQ(ReadU16(copy.bytes.data(), 498), 0) << c.why << ": field zeroed to its end";
    }
}

TEST(MacroBlockLayout, AFieldWithoutTerminatorReadsAs249Characters)
{
    MacroCopy copy;
    for (size_t i = 0; i < MacroNameUnits; ++i)
        WriteU16(copy.bytes.data(), 2 * i, 'q');
    EXPECT_EQ(copy.View().NameLength(), 249u);
}

TEST(MacroBlockLayout, Utf8NamesConvert)
{
    MacroCopy copy;
    copy.View().SetName("\xD0\x9C\xD0\xB0\xD0\xBA\xD1\x80\xD0\xBE\xD1\x81 \xF0\x9F\x98\x80");
    EXPECT_EQ(copy.View().NameLength(), 9u) << "6 Cyrillic, a space and a surrogate pair";
    EXPECT_EQ(copy.View().Name(), "\xD0\x9C\xD0\xB0\xD0\xBA\xD1\x80\xD0\xBE\xD1\x81 \xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFD" "b") << "invalid bytes become the replacement character";
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx") << "a lone surrogate";
}

TEST(MacroBlockLayout, FixedTexts)
{
    EXPECT_STREQ(PlayModeText(0), "Play macro once");
    EXPECT_STREQ(PlayModeText(1), "Play macro repeat");
    EXPECT_STREQ(PlayModeText(2), "Repeating until key down again");
    EXPECT_STREQ(PlayModeText(3), "");
    EXPECT_STREQ(DirectionText(MacroPressed), "\u2193");
    EXPECT_STREQ(DirectionText(MacroReleased), "  \u2191");
}

} // namespace
