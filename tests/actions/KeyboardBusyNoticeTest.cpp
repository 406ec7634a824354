#include "support/ConnectedKeyboard.h"

#include "actions/KeyboardBusyNotice.h"
#include "device/protocol/ActiveProfile.h"
#include "device/protocol/KeyboardConversation.h"
#include "lighting/KeyColours.h"
#include "platform/LockHolder.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

class KeyboardBusyNoticeTest : public ConnectedKeyboardTest {
protected:
    void TearDown() override
    {
        StopTellingKeyboardBusy();
        ConnectedKeyboardTest::TearDown();
    }
};

// Someone else has the keyboard for longer than the window waits: what the
// owner asked for is not sent, the keyboard keeps what it holds, and the
// owner is told once, after the action, who holds it.
TEST_F(KeyboardBusyNoticeTest, AGiveUpIsToldOnceNamingTheHolder)
{
    Connect();
    StartFromKeyboard(0);
    std::vector<std::function<void()>> posted;
    TellKeyboardBusyThrough([&](std::function<void()> work) { posted.push_back(std::move(work)); });
    SetConversationWaitLimit(40ms);

    std::mutex mutex;
    std::condition_variable changed;
    bool held = false;
    bool letGo = false;
    std::thread holder([&] {
        KeyboardConversation conversation;
        std::unique_lock lock(mutex);
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return letGo; });
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return held; });
    }
    EXPECT_EQ(SetCurrentProfile(2), KeyboardBusy);
    EXPECT_EQ(SendKeyColours(), KeyboardBusy);
    EXPECT_TRUE(kb->Requests().empty()) << "nothing may reach the keyboard";
    EXPECT_TRUE(prompts.messages.empty()) << "told while the action still runs";
    {
        std::lock_guard lock(mutex);
        letGo = true;
        changed.notify_all();
    }
    holder.join();

    ASSERT_EQ(posted.size(), 1u) << "one action, one message";
    posted[0]();
    ASSERT_EQ(prompts.messages.size(), 1u);
    const std::string& text = prompts.messages[0];
    EXPECT_NE(text.find("(pid " + std::to_string(getpid()) + ")"), std::string::npos) << text;
    EXPECT_NE(text.find(ProcessName(getpid())), std::string::npos) << text;
    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);
    g_currentProfile = -1;
    EXPECT_EQ(GetCurrentProfile(), 0);

    // A later give-up is told again.
    KeyboardConversation again(0ms);
    std::thread([] { EXPECT_EQ(SetCurrentProfile(1), KeyboardBusy); }).join();
    EXPECT_EQ(posted.size(), 2u);
}

// A process names itself: a name with directives in it is shown as it is,
// and the pid lands where the text has it.
TEST_F(KeyboardBusyNoticeTest, TheHoldersNameIsShownAsItIs)
{
    for (const std::string name : {"rt604ctl", "%d%s", "%%"}) {
        const std::string text = KeyboardBusyText(LockHolder{4321, name});
        EXPECT_NE(text.find(name + " (pid 4321)"), std::string::npos) << text;
    }
}

} // namespace
