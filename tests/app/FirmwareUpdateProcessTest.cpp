// "rt604 --firmware-update" with the built program: a second start hands the
// request to the running instance like OPEN, a first start opens the window
// itself.
#include "support/ProgramProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string ProgramPath = std::string(RT604_DATA_DIR) + "/rt604";

class FirmwareUpdateProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(ProgramPath)) << "build the rt604 target first";
        // Short: the instance's socket lives below it, and socket paths are
        // limited to 107 characters.
        static int count = 0;
        dir_ = fs::temp_directory_path() / ("rt604-fwu-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::remove_all(dir_);
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    }

    void TearDown() override
    {
        for (pid_t pid : running_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    pid_t Start(const std::string& name, std::vector<std::string> args)
    {
        args.push_back("--virtual-keyboard=" + (dir_ / "vk.state").string());
        const pid_t pid = StartProgramProcess(ProgramPath, std::move(args), dir_, (dir_ / (name + ".log")).string(),
                                              (dir_ / (name + ".out")).string());
        running_.push_back(pid);
        return pid;
    }

    std::vector<std::string> Lines(const std::string& name) const
    {
        std::ifstream in(dir_ / (name + ".log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    long IndexOf(const std::string& name, const std::string& line) const
    {
        const auto lines = Lines(name);
        const auto it = std::find(lines.begin(), lines.end(), line);
        return it == lines.end() ? -1 : static_cast<long>(it - lines.begin());
    }

    bool WaitFor(const std::string& name, const std::string& line)
    {
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < end) {
            if (IndexOf(name, line) >= 0)
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    // The exit code, or -1 when the program did not end in time.
    int WaitExit(pid_t pid)
    {
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                running_.erase(std::remove(running_.begin(), running_.end(), pid), running_.end());
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(5ms);
        }
        return -1;
    }

    fs::path dir_;
    std::vector<pid_t> running_;
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
