// Small hand-made descriptors, each showing one rule of the platform's HID
// parser that report lengths, capabilities and data-item tables must follow.
#include "device/hid/HidDevice.h"
#include "device/protocol/NotificationReader.h"
#include "device/hid/ReportDescriptor.h"
#include "device/hid/ReportQueries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One capability as the platform lists it: B button, V value.
struct Cap {
    char kind;
    HidReportType type;
    uint16_t usagePage;
    uint16_t usageMin;
    uint16_t usageMax;
    uint16_t reportCount;
    uint16_t bitSize;
    int32_t logicalMin;
    int32_t logicalMax;
    int32_t physicalMin = 0;
    int32_t physicalMax = 0;
    bool constant = false;
};

struct PlatformCase {
    const char* name;
    std::vector<uint8_t> bytes;
    uint16_t input;
    uint16_t output;
    uint16_t feature;
    std::vector<Cap> caps; // in the platform's order, buttons then values of each type
};

constexpr HidReportType In = HidReportType::Input;
constexpr HidReportType Feat = HidReportType::Feature;

std::vector<Cap> CapsOf(const HidCollectionInfo& c)
{
    std::vector<Cap> out;
    for (size_t t = 0; t < HidReportTypeCount; ++t) {
        const HidReportType type = static_cast<HidReportType>(t);
        for (const HidButtonCap& b : c.buttonCaps[t])
            out.push_back({'B', type, b.usagePage, b.usageMin, b.usageMax, b.reportCount,
                           static_cast<uint16_t>(b.isArray ? b.bitSize : 1), b.logicalMin, b.logicalMax, 0, 0,
                           b.isConstant});
        for (const HidValueCap& v : c.valueCaps[t])
            out.push_back({'V', type, v.usagePage, v.usageMin, v.usageMax, v.reportCount, v.bitSize, v.logicalMin,
                           v.logicalMax, v.physicalMin, v.physicalMax, v.isConstant});
    }
    return out;
}

std::string Describe(const Cap& c)
{
    return std::string(1, c.kind) + " type " + std::to_string(static_cast<int>(c.type)) + " page "
        + std::to_string(c.usagePage) + " usages " + std::to_string(c.usageMin) + ".." + std::to_string(c.usageMax)
        + " count " + std::to_string(c.reportCount) + " size " + std::to_string(c.bitSize) + " logical "
        + std::to_string(c.logicalMin) + ".." + std::to_string(c.logicalMax) + " physical "
        + std::to_string(c.physicalMin) + ".." + std::to_string(c.physicalMax) + (c.constant ? " constant" : "");
}

class PlatformParse : public testing::TestWithParam<PlatformCase> {};

TEST_P(PlatformParse, LengthsAndCapabilities)
{
    const PlatformCase& c = GetParam();
    std::vector<HidCollectionInfo> parsed;
    std::string error;
    ASSERT_TRUE(ParseReportDescriptor(c.bytes, parsed, &error)) << error;
    ASSERT_FALSE(parsed.empty());
    const HidCollectionInfo& first = parsed[0];
    EXPECT_EQ(first.unusable, "");
    EXPECT_EQ(first.InputReportLength(), c.input);
    EXPECT_EQ(first.OutputReportLength(), c.output);
    EXPECT_EQ(first.FeatureReportLength(), c.feature);
    std::vector<std::string> got, want;
    for (const Cap& cap : CapsOf(first))
        got.push_back(Describe(cap));
    for (const Cap& cap : c.caps)
        want.push_back(Describe(cap));
    EXPECT_EQ(got, want);
}

