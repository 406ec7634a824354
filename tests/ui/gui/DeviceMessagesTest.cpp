#include "device/hid/CurrentHidBackend.h"
#include "support/ShellTestSupport.h"

#include "base/UserPrompts.h"
#include "ui/QtDeviceEvents.h"
#include "ui/QtUserPrompts.h"
#include "ui/ShellMessages.h"
#include "ui/UiDispatcher.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "ui/MainWindow.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <condition_variable>
#include <mutex>

using namespace std::chrono_literals;

namespace {

// The virtual keyboard behind a gate that holds every enumeration until it
// is released.
class HeldEnumeration final : public HidBackend {
public:
    explicit HeldEnumeration(VirtualKeyboard& inner) : inner_(inner) {}
    void Release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return released_; });
        return inner_.Enumerate(out);
    }
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        return inner_.Open(path, mode);
    }
    std::string NodeIdentity(const std::string& path) override { return inner_.NodeIdentity(path); }

private:
    VirtualKeyboard& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
};

class DeviceMessagesTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        DeviceThreadTimings timings;
        timings.presentPoll = 5ms;
        timings.absentPoll = 20ms;
        timings.notifyRetry = 20ms;
        timings.firstScanDelay = 1ms;
        SetDeviceThreadTimings(timings);
        g_noAutoOpen = 1;
        window_ = std::make_unique<CVarkelinDlg>(CVarkelinDlg::Options{&keyboard_});
        QObject::connect(window_.get(), &CVarkelinDlg::traced, [this](const QString& line) {
            std::lock_guard lock(mutex_);
            if (QThread::currentThread() != window_->thread())
                offThread_ = true;
            trace_.push_back(line.toStdString());
        });
        events_ = std::make_unique<QtDeviceEvents>(dispatcher_, *window_);
        SetHidBackend(&keyboard_);
    }

    void TearDown() override
    {
        dispatcher_.Close();
        StopDeviceThreads();
        SetDeviceEvents(nullptr);
        SetHidBackend(nullptr);
        SetDeviceThreadTimings(DeviceThreadTimings{});
        window_.reset();
        ShellTest::TearDown();
    }

    bool WaitForTrace(const std::string& line)
    {
        return SpinUntil([&] {
            std::lock_guard lock(mutex_);
            return std::find(trace_.begin(), trace_.end(), line) != trace_.end();
        });
    }

    // The lines of interest, in the order the window handled them.
    void OpenBeforeTheFirstScan(bool plugged);

    int Count(const std::string& line)
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count(trace_.begin(), trace_.end(), line));
    }

    // On the keyboard that is there now, with the connection handled: the
    // channel on its current node, connected, the tray showing 141.
    bool OnTheKeyboardThere()
    {
        return g_deviceConnected.load() == 1 && window_->TrayIconId() == TrayIconConnected &&
               !g_configChannel.DeviceGone() &&
               g_configChannel.NodeIdentity() == keyboard_.NodeIdentity(keyboard_.ConfigPath());
    }

    std::vector<std::string> Messages()
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> lines;
        for (const std::string& line : trace_) {
            if (line.rfind("message", 0) == 0 || line.rfind("tray-icon", 0) == 0 || line == "window-hidden")
                lines.push_back(line);
        }
        return lines;
    }

    VirtualKeyboard keyboard_;
    UiDispatcher dispatcher_;
    std::unique_ptr<CVarkelinDlg> window_;
    std::unique_ptr<QtDeviceEvents> events_;
    std::mutex mutex_;
    std::vector<std::string> trace_;
    bool offThread_ = false;
};

} // namespace

