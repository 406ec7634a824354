// The uhid keyboard against a stand-in for the kernel: each /dev/uhid file is
// one end of a packet socket pair, and the test reads and writes uhid events
// on the other end as the kernel would.
#include "device/protocol/CommandFrame.h"
#include "device/hid/ReportDescriptor.h"
#include "device/virtual/UhidKeyboard.h"
#include "device/virtual/VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <linux/uhid.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class FakeKernel {
public:
    ~FakeKernel()
    {
        for (int fd : kernelEnds_)
            ::close(fd);
    }

    // The opener the keyboard gets: a new socket pair per device.
    UhidOpener Opener()
    {
        return [this]() -> int {
            int fds[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0)
                return -1;
            std::lock_guard lock(mutex_);
            kernelEnds_.push_back(fds[1]);
            return fds[0];
        };
    }

    int DeviceCount()
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(kernelEnds_.size());
    }

    bool WaitForDevices(int count, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (DeviceCount() < count && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(1ms);
        return DeviceCount() >= count;
    }

    // The next event the keyboard wrote to device n, or none within the time.
    std::optional<uhid_event> Next(int device, std::chrono::milliseconds timeout = 2s)
    {
        pollfd p{End(device), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0)
            return std::nullopt;
        auto event = std::make_unique<uhid_event>();
        if (::read(p.fd, event.get(), sizeof *event) < static_cast<ssize_t>(sizeof event->type))
            return std::nullopt;
        return *event;
    }

    void Send(int device, const uhid_event& event)
    {
        ASSERT_EQ(::write(End(device), &event, sizeof event), static_cast<ssize_t>(sizeof event));
    }

    void Start(int device)
    {
        uhid_event event{};
        event.type = UHID_START;
        Send(device, event);
    }

private:
    int End(int device)
    {
        std::lock_guard lock(mutex_);
        return kernelEnds_.at(static_cast<size_t>(device));
    }
    std::mutex mutex_;
    std::vector<int> kernelEnds_;
};

std::vector<uint8_t> Bytes(const uint8_t* data, size_t size)
{
    return std::vector<uint8_t>(data, data + size);
}

class UhidKeyboardTest : public ::testing::TestWithParam<uint16_t> {
protected:
    UhidKeyboardTest() : keyboard(Options()), uhid(keyboard, "SN1", kernel.Opener()) {}

    static VirtualKeyboardOptions Options()
    {
        VirtualKeyboardOptions options;
        options.productId = GetParam();
        options.withMouse = false;
        options.plugged = false;
        options.loaderTime = 100ms;
        return options;
    }

    // Plugs in and lets the kernel start both devices.
    void PlugAndStart()
    {
        const int first = kernel.DeviceCount();
        ASSERT_TRUE(uhid.Plug());
        for (int i = 0; i < UhidInterfaceCount; ++i) {
            std::optional<uhid_event> create = kernel.Next(first + i);
            ASSERT_TRUE(create);
            ASSERT_EQ(create->type, UHID_CREATE2);
            kernel.Start(first + i);
        }
        ASSERT_TRUE(uhid.WaitUntilStarted(2s));
    }

    // The next input report on the vendor interface.
    std::vector<uint8_t> NextInput(int device = UhidVendorInterface)
    {
        std::optional<uhid_event> event = kernel.Next(device);
        if (!event || event->type != UHID_INPUT2)
            return {};
        return Bytes(event->u.input2.data, event->u.input2.size);
    }

    FakeKernel kernel;
    VirtualKeyboard keyboard;
    UhidKeyboard uhid;
};