// Application collection of vendor page 0xFF00 around the items.
std::vector<uint8_t> Vendor(std::vector<uint8_t> items)
{
    std::vector<uint8_t> bytes = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
    bytes.insert(bytes.end(), items.begin(), items.end());
    bytes.push_back(0xC0);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PlatformParse,
    testing::Values(
        // 90 constant bytes in a feature report still make it 91 bytes long.
        PlatformCase{"ConstantOnlyReport", Vendor({0x85, 0x05, 0x75, 0x08, 0x95, 0x5A, 0xB1, 0x01}), 0, 0, 91, {}},
        // Fields wider than 32 bits take their bits and are value caps.
        PlatformCase{"WideFields",
                     Vendor({0x15, 0x00, 0x25, 0x01, 0x85, 0x01, 0x09, 0x10, 0x75, 0x58, 0x95, 0x01, 0x81, 0x02,
                             0x85, 0x02, 0x09, 0x11, 0x75, 0x68, 0x81, 0x02}),
                     14, 0, 0,
                     {{'V', In, 0xFF00, 0x10, 0x10, 1, 88, 0, 1}, {'V', In, 0xFF00, 0x11, 0x11, 1, 104, 0, 1}}},
        // Sixteen 1-bit fields are buttons whatever their logical maximum,
        // and 26 FF FF is -1.
        PlatformCase{"OneBitFieldsAreButtons",
                     {0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x10, 0x15, 0x00, 0x26, 0xFF,
                      0xFF, 0x75, 0x01, 0x95, 0x10, 0x81, 0x02, 0xC0},
                     3, 0, 0,
                     {{'B', In, 0x09, 1, 16, 16, 1, 0, -1}}},
        // Extents are signed numbers of their item's size.
        PlatformCase{"SignedExtents",
                     {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x09, 0x30, 0x15, 0x00, 0x26, 0xFF, 0xFF, 0x35, 0x00, 0x46,
                      0xFF, 0x00, 0x75, 0x10, 0x95, 0x01, 0x81, 0x02, 0x09, 0x31, 0x27, 0xFF, 0xFF, 0x00, 0x00, 0x36,
                      0x00, 0x80, 0x47, 0xFF, 0xFF, 0x00, 0x00, 0x81, 0x02, 0x09, 0x32, 0x15, 0x80, 0x25, 0xFF, 0x35,
                      0xFF, 0x45, 0x80, 0x75, 0x08, 0x81, 0x02, 0xC0},
                     6, 0, 0,
                     {{'V', In, 0x01, 0x30, 0x30, 1, 16, 0, -1, 0, 255},
                      {'V', In, 0x01, 0x31, 0x31, 1, 16, 0, 65535, -32768, 65535},
                      {'V', In, 0x01, 0x32, 0x32, 1, 8, -128, -1, -1, -128}}},
        // The caps of one main item come in reverse usage order.
        PlatformCase{"MouseAxesReversed",
                     {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08,
                      0x95, 0x02, 0x81, 0x06, 0xC0},
                     3, 0, 0,
                     {{'V', In, 0x01, 0x31, 0x31, 1, 8, -127, 127}, {'V', In, 0x01, 0x30, 0x30, 1, 8, -127, 127}}},
        PlatformCase{"ConsumerButtonsReversed",
                     {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x82, 0x09, 0x81, 0x09, 0x83, 0x15, 0x00, 0x25, 0x01,
                      0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0},
                     2, 0, 0,
                     {{'B', In, 0x0C, 0x83, 0x83, 1, 1, 0, 1},
                      {'B', In, 0x0C, 0x81, 0x81, 1, 1, 0, 1},
                      {'B', In, 0x0C, 0x82, 0x82, 1, 1, 0, 1}}},
        PlatformCase{"ArrayUsagesReversed",
                     {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x82, 0x09, 0x81, 0x09, 0x83, 0x15, 0x01, 0x25, 0x03,
                      0x75, 0x08, 0x95, 0x01, 0x81, 0x00, 0xC0},
                     2, 0, 0,
                     {{'B', In, 0x0C, 0x83, 0x83, 1, 8, 1, 3},
                      {'B', In, 0x0C, 0x81, 0x81, 1, 8, 1, 3},
                      {'B', In, 0x0C, 0x82, 0x82, 1, 8, 1, 3}}},
        // A constant field that names a usage is a capability (marked
        // constant); one without a usage is padding.
        PlatformCase{"ConstantWithUsageIsACapability",
                     Vendor({0x15, 0x00, 0x26, 0xFF, 0x00, 0x09, 0x20, 0x75, 0x08, 0x95, 0x01, 0x81, 0x03, 0x09, 0x21,
                             0x75, 0x01, 0x81, 0x01, 0x75, 0x07, 0x81, 0x01, 0x09, 0x22, 0x75, 0x08, 0x81, 0x02}),
                     4, 0, 0,
                     {{'B', In, 0xFF00, 0x21, 0x21, 1, 1, 0, 255, 0, 0, true},
                      {'V', In, 0xFF00, 0x20, 0x20, 1, 8, 0, 255, 0, 0, true},
                      {'V', In, 0xFF00, 0x22, 0x22, 1, 8, 0, 255}}},
        // A touch controller's 7488-byte vendor report.
        PlatformCase{"LongReport",
                     Vendor({0x85, 0x01, 0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x96, 0x3F, 0x1D,
                             0x81, 0x02, 0x85, 0x02, 0x09, 0x03, 0x95, 0x3F, 0xB1, 0x02}),
                     7488, 0, 64,
                     {{'V', In, 0xFF00, 0x02, 0x02, 7487, 8, 0, 255}, {'V', Feat, 0xFF00, 0x03, 0x03, 63, 8, 0, 255}}}),
    [](const testing::TestParamInfo<PlatformCase>& info) { return std::string(info.param.name); });

// --- data items and notices ---------------------------------------------------

