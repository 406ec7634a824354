#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/hid/HidapiBackend.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConversation.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock; // CLOCK_MONOTONIC: one clock for every process

// A handle whose lock is the hidraw handle's, on a real descriptor of its own
// (a file stands in for the node); it moves no reports.
class LockOnlyHandle final : public HidHandle {
public:
    explicit LockOnlyHandle(const std::string& node) : fd_(open(node.c_str(), O_RDWR | O_CLOEXEC)) {}
    ~LockOnlyHandle() override { close(fd_); }
    HidInterfaceInfo Info() const override
    {
        HidInterfaceInfo info;
        info.path = "node";
        info.vendorId = KeyboardVendorId;
        info.productId = 0x5000;
        info.usagePage = ConfigUsagePage;
        info.usage = ConfigUsage;
        return info;
    }
    // The keyboard's vendor collection: report 4, 64 bytes each way.
    std::vector<uint8_t> ReportDescriptor() const override
    {
        return {0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04, 0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
                0x75, 0x08, 0x95, 0x3F, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0};
    }
    int CollectionIndex() const override { return 0; }
    std::string NodeIdentity() const override { return "node"; }
    HidIo Read(std::span<uint8_t>, size_t& transferred, int) override
    {
        transferred = 0;
        return HidIo::TimedOut;
    }
    HidIo Write(std::span<const uint8_t>, size_t& transferred, int) override
    {
        transferred = 0;
        return HidIo::Failed;
    }
    void Abort() override {}
    HidLock TryLockExclusive() const override { return TryLockOpenFile(fd_); }
    void UnlockExclusive() const override { UnlockOpenFile(fd_); }
    LockHolder ExclusiveHolder() const override { return FlockHolderOf(fd_); }

private:
    int fd_;
};

class LockOnlyBackend final : public HidBackend {
public:
    explicit LockOnlyBackend(std::string node) : node_(std::move(node)) {}
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override
    {
        out.clear();
        return true;
    }
    std::unique_ptr<HidHandle> Open(const std::string&, const HidOpenMode&) override
    {
        return std::make_unique<LockOnlyHandle>(node_);
    }
    std::string NodeIdentity(const std::string&) override { return "node"; }

private:
    std::string node_;
};

// The channel open on its own descriptor of a temporary node file.
class OnNode {
public:
    OnNode()
        : node_("/tmp/rt604-bench-node-" + std::to_string(getpid()))
        , backend_((close(open(node_.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600)), node_))
    {
        SetHidBackend(&backend_);
    }
    ~OnNode()
    {
        g_configChannel.Close();
        SetHidBackend(nullptr);
        unlink(node_.c_str());
    }
    // In each process after a fork, as each program opens the node itself.
    static bool OpenChannel() { return g_configChannel.Open("node", true, true, true, false); }

private:
    std::string node_;
    LockOnlyBackend backend_;
};

// What the lock adds to every transfer: taking and letting go of an
// uncontended conversation, flock on a real descriptor included.
void BM_UncontendedConversation(benchmark::State& state)
{
    OnNode node;
    if (!OnNode::OpenChannel()) {
        state.SkipWithError("the channel does not open");
        return;
    }
    for (auto _ : state) {
        KeyboardConversation conversation;
        benchmark::DoNotOptimize(conversation.Held());
    }
}
BENCHMARK(BM_UncontendedConversation);

// From the moment another program lets the keyboard go to the moment the
// program waiting for it starts its transfer. Each iteration's time is that
// latency alone; the largest is reported too.
void BM_WaiterStartsAfterRelease(benchmark::State& state)
{
    OnNode node;
    int go[2];
    int back[2];
    if (pipe(go) != 0 || pipe(back) != 0) {
        state.SkipWithError("pipe");
        return;
    }
    const pid_t holder = fork();
    if (holder == 0) {
        // The other program: takes the keyboard when told, says so, keeps it
        // a little, lets go and says when.
        close(go[1]);
        close(back[0]);
        if (!OnNode::OpenChannel())
            _exit(1);
        char c = 0;
        while (read(go[0], &c, 1) == 1) {
            auto* conversation = new KeyboardConversation;
            if (write(back[1], &c, 1) != 1)
                _exit(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            const Clock::time_point released = Clock::now();
            delete conversation;
            if (write(back[1], &released, sizeof released) != sizeof released)
                _exit(1);
        }
        _exit(0);
    }
    close(go[0]);
    close(back[1]);
    if (!OnNode::OpenChannel())
        state.SkipWithError("the channel does not open");
    double worst = 0;
    for (auto _ : state) {
        char c = 'g';
        if (write(go[1], &c, 1) != 1 || read(back[0], &c, 1) != 1) {
            state.SkipWithError("holder gone");
            break;
        }
        Clock::time_point started;
        {
            KeyboardConversation conversation(std::chrono::seconds(5));
            started = Clock::now();
            if (!conversation.Held()) {
                state.SkipWithError("waited too long");
                break;
            }
        }
        Clock::time_point released;
        if (read(back[0], &released, sizeof released) != sizeof released) {
            state.SkipWithError("holder gone");
            break;
        }
        const double latency = std::chrono::duration<double>(started - released).count();
        worst = std::max(worst, latency);
        state.SetIterationTime(latency);
    }
    close(go[1]); // the holder's end of work
    waitpid(holder, nullptr, 0);
    close(back[0]);
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_WaiterStartsAfterRelease)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

} // namespace
