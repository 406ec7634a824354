#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ReadCase {
    const char* name;
    std::string bytes;
    char32_t codePoint;
    size_t taken;
    bool valid;
};

// The first character of each text: what it decodes to and how many bytes a
// reader steps over.
const std::vector<ReadCase> ReadCases = {
    {"ascii", "a\xD0\x96", U'a', 1, true},
    {"two bytes", "\xD0\x96z", U'\u0416', 2, true},
    {"three bytes", "\xE2\x82\xAC", U'\u20AC', 3, true},
    {"four bytes", "\xF0\x9F\x98\x80z", U'\U0001F600', 4, true},
    {"highest code point", "\xF4\x8F\xBF\xBF", U'\U0010FFFF', 4, true},
    {"past U+10FFFF", "\xF4\x90\x80\x80", U'\uFFFD', 4, false},
    {"lead F5", "\xF5\x80\x80\x80", U'\uFFFD', 4, false},
    {"overlong two bytes", "\xC0\x80", U'\uFFFD', 2, false},
    {"overlong C1", "\xC1\xBF", U'\uFFFD', 2, false},
    {"overlong three bytes", "\xE0\x80\x80", U'\uFFFD', 3, false},
    {"overlong four bytes", "\xF0\x8F\xBF\xBF", U'\uFFFD', 4, false},
    {"surrogate", "\xED\xA0\x80", U'\uFFFD', 3, false},
    {"truncated at the end", "\xE2\x82", U'\uFFFD', 2, false},
    {"four bytes cut short", "\xF0\x9F\x98z", U'\uFFFD', 3, false},
    {"lead without continuation", "\xD0z", U'\uFFFD', 1, false},
    {"lone continuation", "\x80z", U'\uFFFD', 1, false},
    {"lead F8", "\xF8\x88\x80\x80\x80", U'\uFFFD', 1, false},
    {"byte FF", "\xFF", U'\uFFFD', 1, false},
};

TEST(Utf8, ReadsOneCharacterAndStepsOverMalformedSequences)
{
    for (const ReadCase& c : ReadCases) {
        const Utf8Char read = ReadUtf8Char(c.bytes, 0);
        EXPECT_EQ(read.codePoint, c.codePoint) << c.name;
        EXPECT_EQ(read.bytes, c.taken) << c.name;
        EXPECT_EQ(read.valid, c.valid) << c.name;
    }
}

TEST(Utf8, ReadsFromTheMiddleWithoutPassingTheEnd)
{
    const std::string text = "a\xF0\x9F\x98";
    const Utf8Char read = ReadUtf8Char(text, 1);
    EXPECT_FALSE(read.valid);
    EXPECT_EQ(read.bytes, 3u);
}

TEST(Utf8, ConvertsToUtf16WithOneReplacementPerMalformedSequence)
{
    const struct {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"a\xD0\x96\xE2\x82\xAC", u"a\u0416\u20AC"},
        {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"a\xFF" "b", u"a\uFFFD" "b"},
        {"\xC0\x80x", u"\uFFFDx"},
        {"\xE2\x82x", u"\uFFFDx"},
        {"\xF4\x90\x80\x80x", u"\uFFFDx"},
        {"\xED\xA0\x80", u"\uFFFD"},
        {"\x80\x80", u"\uFFFD\uFFFD"},
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << testing::PrintToString(c.utf8);
}

TEST(Utf8, ConvertsFromUtf16ReplacingLoneSurrogates)
{
    EXPECT_EQ(Utf16ToUtf8(u"a\u0416\xD83D\xDE00"), "a\xD0\x96\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(u"x\xDC00"), "x\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D"), "\xEF\xBF\xBD");
}

TEST(Utf8Chars, CountsAndCutsWithoutSplittingSequences)
{
    EXPECT_EQ(CountUtf8Chars("aЖ\xF0\x9F\x98\x80"), 3u);
    EXPECT_EQ(CutUtf8Chars("aЖ\xF0\x9F\x98\x80z", 2), "aЖ");
    EXPECT_EQ(CutUtf8Chars("aЖ\xF0\x9F\x98\x80z", 3), "aЖ\xF0\x9F\x98\x80");
    EXPECT_EQ(CutUtf8Chars("abc", 0), "");
    EXPECT_EQ(CutUtf8Chars("abc", 10), "abc");
}

TEST(Utf8Chars, CountMalformedBytesByTheirLeads)
{
    // A stray continuation byte joins the character before it; a lead without
    // its continuation bytes counts as one.
    EXPECT_EQ(CountUtf8Chars("a\x80\x80" "b"), 2u);
    EXPECT_EQ(CountUtf8Chars("\xE2\x82"), 1u);
    EXPECT_EQ(CountUtf8Chars("\xFF\xFE"), 2u);
    EXPECT_EQ(CutUtf8Chars("a\x80\x80" "b", 1), "a\x80\x80");
    EXPECT_EQ(CutUtf8Chars("\xE2\x82z", 1), "\xE2\x82");
}

} // namespace
