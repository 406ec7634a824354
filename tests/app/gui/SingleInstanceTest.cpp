#include "ShellTestSupport.h"

#include "app/gui/InstanceEndpoint.h"

#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

class SingleInstanceTest : public ShellTest {
protected:
    std::string Folder() const { return (dir_ / "run").string(); }
};

TEST_F(SingleInstanceTest, TheLockIsHeldOnceAndDroppedWithItsHolder)
{
    std::filesystem::create_directories(Folder());
    InstanceLock first;
    InstanceLock second;
    EXPECT_TRUE(first.TryAcquire(Folder()));
    EXPECT_FALSE(second.TryAcquire(Folder()));
    first.Release();
    // The lock file is still there; an unheld file is no lock.
    EXPECT_TRUE(std::filesystem::exists(Folder() + "/QM40T17B.lock"));
    EXPECT_TRUE(second.TryAcquire(Folder()));
    EXPECT_FALSE(InstanceLock().TryAcquire(""));
}

TEST_F(SingleInstanceTest, RuntimeFolderIsPrivate)
{
    const std::string runtime = (dir_ / "xdg").string();
    std::filesystem::create_directories(runtime);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string folder = InstanceRuntimeFolder();
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(folder, runtime + "/orvan-rt604");
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A link planted where the folder should be is not followed.
    const std::string other = (dir_ / "xdg2").string();
    std::filesystem::create_directories(other);
    std::filesystem::create_directory_symlink(dir_, other + "/orvan-rt604");
    setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
    EXPECT_EQ(InstanceRuntimeFolder(), "");
    unsetenv("XDG_RUNTIME_DIR");
}

TEST_F(SingleInstanceTest, EndpointDeliversMessagesAndAnswers)
{
    std::filesystem::create_directories(Folder());
    InstanceEndpoint endpoint;
    std::vector<std::pair<uint32_t, uint32_t>> received;
    const std::string path = InstanceEndpointPath(Folder(), ::getpid());
    ASSERT_TRUE(endpoint.Listen(path, [&](uint32_t message, uint32_t tag) {
        received.emplace_back(message, tag);
        return message == MsgOpen && tag == TagOpen ? 1 : 0;
    }));

    std::atomic<bool> done{false};
    std::vector<std::pair<SendResult, int32_t>> results;
    std::thread sender([&] {
        for (uint32_t tag : {TagOpen, TagKill}) {
            int32_t answer = -1;
            const SendResult result = SendToEndpoint(path, {MsgOpen, tag}, 5000, &answer);
            results.emplace_back(result, answer);
        }
        int32_t answer = -1;
        results.emplace_back(SendToEndpoint(path + "-none", {MsgOpen, TagOpen}, 500, &answer), answer);
        done = true;
    });
    ASSERT_TRUE(SpinUntil([&] { return done.load(); }));
    sender.join();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], std::make_pair(SendResult::Delivered, 1));
    EXPECT_EQ(results[1], std::make_pair(SendResult::Delivered, 0));
    EXPECT_EQ(results[2].first, SendResult::NoInstance);
    EXPECT_EQ(received, (std::vector<std::pair<uint32_t, uint32_t>>{{MsgOpen, TagOpen}, {MsgOpen, TagKill}}));

    endpoint.Close();
    EXPECT_EQ(SendToEndpoint(path, {MsgOpen, TagOpen}, 500), SendResult::NoInstance);
}

TEST_F(SingleInstanceTest, ProcessSearchMatchesTheExecutableFileNameOnly)
{
    // This test program is running: it finds itself only when it is not
    // excluded, whatever the letter case, and never under another name.
    char target[4096];
    const ssize_t n = ::readlink("/proc/self/exe", target, sizeof target - 1);
    ASSERT_GT(n, 0);
    const std::string self(target, static_cast<size_t>(n));
    const std::string name = self.substr(self.find_last_of('/') + 1);
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto found = FindProgramProcesses(upper, 0);
    EXPECT_NE(std::find(found.begin(), found.end(), ::getpid()), found.end());
    const auto excluded = FindProgramProcesses(name, ::getpid());
    EXPECT_EQ(std::find(excluded.begin(), excluded.end(), ::getpid()), excluded.end());
    const auto other = FindProgramProcesses(name + "-copy", 0);
    EXPECT_EQ(std::find(other.begin(), other.end(), ::getpid()), other.end());
}

// The endpoint listens before the window exists; what a second start sends
// meanwhile waits, is handled in order once the handler is set, and is
// acted on even when the sender gave up waiting for the answer.
TEST_F(SingleInstanceTest, MessagesBeforeTheHandlerWaitForIt)
{
    std::filesystem::create_directories(Folder());
    InstanceEndpoint endpoint;
    const std::string path = InstanceEndpointPath(Folder(), ::getpid());
    ASSERT_TRUE(endpoint.Listen(path));

    std::atomic<int> finished{0};
    std::vector<std::pair<SendResult, int32_t>> results(2, {SendResult::NoInstance, -1});
    std::thread impatient([&] {
        results[0].first = SendToEndpoint(path, {MsgKill, TagKill}, 100, &results[0].second);
        ++finished;
    });
    ASSERT_TRUE(SpinUntil([&] { return finished.load() == 1; }));
    impatient.join();
    std::thread patient([&] {
        results[1].first = SendToEndpoint(path, {MsgOpen, TagOpen}, 5000, &results[1].second);
        ++finished;
    });
    // Both have arrived; nothing is handled yet.
    SpinUntil([] { return false; }, 200);
    std::vector<std::pair<uint32_t, uint32_t>> received;
    endpoint.SetHandler([&](uint32_t message, uint32_t param) {
        received.emplace_back(message, param);
        return 1;
    });
    ASSERT_TRUE(SpinUntil([&] { return finished.load() == 2; }));
    patient.join();
    EXPECT_EQ(results[0].first, SendResult::NoAnswer);
    EXPECT_EQ(results[1], std::make_pair(SendResult::Delivered, 1));
    EXPECT_EQ(received, (std::vector<std::pair<uint32_t, uint32_t>>{{MsgKill, TagKill}, {MsgOpen, TagOpen}}));
}
