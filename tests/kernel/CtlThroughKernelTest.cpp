// rt604ctl through the kernel gives what it gives on the virtual keyboard:
// the same commands on two copies of one keyboard state, one plugged in
// through /dev/uhid and reached by hidapi, the other the --virtual-keyboard.
#include "KernelTestSupport.h"
#include "ProfileFiles.h"

#include "device/virtual/VirtualKeyboardMemory.h"

namespace kernel {
namespace {

struct Side {
    fs::path dir;
    std::string state;
    bool virtualKeyboard;
};

class CtlThroughKernelTest : public ::testing::TestWithParam<uint16_t> {
protected:
    void SetUp() override
    {
        RT604_REQUIRE_UHID();
        dir = TestFolder("ctl");
        kernelSide = {dir / "kernel", (dir / "kernel.state").string(), false};
        virtualSide = {dir / "virtual", (dir / "virtual.state").string(), true};
        fs::create_directories(kernelSide.dir);
        fs::create_directories(virtualSide.dir);
    }
    void TearDown() override
    {
        if (!dir.empty())
            fs::remove_all(dir);
    }

    ProgramRun Ctl(const Side& side, std::vector<std::string> args)
    {
        for (std::string& arg : args) {
            const size_t at = arg.find("{dir}");
            if (at != std::string::npos)
                arg.replace(at, 5, side.dir.string());
        }
        if (side.virtualKeyboard)
            args.push_back("--virtual-keyboard=" + side.state);
        ProgramRun run = RunProgram(BinaryPath("rt604ctl"), args, side.dir);
        // The side's own folder may appear in a message; it is the one difference allowed.
        for (std::string* text : {&run.out, &run.err}) {
            for (size_t at; (at = text->find(side.dir.string())) != std::string::npos;)
                text->replace(at, side.dir.string().size(), "{dir}");
        }
        return run;
    }

    fs::path dir;
    Side kernelSide;
    Side virtualSide;
};

TEST_P(CtlThroughKernelTest, EveryKeyboardCommandGivesTheSameAsOnTheVirtualKeyboard)
{
    // One keyboard with profiles, macros and another active profile, in two
    // copies.
    ASSERT_TRUE(WriteFileAtomically(kernelSide.state, EncodeKeyboardState(FactoryMemories(GetParam(), 64))));
    const std::vector<uint8_t> first = ProfileFileBytes({3, 6, 0});
    const std::vector<uint8_t> second = ProfileFileBytes({5, 3, 2});
    for (const Side& side : {kernelSide, virtualSide}) {
        ASSERT_TRUE(WriteFileAtomically((side.dir / "first.vpf").string(), first));
        ASSERT_TRUE(WriteFileAtomically((side.dir / "second.vpf").string(), second));
    }
    const Side setup{kernelSide.dir, kernelSide.state, true};
    ASSERT_EQ(Ctl(setup, {"import", "{dir}/first.vpf"}).status, 0);
    ASSERT_EQ(Ctl(setup, {"profile", "2"}).status, 0);
    fs::copy_file(kernelSide.state, virtualSide.state);

    UhidKeyboardProcess keyboard({"--state=" + kernelSide.state});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();

    const std::vector<std::vector<std::string>> commands = {
        {"info"},
        {"profile"},
        {"keymap", "1"},
        {"keymap", "2"},
        {"keymap", "3"},
        {"macros"},
        {"export", "{dir}/out.vpf"},
        {"profile", "3"},
        {"import", "{dir}/second.vpf"},
        {"keymap", "1"},
        {"macros"},
        {"export", "{dir}/again.vpf"},
        {"import", "{dir}/missing.vpf"},
        {"keymap", "4"},
    };
    for (const std::vector<std::string>& command : commands) {
        std::string text;
        for (const std::string& word : command)
            text += word + " ";
        SCOPED_TRACE(text);
        const ProgramRun throughKernel = Ctl(kernelSide, command);
        const ProgramRun onVirtual = Ctl(virtualSide, command);
        EXPECT_EQ(throughKernel.status, onVirtual.status) << throughKernel.err;
        EXPECT_EQ(throughKernel.out, onVirtual.out);
        EXPECT_EQ(throughKernel.err, onVirtual.err);
    }
    EXPECT_NE(FileBytes((kernelSide.dir / "out.vpf").string()).size(), 0u);
    for (const char* exported : {"out.vpf", "again.vpf"}) {
        SCOPED_TRACE(exported);
        EXPECT_EQ(FileBytes((kernelSide.dir / exported).string()), FileBytes((virtualSide.dir / exported).string()));
    }

    // What the two keyboards hold afterwards, byte for byte.
    ASSERT_EQ(keyboard.Quit(), 0);
    const KeyboardMemories throughKernel = StateMemories(kernelSide.state);
    EXPECT_EQ(throughKernel.ActiveProfile(), 2);
    EXPECT_EQ(throughKernel, StateMemories(virtualSide.state));
    EXPECT_EQ(FileBytes(kernelSide.state), FileBytes(virtualSide.state));
}

INSTANTIATE_TEST_SUITE_P(BothModels, CtlThroughKernelTest, ::testing::Values(uint16_t{0x5000}, uint16_t{0}),
                         [](const ::testing::TestParamInfo<uint16_t>& info) {
                             return info.param == 0 ? std::string("Keys126") : std::string("Keys128");
                         });

} // namespace
} // namespace kernel
