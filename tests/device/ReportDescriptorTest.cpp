#include "device/HidTestDescriptors.h"
#include "device/hid/ReportDescriptor.h"
#include "device/hid/ReportQueries.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::vector<HidCollectionInfo> Parse(const std::vector<uint8_t>& bytes)
{
    std::vector<HidCollectionInfo> collections;
    std::string error;
    EXPECT_TRUE(ParseReportDescriptor(bytes, collections, &error)) << error;
    return collections;
}

struct CollectionExpectation {
    uint16_t usagePage;
    uint16_t usage;
    uint16_t input;
    uint16_t output;
    uint16_t feature;
    std::vector<uint8_t> reportIds;
    size_t inputButtonCaps;
    size_t inputValueCaps;
};

struct LengthCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<CollectionExpectation> collections;
};

class ReportDescriptorLengths : public testing::TestWithParam<LengthCase> {};

TEST_P(ReportDescriptorLengths, CollectionsAndReportLengths)
{
    const LengthCase& c = GetParam();
    std::vector<HidCollectionInfo> parsed = Parse(c.bytes);
    ASSERT_EQ(parsed.size(), c.collections.size());
    for (size_t i = 0; i < parsed.size(); ++i) {
        SCOPED_TRACE(i);
        const CollectionExpectation& want = c.collections[i];
        EXPECT_EQ(parsed[i].usagePage, want.usagePage);
        EXPECT_EQ(parsed[i].usage, want.usage);
        EXPECT_EQ(parsed[i].InputReportLength(), want.input);
        EXPECT_EQ(parsed[i].OutputReportLength(), want.output);
        EXPECT_EQ(parsed[i].FeatureReportLength(), want.feature);
        EXPECT_EQ(parsed[i].reportIds, want.reportIds);
        EXPECT_EQ(parsed[i].usesReportIds, !want.reportIds.empty());
        EXPECT_EQ(parsed[i].buttonCaps[0].size(), want.inputButtonCaps);
        EXPECT_EQ(parsed[i].valueCaps[0].size(), want.inputValueCaps);
    }
}

// Push/pop restores the usage page and the 12-bit report size; long items and
// delimiters are skipped; a 32-bit usage carries its own page.
const std::vector<uint8_t> PushPopDescriptor = {
    0x05, 0x01, 0x0B, 0x01, 0x00, 0x0C, 0x00, 0xA1, 0x01,       // usage 0x000C0001
    0xFE, 0x02, 0x10, 0xAA, 0xBB,                               // long item
    0x75, 0x0C, 0xA4,                                           // size 12, push
    0x05, 0x09, 0x75, 0x01, 0x95, 0x04, 0x15, 0x00, 0x25, 0x01, //
    0xA9, 0x01, 0x19, 0x01, 0x29, 0x04, 0xA9, 0x00,             // delimited buttons 1..4
    0x81, 0x02, 0xB4,                                           // pop
    0x95, 0x01, 0x09, 0x30, 0x15, 0x00, 0x25, 0x0F, 0x81, 0x02, // X, 12 bits on page 1
    0xC0,
};

INSTANTIATE_TEST_SUITE_P(
    RealDevices, ReportDescriptorLengths,
    testing::Values(
        LengthCase{"BootKeyboard", BootKeyboard, {{0x01, 0x06, 9, 2, 0, {}, 2, 0}}},
        LengthCase{"WheelMouse", WheelMouse, {{0x01, 0x02, 5, 0, 0, {}, 1, 3}}},
        LengthCase{"ConsumerControl", ConsumerControl, {{0x0C, 0x01, 5, 0, 0, {3}, 1, 0}}},
        LengthCase{"Vendor", VendorCollection, {{0xFF1C, 0x92, 64, 64, 0, {4}, 0, 1}}},
        LengthCase{"Composite",
                   CompositeKeyboard(),
                   {{0x01, 0x06, 9, 2, 0, {1}, 2, 0},
                    {0x0C, 0x01, 5, 0, 0, {3}, 1, 0},
                    {0xFF1C, 0x92, 64, 64, 0, {4}, 0, 1}}},
        // Two reports of different lengths in one collection: the longest counts.
        LengthCase{"LongestReportWins",
                   {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,             //
                    0x85, 0x01, 0x09, 0x02, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02, // 7 bytes
                    0x85, 0x02, 0x09, 0x03, 0x95, 0x1F, 0x81, 0x02,             // 31 bytes
                    0x85, 0x05, 0x09, 0x04, 0x95, 0x02, 0xB1, 0x02,             // feature 2 bytes
                    0xC0},
                   {{0xFF00, 0x01, 32, 0, 3, {1, 2, 5}, 0, 2}}},
        LengthCase{"PushPopLongItemDelimiterExtendedUsage", PushPopDescriptor, {{0x0C, 0x01, 3, 0, 0, {}, 1, 1}}}),
    [](const testing::TestParamInfo<LengthCase>& info) { return std::string(info.param.name); });

