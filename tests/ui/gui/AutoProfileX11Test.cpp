// Automatic profiles against a real X server: Xvfb, with this test playing
// the window manager (application windows with their WM_CLASS and
// _NET_WM_PID, and the root window's _NET_ACTIVE_WINDOW written as a window
// manager writes it). The program watches it through $DISPLAY exactly as it
// does on a desktop; what is checked is the virtual keyboard's active profile.

#include "MainWindowTestSupport.h"

#include "support/XServer.h"

#include "ui/TrayIcon.h"
#include "assign/KeyAssignment.h"
#include "autoprofile/AutoProfileRules.h"
#include "actions/ProfileSwitch.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "config/gui/DlgProfile.h"
#include "lighting/LightingState.h"
#include "platform/gui/X11ActiveWindow.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <functional>

namespace {

class AutoProfileX11Test : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (!X11ActiveWindowBuiltIn())
            GTEST_SKIP() << "built without the X libraries: automatic profiles are off";
        ASSERT_TRUE(server.Ok()) << server.Error();
        wm = std::make_unique<TestWindowManager>(server.Display());
        ASSERT_TRUE(wm->Ok());
        savedDisplay = qgetenv("DISPLAY");
        qputenv("DISPLAY", server.Display().c_str());
        // The folder rt604ctl finds through XDG_CONFIG_HOME.
        SetSettingsFolderForTests((dir / "cfg" / "orvan-rt604").string());
    }

    void TearDown() override
    {
        MainWindowTest::TearDown();
        wm.reset();
        qputenv("DISPLAY", savedDisplay);
    }

    static void SaveRules(std::vector<AutoProfileRule> rules, int32_t defaultProfile = KeepProfile)
    {
        AutoProfileSettings s;
        s.rules = std::move(rules);
        s.defaultProfile = defaultProfile;
        ASSERT_TRUE(SaveAutoProfileSettings(s));
    }

    int KeyboardProfile() const { return kb->Memories().deviceInfo[DeviceInfoActiveProfile]; }

    // The tray entry that carries the check mark: 0 to 2, -1 for none.
    int CheckedTrayProfile() const
    {
        int checked = -1;
        for (QAction* action : window->Tray()->Menu()->actions()) {
            const int profile = action->data().toInt() - ProfileMenuFirstProfileCommand;
            if (profile >= 0 && profile < 3 && action->isChecked())
                checked = checked == -1 ? profile : -2;
        }
        return checked;
    }

    // Gives the program time to have reacted to something that must change
    // nothing.
    static void Settle() { SpinUntil([] { return false; }, 150); }

    int RunCtl(const std::string& arguments) const
    {
        const std::string command = "XDG_CONFIG_HOME='" + (dir / "cfg").string() + "' '" RT604_BINARY_DIR
                                    "/bin/rt604ctl' " + arguments + " >/dev/null 2>&1";
        return std::system(command.c_str());
    }

    const AutoProfileController& Controller() const { return *window->AutoProfiles(); }

    XvfbServer server;
    std::unique_ptr<TestWindowManager> wm;
    QByteArray savedDisplay;
};

