// The listening socket of an instance's endpoint and what it reads and
// writes, without the window's event loop.
#include "platform/InstanceSocket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class InstanceSocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("rt604-socket-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ::chmod(dir_.c_str(), 0700);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

// A connected pair: [0] the endpoint's side, non-blocking as accepted ones
// are; [1] the peer's.
struct Pair {
    Pair()
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fd) == 0)
            ::fcntl(fd[0], F_SETFL, O_NONBLOCK);
    }
    ~Pair()
    {
        for (int f : fd)
            if (f >= 0)
                ::close(f);
    }
    void Send(std::initializer_list<uint8_t> bytes) const
    {
        const std::vector<uint8_t> v(bytes);
        ASSERT_EQ(::send(fd[1], v.data(), v.size(), 0), static_cast<ssize_t>(v.size()));
    }
    void ClosePeer()
    {
        ::close(fd[1]);
        fd[1] = -1;
    }
    int fd[2] = {-1, -1};
};

} // namespace

TEST_F(InstanceSocketTest, TheSocketAppearsPrivateAndWholeAndGoesWithClose)
{
    const std::string path = (dir_ / "QM40T17B-1").string();
    // Left by a crashed process that had this pid.
    std::ofstream(path) << "stale";
    EndpointListener listener;
    ASSERT_TRUE(listener.Listen(path)) << std::strerror(errno);
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Bound elsewhere and moved in: nothing of that is left beside it.
    EXPECT_EQ(Entries(), std::vector<std::string>{"QM40T17B-1"});

    const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const int accepted = listener.Accept();
    ASSERT_GE(accepted, 0);
    EXPECT_NE(::fcntl(accepted, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(accepted, F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(listener.Accept(), -1) << "nobody else is waiting";
    EXPECT_EQ(errno, EAGAIN);
    ::close(accepted);
    ::close(peer);

    listener.Close();
    EXPECT_FALSE(listener.IsListening());
    EXPECT_TRUE(Entries().empty());

    // A file that took the path over since is someone else's: left alone.
    ASSERT_TRUE(listener.Listen(path));
    fs::remove(path);
    std::ofstream(path) << "another";
    listener.Close();
    EXPECT_EQ(Entries(), std::vector<std::string>{"QM40T17B-1"});
}

TEST_F(InstanceSocketTest, AnEndpointThatCannotBeHadLeavesNothing)
{
    for (const std::string& path : {(dir_ / std::string(120, 'x')).string(), (dir_ / "missing/QM40T17B-1").string(),
                                    std::string()}) {
        SCOPED_TRACE(path);
        EndpointListener listener;
        EXPECT_FALSE(listener.Listen(path));
        EXPECT_FALSE(listener.IsListening());
        EXPECT_TRUE(Entries().empty());
    }
}

TEST_F(InstanceSocketTest, TheReaderTakesOneMessageAndNotAByteMore)
{
    Pair pair;
    EndpointMessageReader reader;
    EXPECT_EQ(reader.ReadFrom(pair.fd[0]), EndpointMessageReader::State::Reading);
    pair.Send({0x50, 0x53, 0x00});
    EXPECT_EQ(reader.ReadFrom(pair.fd[0]), EndpointMessageReader::State::Reading);
    // The rest of the message, and a second one the reader must leave.
    pair.Send({0x00, 0x4E, 0x45, 0x50, 0x4F, 0xAA, 0xBB});
    EXPECT_EQ(reader.ReadFrom(pair.fd[0]), EndpointMessageReader::State::Complete);
    EXPECT_EQ(reader.Message().message, 0x5350u);
    EXPECT_EQ(reader.Message().param, 0x4F50454Eu);
    EXPECT_EQ(reader.ReadFrom(pair.fd[0]), EndpointMessageReader::State::Complete);
    uint8_t left[4] = {};
    EXPECT_EQ(::recv(pair.fd[0], left, sizeof left, 0), 2);
    EXPECT_EQ(left[0], 0xAA);
    EXPECT_EQ(left[1], 0xBB);

    // -2 as the start reads it.
    ASSERT_TRUE(SendEndpointAnswer(pair.fd[0], -2));
    uint8_t answer[8] = {};
    ASSERT_EQ(::recv(pair.fd[1], answer, sizeof answer, 0), 4);
    EXPECT_EQ((std::array<uint8_t, 4>{answer[0], answer[1], answer[2], answer[3]}),
              (std::array<uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(InstanceSocketTest, APeerThatEndsEarlyIsNoMessageAndGetsNoSignal)
{
    for (size_t sent : {0u, 1u, 7u}) {
        SCOPED_TRACE(std::to_string(sent) + " bytes sent");
        Pair pair;
        const std::array<uint8_t, 7> bytes{1, 2, 3, 4, 5, 6, 7};
        ASSERT_EQ(::send(pair.fd[1], bytes.data(), sent, 0), static_cast<ssize_t>(sent));
        pair.ClosePeer();
        EndpointMessageReader reader;
        EXPECT_EQ(reader.ReadFrom(pair.fd[0]), EndpointMessageReader::State::Closed);
        // Writing to it would raise SIGPIPE, which ends a program by default.
        EXPECT_FALSE(SendEndpointAnswer(pair.fd[0], 1));
    }
}
