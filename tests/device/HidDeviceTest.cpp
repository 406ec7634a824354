#include "device/FakeHidBackend.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/HidTestDescriptors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

constexpr const char* KeyboardPath = "/dev/hidraw5#0";
constexpr const char* ConsumerPath = "/dev/hidraw5#1";
constexpr const char* VendorPath = "/dev/hidraw5#2";
constexpr const char* MousePath = "/dev/hidraw2#0";

FakeHidBackend::Device MakeDevice(const std::string& path, const std::vector<uint8_t>& descriptor, int collection,
                                  uint16_t usagePage, uint16_t usage)
{
    FakeHidBackend::Device d;
    d.info.path = path;
    d.info.vendorId = 0x320F;
    d.info.productId = 0x5000;
    d.info.version = 0x0102;
    d.info.usagePage = usagePage;
    d.info.usage = usage;
    d.descriptor = descriptor;
    d.collection = collection;
    return d;
}

class HidDeviceTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<uint8_t> composite = CompositeKeyboard();
        backend.Add(MakeDevice(KeyboardPath, composite, 0, 0x01, 0x06));
        backend.Add(MakeDevice(ConsumerPath, composite, 1, 0x0C, 0x01));
        backend.Add(MakeDevice(VendorPath, composite, 2, 0xFF1C, 0x92));
        backend.Add(MakeDevice(MousePath, WheelMouse, 0, 0x01, 0x02));
        SetHidBackend(&backend);
    }
    void TearDown() override { SetHidBackend(nullptr); }

    FakeHidBackend::Line& Line(const char* path) { return *backend.lines.at(path); }

    FakeHidBackend backend;
    HidDevice channel;
};

// --- interface list -----------------------------------------------------------

TEST_F(HidDeviceTest, NoInterfacesIsSuccessWithAnEmptyList)
{
    backend.devices.clear();
    EXPECT_TRUE(channel.EnumerateInterfaces());
    EXPECT_EQ(channel.InterfaceCount(), 0u);
    EXPECT_FALSE(channel.NextInterfacePath());
}

TEST_F(HidDeviceTest, ManyInterfacesKeepEveryPathInOrder)
{
    backend.devices.clear();
    for (int i = 0; i < 20; ++i)
        backend.Add(MakeDevice("/dev/hidraw" + std::to_string(i) + "#0", WheelMouse, 0, 0x01, static_cast<uint16_t>(i)));
    ASSERT_TRUE(channel.EnumerateInterfaces());
    ASSERT_EQ(channel.InterfaceCount(), 20u);
    for (int i = 0; i < 20; ++i) {
        std::optional<HidInterfaceInfo> info = channel.NextInterface();
        ASSERT_TRUE(info);
        EXPECT_EQ(info->path, "/dev/hidraw" + std::to_string(i) + "#0");
        EXPECT_EQ(info->usage, i);
        EXPECT_EQ(info->vendorId, 0x320F);
    }
    // After the end: none, and none again, until the next enumeration.
    EXPECT_FALSE(channel.NextInterfacePath());
    EXPECT_FALSE(channel.NextInterfacePath());
    channel.FreeInterfaceList();
    EXPECT_FALSE(channel.NextInterfacePath());
    ASSERT_TRUE(channel.EnumerateInterfaces());
    EXPECT_EQ(channel.NextInterfacePath(), "/dev/hidraw0#0");
    EXPECT_EQ(channel.InterfaceInfoAt(19)->productId, 0x5000);
    EXPECT_FALSE(channel.InterfaceInfoAt(20));
}

TEST_F(HidDeviceTest, FailedEnumerationLeavesNoList)
{
    ASSERT_TRUE(channel.EnumerateInterfaces());
    backend.enumerateFails = true;
    EXPECT_FALSE(channel.EnumerateInterfaces());
    EXPECT_FALSE(channel.NextInterfacePath());
}

// --- open and close -----------------------------------------------------------

