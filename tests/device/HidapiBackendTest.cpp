#include "device/HidTestDescriptors.h"
#include "device/hid/HidapiBackend.h"

#include <gtest/gtest.h>

namespace {

TEST(HidapiBackendPath, OnlyHidrawNodesWithACollectionIndex)
{
    struct Case {
        const char* path;
        const char* node; // nullptr: rejected
        int collection;
    };
    const Case cases[] = {
        {"/dev/hidraw3", "/dev/hidraw3", 0},
        {"/dev/hidraw3#1", "/dev/hidraw3", 1},
        {"/dev/hidraw12#255", "/dev/hidraw12", 255},
        {"/dev/hidraw3#256", nullptr, 0},
        {"/dev/hidraw3#", nullptr, 0},
        {"/dev/hidraw3#-1", nullptr, 0},
        {"/dev/hidraw3#1#2", nullptr, 0},
        {"/dev/hidraw", nullptr, 0},
        {"/dev/hidrawx", nullptr, 0},
        {"/dev/hidraw3/../sda", nullptr, 0},
        {"/dev/null", nullptr, 0},
        {"\\\\?\\hid#vid_320f&pid_5000", nullptr, 0},
        {"", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::optional<HidrawPath> parsed = ParseHidrawPath(c.path);
        ASSERT_EQ(parsed.has_value(), c.node != nullptr);
        if (parsed) {
            EXPECT_EQ(parsed->node, c.node);
            EXPECT_EQ(parsed->collection, c.collection);
            EXPECT_EQ(ParseHidrawPath(MakeHidrawPath(parsed->node, parsed->collection))->collection, c.collection);
        }
    }
}

TEST(HidapiBackendPath, NonDevicePathsAreNeverOpenedOrPresent)
{
    HidapiBackend backend;
    EXPECT_EQ(backend.Open("/dev/null", HidOpenMode{}), nullptr);
    EXPECT_FALSE(backend.Present("/dev/null"));
    EXPECT_FALSE(backend.Present("/dev/hidraw987#0"));
    EXPECT_EQ(backend.Open("/dev/hidraw987#0", HidOpenMode{}), nullptr);
}

TEST(HidapiBackendEnumerate, EveryEntryIsOneCollectionOfANode)
{
    // No keyboard is attached here; whatever is, each entry must name a node
    // and a collection.
    HidapiBackend backend;
    std::vector<HidInterfaceInfo> interfaces;
    ASSERT_TRUE(backend.Enumerate(interfaces));
    for (const HidInterfaceInfo& info : interfaces) {
        SCOPED_TRACE(info.path);
        EXPECT_NE(info.path.find('#'), std::string::npos);
        EXPECT_TRUE(ParseHidrawPath(info.path));
    }
}

TEST(HidapiBackendCollections, OneEntryPerTopLevelCollection)
{
    HidInterfaceInfo node;
    node.path = "/dev/hidraw4";
    node.vendorId = 0x320F;
    node.productId = 0x5000;
    node.version = 0x0105;
    const std::vector<uint8_t> composite = CompositeKeyboard();
    const std::vector<std::pair<uint16_t, uint16_t>> hidapiUsages = {{0x01, 0x06}};

    std::vector<HidInterfaceInfo> list = CollectionInterfaces(node, composite, hidapiUsages);
    ASSERT_EQ(list.size(), 3u);
    const std::pair<uint16_t, uint16_t> usages[] = {{0x01, 0x06}, {0x0C, 0x01}, {0xFF1C, 0x92}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(list[i].path, "/dev/hidraw4#" + std::to_string(i));
        EXPECT_EQ(list[i].usagePage, usages[i].first);
        EXPECT_EQ(list[i].usage, usages[i].second);
        EXPECT_EQ(list[i].vendorId, 0x320F);
        EXPECT_EQ(list[i].productId, 0x5000);
        EXPECT_EQ(list[i].version, 0x0105);
    }

    // Unreadable or damaged descriptor: hidapi's own usages stand in.
    std::vector<uint8_t> damaged = composite;
    damaged.pop_back();
    for (const std::vector<uint8_t>& bad : {std::vector<uint8_t>{}, damaged}) {
        list = CollectionInterfaces(node, bad, hidapiUsages);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].path, "/dev/hidraw4#0");
        EXPECT_EQ(list[0].usage, 0x06);
    }
}

