#include "platform/PrivateProfile.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <utime.h>

namespace fs = std::filesystem;

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-profile-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "test.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void Put(const std::string& bytes) const
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        // Same-size rewrites within one timestamp tick must still be seen by
        // these tests; the cache's own change detection has a test below.
        IniCache::Instance().Invalidate(path);
    }
    std::string Slurp() const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Returns the value or "<missing>" so that empty and missing differ.
    std::string Read(const std::string& section, const std::string& key) const
    {
        std::string out;
        size_t n = GetPrivateProfileString(section, key, "<missing>", out, 1000, path);
        EXPECT_EQ(n, CountUtf8Chars(out));
        return out;
    }

    fs::path dir;
    std::string path;
};

TEST_F(PrivateProfileTest, ReadsByRules)
{
    Put("; comment\n"
        "orphan=before any section\n"
        "[Text]\n"
        "Caption = Hello World  \n"
        "Empty=\n"
        "Quoted=\"  padded  \"\n"
        "Lone\"=\"x\n"
        "Dup=first\n"
        "dup=second\n"
        "NoEquals\n"
        "Eq=a=b\n"
        "  [ Spaced ]  \r\n"
        "Key=crlf value\r\n"
        "[TEXT]\n"
        "Dup=third\n"
        "Late=in repeated section\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"TEXT", "CAPTION", "Hello World"},
        {"text", "caption", "Hello World"},
        {"Text", "Empty", ""},
        {"Text", "Quoted", "  padded  "},
        {"Text", "Lone\"", "\"x"},
        {"Text", "Dup", "first"},
        {"Text", "DUP", "first"},
        {"Text", "NoEquals", "<missing>"},
        {"Text", "Eq", "a=b"},
        {"Spaced", "key", "crlf value"},
        {"Text", "Late", "in repeated section"},
        {"Text", "orphan", "<missing>"},
        {"Nowhere", "Caption", "<missing>"},
        {"Text", "Missing", "<missing>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST_F(PrivateProfileTest, CutsToBufferAndTellsLength)
{
    Put("[S]\nAscii=abcdef\nRussian=Привет\nEmpty=\n");
    struct Case {
        const char* key;
        size_t buffer;
        const char* expected;
        size_t length;
    } cases[] = {
        {"Ascii", 4, "abc", 3},     {"Ascii", 7, "abcdef", 6},   {"Ascii", 100, "abcdef", 6},
        {"Ascii", 1, "", 0},        {"Ascii", 0, "", 0},         {"Russian", 4, "При", 3},
        {"Russian", 7, "Привет", 6}, {"Empty", 10, "", 0},        {"Missing", 4, "def", 3},
    };
    for (const Case& c : cases) {
        std::string out = "junk";
        size_t n = GetPrivateProfileString("S", c.key, "default", out, c.buffer, path);
        EXPECT_EQ(out, c.expected) << c.key << " " << c.buffer;
        EXPECT_EQ(n, c.length) << c.key << " " << c.buffer;
    }
}

TEST_F(PrivateProfileTest, EncodingsAndByteOrderMarks)
{
    Put("\xEF\xBB\xBF[S]\nK=утф\n");
    EXPECT_EQ(Read("S", "K"), "утф");

    // UTF-16LE with BOM, CR LF line ends and a character outside the BMP.
    std::u16string text = u"[S]\r\nK=Ключ \U0001F600\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    Put(bytes);
    EXPECT_EQ(Read("S", "K"), "Ключ \xF0\x9F\x98\x80");

    // A write converts it to UTF-8 and keeps what was there.
    ASSERT_TRUE(WritePrivateProfileString("S", "New", "значение", path));
    EXPECT_EQ(Read("S", "K"), "Ключ \xF0\x9F\x98\x80");
    EXPECT_EQ(Read("S", "New"), "значение");
    EXPECT_EQ(Slurp().substr(0, 3), "\xEF\xBB\xBF");
}

TEST_F(PrivateProfileTest, WriteKeepsCommentsOrderAndBom)
{
    const std::string original = "\xEF\xBB\xBF; top comment\n"
                                 "[A]\n"
                                 "One=1\n"
                                 "; inner comment\n"
                                 "Two = 2\n"
                                 "\n"
                                 "[B]\n"
                                 "Three=3\n";
    Put(original);
    ASSERT_TRUE(WritePrivateProfileString("a", "two", "22", path));
    EXPECT_EQ(Slurp(), "\xEF\xBB\xBF; top comment\n[A]\nOne=1\n; inner comment\ntwo=22\n\n[B]\nThree=3\n");

    ASSERT_TRUE(WritePrivateProfileString("A", "Four", "4", path));
    EXPECT_EQ(Slurp(), "\xEF\xBB\xBF; top comment\n[A]\nOne=1\n; inner comment\ntwo=22\nFour=4\n\n[B]\nThree=3\n");

    ASSERT_TRUE(WritePrivateProfileString("C", "Five", "5", path));
    EXPECT_EQ(Slurp(),
              "\xEF\xBB\xBF; top comment\n[A]\nOne=1\n; inner comment\ntwo=22\nFour=4\n\n[B]\nThree=3\n[C]\nFive=5\n");
    EXPECT_EQ(Read("B", "Three"), "3");
    EXPECT_EQ(Read("A", "Two"), "22");
}

TEST_F(PrivateProfileTest, WriteReplacesOnlyTheFirstDuplicateAndKeepsCrLf)
{
    Put("[S]\r\nK=first\r\nK=second\r\n");
    ASSERT_TRUE(WritePrivateProfileString("S", "K", "new", path));
    EXPECT_EQ(Slurp(), "[S]\r\nK=new\r\nK=second\r\n");
    EXPECT_EQ(Read("S", "K"), "new");
}

TEST_F(PrivateProfileTest, WriteCreatesFileAndRoundTripsAwkwardValues)
{
    const char* values[] = {"plain", "", "  leading and trailing  ", "\"quoted\"", "a=b;c", "Привет"};
    for (const char* v : values) {
        ASSERT_TRUE(WritePrivateProfileString("Section", "Key", v, path)) << v;
        EXPECT_EQ(Read("Section", "Key"), v);
    }
    // Line breaks cannot inject entries.
    ASSERT_TRUE(WritePrivateProfileString("Section", "Key", "x\n[Evil]\nK=v", path));
    EXPECT_EQ(Read("Evil", "K"), "<missing>");
    EXPECT_EQ(Read("Section", "Key"), "x [Evil] K=v");
}

TEST_F(PrivateProfileTest, SeveralKeysGoInOneWriteOrNotAtAll)
{
    Put("[Mode0]\r\n1=a\r\n\r\n[Other]\r\nx=y\r\n");
    ASSERT_TRUE(WritePrivateProfileStrings("Mode0", {{"2", "b"}, {"1", "c"}, {"tool", " 1"}}, path));
    EXPECT_EQ(Slurp(), "[Mode0]\r\n1=c\r\n2=b\r\ntool=\" 1\"\r\n\r\n[Other]\r\nx=y\r\n");
    // One name that cannot be written refuses the whole batch.
    EXPECT_FALSE(WritePrivateProfileStrings("Mode0", {{"3", "d"}, {"bad=key", "e"}}, path));
    EXPECT_EQ(Slurp(), "[Mode0]\r\n1=c\r\n2=b\r\ntool=\" 1\"\r\n\r\n[Other]\r\nx=y\r\n");
    ASSERT_TRUE(WritePrivateProfileStrings("New", {{"k", "v"}, {"k", "w"}}, path));
    EXPECT_EQ(Read("New", "k"), "w");
}

TEST_F(PrivateProfileTest, WriteRefusesNamesThatCannotBeOneLine)
{
    Put("[S]\nK=v\n");
    struct Case {
        const char* section;
        const char* key;
    } cases[] = {{"", "K"}, {"S", ""}, {"S]", "K"}, {"S", "K=1"}, {"S\n[T]", "K"}, {"S", "K\nX"}, {"S", ";K"}, {"S", "[K"}};
    for (const Case& c : cases)
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, "x", path)) << c.section << "/" << c.key;
    EXPECT_EQ(Slurp(), "[S]\nK=v\n");
}

TEST_F(PrivateProfileTest, HostileFilesReadAsMissing)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    std::string nul = std::string("[S]\nA=x") + '\0' + "y\nB=ok\n";
    std::string longLine = "[S]\nK=" + std::string(1 << 20, 'v') + "\nAfter=1\n";
    struct Case {
        std::string bytes;
        const char* key;
        std::string expected;
    } cases[] = {
        {junk, "K", "<missing>"},
        {"K=v\nno sections at all\n", "K", "<missing>"},
        {nul, "A", "<missing>"},
        {nul, "B", "ok"},
        {longLine, "After", "1"},
        {"[S", "K", "<missing>"},
        {"[S\nK=unclosed section\n", "K", "unclosed section"},
        {std::string("\xFF\xFE[", 3), "K", "<missing>"},
        {"", "K", "<missing>"},
    };
    for (const Case& c : cases) {
        Put(c.bytes);
        EXPECT_EQ(Read("S", c.key), c.expected) << c.key;
    }
    Put(longLine);
    std::string out;
    EXPECT_EQ(GetPrivateProfileString("S", "K", "", out, 2048, path), 2047u);
}

