// "rt604 --firmware-update" with the built program: a second start hands the
// request to the running instance like OPEN, a first start opens the window
// itself.
#include "ShellProcessFixture.h"

namespace {

// Every start on the same virtual keyboard.
class FirmwareUpdateProcessTest : public ShellProcessTest {
protected:
    pid_t Start(const std::string& name, std::vector<std::string> args)
    {
        args.push_back(VirtualKeyboard());
        return ShellProcessTest::Start(name, std::move(args));
    }
};

TEST_F(FirmwareUpdateProcessTest, ASecondStartHandsTheRequestToTheRunningInstance)
{
    const pid_t first = Start("first", {"/Start"});
    ASSERT_TRUE(WaitFor("first", "tray-icon 141"));
    ASSERT_TRUE(WaitFor("first", "window-hidden"));
    EXPECT_LT(IndexOf("first", "firmware-update"), 0);

    const pid_t second = Start("second", {"--firmware-update"});
    EXPECT_EQ(WaitExit(second), 0);
    EXPECT_GE(IndexOf("second", "firmware-update-sent"), 0);
    EXPECT_LT(IndexOf("second", "initialised"), 0); // no second window
    ASSERT_TRUE(WaitFor("first", "firmware-update"));
    EXPECT_LT(IndexOf("first", "message UPDT"), IndexOf("first", "firmware-update"));
    // The update window, not the main window.
    EXPECT_LT(IndexOf("first", "message OPEN"), 0);

    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first), 0);
}

TEST_F(FirmwareUpdateProcessTest, AFirstStartOpensTheUpdateWindowItself)
{
    const pid_t pid = Start("alone", {"/Start", "--firmware-update"});
    ASSERT_TRUE(WaitFor("alone", "firmware-update"));
    EXPECT_LT(IndexOf("alone", "initialised"), IndexOf("alone", "firmware-update"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
}

} // namespace
