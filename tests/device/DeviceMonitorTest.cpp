#include "device/MonitorTestSupport.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/DeviceCommands.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(PathTest, CandidatesByThePathsOwnIdsOrTheEnumeratedOnes)
{
    struct Case {
        const char* path;
        uint16_t vendor, product; // enumerated
        bool candidate;
    };
    const Case cases[] = {
        {R"(\\?\hid#vid_320f&pid_5000&mi_01&col01#8&1a2b)", 0, 0, true},
        {R"(\\?\HID#VID_320F&PID_5000&MI_01&COL02#8&1a2b)", 0, 0, true},
        {R"(\\?\hid#Vid_320F&Pid_0000&mi_01#7&3c)", 0, 0, true},
        {R"(\\?\hid#vid_320f&mi_01#7&3c)", 0, 0x1234, true}, // no pid_: product 0
        {R"(\\?\hid#vid_320f&pid_5001#7&3c)", 0x320F, 0x5000, false},
        {R"(\\?\hid#vid_046d&pid_c077#7&3c)", 0x320F, 0x5000, false}, // the path's ids decide
        {R"(\\?\hid#vid_1320f&pid_15000#7)", 0, 0, true},             // only the low 16 bits count
        {R"(\\?\hid#vid_320f&pid_#7)", 0, 0, true},                    // no digits: 0
        {"/dev/hidraw3#1", 0x320F, 0x5000, true},
        {"/dev/hidraw3#1", 0x320F, 0x0000, true},
        {"/dev/hidraw3", 0x320F, 0x4FFF, false},
        {"/dev/hidraw4", 0x046D, 0xC077, false},
        {"", 0, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsKeyboardPath(c.path, c.vendor, c.product), c.candidate) << c.path;
}

TEST_F(MonitorTest, KeyboardPresentAtStartIsReportedAndOpensTheWindowOnce)
{
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("open"));
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"reload", "icon:141", "open"}));
    EXPECT_EQ(events_.reloadSawConnected.load(), 1);
    EXPECT_EQ(events_.reloadSawCapacity.load(), 64u * 128);
    EXPECT_TRUE(WaitUntil([] { return g_noAutoOpen.load() == 1; }));
    EXPECT_EQ(g_deviceConnected.load(), 1);
    EXPECT_EQ(RememberedTrayIcon(), 141);
    const std::vector<uint8_t> factory = FactoryKeyMap(0x5000);
    const std::array<uint8_t, 512> map = CopyDefaultKeyMap();
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), map.begin()));
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_EQ(events_.keyMapMessages.load(), 0);
}

// The window reloads on its own thread while the monitor waits for it: the
// monitor must not keep the keyboard to itself meanwhile, or the window's
// reads would wait out their bound and fail.
TEST_F(MonitorTest, TheWindowsReloadReachesTheKeyboardWhileTheMonitorWaitsForIt)
{
    SetConversationWaitLimit(300ms);
    std::atomic<int32_t> windowRead{2};
    events_.onEvent = [&](const std::string& entry) {
        if (entry != "reload")
            return;
        std::thread window([&] {
            std::array<uint8_t, DeviceInfoBytes> info{};
            windowRead = ReadDeviceInfo(info);
        });
        window.join();
    };
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("reload"));
    ASSERT_TRUE(WaitUntil([&] { return windowRead.load() != 2; }));
    EXPECT_EQ(windowRead.load(), 1);
}

struct ModelCase {
    uint16_t product;
    bool pathsWithIds;
    int32_t keys;
    int32_t mapBytes;
};

class MonitorModelTest : public MonitorTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(MonitorModelTest, ModelFollowsTheProductId)
{
    VirtualKeyboardOptions o;
    o.productId = GetParam().product;
    o.pathsWithIds = GetParam().pathsWithIds;
    VirtualKeyboard& kb = MakeKeyboard(o);
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("reload"));
    EXPECT_EQ(g_keyCount.load(), GetParam().keys);
    EXPECT_EQ(g_keyMapBytes.load(), GetParam().mapBytes);
    // The default map read at connection is the keyboard's, byte for byte
    // over the model's map size.
    const std::vector<uint8_t> factory = kb.Memories().defaultKeyMap;
    ASSERT_EQ(factory.size(), static_cast<size_t>(GetParam().mapBytes));
    EXPECT_TRUE(std::equal(factory.begin(), factory.begin() + 3 * GetParam().keys, FactoryKeyMap(o.productId).begin()));
    const std::array<uint8_t, 512> map = CopyDefaultKeyMap();
    EXPECT_TRUE(std::equal(factory.begin(), factory.end(), map.begin()));
}