// The monitor's messages are handled on the window's thread, in the order
// the monitor sent them: found (reload, icon 141), lost (close sub-windows,
// hide, icon 128), found again.
TEST_F(DeviceMessagesTest, ConnectionMessagesReachTheWindowThreadInOrder)
{
    window_->Initialise([&] {
        SetDeviceEvents(events_.get());
        ASSERT_TRUE(StartDeviceThreads());
    });
    ASSERT_TRUE(WaitForTrace("tray-icon 141"));
    ASSERT_TRUE(WaitForTrace("window-hidden")); // the INIT message
    keyboard_.Unplug();
    ASSERT_TRUE(SpinUntil([&] {
        const std::vector<std::string> lines = Messages();
        return std::count(lines.begin(), lines.end(), "tray-icon 128") == 2;
    }));
    keyboard_.Plug();
    ASSERT_TRUE(SpinUntil([&] { return Messages().size() >= 9; /* with the INIT hide */ }));

    std::vector<std::string> messages = Messages();
    // The INIT hide may come before or after the first connection.
    auto init = std::find(messages.begin(), messages.end(), "window-hidden");
    ASSERT_NE(init, messages.end());
    messages.erase(init);
    EXPECT_EQ(messages, (std::vector<std::string>{"tray-icon 128", "message PROF", "tray-icon 141",
                                                  "message DEVICE-LOST", "window-hidden", "tray-icon 128",
                                                  "message PROF", "tray-icon 141"}));
    EXPECT_FALSE(offThread_);
    // Connected as the monitor left it.
    EXPECT_TRUE(SpinUntil([] { return g_deviceConnected.load() == 1; }));
    // g_noAutoOpen was set: the window never opened by itself.
    EXPECT_FALSE(window_->isVisible());
}

// Shutdown: the window ends first, then the threads are stopped while the
// monitor may be waiting for the window; neither waits for the other.
TEST_F(DeviceMessagesTest, ShutdownStopsTheDeviceThreadsAfterTheWindowHasEnded)
{
    window_->Initialise([&] {
        SetDeviceEvents(events_.get());
        ASSERT_TRUE(StartDeviceThreads());
    });
    ASSERT_TRUE(WaitForTrace("tray-icon 141"));
    // A loss the window will never handle: the monitor blocks in its send.
    keyboard_.Unplug();
    QThread::msleep(50);
    window_->ExitProgram();
    dispatcher_.Close();
    StopDeviceThreads();
    EXPECT_EQ(g_deviceConnected.load(), 0);
    const std::vector<std::string> messages = Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "message DEVICE-LOST"), 0);
}

// The cable bounces while the window reloads from the keyboard, and while the
// message about an unreadable factory map waits for the owner: each time the
// window ends up hidden (it was open), the tray shows the connected picture
// and the program talks to the keyboard that is there now.
TEST_F(DeviceMessagesTest, ABounceDuringTheReloadOrAMessageBoxEndsOnTheNewKeyboard)
{
    QtUserPrompts prompts(dispatcher_);
    SetPrompts(&prompts);
    window_->Initialise([&] {
        SetDeviceEvents(events_.get());
        ASSERT_TRUE(StartDeviceThreads());
    });
    // Painting the shown window is slow under the sanitizers.
    constexpr int Patience = 30000;
    ASSERT_TRUE(SpinUntil([&] { return OnTheKeyboardThere(); }, Patience));

    bool bounceOnReload = false;
    QObject::connect(window_.get(), &CVarkelinDlg::traced, [&](const QString& line) {
        if (line == QStringLiteral("message PROF") && std::exchange(bounceOnReload, false))
            keyboard_.Bounce();
    });
    // The owner reads the box for a while; the cable bounces meanwhile.
    int boxes = 0;
    QTimer owner;
    QObject::connect(&owner, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                ++boxes;
                keyboard_.Bounce();
                box->accept();
            }
        }
    });
    owner.start(20);

    for (const bool inBox : {false, true}) {
        SCOPED_TRACE(inBox ? "message box" : "reload");
        window_->OpenMainWindow();
        ASSERT_TRUE(window_->isVisible());
        keyboard_.Unplug();
        ASSERT_TRUE(SpinUntil([&] { return window_->TrayIconId() == TrayIconDisconnected; }, Patience));
        EXPECT_FALSE(window_->isVisible());
        const int reloads = Count("message PROF");
        const int losses = Count("message DEVICE-LOST");
        if (inBox)
            keyboard_.RefuseNextRequests(StatusRefused, 1);
        else
            bounceOnReload = true;
        keyboard_.Plug();
        ASSERT_TRUE(
            SpinUntil([&] { return OnTheKeyboardThere() && Count("message PROF") == reloads + 2; }, Patience));
        QThread::msleep(30);
        QCoreApplication::processEvents();
        EXPECT_TRUE(OnTheKeyboardThere());
        EXPECT_EQ(Count("message PROF"), reloads + 2);
        EXPECT_EQ(Count("message DEVICE-LOST"), losses + 1); // the dead connection, found out
        EXPECT_FALSE(window_->isVisible());
        std::array<uint8_t, DeviceInfoBytes> info{};
        EXPECT_EQ(ReadDeviceInfo(info), 1);
    }
    EXPECT_EQ(boxes, 1);
    SetPrompts(nullptr);
}

