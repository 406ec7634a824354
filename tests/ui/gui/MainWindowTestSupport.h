#pragma once

// The real main window against the virtual keyboard, connected through the
// real device threads, with a scripted answerer for questions, messages and
// file dialogs, the real skin and language files and a temporary user folder.

#include "support/RecordingPrompts.h"
#include "device/hid/CurrentHidBackend.h"
#include "support/SpinUntil.h"
#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "ui/QtDeviceEvents.h"
#include "ui/QtMainWindowLink.h"
#include "ui/UiDispatcher.h"
#include "actions/ApplyChanges.h"
#include "config/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "device/protocol/BusyIndicator.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/hid/HidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "lighting/LightingState.h"
#include "platform/SettingsStore.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "state/ProcessState.h"
#include "ui/MainWindow.h"
#include "assign/gui/CompositeDialog.h"
#include "config/gui/DlgProfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unistd.h>
#include <vector>

// An assignment the keyboard holds before the window meets it.
// Key codes the tests use.
inline constexpr uint16_t KeyEsc = 1;
inline constexpr uint16_t KeyQ = 16;
inline constexpr uint16_t KeyA = 30;
inline constexpr uint16_t KeyF5 = 63;


struct KeyboardAssignment {
    int profile;
    uint16_t keyCode;
    uint16_t type;
    uint32_t value;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path() /
              ("rt604-main-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "cfg");
        ResetProcessStateForTests();
        SetSettingsFolderForTests((dir / "cfg").string());
        SetProgramPathsForTests(RT604_DATA_DIR, (dir / "user" / "Orvan RT-604").string());
        SetLanguageIndex(0);
        g_noAutoOpen = 1;

        TransportTimings t;
        t.readTimeoutMs = 50;
        t.attempts = 2;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
        DeviceThreadTimings d;
        d.presentPoll = std::chrono::milliseconds(10);
        d.absentPoll = std::chrono::milliseconds(20);
        d.notifyRetry = std::chrono::milliseconds(20);
        d.firstScanDelay = std::chrono::milliseconds(0);
        SetDeviceThreadTimings(d);
        SetApplyShowDelay(std::chrono::milliseconds(0));
        SetBusyHideDelay(std::chrono::milliseconds(0));

        kb = std::make_unique<VirtualKeyboard>();
        SetHidBackend(kb.get());
        SetPrompts(&prompts);
    }

    void TearDown() override
    {
        if (window)
            window->WaitForApply();
        dispatcher.Close();
        if (threadsStarted)
            StopDeviceThreads();
        WaitForBusyIndicators();
        SetDeviceEvents(nullptr);
        SetMainWindowLink(nullptr);
        window.reset();
        events.reset();
        link.reset();
        ResetProcessStateForTests();
        kb.reset();
        std::filesystem::remove_all(dir);
    }

    // The keyboard's memories before it is plugged in: active profile and
    // assignments, encoded by the core as the device writer does.
    void PrepareKeyboard(int activeProfile, const std::vector<KeyboardAssignment>& assignments)
    {
        KeyboardMemories m = kb->Memories();
        m.deviceInfo[10] = static_cast<uint8_t>(activeProfile);
        const size_t bytes = static_cast<size_t>(m.keyMapBytes);
        for (const KeyboardAssignment& a : assignments) {
            const int position = PositionOf(a.keyCode);
            ASSERT_GE(position, 0);
            std::span<uint8_t> map(m.keyMaps.data() + bytes * static_cast<size_t>(a.profile), bytes);
            const KeyMapEntry factory = ReadKeyMapEntry(m.defaultKeyMap, position);
            KeySlot slot;
            slot.SetType(a.type);
            slot.SetValue(a.value);
            WriteKeyMapEntry(map, position, EncodeSlot(slot, factory, 0));
        }
        kb->SetMemories(m);
    }

    // The keyboard's lighting record of a profile before it is plugged in.
    void PrepareRecord(int profile, size_t field, std::vector<uint8_t> bytes)
    {
        KeyboardMemories m = kb->Memories();
        std::copy(bytes.begin(), bytes.end(), m.params.begin() + 42 * profile + static_cast<std::ptrdiff_t>(field));
        kb->SetMemories(m);
    }

