#include "device/hid/CurrentHidBackend.h"
#include "support/ConnectedKeyboard.h"

#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileSwitch.h"

#include <functional>

namespace {

constexpr uint16_t KeyA = 30;

// The keyboard read into the document with profile 0 active.
class ProfileSwitchTest : public LoadedKeyboardTest {
protected:
    // An edit of profile 0 that has not been applied.
    void EditWithoutApply()
    {
        SetSlot(0, KeyCodeToIndex(KeyA), 1, 0);
        window.applyEnabled = true;
    }

    // Position of the first request with that command, or -1.
    int FirstRequest(uint8_t command) const
    {
        const std::vector<Frame> requests = kb->Requests();
        for (size_t i = 0; i < requests.size(); ++i) {
            if (requests[i][3] == command)
                return static_cast<int>(i);
        }
        return -1;
    }
};

TEST_F(ProfileSwitchTest, SetCurrentProfileChangesOnlyTheProfileByte)
{
    KeyboardMemories m = Memories();
    for (size_t i = 0; i < DeviceInfoActiveProfile; ++i)
        m.deviceInfo[i] = static_cast<uint8_t>(0xA0 + i);
    kb->SetMemories(m);

    ASSERT_EQ(SetCurrentProfile(2), 1);
    EXPECT_EQ(CommandRuns(), (std::vector<uint8_t>{CmdReadDeviceInfo, CmdWriteDeviceInfo}));
    // The block goes back exactly as it was read, but for the profile byte.
    const Frame write = kb->Requests().back();
    EXPECT_EQ(write[4], DeviceInfoBytes);
    EXPECT_EQ(ReadU16(write.data(), 5), 0);
    std::array<uint8_t, DeviceInfoBytes> sent{};
    std::copy_n(write.begin() + FrameDataOffset, DeviceInfoBytes, sent.begin());
    std::array<uint8_t, DeviceInfoBytes> expected = m.deviceInfo;
    expected[DeviceInfoActiveProfile] = 2;
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(Memories().ActiveProfile(), 2);
    EXPECT_EQ(g_currentProfile.load(), 2);
    EXPECT_EQ(GetCurrentProfile(), 2);
}

// The keyboard behind a cable that loses every information-block write, or
// (reachesKeyboard) only the word that it arrived: the keyboard acts on it.
class LosesInfoWrites final : public HidBackend {
public:
    explicit LosesInfoWrites(HidBackend& inner, bool reachesKeyboard = false)
        : inner_(inner), reachesKeyboard_(reachesKeyboard)
    {
    }
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override { return inner_.Enumerate(out); }
    std::string NodeIdentity(const std::string& path) override { return inner_.NodeIdentity(path); }
    std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) override
    {
        std::unique_ptr<HidHandle> handle = inner_.Open(path, mode);
        return handle ? std::make_unique<Handle>(std::move(handle), reachesKeyboard_) : nullptr;
    }

private:
    class Handle final : public HidHandle {
    public:
        Handle(std::unique_ptr<HidHandle> inner, bool reaches) : inner_(std::move(inner)), reaches_(reaches) {}
        HidInterfaceInfo Info() const override { return inner_->Info(); }
        std::vector<uint8_t> ReportDescriptor() const override { return inner_->ReportDescriptor(); }
        int CollectionIndex() const override { return inner_->CollectionIndex(); }
        std::string NodeIdentity() const override { return inner_->NodeIdentity(); }
        HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) override
        {
            return inner_->Read(buffer, transferred, timeoutMs);
        }
        HidIo Write(std::span<const uint8_t> report, size_t& transferred, int timeoutMs) override
        {
            transferred = 0;
            if (report.size() > 3 && report[3] == CmdWriteDeviceInfo) {
                if (reaches_)
                    inner_->Write(report, transferred, timeoutMs);
                transferred = 0;
                return HidIo::Failed;
            }
            return inner_->Write(report, transferred, timeoutMs);
        }
        void Abort() override { inner_->Abort(); }
        HidLock TryLockExclusive() const override { return inner_->TryLockExclusive(); }
        void UnlockExclusive() const override { inner_->UnlockExclusive(); }
        LockHolder ExclusiveHolder() const override { return inner_->ExclusiveHolder(); }

