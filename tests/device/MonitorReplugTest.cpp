// The keyboard's cable bouncing at every moment of a connection, and while
// nothing happens: the monitor must always end up on the keyboard that is
// there now (the node under the path is a new one after every plug, even
// though the path stays the same), with the tray icon and the window told.
#include "device/MonitorTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class MonitorReplugTest : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        g_noAutoOpen = 1;
        kb_ = &MakeKeyboard();
        events_.onEvent = [this](const std::string& entry) {
            if (entry == "reload") {
                // What the window's reload asks of the keyboard meanwhile.
                Moment("reload begins");
                std::array<uint8_t, DeviceInfoBytes> info{};
                ReadDeviceInfo(info);
                std::array<uint8_t, MaxKeyMapBytes> map{};
                ReadKeyMap(std::span<uint8_t>(map.data(), static_cast<size_t>(g_keyMapBytes.load())), 0);
                Moment("reload ends");
            } else {
                Moment(entry);
            }
        };
        events_.whileKeyMapMessageShown = [this] { Moment("message box"); };
    }

    // The cable bounces when the handler reaches that moment (once).
    void BounceAt(const std::string& moment)
    {
        std::lock_guard lock(armLock_);
        armedAt_ = moment;
    }
    void Moment(const std::string& moment)
    {
        {
            std::lock_guard lock(armLock_);
            if (armedAt_ != moment)
                return;
            armedAt_.clear();
        }
        kb_->Bounce();
    }

    // Connected to the keyboard that is there now: the channel is on its
    // current node, no transfer found it gone, the connection was handled.
    bool OnTheKeyboardThere() const
    {
        return g_deviceConnected.load() == 1 && RememberedTrayIcon() == 141 &&
               !g_configChannel.DeviceGone() && g_configChannel.NodeIdentity() == kb_->NodeIdentity(kb_->ConfigPath());
    }

    // Settled there: still so after several polls, and the keyboard answers.
    void ExpectSettledOnTheKeyboardThere()
    {
        ASSERT_TRUE(WaitUntil([this] { return OnTheKeyboardThere(); }));
        std::this_thread::sleep_for(30ms);
        EXPECT_TRUE(OnTheKeyboardThere());
        std::array<uint8_t, DeviceInfoBytes> info{};
        EXPECT_EQ(ReadDeviceInfo(info), 1);
    }

    void UnplugAndWaitForTheLoss()
    {
        events_.Clear();
        kb_->Unplug();
        // The flag drops as the loss begins; the icon is the last thing told.
        ASSERT_TRUE(events_.WaitFor("icon:128"));
        ASSERT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 0 && RememberedTrayIcon() == 128; }));
        events_.Clear();
    }

    VirtualKeyboard* kb_ = nullptr;
    std::mutex armLock_;
    std::string armedAt_;
};

// A connection the handler finished on a node that had already gone: it is
// found out, reported lost (window hidden, icon 128) and made again.
const std::vector<std::string> HandledThenFoundOut = {"reload", "icon:141", "lost", "hide", "icon:128", "reload",
                                                     "icon:141"};

TEST_F(MonitorReplugTest, ABounceAtAnyRequestOfTheConnectionEndsOnTheNewKeyboard)
{
    Start(*kb_);
    ExpectSettledOnTheKeyboardThere();

    // How many requests a whole connection sends (handler and reload).
    UnplugAndWaitForTheLoss();
    const uint64_t before = kb_->RequestCount();
    kb_->Plug();
    ExpectSettledOnTheKeyboardThere();
    const int requests = static_cast<int>(kb_->RequestCount() - before) - 1; // less the check's own
    ASSERT_GT(requests, 10);

    for (int n = 1; n <= requests; ++n) {
        SCOPED_TRACE("bounce at request " + std::to_string(n));
        UnplugAndWaitForTheLoss();
        kb_->BounceAtRequest(n);
        kb_->Plug();
        ExpectSettledOnTheKeyboardThere();
        EXPECT_EQ(events_.Log(), HandledThenFoundOut);
        if (HasFailure())
            return;
    }
}

TEST_F(MonitorReplugTest, ABounceAtEachStepOfTheHandlerEndsOnTheNewKeyboard)
{
    Start(*kb_);
    ExpectSettledOnTheKeyboardThere();
    for (const char* moment : {"reload begins", "reload ends", "icon:141"}) {
        SCOPED_TRACE(moment);
        UnplugAndWaitForTheLoss();
        BounceAt(moment);
        kb_->Plug();
        ExpectSettledOnTheKeyboardThere();
        EXPECT_EQ(events_.Log(), HandledThenFoundOut);
        if (HasFailure())
            return;
    }

    // While the message about the unreadable factory map waits for the
    // owner: the box is answered, the rest of the handler runs on the dead
    // node, and the new keyboard (whose map reads fine) is connected after.
    UnplugAndWaitForTheLoss();
    BounceAt("message box");
    kb_->RefuseNextRequests(StatusRefused, 1);
    kb_->Plug();
    ExpectSettledOnTheKeyboardThere();
    EXPECT_EQ(events_.Log(), HandledThenFoundOut);
    EXPECT_EQ(events_.keyMapMessages.load(), 1);
}