    // Creates the window and starts the device threads; returns once the
    // keyboard's connection has been handled (the reload included). With
    // virtualMode the window is told the keyboard is the virtual one, as with
    // --virtual-keyboard.
    void Start(bool virtualMode = false)
    {
        window = std::make_unique<CVarkelinDlg>(
            CVarkelinDlg::Options{virtualMode ? kb.get() : nullptr, windowStateFile});
        events = std::make_unique<QtDeviceEvents>(dispatcher, *window);
        link = std::make_unique<QtMainWindowLink>(*window);
        SetMainWindowLink(link.get());
        window->Initialise([this] {
            SetDeviceEvents(events.get());
            threadsStarted = StartDeviceThreads();
        });
        ASSERT_TRUE(threadsStarted);
        ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(1); }));
        ASSERT_TRUE(SpinUntil([this] { return ReaderOnTheKeyboard(); }));
        SpinUntil([] { return false; }, 20); // the posted INIT and the like
        kb->ClearFrameLog();
    }

    // The window has handled the keyboard's arrival (1: reload and icon
    // done) or its loss (0: sub-windows closed, window hidden, icon shown).
    // The connected flag changes as the monitor begins, so alone it says
    // too little.
    bool ConnectionHandled(int32_t state) const
    {
        return g_deviceConnected.load() == state &&
               window->TrayIconId() == (state == 1 ? TrayIconConnected : TrayIconDisconnected);
    }

    // The notification reader has the keyboard plugged in now open. The
    // monitor connects first and the reader follows on its own retry, so a
    // notice sent before this holds reaches nobody, as with the real
    // keyboard when no program has its node open.
    bool ReaderOnTheKeyboard() const
    {
        return g_notifyChannel.IsOpen() && g_notifyChannel.Path() == kb->NotifyPath() &&
               g_notifyChannel.NodeIdentity() == kb->NodeIdentity(kb->NotifyPath());
    }

    int PositionOf(uint16_t keyCode) const
    {
        const std::vector<uint16_t> codes = FactoryKeyCodes(kb->Memories().productId);
        auto it = std::find(codes.begin(), codes.end(), keyCode);
        return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
    }

    KeyMapEntry KeyboardEntry(int profile, uint16_t keyCode) const
    {
        const KeyboardMemories m = kb->Memories();
        const size_t bytes = static_cast<size_t>(m.keyMapBytes);
        std::span<const uint8_t> map(m.keyMaps.data() + bytes * static_cast<size_t>(profile), bytes);
        return ReadKeyMapEntry(map, PositionOf(keyCode));
    }

    KeyMapEntry FactoryEntry(uint16_t keyCode) const
    {
        return ReadKeyMapEntry(kb->Memories().defaultKeyMap, PositionOf(keyCode));
    }

    size_t CountRequests(uint8_t command) const
    {
        size_t n = 0;
        for (const Frame& f : kb->Requests())
            n += f[3] == command;
        return n;
    }

    static KeySlot DocumentSlot(int profile, uint16_t keyCode)
    {
        DocumentLock lock;
        return ReadKeySlot(*g_configDoc.block, SlotsPerGroup * profile + KeyCodeToIndex(keyCode));
    }

    static uint16_t ControlOf(uint16_t keyCode)
    {
        for (const ButtonKey& key : ButtonKeyTable) {
            if (key.keyCode == keyCode)
                return key.controlId;
        }
        return 0;
    }

    CPngButton* KeyButton(uint16_t keyCode) const { return window->Button(ControlOf(keyCode)); }

    // The sub-windows that hold a keyboard change back until they close,
    // each opened and closed as the owner does it.
    struct SubWindowCase {
        const char* what;
        std::function<void()> open;
        std::function<void()> close;
    };
    std::vector<SubWindowCase> SubWindowsThatHoldChangesBack()
    {
        return {
            {"the key function editor", [this] { window->EditKey(ControlOf(KeyQ)); },
             [this] { window->KeyEditor()->Button(CompositeControl::Cancel)->click(); }},
            {"the profile manager", [this] { window->OpenProfileManager(); },
             [this] { window->ProfileDialog()->reject(); }},
        };
    }

    bool ProfileShown(int profile) const
    {
        const int ids[] = {MainControl::Profile1, MainControl::Profile2, MainControl::Profile3};
        for (int n = 0; n < 3; ++n) {
            if (window->Button(ids[n])->IsMarked() != (n == profile))
                return false;
        }
        return true;
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    std::filesystem::path dir;
    RecordingPrompts prompts;
    std::unique_ptr<VirtualKeyboard> kb;
    UiDispatcher dispatcher;
    std::unique_ptr<CVarkelinDlg> window;
    std::unique_ptr<QtDeviceEvents> events;
    std::unique_ptr<QtMainWindowLink> link;
    bool threadsStarted = false;
    // The state file the window is told its keyboard runs on (rt604ctl's
    // messages name the keyboard by it).
    std::string windowStateFile;
};

