#pragma once

// The built program started on a real X server (a TestDesktop of the test's
// own), in runtime, settings and data folders of the test's own, on a
// virtual keyboard there; for what only a desktop shows: the tray, a message
// box at start.
#include "support/TestDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

class DesktopProcessTest : public ::testing::Test {
protected:
    // tag names the test's folder; needs are programs the test cannot do
    // without besides the X server.
    DesktopProcessTest(std::string tag, std::vector<std::string> needs) : tag_(std::move(tag)), needs_(std::move(needs))
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << "build the rt604 target first";
        std::string why;
        if (!desktop_.Start(why))
            GTEST_SKIP() << "no X server for this test: " << why;
        for (const std::string& tool : needs_)
            ASSERT_FALSE(TestDesktop::Which(tool).empty()) << tool << " is needed (tools/install-deps.sh)";
        // Short: the instance's socket path must fit in its runtime folder.
        dir_ = std::filesystem::temp_directory_path() / ("rt604-" + tag_ + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        for (const char* sub : {"run", "config", "data"})
            std::filesystem::create_directories(dir_ / sub);
        std::filesystem::permissions(dir_ / "run", std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    }

    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string ProgramPath() { return std::string(RT604_DATA_DIR) + "/rt604"; }

    // The program with args on the virtual keyboard dir_/vk.state, its
    // output to dir_/<name>.out.
    pid_t SpawnProgram(const std::string& name, std::vector<std::string> args,
                       const std::vector<std::string>& extraEnv = {})
    {
        args.insert(args.begin(), ProgramPath());
        args.push_back("--virtual-keyboard=" + (dir_ / "vk.state").string());
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + (dir_ / "run").string(),
                                        "XDG_CONFIG_HOME=" + (dir_ / "config").string(),
                                        "XDG_DATA_HOME=" + (dir_ / "data").string()};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return desktop_.Spawn(args, (dir_ / (name + ".out")).string(), env);
    }

    // Waits until done() holds or the time is up; done()'s last answer.
    template <typename Done>
    static bool Within(std::chrono::milliseconds limit, Done done)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return done();
    }

    TestDesktop desktop_;
    std::filesystem::path dir_;

private:
    std::string tag_;
    std::vector<std::string> needs_;
};
