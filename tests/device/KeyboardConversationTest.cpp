#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/hid/HidapiBackend.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConversation.h"
#include "platform/LockHolder.h"
#include "state/ProcessState.h"

#include "HidTestDescriptors.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// The keyboard as each process sees it: its own open of the node (a plain
// file here, locked as a hidraw node is), every frame any process writes
// logged in one shared file, and each request answered at once to the
// process that sent it.
class SharedNodeHandle final : public HidHandle {
public:
    SharedNodeHandle(const std::string& node, const std::string& log)
        : fd_(open(node.c_str(), O_RDWR | O_CLOEXEC)), log_(open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC))
    {
    }
    ~SharedNodeHandle() override
    {
        close(fd_);
        close(log_);
    }
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
    std::vector<uint8_t> ReportDescriptor() const override { return VendorCollection; }
    int CollectionIndex() const override { return 0; }
    std::string NodeIdentity() const override { return "node"; }
    HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) override
    {
        transferred = 0;
        std::lock_guard lock(mutex_);
        if (replies_.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(timeoutMs, 0)));
            return HidIo::TimedOut;
        }
        transferred = std::min(buffer.size(), replies_.front().size());
        std::copy_n(replies_.front().begin(), transferred, buffer.begin());
        replies_.pop_front();
        return HidIo::Done;
    }
    HidIo Write(std::span<const uint8_t> report, size_t& transferred, int) override
    {
        const std::array<int32_t, 2> entry = {static_cast<int32_t>(getpid()), report.size() > 3 ? report[3] : 0};
        if (write(log_, entry.data(), sizeof entry) != static_cast<ssize_t>(sizeof entry))
            return HidIo::Failed;
        // Bus time: long enough for the other program to get a frame in.
        std::this_thread::sleep_for(300us);
        Frame request{};
        std::copy_n(report.begin(), std::min(report.size(), request.size()), request.begin());
        std::lock_guard lock(mutex_);
        replies_.push_back(BuildReply(request, StatusOk));
        transferred = report.size();
        return HidIo::Done;
    }
    void Abort() override {}
    HidLock TryLockExclusive() const override { return TryLockOpenFile(fd_); }
    void UnlockExclusive() const override { UnlockOpenFile(fd_); }
    LockHolder ExclusiveHolder() const override { return FlockHolderOf(fd_); }

private:
    int fd_;
    int log_;
    std::mutex mutex_;
    std::deque<Frame> replies_;
};

class SharedNodeBackend final : public HidBackend {
public:
    SharedNodeBackend(std::string node, std::string log) : node_(std::move(node)), log_(std::move(log)) {}
    bool Enumerate(std::vector<HidInterfaceInfo>& out) override
    {
        out = {SharedNodeHandle(node_, log_).Info()};
        return true;
    }
    std::unique_ptr<HidHandle> Open(const std::string&, const HidOpenMode&) override
    {
        return std::make_unique<SharedNodeHandle>(node_, log_);
    }
    std::string NodeIdentity(const std::string&) override { return "node"; }

private:
    std::string node_;
    std::string log_;
};

class KeyboardConversationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() / ("rt604-conversation-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        node_ = (dir_ / "hidraw").string();
        log_ = (dir_ / "frames").string();
        for (const std::string& file : {node_, log_})
            close(open(file.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600));
        backend_ = std::make_unique<SharedNodeBackend>(node_, log_);
        SetHidBackend(backend_.get());
        TransportTimings t;
        t.readTimeoutMs = 40;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
    }
    void TearDown() override
    {
        ResetProcessStateForTests();
        SetHidBackend(nullptr);
        std::filesystem::remove_all(dir_);
    }

    // Each process opens the node itself, as two programs do.
    static void Connect()
    {
        ASSERT_TRUE(g_configChannel.Open("node", true, true, true, false));
        g_deviceConnected = 1;
    }

    // A forked copy of this test that runs `work` on its own open of the
    // node and ends with its result as the exit status.
    static pid_t Fork(const std::function<int()>& work)
    {
        const pid_t pid = fork();
        if (pid == 0) {
            g_configChannel.Open("node", true, true, true, false);
            g_deviceConnected = 1;
            _exit(work());
        }
        return pid;
    }

    static int ExitStatus(pid_t pid)
    {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::array<int32_t, 2>> Log() const
    {
        std::vector<std::array<int32_t, 2>> entries;
        FILE* in = std::fopen(log_.c_str(), "rb");
        std::array<int32_t, 2> entry{};
        while (in && std::fread(entry.data(), sizeof entry, 1, in) == 1)
            entries.push_back(entry);
        if (in)
            std::fclose(in);
        return entries;
    }

    std::filesystem::path dir_;
    std::string node_;
    std::string log_;
    std::unique_ptr<SharedNodeBackend> backend_;
};

TEST_F(KeyboardConversationTest, TwoProgramsUpdateGroupsNeverInterleave)
{
    auto groups = [] {
        for (int round = 0; round < 20; ++round) {
            KeyboardConversation conversation;
            if (!conversation.Held())
                return 2;
            const std::array<uint8_t, 3> bytes = {1, 2, 3};
            if (BeginUpdate() != 1 || WriteParams(bytes, 0) != 1 || WriteParams(bytes, 3) != 1 ||
                WriteParams(bytes, 6) != 1 || EndUpdate() != 1)
                return 3;
        }
        return 0;
    };
    const pid_t a = Fork(groups);
    const pid_t b = Fork(groups);
    ASSERT_EQ(ExitStatus(a), 0);
    ASSERT_EQ(ExitStatus(b), 0);

    const auto log = Log();
    ASSERT_EQ(log.size(), 2u * 20 * 5);
    int32_t inGroup = 0; // the pid whose group is open
    for (size_t i = 0; i < log.size(); ++i) {
        const auto [pid, command] = log[i];
        SCOPED_TRACE("frame " + std::to_string(i));
        if (inGroup != 0)
            ASSERT_EQ(pid, inGroup) << "another program's frame inside a group";
        if (command == CmdBeginUpdate)
            inGroup = pid;
        else if (command == CmdEndUpdate)
            inGroup = 0;
    }
}

