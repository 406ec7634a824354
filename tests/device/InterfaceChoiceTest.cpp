// Which of the keyboard's interfaces the device threads open: a keyboard
// lists the interface it types through under its own vendor and product too,
// and hidraw names every interface's collection, so only the two collections
// the program talks to are ever opened.
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "state/ProcessState.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr const char* TypingPath = "virtual-hid/rt604/if0";

// The virtual keyboard with its typing interface listed first, as the
// kernel numbers it; every Open is written down.
class KeyboardWithTypingInterface : public HidBackend {
public:
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override
    {
        if (!keyboard.Enumerate(out))
            return false;
        HidInterfaceInfo typing;
        typing.path = TypingPath;
        typing.vendorId = KeyboardVendorId;
        typing.productId = 0x5000;
        typing.usagePage = 0x01;
        typing.usage = 0x06;
        out.insert(out.begin(), typing);
        return true;
    }
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        std::lock_guard lock(mutex);
        opened.push_back(path);
        return keyboard.Open(path, mode);
    }
    std::string NodeIdentity(const std::string& path) override { return keyboard.NodeIdentity(path); }

    VirtualKeyboard keyboard{[] {
        VirtualKeyboardOptions options;
        options.pathsWithIds = false; // hidraw paths carry no ids
        return options;
    }()};
    std::mutex mutex;
    std::vector<std::string> opened;
};

TEST(InterfaceChoiceTest, TheInterfaceTheKeyboardTypesThroughIsNeverOpened)
{
    KeyboardWithTypingInterface backend;
    ResetProcessStateForTests();
    g_noAutoOpen = 1;
    DeviceThreadTimings timings;
    timings.firstScanDelay = 1ms;
    timings.absentPoll = 20ms;
    timings.notifyRetry = 20ms;
    SetDeviceThreadTimings(timings);
    SetHidBackend(&backend);
    ASSERT_TRUE(StartDeviceThreads());
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!(g_deviceConnected.load() == 1 && g_notifyChannel.IsOpen()) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(2ms);
    const bool found = g_deviceConnected.load() == 1 && g_notifyChannel.IsOpen();
    const std::string config = g_configChannel.Path();
    const std::string notify = g_notifyChannel.Path();
    StopDeviceThreads();
    ResetProcessStateForTests();

    ASSERT_TRUE(found);
    EXPECT_EQ(config, backend.keyboard.ConfigPath());
    EXPECT_EQ(notify, backend.keyboard.NotifyPath());
    std::lock_guard lock(backend.mutex);
    for (const std::string& path : backend.opened) {
        EXPECT_NE(path, TypingPath);
        EXPECT_TRUE(path == config || path == notify) << path;
    }
}

} // namespace
