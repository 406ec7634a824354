#include "text/LanguageTexts.h"

#include "base/ProgramPaths.h"
#include "platform/PrivateProfile.h"
#include "support/RecordProblems.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const char* const LocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

class LanguageTextsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-lang-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ResetProcessStateForTests();
        SetProgramPathsForTests(dir.string(), (dir / "user").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        for (const char* v : LocaleVariables) {
            const char* value = std::getenv(v);
            savedEnv.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
        SetLocale("", "", "en_US.UTF-8");
    }
    void TearDown() override
    {
        for (size_t i = 0; i < savedEnv.size(); ++i) {
            if (savedEnv[i])
                setenv(LocaleVariables[i], savedEnv[i]->c_str(), 1);
            else
                unsetenv(LocaleVariables[i]);
        }
        ResetProcessStateForTests();
        fs::remove_all(dir);
    }

    static void SetLocale(const char* all, const char* messages, const char* lang)
    {
        const char* values[] = {all, messages, lang};
        for (size_t i = 0; i < 3; ++i)
            setenv(LocaleVariables[i], values[i], 1);
    }
    // Writes as another program would: no cache invalidation.
    static void WriteFile(const fs::path& path, const std::string& text)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    }
    static void SetMtime(const fs::path& path, time_t seconds)
    {
        timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    // The raw stored value as another program would see it.
    std::optional<std::string> StoredRaw() const
    {
        IniCache::Instance().Invalidate(UserKey().Path());
        return ReadPrivateProfileValue("Software\\Orvan RT-604", "dwLanguageId", UserKey().Path());
    }

    fs::path dir;
    std::vector<std::optional<std::string>> savedEnv;
};

std::string Repeat(const std::string& piece, int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += piece;
    return s;
}

TEST_F(LanguageTextsTest, LookupRules)
{
    WriteFile(dir / "Lang0409.ini", "[TEXT]\n"
                                    "MAIN_CAPTION=Orvan RT-604\n"
                                    "EMPTY=\n"
                                    "LONG=" + Repeat("x", 300) + "\n"
                                    "RUSSIAN_LONG=" + Repeat("Ж", 300) + "\n"
                                    "[LIGHT]\n"
                                    "Speed=Speed\n"
                                    "[MODE]\n"
                                    "12=Ripple\n");
    struct Case {
        std::string (*lookup)(const std::string&, int);
        const char* key;
        int index;
        std::string expected;
    } cases[] = {
        {LoadText, "MAIN_CAPTION", 0, "Orvan RT-604"},
        {LoadText, "main_caption", 0, "Orvan RT-604"},
        {LoadText, "MISSING_KEY", 0, "#Error"},
        {LoadText, "EMPTY", 0, ""},
        {LoadText, "LONG", 0, Repeat("x", 259)},
        {LoadText, "RUSSIAN_LONG", 0, Repeat("Ж", 259)},
        {LoadText, "Speed", 0, "#Error"},
        {LoadLightText, "Speed", 0, "Speed"},
        {LoadModeText, "12", 0, "Ripple"},
        {LoadModeText, "13", 0, "#Error"},
        {LoadText, "MAIN_CAPTION", 1, "#Error"}, // no Lang0419.ini
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.lookup(c.key, c.index), c.expected) << c.key << " index " << c.index;
}

TEST_F(LanguageTextsTest, AMissingOrDamagedLanguageFileIsToldOnce)
{
    RecordProblems problems;
    const std::vector<std::string>& told = problems.told;
    const std::string english = (dir / "Lang0409.ini").string();
    // Missing: every text is "#Error", as always; why is told once.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(LoadText("MAIN_CAPTION", 0), "#Error");
    EXPECT_EQ(LoadModeText("5", 0), "#Error");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], english + ": the language file cannot be read (No such file or directory); texts show as #Error");

    // Present but without its texts: the same, with the other reason.
    WriteFile(dir / "Lang0409.ini", std::string("\0\x01binary junk [LIGHT]\n", 20));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(LoadText("MAIN_CAPTION", 0), "#Error");
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[1], english + ": the language file is damaged (it has no [TEXT] section); texts show as #Error");

    // A sound file says nothing.
    WriteFile(dir / "Lang0419.ini", "[TEXT]\nMAIN_CAPTION=\xD0\x9A\n");
    EXPECT_EQ(LoadText("MAIN_CAPTION", 1), "\xD0\x9A");
    EXPECT_EQ(told.size(), 2u);
}