TEST_F(KeyboardConversationTest, AWaiterNamesTheHolderAndGoesOnWhenTheHolderIsKilled)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = Fork([&] {
        KeyboardConversation conversation;
        const char held = conversation.Held() ? 'y' : 'n';
        if (write(ready[1], &held, 1) != 1)
            return 1;
        pause(); // killed holding it
        return 0;
    });
    close(ready[1]);
    // Killed whatever the test finds, so that no holder outlives it.
    struct Reaper {
        pid_t pid;
        ~Reaper()
        {
            if (pid > 0 && kill(pid, SIGKILL) == 0)
                waitpid(pid, nullptr, 0);
        }
    } reaper{holder};
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    close(ready[0]);
    ASSERT_EQ(held, 'y');

    Connect();
    std::vector<LockHolder> told;
    SetConversationWaitNotice([&](const LockHolder& h) { told.push_back(h); });
    {
        KeyboardConversation waiter(100ms);
        EXPECT_FALSE(waiter.Held());
        EXPECT_EQ(waiter.Result(), KeyboardBusy);
        EXPECT_EQ(waiter.Holder().pid, holder);
        // A fork runs under the test program's name.
        EXPECT_EQ(waiter.Holder().name, ProcessName(getpid()));
        EXPECT_FALSE(waiter.Holder().name.empty());
    }
    ASSERT_EQ(told.size(), 1u) << "the waiting message is given once per wait";
    EXPECT_EQ(told[0].pid, holder);
    EXPECT_EQ(LastBusyHolder().pid, holder);
    // Every command gives the busy result and sends nothing.
    std::array<uint8_t, DeviceInfoBytes> info{};
    SetConversationWaitLimit(20ms);
    EXPECT_EQ(ReadDeviceInfo(info), KeyboardBusy);
    EXPECT_TRUE(Log().empty());

    kill(holder, SIGKILL);
    ExitStatus(holder);
    reaper.pid = 0;
    const auto start = std::chrono::steady_clock::now();
    KeyboardConversation after(5s);
    EXPECT_TRUE(after.Held());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(ReadDeviceInfo(info), 1);
}

TEST_F(KeyboardConversationTest, ConversationsNestWithinAThreadAndKeepOtherThreadsOut)
{
    Connect();
    KeyboardConversation outer(0ms);
    ASSERT_TRUE(outer.Held());
    {
        KeyboardConversation inner(0ms);
        EXPECT_TRUE(inner.Held());
        std::array<uint8_t, DeviceInfoBytes> info{};
        EXPECT_EQ(ReadDeviceInfo(info), 1);
    }
    EXPECT_TRUE(InConversation()) << "the inner one let go of the outer one's hold";

    // Another thread of this program waits its bound, then gives up naming
    // this program; a busy notice is given on its thread.
    std::atomic<int> busyTold{0};
    SetConversationBusyNotice([&](const LockHolder& h) {
        if (h.pid == getpid())
            ++busyTold;
    });
    int32_t other = 0;
    LockHolder holder;
    std::thread([&] {
        KeyboardConversation c(50ms);
        other = c.Result();
        holder = c.Holder();
    }).join();
    EXPECT_EQ(other, KeyboardBusy);
    EXPECT_EQ(holder.pid, getpid());
    EXPECT_EQ(busyTold.load(), 1);
}

TEST_F(KeyboardConversationTest, AThreadWaitingForTheKeyboardStartsAsSoonAsItIsLetGo)
{
    Connect();
    std::atomic<bool> started{false};
    std::chrono::steady_clock::time_point released;
    std::chrono::steady_clock::time_point began;
    auto outer = std::make_unique<KeyboardConversation>(0ms);
    std::thread waiter([&] {
        started = true;
        KeyboardConversation c(5s);
        began = std::chrono::steady_clock::now();
        EXPECT_TRUE(c.Held());
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(20ms);
    released = std::chrono::steady_clock::now();
    outer.reset();
    waiter.join();
    EXPECT_LT(began - released, 10ms);
}

TEST(FlockHolderInLocks, FindsTheHolderOfThatFileOnly)
{
    const char* locks = "1: POSIX  ADVISORY  WRITE 700 00:05:321 0 EOF\n"
                        "2: FLOCK  ADVISORY  WRITE 801 00:1f:999 0 EOF\n"
                        "3: FLOCK  ADVISORY  WRITE 802 00:05:321 0 EOF\n"
                        "3: -> FLOCK  ADVISORY  WRITE 803 00:05:321 0 EOF\n";
    EXPECT_EQ(FlockHolderInLocks(locks, 0, 5, 321), 802);
    EXPECT_EQ(FlockHolderInLocks(locks, 0, 0x1f, 999), 801);
    EXPECT_EQ(FlockHolderInLocks(locks, 0, 5, 322), 0);
    // Only a waiter on the file: nobody holds it that we can name.
    EXPECT_EQ(FlockHolderInLocks("4: -> FLOCK  ADVISORY  WRITE 803 00:05:400 0 EOF\n", 0, 5, 400), 0);
    EXPECT_EQ(FlockHolderInLocks("", 0, 5, 321), 0);
}

} // namespace