TEST(HidapiBackendFilter, EachCollectionSeesOnlyItsOwnReports)
{
    std::vector<HidCollectionInfo> collections;
    ASSERT_TRUE(ParseReportDescriptor(CompositeKeyboard(), collections));
    const HidCollectionInfo& keyboard = collections[0];
    const HidCollectionInfo& consumer = collections[1];
    const HidCollectionInfo& vendor = collections[2];

    std::vector<uint8_t> vendorReply(64, 0x11);
    vendorReply[0] = 4;
    const std::vector<uint8_t> notice = {3, 0x10, 0x18, 0, 0};
    const std::vector<uint8_t> keys = {1, 0, 0, 4, 0, 0, 0, 0, 0};

    struct Case {
        const char* name;
        const HidCollectionInfo* collection;
        const std::vector<uint8_t>* report;
        bool kept;
    };
    const Case cases[] = {
        {"vendor reply on vendor", &vendor, &vendorReply, true},
        {"notice on vendor", &vendor, &notice, false},
        {"keys on vendor", &vendor, &keys, false},
        {"notice on consumer", &consumer, &notice, true},
        {"vendor reply on consumer", &consumer, &vendorReply, false},
        {"keys on keyboard", &keyboard, &keys, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> out(64, 0xEE);
        std::optional<size_t> n = FilterInputReport(*c.report, *c.collection, true, out);
        ASSERT_EQ(n.has_value(), c.kept);
        if (n) {
            ASSERT_EQ(*n, c.report->size());
            EXPECT_TRUE(std::equal(c.report->begin(), c.report->end(), out.begin()));
        }
    }
    std::vector<uint8_t> out(64);
    EXPECT_FALSE(FilterInputReport({}, vendor, true, out));
}

// What every open of the keyboard's node receives while two programs talk to
// it: both programs' replies on the vendor collection, the keyboard's
// notices and key reports, in the kernel's order. The notification reader's
// handle passes on the notices alone, in order; the transport's handle the
// replies alone, ours and the other program's (told apart by ReplyMatch).
TEST(HidapiBackendFilter, InterleavedReportsReachOnlyTheirCollectionsReaders)
{
    std::vector<HidCollectionInfo> collections;
    ASSERT_TRUE(ParseReportDescriptor(CompositeKeyboard(), collections));
    auto reply = [](uint8_t command, uint8_t offset) {
        std::vector<uint8_t> r(64, 0);
        r[0] = 0x04;
        r[3] = command;
        r[4] = 0x38;
        r[5] = offset;
        r[7] = 0x01;
        return r;
    };
    const std::vector<std::vector<uint8_t>> stream = {
        reply(0x05, 0x00),              // ours
        {0x03, 0x11, 0x18, 0x00, 0x00}, // notice 0x1811
        reply(0x05, 0x54),              // the other program's
        {0x01, 0, 0, 0x04, 0, 0, 0, 0, 0},
        reply(0x03, 0x00),
        {0x03, 0x10, 0x18, 0x00, 0x00}, // notice 0x1810
        {0x03, 0x00, 0x00, 0x00, 0x00}, // release
    };
    auto passed = [&](const HidCollectionInfo& collection) {
        std::vector<std::vector<uint8_t>> out;
        for (const std::vector<uint8_t>& raw : stream) {
            std::vector<uint8_t> buffer(64);
            if (std::optional<size_t> n = FilterInputReport(raw, collection, true, buffer))
                out.emplace_back(buffer.begin(), buffer.begin() + static_cast<long>(*n));
        }
        return out;
    };
    EXPECT_EQ(passed(collections[1]), (std::vector<std::vector<uint8_t>>{{0x03, 0x11, 0x18, 0x00, 0x00},
                                                                          {0x03, 0x10, 0x18, 0x00, 0x00},
                                                                          {0x03, 0x00, 0x00, 0x00, 0x00}}));
    EXPECT_EQ(passed(collections[2]),
              (std::vector<std::vector<uint8_t>>{reply(0x05, 0x00), reply(0x05, 0x54), reply(0x03, 0x00)}));
}

TEST(HidapiBackendFilter, NodeWithoutReportIdsGetsALeadingZero)
{
    std::vector<HidCollectionInfo> collections;
    ASSERT_TRUE(ParseReportDescriptor(WheelMouse, collections));
    const std::vector<uint8_t> raw = {0x01, 0xFB, 0x10, 0x81};
    std::vector<uint8_t> out(5, 0xEE);
    ASSERT_EQ(FilterInputReport(raw, collections[0], false, out), 5u);
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 0x01, 0xFB, 0x10, 0x81}));
    // A buffer shorter than the report gets what fits.
    std::vector<uint8_t> small(3);
    ASSERT_EQ(FilterInputReport(raw, collections[0], false, small), 3u);
    EXPECT_EQ(small, (std::vector<uint8_t>{0, 0x01, 0xFB}));
}

} // namespace
