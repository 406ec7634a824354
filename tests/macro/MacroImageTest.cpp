#include "macro/MacroImage.h"

#include "support/MacroTestSupport.h"
#include "keys/KeyTable.h"

#include <gtest/gtest.h>

namespace {

std::vector<MacroCopy> Decode(const std::vector<uint8_t>& image, std::string_view prefix = "Macro")
{
    std::vector<uint8_t> area(static_cast<size_t>(DecodedMacroCount(image)) * MacroBlockSize, 0xCC);
    int count = DecodeMacroImage(area, image, prefix);
    std::vector<MacroCopy> macros(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        std::copy_n(area.begin() + k * MacroBlockSize, MacroBlockSize, macros[static_cast<size_t>(k)].bytes.begin());
    return macros;
}

TEST(MacroImage, NoMacrosIsTheSixteenByteHeader)
{
    std::vector<uint8_t> image = MacroImageOf({}, true);
    const std::vector<uint8_t> expected = {0xAA, 0x55, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                                           0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(image, expected);
    EXPECT_EQ(DecodedMacroCount(image), 0);
}

TEST(MacroImage, RecordsCarryCountsCyclesEventsAndNames)
{
    std::vector<MacroCopy> macros = {
        MakeMacro(7, "Ab", {{0, KeyCodes::LeftCtrl, MacroPressed}, {100, 30, MacroReleased}}, 3),
        MakeMacro(2, "", {}, 255),
    };
    const std::vector<uint8_t> withNames = {
        0xAA, 0x55, 0x28, 0x00, 0x02, 0x00, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, // header, length 40
        0x14, 0x00, 0x24, 0x00,                                                 // offsets 20 and 36
        0x02, 0x00, 0x03, 0x02,                                                 // 2 events, cycles 3, name 2
        0x00, 0xA0, 0x01, 0x01, 0x0A, 0x20, 0x02, 0x04,                         // the events
        'A', 0x00, 'b', 0x00,                                                   // the name
        0x00, 0x00, 0xFF, 0x00,                                                 // empty macro, no name
    };
    EXPECT_EQ(MacroImageOf(macros, true), withNames);

    std::vector<uint8_t> withoutNames = MacroImageOf(macros, false);
    ASSERT_EQ(withoutNames.size(), 36u);
    EXPECT_EQ(withoutNames[2], 36);
    EXPECT_EQ(withoutNames[6], 0) << "names flag";
    EXPECT_EQ(withoutNames[23], 0) << "a nameless image stores name length 0";
    EXPECT_EQ(ReadU16(withoutNames.data(), 18), 32) << "second record follows the first without its name";
}

TEST(MacroImage, SizesCountRecordsAndNames)
{
    std::vector<MacroCopy> macros = {MakeMacro(1, std::string(249, 'x'), ManyMacroEvents(4000)),
                                     MakeMacro(2, "Go", ManyMacroEvents(3))};
    MacroImageSizes sizes = ComputeMacroImageSize(MacroArea(macros));
    EXPECT_EQ(sizes.withoutNames, 16u + 4 + (4 + 16000) + (4 + 12));
    EXPECT_EQ(sizes.withNames, sizes.withoutNames + 2 * 249 + 2 * 2);
}

TEST(MacroImage, ADamagedEventCountNeverReadsPastTheBlock)
{
    MacroCopy macro = MakeMacro(1, "Big", ManyMacroEvents(4000));
    macro.View().SetEventCount(0xFFFF);
    std::vector<uint8_t> image = MacroImageOf({macro}, false);
    EXPECT_EQ(image.size(), 16u + 2 + 4 + 16000);
    EXPECT_EQ(ReadU16(image.data(), 18), 4000);
}

TEST(MacroImage, BuilderRefusesLengthsThatDoNotMatch)
{
    std::vector<uint8_t> area = MacroArea({MakeMacro(1, "Name", ManyMacroEvents(2))});
    MacroImageSizes sizes = ComputeMacroImageSize(area);
    std::vector<uint8_t> shortBuffer(sizes.withNames - 1, 0x5A);
    EXPECT_EQ(BuildMacroImage(area, shortBuffer, true), 0);
    EXPECT_EQ(shortBuffer, std::vector<uint8_t>(sizes.withNames - 1, 0x5A)) << "nothing written";
    std::vector<uint8_t> namesSize(sizes.withNames);
    EXPECT_EQ(BuildMacroImage(area, namesSize, false), 0) << "size of the other kind";

    // Five macros of 4000 events do not fit the 16-bit length field.
    std::vector<MacroCopy> big(5, MakeMacro(1, "", ManyMacroEvents(4000)));
    std::vector<uint8_t> bigArea = MacroArea(big);
    std::vector<uint8_t> bigImage(ComputeMacroImageSize(bigArea).withoutNames);
    EXPECT_EQ(BuildMacroImage(bigArea, bigImage, false), 0);
}

TEST(MacroImage, RoundTripKeepsMacrosAndNumbersThemInOrder)
{
    std::vector<MacroCopy> macros = {
        MakeMacro(42, "First", {{0, 30, MacroPressed}, {1230, 30, MacroReleased}}, 5),
        MakeMacro(9, "\xD0\x9C\xD0\xB0\xD0\xBA\xD1\x80\xD0\xBE", {{40000, KeyCodes::MouseLeft, MacroPressed}}, 255),
        MakeMacro(3, "Third", ManyMacroEvents(300), 1, 1),
        MakeMacro(100, std::string(249, 'n'), {{10, KeyCodes::WheelDown, MacroPressed}}),
    };
    for (bool withNames : {true, false}) {
        std::vector<MacroCopy> back = Decode(MacroImageOf(macros, withNames));
        ASSERT_EQ(back.size(), macros.size());
        for (size_t k = 0; k < macros.size(); ++k) {
            ConstMacroBlock original = macros[k].View();
            ConstMacroBlock decoded = back[k].View();
            EXPECT_EQ(decoded.MacroId(), k + 1) << "ids follow image order";
            EXPECT_EQ(decoded.NewFlag(), 0);
            EXPECT_EQ(decoded.PlayMode(), 0);
            EXPECT_EQ(decoded.Cycles(), original.Cycles());
            EXPECT_EQ(decoded.Events(), original.Events()) << "macro " << k;
            EXPECT_EQ(decoded.Name(), withNames ? original.Name() : "Macro" + std::to_string(k + 1));
        }
    }
}

TEST(MacroImage, DecodedBlocksHaveNothingLeftFromBefore)
{
    std::vector<uint8_t> image = MacroImageOf({MakeMacro(1, "A", ManyMacroEvents(2))}, true);
    std::vector<MacroCopy> back = Decode(image);
    ASSERT_EQ(back.size(), 1u);
    const auto& bytes = back[0].bytes;
    EXPECT_TRUE(std::all_of(bytes.begin() + 2, bytes.begin() + 500, [](uint8_t b) { return b == 0; }))
        << "name field zero after the name";
    EXPECT_TRUE(std::all_of(bytes.begin() + 512 + 16, bytes.end(), [](uint8_t b) { return b == 0; }))
        << "unused events zero";
}

// Damaged images: counts, offsets and lengths the decoder must bound.
struct HostileCase {
    const char* why;
    std::vector<uint8_t> image;
    int macros;
    std::vector<int> eventCounts; // per decoded macro
    std::vector<std::string> names;
};

std::vector<uint8_t> Header(uint16_t length, uint16_t count)
{
    std::vector<uint8_t> image(16, 0);
    WriteU16(image.data(), 0, 0x55AA);
    WriteU16(image.data(), 2, length);
    WriteU16(image.data(), 4, count);
    WriteU16(image.data(), 6, 1);
    return image;
}

void Append16(std::vector<uint8_t>& image, uint16_t value)
{
    image.push_back(static_cast<uint8_t>(value));
    image.push_back(static_cast<uint8_t>(value >> 8));
}

std::vector<HostileCase> HostileCases()
{
    std::vector<HostileCase> cases;
    {
        std::vector<uint8_t> image = MacroImageOf({MakeMacro(1, "X", ManyMacroEvents(2))}, true);
        image[0] = 0x00;
        cases.push_back({"no signature reads as no macros", image, 0, {}, {}});
    }
    cases.push_back({"shorter than a header", {0xAA, 0x55, 0x10, 0x00}, 0, {}, {}});
    cases.push_back({"length field below the header", Header(8, 3), 0, {}, {}});
    {
        // 500 macros claimed; only as many offsets as the image holds count.
        std::vector<uint8_t> image = Header(0, 500);
        for (int k = 0; k < 300; ++k)
            Append16(image, 0xFFF0);
        WriteU16(image.data(), 2, static_cast<uint16_t>(image.size()));
        cases.push_back({"more than 100 macros and offsets far outside", image, 100,
                         std::vector<int>(100, 0), std::vector<std::string>(100, "")});
    }
    {
        std::vector<uint8_t> image = Header(0, 1);
        Append16(image, 18);
        Append16(image, 50); // 50 events claimed, 2 present
        image.push_back(2);
        image.push_back(9); // name length 9, absent
        for (int i = 0; i < 2; ++i) {
            Append16(image, 0x8000 | 0x2000 | 1);
            image.push_back(2);
            image.push_back(4);
        }
        WriteU16(image.data(), 2, static_cast<uint16_t>(image.size()));
        cases.push_back({"event count past the end is cut, the name is missing", image, 1, {2}, {"Macro1"}});
    }
    {
        std::vector<uint8_t> image = Header(0, 1);
        Append16(image, 18);
        Append16(image, 0);
        image.push_back(1);
        image.push_back(255); // name longer than the field and than the image
        for (int c = 0; c < 300; ++c)
            Append16(image, 'z');
        WriteU16(image.data(), 2, static_cast<uint16_t>(image.size()));
        cases.push_back({"name cut to the 249-unit field", image, 1, {0}, {std::string(249, 'z')}});
    }
    {
        std::vector<uint8_t> image = Header(0, 1);
        Append16(image, 18);
        Append16(image, 0);
        image.push_back(1);
        image.push_back(4);
        Append16(image, 'a');
        Append16(image, 'b');
        Append16(image, 'c');
        Append16(image, 'd');
        WriteU16(image.data(), 2, static_cast<uint16_t>(image.size() - 4));
        cases.push_back({"bytes past the length field are not read", image, 1, {0}, {"ab"}});
    }
    {
        std::vector<uint8_t> image = MacroImageOf({MakeMacro(1, "Whole", ManyMacroEvents(4000))}, true);
        image.resize(image.size() / 2);
        int fits = static_cast<int>((image.size() - 16 - 2 - 4) / 4);
        cases.push_back({"image cut short: length field larger than the buffer", image, 1, {fits}, {"Macro1"}});
    }
    {
        // Two records share one 4000-event record; a third claims 65535 events.
        std::vector<uint8_t> image = Header(0, 3);
        Append16(image, 22);
        Append16(image, 22);
        Append16(image, 22);
        Append16(image, 0xFFFF);
        image.push_back(1);
        image.push_back(0);
        image.resize(image.size() + 4 * 4001, 0);
        WriteU16(image.data(), 2, static_cast<uint16_t>(image.size()));
        cases.push_back({"event counts cut to 4000", image, 3, {4000, 4000, 4000}, {"Macro1", "Macro2", "Macro3"}});
    }
    return cases;
}

TEST(MacroImage, HostileImagesAreBoundedNeverReadPastTheirEnd)
{
    for (const HostileCase& c : HostileCases()) {
        // Copy to an exactly sized heap buffer so a read past it is caught by sanitizers.
        std::vector<uint8_t> image(c.image);
        std::vector<MacroCopy> back = Decode(image);
        ASSERT_EQ(static_cast<int>(back.size()), c.macros) << c.why;
        for (size_t k = 0; k < back.size(); ++k) {
            ConstMacroBlock block = back[k].View();
            EXPECT_EQ(block.MacroId(), k + 1) << c.why;
            EXPECT_EQ(block.EventCount(), c.eventCounts[k]) << c.why;
            std::string name = c.names[k].empty() ? "Macro" + std::to_string(k + 1) : c.names[k];
            EXPECT_EQ(block.Name(), name) << c.why;
        }
    }
}

TEST(MacroImage, DecodingStopsAtTheAreaGiven)
{
    std::vector<uint8_t> image = MacroImageOf({MakeMacro(1, "A"), MakeMacro(2, "B"), MakeMacro(3, "C")}, true);
    std::vector<uint8_t> area(2 * MacroBlockSize + 100, 0xEE);
    EXPECT_EQ(DecodeMacroImage(area, image, "M"), 2);
    EXPECT_TRUE(std::all_of(area.end() - 100, area.end(), [](uint8_t b) { return b == 0xEE; }));
}

} // namespace
