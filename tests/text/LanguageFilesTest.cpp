#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfile.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Texts the windows, messages and menus ask for by key.
const char* const TextKeys[] = {
    "MAIN_CAPTION", "MAIN_HELP_PROMPT", "MAIN_MINIMIZE_PROMPT", "MAIN_MENU_PROMPT", "MAIN_CLOSE_PROMPT",
    "MAIN_PROMPT_DEFAULT", "MAIN_PROMPT_INPORT", "MAIN_NO_DEVICE_PROMPT", "KEYBOARD_TRAY_DESC", "PROFILE_1",
    "PROFILE_2", "PROFILE_3", "PROFILE_MACRO", "PROFILE_MACRO1", "PROFILE_DEFAULT", "PROFILE_DEFAULT1",
    "PROFILE_OK", "PROFILE_CANCLE", "PROFILE_APPLY", "ENGINSH_6", "RUSSIAN_7", "MENU_1", "MENU_2", "MENU_11",
    "MENU_22", "MENU_33", "LANG_ABOUT_TITLE", "LANG_ABOUT_OK", "GUANYU_JIESHAO", "GUANYU_BANQUAN",
    "MAIN_DEFAULT_MATRIX_PROMPT", "UNKNOWN_KEY",
    "PROFILE_FORMAT_ERROR", "PROFILE_LOAD_PROMPT", "PROFILE_NEW", "PROFILE_TIP", "PROFILE_SELECT_PROMPT",
    "PROFILE_SEELCT_PROMPT2", "DEFAULT_PROFILE_NAME",
    "KEY_PROMPT_FUNCTION", "KEY_PROMPT_MACRO", "KEY_PROMPT_MEDIA", "KEY_PROMPT_SET", "KEY_PROMPT_SINGLE",
    "EXTRA_MACRO_TOO_LONG", "EXTRA_PROFILE_SPACE_TIGHT",
    "A_TOP", "A_UP", "A_DOWN", "A_BOTTOM", "A_DELETE", "A_CLEAR", "A_RECORD", "COMPOSITE_PROMPT_OSK",
    "FUNCTION_KEY", "FUNCTION_TISHI", "IDS_MACRO_KB_KEY", "IDS_MACRO_MOU_KEY", "KEY_SETTING_TISHI",
    "MACRO_CANCLE", "MACRO_CYCLES", "MACRO_EDIT_TISHI", "MACRO_NAME_SETTING", "MACRO_OK", "MACRO_SETTING",
    "MACRO_SETTING1", "MEDIA_EDIT_TISHI", "MULTI_MEDIA", "RECORD_DELAY", "SINGLE_KEY", "SINGLE_STATIC",
    "MACRO_KEYS_TISHI", "MACRO_ACTION_TISHI", "MACRO_DELAY_MS",
    "MACRO_ACTION_CLEAR_CONFIRM", "MACRO_ACTION_ERR_DELAY_MAX", "MACRO_ACTION_ERR_MODIFY", "MACRO_ACTION_RECORD",
    "MACRO_ACTION_RECORD_DELAY", "MACRO_ACTION_STOP_RECORD", "MACRO_ACTION_STOP_RECORD1",
    "MACRO_DELETE_CONFIRM_OF_KEYS", "MACRO_ERR_MAX", "MACRO_NEW_PREFIX",
    "VIRTUAL_KEYBOARD_SUFFIX", "MENU_VK_PLUG", "MENU_VK_UNPLUG", "MENU_VK_NOTICE_0401", "MENU_VK_NOTICE_0402",
    "MENU_VK_NOTICE_1811", "MENU_VK_NOTICE_1810",
};

const char* const LightKeys[] = {"Usb", "Deng", "Light", "FX", "Speed", "Color", "JColor", "DC", "Tool"};