TEST_F(HidDeviceTest, OpenLearnsTheCollection)
{
    ASSERT_TRUE(channel.Open(VendorPath, true, true, true, false));
    EXPECT_TRUE(backend.lastMode.read);
    EXPECT_TRUE(backend.lastMode.write);
    EXPECT_FALSE(backend.lastMode.shareReadOnly);
    const HidCaps caps = channel.Caps();
    EXPECT_EQ(caps.usagePage, 0xFF1C);
    EXPECT_EQ(caps.usage, 0x92);
    EXPECT_EQ(caps.inputReportByteLength, 64);
    EXPECT_EQ(caps.outputReportByteLength, 64);
    EXPECT_EQ(caps.featureReportByteLength, 0);
    EXPECT_EQ(caps.numberValueCaps[0], 1);
    const HidAttributes attributes = channel.Attributes();
    EXPECT_EQ(attributes.vendorId, 0x320F);
    EXPECT_EQ(attributes.productId, 0x5000);
    EXPECT_EQ(attributes.versionNumber, 0x0102);
    EXPECT_EQ(channel.Path(), VendorPath);
    EXPECT_EQ(channel.InputBuffer(), std::vector<uint8_t>(64, 0));

    // Reopening on another collection replaces everything.
    ASSERT_TRUE(channel.Open(ConsumerPath, true, false, true, true));
    EXPECT_TRUE(backend.lastMode.shareReadOnly);
    EXPECT_EQ(channel.Caps().usagePage, 0x0C);
    EXPECT_EQ(channel.Caps().inputReportByteLength, 5);
    EXPECT_EQ(channel.InputBuffer().size(), 5u);
    ASSERT_EQ(channel.InputItems().size(), 1u);
    const HidDataItem& item = channel.InputItems()[0];
    EXPECT_EQ(item.kind, HidItemButton);
    EXPECT_EQ(item.usagePage, 0x0C);
    EXPECT_EQ(item.reportId, 3);
    EXPECT_EQ(item.status, HidStatusSuccess);
    EXPECT_EQ(item.usage, 0);
    EXPECT_EQ(item.secondWord, 0x3FFFu);
    EXPECT_EQ(item.thirdWord, 2);
    EXPECT_EQ(item.usageList, std::vector<uint16_t>(2, 0));
}

TEST_F(HidDeviceTest, ItemTableButtonsFirstThenOneValueItemPerUsage)
{
    // Buttons 1..2, then X..Z as one value range and a single Wheel.
    const std::vector<uint8_t> joystick = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F,
                                           0x75, 0x08, 0x95, 0x01, 0x81, 0x06, 0x19, 0x30, 0x29, 0x32, 0x95, 0x03,
                                           0x81, 0x02, 0x05, 0x09, 0x19, 0x01, 0x29, 0x02, 0x15, 0x00, 0x25, 0x01,
                                           0x75, 0x01, 0x95, 0x02, 0x81, 0x02, 0x95, 0x06, 0x81, 0x01, 0xC0};
    backend.Add(MakeDevice("/dev/hidraw9#0", joystick, 0, 0x01, 0x04));
    ASSERT_TRUE(channel.Open("/dev/hidraw9#0", true, false, true, false));
    const std::vector<HidDataItem>& items = channel.InputItems();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].kind, HidItemButton);
    EXPECT_EQ(items[0].usagePage, 0x09);
    EXPECT_EQ(items[0].usage, 1);
    EXPECT_EQ(items[0].secondWord, 2u);
    const uint16_t valueUsages[] = {0x38, 0x30, 0x31, 0x32};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(items[1 + i].kind, HidItemValue);
        EXPECT_EQ(items[1 + i].usage, valueUsages[i]);
        EXPECT_TRUE(items[1 + i].usageList.empty());
    }
    EXPECT_EQ(channel.Caps().numberValueCaps[0], 2);
}

