#include "support/ConnectedKeyboard.h"

#include "autoprofile/AutoProfileSwitcher.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileSwitch.h"

namespace {

class AutoProfileKeyboardTest : public LoadedKeyboardTest {};

TEST_F(AutoProfileKeyboardTest, TheQuietSwitchNeverAsksAndLeavesUnappliedEditsAlone)
{
    window.applyEnabled = true;
    const int refreshes = window.refreshCount;
    ASSERT_EQ(SelectProfileQuietly(2), 1);
    EXPECT_EQ(Memories().deviceInfo[DeviceInfoActiveProfile], 2);
    EXPECT_EQ(CommandRuns(), (std::vector<uint8_t>{CmdReadDeviceInfo, CmdWriteDeviceInfo}));
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_GT(window.refreshCount, refreshes);
    EXPECT_EQ(CurrentProfileMenu().checkedPosition, 2 + 2);
    EXPECT_EQ(window.profileButtonCaption, CurrentProfileMenu().caption);

    // A keyboard that refuses keeps its profile, and the menu is not
    // rebuilt around a profile that is not active.
    kb->RefuseNextRequests(0xFF, 2);
    EXPECT_EQ(SelectProfileQuietly(1), 0);
    EXPECT_EQ(Memories().deviceInfo[DeviceInfoActiveProfile], 2);
    EXPECT_EQ(CurrentProfileMenu().checkedPosition, 2 + 2);
}

TEST_F(AutoProfileKeyboardTest, ReadingAgainSeesAProfileChosenOnTheKeyboard)
{
    KeyboardMemories m = Memories();
    m.deviceInfo[DeviceInfoActiveProfile] = 1;
    kb->SetMemories(m); // the Fn profile key, or rt604ctl from outside
    EXPECT_EQ(GetCurrentProfile(), 0); // the cache does not know
    EXPECT_EQ(RereadCurrentProfile(), 1);
    EXPECT_EQ(g_currentProfile.load(), 1);

    Disconnect();
    EXPECT_EQ(RereadCurrentProfile(), -1);
}

} // namespace