TEST_F(AutoProfileX11Test, TheKeyboardFollowsTheActiveApplication)
{
    SaveRules({{"game", 2}, {"Code", 1}, {"sleep", 0}});
    PrepareKeyboard(0, {});
    // Each profile with an effect of its own, to see the lighting panel follow.
    const uint8_t effects[] = {1, 2, 17};
    for (int p = 0; p < 3; ++p)
        PrepareRecord(p, 0, {effects[p]});
    Start();
    ASSERT_TRUE(Controller().IsWatching());

    SleepingProcess sleeper;
    const xcb_window_t game = wm->CreateWindow("game", "Game", 0);
    const xcb_window_t code = wm->CreateWindow("code", "Code", 0);
    const xcb_window_t terminal = wm->CreateWindow("xterm", "XTerm", 0);
    const xcb_window_t sleeping = wm->CreateWindow("launcher", "Launcher", sleeper.Pid());
    const xcb_window_t ours = wm->CreateWindow("rt604", "Rt604", static_cast<uint32_t>(::getpid()));
    const xcb_window_t desktop = wm->CreateWindow("desktop_window", "Game", 0, true);
    kb->ClearFrameLog();

    const struct {
        const char* what;
        xcb_window_t window;
        int profile;
    } steps[] = {
        {"matched by its window class", game, 2},
        {"matched by its instance, another case", code, 1},
        {"our own window changes nothing", ours, 1},
        {"the desktop changes nothing, whatever its class", desktop, 1},
        {"no rule and no default: the profile stays", terminal, 1},
        {"matched by the program behind the window", sleeping, 0},
        {"back to the first application", game, 2},
        {"the same window again", game, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        wm->Activate(step.window);
        wm->Sync();
        EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == step.profile; }, 2000));
        Settle();
        EXPECT_EQ(KeyboardProfile(), step.profile);
        // The window and the tray show what the keyboard plays.
        EXPECT_TRUE(ProfileShown(step.profile));
        EXPECT_EQ(window->ViewedProfile(), step.profile);
        EXPECT_EQ(g_lighting.viewedProfile, step.profile);
        EXPECT_EQ(g_lighting.effectCode, effects[step.profile]);
        EXPECT_EQ(CheckedTrayProfile(), step.profile);
    }
    // One write per change of profile, none for the windows that wanted
    // the profile already active, and never a question.
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 4u);
    EXPECT_TRUE(prompts.questions.empty());

    // An idle desktop does not wake the watcher; another property of the
    // root window does, and changes nothing.
    const uint64_t wakeups = Controller().Watcher()->WakeupCount();
    SpinUntil([] { return false; }, 300);
    EXPECT_EQ(Controller().Watcher()->WakeupCount(), wakeups);
    wm->TouchOtherRootProperty(1);
    EXPECT_TRUE(SpinUntil([&] { return Controller().Watcher()->WakeupCount() > wakeups; }, 2000));
    Settle();
    EXPECT_EQ(KeyboardProfile(), 2);
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 4u);
}

TEST_F(AutoProfileX11Test, OtherApplicationsGetTheDefaultProfile)
{
    SaveRules({{"game", 2}}, 0);
    PrepareKeyboard(1, {});
    Start();
    const xcb_window_t game = wm->CreateWindow("game", "Game", 0);
    const xcb_window_t terminal = wm->CreateWindow("xterm", "XTerm", 0);
    wm->Activate(terminal);
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 0; }, 2000));
    wm->Activate(game);
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 2; }, 2000));
    // A window that goes away before it is read is no application.
    const xcb_window_t gone = wm->CreateWindow("xterm", "XTerm", 0);
    wm->Destroy(gone);
    wm->Activate(gone);
    Settle();
    EXPECT_EQ(KeyboardProfile(), 2);
    wm->Activate(terminal);
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 0; }, 2000));
}

// The tip's every line at once (the virtual keyboard's mark, the red dot and
// a waiting switch of either kind), in both languages: it fits the shell's
// 127 UTF-16 units whole, so the icon shows it uncut.
TEST_F(AutoProfileX11Test, TheLongestTipsFitWholeInBothLanguages)
{
    SaveRules({{"game", 2}, {"tool", 1}});
    PrepareKeyboard(0, {});
    Start(true);
    auto check = [&](const std::string& what, qsizetype lines) {
        for (int language : {0, 1}) {
            SCOPED_TRACE(what + (language ? " (Russian)" : " (English)"));
            SetLanguageIndex(language);
            window->HandleMessage(0x5041, 0x4C414E47, static_cast<uint32_t>(language));
            const QString tip = window->TrayTipText();
            EXPECT_LE(tip.size(), 127) << tip.toStdString();
            EXPECT_EQ(window->Tray()->Tip(), tip);
            const QStringList shown = tip.split(QLatin1Char('\n'));
            EXPECT_EQ(shown.size(), lines) << tip.toStdString();
            // Nothing made to fit by leaving out the virtual keyboard's mark
            // or the red dot's line.
            EXPECT_EQ(shown.front().toStdString(), LoadText("KEYBOARD_TRAY_DESC") + LoadText("VIRTUAL_KEYBOARD_SUFFIX"));
            if (lines >= 3) {
                EXPECT_EQ(shown[2].toStdString(), LoadText("TRAY_TIP_STATUS_MARK"));
            }
        }
    };
    check("connected", 2);
    kb->SendNotice(0x1811);
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconSignalled; }));
    check("the red dot", 3);

    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    window->SetApplyEnabled(true);
    wm->Activate(wm->CreateWindow("game", "Game", 0));
    ASSERT_TRUE(SpinUntil([&] { return Controller().Switcher().Waiting() == AutoProfileWait::Changes; }, 2000));
    check("waiting for the changes", 4);
    window->SetApplyEnabled(false); // discarded: the switch is made
    ASSERT_TRUE(SpinUntil([&] { return KeyboardProfile() == 2; }, 2000));

    window->EditKey(ControlOf(KeyQ));
    wm->Activate(wm->CreateWindow("tool", "Tool", 0));
    ASSERT_TRUE(SpinUntil([&] { return Controller().Switcher().Waiting() == AutoProfileWait::Busy; }, 2000));
    check("waiting for the editor", 4);
    window->CloseKeyEditor();
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 1; }, 2000));
    SetLanguageIndex(0);
}

