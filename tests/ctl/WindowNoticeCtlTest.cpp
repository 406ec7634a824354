// rt604ctl tells a running window what it changed, and never waits long for
// it: no window, or one that does not answer, leaves the command as it was.
#include "support/CtlProcess.h"
#include "support/ScopedEnv.h"

#include "platform/InstanceSocket.h"
#include "platform/SingleInstance.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

TEST_F(CtlKeyboardFixture, AWindowThatDoesNotAnswerCostsAtMostASecondAndOneLine)
{
    // Nothing runs: not a word.
    CtlRun run = Ctl("profile 2");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    // A window holds the instance lock and listens, but never takes the
    // message (hung): the connection waits in the kernel's backlog.
    ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "run").c_str());
    const std::string folder = InstanceRuntimeFolder();
    ASSERT_FALSE(folder.empty());
    InstanceLock lock;
    ASSERT_TRUE(lock.TryAcquire(folder));
    EndpointListener hung;
    ASSERT_TRUE(hung.Listen(InstanceEndpointPath(folder, ::getpid())));

    const struct {
        const char* what;
        const char* arguments;
    } cases[] = {{"profile", "profile 3"}, {"lighting", "lighting 1 brightness=2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Clock::time_point start = Clock::now();
        run = Ctl(c.arguments);
        const auto took = Clock::now() - start;
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "rt604ctl: the running window did not answer; it may show what the keyboard held before\n");
        EXPECT_LT(took, std::chrono::seconds(4));
    }
    // A command that changes nothing says nothing either.
    run = Ctl("profile");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

} // namespace
