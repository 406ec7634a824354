// The device threads sleep until the backend tells of a change, and poll
// only where it cannot: with every poll an hour long, the cable is still
// followed at once; without a watch, the polls follow it.
#include "device/MonitorTestSupport.h"

#include <gtest/gtest.h>

#include <future>

namespace {

// The virtual keyboard seen through a backend of another kind.
//  - Unwatched: a platform that tells of no changes; the threads must poll.
//  - SeesNothing: its watch can see neither arrivals nor the open handle;
//    the threads must poll as if there were none.
//  - Deaf: one whose watch hears no cable and whose node identity tells
//    nothing, so only a transfer that finds the keyboard gone can tell of a
//    replug.
class KeyboardThrough final : public HidBackend {
public:
    enum class Kind { Unwatched, SeesNothing, Deaf };
    KeyboardThrough(VirtualKeyboard& inner, Kind kind) : inner_(inner), kind_(kind) {}

    bool Enumerate(std::vector<HidInterfaceInfo>& out) override { return inner_.Enumerate(out); }
    std::string NodeIdentity(const std::string& path) override
    {
        const std::string identity = inner_.NodeIdentity(path);
        return kind_ == Kind::Deaf && !identity.empty() ? "node" : identity;
    }
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        std::unique_ptr<HidHandle> handle = inner_.Open(path, mode);
        if (!handle || kind_ != Kind::Deaf)
            return handle;
        return std::make_unique<SameNodeHandle>(std::move(handle));
    }
    std::unique_ptr<HidChangeWatch> WatchChanges() override
    {
        if (kind_ == Kind::Unwatched)
            return nullptr;
        return std::make_unique<DeafWatch>(kind_ == Kind::Deaf);
    }

private:
    // Ends a wait only when woken (or at its limit); claims to see what a
    // watch sees, or nothing.
    class DeafWatch final : public HidChangeWatch {
    public:
        explicit DeafWatch(bool claims) : claims_(claims) {}
        HidChange Wait(std::chrono::milliseconds limit, const HidHandle*) override
        {
            std::unique_lock lock(mutex_);
            const bool woken = cv_.wait_for(lock, limit, [this] { return woken_; });
            woken_ = false;
            return woken ? HidChange::Maybe : HidChange::None;
        }
        void Wake() override
        {
            std::lock_guard lock(mutex_);
            woken_ = true;
            cv_.notify_all();
        }
        bool CanWatch(const HidHandle&) const override { return claims_; }
        bool SeesArrivals() const override { return claims_; }

    private:
        bool claims_;
        std::mutex mutex_;
        std::condition_variable cv_;
        bool woken_ = false;
    };

    VirtualKeyboard& inner_;
    Kind kind_;
};

class MonitorChangeWatchTest : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        g_noAutoOpen = 1;
    }

    // Only a change the backend tells of can make the threads look.
    static void PollHourly()
    {
        DeviceThreadTimings t = CurrentDeviceThreadTimings();
        t.presentPoll = t.absentPoll = t.notifyRetry = 1h;
        SetDeviceThreadTimings(t);
    }

    // The reader listens on the keyboard that is there now.
    static bool ReaderOn(VirtualKeyboard& kb)
    {
        return WaitUntil([&] {
            return g_notifyChannel.IsOpen() && g_notifyChannel.NodeIdentity() == kb.NodeIdentity(kb.NotifyPath());
        });
    }
};

struct CableStep {
    const char* name;
    void (*act)(VirtualKeyboard&);
    std::vector<std::string> told; // to the window and the tray
};

const CableStep CableSteps[] = {
    {"unplug", [](VirtualKeyboard& kb) { kb.Unplug(); }, {"lost", "hide", "icon:128"}},
    {"plug", [](VirtualKeyboard& kb) { kb.Plug(); }, {"reload", "icon:141"}},
    {"bounce", [](VirtualKeyboard& kb) { kb.Bounce(); }, {"lost", "hide", "icon:128", "reload", "icon:141"}},
    {"unplug again", [](VirtualKeyboard& kb) { kb.Unplug(); }, {"lost", "hide", "icon:128"}},
    {"plug again", [](VirtualKeyboard& kb) { kb.Plug(); }, {"reload", "icon:141"}},
};

