#pragma once

// The device threads running against a virtual keyboard, with the window's
// and the owner's side recorded (and, for the replug tests, hooks that act
// at a chosen moment of the connection handler).
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/BusyIndicator.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/NotificationReader.h"
#include "device/virtual/VirtualKeyboard.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"
#include "text/LanguageTexts.h"

#include "support/RecordingPrompts.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

// What the window and the tray were told, in order.
// A handle of the backend that says every node it opens is the same node:
// only what else tells of a replug (a hang-up, a failed transfer) can.
class SameNodeHandle final : public HidHandle {
public:
    explicit SameNodeHandle(std::unique_ptr<HidHandle> inner) : inner_(std::move(inner)) {}
    HidInterfaceInfo Info() const override { return inner_->Info(); }
    std::vector<uint8_t> ReportDescriptor() const override { return inner_->ReportDescriptor(); }
    int CollectionIndex() const override { return inner_->CollectionIndex(); }
    std::string NodeIdentity() const override { return "node"; }
    HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) override
    {
        return inner_->Read(buffer, transferred, timeoutMs);
    }
    HidIo Write(std::span<const uint8_t> report, size_t& transferred, int timeoutMs) override
    {
        return inner_->Write(report, transferred, timeoutMs);
    }
    void Abort() override { inner_->Abort(); }
    HidLock TryLockExclusive() const override { return inner_->TryLockExclusive(); }
    void UnlockExclusive() const override { inner_->UnlockExclusive(); }
    LockHolder ExclusiveHolder() const override { return inner_->ExclusiveHolder(); }

private:
    std::unique_ptr<HidHandle> inner_;
};

class RecordingEvents : public DeviceEvents {
public:
    void DeviceLost() override { Add("lost"); }
    void HideMainWindow() override { Add("hide"); }
    // Not in the log: the window's message box, which waits for the owner.
    void DefaultKeyMapUnreadable() override
    {
        ++keyMapMessages;
        if (whileKeyMapMessageShown)
            whileKeyMapMessageShown();
    }
    void ReloadFromKeyboard() override
    {
        // The handler has the keyboard's facts in place before it asks.
        reloadSawConnected = g_deviceConnected.load();
        reloadSawCapacity = g_macroCapacity.load();
        Add("reload");
    }
    void OpenMainWindow() override { Add("open"); }
    void ArmTimer(int id) override { Add("timer:" + std::to_string(id)); }
    void SetTrayIcon(int id) override { Add("icon:" + std::to_string(id)); }
    void ShowBusyPicture(bool shown) override { Add(shown ? "busy:show" : "busy:hide"); }

    bool WaitFor(const std::string& entry, int times = 1, std::chrono::milliseconds timeout = 5s)
    {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return std::count(log_.begin(), log_.end(), entry) >= times; });
    }
    std::vector<std::string> Log()
    {
        std::lock_guard lock(mutex_);
        return log_;
    }
    int Count(const std::string& entry)
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(log_.begin(), log_.end(), entry));
    }
    void Clear()
    {
        std::lock_guard lock(mutex_);
        log_.clear();
    }

    std::atomic<int32_t> reloadSawConnected{-1};
    std::atomic<uint32_t> reloadSawCapacity{0};
    std::atomic<int> keyMapMessages{0};
    // Runs on the device thread while the message waits; set it before the
    // threads start.
    std::function<void()> whileKeyMapMessageShown;
    // Runs on the calling (device) thread right after each entry is logged,
    // before the call returns; set it before the threads start.
    std::function<void(const std::string&)> onEvent;

private:
    void Add(const std::string& entry)
    {
        {
            std::lock_guard lock(mutex_);
            log_.push_back(entry);
            cv_.notify_all();
        }
        if (onEvent)
            onEvent(entry);
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> log_;
};

class MonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("rt604-monitor-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        ResetProcessStateForTests();
        SetSettingsFolderForTests(dir_.string());
        g_paths.programDir = std::string(RT604_DATA_DIR) + "/";

        DeviceThreadTimings t;
        t.presentPoll = 5ms;
        t.absentPoll = 20ms;
        t.notifyRetry = 20ms;
        t.firstScanDelay = 1ms;
        // A change the backend's watch fails to tell of is then never seen:
        // the look taken anyway must not hide it.
        t.watchedLook = 1h;
        SetDeviceThreadTimings(t);
        TransportTimings tt;
        tt.readTimeoutMs = 40;
        tt.endUpdatePauseMs = 0;
        SetTransportTimings(tt);
        SetDeviceEvents(&events_);
        SetPrompts(&prompts_);
    }

    void TearDown() override
    {
        StopDeviceThreads();
        ResetProcessStateForTests();
        // Wrappers before the keyboards they wrap.
        while (!backends_.empty())
            backends_.pop_back();
        std::filesystem::remove_all(dir_);
    }

    // The keyboards (and backends wrapping them) the threads use live in the
    // fixture, not in the test body: the threads run on until TearDown stops
    // them, after the body's locals are gone, and use the backend until then.
    VirtualKeyboard& MakeKeyboard(const VirtualKeyboardOptions& options = {})
    {
        return MakeBackend<VirtualKeyboard>(options);
    }
    template <typename Backend, typename... Args>
    Backend& MakeBackend(Args&&... args)
    {
        auto backend = std::make_unique<Backend>(std::forward<Args>(args)...);
        Backend& made = *backend;
        backends_.push_back(std::move(backend));
        return made;
    }

    void Start(HidBackend& backend)
    {
        const bool owned = std::any_of(backends_.begin(), backends_.end(),
                                       [&](const std::unique_ptr<HidBackend>& b) { return b.get() == &backend; });
        ASSERT_TRUE(owned) << "a backend the device threads use must come from MakeKeyboard or MakeBackend";
        SetHidBackend(&backend);
        ASSERT_TRUE(StartDeviceThreads());
    }

    // The notification reader has its channel open on the keyboard.
    static bool WaitForReader(std::chrono::milliseconds timeout = 5s)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (g_notifyChannel.IsOpen())
                return true;
            std::this_thread::sleep_for(2ms);
        }
        return false;
    }

    std::filesystem::path dir_;
    // Destroyed after TearDown has stopped the threads (see MakeKeyboard).
    std::vector<std::unique_ptr<HidBackend>> backends_;
    RecordingEvents events_;
    RecordingPrompts prompts_;
};

