// The hidraw change watch without a keyboard: a pipe stands in for the node
// (a pipe hangs up when its writer goes, as a node does when its device
// leaves), and the udev half is left out by naming a control file that is
// not there, as on a machine without udev.
#include "device/hid/HidrawWatch.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class PipeHandle final : public HidHandle {
public:
    PipeHandle()
    {
        if (pipe2(fds_, O_CLOEXEC) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~PipeHandle() override
    {
        for (int fd : fds_) {
            if (fd >= 0)
                close(fd);
        }
    }
    int ReadEnd() const { return fds_[0]; }
    void Hangup()
    {
        close(fds_[1]);
        fds_[1] = -1;
    }
    void Feed() { ASSERT_EQ(write(fds_[1], "x", 1), 1); }

    HidInterfaceInfo Info() const override { return {}; }
    std::vector<uint8_t> ReportDescriptor() const override { return {}; }
    int CollectionIndex() const override { return 0; }
    std::string NodeIdentity() const override { return {}; }
    HidIo Read(std::span<uint8_t>, size_t&, int) override { return HidIo::Failed; }
    HidIo Write(std::span<const uint8_t>, size_t&, int) override { return HidIo::Failed; }
    void Abort() override {}

private:
    int fds_[2] = {-1, -1};
};

int PipeFdOf(const HidHandle& handle)
{
    const auto* pipe = dynamic_cast<const PipeHandle*>(&handle);
    return pipe ? pipe->ReadEnd() : -1;
}

std::unique_ptr<HidChangeWatch> WatchWithoutUdev()
{
    return MakeHidrawWatch(PipeFdOf, "/nonexistent/rt604-udev-control");
}

TEST(HidrawWatchTest, WithoutUdevOnlyTheWatchedNodeAndWakesEndAWait)
{
    std::unique_ptr<HidChangeWatch> watch = WatchWithoutUdev();
    ASSERT_TRUE(watch);
    EXPECT_FALSE(watch->SeesArrivals());

    PipeHandle node;
    ASSERT_GE(node.ReadEnd(), 0);
    EXPECT_EQ(watch->Wait(0ms, nullptr), HidChange::None);
    // Reports waiting on the node are the channel's business, not a change.
    node.Feed();
    EXPECT_EQ(watch->Wait(20ms, &node), HidChange::None);

    // A wake before the wait is kept for it, and taken by it.
    watch->Wake();
    watch->Wake();
    EXPECT_EQ(watch->Wait(1h, &node), HidChange::Maybe);
    EXPECT_EQ(watch->Wait(0ms, &node), HidChange::None);

    // A handle the backend does not know is not watched.
    class Other final : public HidHandle {
        HidInterfaceInfo Info() const override { return {}; }
        std::vector<uint8_t> ReportDescriptor() const override { return {}; }
        int CollectionIndex() const override { return 0; }
        std::string NodeIdentity() const override { return {}; }
        HidIo Read(std::span<uint8_t>, size_t&, int) override { return HidIo::Failed; }
        HidIo Write(std::span<const uint8_t>, size_t&, int) override { return HidIo::Failed; }
        void Abort() override {}
    } other;
    EXPECT_TRUE(watch->CanWatch(node));
    EXPECT_FALSE(watch->CanWatch(other));
    EXPECT_EQ(watch->Wait(0ms, &other), HidChange::None);

    // The node hangs up: every wait on it says so, until it is let go.
    node.Hangup();
    EXPECT_EQ(watch->Wait(1h, &node), HidChange::HandleGone);
    EXPECT_EQ(watch->Wait(1h, &node), HidChange::HandleGone);
    EXPECT_EQ(watch->Wait(0ms, nullptr), HidChange::None);
}

TEST(HidrawWatchTest, AWakeFromAnotherThreadEndsAWaitUnderWay)
{
    std::unique_ptr<HidChangeWatch> watch = WatchWithoutUdev();
    ASSERT_TRUE(watch);
    PipeHandle node;
    std::thread waker([&] {
        std::this_thread::sleep_for(20ms);
        watch->Wake();
    });
    EXPECT_EQ(watch->Wait(1h, &node), HidChange::Maybe);
    waker.join();
}

} // namespace
