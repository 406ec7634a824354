// A start that cannot run tells the owner on the screen, not only on
// standard error, which an autostart or a menu entry never shows. On a real
// X server: the offscreen platform shows nobody anything.
#include "platform/SingleInstance.h"
#include "DesktopProcessFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class StartProblemDesktopProcessTest : public DesktopProcessTest {
protected:
    StartProblemDesktopProcessTest() : DesktopProcessTest("sp", {"xdotool"}) {}

    pid_t Spawn(const std::string& name, std::vector<std::string> args)
    {
        return SpawnProgram(name, std::move(args), {"LANG=C", "LC_ALL=", "LC_MESSAGES="});
    }
};

TEST_F(StartProblemDesktopProcessTest, ASecondStartThatCannotReachTheRunningInstanceShowsWhy)
{
    const pid_t first = Spawn("first", {"/Start"});
    const std::string endpoint = InstanceEndpointPath((dir_ / "run" / "orvan-rt604").string(), first);
    ASSERT_EQ(endpoint.rfind(dir_.string(), 0), 0u) << endpoint;
    ASSERT_TRUE(Within(15s, [&] { return fs::exists(endpoint); }));
    ASSERT_TRUE(fs::remove(endpoint)); // the running instance is out of reach now

    const pid_t second = Spawn("second", {});
    std::vector<unsigned long> boxes;
    EXPECT_TRUE(Within(25s, [&] {
        boxes = desktop_.VisibleWindows("rt604");
        return !boxes.empty();
    })) << "no message on the screen";
    int status = 0;
    EXPECT_EQ(::waitpid(second, &status, WNOHANG), 0) << "ended without waiting for the owner to read the message";
    if (!boxes.empty()) {
        EXPECT_EQ(desktop_.Run("xdotool getwindowname " + std::to_string(boxes.front())), "Orvan RT-604\n");
        desktop_.Run("xdotool windowfocus --sync " + std::to_string(boxes.front()) + " key Return");
    }
    EXPECT_TRUE(Within(10s, [&] { return ::waitpid(second, &status, WNOHANG) == second; }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    std::ifstream in(dir_ / "second.out");
    const std::string out((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(out.find("but does not answer"), std::string::npos) << out;
    desktop_.Kill(first);
}

} // namespace
