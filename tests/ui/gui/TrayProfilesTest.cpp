// The keyboard's profiles in the notification-area menu: chosen there as
// with the profile buttons, and marked wherever the profile was changed (the
// window, the menu, the keyboard's own keys, another program).
#include "MainWindowTestSupport.h"

#include "ui/TrayIcon.h"
#include "assign/KeyAssignment.h"
#include "actions/ProfileSwitch.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "lighting/LightingState.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

namespace {

class TrayProfilesTest : public MainWindowTest {
protected:
    QAction* Entry(int command) const
    {
        for (QAction* action : window->Tray()->Menu()->actions()) {
            if (action->data().toInt() == command)
                return action;
        }
        return nullptr;
    }
    QAction* ProfileEntry(int profile) const { return Entry(ProfileMenuFirstProfileCommand + profile); }

    // The profile whose entry has the check mark; -1 none, -2 more than one.
    int Marked() const
    {
        int marked = -1;
        for (int p = 0; p < 3; ++p) {
            if (ProfileEntry(p)->isChecked())
                marked = marked == -1 ? p : -2;
        }
        return marked;
    }

    // The owner right-clicks the icon: the menu is filled as it opens.
    void OpenMenu() const { window->Tray()->RefreshMenu(); }
    void Choose(int profile) const { ProfileEntry(profile)->trigger(); }
    int KeyboardProfile() const { return kb->Memories().deviceInfo[DeviceInfoActiveProfile]; }

    // The keyboard changes its profile by itself (its Fn profile keys) or is
    // told to by another program.
    void SwitchOnTheKeyboard(int profile)
    {
        KeyboardMemories m = kb->Memories();
        m.deviceInfo[DeviceInfoActiveProfile] = static_cast<uint8_t>(profile);
        kb->SetMemories(m);
    }
};

TEST_F(TrayProfilesTest, TheMenuOffersTheProfilesAboveItsEntriesAndMarksTheActiveOne)
{
    PrepareKeyboard(1, {});
    Start();
    OpenMenu();
    const QList<QAction*> actions = window->Tray()->Menu()->actions();
    ASSERT_GE(actions.size(), 5);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(actions[p]->data().toInt(), ProfileMenuFirstProfileCommand + p);
        EXPECT_EQ(actions[p]->text().toStdString(), LoadText(std::string("PROFILE_") + char('1' + p)));
        EXPECT_TRUE(actions[p]->isCheckable());
        EXPECT_TRUE(actions[p]->isEnabled());
    }
    EXPECT_EQ(actions[3]->text().toStdString(), LoadText("MENU_AUTO_PROFILES"));
    EXPECT_TRUE(actions[4]->isSeparator());
    EXPECT_EQ(Marked(), 1);
    // The double click still opens the window, whatever comes first.
    EXPECT_EQ(window->Tray()->DefaultCommand(), CmdOpen);
    EXPECT_EQ(window->Tray()->Menu()->defaultAction(), Entry(CmdOpen));
    window->Tray()->OnTrayNotification(CTrayIcon::IconId, CTrayIcon::Mouse::LeftDoubleClick);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(KeyboardProfile(), 1);
    window->HideMainWindow();

    // Chosen in the menu: the keyboard switches, the window and the menu follow.
    kb->ClearFrameLog();
    Choose(2);
    EXPECT_EQ(KeyboardProfile(), 2);
    EXPECT_EQ(Marked(), 2);
    EXPECT_TRUE(ProfileShown(2));
    EXPECT_EQ(window->ViewedProfile(), 2);
    EXPECT_TRUE(prompts.questions.empty());

    // Chosen with the window's own profile button: the marks follow without
    // the menu being opened again.
    window->OnProfileButton(0);
    EXPECT_EQ(KeyboardProfile(), 0);
    EXPECT_EQ(Marked(), 0);

    // In Russian the entries say so.
    SetLanguageIndex(1);
    OpenMenu();
    EXPECT_EQ(ProfileEntry(0)->text().toStdString(), LoadText("PROFILE_1", 1));
    EXPECT_EQ(Entry(CmdAutoProfiles)->text().toStdString(), LoadText("MENU_AUTO_PROFILES", 1));
    SetLanguageIndex(0);
}

// A switch the keyboard refuses, from the window or from the tray: the
// buttons, the tray's mark, the banner and the lighting panel stay on the
// profile the keyboard runs, and the owner is told.
TEST_F(TrayProfilesTest, ASwitchTheKeyboardRefusesLeavesEveryMarkOnTheOldProfile)
{
    PrepareKeyboard(0, {});
    Start();
    const QString banner = window->Button(MainControl::Profiles)->text();
    const std::string said = FormatText(LoadText("PROFILE_SWITCH_FAILED"), LoadText("PROFILE_3"));
    for (bool fromTray : {false, true}) {
        SCOPED_TRACE(fromTray ? "tray" : "button");
        prompts.ClearMessages();
        kb->RefuseNextRequestsOf(CmdWriteDeviceInfo, StatusRefused);
        if (fromTray)
            Choose(2);
        else
            window->Button(MainControl::Profile3)->click();
        EXPECT_EQ(KeyboardProfile(), 0);
        EXPECT_TRUE(ProfileShown(0));
        EXPECT_EQ(window->ViewedProfile(), 0);
        OpenMenu();
        EXPECT_EQ(Marked(), 0);
        EXPECT_EQ(window->Button(MainControl::Profiles)->text(), banner);
        EXPECT_EQ(prompts.messages, std::vector<std::string>{said});
    }
}