TEST(ReportDescriptorCaps, BootKeyboardButtons)
{
    const HidCollectionInfo c = Parse(BootKeyboard).at(0);
    ASSERT_EQ(c.buttonCaps[0].size(), 2u);
    const HidButtonCap& mods = c.buttonCaps[0][0];
    EXPECT_EQ(mods.usagePage, 0x07);
    EXPECT_EQ(mods.usageMin, 0xE0);
    EXPECT_EQ(mods.usageMax, 0xE7);
    EXPECT_TRUE(mods.isRange);
    EXPECT_FALSE(mods.isArray);
    EXPECT_EQ(mods.bitPosition, 0u);
    EXPECT_EQ(mods.reportCount, 8);
    const HidButtonCap& keys = c.buttonCaps[0][1];
    EXPECT_TRUE(keys.isArray);
    EXPECT_EQ(keys.usageMin, 0x00);
    EXPECT_EQ(keys.usageMax, 0x65);
    EXPECT_EQ(keys.bitPosition, 16u); // after the reserved byte
    EXPECT_EQ(keys.bitSize, 8);
    EXPECT_EQ(keys.reportCount, 6);
    EXPECT_EQ(keys.logicalMax, 0x65);
    ASSERT_EQ(c.buttonCaps[1].size(), 1u);
    EXPECT_EQ(c.buttonCaps[1][0].usagePage, 0x08);
    EXPECT_EQ(c.buttonCaps[1][0].usageMin, 1);
    EXPECT_EQ(c.buttonCaps[1][0].usageMax, 5);
    EXPECT_EQ(MaxUsageListLength(c, HidReportType::Input, 0x07), 14u);
    EXPECT_EQ(MaxUsageListLength(c, HidReportType::Input, 0x08), 0u);
}

TEST(ReportDescriptorCaps, PopRestoresGlobals)
{
    const HidCollectionInfo c = Parse(PushPopDescriptor).at(0);
    ASSERT_EQ(c.valueCaps[0].size(), 1u);
    EXPECT_EQ(c.valueCaps[0][0].usagePage, 0x01);
    EXPECT_EQ(c.valueCaps[0][0].usageMin, 0x30);
    EXPECT_EQ(c.valueCaps[0][0].bitSize, 12);
    EXPECT_EQ(c.valueCaps[0][0].bitPosition, 4u);
    ASSERT_EQ(c.buttonCaps[0].size(), 1u);
    EXPECT_EQ(c.buttonCaps[0][0].usagePage, 0x09);
    EXPECT_EQ(c.buttonCaps[0][0].usageMax, 4);
}

