// A start that finds the lock taken: whom it waits for, how long, and what
// it becomes. The other instance is a child of this test (the same program
// file, so "one of ours") that takes the lock and listens when told to.
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr InstanceMessage Open{0x5350, 0x4F50454E};

std::string ThisProgramName()
{
    char target[4096];
    const ssize_t n = ::readlink("/proc/self/exe", target, sizeof target - 1);
    const std::string self(target, static_cast<size_t>(n > 0 ? n : 0));
    return self.substr(self.find_last_of('/') + 1);
}

// Listens as an instance does and answers one message with 1.
void ServeOnce(const std::string& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0)
        ::_exit(3);
    const int peer = ::accept(fd, nullptr, nullptr);
    uint8_t message[8];
    size_t got = 0;
    while (got < sizeof message) {
        const ssize_t n = ::read(peer, message + got, sizeof message - got);
        if (n <= 0)
            ::_exit(4);
        got += static_cast<size_t>(n);
    }
    const uint8_t answer[4] = {1, 0, 0, 0};
    if (::write(peer, answer, sizeof answer) != static_cast<ssize_t>(sizeof answer))
        ::_exit(5);
}

class InstanceHandOverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("rt604-handover-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        folder_ = dir_.string();
    }

    void TearDown() override
    {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    // A child that takes the lock, then after listenAfter (negative: never)
    // listens and answers one message, then (lingerAfter later) ends.
    // Returns once the child holds the lock.
    void StartHolder(std::chrono::milliseconds listenAfter, std::chrono::milliseconds lingerAfter = 10s)
    {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        child_ = ::fork();
        if (child_ == 0) {
            InstanceLock lock;
            if (!lock.TryAcquire(folder_))
                ::_exit(2);
            [[maybe_unused]] ssize_t w = ::write(ready[1], "x", 1);
            if (listenAfter.count() >= 0) {
                ::usleep(static_cast<useconds_t>(listenAfter.count() * 1000));
                ServeOnce(InstanceEndpointPath(folder_, ::getpid()));
            }
            ::usleep(static_cast<useconds_t>(lingerAfter.count() * 1000));
            ::_exit(0);
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
    }

    fs::path dir_;
    std::string folder_;
    pid_t child_ = -1;
};

} // namespace

TEST_F(InstanceHandOverTest, TheHolderWritesItsPidAndTheLockIsHeldOnce)
{
    InstanceLock lock;
    EXPECT_EQ(InstanceLockHolder(folder_), 0); // no file yet
    ASSERT_TRUE(lock.TryAcquire(folder_));
    EXPECT_EQ(InstanceLockHolder(folder_), ::getpid());
    InstanceLock other;
    EXPECT_FALSE(other.TryAcquire(folder_));
    lock.Release();

    // What the file may hold besides a pid: nothing that names a process.
    for (const char* text : {"", "stale", "12ab\n", "-5\n", "0\n", "99999999999999999999\n"}) {
        std::ofstream(dir_ / "QM40T17B.lock", std::ios::trunc) << text;
        EXPECT_EQ(InstanceLockHolder(folder_), 0) << text;
    }
    EXPECT_TRUE(IsProgramProcess(::getpid(), ThisProgramName()));
    EXPECT_FALSE(IsProgramProcess(::getpid(), ThisProgramName() + "-copy"));
    EXPECT_FALSE(IsProgramProcess(0, ThisProgramName()));
}

// The race itself: the lock is taken, but its holder (an instance still
// starting up) listens only later. The second start waits for it and hands
// the message over instead of running beside it.
TEST_F(InstanceHandOverTest, ALockHeldByAnInstanceStillStartingIsWaitedFor)
{
    StartHolder(300ms);
    InstanceLock lock;
    int32_t answer = 0;
    const auto start = Clock::now();
    EXPECT_EQ(TakeLockOrHandOver(lock, folder_, ThisProgramName(), Open, {}, &answer), StartRole::HandedOver);
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(answer, 1);
    EXPECT_FALSE(lock.Held());
}

// The holder ends before it ever listens: its lock goes with it, and the
// waiting start becomes the instance.
TEST_F(InstanceHandOverTest, AHolderThatEndsLeavesTheLockToTheWaitingStart)
{
    StartHolder(-1ms, 200ms);
    InstanceLock lock;
    const auto start = Clock::now();
    EXPECT_EQ(TakeLockOrHandOver(lock, folder_, ThisProgramName(), Open), StartRole::Instance);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_TRUE(lock.Held());
    EXPECT_EQ(InstanceLockHolder(folder_), ::getpid());
}

// An instance of ours that holds the lock but never listens: the start
// gives up after its wait and does not run beside it.
TEST_F(InstanceHandOverTest, AnInstanceThatNeverListensIsNotJoined)
{
    StartHolder(-1ms);
    InstanceLock lock;
    HandOverTimings timings;
    timings.waitForInstanceMs = 300;
    const auto start = Clock::now();
    EXPECT_EQ(TakeLockOrHandOver(lock, folder_, ThisProgramName(), Open, timings), StartRole::NotAnswering);
    EXPECT_GE(Clock::now() - start, 300ms);
    EXPECT_FALSE(lock.Held());
}

// The lock taken by something that is not this program (here: a holder
// under another program name, then a lock without a pid in it): after a
// short look, the start runs without the lock.
TEST_F(InstanceHandOverTest, ALockThatIsNotOursIsLeftAlone)
{
    StartHolder(-1ms);
    InstanceLock lock;
    HandOverTimings timings;
    timings.unknownHolderMs = 200;
    EXPECT_EQ(TakeLockOrHandOver(lock, folder_, ThisProgramName() + "-copy", Open, timings), StartRole::Unlocked);
    ::kill(child_, SIGKILL);
    ::waitpid(child_, nullptr, 0);
    child_ = -1;

    const int fd = ::open((dir_ / "QM40T17B.lock").c_str(), O_RDWR | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const auto start = Clock::now();
    EXPECT_EQ(TakeLockOrHandOver(lock, folder_, ThisProgramName(), Open, timings), StartRole::Unlocked);
    EXPECT_GE(Clock::now() - start, 200ms);
    ::close(fd);
}

TEST_F(InstanceHandOverTest, NoRuntimeFolderMeansNoLockAndNoHandOver)
{
    InstanceLock lock;
    EXPECT_EQ(TakeLockOrHandOver(lock, "", ThisProgramName(), Open), StartRole::Unlocked);
    EXPECT_EQ(SendToEndpoint(folder_ + "/nothing", Open, 100), SendResult::NoInstance);
    EXPECT_EQ(SendToEndpoint(std::string(200, 'x'), Open, 100), SendResult::NoInstance);
}