TEST_P(UhidKeyboardTest, OneUsbDevicePerInterfaceWithTheKeyboardsIdentity)
{
    ASSERT_TRUE(uhid.Plug());
    ASSERT_EQ(kernel.DeviceCount(), 2);
    std::vector<std::string> phys;
    for (int i = 0; i < UhidInterfaceCount; ++i) {
        SCOPED_TRACE(i);
        std::optional<uhid_event> event = kernel.Next(i);
        ASSERT_TRUE(event);
        ASSERT_EQ(event->type, UHID_CREATE2);
        const uhid_create2_req& create = event->u.create2;
        EXPECT_EQ(create.bus, 0x03); // USB
        EXPECT_EQ(create.vendor, 0x320Fu);
        EXPECT_EQ(create.product, GetParam());
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(create.uniq)), "SN1");
        phys.emplace_back(reinterpret_cast<const char*>(create.phys));
        EXPECT_EQ(phys.back(), uhid.Phys(i));

        std::vector<HidCollectionInfo> collections;
        ASSERT_TRUE(ParseReportDescriptor(Bytes(create.rd_data, create.rd_size), collections));
        if (i == UhidBootInterface) {
            // The boot keyboard: 8 bytes in, the LED byte out, no report ids.
            ASSERT_EQ(collections.size(), 1u);
            EXPECT_EQ(collections[0].usagePage, 0x01);
            EXPECT_EQ(collections[0].usage, 0x06);
            EXPECT_FALSE(collections[0].usesReportIds);
            EXPECT_EQ(collections[0].InputReportLength(), 9);
            EXPECT_EQ(collections[0].OutputReportLength(), 2);
        } else {
            // Exactly what the virtual keyboard declares for its interface.
            EXPECT_EQ(Bytes(create.rd_data, create.rd_size), KeyboardReportDescriptor());
        }
    }
    EXPECT_NE(phys[0], phys[1]);
    EXPECT_TRUE(keyboard.IsPlugged());
}

TEST_P(UhidKeyboardTest, OutputReportsReachTheFirmwareAndItsRepliesComeBack)
{
    PlugAndStart();
    // ReadDeviceInfo as it goes over the wire: the checksum of command 3 with
    // length 0x2C is 0x002F.
    uhid_event output{};
    output.type = UHID_OUTPUT;
    output.u.output.rtype = UHID_OUTPUT_REPORT;
    output.u.output.size = 64;
    const uint8_t head[] = {0x04, 0x2F, 0x00, 0x03, 0x2C, 0x00, 0x00, 0x00};
    std::memcpy(output.u.output.data, head, sizeof head);
    kernel.Send(UhidVendorInterface, output);

    const std::vector<uint8_t> reply = NextInput();
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 7), std::vector<uint8_t>(head, head + 7));
    EXPECT_NE(reply[7], 0xFF);
    EXPECT_NE(reply[7], 0xFE);
    const KeyboardMemories memories = keyboard.Memories();
    EXPECT_EQ(std::vector<uint8_t>(reply.begin() + 8, reply.begin() + 52),
              std::vector<uint8_t>(memories.deviceInfo.begin(), memories.deviceInfo.end()));
    EXPECT_EQ(keyboard.RequestCount(), 1u);

    // A write through the control pipe (SET_REPORT) is the same request to
    // the firmware: BeginUpdate, checksum 0x0001.
    uhid_event set{};
    set.type = UHID_SET_REPORT;
    set.u.set_report.id = 77;
    set.u.set_report.rnum = 4;
    set.u.set_report.rtype = UHID_OUTPUT_REPORT;
    set.u.set_report.size = 64;
    const uint8_t begin[] = {0x04, 0x01, 0x00, 0x01};
    std::memcpy(set.u.set_report.data, begin, sizeof begin);
    kernel.Send(UhidVendorInterface, set);
    // The request's status stage and the firmware's reply race each other.
    std::optional<uhid_event> answer, input;
    for (int i = 0; i < 2; ++i) {
        std::optional<uhid_event> event = kernel.Next(UhidVendorInterface);
        ASSERT_TRUE(event);
        (event->type == UHID_INPUT2 ? input : answer) = event;
    }
    ASSERT_TRUE(answer && input);
    ASSERT_EQ(answer->type, UHID_SET_REPORT_REPLY);
    EXPECT_EQ(answer->u.set_report_reply.id, 77u);
    EXPECT_EQ(answer->u.set_report_reply.err, 0);
    ASSERT_EQ(input->u.input2.size, 64);
    EXPECT_EQ(input->u.input2.data[3], 0x01);
    EXPECT_EQ(keyboard.RequestCount(), 2u);
    EXPECT_EQ(uhid.Stats().outputReports[UhidVendorInterface], 1u);
}