TEST(ReportDescriptorCaps, MouseValues)
{
    const HidCollectionInfo c = Parse(WheelMouse).at(0);
    ASSERT_EQ(c.valueCaps[0].size(), 3u);
    // One main item: the platform lists its usages last to first.
    const uint16_t usages[] = {0x38, 0x31, 0x30};
    const uint32_t positions[] = {24, 16, 8};
    for (size_t i = 0; i < 3; ++i) {
        const HidValueCap& v = c.valueCaps[0][i];
        EXPECT_EQ(v.usagePage, 0x01);
        EXPECT_EQ(v.usageMin, usages[i]);
        EXPECT_FALSE(v.isRange);
        EXPECT_EQ(v.bitPosition, positions[i]);
        EXPECT_EQ(v.bitSize, 8);
        EXPECT_EQ(v.reportCount, 1);
        EXPECT_EQ(v.logicalMin, -127);
        EXPECT_EQ(v.logicalMax, 127);
    }
    ASSERT_EQ(c.buttonCaps[0].size(), 1u);
    EXPECT_EQ(c.buttonCaps[0][0].usagePage, 0x09);
    EXPECT_EQ(c.buttonCaps[0][0].usageMax, 3);
}

TEST(ReportDescriptorCaps, VendorValueArrayAndUnsignedMaximum)
{
    const HidCollectionInfo c = Parse(VendorCollection).at(0);
    ASSERT_EQ(c.valueCaps[0].size(), 1u);
    EXPECT_EQ(c.valueCaps[0][0].reportId, 4);
    EXPECT_EQ(c.valueCaps[0][0].reportCount, 63);
    EXPECT_EQ(c.valueCaps[0][0].logicalMax, 255); // 0x26 0xFF 0x00, not -1
    ASSERT_EQ(c.valueCaps[1].size(), 1u);
    EXPECT_EQ(c.valueCaps[1][0].bitPosition, 0u);
}

TEST(ReportDescriptorCaps, OneByteMaximumIsSignedAsThePlatformReadsIt)
{
    // 0x25 0xFF is -1 even after a minimum of 0: the raw value still reads,
    // the scaled one reports the range as unusable.
    const std::vector<uint8_t> bytes = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x02, 0x15, 0x00,
                                        0x25, 0xFF, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};
    const HidCollectionInfo c = Parse(bytes).at(0);
    ASSERT_EQ(c.valueCaps[0].size(), 1u);
    EXPECT_EQ(c.valueCaps[0][0].logicalMax, -1);
    uint32_t raw = 0;
    int32_t scaled = 0;
    const std::vector<uint8_t> report = {0, 200};
    EXPECT_EQ(GetUsageValue(c, HidReportType::Input, 0xFF00, 0x02, report, raw), HidStatusSuccess);
    EXPECT_EQ(raw, 200u);
    EXPECT_EQ(GetScaledUsageValue(c, HidReportType::Input, 0xFF00, 0x02, report, scaled), HidStatusBadLogPhyValues);
}

TEST(ReportDescriptorCaps, VariableFieldsBeyondTheUsagesRepeatTheLastOne)
{
    // Usages 1..2 for 4 one-bit fields: the last usage covers fields 3 and 4;
    // usages 5..9 for 3 fields: the range is cut to 5..7.
    const std::vector<uint8_t> bytes = {0x05, 0x09, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01,
                                        0x95, 0x04, 0x19, 0x01, 0x29, 0x02, 0x81, 0x02, 0x95, 0x03, 0x19, 0x05,
                                        0x29, 0x09, 0x81, 0x02, 0x95, 0x01, 0x81, 0x01, 0xC0};
    const HidCollectionInfo c = Parse(bytes).at(0);
    ASSERT_EQ(c.buttonCaps[0].size(), 2u);
    EXPECT_EQ(c.buttonCaps[0][0].usageMax, 2);
    EXPECT_EQ(c.buttonCaps[0][0].reportCount, 4);
    EXPECT_EQ(c.buttonCaps[0][1].usageMin, 5);
    EXPECT_EQ(c.buttonCaps[0][1].usageMax, 7);
    EXPECT_EQ(c.buttonCaps[0][1].bitPosition, 4u);
    std::vector<uint16_t> usages;
    const std::vector<uint8_t> report = {0, 0x0C | 0x40}; // fields 3, 4 and 7 (usage 7)
    EXPECT_EQ(GetUsages(c, HidReportType::Input, 0x09, report, usages, 16), HidStatusSuccess);
    EXPECT_EQ(usages, (std::vector<uint16_t>{2, 2, 7}));
}

