// What the main window shows once the key function editor or the profile
// manager has closed: the button that opened the editor back up, and the
// profile the keyboard runs now, whoever chose it meanwhile.

#include "MainWindowTestSupport.h"

#include "device/hid/CurrentHidBackend.h"
#include "ui/TrayIcon.h"
#include "assign/KeyAssignment.h"
#include "assign/gui/CompositeDialog.h"
#include "actions/ProfileSwitch.h"
#include "config/gui/DlgProfile.h"
#include "device/virtual/VirtualKeyboardStateFile.h"

#include <QAction>
#include <QMenu>

#include <cstdlib>

namespace {

using Face = CPngButton::Face;

constexpr uint16_t G9 = 1143;

// Another program switches the keyboard: rt604ctl on the state file the
// window's virtual keyboard runs on. No notice comes.
int SwitchWithRt604ctl(const std::string& stateFile, int profile)
{
    const std::string command = "'" RT604_BINARY_DIR "/bin/rt604ctl' '--virtual-keyboard=" + stateFile +
                                "' profile " + std::to_string(profile + 1) + " >/dev/null 2>&1";
    return std::system(command.c_str());
}

// The tray entry that carries the check mark: 0 to 2, -1 for none.
int CheckedTrayProfile(CVarkelinDlg& window)
{
    int checked = -1;
    for (QAction* action : window.Tray()->Menu()->actions()) {
        const int profile = action->data().toInt() - ProfileMenuFirstProfileCommand;
        if (profile >= 0 && profile < 3 && action->isChecked())
            checked = checked == -1 ? profile : -2;
    }
    return checked;
}

TEST_F(MainWindowTest, TheButtonThatOpenedTheEditorComesBackUpWhenItCloses)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    CPngButton* g9 = window->Button(G9);
    CPngButton* macro = window->Button(MainControl::Macro);
    const struct {
        const char* what;
        CPngButton* clicked;
        CPngButton* other;
    } cases[] = {{"G9", g9, macro}, {"the macro button", macro, g9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.clicked->click();
        ASSERT_TRUE(window->IsKeyEditorOpen());
        EXPECT_EQ(c.clicked->CurrentFace(), Face::Down);
        EXPECT_EQ(c.other->CurrentFace(), Face::Normal);
        window->KeyEditor()->Button(CompositeControl::Cancel)->click();
        ASSERT_FALSE(window->IsKeyEditorOpen());
        EXPECT_EQ(g9->CurrentFace(), Face::Normal);
        EXPECT_EQ(macro->CurrentFace(), Face::Normal);
    }

    // Nor does a profile switch or a reconnection bring a pressed look back.
    window->Button(MainControl::Profile2)->click();
    ASSERT_TRUE(ProfileShown(1));
    EXPECT_EQ(g9->CurrentFace(), Face::Normal);
    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    kb->Plug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(1); }));
    window->OpenMainWindow();
    EXPECT_EQ(g9->CurrentFace(), Face::Normal);
    EXPECT_EQ(macro->CurrentFace(), Face::Normal);
}

TEST_F(MainWindowTest, AProfileChosenElsewhereWhileASubWindowWasOpenIsShownWhenItCloses)
{
    const std::string stateFile = Path("keyboard.state");
    std::string error;
    kb = OpenVirtualKeyboard(stateFile, VirtualKeyboardOptions{}, error);
    ASSERT_TRUE(kb) << error;
    SetHidBackend(kb.get());
    PrepareKeyboard(0, {{1, KeyEsc, AssignDisabled, 0}});
    PrepareRecord(1, 0, {17});
    Start();
    window->OpenMainWindow();
    const std::vector<SubWindowCase> cases = SubWindowsThatHoldChangesBack();
    int profile = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.open();
        profile = profile == 0 ? 1 : 0;
        ASSERT_EQ(SwitchWithRt604ctl(stateFile, profile), 0);
        SpinUntil([] { return false; }, 50);
        EXPECT_TRUE(ProfileShown(1 - profile)) << "the open window's edits belong to the profile it opened on";
        c.close();
        ASSERT_TRUE(SpinUntil([&] { return ProfileShown(profile); }));
        EXPECT_EQ(window->ViewedProfile(), profile);
        EXPECT_EQ(g_lighting.effectCode, profile == 1 ? 17 : 1);
        EXPECT_EQ(KeyButton(KeyEsc)->IsMarked(), profile == 1) << "the keys of that profile";
        EXPECT_EQ(window->Button(MainControl::Profiles)->text().toStdString(),
                  LoadText("PROFILE_" + std::to_string(profile + 1)));
        EXPECT_EQ(CheckedTrayProfile(*window), profile);
    }
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.questions.empty());
}

} // namespace
