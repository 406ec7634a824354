// The window and rt604ctl on one keyboard plugged in through /dev/uhid, as an
// owner runs them: the window (offscreen) sits in the tray while rt604ctl
// switches the profile and imports a file, both through hidraw, and the
// window then shows what the keyboard holds.
#include "KernelTestSupport.h"

#include "support/FirstKeyOffKeyboard.h"
#include "support/ProgramProcess.h"

#include "device/virtual/VirtualKeyboardStateFile.h"

#include <memory>

namespace kernel {
namespace {

class WindowFollowsThroughKernelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RT604_REQUIRE_UHID();
#ifndef RT604_WINDOW_BUILT
        GTEST_SKIP() << "the window is not built (RT604_BUILD_GUI=OFF)";
#endif
        dir_ = TestFolder("window");
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        runs_ = std::make_unique<ProgramRuns>(dir_, 60s);
    }
    void TearDown() override
    {
        runs_.reset();
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    pid_t Start(const std::string& name, const char* program, std::vector<std::string> args)
    {
        return runs_->Start(name, BinaryPath(program), std::move(args));
    }
    // The emulated machine is slow: the waits are generous.
    int WaitExit(pid_t pid) { return runs_->WaitExit(pid); }
    // False when the line did not come in time or the window ended first.
    bool WaitForLine(const std::string& name, const std::string& line)
    {
        return runs_->WaitForLine(name, line, window_);
    }
    static std::string Read(const fs::path& path) { return ProgramRuns::Read(path); }
    // Where two documents part, rather than pages of their bytes.
    static std::string Difference(const std::string& a, const std::string& b)
    {
        size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at])
            ++at;
        return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at byte "
            + std::to_string(at);
    }
    // rt604ctl through the kernel, beside the window: its exit code and output.
    int Tool(const std::string& name, std::vector<std::string> args, std::string& out)
    {
        const int code = WaitExit(Start(name, "rt604ctl", std::move(args)));
        out = runs_->Output(name);
        return code;
    }

    fs::path dir_;
    std::unique_ptr<ProgramRuns> runs_;
    pid_t window_ = -1;
};

TEST_F(WindowFollowsThroughKernelTest, TheWindowFollowsRt604ctlThroughTheKernel)
{
    // A profile file unlike the factory keyboard: the first key of the first
    // profile switched off, exported from a virtual keyboard of its own.
    const std::string otherState = (dir_ / "other.state").string();
    ASSERT_EQ(MakeFirstKeyOffKeyboard(otherState), "");
    const std::string file = (dir_ / "first-key-off.vpf").string();
    std::string out;
    ASSERT_EQ(Tool("export-other", {"export", file, "--virtual-keyboard=" + otherState}, out), 0) << out;

    UhidKeyboardProcess keyboard({"--state=" + (dir_ / "kernel.state").string()});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();

    window_ = Start("window", "rt604", {"/Start"});
    ASSERT_TRUE(WaitForLine("window", "tray-icon 141")) << Read(dir_ / "window.out"); // connected
    const fs::path cache = dir_ / "data" / "Orvan RT-604" / "$Profile0";

    ASSERT_EQ(Tool("switch", {"profile", "2"}, out), 0) << out;
    EXPECT_EQ(out, "Active profile: 2\n");
    EXPECT_TRUE(WaitForLine("window", "keyboard-profile 2")) << Read(dir_ / "window.log") << Read(dir_ / "window.out");

    ASSERT_EQ(Tool("import", {"import", file}, out), 0) << out;
    EXPECT_TRUE(WaitForLine("window", "keys-reread")) << Read(dir_ / "window.log") << Read(dir_ / "window.out");
    // The window's document is what the keyboard now holds: its cache, taken
    // from the keyboard, equals what rt604ctl reads back through the kernel.
    const std::string held = (dir_ / "held.vpf").string();
    ASSERT_EQ(Tool("export", {"export", held}, out), 0) << out;
    const std::string shown = Read(cache);
    ASSERT_FALSE(Read(file).empty());
    EXPECT_TRUE(shown == Read(held)) << Difference(shown, Read(held));
    EXPECT_TRUE(shown == Read(file)) << Difference(shown, Read(file));
}

} // namespace
} // namespace kernel
