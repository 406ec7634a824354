#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

#include "base/ProgramPaths.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"
#include "text/LanguageTexts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class KeyNamesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-keynames-" + std::to_string(::getpid()) + "-"
                                           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ResetProcessStateForTests();
        SetProgramPathsForTests(dir.string(), (dir / "user").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        WriteLanguageFile("[TEXT]\n"
                          "IDS_KEYBOARD_A=A\n"
                          "IDS_KEYBOARD_ESC=Esc\n"
                          "IDS_KEYBOARD_RSHIFT=Right Shift\n"
                          "IDS_KEYBOARD_S_ENTER=Num Enter\n"
                          "IDS_KEYBOARD_SPACE=Пробел\n"
                          "IDS_KEYBOARD_LCTRL=\n"
                          "MEDIA_V_ADD_7=Volume up\n"
                          "UNKNOWN_KEY=Key %d\n");
    }
    void TearDown() override
    {
        ResetProcessStateForTests();
        fs::remove_all(dir);
    }
    void WriteLanguageFile(const std::string& text)
    {
        std::ofstream(dir / "Lang0409.ini", std::ios::binary | std::ios::trunc) << text;
    }

    fs::path dir;
};

TEST_F(KeyNamesTest, NamesComeFromTheLanguageFileWithUnknownKeysFormatted)
{
    struct Case {
        uint16_t code;
        const char* name;
        const char* why;
    };
    const Case cases[] = {
        {30, "A", "plain key"},
        {0x11C, "Num Enter", "key with the 0xE0 prefix"},
        {310, "Right Shift", "second Right Shift record"},
        {304, "Volume up", "media key"},
        {100, "Key 100", "F13 has no language key"},
        {85, "Key 85", "empty record"},
        {0, "Key 0", "index 0 is empty"},
        {29, "Key 29", "language key with an empty text"},
        {17, "#Error", "language key missing from the file: the lookup's error text is not empty"},
        {600, "Key 600", "code past the table"},
        {520, "Key 520", "macro key code"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetKeyName(c.code), c.name) << c.why;
}

TEST_F(KeyNamesTest, NamesAreCutToOneCharacterLessThanTheBuffer)
{
    EXPECT_EQ(GetKeyName(1, 3), "Es");
    EXPECT_EQ(GetKeyName(1, 4), "Esc");
    EXPECT_EQ(GetKeyName(1, 1), "");
    EXPECT_EQ(GetKeyName(1, 0), "");
    EXPECT_EQ(GetKeyName(100, 5), "Key ");
    // Characters, not bytes: "Пробел" is 12 bytes, 6 characters.
    EXPECT_EQ(GetKeyName(57, 4), "Про");
    EXPECT_EQ(GetKeyName(57, 7), "Пробел");
    EXPECT_EQ(GetKeyName(57, 6), "Пробе");
}

TEST_F(KeyNamesTest, LongNameIsCutAtTheDefaultBuffer)
{
    std::string longName(300, 'x');
    WriteLanguageFile("[TEXT]\nIDS_KEYBOARD_A=" + longName + "\n");
    std::string name = GetKeyName(30);
    EXPECT_LE(name.size(), 259u);
    EXPECT_EQ(name, std::string(name.size(), 'x'));
    EXPECT_EQ(GetKeyName(30, 11), std::string(10, 'x'));
}

TEST_F(KeyNamesTest, MissingLanguageFileGivesTheLookupErrorText)
{
    fs::remove(dir / "Lang0409.ini");
    EXPECT_EQ(GetKeyName(30), "#Error");
    EXPECT_EQ(GetKeyName(100), "#Error"); // the unknown-key format itself is missing
}

TEST_F(KeyNamesTest, HostileUnknownKeyFormatIsNotInterpreted)
{
    WriteLanguageFile("[TEXT]\nUNKNOWN_KEY=%s %n %d %d\n");
    std::string name = GetKeyName(100);
    EXPECT_NE(name.find("100"), std::string::npos) << name;
    EXPECT_EQ(name.find("100", name.find("100") + 1), std::string::npos) << "only one placeholder is filled: " << name;
}

TEST_F(KeyNamesTest, ListNamesFollowTheChoiceList)
{
    EXPECT_EQ(GetListName(0), "A");
    EXPECT_EQ(GetListName(0x25), "Esc");
    EXPECT_EQ(GetListName(102), "Right Shift");
    EXPECT_EQ(GetListName(0x802E), "");  // F13: no language key
    EXPECT_EQ(GetListName(105), "");     // no record has it
    EXPECT_EQ(GetListName(0xFFFF), "");  // the empty records' code
    EXPECT_EQ(GetListName(0x61), "");    // Left Ctrl: an empty text
}

TEST(KeyNamesRealFiles, EveryNamedKeyHasANameInBothLanguages)
{
    ProgramPaths saved = g_paths;
    fs::path cfg = fs::temp_directory_path() / ("rt604-keynames-real-" + std::to_string(::getpid()));
    SetProgramPathsForTests(RT604_SOURCE_DIR "/data", (cfg / "user").string());
    SetSettingsFolderForTests(cfg.string());
    for (int language = 0; language < 2; ++language) {
        SetLanguageIndex(language);
        for (uint16_t listCode = 0; listCode <= 104; ++listCode) {
            std::string name = GetListName(listCode);
            EXPECT_FALSE(name.empty()) << listCode;
            EXPECT_NE(name, "#Error") << listCode;
        }
        EXPECT_EQ(GetKeyName(100), language == 0 ? "Key 100" : "Клавиша 100");
        for (int media = 0; media < 18; ++media)
            EXPECT_NE(GetKeyName(MediaKeyCode(media)), "#Error") << media;
    }
    SetSettingsFolderForTests("");
    g_paths = saved;
    fs::remove_all(cfg);
}

} // namespace
