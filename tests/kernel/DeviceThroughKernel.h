#pragma once

// The program's device side in this process (channels, transport, device
// threads, document) on the hidapi backend, against a keyboard plugged in
// through /dev/uhid by rt604-uhid-keyboard.

#include "KernelTestSupport.h"

#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "actions/ProfileImport.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConnection.h"
#include "device/hid/HidDevice.h"
#include "device/hid/HidapiBackend.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"
#include "text/LanguageTexts.h"

#include "support/RecordingPrompts.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace kernel {

// The hidapi backend, with every path opened written down.
class RecordingHidapiBackend : public HidBackend {
public:
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override { return real_.Enumerate(out); }
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        {
            std::lock_guard lock(mutex_);
            opened_.push_back(path);
        }
        return real_.Open(path, mode);
    }
    std::string NodeIdentity(const std::string& path) override { return real_.NodeIdentity(path); }
    std::unique_ptr<HidChangeWatch> WatchChanges() override { return real_.WatchChanges(); }

    std::vector<std::string> Opened()
    {
        std::lock_guard lock(mutex_);
        return opened_;
    }

private:
    HidapiBackend real_;
    std::mutex mutex_;
    std::vector<std::string> opened_;
};

class EventRecorder : public DeviceEvents {
public:
    void DeviceLost() override { Add("lost"); }
    void ReloadFromKeyboard() override { Add("reload"); }
    void ArmTimer(int id) override { Add("timer:" + std::to_string(id)); }
    void SetTrayIcon(int id) override { Add("icon:" + std::to_string(id)); }

    bool WaitFor(const std::string& entry, int times = 1, std::chrono::milliseconds timeout = 10s)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout,
                                 [&] { return std::count(log_.begin(), log_.end(), entry) >= times; });
    }
    int Count(const std::string& entry)
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(log_.begin(), log_.end(), entry));
    }
    std::vector<std::string> Log()
    {
        std::lock_guard lock(mutex_);
        return log_;
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        log_.clear();
    }

private:
    void Add(const std::string& entry)
    {
        std::lock_guard lock(mutex_);
        log_.push_back(entry);
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> log_;
};

class DeviceThroughKernelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RT604_REQUIRE_UHID();
        dir = TestFolder("device");
        ResetProcessStateForTests();
        SetProgramPathsForTests(RT604_DATA_DIR, (dir / "user" / "Orvan RT-604").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        SetPrompts(&prompts);
        SetMainWindowLink(&window);
        SetDeviceEvents(&events);
        InitDocument();
        g_noAutoOpen = 1;
        // The real polls, but quicker rescans while the keyboard is away.
        DeviceThreadTimings timings;
        timings.absentPoll = 250ms;
        timings.notifyRetry = 250ms;
        // The VM runs no udev: the connected keyboard is watched through its
        // node alone, and an unplug its hang-up does not tell of is never
        // noticed.
        timings.watchedLook = 1h;
        SetDeviceThreadTimings(timings);
        SetHidBackend(&backend);
        active = true;
    }

    void TearDown() override
    {
        if (!active)
            return;
        StopDeviceThreads();
        ResetProcessStateForTests();
        fs::remove_all(dir);
    }

    // What the monitor and its handler do when they find the keyboard, done
    // here on a path the test chooses: no device threads involved.
    void Connect(const std::string& configPath)
    {
        ASSERT_TRUE(g_configChannel.Open(configPath, true, true, true, false)) << configPath;
        ASSERT_TRUE(IsConfigCollection(g_configChannel));
        ASSERT_TRUE(TakeKeyboardModel());
        g_deviceConnected = 1;
        const KeyboardConnectReads reads = ConnectKeyboard();
        ASSERT_EQ(reads.defaultKeyMap, 1);
        ASSERT_EQ(reads.deviceInfo, 1);
    }

    // The device threads have the keyboard, and the reader listens to it.
    void StartAndWaitForKeyboard()
    {
        ASSERT_TRUE(StartDeviceThreads());
        ASSERT_TRUE(events.WaitFor("icon:141"));
        ASSERT_TRUE(WaitUntil([] { return g_notifyChannel.IsOpen(); }));
    }

    static std::string NodeOf(const std::string& path) { return path.substr(0, path.find('#')); }

    fs::path dir;
    RecordingHidapiBackend backend;
    EventRecorder events;
    RecordingPrompts prompts;
    HeadlessMainWindow window;
    bool active = false;
};

} // namespace kernel
