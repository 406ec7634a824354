#include "macro/MacroMemoryUse.h"

#include "support/MacroTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct MacroSpec {
    std::string name;
    int events;
};

struct UseCase {
    const char* what;
    std::vector<MacroSpec> macros;
    int selected;       // this macro's events are in the editor's rows only
    uint32_t capacity;
    // Worked out by hand from the record layout: 16 + 2N, then per macro
    // 4 + 4 per event, and 2 per name unit with names.
    uint32_t withNames;
    uint32_t withoutNames;
    MacroFit fit;
};

std::vector<MacroEvent> Events(int count)
{
    std::vector<MacroEvent> events;
    for (int i = 0; i < count; ++i)
        events.push_back({static_cast<uint32_t>(10 * i), static_cast<uint16_t>(30 + i % 10), static_cast<uint16_t>(i % 2)});
    return events;
}

// The editor's working copies; the selected macro's copy still holds other
// events than its rows, as it does between two selection changes.
MacroList ListOf(const UseCase& c)
{
    MacroList list;
    for (size_t k = 0; k < c.macros.size(); ++k) {
        const bool selected = static_cast<int>(k) == c.selected;
        list.macros.push_back(MakeMacro(static_cast<uint16_t>(k + 1), "", selected ? Events(7) : Events(c.macros[k].events)));
        list.macros.back().View().SetName16(Utf8ToUtf16(c.macros[k].name));
    }
    list.selected = c.selected;
    if (c.selected >= 0)
        list.rows = Events(c.macros[static_cast<size_t>(c.selected)].events);
    return list;
}

const std::string LongName(MaxMacroNameUnits, 'n');
constexpr uint32_t LargestCapacity = 255 * 128;

const UseCase UseCases[] = {
    {"no macros: the header exactly fits", {}, -1, 16, 16, 16, MacroFit::WithNames},
    {"no macros: one byte short of the header", {}, -1, 15, 16, 16, MacroFit::TooLarge},
    {"exactly fits with names", {{"ab", 2}}, -1, 34, 34, 30, MacroFit::WithNames},
    {"one byte over with names", {{"ab", 2}}, -1, 33, 34, 30, MacroFit::WithoutNames},
    {"exactly fits without names", {{"ab", 2}}, -1, 30, 34, 30, MacroFit::WithoutNames},
    {"one byte over without names", {{"ab", 2}}, 0, 29, 34, 30, MacroFit::TooLarge},
    // Names count in UTF-16 units: a pair for the emoji.
    {"names of every kind, exactly fitting", {{"Build", 3}, {"", 0}, {"Привет😀", 1}}, 0, 76, 76, 50,
     MacroFit::WithNames},
    {"names of every kind, one byte over", {{"Build", 3}, {"", 0}, {"Привет😀", 1}}, 0, 75, 76, 50,
     MacroFit::WithoutNames},
    {"the selected macro counts its rows", {{"x", 0}, {"y", 4000}}, 1, LargestCapacity, 16032, 16028,
     MacroFit::WithNames},
    {"the longest macro with the longest name", {{LongName, 4000}}, -1, LargestCapacity, 16520, 16022,
     MacroFit::WithNames},
    {"four full macros fit the length field", {{"m", 4000}, {"m", 4000}, {"m", 4000}, {"m", 4000}}, 2, 0xFFFFFFFFu,
     64048, 64040, MacroFit::WithNames},
    {"names push the image past the 16-bit length",
     {{LongName, 4000}, {LongName, 4000}, {LongName, 4000}, {LongName, 4000}}, -1, 0xFFFFFFFFu, 66032, 64040,
     MacroFit::WithoutNames},
    {"five full macros never fit", {{"m", 4000}, {"m", 4000}, {"m", 4000}, {"m", 4000}, {"m", 4000}}, -1,
     0xFFFFFFFFu, 80056, 80046, MacroFit::TooLarge},
};

// The gauge's numbers are the builder's: an image of each size builds, and
// carries that size as its length; the chosen one is what the writer sends.
TEST(MacroMemoryUse, TheGaugeMeasuresWhatTheImageBuilderBuilds)
{
    for (const UseCase& c : UseCases) {
        SCOPED_TRACE(c.what);
        MacroList list = ListOf(c);
        const MacroMemoryUse use = MeasureMacroMemory(list, c.capacity);
        EXPECT_EQ(use.sizes.withNames, c.withNames);
        EXPECT_EQ(use.sizes.withoutNames, c.withoutNames);
        EXPECT_EQ(use.capacity, c.capacity);
        EXPECT_EQ(use.fit, c.fit);
        const uint32_t sent = c.fit == MacroFit::WithNames ? c.withNames : c.fit == MacroFit::WithoutNames ? c.withoutNames : 0;
        EXPECT_EQ(use.ImageBytes(), sent);
        if (c.selected >= 0) {
            EXPECT_EQ(list.macros[static_cast<size_t>(c.selected)].View().Events(), list.rows) << "rows stored";
        }

        const std::vector<uint8_t> area = MacroArea(list.macros);
        for (const bool names : {true, false}) {
            const uint32_t size = names ? c.withNames : c.withoutNames;
            if (size > MaxMacroImageLength)
                continue;
            std::vector<uint8_t> image(size);
            ASSERT_EQ(BuildMacroImage(area, image, names), 1) << (names ? "with names" : "without names");
            EXPECT_EQ(ReadU16(image.data(), ImageLengthOffset), size);
            std::vector<uint8_t> shorter(size - 2);
            EXPECT_EQ(BuildMacroImage(area, shorter, names), 0) << "no other size builds";
        }
        if (sent != 0) {
            std::vector<uint8_t> image(sent);
            ASSERT_EQ(BuildMacroImage(area, image, c.fit == MacroFit::WithNames), 1);
            EXPECT_EQ(ReadU16(image.data(), ImageNamesFlagOffset), c.fit == MacroFit::WithNames ? 1 : 0);
        }
    }
}

TEST(MacroMemoryUse, OnlyNamesAnImageWithoutNamesCannotGiveBackAreLost)
{
    const struct {
        const char* what;
        std::vector<std::string> names;
        bool lost;
    } cases[] = {
        {"no macros", {}, false},
        {"numbered as the keyboard's own", {"Macro1", "Macro2", "Macro3"}, false},
        {"one name of the owner's", {"Macro1", "Jump", "Macro3"}, true},
        {"numbers out of place", {"Macro2", "Macro1"}, true},
        {"another letter case", {"macro1"}, true},
        {"an empty name", {""}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<MacroCopy> copies;
        std::vector<ConstMacroBlock> views;
        for (size_t k = 0; k < c.names.size(); ++k)
            copies.push_back(MakeMacro(static_cast<uint16_t>(k + 1), c.names[k]));
        for (const MacroCopy& copy : copies)
            views.push_back(copy.View());
        std::vector<std::u16string> expected;
        if (c.lost) {
            for (const std::string& name : c.names)
                expected.push_back(Utf8ToUtf16(name));
        }
        EXPECT_EQ(NamesLostWithoutImage(views, "Macro"), expected);
    }
}

} // namespace