    private:
        std::unique_ptr<HidHandle> inner_;
        bool reaches_;
    };
    HidBackend& inner_;
    bool reachesKeyboard_;
};

TEST_F(ProfileSwitchTest, TheCachedProfileIsTrustedUntilASwitchFails)
{
    // Known: no question to the keyboard.
    EXPECT_EQ(GetCurrentProfile(), 0);
    EXPECT_TRUE(kb->Requests().empty());

    // An unreadable information block: nothing is written, nothing forgotten.
    kb->DropReplies(100);
    EXPECT_EQ(SetCurrentProfile(1), 0);
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(g_currentProfile.load(), 0);
    kb->WaitForScheduledReports();
    kb->DropReplies(0);

    // A lost write: the cache is dropped and the keyboard is asked again.
    LosesInfoWrites cable(*kb);
    SetHidBackend(&cable);
    ASSERT_TRUE(g_configChannel.Open(kb->ConfigPath(), true, true, true, false));
    kb->ClearFrameLog();
    EXPECT_EQ(SetCurrentProfile(2), 0);
    EXPECT_EQ(g_currentProfile.load(), -1);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
    kb->ClearFrameLog();
    EXPECT_EQ(GetCurrentProfile(), 0);
    EXPECT_EQ(CommandRuns(), std::vector<uint8_t>{CmdReadDeviceInfo});
    EXPECT_EQ(g_currentProfile.load(), 0);

    SetHidBackend(kb.get());
    ASSERT_TRUE(g_configChannel.Open(kb->ConfigPath(), true, true, true, false));
}

TEST_F(ProfileSwitchTest, AnIndexOutsideTheThreeProfilesSendsNothing)
{
    for (int index : {3, 4, 255, -1, -2}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(SetCurrentProfile(index), 0);
        EXPECT_TRUE(kb->Requests().empty());
        EXPECT_EQ(Memories().ActiveProfile(), 0);
        EXPECT_EQ(g_currentProfile.load(), 0);
    }
}

TEST_F(ProfileSwitchTest, SwitchingWithoutPendingChanges)
{
    window.profileDialogOpen = true;
    const int refreshes = window.refreshCount;
    ASSERT_EQ(SelectProfile(2), 1);
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(Memories().ActiveProfile(), 2);
    EXPECT_EQ(g_currentProfile.load(), 2);
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(window.dialogTickedRow, 2);
    EXPECT_GT(window.refreshCount, refreshes);
    EXPECT_EQ(CurrentProfileMenu().checkedPosition, 4);

    // The same profile again runs the whole switch once more.
    kb->ClearFrameLog();
    window.dialogTickedRow = -1;
    const int again = window.refreshCount;
    ASSERT_EQ(SelectProfile(2), 1);
    EXPECT_EQ(CommandRuns(), (std::vector<uint8_t>{CmdReadDeviceInfo, CmdWriteDeviceInfo}));
    EXPECT_EQ(window.dialogTickedRow, 2);
    EXPECT_GT(window.refreshCount, again);

    // 3 or more means the first profile.
    ASSERT_EQ(SelectProfile(3), 1);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
}

TEST_F(ProfileSwitchTest, YesAppliesThePendingChangesToTheOldProfileFirst)
{
    EditWithoutApply();
    prompts.answerYes = true;
    ASSERT_EQ(SelectProfile(1), 1);
    EXPECT_EQ(prompts.questions, std::vector<std::string>{LoadText("PROFILE_SELECT_PROMPT")});
    EXPECT_EQ(WrittenProfiles(), std::vector<int>{0});
    EXPECT_LT(FirstRequest(CmdWriteKeyMap), FirstRequest(CmdWriteDeviceInfo));
    EXPECT_EQ(EntryAt(Memories(), 0, PositionOf(KeyA)), (KeyMapEntry{0, 0, 0}));
    EXPECT_EQ(Memories().ActiveProfile(), 1);
    EXPECT_FALSE(window.applyEnabled);
    EXPECT_EQ(SlotOf(0, KeyA).Type(), 1);
}