// Texts that were fixed in the program before they had keys: an older
// language file (or none) shows the fixed text instead of "#Error".
TEST_F(LanguageTextsTest, FallbackStandsInOnlyForAMissingKey)
{
    WriteFile(dir / "Lang0409.ini", "[TEXT]\n"
                                    "UPDATE_WRONG_FILE=Choose an updater\n"
                                    "EMPTY=\n"
                                    "[LIGHT]\n"
                                    "UPDATE_NO_LOADER=in the wrong section\n");
    const struct {
        const char* key;
        int index;
        std::string expected;
    } cases[] = {
        {"UPDATE_WRONG_FILE", 0, "Choose an updater"},
        {"update_wrong_file", 0, "Choose an updater"},
        {"EMPTY", 0, ""},
        {"UPDATE_NO_LOADER", 0, "fixed"},
        {"UPDATE_WRONG_FILE", 1, "fixed"}, // no Lang0419.ini at all
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadTextOr(c.key, "fixed", c.index), c.expected) << c.key << " index " << c.index;
}

TEST_F(LanguageTextsTest, LanguageFileNames)
{
    EXPECT_EQ(LanguageFilePath(1033), dir.string() + "/Lang0409.ini");
    EXPECT_EQ(LanguageFilePath(1049), dir.string() + "/Lang0419.ini");
    EXPECT_EQ(LanguageFilePath(0x2C09), dir.string() + "/Lang2C09.ini");
    EXPECT_EQ(LanguageIdOfIndex(0), 1033u);
    EXPECT_EQ(LanguageIdOfIndex(1), 1049u);
    EXPECT_EQ(LanguageIdOfIndex(7), 1033u);
}

TEST_F(LanguageTextsTest, ChangedFileTakesEffectAtNextLookup)
{
    fs::path file = dir / "Lang0409.ini";
    WriteFile(file, "[TEXT]\nK=one\n");
    SetMtime(file, 2000000);
    EXPECT_EQ(LoadText("K", 0), "one");

    WriteFile(file, "[TEXT]\nK=three\n"); // other size, same time
    SetMtime(file, 2000000);
    EXPECT_EQ(LoadText("K", 0), "three");

    WriteFile(file, "[TEXT]\nK=seven\n"); // same size, new time
    SetMtime(file, 2000001);
    EXPECT_EQ(LoadText("K", 0), "seven");

    fs::remove(file);
    EXPECT_EQ(LoadText("K", 0), "#Error");
}

TEST_F(LanguageTextsTest, StoredLanguageDecidesEachLookup)
{
    WriteFile(dir / "Lang0409.ini", "[TEXT]\nHELLO=Hello\n");
    WriteFile(dir / "Lang0419.ini", "[TEXT]\nHELLO=Привет\n");
    EXPECT_EQ(LoadText("HELLO"), "Hello");
    SetLanguageIndex(1);
    EXPECT_EQ(GetLanguageIndex(), 1);
    EXPECT_EQ(LoadText("HELLO"), "Привет");
    SetLanguageIndex(0);
    EXPECT_EQ(LoadText("HELLO"), "Hello");

    // Another process changes the stored language: seen at the next lookup.
    WriteFile(UserKey().Path(), "[Software\\Orvan RT-604]\ndwLanguageId=dword:00000419\n");
    SetMtime(UserKey().Path(), 3000000);
    EXPECT_EQ(LoadText("HELLO"), "Привет");
    WriteFile(UserKey().Path(), "[Software\\Orvan RT-604]\ndwLanguageId=dword:00000409\n");
    SetMtime(UserKey().Path(), 3000001);
    EXPECT_EQ(LoadText("HELLO"), "Hello");
}