std::vector<HidCollectionInfo> Parse(const std::vector<uint8_t>& bytes)
{
    std::vector<HidCollectionInfo> collections;
    std::string error;
    EXPECT_TRUE(ParseReportDescriptor(bytes, collections, &error)) << error;
    return collections;
}

std::vector<uint16_t> ItemUsages(const std::vector<HidDataItem>& items)
{
    std::vector<uint16_t> usages;
    for (const HidDataItem& item : items)
        usages.push_back(item.usage);
    return usages;
}

TEST(PlatformDataItems, FollowTheCapabilityOrder)
{
    // Three buttons, then X, Y and a wheel in one main item.
    const std::vector<uint8_t> mouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
                                        0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05,
                                        0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81,
                                        0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0};
    const HidCollectionInfo c = Parse(mouse).at(0);
    std::vector<HidDataItem> items = BuildDataItems(c, HidReportType::Input);
    EXPECT_EQ(ItemUsages(items), (std::vector<uint16_t>{1, 0x38, 0x31, 0x30}));
    const uint8_t report[] = {0, 0x01, 0x05, 0xFB, 0x81};
    ASSERT_TRUE(DecodeInputReport(report, sizeof report, HidReportType::Input, items, c));
    EXPECT_EQ(items[1].thirdWord, -127); // wheel
    EXPECT_EQ(items[2].thirdWord, -5);   // Y
    EXPECT_EQ(items[3].thirdWord, 5);    // X
}

// A consumer collection whose one array item names the reset notice's range
// and then V+ alone: the platform lists V+ first, and the notice is what the
// report's first item holds.
const std::vector<uint8_t> TwoUsageConsumer = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03,             // Consumer Control, report 3
    0x1A, 0x01, 0x04, 0x2A, 0x02, 0x04, 0x09, 0xE9,             // 0x0401..0x0402, then 0x00E9
    0x15, 0x00, 0x25, 0x02, 0x75, 0x10, 0x95, 0x02, 0x81, 0x00, // 2 slots of indices 0..2
    0x85, 0x05, 0x09, 0xCD, 0x25, 0x01, 0x75, 0x01, 0x95, 0x01, // report 5: Play/Pause
    0x81, 0x02, 0x75, 0x07, 0x81, 0x01, 0xC0,
};

TEST(PlatformDataItems, NoticeComesFromTheReportsFirstItem)
{
    const HidCollectionInfo c = Parse(TwoUsageConsumer).at(0);
    std::vector<HidDataItem> items = BuildDataItems(c, HidReportType::Input);
    ASSERT_EQ(ItemUsages(items), (std::vector<uint16_t>{0xE9, 0x0401, 0xCD}));
    // Slots: index 2 (V+) and index 0 (0x0401).
    const uint8_t both[] = {3, 2, 0, 0, 0};
    ASSERT_TRUE(DecodeInputReport(both, sizeof both, HidReportType::Input, items, c));
    EXPECT_EQ(NoticeOf(items, 3), 0xE9);
    const uint8_t reset[] = {3, 1, 0, 0, 0};
    ASSERT_TRUE(DecodeInputReport(reset, sizeof reset, HidReportType::Input, items, c));
    EXPECT_EQ(items[0].usageList[0], 0);
    EXPECT_EQ(NoticeOf(items, 3), 0);
    // A report of another id leaves report 3's items as they were: the
    // notice is that report's own, not a replay of the last one.
    const uint8_t vPlus[] = {3, 2, 0, 2, 0};
    ASSERT_TRUE(DecodeInputReport(vPlus, sizeof vPlus, HidReportType::Input, items, c));
    const uint8_t play[] = {5, 0x01};
    ASSERT_TRUE(DecodeInputReport(play, sizeof play, HidReportType::Input, items, c));
    EXPECT_EQ(items[0].usageList[0], 0xE9);
    EXPECT_EQ(NoticeOf(items, 5), 0xCD);
    EXPECT_EQ(NoticeOf(items, 7), 0);
}

// --- what cannot be represented -------------------------------------------------

struct UnusableCase {
    const char* name;
    std::vector<uint8_t> items; // inside a vendor collection
};

class PlatformUnusable : public testing::TestWithParam<UnusableCase> {};

// The consumer collection of the keyboard after the broken one.
const std::vector<uint8_t> Consumer = {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x00, 0x2A, 0xFF,
                                       0x3F, 0x15, 0x00, 0x26, 0xFF, 0x3F, 0x75, 0x10, 0x95, 0x02, 0x81, 0x00, 0xC0};

