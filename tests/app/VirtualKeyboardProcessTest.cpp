// The window and rt604ctl on one virtual keyboard state file, as an owner
// runs them side by side: one keyboard, and a file that is not a keyboard's
// is never written by either.
#include "support/FirstKeyOffKeyboard.h"
#include "support/ProgramProcess.h"

#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string WindowProgram = std::string(RT604_DATA_DIR) + "/rt604";
const std::string ToolProgram = std::string(RT604_DATA_DIR) + "/rt604ctl";

class VirtualKeyboardProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(WindowProgram)) << "build the rt604 target first";
        ASSERT_TRUE(fs::exists(ToolProgram)) << "build the rt604ctl target first";
        dir_ = fs::temp_directory_path()
            / ("rt604-vkprocess-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        state_ = (dir_ / "vk.state").string();
        runs_ = std::make_unique<ProgramRuns>(dir_, 20s);
    }
    void TearDown() override
    {
        runs_.reset();
        fs::remove_all(dir_);
    }

    pid_t Start(const std::string& name, const std::string& program, std::vector<std::string> args)
    {
        return runs_->Start(name, program, std::move(args));
    }
    int WaitExit(pid_t pid) { return runs_->WaitExit(pid); }
    bool WaitForLine(const std::string& name, const std::string& line) { return runs_->WaitForLine(name, line); }
    static std::string Read(const fs::path& path) { return ProgramRuns::Read(path); }
    // rt604ctl with its standard output; its exit code.
    int Tool(const std::string& name, std::vector<std::string> args, std::string& out)
    {
        args.push_back("--virtual-keyboard=" + state_);
        const int code = WaitExit(Start(name, ToolProgram, std::move(args)));
        out = runs_->Output(name);
        return code;
    }

    fs::path dir_;
    std::string state_;
    std::unique_ptr<ProgramRuns> runs_;
};

TEST_F(VirtualKeyboardProcessTest, TheWindowAndTheToolAreOneKeyboard)
{
    const pid_t window = Start("window", WindowProgram, {"/Start", "--virtual-keyboard=" + state_});
    ASSERT_TRUE(WaitForLine("window", "tray-icon 141")); // connected

    std::string out;
    ASSERT_EQ(Tool("switch", {"profile", "3"}, out), 0) << out;
    EXPECT_EQ(out, "Active profile: 3\n");

    // The window ends after the tool's write: the file keeps that write.
    ::kill(window, SIGTERM);
    ASSERT_EQ(WaitExit(window), 0);
    ASSERT_EQ(Tool("ask", {"profile"}, out), 0) << out;
    EXPECT_EQ(out, "Active profile: 3\n");
}

TEST_F(VirtualKeyboardProcessTest, TheWindowFollowsWhatTheToolChanges)
{
    // A profile file unlike the factory keyboard: the first key of the first
    // profile switched off, exported from a keyboard of its own.
    const std::string otherState = (dir_ / "other.state").string();
    ASSERT_EQ(MakeFirstKeyOffKeyboard(otherState), "");
    const std::string file = (dir_ / "first-key-off.vpf").string();
    ASSERT_EQ(WaitExit(Start("export", ToolProgram, {"export", file, "--virtual-keyboard=" + otherState})), 0);

    Start("window", WindowProgram, {"/Start", "--virtual-keyboard=" + state_});
    ASSERT_TRUE(WaitForLine("window", "tray-icon 141")); // connected
    const fs::path cache = dir_ / "data" / "Orvan RT-604" / "$Profile0";

    std::string out;
    ASSERT_EQ(Tool("switch", {"profile", "2"}, out), 0) << out;
    EXPECT_TRUE(WaitForLine("window", "keyboard-profile 2"));

    ASSERT_EQ(Tool("import", {"import", file}, out), 0) << out;
    EXPECT_TRUE(WaitForLine("window", "keys-reread"));
    // The window's document is what the keyboard now holds: its cache, taken
    // from the keyboard, equals what rt604ctl reads back.
    const std::string held = (dir_ / "held.vpf").string();
    ASSERT_EQ(Tool("export", {"export", held}, out), 0) << out;
    EXPECT_EQ(Read(cache), Read(held));
    EXPECT_EQ(Read(cache), Read(file));
}

TEST_F(VirtualKeyboardProcessTest, TheWindowRefusesAFileThatIsNoKeyboard)
{
    const std::string other(100 * 1024, 'x');
    std::ofstream(state_, std::ios::binary) << other;
    const pid_t window = Start("window", WindowProgram, {"/Start", "--virtual-keyboard=" + state_});
    EXPECT_EQ(WaitExit(window), 1);
    EXPECT_NE(Read(dir_ / "window.out").find("rt604: " + state_ + ": not a virtual keyboard state file: "),
              std::string::npos)
        << Read(dir_ / "window.out");
    EXPECT_EQ(Read(state_), other);
}

} // namespace