TEST_F(LanguageTextsTest, GetLanguageIdRules)
{
    struct Case {
        const char* name;
        const char* storedLine; // nullptr: no value at all
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        uint32_t expectedId;
        const char* expectedStored;
        int expectedIndex;
    } cases[] = {
        {"first start, US English", nullptr, "", "", "en_US.UTF-8", 1033, "dword:00000409", 0},
        {"stored 0, British English", "dword:00000000", "", "", "en_GB.UTF-8", 1033, "dword:00000409", 0},
        {"Australian English", nullptr, "", "", "en_AU", 1033, "dword:00000409", 0},
        {"Trinidad English", nullptr, "", "", "en_TT.UTF-8", 1033, "dword:00000409", 0},
        {"German system", nullptr, "", "", "de_DE.UTF-8", 1033, "dword:00000409", 0},
        {"Russian system", nullptr, "", "", "ru_RU.UTF-8", 1049, "dword:00000419", 1},
        {"LC_ALL wins", nullptr, "ru_RU.UTF-8", "de_DE", "en_US", 1049, "dword:00000419", 1},
        {"LC_MESSAGES before LANG", nullptr, "", "ru_RU", "en_US", 1049, "dword:00000419", 1},
        {"C locale", nullptr, "", "", "C", 1033, "dword:00000409", 0},
        {"nothing set", nullptr, "", "", "", 1033, "dword:00000409", 0},
        {"string instead of DWORD", "1049", "", "", "ru_RU.UTF-8", 1049, "dword:00000419", 1},
        {"damaged DWORD", "dword:zz", "", "", "en_US", 1033, "dword:00000409", 0},
        {"stored Russian kept", "dword:00000419", "", "", "en_US", 1049, "dword:00000419", 1},
        {"stored other id unchanged", "dword:00000407", "", "", "ru_RU", 1031, "dword:00000407", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "cfg");
        IniCache::Instance().Invalidate(UserKey().Path());
        if (c.storedLine) {
            WriteFile(UserKey().Path(), std::string("[Software\\Orvan RT-604]\ndwLanguageId=") + c.storedLine + "\n");
        }
        SetLocale(c.lcAll, c.lcMessages, c.lang);
        EXPECT_EQ(GetLanguageId(), c.expectedId);
        EXPECT_EQ(StoredRaw(), std::optional<std::string>(c.expectedStored));
        EXPECT_EQ(GetLanguageIndex(), c.expectedIndex);
        // Decided once: a later change of the system language changes nothing.
        SetLocale("", "", c.expectedId == 1049 ? "en_US" : "ru_RU");
        EXPECT_EQ(GetLanguageId(), c.expectedId);
    }
}

TEST_F(LanguageTextsTest, StoredIdOutsideTableLooksUpEnglish)
{
    WriteFile(dir / "Lang0409.ini", "[TEXT]\nHELLO=Hello\n");
    WriteFile(dir / "Lang0407.ini", "[TEXT]\nHELLO=Hallo\n");
    ASSERT_TRUE(UserKey().SetDword("dwLanguageId", 1031));
    EXPECT_EQ(LoadText("HELLO"), "Hello");
    EXPECT_EQ(UserKey().GetDword("dwLanguageId"), 1031u);
}