TEST_F(PrivateProfileTest, MissingFileAndFolderInsteadOfFile)
{
    EXPECT_EQ(Read("S", "K"), "<missing>");
    fs::create_directories(path);
    EXPECT_EQ(Read("S", "K"), "<missing>");
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", path));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", (dir / "no" / "such" / "folder.ini").string()));
}

TEST_F(PrivateProfileTest, OverLargeFileReadsAsMissingAndIsNotOverwritten)
{
    {
        std::ofstream out(path, std::ios::binary);
        out << "[S]\nK=v\n";
    }
    fs::resize_file(path, MaxProfileFileBytes + 1);
    IniCache::Instance().Invalidate(path);
    EXPECT_EQ(Read("S", "K"), "<missing>");
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "new", path));
    EXPECT_EQ(fs::file_size(path), MaxProfileFileBytes + 1);
}

TEST_F(PrivateProfileTest, SectionListsKeysInOrderFirstDuplicateWins)
{
    Put("[S]\nB=2\nA=1\nb=dup\n[T]\nX=x\n[s]\nC=3\nA=dup\n");
    auto entries = GetPrivateProfileSection("S", path);
    std::vector<std::pair<std::string, std::string>> expected = {{"B", "2"}, {"A", "1"}, {"C", "3"}};
    EXPECT_EQ(entries, expected);
    EXPECT_TRUE(GetPrivateProfileSection("Nowhere", path).empty());
}