// --- decoding ---------------------------------------------------------------

struct UsageCase {
    const char* name;
    const std::vector<uint8_t>* descriptor;
    size_t collection;
    uint16_t usagePage;
    std::vector<uint8_t> report;
    size_t maxCount;
    uint32_t status;
    std::vector<uint16_t> usages;
};

class ReportDescriptorUsages : public testing::TestWithParam<UsageCase> {};

TEST_P(ReportDescriptorUsages, UsagesOn)
{
    const UsageCase& c = GetParam();
    const std::vector<HidCollectionInfo> parsed = Parse(*c.descriptor);
    std::vector<uint16_t> usages;
    EXPECT_EQ(GetUsages(parsed.at(c.collection), HidReportType::Input, c.usagePage, c.report, usages, c.maxCount),
              c.status);
    EXPECT_EQ(usages, c.usages);
}

const std::vector<uint8_t> Composite = CompositeKeyboard();

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportDescriptorUsages,
    testing::Values(
        UsageCase{"ModifierThenKeys", &BootKeyboard, 0, 0x07, {0, 0x02, 0, 0x04, 0x05, 0, 0, 0, 0}, 16,
                  HidStatusSuccess, {0xE1, 0x04, 0x05}},
        UsageCase{"EmptySlotsAndOutOfRangeDropped", &BootKeyboard, 0, 0x07, {0, 0, 0, 0x70, 0, 0x1E, 0xFF, 0, 0}, 16,
                  HidStatusSuccess, {0x1E}},
        UsageCase{"NothingOn", &BootKeyboard, 0, 0x07, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 16, HidStatusSuccess, {}},
        UsageCase{"ListTooShort", &BootKeyboard, 0, 0x07, {0, 0x03, 0, 0x04, 0, 0, 0, 0, 0}, 2,
                  HidStatusBufferTooSmall, {0xE0, 0xE1}},
        UsageCase{"ShortReport", &BootKeyboard, 0, 0x07, {0, 0x01, 0}, 16, HidStatusInvalidReportLength, {0xE0}},
        UsageCase{"PageWithoutButtons", &BootKeyboard, 0, 0x0C, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 16,
                  HidStatusUsageNotFound, {}},
        UsageCase{"MouseButtons", &WheelMouse, 0, 0x09, {0, 0x05, 0, 0, 0}, 16, HidStatusSuccess, {1, 3}},
        UsageCase{"ConsumerNotice", &ConsumerControl, 0, 0x0C, {3, 0x10, 0x18, 0, 0}, 2, HidStatusSuccess, {0x1810}},
        UsageCase{"ConsumerTwoSlots", &ConsumerControl, 0, 0x0C, {3, 0xE9, 0x00, 0x01, 0x04}, 2, HidStatusSuccess,
                  {0x00E9, 0x0401}},
        UsageCase{"OtherReportId", &ConsumerControl, 0, 0x0C, {4, 0x10, 0x18, 0, 0}, 2,
                  HidStatusIncompatibleReportId, {}},
        UsageCase{"CompositeKeyboardReport", &Composite, 0, 0x07, {1, 0, 0, 0x04, 0, 0, 0, 0, 0}, 16,
                  HidStatusSuccess, {0x04}},
        UsageCase{"CompositeConsumerReport", &Composite, 1, 0x0C, {3, 0x02, 0x04, 0, 0}, 2, HidStatusSuccess,
                  {0x0402}}),
    [](const testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST(ReportDescriptorValues, RawAndScaled)
{
    const HidCollectionInfo mouse = Parse(WheelMouse).at(0);
    const std::vector<uint8_t> report = {0, 0x01, 0xFB, 0x10, 0x81};
    uint32_t raw = 0;
    int32_t scaled = 0;
    EXPECT_EQ(GetUsageValue(mouse, HidReportType::Input, 0x01, 0x30, report, raw), HidStatusSuccess);
    EXPECT_EQ(raw, 0xFBu);
    EXPECT_EQ(GetScaledUsageValue(mouse, HidReportType::Input, 0x01, 0x30, report, scaled), HidStatusSuccess);
    EXPECT_EQ(scaled, -5);
    EXPECT_EQ(GetScaledUsageValue(mouse, HidReportType::Input, 0x01, 0x31, report, scaled), HidStatusSuccess);
    EXPECT_EQ(scaled, 16);
    EXPECT_EQ(GetScaledUsageValue(mouse, HidReportType::Input, 0x01, 0x38, report, scaled), HidStatusSuccess);
    EXPECT_EQ(scaled, -127);
    EXPECT_EQ(GetUsageValue(mouse, HidReportType::Input, 0x01, 0x32, report, raw), HidStatusUsageNotFound);
    EXPECT_EQ(GetUsageValue(mouse, HidReportType::Input, 0x01, 0x38, std::vector<uint8_t>{0, 1, 2}, raw),
              HidStatusInvalidReportLength);
}

TEST(ReportDescriptorValues, PhysicalScalingAndNullValue)
{
    // 0..100 logical mapped to 0..1000 physical, 8 bits.
    const std::vector<uint8_t> bytes = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x09, 0x30, 0x15, 0x00,
                                        0x25, 0x64, 0x35, 0x00, 0x46, 0xE8, 0x03, 0x75, 0x08, 0x95,
                                        0x01, 0x81, 0x02, 0xC0};
    const HidCollectionInfo c = Parse(bytes).at(0);
    int32_t scaled = 0;
    EXPECT_EQ(GetScaledUsageValue(c, HidReportType::Input, 0x01, 0x30, std::vector<uint8_t>{0, 50}, scaled),
              HidStatusSuccess);
    EXPECT_EQ(scaled, 500);
    scaled = 7;
    EXPECT_EQ(GetScaledUsageValue(c, HidReportType::Input, 0x01, 0x30, std::vector<uint8_t>{0, 101}, scaled),
              HidStatusNull);
    EXPECT_EQ(scaled, 7);
}