INSTANTIATE_TEST_SUITE_P(Models, MonitorModelTest,
                         ::testing::Values(ModelCase{0x5000, true, 128, 512}, ModelCase{0, true, 126, 378},
                                           ModelCase{0x5000, false, 128, 512}, ModelCase{0, false, 126, 378}));

TEST_F(MonitorTest, KeyboardAbsentAtStartNeverOpensTheWindow)
{
    VirtualKeyboardOptions o;
    o.plugged = false;
    VirtualKeyboard& kb = MakeKeyboard(o);
    Start(kb);
    // Let the first scan miss it.
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (g_noAutoOpen.load() == 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(2ms);
    ASSERT_EQ(g_noAutoOpen.load(), 1);
    kb.Plug();
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    ASSERT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 1; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"reload", "icon:141"}));
}

TEST_F(MonitorTest, StartedWithStartDoesNotOpenTheWindow)
{
    g_noAutoOpen = 1;
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    ASSERT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 1; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(events_.Count("open"), 0);
}

TEST_F(MonitorTest, LossAndReturnAreEachReportedOnce)
{
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("open"));
    g_currentProfile = 1;
    events_.Clear();

    kb.Unplug();
    ASSERT_TRUE(events_.WaitFor("icon:128"));
    EXPECT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 0; }));
    EXPECT_EQ(g_deviceConnected.load(), 0);
    EXPECT_EQ(g_currentProfile.load(), -1);
    // Commands fail at once now, without touching the channel.
    EXPECT_EQ(BeginUpdate(), 0);
    std::this_thread::sleep_for(60ms); // several absent scans
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"lost", "hide", "icon:128"}));

    events_.Clear();
    kb.Plug();
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    std::this_thread::sleep_for(30ms); // several present polls
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"reload", "icon:141"}));
    EXPECT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 1; }));
    // The keyboard is usable again on the reopened channel.
    std::array<uint8_t, 44> info{};
    EXPECT_EQ(ReadDeviceInfo(info), 1);
}

// The firmware loader: the keyboard leaves the bus on the loader frame and
// comes back on its own once the updater is done; the monitor handles both
// like a replug.
TEST_F(MonitorTest, KeyboardLeavesForItsLoaderAndIsFoundAgainAfterwards)
{
    VirtualKeyboardOptions options;
    options.loaderTime = 300ms;
    VirtualKeyboard& kb = MakeKeyboard(options);
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("open"));
    events_.Clear();

    ASSERT_EQ(EnterLoader(), 1);
    ASSERT_TRUE(events_.WaitFor("icon:128"));
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"lost", "hide", "icon:128"}));
    EXPECT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 0; }));
    EXPECT_EQ(EnterLoader(), 0);

    ASSERT_TRUE(events_.WaitFor("icon:141"));
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"lost", "hide", "icon:128", "reload", "icon:141"}));
    EXPECT_FALSE(kb.InLoader());
    std::array<uint8_t, 44> info{};
    EXPECT_EQ(ReadDeviceInfo(info), 1);
}

TEST_F(MonitorTest, UnreadableDefaultMapIsReportedAndTheOldOneKept)
{
    std::array<uint8_t, 512> previous{};
    previous.fill(0x5C);
    StoreDefaultKeyMap(previous, previous.size());
    VirtualKeyboard& kb = MakeKeyboard();
    // The probe's request, then the first chunk of the default map.
    kb.RefuseNextRequests(StatusRefused, 2);
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("reload"));
    // Told to the window, whose message the owner reads; the monitor asks
    // nobody itself.
    EXPECT_EQ(events_.keyMapMessages.load(), 1);
    {
        std::lock_guard lock(prompts_.mutex);
        EXPECT_TRUE(prompts_.messages.empty());
    }
    EXPECT_EQ(CopyDefaultKeyMap(), previous);
    // The rest of the connection goes on.
    EXPECT_EQ(g_macroCapacity.load(), 64u * 128);
    EXPECT_TRUE(events_.WaitFor("icon:141"));
}