TEST_P(UhidKeyboardTest, ControlPipeRequestsAreAnsweredFromTheDescriptors)
{
    PlugAndStart();
    struct Case {
        int device;
        bool get;
        uint8_t rtype;
        uint8_t rnum;
        bool accepted;
        std::vector<uint8_t> data; // the GET_REPORT answer
    };
    const std::vector<Case> cases = {
        {UhidBootInterface, true, UHID_INPUT_REPORT, 0, true, std::vector<uint8_t>(9, 0)},
        {UhidBootInterface, true, UHID_FEATURE_REPORT, 0, false, {}},
        {UhidBootInterface, true, UHID_INPUT_REPORT, 1, false, {}},
        {UhidBootInterface, false, UHID_OUTPUT_REPORT, 0, true, {}},
        {UhidBootInterface, false, UHID_FEATURE_REPORT, 0, false, {}},
        {UhidVendorInterface, true, UHID_INPUT_REPORT, 3, true, {0x03, 0x00, 0x00}},
        {UhidVendorInterface, true, UHID_INPUT_REPORT, 4, true, [] {
             std::vector<uint8_t> idle(64, 0);
             idle[0] = 0x04;
             return idle;
         }()},
        {UhidVendorInterface, true, UHID_FEATURE_REPORT, 4, false, {}},
        {UhidVendorInterface, true, UHID_INPUT_REPORT, 5, false, {}},
        {UhidVendorInterface, true, UHID_OUTPUT_REPORT, 3, false, {}},
        {UhidVendorInterface, false, UHID_OUTPUT_REPORT, 3, false, {}},
        {UhidVendorInterface, false, UHID_FEATURE_REPORT, 4, false, {}},
    };
    uint32_t id = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "device " << c.device << (c.get ? " get" : " set") << " type "
                                        << int(c.rtype) << " id " << int(c.rnum));
        uhid_event request{};
        ++id;
        if (c.get) {
            request.type = UHID_GET_REPORT;
            request.u.get_report = {id, c.rnum, c.rtype};
        } else {
            request.type = UHID_SET_REPORT;
            request.u.set_report.id = id;
            request.u.set_report.rnum = c.rnum;
            request.u.set_report.rtype = c.rtype;
            request.u.set_report.size = 2;
            request.u.set_report.data[0] = c.rnum;
            request.u.set_report.data[1] = 0x05; // Num Lock and Scroll Lock
        }
        kernel.Send(c.device, request);
        std::optional<uhid_event> answer = kernel.Next(c.device);
        ASSERT_TRUE(answer);
        const uint16_t eio = 5;
        if (c.get) {
            ASSERT_EQ(answer->type, UHID_GET_REPORT_REPLY);
            EXPECT_EQ(answer->u.get_report_reply.id, id);
            EXPECT_EQ(answer->u.get_report_reply.err, c.accepted ? 0 : eio);
            EXPECT_EQ(Bytes(answer->u.get_report_reply.data, answer->u.get_report_reply.size), c.data);
        } else {
            ASSERT_EQ(answer->type, UHID_SET_REPORT_REPLY);
            EXPECT_EQ(answer->u.set_report_reply.id, id);
            EXPECT_EQ(answer->u.set_report_reply.err, c.accepted ? 0 : eio);
        }
    }
    EXPECT_EQ(uhid.Stats().leds, 0x05);
    EXPECT_EQ(keyboard.RequestCount(), 0u); // nothing refused reached the firmware
}

TEST_P(UhidKeyboardTest, NoticesGoOutAsConsumerReportsWithTheirRelease)
{
    PlugAndStart();
    keyboard.SendNotice(0x0401);
    EXPECT_EQ(NextInput(), (std::vector<uint8_t>{0x03, 0x01, 0x04}));
    EXPECT_EQ(NextInput(), (std::vector<uint8_t>{0x03, 0x00, 0x00}));
    keyboard.SendNotice(0x1811);
    EXPECT_EQ(NextInput(), (std::vector<uint8_t>{0x03, 0x11, 0x18}));
    EXPECT_EQ(NextInput(), (std::vector<uint8_t>{0x03, 0x00, 0x00}));
}

