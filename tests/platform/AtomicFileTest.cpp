#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "support/HostilePaths.h"
#include "support/OtherUser.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-atomic-" + std::to_string(::getpid()) + "-"
                                           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string Slurp(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    size_t FileCount() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }

    fs::path dir;
};

TEST_F(AtomicFileTest, ReplacesContentAndLeavesNoTemporaryFile)
{
    fs::path target = dir / "a.bin";
    std::ofstream(target) << "old content that is longer";
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string("new")));
    EXPECT_EQ(Slurp(target), "new");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(AtomicFileTest, KeepsTheModeOfAnExistingFile)
{
    fs::path target = dir / "a.ini";
    std::ofstream(target) << "x";
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string("y")));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(AtomicFileTest, FailureLeavesTargetUntouched)
{
    // A folder in the way cannot be replaced by a file.
    fs::create_directories(dir / "taken");
    EXPECT_FALSE(WriteFileAtomically((dir / "taken").string(), std::string("data")));
    EXPECT_TRUE(fs::is_directory(dir / "taken"));
    // A missing folder fails without creating anything.
    EXPECT_FALSE(WriteFileAtomically((dir / "missing" / "f").string(), std::string("data")));
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(AtomicFileTest, ReadWholeFileRefusesFoldersMissingFilesAndOversizedFiles)
{
    std::string out;
    EXPECT_FALSE(ReadWholeFile((dir / "nope").string(), out, 100));
    EXPECT_FALSE(ReadWholeFile(dir.string(), out, 100));
    std::ofstream(dir / "big") << std::string(101, 'x');
    EXPECT_FALSE(ReadWholeFile((dir / "big").string(), out, 100));
    ASSERT_TRUE(ReadWholeFile((dir / "big").string(), out, 101));
    EXPECT_EQ(out.size(), 101u);
    // A FIFO planted under a name the program reads (a preset, a state
    // file) is refused at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(ReadWholeFile((dir / "fifo").string(), out, 100));
}

TEST_F(AtomicFileTest, KilledSavesLeaveNoTemporaryBehind)
{
    // A save of a few megabytes, killed again and again at random moments:
    // whatever the moment, the target is the old or the new file, and once
    // the next save has run nothing else is left in the folder.
    const fs::path target = dir / "big.vpf";
    const std::string oldText(4 << 20, 'o');
    ASSERT_TRUE(WriteFileAtomically(target.string(), oldText));
    std::mt19937 random(604);
    for (int kill = 0; kill < 30; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const std::string newText(4 << 20, 'n');
            for (;;)
                WriteFileAtomically(target.string(), newText);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = Slurp(target);
        ASSERT_EQ(now.size(), oldText.size());
        ASSERT_TRUE(now[0] == 'o' || now[0] == 'n');
    }
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string("last")));
    EXPECT_EQ(Slurp(target), "last");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(AtomicFileTest, ASymbolicLinkKeepsPointingAtTheNewContent)
{
    fs::create_directories(dir / "real");
    std::ofstream(dir / "real" / "settings.ini") << "old";
    // A relative link to a relative link, as dotfile managers make them.
    fs::create_symlink("real/settings.ini", dir / "middle.ini");
    fs::create_symlink("middle.ini", dir / "settings.ini");
    ASSERT_TRUE(WriteFileAtomically((dir / "settings.ini").string(), std::string("new")));
    EXPECT_TRUE(fs::is_symlink(dir / "settings.ini"));
    EXPECT_TRUE(fs::is_symlink(dir / "middle.ini"));
    EXPECT_EQ(Slurp(dir / "real" / "settings.ini"), "new");

    // A link to nothing yet makes its target.
    fs::create_symlink(dir / "real" / "later.ini", dir / "later.ini");
    ASSERT_TRUE(WriteFileAtomically((dir / "later.ini").string(), std::string("made")));
    EXPECT_TRUE(fs::is_symlink(dir / "later.ini"));
    EXPECT_EQ(Slurp(dir / "real" / "later.ini"), "made");

    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");
    int error = 0;
    EXPECT_FALSE(WriteFileAtomically((dir / "loop-a").string(), std::string("x"), &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir / "loop-a"));
}

