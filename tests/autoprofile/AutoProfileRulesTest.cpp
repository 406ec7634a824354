#include "autoprofile/AutoProfileRules.h"

#include "platform/AtomicFile.h"
#include "platform/SettingsStore.h"

#include "support/SettingsFolderTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Rules = std::vector<AutoProfileRule>;

WindowIdentity Window(std::string instance, std::string windowClass, std::string executable = {},
                      std::string command = {})
{
    WindowIdentity w;
    w.kind = WindowIdentity::Kind::Application;
    w.instance = std::move(instance);
    w.windowClass = std::move(windowClass);
    w.executable = std::move(executable);
    w.command = std::move(command);
    return w;
}

TEST(AutoProfileRules, StoredFormReadsAsWritten)
{
    const struct {
        const char* text;
        Rules rules;
    } cases[] = {
        {"", {}},
        {"2:firefox;1:Steam", {{"firefox", 1}, {"Steam", 0}}},
        // ';' and '\' in a name are escaped; ':' after the first needs not be.
        {"3:a\\;b\\\\c", {{"a;b\\c", 2}}},
        {"1:C:\\\\Games\\\\x.exe", {{"C:\\Games\\x.exe", 0}}},
        {"1:Игра", {{"Игра", 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EncodeRules(c.rules), c.text);
        EXPECT_EQ(DecodeRules(c.text), c.rules);
    }
}

TEST(AutoProfileRules, DamagedEntriesAreSkippedAndTheRestKept)
{
    const struct {
        const char* text;
        Rules rules;
    } cases[] = {
        {"x:foo;4:bar;2:;:baz;22:qux;0:zero;1:ok", {{"ok", 0}}},
        {"1:a\x01" "b;2:fine", {{"fine", 1}}},
        {"3:  padded  ", {{"padded", 2}}},
        {";;;1:a;;", {{"a", 0}}},
        {"2:trailing\\", {{"trailing", 1}}}, // an escape with nothing after it
        {"firefox", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(DecodeRules(c.text), c.rules);
    }
    std::string many;
    for (int i = 0; i < 150; ++i)
        many += "1:app" + std::to_string(i) + ";";
    const Rules kept = DecodeRules(many);
    ASSERT_EQ(kept.size(), MaxAutoProfileRules);
    EXPECT_EQ(kept.back().application, "app99");
    const std::string longName(MaxApplicationChars + 1, 'x');
    EXPECT_TRUE(DecodeRules("1:" + longName).empty());
}

TEST(AutoProfileRules, EditingRefusesWhatCouldNotBeMatchedOrStored)
{
    AutoProfileSettings s;
    const struct {
        AutoProfileRule rule;
        RuleError error;
    } cases[] = {
        {{"", 0}, RuleError::EmptyApplication},
        {{" \t ", 0}, RuleError::EmptyApplication},
        {{std::string(MaxApplicationChars + 1, 'a'), 0}, RuleError::ApplicationTooLong},
        {{"two\nlines", 0}, RuleError::ControlCharacter},
        {{"del\x7f", 0}, RuleError::ControlCharacter},
        {{"firefox", 3}, RuleError::BadProfile},
        {{"firefox", -1}, RuleError::BadProfile},
        {{"  firefox ", 1}, RuleError::None},
        // 128 Cyrillic letters are 256 bytes but 128 characters.
        {{[] { std::string s; for (int i = 0; i < 128; ++i) s += "ж"; return s; }(), 2}, RuleError::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rule.application);
        EXPECT_EQ(AddRule(s, c.rule), c.error);
    }
    ASSERT_EQ(s.rules.size(), 2u);
    EXPECT_EQ(s.rules[0], (AutoProfileRule{"firefox", 1}));

    // The same application again changes its rule in place.
    size_t at = 99;
    EXPECT_EQ(AddRule(s, {"FireFox", 0}, &at), RuleError::None);
    EXPECT_EQ(at, 0u);
    ASSERT_EQ(s.rules.size(), 2u);
    EXPECT_EQ(s.rules[0], (AutoProfileRule{"firefox", 0}));

    for (int i = 0; s.rules.size() < MaxAutoProfileRules; ++i)
        ASSERT_EQ(AddRule(s, {"app" + std::to_string(i), 0}), RuleError::None);
    EXPECT_EQ(AddRule(s, {"one more", 0}), RuleError::TooManyRules);
    EXPECT_EQ(AddRule(s, {"app7", 2}), RuleError::None); // a change needs no room

    EXPECT_EQ(RemoveRule(s, MaxAutoProfileRules), RuleError::NoSuchRule);
    EXPECT_EQ(RemoveRule(s, 0), RuleError::None);
    EXPECT_EQ(s.rules.size(), MaxAutoProfileRules - 1);
    EXPECT_EQ(s.rules[0].profile, 2);
    EXPECT_EQ(s.rules[0].application.size(), 256u);
}

TEST(AutoProfileRules, MatchesAnyNameOfTheWindowIgnoringAsciiCase)
{
    const WindowIdentity browser = Window("Navigator", "firefox-esr", "firefox-esr", "GeckoMain");
    const WindowIdentity wine = Window("game.exe", "game.exe", "wine64-preloader", "Game.exe");
    const struct {
        const char* application;
        const WindowIdentity* window;
        bool matches;
    } cases[] = {
        {"navigator", &browser, true},
        {"FIREFOX-ESR", &browser, true},
        {"geckomain", &browser, true},
        {"firefox", &browser, false}, // whole names only
        {"firefox-esr ", &browser, false},
        {"GAME.EXE", &wine, true},
        {"wine64-preloader", &wine, true},
        {"wine", &wine, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.application);
        EXPECT_EQ(RuleMatches({c.application, 0}, *c.window), c.matches);
    }
    // Case is folded for ASCII letters only; other letters compare as they are.
    EXPECT_FALSE(RuleMatches({"ИГРА", 0}, Window("игра", "")));
    EXPECT_TRUE(RuleMatches({"игра", 0}, Window("игра", "")));
    // A window without names matches nothing, not even an odd rule.
    EXPECT_FALSE(RuleMatches({"x", 0}, WindowIdentity{}));
}

TEST(AutoProfileRules, TheFirstMatchingRuleWinsElseTheDefault)
{
    AutoProfileSettings s;
    s.rules = {{"steam", 1}, {"steam_app_570", 2}, {"code", 0}};
    s.defaultProfile = 2;
    EXPECT_EQ(WantedProfile(s, Window("steam_app_570", "steam_app_570", "", "steam")), 1);
    EXPECT_EQ(WantedProfile(s, Window("code", "Code")), 0);
    EXPECT_EQ(WantedProfile(s, Window("xterm", "XTerm")), 2);
    s.defaultProfile = KeepProfile;
    EXPECT_EQ(WantedProfile(s, Window("xterm", "XTerm")), KeepProfile);

    for (WindowIdentity::Kind kind : {WindowIdentity::Kind::None, WindowIdentity::Kind::OwnProgram,
                                      WindowIdentity::Kind::Desktop}) {
        WindowIdentity w = Window("code", "Code");
        w.kind = kind;
        EXPECT_EQ(WantedProfile(s, w), KeepProfile);
    }
    s.enabled = false;
    EXPECT_EQ(WantedProfile(s, Window("code", "Code")), KeepProfile);
}

class AutoProfileSettingsTest : public SettingsFolderTest {
protected:
    AutoProfileSettingsTest() : SettingsFolderTest("rt604-autoprofile-") {}
};

TEST_F(AutoProfileSettingsTest, SavedSettingsLoadBackAndMissingOnesAreOff)
{
    const AutoProfileSettings fresh = LoadAutoProfileSettings();
    EXPECT_TRUE(fresh.enabled);
    EXPECT_EQ(fresh.defaultProfile, KeepProfile);
    EXPECT_TRUE(fresh.rules.empty());
    EXPECT_FALSE(fresh.InUse());

    AutoProfileSettings s;
    s.enabled = false;
    s.defaultProfile = 1;
    s.rules = {{"a;b", 2}, {"steam", 0}};
    ASSERT_TRUE(SaveAutoProfileSettings(s));
    EXPECT_EQ(LoadAutoProfileSettings(), s);

    std::string text;
    ASSERT_TRUE(ReadWholeFile(AppSettings().Path(), text, 1 << 20));
    EXPECT_NE(text.find("[AUTO_PROFILES]"), std::string::npos);
    EXPECT_NE(text.find("Rules=3:a\\;b;1:steam"), std::string::npos) << text;
    EXPECT_NE(text.find("DefaultProfile=dword:00000002"), std::string::npos) << text;
}

TEST_F(AutoProfileSettingsTest, HostileValuesReadAsSafeOnes)
{
    const struct {
        const char* file;
        bool enabled;
        int32_t defaultProfile;
        size_t rules;
    } cases[] = {
        {"[AUTO_PROFILES]\nDefaultProfile=dword:00000007\nRules=1:a\n", true, KeepProfile, 1},
        {"[AUTO_PROFILES]\nDefaultProfile=dword:ffffffff\nEnabled=dword:00000000\n", false, KeepProfile, 0},
        {"[AUTO_PROFILES]\nDefaultProfile=2\nEnabled=yes\nRules=dword:00000001\n", true, KeepProfile, 0},
        {"[AUTO_PROFILES]\nDefaultProfile=dword:00000003\nRules=9:a;2:b\n", true, 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        fs::create_directories(dir / "cfg");
        ASSERT_TRUE(WriteFileAtomically(AppSettings().Path(), c.file));
        const AutoProfileSettings s = LoadAutoProfileSettings();
        EXPECT_EQ(s.enabled, c.enabled);
        EXPECT_EQ(s.defaultProfile, c.defaultProfile);
        EXPECT_EQ(s.rules.size(), c.rules);
    }
}

} // namespace
