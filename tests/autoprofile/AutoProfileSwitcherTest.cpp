#include "autoprofile/AutoProfileSwitcher.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// The program as the switcher sees it: a keyboard with an active profile
// (-1: none connected), the owner's state, and a record of what was done.
class FakeHost : public AutoProfileHost {
public:
    int32_t KnownProfile() override { return known; }
    int32_t ReadActiveProfile() override
    {
        ++reads;
        known = keyboard;
        return keyboard;
    }
    bool IsBusy() override { return busy; }
    bool HasUnappliedChanges() override { return unapplied; }
    int32_t SwitchProfile(int32_t profile) override
    {
        switches.push_back(profile);
        if (refuse)
            return 0;
        keyboard = known = profile;
        return 1;
    }
    void WaitChanged(AutoProfileWait wait, int32_t profile) override { waits.emplace_back(wait, profile); }

    // The owner picks a profile himself (tray, profile buttons, rt604ctl).
    void OwnerChooses(int32_t profile) { keyboard = known = profile; }

    int32_t keyboard = 0;
    int32_t known = 0;
    bool busy = false;
    bool unapplied = false;
    bool refuse = false;
    int reads = 0;
    std::vector<int32_t> switches;
    std::vector<std::pair<AutoProfileWait, int32_t>> waits;
};

WindowIdentity App(const std::string& windowClass)
{
    WindowIdentity w;
    w.kind = WindowIdentity::Kind::Application;
    w.instance = windowClass;
    w.windowClass = windowClass;
    return w;
}

WindowIdentity Other(WindowIdentity::Kind kind)
{
    WindowIdentity w = App("code");
    w.kind = kind;
    return w;
}

AutoProfileSettings Settings(int32_t defaultProfile = KeepProfile)
{
    AutoProfileSettings s;
    s.rules = {{"game", 2}, {"code", 1}};
    s.defaultProfile = defaultProfile;
    return s;
}

class AutoProfileSwitcherTest : public ::testing::Test {
protected:
    FakeHost host;
    AutoProfileSwitcher switcher{host};
};