// --- damage -------------------------------------------------------------------

struct DamageCase {
    const char* name;
    std::vector<uint8_t> bytes;
};

class ReportDescriptorDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(ReportDescriptorDamage, Rejected)
{
    std::vector<HidCollectionInfo> collections(1);
    std::string error;
    EXPECT_FALSE(ParseReportDescriptor(GetParam().bytes, collections, &error));
    EXPECT_TRUE(collections.empty());
    EXPECT_FALSE(error.empty());
}

std::vector<uint8_t> ManyFields(size_t count)
{
    std::vector<uint8_t> bytes = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x01, 0x95, 0x01, 0x09, 0x02};
    for (size_t i = 0; i < count; ++i)
        bytes.insert(bytes.end(), {0x09, 0x02, 0x81, 0x02});
    bytes.push_back(0xC0);
    return bytes;
}

std::vector<uint8_t> DeepNesting(size_t depth)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < depth; ++i)
        bytes.insert(bytes.end(), {0xA1, 0x00});
    bytes.insert(bytes.end(), depth, 0xC0);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ReportDescriptorDamage,
    testing::Values(
        DamageCase{"TruncatedItem", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x26, 0xFF}},
        DamageCase{"TruncatedLongItem", {0xFE, 0x10, 0x00, 0x01}},
        DamageCase{"UnclosedCollection", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01}},
        DamageCase{"EndWithoutCollection", {0x05, 0x01, 0xC0}},
        DamageCase{"PopWithoutPush", {0x05, 0x01, 0xB4}},
        DamageCase{"ReportIdZero", {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x00, 0xC0}},
        DamageCase{"UsageMinAboveMax",
                   {0x05, 0x09, 0x09, 0x01, 0xA1, 0x01, 0x19, 0x09, 0x29, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81,
                    0x02, 0xC0}},
        DamageCase{"UsageRangeAcrossPages",
                   {0x09, 0x01, 0xA1, 0x01, 0x1B, 0x01, 0x00, 0x01, 0x00, 0x2B, 0xFF, 0xFF, 0x02, 0x00, 0x75, 0x01,
                    0x95, 0x08, 0x81, 0x02, 0xC0}},
        DamageCase{"NestedTooDeep", DeepNesting(HidMaxCollectionDepth + 1)},
        DamageCase{"ReservedItemType", {0x09, 0x01, 0xA1, 0x01, 0x0C, 0xC0}}),
    [](const testing::TestParamInfo<DamageCase>& info) { return std::string(info.param.name); });