TEST_F(MonitorTest, NoticesReachTheWindowAndTheTray)
{
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("open"));
    ASSERT_TRUE(WaitForReader());
    events_.Clear();

    kb.SendNotice(0x0401);
    ASSERT_TRUE(events_.WaitFor("timer:1051"));

    KeyboardMemories changed = kb.Memories();
    changed.params[0] = 9;
    changed.deviceInfo[10] = 2;
    kb.SetMemories(changed);
    kb.SendNotice(0x0402);
    ASSERT_TRUE(events_.WaitFor("timer:1053"));
    EXPECT_EQ(kb.Memories(), FactoryMemories(0x5000, 64));

    kb.SendNotice(0x1811);
    kb.SendNotice(0x1810);
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    kb.SendNotice(0x1234); // not a notice we know
    kb.SendNotice(0x0401);
    ASSERT_TRUE(events_.WaitFor("timer:1051", 2));
    EXPECT_EQ(events_.Log(),
              (std::vector<std::string>{"timer:1051", "timer:1053", "icon:142", "icon:141", "timer:1051"}));
}

TEST_F(MonitorTest, ReaderFindsTheKeyboardAgainAfterAReplug)
{
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    ASSERT_TRUE(WaitForReader());
    kb.Unplug();
    ASSERT_TRUE(events_.WaitFor("icon:128"));
    kb.Plug();
    ASSERT_TRUE(events_.WaitFor("icon:141", 2));
    // The reader reopens within a few of its rescans.
    const auto until = std::chrono::steady_clock::now() + 5s;
    bool heard = false;
    while (!heard && std::chrono::steady_clock::now() < until) {
        kb.SendNotice(0x0401);
        heard = events_.WaitFor("timer:1051", 1, 20ms);
    }
    EXPECT_TRUE(heard);
}

TEST_F(MonitorTest, FailedEnumerationEndsBothThreads)
{
    VirtualKeyboard& kb = MakeKeyboard();
    kb.FailEnumeration(true);
    Start(kb);
    std::this_thread::sleep_for(50ms);
    StopDeviceThreads();
    EXPECT_TRUE(events_.Log().empty());
    EXPECT_EQ(g_deviceConnected.load(), 0);
}

TEST_F(MonitorTest, ThreadsStopWhileTheReaderWaitsAndTheKeyboardIsAbsent)
{
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    ASSERT_TRUE(WaitForReader());
    StopDeviceThreads(); // the reader is blocked in a read without time-out
    EXPECT_FALSE(g_notifyChannel.IsOpen());
    EXPECT_FALSE(g_configChannel.IsOpen());
    EXPECT_EQ(g_deviceConnected.load(), 0);

    // Start again, stop at once, with nothing plugged in.
    kb.Unplug();
    g_deviceConnected = 0;
    ASSERT_TRUE(StartDeviceThreads());
    StopDeviceThreads();
}

TEST_F(MonitorTest, BusyIndicatorShowsThenHidesAndEnds)
{
    SetBusyHideDelay(5ms);
    {
        BusyIndicator busy = BusyIndicator::Start();
        ASSERT_TRUE(busy.Running());
        busy.Post(BusyShow);
        busy.Post(BusyHide);
    }
    WaitForBusyIndicators();
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"busy:show", "busy:hide"}));

    // Let go without hiding: the picture still goes away.
    events_.Clear();
    {
        BusyIndicator busy = BusyIndicator::Start();
        busy.Post(BusyShow);
    }
    WaitForBusyIndicators();
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"busy:show", "busy:hide"}));

    // No thread to be had: the Apply goes on and nothing is shown.
    events_.Clear();
    FailNextBusyIndicatorStart();
    BusyIndicator none = BusyIndicator::Start();
    EXPECT_FALSE(none.Running());
    none.Post(BusyShow);
    none.Post(BusyHide);
    WaitForBusyIndicators();
    EXPECT_TRUE(events_.Log().empty());
    SetBusyHideDelay(100ms);
}

} // namespace
