// Every language key written into the program's sources, wherever it is
// written (a lookup, a table of button texts, a message helper), must have a
// text in both language files; a key added to the code alone would show
// "#Error" on screen.
#include "platform/AtomicFile.h"
#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

struct KeyUse {
    std::string section;
    std::string key;
    std::string file;
};

// Literals with these prefixes are language keys of section "TEXT" and
// nothing else (skin keys use "KEY_", "FUNC_", "CONTROL_", "LOCK_", "FLIP_").
const char* const TextKeyPattern =
    R"re("((?:MAIN|MACRO|PROFILE|KEY_PROMPT|IDS|MEDIA|MENU|EXTRA|LANG|GUANYU|VIRTUAL_KEYBOARD|ENGINSH|RUSSIAN|UPDATE)_[A-Za-z0-9_]*|FUNC_KEY_DESC[0-9]+|UNKNOWN_KEY|DEFAULT_PROFILE_NAME|KEYBOARD_TRAY_DESC)")re";

// Skin keys of the layout files that happen to carry a text prefix.
bool IsSkinKey(const std::string& key)
{
    return key == "MEDIA_SETTING_TISHI";
}

std::vector<KeyUse> KeysInSources()
{
    const std::regex textKey(TextKeyPattern);
    const std::regex lookup(R"re(Load(Light|Mode)?Text\(\s*"([^"]+)")re");
    std::vector<KeyUse> uses;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(RT604_SOURCE_DIR) / "src")) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
            continue;
        std::string text;
        if (!ReadWholeFile(entry.path().string(), text, 4u << 20))
            continue;
        const std::string file = fs::relative(entry.path(), RT604_SOURCE_DIR).string();
        for (std::sregex_iterator it(text.begin(), text.end(), textKey), end; it != end; ++it) {
            if (!IsSkinKey((*it)[1].str()))
                uses.push_back({"TEXT", (*it)[1].str(), file});
        }
        for (std::sregex_iterator it(text.begin(), text.end(), lookup), end; it != end; ++it) {
            const std::string kind = (*it)[1].str();
            uses.push_back({kind == "Light" ? "LIGHT" : kind == "Mode" ? "MODE" : "TEXT", (*it)[2].str(), file});
        }
    }
    return uses;
}

TEST(LanguageKeysInSources, EveryKeyTheCodeNamesHasATextInBothLanguages)
{
    const std::vector<KeyUse> uses = KeysInSources();
    // The scan must see the program's lookups, or it proves nothing.
    std::set<std::string> seen;
    for (const KeyUse& use : uses)
        seen.insert(use.key);
    for (const char* known : {"MAIN_CAPTION", "UNKNOWN_KEY", "EXTRA_MACRO_TOO_LONG", "PROFILE_SELECT_PROMPT",
                              "IDS_KEYBOARD_ESC", "FUNC_KEY_DESC11", "MACRO_NEW_PREFIX", "UPDATE_WRONG_FILE",
                              "PROFILE_COLUMN_ACTIVE"})
        EXPECT_EQ(seen.count(known), 1u) << known;

    for (const char* name : {"Lang0409.ini", "Lang0419.ini"}) {
        SCOPED_TRACE(name);
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(std::string(RT604_SOURCE_DIR "/data/") + name, bytes, MaxProfileFileBytes));
        const ParsedIni ini = ParseIniText(bytes);
        for (const KeyUse& use : uses) {
            const std::string* text = ini.Find(use.section, use.key);
            EXPECT_TRUE(text && !text->empty()) << use.section << "/" << use.key << " used in " << use.file;
        }
    }
}

} // namespace