TEST_F(AutoProfileX11Test, UnappliedChangesHoldTheSwitchBackAndTheTipSaysWhy)
{
    SaveRules({{"game", 2}});
    PrepareKeyboard(0, {});
    Start();
    const QString plainTip = window->TrayTipText();
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    window->SetApplyEnabled(true);
    kb->ClearFrameLog();

    wm->Activate(wm->CreateWindow("game", "Game", 0));
    ASSERT_TRUE(SpinUntil([&] { return Controller().Switcher().Waiting() == AutoProfileWait::Changes; }, 2000));
    Settle();
    EXPECT_EQ(KeyboardProfile(), 0);
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_TRUE(prompts.questions.empty());
    const std::string why = FormatText(LoadText("PROFILE_AUTO_WAIT_CHANGES"), LoadText("PROFILE_3"));
    // (Offscreen there is no notification area to show it; the text the
    // icon is given is the window's.)
    EXPECT_EQ(window->TrayTipText().toStdString(), plainTip.toStdString() + "\n" + why);

    // The owner applies: his changes go to the profile he made them for,
    // then the keyboard switches.
    ASSERT_EQ(window->RunApply(), 1);
    ASSERT_TRUE(SpinUntil([&] { return KeyboardProfile() == 2; }, 2000));
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{0, 0, 0}));
    const std::vector<Frame> requests = kb->Requests();
    const auto endOfApply = std::find_if(requests.begin(), requests.end(),
                                         [](const Frame& f) { return f[3] == CmdEndUpdate; });
    const auto profileWrite = std::find_if(requests.begin(), requests.end(),
                                           [](const Frame& f) { return f[3] == CmdWriteDeviceInfo; });
    ASSERT_NE(endOfApply, requests.end());
    EXPECT_GT(profileWrite, endOfApply);
    EXPECT_EQ(window->TrayTipText(), plainTip);
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(AutoProfileX11Test, NothingSwitchesWhileAnApplyWrites)
{
    SaveRules({{"game", 1}});
    PrepareKeyboard(0, {});
    Start();
    const xcb_window_t game = wm->CreateWindow("game", "Game", 0);
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    window->SetApplyEnabled(true);
    kb->SetReportLatency(std::chrono::microseconds(3000));
    kb->ClearFrameLog();
    bool waitedForTheApply = false;
    QObject::connect(window->AutoProfiles(), &AutoProfileController::waitChanged, [&] {
        waitedForTheApply |= Controller().Switcher().Waiting() == AutoProfileWait::Busy && window->IsApplying();
    });
    // The window becomes active while the Apply's frames are on their way.
    QTimer::singleShot(40, [&] { wm->Activate(game); });
    ASSERT_EQ(window->RunApply(), 1);
    EXPECT_TRUE(waitedForTheApply);
    ASSERT_TRUE(SpinUntil([&] { return KeyboardProfile() == 1; }, 3000));

    // Nothing of the switch went between the Apply's BeginUpdate and EndUpdate.
    bool inApply = false;
    for (const Frame& f : kb->Requests()) {
        if (f[3] == CmdBeginUpdate)
            inApply = true;
        else if (f[3] == CmdEndUpdate)
            inApply = false;
        else if (inApply) {
            EXPECT_TRUE(f[3] != CmdWriteDeviceInfo && f[3] != CmdReadDeviceInfo) << int(f[3]);
        }
    }
}

