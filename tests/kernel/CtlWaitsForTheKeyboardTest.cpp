// Another program holding the keyboard (here the test itself, with flock on
// its own open of the hidraw node, as rt604 and rt604ctl do): rt604ctl says
// whom it waits for, starts once the holder lets go, and gives up after its
// --wait with exit status 7.
#include "KernelTestSupport.h"

#include "device/virtual/VirtualKeyboardMemory.h"
#include "platform/LockHolder.h"

#include <sys/file.h>
#include <thread>

namespace kernel {
namespace {

TEST(CtlWaitsForTheKeyboard, SaysWhoHoldsItWaitsForItAndGivesUpAfterTheBound)
{
    RT604_REQUIRE_UHID();
    const fs::path dir = TestFolder("ctl-wait");
    const std::string state = (dir / "kb.state").string();
    ASSERT_TRUE(WriteFileAtomically(state, EncodeKeyboardState(FactoryMemories(0x5000, 64))));
    UhidKeyboardProcess keyboard({"--state=" + state});
    ASSERT_EQ(keyboard.Nodes().size(), 2u) << keyboard.ReadyLine();

    const int node = ::open(keyboard.Nodes()[1].c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(node, 0);
    ASSERT_EQ(::flock(node, LOCK_EX | LOCK_NB), 0);
    const std::string holder = ProcessName(::getpid()) + " (pid " + std::to_string(::getpid()) + ")";

    const auto start = std::chrono::steady_clock::now();
    const ProgramRun gaveUp = RunProgram(BinaryPath("rt604ctl"), {"--wait", "0.5", "profile", "3"}, dir);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(gaveUp.status, 7) << gaveUp.err;
    EXPECT_NE(gaveUp.err.find("rt604ctl: the keyboard is busy with " + holder + "; waiting"), std::string::npos)
        << gaveUp.err;
    EXPECT_NE(gaveUp.err.find("still busy with " + holder), std::string::npos) << gaveUp.err;
    EXPECT_GE(waited, 500ms);
    EXPECT_LT(waited, 10s);

    // Let go while it waits: it goes on and switches.
    std::thread release([node] {
        std::this_thread::sleep_for(700ms);
        ::flock(node, LOCK_UN);
    });
    const ProgramRun waitedFor = RunProgram(BinaryPath("rt604ctl"), {"--wait", "20", "profile", "3"}, dir);
    release.join();
    EXPECT_EQ(waitedFor.status, 0) << waitedFor.err;
    EXPECT_NE(waitedFor.err.find("busy with " + holder + "; waiting"), std::string::npos) << waitedFor.err;
    EXPECT_EQ(waitedFor.out, "Active profile: 3\n");
    ::close(node);

    ASSERT_EQ(keyboard.Quit(), 0);
    EXPECT_EQ(StateMemories(state).ActiveProfile(), 2);
    fs::remove_all(dir);
}

} // namespace
} // namespace kernel