TEST_F(AutoProfileSwitcherTest, OneWindowChangeDecidesBetweenSwitchWaitAndNothing)
{
    using W = AutoProfileWait;
    const struct {
        const char* what;
        int32_t keyboard;
        bool busy;
        bool unapplied;
        int32_t defaultProfile;
        const char* window;
        std::vector<int32_t> switches;
        W wait;
        int reads;
    } cases[] = {
        {"rule wants another profile", 0, false, false, KeepProfile, "game", {2}, W::None, 1},
        {"rule wants the active profile", 2, false, false, KeepProfile, "game", {}, W::None, 1},
        {"no rule, default profile", 2, false, false, 0, "xterm", {0}, W::None, 1},
        {"no rule, keep the profile", 2, false, false, KeepProfile, "xterm", {}, W::None, 0},
        {"an editor is open", 0, true, false, KeepProfile, "game", {}, W::Busy, 0},
        {"unapplied changes", 0, false, true, KeepProfile, "game", {}, W::Changes, 1},
        {"unapplied changes, nothing to switch", 2, false, true, KeepProfile, "game", {}, W::None, 1},
        {"no keyboard", -1, false, false, KeepProfile, "game", {}, W::Keyboard, 1},
        {"busy wins over changes", 0, true, true, KeepProfile, "game", {}, W::Busy, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeHost h;
        h.keyboard = h.known = c.keyboard;
        h.busy = c.busy;
        h.unapplied = c.unapplied;
        AutoProfileSwitcher s(h);
        s.SetSettings(Settings(c.defaultProfile));
        s.OnActiveWindow(App(c.window));
        EXPECT_EQ(h.switches, c.switches);
        EXPECT_EQ(s.Waiting(), c.wait);
        EXPECT_EQ(s.PendingProfile(), c.wait == W::None ? -1 : 2);
        // Busy never touches the keyboard; every decision that may switch
        // reads its profile afresh rather than trusting a cache another
        // program may have made stale.
        EXPECT_EQ(h.reads, c.reads);
    }
}

TEST_F(AutoProfileSwitcherTest, AWaitingSwitchIsMadeOnceTheChangesAreApplied)
{
    switcher.SetSettings(Settings());
    host.unapplied = true;
    switcher.OnActiveWindow(App("game"));
    ASSERT_EQ(switcher.Waiting(), AutoProfileWait::Changes);

    switcher.Resume(); // a window closed, but the changes are still there
    EXPECT_TRUE(host.switches.empty());
    EXPECT_EQ(switcher.Waiting(), AutoProfileWait::Changes);

    host.unapplied = false;
    switcher.Resume();
    EXPECT_EQ(host.switches, (std::vector<int32_t>{2}));
    EXPECT_EQ(switcher.Waiting(), AutoProfileWait::None);
    switcher.Resume();
    EXPECT_EQ(host.switches.size(), 1u);
    // The tray tip was told when the wait began and when it ended.
    EXPECT_EQ(host.waits, (std::vector<std::pair<AutoProfileWait, int32_t>>{{AutoProfileWait::Changes, 2},
                                                                            {AutoProfileWait::None, -1}}));
}

TEST_F(AutoProfileSwitcherTest, TheOwnersOwnChoiceWhileWaitingCancelsTheSwitch)
{
    switcher.SetSettings(Settings());
    host.busy = true;
    switcher.OnActiveWindow(App("game"));
    ASSERT_EQ(switcher.Waiting(), AutoProfileWait::Busy);
    host.busy = false;
    host.OwnerChooses(1);
    switcher.Resume();
    EXPECT_TRUE(host.switches.empty());
    EXPECT_EQ(switcher.Waiting(), AutoProfileWait::None);
    EXPECT_EQ(host.keyboard, 1);

    // The same while waiting for changes: the tray's profile entry asked the
    // question, the owner applied and switched.
    host.unapplied = true;
    switcher.OnActiveWindow(App("code")); // wants 1: already active
    switcher.OnActiveWindow(App("game"));
    ASSERT_EQ(switcher.Waiting(), AutoProfileWait::Changes);
    host.unapplied = false;
    host.OwnerChooses(0);
    switcher.Resume();
    EXPECT_TRUE(host.switches.empty());
}

TEST_F(AutoProfileSwitcherTest, OurOwnWindowAndTheDesktopLeaveEverythingAsItIs)
{
    switcher.SetSettings(Settings(0));
    host.keyboard = host.known = 1;
    for (WindowIdentity::Kind kind :
         {WindowIdentity::Kind::OwnProgram, WindowIdentity::Kind::Desktop, WindowIdentity::Kind::None})
        switcher.OnActiveWindow(Other(kind));
    EXPECT_TRUE(host.switches.empty());
    EXPECT_EQ(host.reads, 0);

    // A waiting switch keeps waiting while the owner is in our window to
    // apply, and is made when he has.
    host.unapplied = true;
    switcher.OnActiveWindow(App("game"));
    switcher.OnActiveWindow(Other(WindowIdentity::Kind::OwnProgram));
    EXPECT_EQ(switcher.PendingProfile(), 2);
    host.unapplied = false;
    switcher.Resume();
    EXPECT_EQ(host.switches, (std::vector<int32_t>{2}));
}

TEST_F(AutoProfileSwitcherTest, TheLatestWindowDecidesWhatWaits)
{
    switcher.SetSettings(Settings());
    host.unapplied = true;
    switcher.OnActiveWindow(App("game"));
    switcher.OnActiveWindow(App("code"));
    EXPECT_EQ(switcher.PendingProfile(), 1);
    EXPECT_EQ(host.waits.back(), std::make_pair(AutoProfileWait::Changes, 1));
    // A window that wants nothing (no rule, no default) drops the wait.
    switcher.OnActiveWindow(App("xterm"));
    EXPECT_EQ(switcher.PendingProfile(), -1);
    EXPECT_EQ(host.waits.back(), std::make_pair(AutoProfileWait::None, -1));
    host.unapplied = false;
    switcher.Resume();
    EXPECT_TRUE(host.switches.empty());
}

TEST_F(AutoProfileSwitcherTest, AFailedSwitchIsNotTriedAgainAndAgain)
{
    switcher.SetSettings(Settings());
    host.refuse = true;
    switcher.OnActiveWindow(App("game"));
    for (int i = 0; i < 3; ++i)
        switcher.Resume();
    EXPECT_EQ(host.switches, (std::vector<int32_t>{2}));
    EXPECT_EQ(switcher.Waiting(), AutoProfileWait::None);
    EXPECT_EQ(switcher.SwitchCount(), 0u);
}

TEST_F(AutoProfileSwitcherTest, AKeyboardThatComesLaterGetsTheProfile)
{
    switcher.SetSettings(Settings());
    host.keyboard = host.known = -1;
    switcher.OnActiveWindow(App("game"));
    ASSERT_EQ(switcher.Waiting(), AutoProfileWait::Keyboard);
    host.keyboard = 0; // plugged in; the reload learns its profile
    host.known = 0;
    switcher.Resume();
    EXPECT_EQ(host.switches, (std::vector<int32_t>{2}));
}

TEST_F(AutoProfileSwitcherTest, NewRulesJudgeTheActiveWindowAgain)
{
    switcher.OnActiveWindow(App("game")); // no rules yet: nothing
    EXPECT_TRUE(host.switches.empty());
    switcher.SetSettings(Settings());
    EXPECT_EQ(host.switches, (std::vector<int32_t>{2}));

    // Switched off: nothing switches, and a waiting switch is dropped.
    host.unapplied = true;
    switcher.OnActiveWindow(App("code"));
    ASSERT_EQ(switcher.PendingProfile(), 1);
    AutoProfileSettings off = Settings();
    off.enabled = false;
    switcher.SetSettings(off);
    EXPECT_EQ(switcher.PendingProfile(), -1);
    host.unapplied = false;
    switcher.OnActiveWindow(App("code"));
    EXPECT_EQ(host.switches.size(), 1u);
}

} // namespace