TEST_P(PlatformUnusable, OnlyThatCollectionIsLost)
{
    std::vector<uint8_t> bytes = Vendor(GetParam().items);
    bytes.insert(bytes.end(), Consumer.begin(), Consumer.end());
    const std::vector<HidCollectionInfo> parsed = Parse(bytes);
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_NE(parsed[0].unusable, "");
    EXPECT_EQ(parsed[0].usagePage, 0xFF00);
    EXPECT_TRUE(parsed[0].fields.empty());
    EXPECT_EQ(parsed[0].InputReportLength(), 0);
    EXPECT_EQ(parsed[1].unusable, "");
    EXPECT_EQ(parsed[1].InputReportLength(), 5);
    EXPECT_EQ(BuildDataItems(parsed[1], HidReportType::Input).size(), 1u);
}

// Reports first..255 of one type, each of the given items.
std::vector<uint8_t> EveryReportId(const std::vector<uint8_t>& globals, const std::vector<uint8_t>& field, int first = 1)
{
    std::vector<uint8_t> bytes = globals;
    for (int id = first; id <= 255; ++id) {
        bytes.insert(bytes.end(), {0x85, static_cast<uint8_t>(id)});
        bytes.insert(bytes.end(), field.begin(), field.end());
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, PlatformUnusable,
    testing::Values(
        // 65535 data bytes and the id byte: one past a 16-bit length.
        UnusableCase{"ReportPast16BitLength", {0x09, 0x02, 0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02}},
        UnusableCase{"PaddingPast16BitLength",
                     {0x09, 0x02, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x96, 0xFF, 0xFF, 0x81, 0x01}},
        UnusableCase{"CountPast16Bits", {0x09, 0x02, 0x75, 0x01, 0x97, 0x00, 0x00, 0x01, 0x00, 0x81, 0x02}},
        UnusableCase{"SizePast16Bits", {0x09, 0x02, 0x77, 0x00, 0x00, 0x01, 0x00, 0x95, 0x01, 0x81, 0x02}},
        UnusableCase{"CountAbsurd", {0x09, 0x02, 0x75, 0x08, 0x97, 0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x02}},
        // 250 reports (the consumer collection keeps id 3) of 32760 value
        // usages each: half a gigabyte of items.
        UnusableCase{"TablesPastTheBound",
                     EveryReportId({0x75, 0x08, 0x96, 0xF8, 0x7F, 0x15, 0x00, 0x26, 0xFF, 0x00},
                                   {0x19, 0x00, 0x2A, 0xF7, 0x7F, 0x81, 0x02}, 6)}),
    [](const testing::TestParamInfo<UnusableCase>& info) { return std::string(info.param.name); });

TEST(PlatformBounds, UsageListsHoldWhatOneReportCanName)
{
    // 255 reports, each 4095 key slots of page 7: as one list per item that
    // would be a million entries per item; a report fills only its own.
    const std::vector<uint8_t> bytes = Vendor(EveryReportId(
        {0x05, 0x07, 0x75, 0x08, 0x96, 0xFF, 0x0F, 0x15, 0x00, 0x26, 0xFF, 0x00}, {0x19, 0x00, 0x29, 0xFF, 0x81, 0x00}));
    const HidCollectionInfo c = Parse(bytes).at(0);
    ASSERT_EQ(c.unusable, "");
    EXPECT_EQ(c.InputReportLength(), 4096);
    EXPECT_EQ(MaxUsageListLength(c, HidReportType::Input, 0x07), 255u * 4095);
    std::vector<HidDataItem> items = BuildDataItems(c, HidReportType::Input);
    ASSERT_EQ(items.size(), 255u);
    EXPECT_EQ(items[0].thirdWord, 255 * 4095);
    EXPECT_EQ(items[0].usageList.size(), 4095u);
    std::vector<uint8_t> report(4096, 0);
    report[0] = 9;
    report[1] = 0x04;
    report[4095] = 0x05;
    ASSERT_TRUE(DecodeInputReport(report.data(), report.size(), HidReportType::Input, items, c));
    EXPECT_EQ(items[8].status, HidStatusSuccess);
    EXPECT_EQ(items[8].usageList[0], 0x04);
    EXPECT_EQ(items[8].usageList[1], 0x05);
    EXPECT_EQ(items[8].usageList[2], 0);
}

TEST(PlatformBounds, WideValuesSayTheyDoNotFit)
{
    const HidCollectionInfo c =
        Parse(Vendor({0x09, 0x10, 0x75, 0x28, 0x95, 0x01, 0x81, 0x02, 0x09, 0x11, 0x75, 0x08, 0x81, 0x02})).at(0);
    const std::vector<uint8_t> report = {0, 1, 2, 3, 4, 5, 0x2A};
    uint32_t raw = 0;
    EXPECT_EQ(GetUsageValue(c, HidReportType::Input, 0xFF00, 0x10, report, raw), HidStatusBufferTooSmall);
    EXPECT_EQ(GetUsageValue(c, HidReportType::Input, 0xFF00, 0x11, report, raw), HidStatusSuccess);
    EXPECT_EQ(raw, 0x2Au);
}

} // namespace