TEST_F(TrayProfilesTest, MarksFollowAProfileChosenOnTheKeyboardOrByAnotherProgram)
{
    PrepareKeyboard(0, {});
    // Each profile with an effect of its own: the lighting panel follows too.
    const uint8_t effects[] = {1, 2, 17};
    for (int p = 0; p < 3; ++p)
        PrepareRecord(p, 0, {effects[p]});
    Start();
    OpenMenu();
    ASSERT_EQ(Marked(), 0);

    // The keyboard's Fn key: seen with its notice, the menu closed.
    SwitchOnTheKeyboard(2);
    kb->SendNotice(0x0401);
    EXPECT_TRUE(SpinUntil([this] { return Marked() == 2; }));
    EXPECT_TRUE(ProfileShown(2));
    EXPECT_EQ(window->ViewedProfile(), 2);
    EXPECT_TRUE(SpinUntil([&] { return g_lighting.effectCode == effects[2]; }));

    // rt604ctl profile 2 from a terminal sends no notice: the menu asks the
    // keyboard as it opens.
    SwitchOnTheKeyboard(1);
    SpinUntil([] { return false; }, 50);
    EXPECT_EQ(Marked(), 2);
    OpenMenu();
    EXPECT_EQ(Marked(), 1);
    EXPECT_TRUE(ProfileShown(1));
    EXPECT_EQ(g_lighting.viewedProfile, 1);
    EXPECT_EQ(g_lighting.effectCode, effects[1]);

    // A status notice is a notice too.
    SwitchOnTheKeyboard(0);
    kb->SendNotice(0x1811);
    EXPECT_TRUE(SpinUntil([this] { return Marked() == 0; }));

    // A new connection reads the profile the keyboard came with.
    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    OpenMenu();
    EXPECT_EQ(Marked(), -1);
    EXPECT_FALSE(ProfileEntry(0)->isEnabled());
    SwitchOnTheKeyboard(2);
    kb->Plug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(1); }));
    EXPECT_TRUE(SpinUntil([this] { return Marked() == 2 && ProfileEntry(2)->isEnabled(); }));
}

TEST_F(TrayProfilesTest, UnappliedChangesOpenTheWindowForTheQuestion)
{
    PrepareKeyboard(0, {});
    Start();
    const KeyMapEntry factoryEsc = FactoryEntry(KeyEsc);
    const struct {
        bool answerYes;
        bool applied; // profile 1's Esc is disabled on the keyboard afterwards
    } cases[] = {{false, false}, {true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answerYes);
        window->OnProfileButton(0);
        ASSERT_EQ(KeyboardProfile(), 0);
        window->HideMainWindow();
        ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
        window->SetApplyEnabled(true);
        prompts.questions.clear();
        prompts.answerYes = c.answerYes;

        OpenMenu();
        Choose(1);
        EXPECT_TRUE(window->isVisible());
        ASSERT_EQ(prompts.questions.size(), 1u);
        EXPECT_EQ(prompts.questions[0], LoadText("PROFILE_SELECT_PROMPT"));
        EXPECT_TRUE(SpinUntil([this] { return KeyboardProfile() == 1; }));
        EXPECT_EQ(Marked(), 1);
        EXPECT_FALSE(window->IsApplyEnabled());
        EXPECT_EQ(KeyboardEntry(0, KeyEsc), (c.applied ? KeyMapEntry{0, 0, 0} : factoryEsc));
    }
}

TEST_F(TrayProfilesTest, AutomaticProfilesOpenFromBothMenusAndStayOffWithoutX11)
{
    // A Wayland session without an X server: nothing to watch, nothing fails.
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    AutoProfileSettings s;
    s.rules = {{"game", 2}};
    ASSERT_TRUE(SaveAutoProfileSettings(s));
    PrepareKeyboard(0, {});
    Start();
    EXPECT_FALSE(window->AutoProfiles()->IsWatching());

    OpenMenu();
    Entry(CmdAutoProfiles)->trigger();
    AutoProfileDialog* dialog = window->AutoProfileWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(static_cast<QLabel*>(dialog->Control(AutoProfileControl::Note))->text().toStdString(),
              LoadText("PROFILE_AUTO_UNAVAILABLE"));
    EXPECT_FALSE(dialog->Button(AutoProfileControl::Pick)->isEnabled());
    dialog->reject();

    window->OnMenuCommand(CmdAutoProfiles);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(window->AutoProfileWindow(), dialog);
    dialog->Button(AutoProfileControl::Ok)->click();
    EXPECT_EQ(KeyboardProfile(), 0);
    EXPECT_FALSE(window->AutoProfiles()->IsWatching());
    qputenv("DISPLAY", display);
    if (display.isEmpty())
        qunsetenv("DISPLAY");
}

} // namespace
