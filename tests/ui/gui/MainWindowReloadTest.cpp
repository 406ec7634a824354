#include "MainWindowTestSupport.h"

#include "ui/ShellMessages.h"
#include "assign/KeyAssignment.h"
#include "actions/ProfileSwitch.h"

#include <QComboBox>

namespace {

std::string SinglePrompt(uint16_t key, uint16_t target)
{
    return GetKeyName(key) + LoadText("KEY_PROMPT_SET") + LoadText("KEY_PROMPT_SINGLE") + GetKeyName(target) + ")";
}

} // namespace

TEST_F(MainWindowTest, ConnectionShowsTheKeyboardsActiveProfileAndItsAssignments)
{
    PrepareKeyboard(1, {{1, KeyEsc, AssignKey, KeyA}, {1, KeyF5, AssignDisabled, 0}, {0, KeyQ, AssignKey, KeyA}});
    Start();

    EXPECT_TRUE(ProfileShown(1));
    EXPECT_EQ(window->ViewedProfile(), 1);
    EXPECT_FALSE(window->IsApplyEnabled());

    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_EQ(KeyButton(KeyEsc)->TooltipText().toStdString(), SinglePrompt(KeyEsc, KeyA));
    EXPECT_TRUE(KeyButton(KeyF5)->IsMarked());
    EXPECT_EQ(KeyButton(KeyF5)->TooltipText().toStdString(), GetKeyName(KeyF5) + LoadText("KEY_PROMPT_SET"));
    // Q is assigned only in profile 0, which is not the one shown.
    EXPECT_FALSE(KeyButton(KeyQ)->IsMarked());
    EXPECT_EQ(KeyButton(KeyQ)->TooltipText().toStdString(), GetKeyName(KeyQ));
    EXPECT_FALSE(window->Button(MacroKeyButtons[0])->IsMarked());
    EXPECT_EQ(window->Button(MacroKeyButtons[0])->TooltipText(), QStringLiteral("G1"));

    CPngButton* profiles = window->Button(MainControl::Profiles);
    EXPECT_EQ(profiles->text(), QStringLiteral("Profile 2"));
    EXPECT_EQ(profiles->TooltipText().toStdString(), LoadText("PROFILE_TIP") + "Profile 2");
}

TEST_F(MainWindowTest, UnplugClosesSubWindowsAndHidesAndReplugReloads)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    window->ShowAbout();
    ASSERT_TRUE(window->isVisible());
    ASSERT_TRUE(window->About()->isVisible());

    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->About()->isVisible());

    // Meanwhile another program changed the keyboard; the next connection
    // shows what it holds now.
    PrepareKeyboard(2, {{2, KeyEsc, AssignKey, KeyA}});
    kb->Plug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(1); }));
    EXPECT_TRUE(ProfileShown(2));
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_FALSE(window->isVisible());
}

// The reset notice rebuilds the document and the cache file from the
// keyboard, which holds its factory memories now: nothing waits to be
// applied, and a later discard (a profile switch answered No) reloads the
// keyboard's state, not the assignments it had before its reset.
TEST_F(MainWindowTest, KeyboardResetNoticeRebuildsFromTheKeyboard)
{
    PrepareKeyboard(1, {{0, KeyEsc, AssignKey, KeyA}, {1, KeyEsc, AssignKey, KeyA}, {2, KeyQ, AssignDisabled, 0}});
    Start();
    ASSERT_TRUE(KeyButton(KeyEsc)->IsMarked());
    ASSERT_EQ(DocumentSlot(2, KeyQ).Type(), AssignDisabled);
    bool reset = false;
    QObject::connect(window.get(), &CVarkelinDlg::traced, window.get(),
                     [&reset](const QString& line) { reset = reset || line == QLatin1String("keyboard-reset"); });

    // The keyboard goes back to its factory memories (profile 0 active) and
    // then tells the program.
    kb->SendNotice(0x0402);
    ASSERT_TRUE(SpinUntil([&reset] { return reset; }));
    EXPECT_FALSE(window->IsApplyEnabled());
    for (int profile = 0; profile < 3; ++profile) {
        EXPECT_EQ(DocumentSlot(profile, KeyEsc).Type(), AssignDefault) << profile;
        EXPECT_EQ(DocumentSlot(profile, KeyQ).Type(), AssignDefault) << profile;
    }
    EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_EQ(KeyButton(KeyEsc)->TooltipText().toStdString(), GetKeyName(KeyEsc));
    EXPECT_TRUE(ProfileShown(0));

    // An edit after the reset, then a switch that discards it.
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyF5), AssignDisabled, 0, 0), 1);
    ASSERT_TRUE(window->IsApplyEnabled());
    prompts.answerYes = false;
    ASSERT_EQ(SelectProfile(1), 1);
    EXPECT_FALSE(window->IsApplyEnabled());
    for (int profile = 0; profile < 3; ++profile) {
        EXPECT_EQ(DocumentSlot(profile, KeyEsc).Type(), AssignDefault) << profile;
        EXPECT_EQ(DocumentSlot(profile, KeyQ).Type(), AssignDefault) << profile;
        EXPECT_EQ(DocumentSlot(profile, KeyF5).Type(), AssignDefault) << profile;
    }
    EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked());
}

TEST_F(MainWindowTest, LanguageSwitchRetextsCaptionsPromptsAndTheProfileButton)
{
    PrepareKeyboard(0, {{0, KeyEsc, AssignKey, KeyA}});
    Start();
    ASSERT_NE(LoadText("PROFILE_1", 0), LoadText("PROFILE_1", 1));
    const QString englishPrompt = KeyButton(KeyEsc)->TooltipText();

    auto* list = static_cast<QComboBox*>(window->Control(MainControl::LanguageList));
    ASSERT_EQ(list->count(), 2);
    list->setCurrentIndex(1);
    emit list->activated(1);

    EXPECT_EQ(GetLanguageIndex(), 1);
    const struct {
        int id;
        const char* key;
    } captions[] = {{MainControl::Profile1, "PROFILE_1"}, {MainControl::Profile3, "PROFILE_3"},
                    {MainControl::Apply, "PROFILE_APPLY"}, {MainControl::Ok, "PROFILE_OK"},
                    {MainControl::Cancel, "PROFILE_CANCLE"}, {MainControl::Defaults, "PROFILE_DEFAULT1"}};
    for (const auto& caption : captions)
        EXPECT_EQ(window->Button(caption.id)->text().toStdString(), LoadText(caption.key, 1)) << caption.key;
    EXPECT_EQ(window->Button(MainControl::Close)->TooltipText().toStdString(), LoadText("MAIN_CLOSE_PROMPT", 1));

    const QString russianPrompt = KeyButton(KeyEsc)->TooltipText();
    EXPECT_NE(russianPrompt, englishPrompt);
    EXPECT_EQ(russianPrompt.toStdString(), SinglePrompt(KeyEsc, KeyA));
    EXPECT_EQ(window->Button(MainControl::Profiles)->TooltipText().toStdString(),
              LoadText("PROFILE_TIP", 1) + LoadText("PROFILE_1", 1));

    // A message with the wrong tag changes nothing.
    EXPECT_EQ(window->HandleMessage(MsgLanguage, 0x12345678, 0), 0);
    EXPECT_EQ(window->Button(MainControl::Profile1)->text().toStdString(), LoadText("PROFILE_1", 1));
}