// A keyboard whose factory map cannot be read: the owner is told in a box
// on the window's thread, and the connection (the window's reload) goes on
// only once the box is answered.
TEST_F(DeviceMessagesTest, AnUnreadableFactoryMapIsToldToTheOwnerBeforeTheReload)
{
    QtUserPrompts prompts(dispatcher_);
    SetPrompts(&prompts);
    struct PromptsEnd {
        ~PromptsEnd() { SetPrompts(nullptr); }
    } promptsEnd;
    std::vector<std::string> texts;
    std::vector<QMessageBox::Icon> icons;
    int reloadsWhileShown = -1;
    QTimer owner;
    QObject::connect(&owner, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box && box->isVisible()) {
                texts.push_back(box->text().toStdString());
                icons.push_back(box->icon());
                reloadsWhileShown = Count("message PROF");
                box->accept();
            }
        }
    });
    owner.start(20);
    // Plugged in once the program runs, so that the refused request is the
    // connection's first: the factory map.
    keyboard_.Unplug();
    window_->Initialise([&] {
        SetDeviceEvents(events_.get());
        ASSERT_TRUE(StartDeviceThreads());
    });
    keyboard_.RefuseNextRequests(StatusRefused, 1);
    keyboard_.Plug();
    ASSERT_TRUE(WaitForTrace("tray-icon 141"));
    EXPECT_EQ(texts, std::vector<std::string>{LoadText("MAIN_DEFAULT_MATRIX_PROMPT")});
    EXPECT_EQ(icons, std::vector<QMessageBox::Icon>{QMessageBox::Information});
    EXPECT_EQ(reloadsWhileShown, 0);
    EXPECT_EQ(Count("message PROF"), 1);
}

// A second start's OPEN that arrives before the monitor has first looked
// for the keyboard waits for that look: the window opens when the keyboard
// is there, and only when it is not does the owner hear that it is missing.
void DeviceMessagesTest::OpenBeforeTheFirstScan(bool plugged)
{
    // The monitor's first look is held at its first enumeration until the
    // OPEN has arrived.
    HeldEnumeration held(keyboard_);
    SetHidBackend(&held);
    // However this ends, the threads stop before the gate goes away.
    struct StopFirst {
        DeviceMessagesTest& test;
        HeldEnumeration& held;
        ~StopFirst()
        {
            held.Release();
            test.dispatcher_.Close();
            StopDeviceThreads();
            SetHidBackend(&test.keyboard_);
        }
    } stopFirst{*this, held};
    if (!plugged)
        keyboard_.Unplug();
    window_->Initialise([&] {
        SetDeviceEvents(events_.get());
        ASSERT_TRUE(StartDeviceThreads());
    });
    EXPECT_EQ(window_->HandleMessage(MsgOpen, TagOpen), 1);
    EXPECT_EQ(Count("open-held"), 1);
    EXPECT_EQ(window_->NoDevicePrompt(), nullptr);
    EXPECT_FALSE(window_->isVisible());
    held.Release();
    if (plugged) {
        ASSERT_TRUE(SpinUntil([&] { return window_->isVisible(); }, 30000));
        EXPECT_EQ(window_->NoDevicePrompt(), nullptr);
    } else {
        ASSERT_TRUE(SpinUntil([&] { return window_->NoDevicePrompt() != nullptr; }, 30000));
        EXPECT_FALSE(window_->isVisible());
    }
    // Once the first look is over, an OPEN is answered at once.
    EXPECT_EQ(window_->HandleMessage(MsgOpen, TagOpen), 1);
    EXPECT_EQ(Count("open-held"), 1);
}

TEST_F(DeviceMessagesTest, AnOpenBeforeTheFirstScanOpensTheWindowWhenTheKeyboardIsThere)
{
    OpenBeforeTheFirstScan(true);
}

TEST_F(DeviceMessagesTest, AnOpenBeforeTheFirstScanSaysTheKeyboardIsMissingOnlyAfterIt)
{
    OpenBeforeTheFirstScan(false);
}
