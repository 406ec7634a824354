// The device monitor and the notification reader against hidraw: nodes that
// vanish and come back, transfers cut by a pulled cable, the keyboard's
// notices, and which interfaces are opened at all.
#include "DeviceThroughKernel.h"
#include "ProfileFiles.h"

#include "device/hid/CurrentHidBackend.h"
#include "device/virtual/VirtualKeyboardMemory.h"

#include <future>

namespace kernel {
namespace {

using MonitorThroughKernelTest = DeviceThroughKernelTest;

// A command works on the channel the monitor holds, and that channel is the
// vendor collection of the keyboard plugged in last.
void ExpectConnectedTo(const UhidKeyboardProcess& keyboard)
{
    EXPECT_TRUE(WaitUntil([] {
        std::array<uint8_t, DeviceInfoBytes> info{};
        return g_deviceConnected.load() == 1 && ReadDeviceInfo(info) == 1;
    })) << "stuck on " << g_configChannel.Path();
    EXPECT_EQ(g_configChannel.Path(), keyboard.ConfigPath());
}

TEST_F(MonitorThroughKernelTest, EnumerationFindsBothCollectionsAndLeavesTheTypingInterfaceAlone)
{
    UhidKeyboardProcess keyboard({});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();

    std::vector<HidInterfaceInfo> found;
    ASSERT_TRUE(backend.Enumerate(found));
    std::vector<std::tuple<std::string, uint16_t, uint16_t>> ours;
    for (const HidInterfaceInfo& info : found) {
        if (info.vendorId == KeyboardVendorId) {
            EXPECT_EQ(info.productId, 0x5000);
            ours.emplace_back(info.path, info.usagePage, info.usage);
        }
    }
    const std::vector<std::tuple<std::string, uint16_t, uint16_t>> expected = {
        {keyboard.Nodes()[0] + "#0", 0x0001, 0x0006},
        {keyboard.ConfigPath(), ConfigUsagePage, ConfigUsage},
        {keyboard.NotifyPath(), NotifyUsagePage, NotifyUsage},
    };
    std::sort(ours.begin(), ours.end());
    EXPECT_EQ(ours, expected);

    StartAndWaitForKeyboard();
    EXPECT_EQ(g_configChannel.Path(), keyboard.ConfigPath());
    EXPECT_EQ(g_notifyChannel.Path(), keyboard.NotifyPath());
    EXPECT_EQ(g_keyCount.load(), 128);
    for (const std::string& path : backend.Opened()) {
        EXPECT_EQ(NodeOf(path), keyboard.Nodes()[1]) << path << " is not the keyboard's vendor interface";
    }
}

TEST_F(MonitorThroughKernelTest, UnplugIsNoticedAndThePlugFindsTheKeyboardAgain)
{
    UhidKeyboardProcess keyboard({"--product=0"});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    StartAndWaitForKeyboard();
    EXPECT_EQ(g_keyCount.load(), 126);
    events.Clear();

    ASSERT_EQ(keyboard.Command("unplug"), "ok unplugged");
    ASSERT_TRUE(events.WaitFor("icon:128"));
    EXPECT_EQ(g_deviceConnected.load(), 0);
    EXPECT_EQ(BeginUpdate(), 0); // at once, without touching the dead channel
    EXPECT_TRUE(WaitUntil([] { return !g_notifyChannel.IsOpen(); }));

    ASSERT_EQ(keyboard.Command("plug").rfind("ok plugged", 0), 0u);
    ASSERT_TRUE(events.WaitFor("icon:141"));
    EXPECT_EQ(events.Log(), (std::vector<std::string>{"lost", "icon:128", "reload", "icon:141"}));
    ExpectConnectedTo(keyboard);
    EXPECT_TRUE(WaitUntil([&] { return g_notifyChannel.IsOpen() && g_notifyChannel.Path() == keyboard.NotifyPath(); }));
}

TEST_F(MonitorThroughKernelTest, AQuickReplugWhileIdleEndsOnTheNewKeyboard)
{
    UhidKeyboardProcess keyboard({});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    StartAndWaitForKeyboard();

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const std::string before = keyboard.ConfigPath();
        ASSERT_EQ(keyboard.Command("replug 3").rfind("ok plugged", 0), 0u);
        std::printf("replug within 3 ms: %s -> %s\n", before.c_str(), keyboard.ConfigPath().c_str());
        ExpectConnectedTo(keyboard);
    }
}

TEST_F(MonitorThroughKernelTest, AReplugInTheMiddleOfALongImportEndsOnTheNewKeyboard)
{
    const std::string state = (dir / "kb.state").string();
    UhidKeyboardProcess keyboard({"--state=" + state, "--macro-units=255"});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    StartAndWaitForKeyboard();
    const std::vector<uint8_t> file = ProfileFileBytes(FullMemoryPlan(255 * 128));

    auto import = std::async(std::launch::async, [&] { return ImportProfileBytes(file, false); });
    // Well inside the macro memory's 583 chunks.
    ASSERT_TRUE(WaitUntil([&] { return std::stoul(Words(keyboard.Command("requests")).at(1)) > 150; }));
    ASSERT_EQ(keyboard.Command("replug 2").rfind("ok plugged", 0), 0u);
    ASSERT_EQ(import.wait_for(30s), std::future_status::ready) << "the import hangs";
    EXPECT_EQ(import.get(), ImportNotWritten);

    ExpectConnectedTo(keyboard);
    EXPECT_EQ(ImportProfileBytes(file, false), ImportDone);
    StopDeviceThreads();
    ASSERT_EQ(keyboard.Quit(), 0);
    // What a virtual keyboard holds after the same import, on the same
    // transport, from the factory state the keyboard started with.
    VirtualKeyboardOptions options;
    options.macroUnits = 255;
    options.withMouse = false;
    VirtualKeyboard reference(options);
    SetHidBackend(&reference);
    g_configChannel.Close();
    Connect(reference.ConfigPath());
    ASSERT_EQ(ImportProfileBytes(file, false), ImportDone);
    EXPECT_EQ(StateMemories(state), reference.Memories());
}

TEST_F(MonitorThroughKernelTest, AnUnplugInTheMiddleOfATransferFailsIt)
{
    UhidKeyboardProcess keyboard({"--macro-units=255"});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    StartAndWaitForKeyboard();
    const uint64_t before = std::stoul(Words(keyboard.Command("requests")).at(1));

    auto read = std::async(std::launch::async, [] {
        std::vector<uint8_t> memory(255 * 128);
        return ReadMacroMemory(memory);
    });
    ASSERT_TRUE(WaitUntil([&] { return std::stoul(Words(keyboard.Command("requests")).at(1)) > before + 100; }));
    ASSERT_EQ(keyboard.Command("unplug"), "ok unplugged");
    ASSERT_EQ(read.wait_for(30s), std::future_status::ready) << "the read hangs";
    const int32_t result = read.get();
    // The write fails on the vanished node, or the reads run out: never done.
    EXPECT_TRUE(result == -1 || result == 0) << result;
    EXPECT_TRUE(events.WaitFor("icon:128"));
}

TEST_F(MonitorThroughKernelTest, NoticesReachTheReaderWithTheirValues)
{
    const std::string state = (dir / "kb.state").string();
    UhidKeyboardProcess keyboard({"--state=" + state});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    StartAndWaitForKeyboard();
    events.Clear();

    for (const char* notice : {"0401", "1234", "0402", "1811", "1810", "0401"})
        ASSERT_EQ(keyboard.Command(std::string("notice ") + notice), "ok");
    ASSERT_TRUE(events.WaitFor("timer:1051", 2));
    ASSERT_TRUE(events.WaitFor("icon:141"));
    std::vector<std::string> log = events.Log();
    // The tray changes run on threads of their own; their order between
    // themselves is kept, not against the timers.
    std::vector<std::string> timers, icons;
    for (const std::string& entry : log)
        (entry.rfind("timer:", 0) == 0 ? timers : icons).push_back(entry);
    EXPECT_EQ(timers, (std::vector<std::string>{"timer:1051", "timer:1053", "timer:1051"}));
    EXPECT_EQ(icons, (std::vector<std::string>{"icon:142", "icon:141"}));
}

} // namespace
} // namespace kernel