// Texts used as formats, with the one directive their caller fills.
const std::map<std::string, std::string> FormatTexts = {
    {"UNKNOWN_KEY", "%d"},
    {"PROFILE_FORMAT_ERROR", "%s"},
    {"MACRO_ERR_MAX", "%d"},
    {"MACRO_ACTION_ERR_DELAY_MAX", "%d"},
    {"PROFILE_AUTO_PICKED", "%s"},
    {"PROFILE_AUTO_PICK_NO_FOCUS", "%s"},
    {"PROFILE_AUTO_WAIT_CHANGES", "%s"},
    {"PROFILE_AUTO_WAIT_BUSY", "%s"},
    {"MAIN_EFFECT_NUMBER", "%s"},
    {"MAIN_PROMPT_SAVE_FAILED", "%s"},
    {"MAIN_FILE_TYPE_FILE", "%s"},
    {"MAIN_USER_MODE_NOT_SAVED", "%s"},
    {"MACRO_ACTION_RECORD_DELAY_SAVE_FAILED", "%s"},
    {"MACRO_MEMORY_NAMES_CONFIRM", "%s"},
    {"PROFILE_NEW_FAILED", "%s"},
    {"PROFILE_LOAD_REFUSED", "%s"},
    {"PROFILE_FILE_MISSING", "%s"},
    {"PROFILE_FILE_MISSING_TIP", "%s"},
    {"PROFILE_LIST_SAVE_FAILED", "%s"},
    {"PROFILE_SWITCH_FAILED", "%s"},
    {"PROFILE_FILE_REFUSED", "%s"},
    {"PROFILE_LOAD_UNAPPLIED_PROMPT", "%s"},
    {"PROFILE_LOAD_NOT_WRITTEN", "%s"},
    {"MAIN_INSTANCE_FOLDER_PROMPT", "%s"},
    {"MAIN_INSTANCE_NOT_ANSWERING_PROMPT", "%s"},
    {"UPDATE_START_FAILED", "%s"},
    {"UPDATE_NO_HANDLER", "%s"},
};

// Texts of the macro memory gauge, with the numbered places their caller
// fills: %1 the image with names, %2 the capacity, %3 the image without.
const std::map<std::string, std::vector<std::string>> NumberedFormatTexts = {
    {"MACRO_MEMORY_FITS", {"%1", "%2", "%3"}},
    {"MACRO_MEMORY_NO_NAMES", {"%1", "%2", "%3"}},
    {"MACRO_MEMORY_TOO_LARGE", {"%2", "%3"}},
    {"MACRO_MEMORY_UNKNOWN", {"%1", "%3"}},
    {"MACRO_MEMORY_TIP_SIZES", {"%1", "%3"}},
    {"MACRO_MEMORY_TIP_CAPACITY", {"%2"}},
    {"MACRO_MEMORY_FULL_CONFIRM", {"%2", "%3"}},
    // Two printf directives, each filled by a call of its own.
    {"KEYBOARD_BUSY_PROMPT", {"%s", "%d"}},
};

std::set<std::string> RequiredTextKeys()
{
    std::set<std::string> keys(std::begin(TextKeys), std::end(TextKeys));
    for (const KeyRecord& r : KeyTable) {
        if (r.languageKey[0] != '\0')
            keys.insert(r.languageKey);
    }
    for (const MediaEntry& e : MediaTable)
        keys.insert(KeyRecordOf(e.keyCode).languageKey);
    for (const char* key : KeyboardFunctions)
        keys.insert(key);
    for (const MouseAction& a : MouseActions)
        keys.insert(a.languageKey);
    return keys;
}

std::string Folded(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ReadLanguageFile(const std::string& name, std::string& bytes)
{
    return ReadWholeFile(std::string(RT604_SOURCE_DIR "/data/") + name, bytes, MaxProfileFileBytes);
}

struct LanguageFile {
    const char* name;
    std::string bytes;
    ParsedIni ini;
};

class LanguageFilesTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        file.name = GetParam();
        ASSERT_TRUE(ReadLanguageFile(file.name, file.bytes)) << file.name;
        file.ini = ParseIniText(file.bytes);
    }

    const ParsedIni::Section* Section(const char* name) const { return file.ini.FindSection(name); }

    LanguageFile file;
};