// The window opens by itself after the first connection; a bounce just then
// hides it again, and it does not open by itself a second time.
TEST_F(MonitorReplugTest, ABounceAsTheWindowOpensHidesItAndConnectsAgain)
{
    g_noAutoOpen = 0;
    BounceAt("open");
    Start(*kb_);
    ExpectSettledOnTheKeyboardThere();
    EXPECT_EQ(events_.Log(),
              (std::vector<std::string>{"reload", "icon:141", "open", "lost", "hide", "icon:128", "reload", "icon:141"}));
}

// A platform where a new node cannot be told from the old one by what is
// under the path: the keyboard's own answer, a transfer that finds the
// device gone, is then what tells of the replug.
class IdentityBlind final : public HidBackend {
public:
    explicit IdentityBlind(HidBackend& inner) : inner_(inner) {}
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override { return inner_.Enumerate(out); }
    std::string NodeIdentity(const std::string& path) override
    {
        return inner_.NodeIdentity(path).empty() ? std::string() : "node";
    }
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        std::unique_ptr<HidHandle> handle = inner_.Open(path, mode);
        return handle ? std::make_unique<SameNodeHandle>(std::move(handle)) : nullptr;
    }

private:
    HidBackend& inner_;
};

TEST_F(MonitorReplugTest, ATransferThatFindsTheDeviceGoneIsALoss)
{
    Start(MakeBackend<IdentityBlind>(*kb_));
    // The icon, not the flag: the first look at the keyboard raises the
    // flag for a moment before the connection is made.
    ASSERT_TRUE(events_.WaitFor("icon:141"));
    for (const char* moment : {"reload begins", "reload ends"}) {
        SCOPED_TRACE(moment);
        UnplugAndWaitForTheLoss();
        BounceAt(moment);
        kb_->Plug();
        // The reload's reads (or the check's own) meet the dead node.
        ASSERT_TRUE(events_.WaitFor("icon:141"));
        std::array<uint8_t, DeviceInfoBytes> info{};
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (ReadDeviceInfo(info) != 1 && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        EXPECT_EQ(ReadDeviceInfo(info), 1);
        // The keyboard answers as soon as the new connection is made, before
        // the handler has told the window.
        EXPECT_TRUE(events_.WaitFor("icon:141", 2));
        EXPECT_TRUE(WaitUntil([] { return g_deviceConnected.load() == 1 && !g_configChannel.DeviceGone(); }));
        EXPECT_EQ(events_.Count("lost"), 1);
        EXPECT_EQ(events_.Count("reload"), 2);
    }
}

// 3 ms out and back in while the program is idle, each time spotted (the
// path is there at every poll), each time one loss and one new connection.
TEST_F(MonitorReplugTest, ShortBouncesWhileIdleAreEachNoticed)
{
    DeviceThreadTimings t = CurrentDeviceThreadTimings();
    t.presentPoll = 50ms; // the gap falls between polls almost every time
    SetDeviceThreadTimings(t);
    Start(*kb_);
    ExpectSettledOnTheKeyboardThere();
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        events_.Clear();
        kb_->Unplug();
        std::this_thread::sleep_for(3ms);
        kb_->Plug();
        ASSERT_TRUE(events_.WaitFor("icon:141"));
        ExpectSettledOnTheKeyboardThere();
        EXPECT_EQ(events_.Log(), (std::vector<std::string>{"lost", "hide", "icon:128", "reload", "icon:141"}));
        if (HasFailure())
            return;
    }

    // A cable that chatters: bounces 3 ms apart, faster than the handler
    // can follow; once it rests, the keyboard there is the one connected.
    events_.Clear();
    for (int bounce = 0; bounce < 40; ++bounce) {
        kb_->Bounce();
        std::this_thread::sleep_for(3ms);
    }
    ExpectSettledOnTheKeyboardThere();
    const std::vector<std::string> log = events_.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), (std::vector<std::string>{"reload", "icon:141"}));
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == "lost") {
            ASSERT_LT(i + 2, log.size());
            EXPECT_EQ(log[i + 1], "hide");
            EXPECT_EQ(log[i + 2], "icon:128");
        }
    }
}

} // namespace
