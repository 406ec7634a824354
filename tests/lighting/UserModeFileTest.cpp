#include "LightingTestSupport.h"

#include "lighting/UserModeFile.h"
#include "lighting/UserModes.h"

#include <sys/stat.h>

namespace {

using UserModeFileTest = LightingTest;

TEST_F(UserModeFileTest, MissingEntriesReadAsTheirDefaults)
{
    // Mode 2 lacks key 37; nothing else is there either.
    WriteText(UserFile(1), "[PRESENTMODE]\nmode=2\n[MODENAME]\n0=Warm\n[Mode2]\n36=0,0,255,0\n");
    EXPECT_EQ(ReadUserMode(1), 2);
    EXPECT_EQ(ReadModeName(1, 0), "Warm");
    EXPECT_EQ(ReadModeName(1, 1), "0");
    EXPECT_EQ(ReadKeyColour(1, 2, 37), (KeyColourEntry{MakeColour(255, 0, 0), 1}));
    EXPECT_EQ(ReadKeyColour(1, 2, 36), (KeyColourEntry{MakeColour(0, 0, 255), 0}));
    EXPECT_EQ(ReadTools(1, 2), (UserTools{0, Black, Black}));
    // A missing file reads the same.
    std::filesystem::remove(UserFile(2));
    IniCache::Instance().Clear();
    EXPECT_EQ(ReadUserMode(2), 0);
    EXPECT_EQ(ReadKeyColour(2, 0, 0), (KeyColourEntry{MakeColour(255, 0, 0), 1}));
}

TEST_F(UserModeFileTest, MarksReadAsZeroOrOneAndWritesArePlainDecimals)
{
    WriteText(UserFile(0), "[Mode0]\n5=1,2,3,7\n6=010,020,030,0\n");
    EXPECT_EQ(ReadKeyColour(0, 0, 5), (KeyColourEntry{MakeColour(1, 2, 3), 1}));
    EXPECT_EQ(ReadKeyColour(0, 0, 6), (KeyColourEntry{MakeColour(10, 20, 30), 0}));
    ASSERT_TRUE(WriteKeyColour(0, 0, 5, MakeColour(1, 2, 3), 7));
    ASSERT_TRUE(WriteTools(0, 0, UserTools{1, MakeColour(0, 128, 255), MakeColour(9, 8, 7)}));
    EXPECT_EQ(ReadText(UserFile(0)), "[Mode0]\n5=1,2,3,1\n6=010,020,030,0\ntool=1\njcolor=0,128,255\ncolor=9,8,7\n");
    EXPECT_EQ(ReadTools(0, 0), (UserTools{1, MakeColour(0, 128, 255), MakeColour(9, 8, 7)}));
}

TEST_F(UserModeFileTest, DamagedValuesFallBackWithoutSurprises)
{
    struct Case {
        const char* value;
        KeyColourEntry read;
    };
    const Case cases[] = {
        {"12,34", {MakeColour(12, 34, 0), 1}},                   // the numbers found, the rest default
        {"999,-5,70000,1", {MakeColour(255, 0, 255), 1}},         // held at the ends of a byte
        {"abc", {MakeColour(255, 0, 0), 1}},                      // no number: the default
        {"1,2,x,0", {MakeColour(1, 2, 0), 1}},                    // stops at the first non-number
        {"99999999999999999999,0,0,0", {MakeColour(255, 0, 0), 0}},
        {" 4 , 5", {MakeColour(4, 0, 0), 1}},                     // a blank before the comma ends it
    };
    for (const Case& c : cases) {
        WriteText(UserFile(0), std::string("[Mode0]\n1=") + c.value + "\n");
        EXPECT_EQ(ReadKeyColour(0, 0, 1), c.read) << c.value;
    }
    for (const char* mode : {"-1", "10", "99999999999999999999", "x"}) {
        WriteText(UserFile(0), std::string("[PRESENTMODE]\nmode=") + mode + "\n");
        EXPECT_EQ(ReadUserMode(0), 0) << mode;
    }
    WriteText(UserFile(0), "[Mode0]\ntool=5\njcolor=300\n");
    EXPECT_EQ(ReadTools(0, 0), (UserTools{0, MakeColour(255, 0, 0), Black}));
}

TEST_F(UserModeFileTest, RenamingWritesOnlyTheChosenModesName)
{
    WriteText(UserFile(0), "[PRESENTMODE]\nmode=1\n[MODENAME]\n0=Red\n1=Green\n2=Blue\n");
    LoadUserModes(LoadOnly::Yes);
    ASSERT_EQ(g_userModes.userMode, 1);
    RenameUserMode("Лес");
    EXPECT_EQ(UserModeNames(ListedUserModes), (std::vector<std::string>{"Red", "Лес", "Blue"}));
    EXPECT_EQ(ReadText(UserFile(0)), "[PRESENTMODE]\nmode=1\n[MODENAME]\n0=Red\n1=Лес\n2=Blue\n");
    // A long name is kept to what the list can read back.
    RenameUserMode(std::string(400, 'n'));
    EXPECT_EQ(ReadModeName(0, 1), std::string(259, 'n'));
}

TEST_F(UserModeFileTest, HugeOrHostileFilesReadAsDefaultsAndNeverBlock)
{
    // Larger than any INI file is read: the defaults, not an allocation of
    // the file's choosing.
    {
        std::string huge = "[Mode0]\n1=1,1,1,0\n";
        huge.resize(17u << 20, 'x');
        WriteText(UserFile(0), huge);
    }
    EXPECT_EQ(ReadKeyColour(0, 0, 1), (KeyColourEntry{MakeColour(255, 0, 0), 1}));
    // Binary junk.
    WriteText(UserFile(0), std::string("\0\xff\xfe[Mode0]\0\n1=\x80\x81", 16));
    EXPECT_EQ(ReadKeyColour(0, 0, 1), (KeyColourEntry{MakeColour(255, 0, 0), 1}));
    // A FIFO in the file's place: reads see nothing, writes refuse it, and
    // neither waits for a writer that never comes.
    std::filesystem::remove(UserFile(1));
    ASSERT_EQ(::mkfifo(UserFile(1).c_str(), 0600), 0);
    IniCache::Instance().Clear();
    EXPECT_EQ(ReadUserMode(1), 0);
    EXPECT_FALSE(WriteUserMode(1, 2));
    EXPECT_TRUE(std::filesystem::is_fifo(UserFile(1)));
}

TEST_F(UserModeFileTest, RestoreCopiesThePresetExactlyAndAtomically)
{
    EXPECT_EQ(ReadText(UserFile(0)), PresetText) << "seeded when the user folder was made";
    WriteText(UserFile(2), "[PRESENTMODE]\nmode=2\n");
    EXPECT_EQ(ReadUserMode(2), 2);
    ASSERT_TRUE(RestoreUserModeFile(2));
    EXPECT_EQ(ReadText(UserFile(2)), PresetText);
    EXPECT_EQ(ReadUserMode(2), 1) << "the cached copy of the old file is not used";
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(UserFile(2)).parent_path()))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(UserModeFileTest, AMissingPresetGivesDefaultsAndIsReportedOnce)
{
    g_paths.presetPrefix = (dir / "no-such-folder" / "UserDengColor_").string();
    WriteText(UserFile(0), "[Mode0]\n1=1,2,3,0\n");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(RestoreUserModeFile(0));
    EXPECT_TRUE(RestoreUserModeFile(1));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadText(UserFile(0)), "");
    EXPECT_EQ(ReadKeyColour(0, 0, 1), (KeyColourEntry{MakeColour(255, 0, 0), 1}));
    size_t lines = 0;
    for (size_t at = said.find("cannot be read"); at != std::string::npos; at = said.find("cannot be read", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << said;
    EXPECT_NE(said.find(g_paths.presetPrefix + "3.userd"), std::string::npos) << said;
}

} // namespace