TEST_F(AtomicFileTest, TheLongestLegalNameCanBeWrittenAndReplaced)
{
    const fs::path target = dir / (std::string(250, 'p') + ".vpf"); // 254 bytes
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string("first")));
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string("second")));
    EXPECT_EQ(Slurp(target), "second");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(AtomicFileTest, AFullDiskFailsWithTheReasonAndKeepsTheOldFile)
{
    const fs::path target = dir / "state";
    std::ofstream(target) << "old";
    int error = 0;
    {
        ScopedFileSizeLimit full(4096);
        EXPECT_FALSE(WriteFileAtomically(target.string(), std::string(10000, 'x'), &error));
    }
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(FileErrorText(error), "File too large");
    EXPECT_EQ(Slurp(target), "old");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(AtomicFileTest, PathsThatAreNoFilesAreRefusedAtOnce)
{
    for (const HostilePath& hostile : MakeHostilePaths(dir)) {
        SCOPED_TRACE(hostile.kind);
        std::string out = "untouched";
        int error = 0;
        EXPECT_FALSE(ReadWholeFile(hostile.path, out, 1 << 20, &error));
        EXPECT_NE(FileErrorText(error).find(hostile.reason), std::string::npos) << FileErrorText(error);
        EXPECT_FALSE(IsMissingFileError(error));
    }
    int error = 0;
    std::string out;
    EXPECT_FALSE(ReadWholeFile((dir / "none").string(), out, 100, &error));
    EXPECT_TRUE(IsMissingFileError(error));
    std::ofstream(dir / "big") << std::string(101, 'x');
    EXPECT_FALSE(ReadWholeFile((dir / "big").string(), out, 100, &error));
    EXPECT_EQ(error, FileErrorTooLarge);
}

// Another local user plants links, read-only files and leftovers where the
// owner saves; the kernel's own protection of sticky folders may be on or
// off on the machine, so none of this may rely on it.
class AtomicFileOtherUserTest : public AtomicFileTest {
protected:
    void SetUp() override
    {
        if (!CanActAsOtherUser())
            GTEST_SKIP() << NotRootReason();
        AtomicFileTest::SetUp();
        ::chmod(dir.c_str(), 0755);
    }
    fs::path Folder(const std::string& name, mode_t mode, uid_t owner = ::geteuid())
    {
        const fs::path folder = dir / name;
        fs::create_directories(folder);
        EXPECT_EQ(::chown(folder.c_str(), owner, owner), 0);
        EXPECT_EQ(::chmod(folder.c_str(), mode), 0);
        return folder;
    }
    // The pid of a process that has ended, as a crashed writer's is.
    static pid_t GonePid()
    {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        ::waitpid(child, nullptr, 0);
        return child;
    }
};

TEST_F(AtomicFileOtherUserTest, LinksInStickySharedFoldersAreFollowedOnlyWhereTheKernelWould)
{
    struct Case {
        const char* what;
        mode_t folderMode;
        uid_t folderOwner;
        uid_t linkOwner;
        bool followed;
    } cases[] = {
        {"another user's link in a sticky shared folder", 01777, 0, OtherUid, false},
        {"our own link in a sticky shared folder", 01777, 0, 0, true},
        {"the folder owner's link in his sticky shared folder", 01777, OtherUid, OtherUid, true},
        {"another user's link in a shared folder without the sticky bit", 0777, 0, OtherUid, true},
        {"another user's link in a sticky folder only its owner may write to", 01755, 0, OtherUid, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path victim = dir / ("notes-" + std::to_string(n) + ".txt");
        std::ofstream(victim) << "the owner's notes";
        const fs::path shared = Folder("shared-" + std::to_string(n++), c.folderMode, c.folderOwner);
        const fs::path link = shared / "backup.vpf";
        fs::create_symlink(victim, link);
        ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
        int error = 0;
        EXPECT_EQ(WriteFileAtomically(link.string(), std::string("exported"), &error), c.followed);
        EXPECT_TRUE(fs::is_symlink(link));
        if (c.followed) {
            EXPECT_EQ(Slurp(victim), "exported");
        } else {
            EXPECT_EQ(Slurp(victim), "the owner's notes");
            EXPECT_EQ(error, FileErrorForeignLink);
            EXPECT_NE(FileErrorText(error).find("another user"), std::string::npos) << FileErrorText(error);
        }
    }
}

TEST_F(AtomicFileOtherUserTest, AReadOnlyFileIsNotReplaced)
{
    // A user who is not root, saving over his own read-only file.
    const fs::path home = Folder("home", 0755, OtherUid);
    const fs::path readOnly = home / "backup.vpf";
    const fs::path writable = home / "state";
    std::ofstream(readOnly) << "kept";
    std::ofstream(writable) << "old";
    for (const fs::path& file : {readOnly, writable})
        ASSERT_EQ(::chown(file.c_str(), OtherUid, OtherGid), 0);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const int status = RunAsOtherUser([&] {
        int error = 0;
        if (WriteFileAtomically(readOnly.string(), std::string("replaced"), &error) || error != EACCES)
            return 1;
        if (!WriteFileAtomically(writable.string(), std::string("new"), &error))
            return 2;
        return 0;
    });
    EXPECT_EQ(status, 0) << "1: the read-only file was replaced, 2: a writable one was not";
    EXPECT_EQ(Slurp(readOnly), "kept");
    EXPECT_EQ(Slurp(writable), "new");
    struct stat st {};
    ASSERT_EQ(::stat(readOnly.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST_F(AtomicFileOtherUserTest, OnlyOurOwnStaleTemporariesInOurOwnFoldersAreRemoved)
{
    struct Case {
        const char* what;
        mode_t folderMode;
        uid_t tempOwner;
        bool removed;
    } cases[] = {
        {"ours, in a folder of ours", 0755, 0, true},
        {"another user's, in a folder of ours", 0755, OtherUid, false},
        {"ours, in a sticky shared folder", 01777, 0, false},
        {"ours, in a shared folder", 0777, 0, false},
    };
    const pid_t gone = GonePid();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = Folder("f-" + std::to_string(n++), c.folderMode);
        const fs::path temp = folder / (".rt604-" + std::to_string(gone) + "-abcdef");
        std::ofstream(temp) << "half a save";
        ASSERT_EQ(::chown(temp.c_str(), c.tempOwner, c.tempOwner), 0);
        ASSERT_TRUE(WriteFileAtomically((folder / "a.vpf").string(), std::string("saved")));
        EXPECT_EQ(!fs::exists(temp), c.removed);
    }
}

} // namespace