TEST_F(HidDeviceTest, FailedOpensLeaveTheChannelClosed)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> descriptor;
        int collection;
    };
    std::vector<uint8_t> truncated = CompositeKeyboard();
    truncated.resize(truncated.size() - 1);
    // A vendor report one byte longer than a report length can say, then
    // the consumer collection: only the first is lost.
    std::vector<uint8_t> tooLong = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x09, 0x01,
                                    0x75, 0x08, 0x96, 0xFF, 0xFF, 0x81, 0x02, 0xC0};
    tooLong.insert(tooLong.end(), ConsumerControl.begin(), ConsumerControl.end());
    backend.Add(MakeDevice("/dev/hidraw8#1", tooLong, 1, 0x0C, 0x01));
    ASSERT_TRUE(channel.Open("/dev/hidraw8#1", true, false, true, false));
    EXPECT_EQ(channel.Caps().inputReportByteLength, 5);
    const Case cases[] = {
        {"collection that cannot be represented", tooLong, 0},
        {"damaged descriptor", truncated, 2},
        {"pop without push", {0x09, 0x01, 0xA1, 0x01, 0xB4, 0xC0}, 0},
        {"collection index past the end", CompositeKeyboard(), 3},
        {"negative collection index", CompositeKeyboard(), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        backend.Add(MakeDevice("/dev/hidraw7#0", c.descriptor, c.collection, 0xFF1C, 0x92));
        ASSERT_TRUE(channel.Open(VendorPath, true, true, true, false));
        EXPECT_FALSE(channel.Open("/dev/hidraw7#0", true, true, true, false));
        EXPECT_FALSE(channel.IsOpen());
        EXPECT_EQ(channel.Caps().inputReportByteLength, 0);
        EXPECT_TRUE(channel.InputItems().empty());
        uint8_t buffer[64] = {};
        EXPECT_FALSE(channel.ReadReport(buffer, sizeof buffer, nullptr, 0));
        EXPECT_FALSE(channel.Close());
        backend.devices.pop_back();
    }
    EXPECT_FALSE(channel.Open("/dev/hidraw99#0", true, true, true, false));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.Path(), "/dev/hidraw99#0");
}

TEST_F(HidDeviceTest, CloseReportsWhetherSomethingWasOpen)
{
    EXPECT_FALSE(channel.Close());
    EXPECT_EQ(channel.Path(), "");
    ASSERT_TRUE(channel.Open(VendorPath, true, true, true, false));
    EXPECT_TRUE(channel.Close());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_FALSE(channel.Close());
    EXPECT_EQ(channel.Path(), VendorPath); // the monitor keeps testing it
}

// --- transfers ----------------------------------------------------------------

TEST_F(HidDeviceTest, ReadAndWriteWholeReports)
{
    ASSERT_TRUE(channel.Open(VendorPath, true, true, true, false));
    std::vector<uint8_t> frame(64, 0);
    frame[0] = 4;
    frame[3] = 0x03;
    size_t written = 0;
    ASSERT_TRUE(channel.WriteReport(frame.data(), frame.size(), &written, 1000));
    EXPECT_EQ(written, 64u);
    ASSERT_EQ(Line(VendorPath).written.size(), 1u);
    EXPECT_EQ(Line(VendorPath).written[0], frame);

    std::vector<uint8_t> reply(64, 0x5A);
    reply[0] = 4;
    Line(VendorPath).Push(reply);
    std::vector<uint8_t> buffer(64, 0);
    size_t read = 99;
    ASSERT_TRUE(channel.ReadReport(buffer.data(), buffer.size(), &read, 300));
    EXPECT_EQ(read, 64u);
    EXPECT_EQ(buffer, reply);

    // Nothing waiting: time-out, with the count reset.
    read = 99;
    EXPECT_FALSE(channel.ReadReport(buffer.data(), buffer.size(), &read, 0));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(channel.ReadReport(buffer.data(), buffer.size(), nullptr, 20));
}

// The channel remembers that a transfer found the device gone, until the
// next Open, so the monitor can take it as a loss; a time-out is no such sign.
TEST_F(HidDeviceTest, UnpluggedDeviceFailsTransfersButStaysOpen)
{
    EXPECT_EQ(channel.NodeIdentity(), "");
    ASSERT_TRUE(channel.Open(VendorPath, true, true, true, false));
    EXPECT_EQ(channel.NodeIdentity(), backend.NodeIdentity(VendorPath));
    uint8_t buffer[64] = {4};
    EXPECT_FALSE(channel.ReadReport(buffer, sizeof buffer, nullptr, 10));
    EXPECT_FALSE(channel.DeviceGone());
    Line(VendorPath).Unplug();
    EXPECT_FALSE(channel.ReadReport(buffer, sizeof buffer, nullptr, HidInfinite));
    EXPECT_TRUE(channel.DeviceGone());
    EXPECT_FALSE(channel.WriteReport(buffer, sizeof buffer, nullptr, 1000));
    EXPECT_TRUE(channel.IsOpen());
    EXPECT_EQ(backend.NodeIdentity(VendorPath), "");

    {
        std::lock_guard lock(Line(VendorPath).mutex);
        Line(VendorPath).unplugged = false;
    }
    ASSERT_TRUE(channel.Open(VendorPath, true, true, true, false));
    EXPECT_FALSE(channel.DeviceGone());
    EXPECT_TRUE(channel.WriteReport(buffer, sizeof buffer, nullptr, 1000));
    EXPECT_TRUE(channel.Close());
    EXPECT_FALSE(channel.DeviceGone());
    EXPECT_EQ(channel.NodeIdentity(), "");
}