TEST_F(ProfileSwitchTest, NoDiscardsThePendingChanges)
{
    const KeyboardMemories before = Memories();
    EditWithoutApply();
    prompts.answerYes = false;
    ASSERT_EQ(SelectProfile(1), 1);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(Memories().keyMaps, before.keyMaps);
    EXPECT_EQ(Memories().ActiveProfile(), 1);
    EXPECT_FALSE(window.applyEnabled);
    // The document is the cache's again.
    EXPECT_EQ(SlotOf(0, KeyA).Type(), 0);
}

TEST_F(ProfileSwitchTest, UnappliedChangesOfTheProfileDialogAskToo)
{
    window.profileDialogOpen = true;
    window.profileDialogChanged = true;
    ASSERT_EQ(SelectProfile(1), 1);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(Memories().ActiveProfile(), 1);
}

TEST_F(ProfileSwitchTest, TheQuestionIsNotAskedTwice)
{
    EditWithoutApply();
    int nested = -1;
    prompts.onQuestion = [&] { nested = SelectProfile(2); };
    ASSERT_EQ(SelectProfile(1), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(Memories().ActiveProfile(), 1);
}

TEST_F(ProfileSwitchTest, AnOpenKeyEditorRefusesTheSwitch)
{
    window.keyEditorOpen = true;
    EditWithoutApply();
    EXPECT_EQ(SelectProfile(1), 0);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{LoadText("PROFILE_SEELCT_PROMPT2")});
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_TRUE(kb->Requests().empty());
    EXPECT_TRUE(window.applyEnabled);
}

// A switch the keyboard did not take is said, and everything that shows the
// active profile goes on showing the one the keyboard runs.
TEST_F(ProfileSwitchTest, ASwitchTheKeyboardDidNotTakeLeavesTheOldProfileShown)
{
    const struct {
        const char* what;
        std::function<void(VirtualKeyboard&)> fault;
    } cases[] = {
        {"the write is refused", [](VirtualKeyboard& k) { k.RefuseNextRequestsOf(CmdWriteDeviceInfo, StatusRefused); }},
        {"the block cannot be read", [](VirtualKeyboard& k) { k.RefuseNextRequestsOf(CmdReadDeviceInfo, 0xFF); }},
        {"the keyboard answers nothing", [](VirtualKeyboard& k) { k.DropReplies(100); }},
    };
    window.profileDialogOpen = true;
    ASSERT_EQ(BuildProfileMenu(false).checkedPosition, 2);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.ClearMessages();
        kb->ClearFrameLog();
        c.fault(*kb);
        const int refreshes = window.refreshCount;
        EXPECT_EQ(SelectProfile(2), 0);
        ASSERT_EQ(prompts.Texts(), std::vector<std::string>{"The keyboard did not switch to Profile 3. It keeps its active profile."});
        EXPECT_EQ(prompts.styles[0], MessageStyle::Topmost);
        EXPECT_EQ(Memories().ActiveProfile(), 0);
        EXPECT_EQ(GetCurrentProfile(), 0);
        EXPECT_EQ(CurrentProfileMenu().checkedPosition, 2);
        EXPECT_EQ(window.profileButtonCaption, "Profile 1");
        EXPECT_EQ(window.dialogTickedRow, -1) << "the manager's tick stays";
        EXPECT_GT(window.refreshCount, refreshes) << "the keys of the profile it runs";
        kb->WaitForScheduledReports();
        kb->DropReplies(0);
        kb->RefuseNextRequests(StatusRefused, 0);
    }

    // A write lost on the wire: the keyboard is asked again and still runs
    // the first profile.
    {
        LosesInfoWrites cable(*kb);
        SetHidBackend(&cable);
        ASSERT_TRUE(g_configChannel.Open(kb->ConfigPath(), true, true, true, false));
        prompts.ClearMessages();
        EXPECT_EQ(SelectProfile(2), 0);
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"The keyboard did not switch to Profile 3. It keeps its active profile."});
        EXPECT_EQ(g_currentProfile.load(), 0);
        EXPECT_EQ(CurrentProfileMenu().checkedPosition, 2);
    }

    // The word of success lost, the switch made: that is no failure.
    LosesInfoWrites cable(*kb, true);
    SetHidBackend(&cable);
    ASSERT_TRUE(g_configChannel.Open(kb->ConfigPath(), true, true, true, false));
    prompts.ClearMessages();
    EXPECT_EQ(SelectProfile(1), 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Memories().ActiveProfile(), 1);
    EXPECT_EQ(CurrentProfileMenu().checkedPosition, 3);
    SetHidBackend(kb.get());
    ASSERT_TRUE(g_configChannel.Open(kb->ConfigPath(), true, true, true, false));
}

