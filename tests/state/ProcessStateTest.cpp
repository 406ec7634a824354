#include "state/ProcessState.h"

#include "actions/MacroApply.h"
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboard.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

// A piece of process-wide state: how a test leaves it behind and whether it
// is back where a new process has it.
struct Piece {
    const char* name;
    std::function<void()> dirty;
    std::function<bool()> atStart;
};

bool AllZero(std::span<const uint8_t> bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

const std::vector<Piece>& Pieces()
{
    static const std::vector<Piece> pieces = {
        {"connection", [] { g_deviceConnected = 1; }, [] { return g_deviceConnected.load() == 0; }},
        {"key count", [] { g_keyCount = 128; }, [] { return g_keyCount.load() == 126; }},
        {"key-map size", [] { g_keyMapBytes = 512; }, [] { return g_keyMapBytes.load() == 378; }},
        {"factory key map",
         [] {
             std::array<uint8_t, MaxKeyMapBytes> map{};
             map.fill(0x5A);
             StoreDefaultKeyMap(map, map.size());
         },
         [] { return AllZero(CopyDefaultKeyMap()); }},
        {"transport timings", [] { SetTransportTimings(TransportTimings{1, 2, 3, 4}); },
         [] { return CurrentTransportTimings().readTimeoutMs == TransportTimings{}.readTimeoutMs
                     && CurrentTransportTimings().attempts == TransportTimings{}.attempts; }},
        {"device thread timings",
         [] {
             DeviceThreadTimings t;
             t.absentPoll = std::chrono::milliseconds(7);
             SetDeviceThreadTimings(t);
         },
         [] { return CurrentDeviceThreadTimings().absentPoll == DeviceThreadTimings{}.absentPoll; }},
        {"current profile", [] { g_currentProfile = 2; }, [] { return g_currentProfile.load() == -1; }},
        {"macro capacity", [] { g_macroCapacity = 8192; }, [] { return g_macroCapacity.load() == 0; }},
        {"no auto open", [] { g_noAutoOpen = 1; }, [] { return g_noAutoOpen.load() == 0; }},
        {"document", [] { InitDocument(); }, [] { return !g_configDoc.block && g_configDoc.macros.empty(); }},
        {"macro layout", [] { g_macroLayoutChanged = true; }, [] { return !g_macroLayoutChanged.load(); }},
        {"lighting", [] { g_lighting.brightness = 4; g_lighting.lightingRecords[5] = 9; },
         [] { return g_lighting.brightness == 0 && AllZero(g_lighting.lightingRecords); }},
        {"key colour table", [] { g_keyColourTable[100] = 0xFF; }, [] { return AllZero(g_keyColourTable); }},
        {"user modes", [] { g_userModes.userMode = 3; g_userModes.marks[1][7] = 1; },
         [] { return g_userModes.userMode == 0 && g_userModes.marks[1][7] == 0; }},
        {"settings folder", [] { SetSettingsFolderForTests("/tmp/rt604-state-settings"); },
         [] { return SettingsFolder() != "/tmp/rt604-state-settings/"; }},
        {"program paths", [] { SetProgramPathsForTests("/tmp/rt604-data", "/tmp/rt604-user"); },
         [] { return g_paths.programDir.empty() && g_paths.userFolder.empty() && g_paths.userIni.empty(); }},
    };
    return pieces;
}

TEST(ProcessState, ResetPutsEveryPieceBackWhereAProcessStarts)
{
    for (const Piece& piece : Pieces()) {
        piece.dirty();
        EXPECT_FALSE(piece.atStart()) << piece.name << ": the test must move it away from the start";
    }
    ResetProcessStateForTests();
    for (const Piece& piece : Pieces())
        EXPECT_TRUE(piece.atStart()) << piece.name;
}

class NoPrompts : public UserPrompts {
public:
    void ShowMessage(const std::string&, MessageStyle) override {}
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileChoice&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileChoice&) override { return std::nullopt; }
};

// What a fixture installed must not outlive it: the next test would talk to
// a destroyed keyboard, window or answerer.
TEST(ProcessState, ResetRemovesWhatTestsInstalledAndClosesTheChannels)
{
    VirtualKeyboard kb;
    NoPrompts prompts;
    HeadlessMainWindow window;
    DeviceEvents events;
    SetHidBackend(&kb);
    SetPrompts(&prompts);
    SetMainWindowLink(&window);
    SetDeviceEvents(&events);
    ASSERT_TRUE(g_configChannel.Open(kb.ConfigPath(), true, true, true, false));
    ASSERT_TRUE(g_notifyChannel.Open(kb.NotifyPath(), true, true, true, false));

    ResetProcessStateForTests();

    EXPECT_FALSE(g_configChannel.IsOpen());
    EXPECT_FALSE(g_notifyChannel.IsOpen());
    EXPECT_NE(&CurrentHidBackend(), static_cast<HidBackend*>(&kb));
    EXPECT_NE(&Prompts(), static_cast<UserPrompts*>(&prompts));
    EXPECT_NE(&MainWindow(), static_cast<MainWindowLink*>(&window));
    EXPECT_NE(&Events(), &events);
}

} // namespace
