// rt604-uhid-keyboard as the tests drive it: its state file, its options and
// its answers to commands it cannot carry out.
#include "KernelTestSupport.h"

#include "device/virtual/VirtualKeyboardMemory.h"

namespace kernel {
namespace {

class UhidKeyboardToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RT604_REQUIRE_UHID();
        dir = TestFolder("tool");
    }
    void TearDown() override
    {
        if (!dir.empty())
            fs::remove_all(dir);
    }
    fs::path dir;
};

TEST_F(UhidKeyboardToolTest, ANewStateIsAFactoryKeyboardOfTheModelAsked)
{
    const std::string state = (dir / "new.state").string();
    UhidKeyboardProcess keyboard({"--state=" + state, "--product=0", "--macro-units=32", "--unplugged"});
    EXPECT_EQ(keyboard.ReadyLine(), "ready unplugged");
    EXPECT_EQ(keyboard.Command("nodes"), "ok unplugged");
    EXPECT_EQ(keyboard.Command("notice 0402"), "ok"); // nobody hears it with the cable out
    EXPECT_EQ(keyboard.Quit(), 0);
    EXPECT_EQ(StateMemories(state), FactoryMemories(0, 32));
}

TEST_F(UhidKeyboardToolTest, ADamagedStateIsRefusedAndKept)
{
    const std::string state = (dir / "damaged.state").string();
    std::vector<uint8_t> bytes = EncodeKeyboardState(FactoryMemories(0x5000, 64));
    bytes[100] ^= 0xFF;
    ASSERT_TRUE(WriteFileAtomically(state, bytes));
    UhidKeyboardProcess keyboard({"--state=" + state});
    EXPECT_EQ(keyboard.ReadyLine(), "");
    EXPECT_EQ(keyboard.Quit(), 1);
    EXPECT_EQ(FileBytes(state), bytes);
}

// The plugged keyboard and rt604ctl --virtual-keyboard on one state file are
// one keyboard: each side sees what the other wrote, at once.
TEST_F(UhidKeyboardToolTest, TheStateFileIsOneKeyboardWithTheVirtualKeyboardOfRt604ctl)
{
    const std::string state = (dir / "shared.state").string();
    UhidKeyboardProcess keyboard({"--state=" + state});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();
    const std::string ctl = BinaryPath("rt604ctl");
    const std::string onFile = "--virtual-keyboard=" + state;

    ASSERT_EQ(RunProgram(ctl, {onFile, "profile", "3"}, dir).status, 0);
    ProgramRun throughKernel = RunProgram(ctl, {"profile"}, dir);
    EXPECT_EQ(throughKernel.status, 0) << throughKernel.err;
    EXPECT_EQ(throughKernel.out, "Active profile: 3\n");

    throughKernel = RunProgram(ctl, {"profile", "2"}, dir);
    ASSERT_EQ(throughKernel.status, 0) << throughKernel.err;
    EXPECT_EQ(StateMemories(state).ActiveProfile(), 1); // saved before the answer, not at the end
    const ProgramRun fromFile = RunProgram(ctl, {"profile", onFile}, dir);
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, "Active profile: 2\n");
    EXPECT_EQ(keyboard.Command("save"), "ok");
    EXPECT_EQ(keyboard.Quit(), 0);
}

TEST_F(UhidKeyboardToolTest, WrongCommandsAndValuesAreAnsweredWithAnError)
{
    UhidKeyboardProcess keyboard({"--unplugged"});
    ASSERT_EQ(keyboard.ReadyLine(), "ready unplugged");
    for (const char* wrong : {"fly", "replug", "replug -1", "notice", "notice 12345", "drop-replies x",
                              "refuse-next 256", "latency-us 2000000", "save", "unplug now"}) {
        SCOPED_TRACE(wrong);
        EXPECT_EQ(keyboard.Command(wrong).rfind("error ", 0), 0u);
    }
    for (const char* right : {"drop-replies 2", "refuse-next 0xFE:3", "delay-next-reply 5", "latency-us 0"})
        EXPECT_EQ(keyboard.Command(right), "ok") << right;
    EXPECT_EQ(keyboard.Command("requests"), "ok 0");
    for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
             {"--product=0x1234"}, {"--macro-units=0"}, {"--state="}, {"--latency-us=x"}, {"--bogus"}}) {
        SCOPED_TRACE(options[0]);
        UhidKeyboardProcess refused(options);
        EXPECT_EQ(refused.ReadyLine(), "");
        EXPECT_EQ(refused.Quit(), 2);
    }
}

} // namespace
} // namespace kernel