TEST_F(ProfileSwitchTest, YesWithAnApplyTheKeyboardRefusedDoesNotSwitch)
{
    EditWithoutApply();
    prompts.answerYes = true;
    kb->RefuseNextRequestsOf(CmdWriteKeyMap, StatusRefused, 100);
    EXPECT_EQ(SelectProfile(1), 0);
    EXPECT_EQ(prompts.questions.size(), 1u);
    EXPECT_TRUE(prompts.Said("PROFILE_SWITCH_NOT_APPLIED"));
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
    EXPECT_EQ(g_currentProfile.load(), 0);
    // The edit is still the profile's and still waits to be applied.
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_EQ(SlotOf(0, KeyA).Type(), 1);
    kb->RefuseNextRequestsOf(CmdWriteKeyMap, StatusRefused, 0);
}

TEST_F(ProfileSwitchTest, TheMenuNamesTheProfilesAndChecksTheActiveOne)
{
    ASSERT_EQ(SetCurrentProfile(1), 1);
    const ProfileMenu menu = BuildProfileMenu(true);
    ASSERT_EQ(menu.items.size(), 5u);
    EXPECT_EQ(menu.items[0].command, 9000);
    EXPECT_EQ(menu.items[0].text, LoadText("DEFAULT_PROFILE_NAME"));
    EXPECT_TRUE(menu.items[1].separator);
    // Each profile by its own name, not by the cache file all three share.
    const char* const names[] = {"Profile 1", "Profile 2", "Profile 3"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(menu.items[static_cast<size_t>(i + 2)].command, 9001 + i);
        EXPECT_EQ(menu.items[static_cast<size_t>(i + 2)].text, names[i]);
    }
    EXPECT_EQ(menu.checkedPosition, 3);
    EXPECT_TRUE(menu.items[3].checked);
    EXPECT_EQ(std::count_if(menu.items.begin(), menu.items.end(), [](const auto& i) { return i.checked; }), 1);
    EXPECT_EQ(window.profileButtonCaption, "Profile 2");
    EXPECT_EQ(window.profileButtonTooltip, LoadText("PROFILE_TIP") + "Profile 2");

    // In Russian, the Russian names.
    SetLanguageIndex(1);
    BuildProfileMenu(false);
    EXPECT_EQ(window.profileButtonCaption, LoadText("PROFILE_2", 1));
    EXPECT_NE(window.profileButtonCaption, "Profile 2");
    SetLanguageIndex(0);

    // No profile known: the first item.
    Disconnect();
    const ProfileMenu unknown = BuildProfileMenu(false);
    EXPECT_EQ(unknown.checkedPosition, 0);
    EXPECT_EQ(window.profileButtonCaption, LoadText("DEFAULT_PROFILE_NAME"));
}

TEST_F(ProfileSwitchTest, MenuCommandsSelectProfiles)
{
    ASSERT_EQ(HandleProfileMenuCommand(9003), 1);
    EXPECT_EQ(Memories().ActiveProfile(), 2);
    // The default item names no profile: only the view is refreshed.
    kb->ClearFrameLog();
    ASSERT_EQ(HandleProfileMenuCommand(9000), 1);
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(Memories().ActiveProfile(), 2);
    EXPECT_EQ(HandleProfileMenuCommand(8999), 0);
    EXPECT_EQ(HandleProfileMenuCommand(9201), 0);
}

} // namespace