TEST_F(HidDeviceTest, InfiniteReadEndsWhenAnotherThreadClosesOrReopens)
{
    for (bool reopen : {false, true}) {
        SCOPED_TRACE(reopen ? "reopen" : "close");
        ASSERT_TRUE(channel.Open(ConsumerPath, true, false, true, false));
        std::atomic<int> result{-1};
        std::thread reader([&] {
            uint8_t buffer[5];
            result = channel.ReadReport(buffer, sizeof buffer, nullptr, HidInfinite) ? 1 : 0;
        });
        Line(ConsumerPath).WaitForReader();
        if (reopen)
            EXPECT_TRUE(channel.Open(ConsumerPath, true, false, true, false));
        else
            EXPECT_TRUE(channel.Close());
        reader.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(channel.IsOpen(), reopen);
    }
    // The abort was spent on that read: the next one works.
    Line(ConsumerPath).Push({3, 0x01, 0x04, 0, 0});
    uint8_t buffer[5] = {};
    EXPECT_TRUE(channel.ReadReport(buffer, sizeof buffer, nullptr, 1000));
    EXPECT_EQ(buffer[2], 0x04);
}

TEST_F(HidDeviceTest, AbortThatArrivesBeforeTheReadWaitsStillEndsIt)
{
    // Close lands after the read started but before it waits: the backend
    // forgets that abort, so the channel has to repeat it.
    FakeHidBackend::Line& line = Line(ConsumerPath);
    line.startDelay = std::chrono::milliseconds(60);
    for (bool reopen : {false, true}) {
        ASSERT_TRUE(channel.Open(ConsumerPath, true, false, true, false));
        const int entered = line.entered;
        auto read = std::async(std::launch::async, [&] {
            uint8_t buffer[5];
            return channel.ReadReport(buffer, sizeof buffer, nullptr, HidInfinite);
        });
        line.WaitForReadEntered(entered + 1);
        if (reopen)
            EXPECT_TRUE(channel.Open(ConsumerPath, true, false, true, false));
        else
            EXPECT_TRUE(channel.Close());
        if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            line.Push({3, 0, 0, 0, 0}); // free the stranded reader
            ADD_FAILURE() << "the read was stranded";
        }
        EXPECT_FALSE(read.get());
    }
}

TEST_F(HidDeviceTest, CloseRightAfterAReadStartsNeverStrandsIt)
{
    // The reader may not have reached its wait when Close aborts; a backend
    // forgets such an abort, so the channel must not lose the read.
    for (int round = 0; round < 50; ++round) {
        ASSERT_TRUE(channel.Open(ConsumerPath, true, false, true, false));
        std::thread reader([&] {
            uint8_t buffer[5];
            EXPECT_FALSE(channel.ReadReport(buffer, sizeof buffer, nullptr, HidInfinite));
        });
        if (round % 2)
            channel.Open(ConsumerPath, true, false, true, false);
        channel.Close();
        reader.join();
    }
}

// --- decoding -------------------------------------------------------------------

class HidDeviceDecodeTest : public HidDeviceTest {
protected:
    void OpenKeyboard()
    {
        ASSERT_TRUE(channel.Open(KeyboardPath, true, false, true, false));
        ASSERT_EQ(channel.InputItems().size(), 2u);
    }
    const HidDataItem& Item(size_t i) { return channel.InputItems()[i]; }
    static std::vector<uint16_t> List(std::initializer_list<uint16_t> head, size_t length)
    {
        std::vector<uint16_t> list(head);
        list.resize(length, 0);
        return list;
    }
};

TEST_F(HidDeviceDecodeTest, UsagesOutsideAnItemsRangeAreDroppedAndTheRestMoveForward)
{
    OpenKeyboard();
    EXPECT_EQ(Item(0).usage, 0xE0);
    EXPECT_EQ(Item(0).secondWord, 0xE7u);
    EXPECT_EQ(Item(0).thirdWord, 14);
    const uint8_t report[9] = {1, 0x02, 0, 0x04, 0x05, 0, 0, 0, 0};
    ASSERT_TRUE(channel.DecodeInputReport(report, sizeof report));
    // The page reports E1, 04, 05 for both items; each keeps its own range.
    EXPECT_EQ(Item(0).usageList, List({0xE1}, 14));
    EXPECT_EQ(Item(1).usageList, List({0x04, 0x05}, 14));
    EXPECT_EQ(Item(0).updated, 1);
    EXPECT_EQ(Item(1).status, HidStatusSuccess);
}