TEST_P(LanguageFilesTest, IsUtf8WithoutBom)
{
    ASSERT_FALSE(file.bytes.empty());
    EXPECT_NE(file.bytes.rfind("\xEF\xBB\xBF", 0), 0u) << "BOM";
    // Every lead byte is followed by the continuation bytes it announces.
    const auto* p = reinterpret_cast<const unsigned char*>(file.bytes.data());
    size_t n = file.bytes.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = p[i];
        size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        ASSERT_LT(extra, 4u) << "bad lead byte at " << i;
        ASSERT_LT(i + extra, n) << "truncated sequence at " << i;
        for (size_t k = 1; k <= extra; ++k)
            ASSERT_EQ(p[i + k] & 0xC0, 0x80) << "bad continuation at " << i + k;
        i += extra + 1;
    }
}

TEST_P(LanguageFilesTest, HasNoDuplicateSectionsOrKeys)
{
    std::set<std::string> sections;
    for (const ParsedIni::Section& s : file.ini.sections) {
        EXPECT_TRUE(sections.insert(Folded(s.name)).second) << "section " << s.name;
        std::set<std::string> keys;
        for (const auto& [key, value] : s.entries)
            EXPECT_TRUE(keys.insert(Folded(key)).second) << s.name << "/" << key;
    }
    EXPECT_EQ(sections, (std::set<std::string>{"text", "light", "mode"}));
}

TEST_P(LanguageFilesTest, EveryTextTheProgramAsksForIsPresentAndNotEmpty)
{
    for (const std::string& key : RequiredTextKeys()) {
        const std::string* text = file.ini.Find("TEXT", key);
        ASSERT_NE(text, nullptr) << key;
        EXPECT_FALSE(text->empty()) << key;
    }
    for (const char* key : LightKeys) {
        const std::string* text = file.ini.Find("LIGHT", key);
        ASSERT_NE(text, nullptr) << key;
        EXPECT_FALSE(text->empty()) << key;
    }
    for (int code = 1; code <= 20; ++code) {
        const std::string* text = file.ini.Find("MODE", std::to_string(code));
        ASSERT_NE(text, nullptr) << code;
        // 19 too: no effect of the table, but a keyboard may offer it.
        EXPECT_FALSE(text->empty()) << code;
    }
}

TEST_P(LanguageFilesTest, TextsFitTheLookupBuffer)
{
    // Lookups keep 259 characters; a longer text would be shown cut.
    for (const ParsedIni::Section& s : file.ini.sections) {
        for (const auto& [key, value] : s.entries)
            EXPECT_LE(CountUtf8Chars(value), 259u) << s.name << "/" << key;
    }
}

TEST_P(LanguageFilesTest, FormatsCarryExactlyTheDirectiveTheirCallerFills)
{
    for (const ParsedIni::Section& s : file.ini.sections) {
        for (const auto& [key, value] : s.entries) {
            size_t percents = static_cast<size_t>(std::count(value.begin(), value.end(), '%'));
            auto format = FormatTexts.find(key);
            auto numbered = NumberedFormatTexts.find(key);
            if (Folded(s.name) == "text" && format != FormatTexts.end()) {
                EXPECT_EQ(percents, 1u) << key << ": " << value;
                EXPECT_NE(value.find(format->second), std::string::npos) << key << ": " << value;
            } else if (Folded(s.name) == "text" && numbered != NumberedFormatTexts.end()) {
                EXPECT_EQ(percents, numbered->second.size()) << key << ": " << value;
                for (const std::string& place : numbered->second)
                    EXPECT_NE(value.find(place), std::string::npos) << key << ": " << value;
            } else {
                EXPECT_EQ(percents, 0u) << s.name << "/" << key << ": " << value;
            }
        }
    }
}