TEST_F(AutoProfileX11Test, TheKeyEditorAndTheProfileManagerHoldTheSwitchBackUntilTheyClose)
{
    SaveRules({{"game", 2}, {"tool", 1}});
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();

    const struct {
        const char* what;
        const char* application;
        int profile;
        std::function<void()> open;
        std::function<bool()> isOpen;
        std::function<void()> close;
    } cases[] = {
        {"the key function editor", "game", 2, [&] { window->EditKey(ControlOf(KeyQ)); },
         [&] { return window->IsKeyEditorOpen(); }, [&] { window->CloseKeyEditor(); }},
        // Its list shows the active profile, and its Apply writes the
        // profiles it lists: nothing may change under it.
        {"the profile manager", "tool", 1, [&] { window->OpenProfileManager(); },
         [&] { return window->IsProfileDialogOpen(); }, [&] { window->ProfileDialog()->reject(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int before = KeyboardProfile();
        c.open();
        ASSERT_TRUE(c.isOpen());
        kb->ClearFrameLog();

        wm->Activate(wm->CreateWindow(c.application, c.application, 0));
        ASSERT_TRUE(SpinUntil([&] { return Controller().Switcher().Waiting() == AutoProfileWait::Busy; }, 2000));
        Settle();
        EXPECT_EQ(KeyboardProfile(), before);
        EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
        const std::string why =
            FormatText(LoadText("PROFILE_AUTO_WAIT_BUSY"), LoadText("PROFILE_" + std::to_string(c.profile + 1)));
        EXPECT_NE(window->TrayTipText().toStdString().find(why), std::string::npos);

        // Closed: the switch is made, and the window shows the new profile.
        c.close();
        EXPECT_FALSE(c.isOpen());
        EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == c.profile; }, 2000));
        EXPECT_TRUE(ProfileShown(c.profile));
        EXPECT_EQ(Controller().Switcher().Waiting(), AutoProfileWait::None);
    }
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_TRUE(prompts.messages.empty()); // never "close the key settings window first"
}

TEST_F(AutoProfileX11Test, RulesChangedWithRt604ctlAreFollowedAtOnce)
{
    PrepareKeyboard(0, {});
    Start();
    // No rules: no connection to the X server is kept.
    EXPECT_FALSE(Controller().IsWatching());
    wm->Activate(wm->CreateWindow("game", "Game", 0));
    wm->Sync();

    ASSERT_EQ(RunCtl("rules add Game 3"), 0);
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 2; }, 3000));
    EXPECT_TRUE(Controller().IsWatching());
    EXPECT_TRUE(ProfileShown(2));

    ASSERT_EQ(RunCtl("rules add game 2"), 0); // the same application: its rule changes
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 1; }, 3000));

    ASSERT_EQ(RunCtl("rules remove 1"), 0);
    EXPECT_TRUE(SpinUntil([&] { return !Controller().IsWatching(); }, 3000));
    EXPECT_EQ(KeyboardProfile(), 1);
}

TEST_F(AutoProfileX11Test, TheDialogPicksTheNextApplicationWindow)
{
    PrepareKeyboard(0, {});
    Start();
    const xcb_window_t game = wm->CreateWindow("steam_app_570", "dota2", 0);
    const xcb_window_t ours = wm->CreateWindow("rt604", "Rt604", static_cast<uint32_t>(::getpid()));
    window->OpenAutoProfileDialog();
    AutoProfileDialog* dialog = window->AutoProfileWindow();
    ASSERT_NE(dialog, nullptr);
    dialog->Button(AutoProfileControl::Pick)->click();
    EXPECT_TRUE(dialog->Button(AutoProfileControl::Pick)->IsMarked());
    wm->Activate(ours); // going back to our own window picks nothing
    Settle();
    auto* application = static_cast<QLineEdit*>(dialog->Control(AutoProfileControl::Application));
    EXPECT_TRUE(application->text().isEmpty());

    wm->Activate(game);
    ASSERT_TRUE(SpinUntil([&] { return !application->text().isEmpty(); }, 2000));
    EXPECT_EQ(application->text(), QStringLiteral("dota2"));
    EXPECT_FALSE(dialog->Button(AutoProfileControl::Pick)->IsMarked());
    static_cast<QComboBox*>(dialog->Control(AutoProfileControl::Profile))->setCurrentIndex(1);
    dialog->Button(AutoProfileControl::Add)->click();
    dialog->Button(AutoProfileControl::Ok)->click();
    EXPECT_FALSE(dialog->isVisible());

    // Saved, followed at once: the window active now gets its profile.
    EXPECT_EQ(LoadAutoProfileSettings().rules, (std::vector<AutoProfileRule>{{"dota2", 1}}));
    EXPECT_TRUE(SpinUntil([&] { return KeyboardProfile() == 1; }, 2000));
}

} // namespace