TEST_P(UhidKeyboardTest, UnplugDestroysBothDevicesAndAPlugCreatesThemAfresh)
{
    PlugAndStart();
    uhid.Unplug();
    EXPECT_FALSE(uhid.IsPlugged());
    EXPECT_FALSE(keyboard.IsPlugged());
    for (int i = 0; i < UhidInterfaceCount; ++i) {
        std::optional<uhid_event> event = kernel.Next(i);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->type, UHID_DESTROY);
    }
    // Nothing is answered while the cable is out.
    keyboard.SendNotice(0x0401);
    EXPECT_FALSE(kernel.Next(UhidVendorInterface, 50ms));

    PlugAndStart();
    EXPECT_EQ(kernel.DeviceCount(), 4);
    EXPECT_TRUE(keyboard.IsPlugged());
    keyboard.SendNotice(0x0402);
    EXPECT_EQ(NextInput(2 + UhidVendorInterface), (std::vector<uint8_t>{0x03, 0x02, 0x04}));
}

class UhidLoaderTest : public UhidKeyboardTest {
protected:
    // Sends the loader switch and sees both devices go.
    void EnterLoader()
    {
        uhid_event output{};
        output.type = UHID_OUTPUT;
        output.u.output.rtype = UHID_OUTPUT_REPORT;
        output.u.output.size = 64;
        const Frame loader = BuildEnterLoaderFrame();
        std::memcpy(output.u.output.data, loader.data(), loader.size());
        kernel.Send(UhidVendorInterface, output);
        for (int i = 0; i < UhidInterfaceCount; ++i) {
            std::optional<uhid_event> event = kernel.Next(i);
            ASSERT_TRUE(event);
            EXPECT_EQ(event->type, UHID_DESTROY);
        }
        EXPECT_FALSE(uhid.IsPlugged());
    }
};

TEST_P(UhidLoaderTest, AKeyboardInItsLoaderLeavesTheBusAndComesBackAsNewDevices)
{
    PlugAndStart();
    EnterLoader();
    ASSERT_TRUE(kernel.WaitForDevices(4, 5s));
    for (int i = 2; i < 4; ++i) {
        std::optional<uhid_event> create = kernel.Next(i);
        ASSERT_TRUE(create);
        EXPECT_EQ(create->type, UHID_CREATE2);
        kernel.Start(i);
    }
    ASSERT_TRUE(uhid.WaitUntilStarted(2s));
    keyboard.SendNotice(0x0401);
    EXPECT_EQ(NextInput(2 + UhidVendorInterface), (std::vector<uint8_t>{0x03, 0x01, 0x04}));
}

TEST_P(UhidLoaderTest, ACablePulledDuringTheLoaderKeepsTheKeyboardAway)
{
    PlugAndStart();
    EnterLoader();
    uhid.Unplug();
    std::this_thread::sleep_for(300ms); // well past the loader's time
    EXPECT_EQ(kernel.DeviceCount(), 2);
    EXPECT_FALSE(keyboard.IsPlugged());
    // A plug brings it back.
    PlugAndStart();
    EXPECT_TRUE(uhid.IsPlugged());
}

INSTANTIATE_TEST_SUITE_P(BothModels, UhidLoaderTest, ::testing::Values(uint16_t{0x5000}, uint16_t{0}));

TEST_P(UhidKeyboardTest, NoKernelNoDevice)
{
    UhidKeyboard absent(keyboard, "SN2", [] { return -1; });
    EXPECT_FALSE(absent.Plug());
    EXPECT_FALSE(absent.IsPlugged());
    EXPECT_FALSE(keyboard.IsPlugged());
}

INSTANTIATE_TEST_SUITE_P(BothModels, UhidKeyboardTest, ::testing::Values(uint16_t{0x5000}, uint16_t{0}));

} // namespace
