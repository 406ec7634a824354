#include "MainWindowTestSupport.h"

#include "assign/KeyAssignment.h"

namespace {

const int ProfileIds[] = {MainControl::Profile1, MainControl::Profile2, MainControl::Profile3};

} // namespace

TEST_F(MainWindowTest, PressingTheActiveProfileSendsNoSwitch)
{
    PrepareKeyboard(1, {});
    Start();
    window->Button(MainControl::Profile2)->click();

    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 1);
    EXPECT_EQ(window->ViewedProfile(), 1);
    EXPECT_TRUE(ProfileShown(1));
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(MainWindowTest, PressingAnotherProfileSwitchesTheKeyboardAndShowsItsKeys)
{
    PrepareKeyboard(0, {{2, KeyEsc, AssignKey, KeyA}});
    Start();
    ASSERT_FALSE(KeyButton(KeyEsc)->IsMarked());

    window->Button(MainControl::Profile3)->click();

    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 1u);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 2);
    EXPECT_EQ(window->ViewedProfile(), 2);
    EXPECT_TRUE(ProfileShown(2));
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_TRUE(prompts.questions.empty());
}

// Unapplied changes when switching: Yes writes them to the profile they were
// made in before the switch, No throws them away.
struct PendingSwitchCase {
    bool answerYes;
    bool keyboardGetsTheChange;
};

class PendingSwitchTest : public MainWindowTest, public ::testing::WithParamInterface<PendingSwitchCase> {};

TEST_P(PendingSwitchTest, QuestionDecidesWhatHappensToTheChanges)
{
    const PendingSwitchCase c = GetParam();
    PrepareKeyboard(1, {});
    Start();
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignKey, KeyA, 0), 1);
    ASSERT_TRUE(window->IsApplyEnabled());
    ASSERT_TRUE(KeyButton(KeyEsc)->IsMarked());
    prompts.answerYes = c.answerYes;

    window->Button(MainControl::Profile1)->click();

    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], LoadText("PROFILE_SELECT_PROMPT"));
    const KeyMapEntry written = KeyboardEntry(1, KeyEsc);
    if (c.keyboardGetsTheChange) {
        EXPECT_EQ(written, (KeyMapEntry{2, 2, 0x04}));
        EXPECT_EQ(DocumentSlot(1, KeyEsc).Type(), AssignKey);
    } else {
        EXPECT_EQ(written, FactoryEntry(KeyEsc));
        EXPECT_EQ(DocumentSlot(1, KeyEsc).Type(), AssignDefault);
    }
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);
    EXPECT_TRUE(ProfileShown(0));
    EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked());
}

INSTANTIATE_TEST_SUITE_P(Answers, PendingSwitchTest,
                         ::testing::Values(PendingSwitchCase{true, true}, PendingSwitchCase{false, false}));

TEST_F(MainWindowTest, RestoreDefaultsAnsweredYesResetsTheProfileOnTheKeyboard)
{
    PrepareKeyboard(1, {{1, KeyEsc, AssignKey, KeyA}, {1, KeyQ, AssignDisabled, 0}, {2, KeyQ, AssignDisabled, 0}});
    Start();
    prompts.answerYes = true;

    window->Button(MainControl::Defaults)->click();

    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], LoadText("MAIN_PROMPT_DEFAULT"));
    EXPECT_EQ(KeyboardEntry(1, KeyEsc), FactoryEntry(KeyEsc));
    EXPECT_EQ(KeyboardEntry(1, KeyQ), FactoryEntry(KeyQ));
    EXPECT_EQ(DocumentSlot(1, KeyEsc).Type(), AssignDefault);
    // Other profiles keep theirs.
    EXPECT_EQ(KeyboardEntry(2, KeyQ), (KeyMapEntry{0, 0, 0}));
    EXPECT_EQ(DocumentSlot(2, KeyQ).Type(), AssignDisabled);
    EXPECT_FALSE(window->IsApplyEnabled());
    // And the window goes to the first profile.
    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);
    EXPECT_EQ(window->ViewedProfile(), 0);
    EXPECT_TRUE(ProfileShown(0));
}

TEST_F(MainWindowTest, RestoreDefaultsAnsweredNoStillGoesToTheFirstProfile)
{
    PrepareKeyboard(2, {{2, KeyEsc, AssignKey, KeyA}});
    Start();
    prompts.answerYes = false;

    window->Button(MainControl::Defaults)->click();

    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(KeyboardEntry(2, KeyEsc), (KeyMapEntry{2, 2, 0x04}));
    EXPECT_EQ(DocumentSlot(2, KeyEsc).Type(), AssignKey);
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);
    EXPECT_EQ(window->ViewedProfile(), 0);
    EXPECT_TRUE(ProfileShown(0));
}

TEST_F(MainWindowTest, ProfileButtonsOfEveryProfile)
{
    PrepareKeyboard(0, {});
    Start();
    for (int target : {2, 1, 0, 2}) {
        window->Button(ProfileIds[target])->click();
        EXPECT_EQ(kb->Memories().ActiveProfile(), target);
        EXPECT_TRUE(ProfileShown(target)) << target;
        EXPECT_EQ(window->ViewedProfile(), target);
    }
}