TEST(ReportDescriptorDamage, LimitsThemselvesAreAccepted)
{
    std::vector<HidCollectionInfo> c;
    // Many fields are no damage: only memory is bounded.
    ASSERT_TRUE(ParseReportDescriptor(ManyFields(2000), c));
    EXPECT_EQ(c.at(0).fields.size(), 2000u);
    EXPECT_EQ(c.at(0).InputReportLength(), 1 + 250);
    EXPECT_TRUE(ParseReportDescriptor(DeepNesting(HidMaxCollectionDepth), c));
    // 65534 data bytes plus the report-id byte: the longest length there is.
    const std::vector<uint8_t> longest = {0x09, 0x01, 0xA1, 0x01, 0x09, 0x01, 0x75, 0x08, 0x96, 0xFE, 0xFF, 0x81, 0x02, 0xC0};
    ASSERT_TRUE(ParseReportDescriptor(longest, c));
    EXPECT_EQ(c.at(0).unusable, "");
    EXPECT_EQ(c.at(0).InputReportLength(), HidMaxReportBytes);
}

// Whatever a damaged descriptor parses into must stay inside the bounds, and
// decoding any report against it must be safe.
void CheckBounded(const std::vector<HidCollectionInfo>& collections)
{
    std::vector<uint8_t> report(HidMaxReportBytes, 0xA5);
    for (const HidCollectionInfo& c : collections) {
        ASSERT_LE(DataItemTableBytes(c), HidMaxTableBytes);
        for (const HidField& f : c.fields) {
            report[0] = f.reportId;
            std::vector<uint16_t> usages;
            for (const HidUsageRange& u : f.usages) {
                GetUsages(c, f.type, u.usagePage, report, usages, 64);
                uint32_t raw = 0;
                int32_t scaled = 0;
                GetUsageValue(c, f.type, u.usagePage, u.usageMin, report, raw);
                GetScaledUsageValue(c, f.type, u.usagePage, u.usageMin, report, scaled);
            }
        }
    }
}

TEST(ReportDescriptorDamage, EveryPrefixOfTheCompositeIsSafe)
{
    const std::vector<uint8_t> full = CompositeKeyboard();
    size_t accepted = 0;
    for (size_t n = 0; n < full.size(); ++n) {
        std::vector<HidCollectionInfo> collections;
        const std::vector<uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        if (ParseReportDescriptor(prefix, collections)) {
            ++accepted;
            CheckBounded(collections);
            ASSERT_LT(collections.size(), 3u) << n; // a prefix never holds the whole interface
        }
    }
    // Every item boundary outside the collections: three before each of the
    // three collections (empty, after the usage page, after the usage).
    EXPECT_EQ(accepted, 9u);
}

TEST(ReportDescriptorDamage, FlippedBytesAreSafe)
{
    const std::vector<uint8_t> full = CompositeKeyboard();
    for (size_t i = 0; i < full.size(); ++i) {
        for (uint8_t mask : {0x01, 0x02, 0x04, 0x10, 0x80, 0xFF}) {
            std::vector<uint8_t> damaged = full;
            damaged[i] ^= mask;
            std::vector<HidCollectionInfo> collections;
            if (ParseReportDescriptor(damaged, collections))
                CheckBounded(collections);
        }
    }
}

TEST(ReportDescriptorDamage, RandomBytesAreSafe)
{
    std::mt19937 random(604);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(1, 200);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> bytes(static_cast<size_t>(size(random)));
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(byte(random));
        std::vector<HidCollectionInfo> collections;
        if (ParseReportDescriptor(bytes, collections))
            CheckBounded(collections);
    }
}

} // namespace