TEST_P(LanguageFilesTest, KeyPromptsCarryTheirSeparatorsAndOpeningBracket)
{
    // The key buttons' tooltips are built as name + SET + kind text + value + ")".
    for (const char* key : {"KEY_PROMPT_SINGLE", "KEY_PROMPT_MACRO", "KEY_PROMPT_MEDIA", "KEY_PROMPT_FUNCTION"}) {
        const std::string* text = file.ini.Find("TEXT", key);
        ASSERT_NE(text, nullptr) << key;
        ASSERT_FALSE(text->empty()) << key;
        EXPECT_EQ(text->back(), '(') << key;
    }
    const std::string* set = file.ini.Find("TEXT", "KEY_PROMPT_SET");
    ASSERT_NE(set, nullptr);
    ASSERT_FALSE(set->empty());
    EXPECT_EQ(set->front(), ' ') << "must not run into the key's name";
    const std::string* tip = file.ini.Find("TEXT", "PROFILE_TIP");
    ASSERT_NE(tip, nullptr);
    ASSERT_FALSE(tip->empty());
    EXPECT_EQ(tip->back(), ' ') << "must not run into the profile's name";
}

TEST_P(LanguageFilesTest, RecordDelaysTextCanNameASetting)
{
    // The record-delays setting is stored under this text as its value name.
    const std::string* name = file.ini.Find("TEXT", "MACRO_ACTION_RECORD_DELAY");
    ASSERT_NE(name, nullptr);
    ASSERT_FALSE(name->empty());
    EXPECT_EQ(name->find_first_of("=[]\r\n"), std::string::npos) << *name;
    EXPECT_NE(name->front(), ';');
    EXPECT_NE(name->front(), '#');
    EXPECT_NE(name->front(), ' ');
}

TEST_P(LanguageFilesTest, NewProfileNameIsAFileNameInTheUserFolder)
{
    // It is appended directly to the user folder, which has no trailing '/'.
    const std::string* name = file.ini.Find("TEXT", "PROFILE_NEW");
    ASSERT_NE(name, nullptr);
    ASSERT_GT(name->size(), 5u);
    EXPECT_EQ(name->front(), '/');
    EXPECT_EQ(name->find('/', 1), std::string::npos);
    EXPECT_EQ(name->substr(name->size() - 4), ".vpf");
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LanguageFilesTest, ::testing::Values("Lang0409.ini", "Lang0419.ini"));

bool HasCyrillic(const std::string& s)
{
    // U+0400..U+04FF are encoded with lead bytes 0xD0..0xD3.
    return std::any_of(s.begin(), s.end(), [](char c) {
        auto b = static_cast<unsigned char>(c);
        return b >= 0xD0 && b <= 0xD3;
    });
}

TEST(LanguageFiles, RussianTextsAreTranslated)
{
    std::string bytes;
    ASSERT_TRUE(ReadLanguageFile("Lang0419.ini", bytes));
    ParsedIni ini = ParseIniText(bytes);
    // The product name and the English language's own name stay as they are.
    const std::set<std::string> untranslated{"MAIN_CAPTION", "ENGINSH_6"};
    for (const char* key : TextKeys) {
        const std::string* text = ini.Find("TEXT", key);
        ASSERT_NE(text, nullptr) << key;
        EXPECT_EQ(HasCyrillic(*text), untranslated.count(key) == 0) << key << ": " << *text;
    }
    for (const char* key : LightKeys) {
        const std::string* text = ini.Find("LIGHT", key);
        ASSERT_NE(text, nullptr) << key;
        EXPECT_TRUE(HasCyrillic(*text)) << key;
    }
    for (const char* key : KeyboardFunctions) {
        const std::string* text = ini.Find("TEXT", key);
        ASSERT_NE(text, nullptr) << key;
        EXPECT_TRUE(HasCyrillic(*text)) << key;
    }
}

TEST(LanguageFiles, BothFilesHoldTheSameKeys)
{
    std::map<std::string, std::set<std::string>> keysOf[2];
    const char* names[2] = {"Lang0409.ini", "Lang0419.ini"};
    for (int i = 0; i < 2; ++i) {
        std::string bytes;
        ASSERT_TRUE(ReadLanguageFile(names[i], bytes));
        for (const ParsedIni::Section& s : ParseIniText(bytes).sections) {
            for (const auto& [key, value] : s.entries)
                keysOf[i][Folded(s.name)].insert(key);
        }
    }
    EXPECT_EQ(keysOf[0], keysOf[1]);
}

} // namespace
