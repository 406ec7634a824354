// The endpoint against peers that are not well-behaved starts: ones that
// stall, flood it or come in greater numbers than it holds at once.
#include "support/SpinUntil.h"

#include "app/InstanceEndpoint.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class InstanceEndpointTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("rt604-endpoint-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = InstanceEndpointPath(dir_.string(), ::getpid());
    }
    void TearDown() override
    {
        for (int fd : peers_)
            ::close(fd);
        fs::remove_all(dir_);
    }

    // A peer of the test's own, connected and left as the case wants it.
    int Connect(std::initializer_list<uint8_t> bytes = {})
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        const std::vector<uint8_t> v(bytes);
        EXPECT_EQ(::send(fd, v.data(), v.size(), MSG_NOSIGNAL), static_cast<ssize_t>(v.size()));
        peers_.push_back(fd);
        return fd;
    }

    // Whether the endpoint has hung up on the peer, without waiting.
    static bool HungUp(int fd)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) != 1)
            return false;
        char byte = 0;
        return ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
    }

    // Sends as a start does, from another thread, while this one runs the
    // endpoint's event loop.
    std::pair<SendResult, int32_t> Send(InstanceMessage message, int timeoutMs)
    {
        std::atomic<bool> done{false};
        std::pair<SendResult, int32_t> result{SendResult::NoInstance, -1};
        std::thread start([&] {
            result.first = SendToEndpoint(path_, message, timeoutMs, &result.second);
            done = true;
        });
        EXPECT_TRUE(SpinUntil([&] { return done.load(); }, timeoutMs + 5000));
        start.join();
        return result;
    }

    static size_t OpenDescriptors()
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
    }

    fs::path dir_;
    std::string path_;
    std::vector<int> peers_;
};

} // namespace

// Peers that connect and then stall, with nothing or half a message, hold
// one place each, and only for a while: a start behind them still gets
// through, and they are hung up on.
TEST_F(InstanceEndpointTest, PeersThatStallAreDroppedAndAStartBehindThemGetsThrough)
{
    InstanceEndpoint endpoint({.connections = 3, .readTimeout = 300ms});
    std::vector<std::pair<uint32_t, uint32_t>> received;
    std::vector<int> stalled;
    bool allStalledHeld = true;
    ASSERT_TRUE(endpoint.Listen(path_, [&](uint32_t message, uint32_t param) {
        received.emplace_back(message, param);
        for (int fd : stalled)
            allStalledHeld = allStalledHeld && !HungUp(fd);
        return 1;
    }));
    // Half a message from a peer that then goes away frees its place at once.
    ::close(Connect({0x50, 0x53, 0x00}));
    peers_.pop_back();
    stalled = {Connect(), Connect({0x50, 0x53, 0x00}), Connect({0x50})};

    const auto result = Send({MsgOpen, TagOpen}, 5000);
    EXPECT_EQ(result, std::make_pair(SendResult::Delivered, 1));
    EXPECT_EQ(received, (std::vector<std::pair<uint32_t, uint32_t>>{{MsgOpen, TagOpen}}));
    // The stalled peers filled every place: the start had to wait until
    // one of them was dropped.
    EXPECT_FALSE(allStalledHeld) << "more connections held than the limit";
    for (int fd : stalled)
        EXPECT_TRUE(SpinUntil([&] { return HungUp(fd); }, 2000));
}

// Before the window exists, messages wait; more starts than the endpoint
// holds at once wait in the listen backlog, and none of their messages is
// lost or reordered, even from starts that stopped waiting.
TEST_F(InstanceEndpointTest, StartsBeyondTheLimitWaitAndNoneIsLost)
{
    const size_t before = OpenDescriptors();
    InstanceEndpoint endpoint({.connections = 2, .readTimeout = 60s});
    ASSERT_TRUE(endpoint.Listen(path_));
    for (uint32_t tag = 1; tag <= 4; ++tag)
        EXPECT_EQ(Send({MsgOpen, tag}, 150).first, SendResult::NoAnswer);
    SpinUntil([] { return false; }, 100);
    EXPECT_LE(OpenDescriptors(), before + 1 + 2) << "the listener and the connections the limit allows";

    std::vector<std::pair<uint32_t, uint32_t>> received;
    endpoint.SetHandler([&](uint32_t message, uint32_t param) {
        received.emplace_back(message, param);
        return 1;
    });
    const std::vector<std::pair<uint32_t, uint32_t>> all{{MsgOpen, 1}, {MsgOpen, 2}, {MsgOpen, 3}, {MsgOpen, 4}};
    EXPECT_TRUE(SpinUntil([&] { return received.size() == all.size(); }));
    EXPECT_EQ(received, all);
    EXPECT_EQ(Send({MsgOpen, 5}, 5000), std::make_pair(SendResult::Delivered, 1));
    EXPECT_TRUE(SpinUntil([&] { return OpenDescriptors() == before + 1; }, 2000)) << "answered connections closed";
}

// A peer that sends a message and then keeps writing must not make the
// program keep what it writes: it is left to fill the kernel's buffer, and
// its message is handled once and answered.
TEST_F(InstanceEndpointTest, APeerThatFloodsIsNotReadIntoMemory)
{
    InstanceEndpoint endpoint;
    ASSERT_TRUE(endpoint.Listen(path_));
    const int peer = Connect({0x50, 0x53, 0x00, 0x00, 0x4E, 0x45, 0x50, 0x4F});
    constexpr size_t Flood = 64u << 20;
    std::atomic<bool> blocked{false};
    std::atomic<size_t> written{0};
    std::array<uint8_t, 4> answer{};
    std::atomic<ssize_t> answerBytes{-1};
    std::thread flood([&] {
        const std::vector<uint8_t> chunk(64 * 1024, 0x5A);
        while (written < Flood) {
            const ssize_t n = ::send(peer, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                written += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN)
                break;
            pollfd p{peer, POLLOUT, 0};
            if (::poll(&p, 1, 500) == 0) {
                blocked = true;
                break;
            }
        }
        pollfd p{peer, POLLIN, 0};
        if (::poll(&p, 1, 10000) == 1)
            answerBytes = ::recv(peer, answer.data(), answer.size(), MSG_WAITALL);
    });
    EXPECT_TRUE(SpinUntil([&] { return blocked || written >= Flood; }, 30000));
    EXPECT_TRUE(blocked) << written << " bytes taken";

    std::vector<std::pair<uint32_t, uint32_t>> received;
    endpoint.SetHandler([&](uint32_t message, uint32_t param) {
        received.emplace_back(message, param);
        return 0x01020304;
    });
    EXPECT_TRUE(SpinUntil([&] { return answerBytes != -1; }, 15000));
    flood.join();
    EXPECT_EQ(answerBytes, 4);
    EXPECT_EQ(answer, (std::array<uint8_t, 4>{0x04, 0x03, 0x02, 0x01}));
    EXPECT_EQ(received, (std::vector<std::pair<uint32_t, uint32_t>>{{MsgOpen, TagOpen}}));
}
