// The update lock of INI files, seen from two processes and two threads.
#include "platform/FileAccess.h"
#include "platform/FileLock.h"
#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class FileLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-lock-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ini = (dir / "settings.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    // A process that takes the lock, says so on a pipe, then runs `work`
    // while holding it and exits 0 when work returns true.
    template <typename Work>
    pid_t HoldInAnotherProcess(Work work)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return -1;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            FileUpdateLock lock(ini);
            const char byte = lock.Held() ? 1 : 0;
            if (::write(ready[1], &byte, 1) != 1 || !lock.Held())
                ::_exit(2);
            ::_exit(work() ? 0 : 1);
        }
        ::close(ready[1]);
        char byte = 0;
        const bool held = ::read(ready[0], &byte, 1) == 1 && byte == 1;
        ::close(ready[0]);
        return held ? pid : -1;
    }

    static int ExitOf(pid_t pid)
    {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
            return -1;
        return WEXITSTATUS(status);
    }

    fs::path dir;
    std::string ini;
};

// Without the lock our write reads the file before the holder's write lands
// and puts back the file without it.
TEST_F(FileLockTest, AWriteWaitsForAnotherProcessAndKeepsItsValue)
{
    ASSERT_TRUE(WritePrivateProfileString("S", "first", "1", ini));
    const pid_t holder = HoldInAnotherProcess([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return WritePrivateProfileString("S", "theirs", "2", ini);
    });
    ASSERT_GT(holder, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WritePrivateProfileString("S", "ours", "3", ini));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(ExitOf(holder), 0);
    EXPECT_EQ(ReadPrivateProfileValue("S", "first", ini), "1");
    EXPECT_EQ(ReadPrivateProfileValue("S", "theirs", ini), "2");
    EXPECT_EQ(ReadPrivateProfileValue("S", "ours", ini), "3");
}

TEST_F(FileLockTest, AHolderThatDoesNotLetGoIsReportedAndTheFileLeftAlone)
{
    ASSERT_TRUE(WritePrivateProfileString("S", "k", "before", ini));
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    const pid_t holder = HoldInAnotherProcess([&] {
        char byte;
        return ::read(go[0], &byte, 1) == 1;
    });
    ASSERT_GT(holder, 0);
    FileUpdateLock waiting(ini, std::chrono::milliseconds(100));
    EXPECT_FALSE(waiting.Held());
    EXPECT_EQ(waiting.Error(), FileErrorLockTimeout);
    EXPECT_NE(FileErrorText(waiting.Error()).find("another program"), std::string::npos);
    ASSERT_EQ(::write(go[1], "x", 1), 1);
    EXPECT_EQ(ExitOf(holder), 0);
    ::close(go[0]);
    ::close(go[1]);
    EXPECT_EQ(ReadPrivateProfileValue("S", "k", ini), "before");
    FileUpdateLock later(ini, std::chrono::milliseconds(100));
    EXPECT_TRUE(later.Held());
}

// A thread that holds the lock may write (the writer takes it again without
// waiting for itself); another thread of the same process is kept out.
TEST_F(FileLockTest, NestsWithinAThreadAndKeepsOtherThreadsOut)
{
    FileUpdateLock outer(ini);
    ASSERT_TRUE(outer.Held());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(WritePrivateProfileString("S", "k", "v", ini));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    bool otherHeld = true;
    int otherError = 0;
    std::thread([&] {
        FileUpdateLock other(ini, std::chrono::milliseconds(100));
        otherHeld = other.Held();
        otherError = other.Error();
    }).join();
    EXPECT_FALSE(otherHeld);
    EXPECT_EQ(otherError, FileErrorLockTimeout);
    {
        FileUpdateLock inner(ini);
        EXPECT_TRUE(inner.Held());
    }
    // The inner lock going does not let go of the outer one.
    std::thread([&] { otherHeld = FileUpdateLock(ini, std::chrono::milliseconds(100)).Held(); }).join();
    EXPECT_FALSE(otherHeld);
}

// Something planted under the lock file's name is never followed, waited on
// or written through; the write fails and the file stays as it was.
TEST_F(FileLockTest, ALockFileThatIsNoFileRefusesTheWrite)
{
    const std::string lockPath = FileUpdateLock::LockPathFor(ini);
    const fs::path elsewhere = dir / "elsewhere";
    const struct {
        const char* what;
        void (*plant)(const std::string& lockPath, const fs::path& elsewhere);
        int error;
    } cases[] = {
        {"a link", [](const std::string& p, const fs::path& e) { fs::create_symlink(e, p); }, ELOOP},
        {"a FIFO", [](const std::string& p, const fs::path&) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
         FileErrorFifo},
        {"a folder", [](const std::string& p, const fs::path&) { fs::create_directory(p); }, EISDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(lockPath);
        ASSERT_TRUE(WritePrivateProfileString("S", "k", "before", ini));
        fs::remove_all(lockPath);
        c.plant(lockPath, elsewhere);
        int error = 0;
        EXPECT_FALSE(WritePrivateProfileString("S", "k", "after", ini, &error));
        EXPECT_EQ(error, c.error) << FileErrorText(error);
        EXPECT_EQ(ReadPrivateProfileValue("S", "k", ini), "before");
        EXPECT_FALSE(fs::exists(elsewhere));
    }
}

} // namespace