void FollowTheCable(RecordingEvents& events, VirtualKeyboard& kb)
{
    for (const CableStep& step : CableSteps) {
        SCOPED_TRACE(step.name);
        events.Clear();
        step.act(kb);
        ASSERT_TRUE(events.WaitFor(step.told.back()));
        EXPECT_EQ(events.Log(), step.told);
        if (kb.IsPlugged()) {
            EXPECT_TRUE(WaitUntil([&] { return g_configChannel.NodeIdentity() == kb.NodeIdentity(kb.ConfigPath()); }));
            std::array<uint8_t, DeviceInfoBytes> info{};
            EXPECT_EQ(ReadDeviceInfo(info), 1);
        }
    }
}

TEST_F(MonitorChangeWatchTest, TheCableIsFollowedWithoutPolling)
{
    PollHourly();
    VirtualKeyboard& kb = MakeKeyboard();
    Start(kb);
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    ASSERT_NO_FATAL_FAILURE(FollowTheCable(events_, kb));
    // The reader too came back to the new keyboard without its retry.
    EXPECT_TRUE(ReaderOn(kb));
}

TEST_F(MonitorChangeWatchTest, AKeyboardPluggedInLaterIsFoundWithoutPolling)
{
    PollHourly();
    VirtualKeyboardOptions options;
    options.plugged = false;
    VirtualKeyboard& kb = MakeKeyboard(options);
    Start(kb);
    ASSERT_TRUE(WaitUntil([] { return !FirstScanPending(); }));
    kb.Plug();
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"reload", "icon:141"}));
    EXPECT_TRUE(ReaderOn(kb));
}

// A backend that cannot tell of changes, or whose watch cannot see them:
// the threads poll as they always did, and the look taken anyway (an hour
// here) plays no part.
TEST_F(MonitorChangeWatchTest, WithoutAWatchThatSeesTheThreadsPoll)
{
    for (const KeyboardThrough::Kind kind : {KeyboardThrough::Kind::Unwatched, KeyboardThrough::Kind::SeesNothing}) {
        SCOPED_TRACE(kind == KeyboardThrough::Kind::Unwatched ? "no watch" : "a watch that sees nothing");
        StopDeviceThreads();
        g_deviceConnected = 0;
        events_.Clear();
        VirtualKeyboard& kb = MakeKeyboard();
        Start(MakeBackend<KeyboardThrough>(kb, kind));
        ASSERT_TRUE(events_.WaitFor("icon:141"));
        ASSERT_NO_FATAL_FAILURE(FollowTheCable(events_, kb));
        EXPECT_TRUE(ReaderOn(kb));
    }
}

// Nothing but the failed transfer tells of the replug: it wakes the monitor.
TEST_F(MonitorChangeWatchTest, ATransferThatFindsTheKeyboardGoneWakesTheMonitor)
{
    PollHourly();
    VirtualKeyboard& kb = MakeKeyboard();
    Start(MakeBackend<KeyboardThrough>(kb, KeyboardThrough::Kind::Deaf));
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    events_.Clear();
    kb.BounceAtRequest(1);
    std::array<uint8_t, DeviceInfoBytes> info{};
    EXPECT_NE(ReadDeviceInfo(info), 1);
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    EXPECT_EQ(events_.Log(), (std::vector<std::string>{"lost", "hide", "icon:128", "reload", "icon:141"}));
    EXPECT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 1 && !g_configChannel.DeviceGone(); }));
    EXPECT_EQ(ReadDeviceInfo(info), 1);
}

// Stopping ends the threads' waits for a change at once, whether they wait
// on the connected keyboard or for one to come.
TEST_F(MonitorChangeWatchTest, StopEndsTheWaitsForAChange)
{
    PollHourly();
    VirtualKeyboard& kb = MakeKeyboard();
    for (const bool plugged : {true, false}) {
        SCOPED_TRACE(plugged ? "keyboard connected" : "keyboard away");
        events_.Clear();
        g_deviceConnected = 0;
        if (plugged)
            kb.Plug();
        else
            kb.Unplug();
        Start(kb);
        ASSERT_TRUE(WaitUntil([] { return !FirstScanPending(); }));
        if (plugged) {
            ASSERT_TRUE(WaitForReader());
        }
        std::this_thread::sleep_for(20ms); // both threads settle in their waits
        std::future<void> stopped = std::async(std::launch::async, StopDeviceThreads);
        const bool ended = stopped.wait_for(5s) == std::future_status::ready;
        if (!ended)
            kb.Bounce(); // a change ends the waits, so the test can end too
        stopped.wait();
        EXPECT_TRUE(ended);
        EXPECT_FALSE(g_configChannel.IsOpen());
        EXPECT_FALSE(g_notifyChannel.IsOpen());
    }
}

} // namespace