TEST_F(HidDeviceDecodeTest, NoUsageOnGivesAListStartingWithZero)
{
    OpenKeyboard();
    const uint8_t pressed[9] = {1, 0x01, 0, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    ASSERT_TRUE(channel.DecodeInputReport(pressed, sizeof pressed));
    ASSERT_EQ(Item(1).usageList[5], 0x09);
    const uint8_t released[9] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(channel.DecodeInputReport(released, sizeof released));
    EXPECT_EQ(Item(0).usageList, List({}, 14));
    EXPECT_EQ(Item(1).usageList, List({}, 14));
}

TEST_F(HidDeviceDecodeTest, ReportOfAnotherIdLeavesEveryItemAlone)
{
    OpenKeyboard();
    const std::vector<HidDataItem> before = channel.InputItems();
    const uint8_t report[9] = {3, 0x02, 0, 0x04, 0x05, 0, 0, 0, 0};
    EXPECT_TRUE(channel.DecodeInputReport(report, sizeof report));
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(Item(i).updated, before[i].updated);
        EXPECT_EQ(Item(i).status, before[i].status);
        EXPECT_EQ(Item(i).usageList, before[i].usageList);
    }
}

TEST_F(HidDeviceDecodeTest, NoticeIsTheFirstUsageOfTheFirstItem)
{
    ASSERT_TRUE(channel.Open(ConsumerPath, true, false, true, true));
    for (uint16_t notice : {0x0401, 0x0402, 0x1811, 0x1810}) {
        std::vector<uint8_t>& buffer = channel.InputBuffer();
        buffer = {3, static_cast<uint8_t>(notice), static_cast<uint8_t>(notice >> 8), 0, 0};
        ASSERT_TRUE(channel.DecodeInputReport(buffer.data(), buffer.size()));
        EXPECT_EQ(channel.InputItems()[0].usageList[0], notice);
    }
}

TEST_F(HidDeviceDecodeTest, ValueItemsGetRawAndScaledValues)
{
    ASSERT_TRUE(channel.Open(MousePath, true, false, true, false));
    const std::vector<HidDataItem>& items = channel.InputItems();
    ASSERT_EQ(items.size(), 4u); // buttons, then Wheel, Y, X (one main item, listed last to first)
    const uint8_t report[5] = {0, 0x05, 0xFB, 0x10, 0x81};
    ASSERT_TRUE(channel.DecodeInputReport(report, sizeof report));
    EXPECT_EQ(items[0].usageList, (std::vector<uint16_t>{1, 3, 0}));
    EXPECT_EQ(items[3].usage, 0x30);
    EXPECT_EQ(items[3].secondWord, 0xFBu);
    EXPECT_EQ(items[3].thirdWord, -5);
    EXPECT_EQ(items[2].thirdWord, 16);
    EXPECT_EQ(items[1].thirdWord, -127);
    EXPECT_EQ(items[1].updated, 1);
}

TEST_F(HidDeviceDecodeTest, AValueThatCannotBeReadStopsTheDecode)
{
    ASSERT_TRUE(channel.Open(MousePath, true, false, true, false));
    const std::vector<HidDataItem>& items = channel.InputItems();
    const uint8_t shortReport[4] = {0, 0x01, 0x7F, 0x10}; // X and Y present, Wheel missing
    EXPECT_FALSE(channel.DecodeInputReport(shortReport, sizeof shortReport));
    EXPECT_EQ(items[0].updated, 1);
    // The wheel's item comes first and fails; X and Y after it stay as they were.
    EXPECT_EQ(items[1].usage, 0x38);
    EXPECT_EQ(items[1].status, HidStatusInvalidReportLength);
    EXPECT_EQ(items[1].updated, 0);
    EXPECT_EQ(items[2].updated, 0);
    EXPECT_EQ(items[3].updated, 0);
    EXPECT_EQ(items[3].status, HidStatusSuccess);
}

} // namespace