TEST(LanguageIdFromLocale, MapsLocaleNames)
{
    struct Case {
        const char* locale;
        uint32_t id;
    } cases[] = {
        {"en_US.UTF-8", 0x0409}, {"en_GB.UTF-8", 0x0809}, {"en_AU", 0x0C09},   {"en_CA", 0x1009},
        {"en_NZ", 0x1409},       {"en_IE@euro", 0x1809},  {"en_ZA", 0x1C09},   {"en_JM", 0x2009},
        {"en_BZ", 0x2809},       {"en_TT", 0x2C09},       {"ru_RU.KOI8-R", 0x0419}, {"ru", 0x0419},
        {"de_DE", 0x0407},       {"fr_FR", 0x040C},       {"es_ES", 0x0C0A},   {"uk_UA.UTF-8", 0x0422},
        {"de_LU", 0x0407},       {"C", 0x0409},           {"POSIX", 0x0409},   {"C.UTF-8", 0x0409},
        {"xx_YY", 0x0409},       {"", 0x0409},            {"_", 0x0409},       {"@", 0x0409},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LanguageIdFromLocale(c.locale), c.id) << c.locale;
}

TEST(FormatText, Numbers)
{
    struct Case {
        const char* format;
        long long number;
        const char* expected;
    } cases[] = {
        {"%d bytes", 42, "42 bytes"},
        {"Macro %i of %d", 3, "Macro 3 of %d"},
        {"%u", -1, "4294967295"},
        {"[%5d]", 42, "[   42]"},
        {"[%-5d]", 42, "[42   ]"},
        {"[%05d]", -42, "[-0042]"},
        {"[%+d]", 7, "[+7]"},
        {"%ld%%", 50, "50%"},
        {"%s%s%d", 9, "%s%s9"},
        {"100%", 1, "100%"},
        {"%n%d", 5, "%n5"},
        {"%", 5, "%"},
        {"%%d", 5, "%d"},
        {"no placeholder", 5, "no placeholder"},
        {"%d", -9223372036854775807LL - 1, "-9223372036854775808"},
        {"%.3d", 7, "007"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatText(c.format, c.number), c.expected) << c.format;
}

TEST(FormatText, Texts)
{
    struct Case {
        const char* format;
        const char* text;
        const char* expected;
    } cases[] = {
        {"Delete %s?", "Macro 1", "Delete Macro 1?"},
        {"%ls and %s", "a", "a and %s"},
        {"%S!", "b", "b!"},
        {"%s%s%d", "x", "x%s%d"},
        {"%d then %s", "t", "%d then t"},
        {"[%6s]", "Ж", "[     Ж]"},
        {"[%-3s]", "a", "[a  ]"},
        {"%.2s", "Привет", "Пр"},
        {"%n %p %x", "t", "%n %p %x"},
        {"50%", "t", "50%"},
        {"%s", "%d %s %n", "%d %s %n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatText(c.format, std::string(c.text)), c.expected) << c.format;
}

TEST(FormatText, HugeWidthsStayBounded)
{
    std::string number = FormatText("%999999d", 5);
    EXPECT_LE(number.size(), 64u);
    EXPECT_EQ(number.back(), '5');
    std::string text = FormatText("%99999999999999999999s|", std::string("t"));
    EXPECT_LE(text.size(), 65u);
    EXPECT_EQ(text.substr(text.size() - 2), "t|");
    EXPECT_LE(FormatText("%.999999d", 5).size(), 64u);
}

// Numbers of bytes in messages: thousands grouped as each language writes
// them, the Russian way with a no-break space so a number never breaks.
TEST(GroupedNumberTest, ThousandsAreGroupedAsTheLanguageWritesThem)
{
    const struct {
        long long value;
        const char* english;
        const char* russian;
    } cases[] = {
        {0, "0", "0"},
        {999, "999", "999"},
        {1000, "1,000", "1\u00A0000"},
        {8224, "8,224", "8\u00A0224"},
        {32512, "32,512", "32\u00A0512"},
        {1234567, "1,234,567", "1\u00A0234\u00A0567"},
        {-4096, "-4,096", "-4\u00A0096"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GroupedNumber(c.value, 0), c.english) << c.value;
        EXPECT_EQ(GroupedNumber(c.value, 1), c.russian) << c.value;
    }
}

} // namespace
