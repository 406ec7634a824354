#include "support/ShellTestSupport.h"

#include "app/InstanceEndpoint.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

class SingleInstanceTest : public ShellTest {
protected:
    std::string Folder() const { return (dir_ / "run").string(); }
};

namespace {

// A folder whose path is exactly length bytes long, under base (made of
// names short enough for any file system).
std::string FolderOfLength(const std::string& base, size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        const size_t left = length - path.size() - 1;
        // Never leave a single byte over: it could not be another "/name".
        const size_t name = left > 200 ? (left - 200 < 2 ? 150 : 200) : left;
        path += "/" + std::string(name, 'd');
    }
    std::filesystem::create_directories(path);
    return path;
}

} // namespace

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

    // A link planted where the folder should be is not followed: a private
    // folder in the shared temporary folder stands in.
    const std::string other = (dir_ / "xdg2").string();
    std::filesystem::create_directories(other);
    std::filesystem::create_directory_symlink(dir_, other + "/orvan-rt604");
    setenv("XDG_RUNTIME_DIR", other.c_str(), 1);
    std::filesystem::create_directories(dir_ / "tmp");
    SetSharedTempFolderForTests((dir_ / "tmp").string());
    std::string problem;
    EXPECT_EQ(InstanceRuntimeFolder(&problem), (dir_ / "tmp").string() + "/orvan-rt604-" + std::to_string(::getuid()));
    SetSharedTempFolderForTests("");
    EXPECT_NE(problem.find("symbolic link"), std::string::npos) << problem;
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

// A runtime folder so deep that a socket path in it would not fit in a
// socket address: the endpoint moves to the short private folder, and the
// instance is reached there all the same, at every length around the limit.
TEST_F(SingleInstanceTest, EndpointOfARuntimeFolderTooDeepForASocketIsStillReached)
{
    const std::string base = (std::filesystem::temp_directory_path() / ("rt604-deep-" + std::to_string(::getpid()))).string();
    struct RemoveBase {
        std::string path;
        ~RemoveBase() { std::filesystem::remove_all(path); }
    } removeBase{base};
    const std::string pid = std::to_string(::getpid());
    const std::string inFolder = "/QM40T17B-" + pid;
    const std::string shortFolder = "/tmp/orvan-rt604-" + std::to_string(::getuid()) + "/";
    std::vector<std::string> endpoints;
    for (size_t length : {LongestEndpointPath - 1, LongestEndpointPath, LongestEndpointPath + 1, size_t{108}, size_t{109},
                          size_t{1000}}) {
        SCOPED_TRACE("endpoint path in the runtime folder " + std::to_string(length) + " bytes long");
        const std::string folder = FolderOfLength(base, length - inFolder.size());
        const std::string path = InstanceEndpointPath(folder, ::getpid());
        EXPECT_LE(path.size(), LongestEndpointPath);
        if (length <= LongestEndpointPath)
            EXPECT_EQ(path, folder + inFolder);
        else
            EXPECT_EQ(path.rfind(shortFolder, 0), 0u) << path;
        EXPECT_EQ(InstanceEndpointPath(folder, ::getpid()), path) << "a second start finds the same path";

        InstanceEndpoint endpoint;
        ASSERT_TRUE(endpoint.Listen(path, [](uint32_t, uint32_t tag) { return tag == TagOpen ? 7 : 0; })) << path;
        std::atomic<bool> done{false};
        SendResult result = SendResult::NoInstance;
        int32_t answer = -1;
        std::thread sender([&] {
            result = SendToEndpoint(path, {MsgOpen, TagOpen}, 5000, &answer);
            done = true;
        });
        EXPECT_TRUE(SpinUntil([&] { return done.load(); }));
        sender.join();
        EXPECT_EQ(result, SendResult::Delivered);
        EXPECT_EQ(answer, 7);
        endpoint.Close();
        EXPECT_FALSE(std::filesystem::exists(path)) << "the endpoint leaves nothing behind";
        endpoints.push_back(path);
    }
    // Each runtime folder has endpoints of its own, as two sessions do.
    std::sort(endpoints.begin(), endpoints.end());
    EXPECT_EQ(std::unique(endpoints.begin(), endpoints.end()), endpoints.end());
}
