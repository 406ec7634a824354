// A start that cannot run tells the owner on the screen, not only on
// standard error, which an autostart or a menu entry never shows. On a real
// X server: the offscreen platform shows nobody anything.
#include "app/SingleInstance.h"
#include "support/TestDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string ProgramPath = std::string(RT604_DATA_DIR) + "/rt604";

class StartProblemDesktopProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(ProgramPath)) << "build the rt604 target first";
        std::string why;
        if (!desktop_.Start(why))
            GTEST_SKIP() << "no X server for this test: " << why;
        ASSERT_FALSE(TestDesktop::Which("xdotool").empty()) << "xdotool is needed (tools/install-deps.sh)";
        // Short: the instance's socket path must fit in its runtime folder.
        dir_ = fs::temp_directory_path() / ("rt604-sp-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    }
    void TearDown() override { fs::remove_all(dir_); }

    pid_t Spawn(const std::string& name, std::vector<std::string> args)
    {
        args.insert(args.begin(), ProgramPath);
        args.push_back("--virtual-keyboard=" + (dir_ / "vk.state").string());
        return desktop_.Spawn(args, (dir_ / (name + ".out")).string(),
                              {"XDG_RUNTIME_DIR=" + (dir_ / "run").string(),
                               "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
                               "XDG_DATA_HOME=" + (dir_ / "data").string(), "LANG=C", "LC_ALL=", "LC_MESSAGES="});
    }

    template <typename Done>
    static bool Within(std::chrono::milliseconds limit, Done done)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return done();
    }

    TestDesktop desktop_;
    fs::path dir_;
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