// A file changed by another program is seen at the next look-up, whether
// its size changes or only its modification time.
TEST_F(PrivateProfileTest, CacheSeesOutsideChanges)
{
    auto writeRaw = [&](const std::string& bytes) { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; };
    auto setMtime = [&](time_t seconds) {
        timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    writeRaw("[S]\nK=aaa\n");
    setMtime(1000000);
    EXPECT_EQ(Read("S", "K"), "aaa");

    writeRaw("[S]\nK=bbbb\n"); // other size, same time
    setMtime(1000000);
    EXPECT_EQ(Read("S", "K"), "bbbb");

    writeRaw("[S]\nK=cccc\n"); // same size, other time
    setMtime(1000001);
    EXPECT_EQ(Read("S", "K"), "cccc");

    // Replaced by rename with a file of the same size and time.
    std::string other = path + ".new";
    std::ofstream(other, std::ios::binary) << "[S]\nK=dddd\n";
    timespec times[2] = {{1000001, 0}, {1000001, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
    fs::rename(other, path);
    EXPECT_EQ(Read("S", "K"), "dddd");

    fs::remove(path);
    EXPECT_EQ(Read("S", "K"), "<missing>");
}

TEST_F(PrivateProfileTest, FifoUnderTheNameReadsAsMissing)
{
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(Read("S", "K"), "<missing>");
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "v", path));
}

TEST_F(PrivateProfileTest, ConcurrentWritersLoseNothing)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            for (int i = 0; i < 10; ++i)
                WritePrivateProfileString("S", "K" + std::to_string(t) + "_" + std::to_string(i), "v", path);
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(GetPrivateProfileSection("S", path).size(), 40u);
}

} // namespace
