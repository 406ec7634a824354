// The command transport on a hidraw node: reports that wait in the node's
// buffer, and requests on the control pipe that the keyboard must answer.
#include "DeviceThroughKernel.h"

#include "device/virtual/VirtualKeyboardMemory.h"

#include <linux/hidraw.h>
#include <sys/ioctl.h>

namespace kernel {
namespace {

using TransportThroughKernelTest = DeviceThroughKernelTest;

std::vector<uint8_t> KeyMap(int profile)
{
    std::vector<uint8_t> map(size_t(g_keyMapBytes.load()));
    EXPECT_EQ(ReadKeyMap(map, profile), 1);
    return map;
}

TEST_F(TransportThroughKernelTest, ReportsWaitingInTheNodeAreNeverTakenForTheNextReply)
{
    UhidKeyboardProcess keyboard({});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    Connect(keyboard.ConfigPath());
    const std::vector<uint8_t> factory = FactoryMemories(0x5000, 64).keyMaps;
    const std::vector<uint8_t> profileMap(factory.begin(), factory.begin() + 512);

    // A reply that comes twice: its copy waits in hidraw's buffer until the
    // next request.
    ASSERT_EQ(keyboard.Command("duplicate-next-reply 20"), "ok");
    std::array<uint8_t, DeviceInfoBytes> info{};
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    // Long after the copy came, even in an emulated machine under load.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(KeyMap(0), profileMap);

    // A reply so late that the transport asked again: the late one and the
    // answer to the second asking both arrive; neither is taken for the
    // requests after them.
    ASSERT_EQ(keyboard.Command("delay-next-reply 400"), "ok");
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    EXPECT_EQ(info[DeviceInfoMacroUnits], 64);
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(KeyMap(1), profileMap);

    // Notices arrive on the same node; the configuration channel never takes
    // them for replies.
    for (const char* notice : {"notice 0401", "notice 1811"})
        ASSERT_EQ(keyboard.Command(notice), "ok");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(KeyMap(2), profileMap);
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    EXPECT_EQ(info[DeviceInfoMacroUnits], 64);
}

TEST_F(TransportThroughKernelTest, ControlPipeRequestsAreAnsweredAsTheKeyboardWould)
{
    UhidKeyboardProcess keyboard({});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    const int vendor = ::open(keyboard.Nodes()[1].c_str(), O_RDWR | O_CLOEXEC);
    const int boot = ::open(keyboard.Nodes()[0].c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(vendor, 0);
    ASSERT_GE(boot, 0);

    // The notice report, idle; the interface has no feature reports at all,
    // so asking for one or sending one is stalled (EIO) at once rather than
    // left to time out.
    uint8_t report[64] = {0x03};
    EXPECT_EQ(::ioctl(vendor, HIDIOCGINPUT(3), report), 3);
    EXPECT_EQ(std::vector<uint8_t>(report, report + 3), (std::vector<uint8_t>{0x03, 0x00, 0x00}));
    const auto start = std::chrono::steady_clock::now();
    report[0] = 0x04;
    EXPECT_EQ(::ioctl(vendor, HIDIOCGFEATURE(64), report), -1);
    EXPECT_EQ(errno, EIO);
    report[0] = 0x04;
    EXPECT_EQ(::ioctl(vendor, HIDIOCSFEATURE(64), report), -1);
    EXPECT_EQ(errno, EIO);
    // The boot keyboard's LEDs: hidraw sends them as an output report and
    // returns before the keyboard has read it.
    const uint8_t leds[2] = {0x00, 0x02};
    EXPECT_EQ(::ioctl(boot, HIDIOCSOUTPUT(2), leds), 2);
    std::vector<std::string> stats;
    EXPECT_TRUE(WaitUntil([&] {
        stats = Words(keyboard.Command("stats"));
        return stats.size() == 12 && stats[11] == "2";
    })) << "the LED report did not arrive";
    ::close(vendor);
    ::close(boot);
    ASSERT_EQ(stats.size(), 12u);
    EXPECT_EQ(stats[5], "2"); // get-reports
    EXPECT_EQ(stats[7], "1"); // set-reports
    EXPECT_EQ(stats[9], "2"); // stalled
    // Not a measure of speed: a request the keyboard leaves unanswered ends
    // only at the kernel's 5 s time-out, with the same EIO.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

} // namespace
} // namespace kernel
