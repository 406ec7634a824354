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
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/hid/HidapiBackend.h"
#include "platform/SettingsStore.h"
#include "text/LanguageTexts.h"

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

class SilentPrompts : public UserPrompts {
public:
    void ShowMessage(const std::string& text, MessageStyle) override
    {
        std::lock_guard lock(mutex);
        messages.push_back(text);
    }
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileChoice&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileChoice&) override { return std::nullopt; }
    std::mutex mutex;
    std::vector<std::string> messages;
};

template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = 10s)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class DeviceThroughKernelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RT604_REQUIRE_UHID();
        dir = TestFolder("device");
        SetProgramPathsForTests(RT604_DATA_DIR, (dir / "user" / "Orvan RT-604").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        SetPrompts(&prompts);
        SetMainWindowLink(&window);
        SetDeviceEvents(&events);
        InitDocument();
        g_deviceConnected = 0;
        g_noAutoOpen = 1;
        g_currentProfile = -1;
        g_macroCapacity = 0;
        keyCount = 126;
        keyMapBytes = 378;
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
        g_deviceConnected = 0;
        g_configChannel.Close();
        SetHidBackend(nullptr);
        SetDeviceEvents(nullptr);
        SetDeviceThreadTimings(DeviceThreadTimings{});
        ShutdownDocuments();
        SetMainWindowLink(nullptr);
        SetPrompts(nullptr);
        SetSettingsFolderForTests("");
        g_currentProfile = -1;
        keyCount = 126;
        keyMapBytes = 378;
        fs::remove_all(dir);
    }

    // What the monitor and its handler do when they find the keyboard, done
    // here on a path the test chooses: no device threads involved.
    void Connect(const std::string& configPath)
    {
        ASSERT_TRUE(g_configChannel.Open(configPath, true, true, true, false)) << configPath;
        ASSERT_TRUE(IsConfigCollection(g_configChannel));
        const KeyboardModel* model = ModelForProductId(g_configChannel.Attributes().productId);
        ASSERT_NE(model, nullptr);
        keyCount = model->keyCount;
        keyMapBytes = model->keyMapBytes;
        g_deviceConnected = 1;
        std::array<uint8_t, MaxKeyMapBytes> map{};
        ASSERT_EQ(ReadDefaultKeyMap(std::span<uint8_t>(map.data(), size_t(model->keyMapBytes))), 1);
        StoreDefaultKeyMap(map, size_t(model->keyMapBytes));
        std::array<uint8_t, DeviceInfoBytes> info{};
        ASSERT_EQ(ReadDeviceInfo(info), 1);
        g_macroCapacity = info[DeviceInfoMacroUnits] * uint32_t{MacroUnitBytes};
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
    SilentPrompts prompts;
    HeadlessMainWindow window;
    bool active = false;
};

} // namespace kernel
