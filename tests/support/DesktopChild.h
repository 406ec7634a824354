#pragma once

// Qt tests that need a real X server: the test program's own application is
// an offscreen one and cannot talk to one, so a runner test starts a
// TestDesktop and runs the suite's tests (fixture OnTestDesktop<...>, suite
// named ...OnTestDesktop) in a child process of the program on it. The runner
// fails with the child's output when the child fails or runs fewer tests
// than the suite has. Run alone, those tests skip; ctest does not list them.
#include "support/TestDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

inline constexpr const char* DesktopChildVariable = "RT604_DESKTOP_CHILD";

// Runs xdotool on this process's display; true when it succeeded.
inline bool Xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

struct DesktopChildSetup {
    // Programs the tests cannot do without, besides the X server.
    std::vector<std::string> needs;
    // Started on the desktop before the tests, in this order (a window
    // manager, a clock); one that is not installed and not needed is left out.
    std::vector<std::vector<std::string>> programs;
    std::chrono::seconds limit{100};
};

// A fixture whose tests run only inside the runner's desktop: anywhere else
// the application is an offscreen one and has no X server to talk to.
template <typename Fixture>
class OnTestDesktop : public Fixture {
protected:
    void SetUp() override
    {
        if (!std::getenv(DesktopChildVariable))
            GTEST_SKIP() << "runs only inside the X server its runner test starts";
        setUp_ = true;
        Fixture::SetUp();
    }
    void TearDown() override
    {
        if (setUp_)
            Fixture::TearDown();
    }

private:
    bool setUp_ = false;
};

// The tests of suite that this program holds.
inline int TestsOf(const std::string& suite)
{
    int count = 0;
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& tests = *unit.GetTestSuite(s);
        if (tests.name() != suite)
            continue;
        count += tests.total_test_count();
    }
    return count;
}

// The whole body of a runner test: runs suite.* on a desktop of their own
// and judges the child's run.
inline void RunTestsOnDesktop(const std::string& suite, const DesktopChildSetup& setup)
{
    if (std::getenv(DesktopChildVariable))
        GTEST_SKIP() << "inside the child";
    TestDesktop desktop;
    std::string why;
    if (!desktop.Start(why))
        GTEST_SKIP() << "no X server for this test: " << why;
    for (const std::string& tool : setup.needs)
        ASSERT_FALSE(TestDesktop::Which(tool).empty()) << tool << " is needed (tools/install-deps.sh)";
    ASSERT_TRUE(suite.ends_with("OnTestDesktop")) << "ctest leaves out only suites so named: " << suite;
    const int expected = TestsOf(suite);
    ASSERT_GT(expected, 0) << "no tests in " << suite;

    const std::string output = (std::filesystem::temp_directory_path() /
                                ("rt604-" + suite + "-" + std::to_string(::getpid()) + ".log")).string();
    std::vector<std::string> outputs = {output};
    for (const std::vector<std::string>& program : setup.programs) {
        if (TestDesktop::Which(program.front()).empty())
            continue;
        outputs.push_back(output + "." + program.front());
        desktop.Spawn(program, outputs.back());
        // Let a window manager take over the screen before windows appear.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    const pid_t child = desktop.Spawn({"/proc/self/exe", "--gtest_filter=" + suite + ".*"},
                                      output, {std::string(DesktopChildVariable) + "=1"});
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + setup.limit;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::ifstream log(output);
    std::stringstream text;
    text << log.rdbuf();
    for (const std::string& file : outputs)
        std::filesystem::remove(file);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text.str();
    const std::string passed =
        "[  PASSED  ] " + std::to_string(expected) + (expected == 1 ? " test." : " tests.");
    EXPECT_NE(text.str().find(passed), std::string::npos) << text.str();
}
