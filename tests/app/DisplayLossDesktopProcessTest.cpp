// The X server going away under the running program (a session that ends, a
// display server that crashes): the program stops its device threads before
// it ends, says why in one line, and leaves its files and the keyboard's
// whole. Only a real X server can go away.
#include "DesktopProcessFixture.h"

#include "device/virtual/VirtualKeyboard.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

struct LossCase {
    const char* name;
    std::vector<std::string> args;
    const char* settledEvent; // in the event log once the program has settled
};

// ctest lists each case by this name.
void PrintTo(const LossCase& lossCase, std::ostream* out)
{
    *out << lossCase.name;
}

class DisplayLossDesktopProcessTest : public DesktopProcessTest, public ::testing::WithParamInterface<LossCase> {
protected:
    DisplayLossDesktopProcessTest() : DesktopProcessTest("xloss", {}) {}

    std::string Read(const fs::path& file) const
    {
        std::ifstream in(file);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string Log() const { return Read(dir_ / "events.log"); }
    bool Logged(const std::string& line) const { return ("\n" + Log()).find("\n" + line + "\n") != std::string::npos; }
};

TEST_P(DisplayLossDesktopProcessTest, EndsWithOneLineAfterStoppingItsDeviceThreads)
{
    const pid_t program = SpawnProgram("rt604", GetParam().args,
                                       {"RT604_EVENT_LOG=" + (dir_ / "events.log").string(), "LANG=C"});
    ASSERT_TRUE(Within(20s, [&] { return Logged("tray-icon 141") && Logged(GetParam().settledEvent); })) << Log();
    const fs::path settings = dir_ / "config" / "orvan-rt604" / "user.ini";
    ASSERT_TRUE(fs::exists(settings)) << "the program wrote no settings at start";

    desktop_.StopServer();
    int status = 0;
    ASSERT_TRUE(Within(20s, [&] { return ::waitpid(program, &status, WNOHANG) == program; }))
        << "still running without its X server";

    const std::string output = Read(dir_ / "rt604.out");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0)
        << (WIFSIGNALED(status) ? "ended by signal " + std::to_string(WTERMSIG(status)) : "exit code 0") << ":\n"
        << output;
    EXPECT_EQ(output, "rt604: the connection to the display was lost; exiting\n");
    EXPECT_EQ(output.find("terminate called"), std::string::npos);
    const std::string log = Log();
    const size_t lost = log.find("display-lost\n");
    ASSERT_NE(lost, std::string::npos) << log;
    EXPECT_NE(log.find("device-threads-stopped\n", lost), std::string::npos) << log;

    VirtualKeyboard keyboard;
    EXPECT_TRUE(keyboard.LoadState((dir_ / "vk.state").string())) << "the keyboard's state file is not whole";
    const std::string written = Read(settings);
    EXPECT_NE(written.find("[Software\\Orvan RT-604]"), std::string::npos) << written;
    EXPECT_NE(written.find("dwLanguageId=dword:"), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Programs, DisplayLossDesktopProcessTest,
    ::testing::Values(LossCase{"WindowOpen", {}, "window-shown"},
                      LossCase{"InTheNotificationArea", {"/Start"}, "window-hidden"}),
    [](const ::testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

} // namespace
