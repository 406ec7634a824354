#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

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

} // namespace
