// rt604ctl rules as a user runs it: one settings folder through a session of
// edits, each step's exit code and words, and what the settings hold after.
#include "autoprofile/AutoProfileRules.h"
#include "platform/AtomicFile.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class RulesCtlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-rules-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        // Where rt604ctl puts the settings for XDG_CONFIG_HOME=dir/xdg.
        SetSettingsFolderForTests((dir / "xdg" / "orvan-rt604").string());
    }
    void TearDown() override
    {
        SetSettingsFolderForTests("");
        fs::remove_all(dir);
    }

    struct Result {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    Result Run(const std::string& arguments) const { return RunLine("rules " + arguments); }

    // The whole command line after the program's name.
    Result RunLine(const std::string& line) const
    {
        const std::string program = std::string(RT604_BINARY_DIR) + "/bin/rt604ctl";
        const std::string out = (dir / "out.txt").string(), err = (dir / "err.txt").string();
        const std::string command = "XDG_CONFIG_HOME='" + (dir / "xdg").string() + "' '" + program + "' " + line +
                                    " >'" + out + "' 2>'" + err + "'";
        const int status = std::system(command.c_str());
        Result r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ReadWholeFile(out, r.out, 1 << 20);
        ReadWholeFile(err, r.err, 1 << 20);
        return r;
    }

    fs::path dir;
};

TEST_F(RulesCtlTest, ASessionOfEditsListsAndStoresTheRules)
{
    const struct {
        const char* arguments;
        int exitCode;
        const char* out; // a piece of standard output, or of standard error when it failed
    } steps[] = {
        {"", 0, "Automatic profiles are on.\nNo rules.\nAny other application: keep the active profile.\n"},
        {"add game 3", 0, "Added rule 1: game -> profile 3\n"},
        {"add 'Steam Big Picture' 1", 0, "Added rule 2: Steam Big Picture -> profile 1\n"},
        {"add GAME 2", 0, "Changed rule 1: game -> profile 2\n"},
        {"add 'a;b\\c' 3", 0, "Added rule 3: a;b\\c -> profile 3\n"},
        {"", 0, "  1  profile 2  game\n  2  profile 1  Steam Big Picture\n  3  profile 3  a;b\\c\n"},
        {"add x 4", 2, "profiles 1, 2 and 3, not \"4\""},
        {"add x 0", 2, "profiles 1, 2 and 3"},
        {"add '  ' 1", 2, "the application name is empty"},
        {"add \"$(printf 'a\\tb')\" 1", 2, "control character"},
        {"add onlyname", 2, "usage: rt604ctl rules"},
        {"remove 4", 1, "there is no rule 4 (there are 3)"},
        {"remove x", 2, "no rule number"},
        {"remove 0", 2, "no rule number"},
        {"remove 2", 0, "Removed rule 2: Steam Big Picture -> profile 1\n"},
        {"default 2", 0, "Any other application: profile 2.\n"},
        {"default 4", 2, "not \"4\""},
        {"off", 0, "Automatic profiles are off.\n"},
        {"frob", 2, "usage: rt604ctl rules"},
        {"", 0, "Automatic profiles are off.\n  1  profile 2  game\n  2  profile 3  a;b\\c\n"
                "Any other application: profile 2.\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments);
        const Result r = Run(step.arguments);
        EXPECT_EQ(r.exitCode, step.exitCode) << r.err;
        const std::string& text = step.exitCode == 0 ? r.out : r.err;
        EXPECT_NE(text.find(step.out), std::string::npos) << text;
        if (step.exitCode != 0) {
            EXPECT_TRUE(r.out.empty()) << r.out;
        }
    }
    AutoProfileSettings expected;
    expected.enabled = false;
    expected.defaultProfile = 1;
    expected.rules = {{"game", 1}, {"a;b\\c", 2}};
    EXPECT_EQ(LoadAutoProfileSettings(), expected);
}

TEST_F(RulesCtlTest, TheHundredthRuleIsTheLast)
{
    AutoProfileSettings full;
    for (size_t i = 0; i < MaxAutoProfileRules; ++i)
        full.rules.push_back({"app" + std::to_string(i), 0});
    ASSERT_TRUE(SaveAutoProfileSettings(full));
    const Result r = Run("add another 1");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("there are already 100 rules"), std::string::npos) << r.err;
    EXPECT_EQ(LoadAutoProfileSettings(), full);
    // Changing one of them needs no room.
    EXPECT_EQ(Run("add APP7 3").exitCode, 0);
    EXPECT_EQ(LoadAutoProfileSettings().rules[7], (AutoProfileRule{"app7", 2}));
}

// The global options stand anywhere, as for every other command: --json
// prints the rules as JSON (after an edit, the rules as saved), and the
// virtual keyboard, which has nothing to do with the rules, changes nothing.
TEST_F(RulesCtlTest, TakesTheGlobalOptionsAnywhere)
{
    const std::string state = (dir / "kb.state").string();
    const struct {
        std::string line;
        const char* out;
    } steps[] = {
        {"rules --json", "{\n  \"enabled\": true,\n  \"rules\": [],\n  \"defaultProfile\": null\n}\n"},
        {"--virtual-keyboard=" + state + " rules add game 3", "Added rule 1: game -> profile 3\n"},
        {"rules add 'Tab\"s \\ app' 1 --virtual-keyboard " + state, "Added rule 2: Tab\"s \\ app -> profile 1\n"},
        {"--json rules default 2",
         "{\n  \"enabled\": true,\n  \"rules\": [\n    {\n      \"number\": 1,\n      \"application\": \"game\",\n"
         "      \"profile\": 3\n    },\n    {\n      \"number\": 2,\n"
         "      \"application\": \"Tab\\\"s \\\\ app\",\n      \"profile\": 1\n    }\n  ],\n"
         "  \"defaultProfile\": 2\n}\n"},
        {"rules remove 1 --json --virtual-keyboard=" + state,
         "{\n  \"enabled\": true,\n  \"rules\": [\n    {\n      \"number\": 1,\n"
         "      \"application\": \"Tab\\\"s \\\\ app\",\n      \"profile\": 1\n    }\n  ],\n"
         "  \"defaultProfile\": 2\n}\n"},
        {"rules off --json", "{\n  \"enabled\": false,\n  \"rules\": [\n    {\n      \"number\": 1,\n"
                             "      \"application\": \"Tab\\\"s \\\\ app\",\n      \"profile\": 1\n    }\n  ],\n"
                             "  \"defaultProfile\": 2\n}\n"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.line);
        const Result r = RunLine(step.line);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, step.out);
        EXPECT_EQ(r.err, "");
    }
    // The virtual keyboard was never opened: its state file was not made.
    EXPECT_FALSE(fs::exists(state));

    // A wrong use with --json still says what is wrong, and prints no JSON.
    const Result wrong = RunLine("rules --json remove 9");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_NE(wrong.err.find("there is no rule 9"), std::string::npos) << wrong.err;
}

// Every command takes both global options or refuses one by name with the
// reason; none answers an option with a bare usage line or ignores it
// silently where it cannot honour it.
TEST_F(RulesCtlTest, AnOptionThatDoesNotApplyIsRefusedByNameWithTheReason)
{
    const std::string file = (dir / "x.vpf").string();
    const struct {
        std::string command; // with its arguments
        bool takesJson;
        bool takesKeyboard;
    } cases[] = {
        {"validate " + file, true, false},
        {"dump " + file, true, false},
        {"info", true, true},
        {"profile", true, true},
        {"export " + (dir / "out.vpf").string(), false, true},
        {"import " + file, false, true},
        {"keymap 1", true, true},
        {"macros", true, true},
        {"lighting", true, true},
        {"key-colours 1", true, true},
        {"rules", true, true},
    };
    // The commands --help lists, each with a row here.
    std::vector<std::string> listed, rows;
    std::istringstream help(RunLine("--help").out);
    std::string line;
    while (std::getline(help, line) && line != "Commands:") {
    }
    while (std::getline(help, line) && !line.empty())
        listed.push_back(line.substr(2, line.find(' ', 2) - 2));
    for (const auto& c : cases)
        rows.push_back(c.command.substr(0, c.command.find(' ')));
    EXPECT_EQ(rows, listed);

    for (const auto& c : cases) {
        const std::string name = c.command.substr(0, c.command.find(' '));
        for (const bool keyboardOption : {false, true}) {
            const std::string option =
                keyboardOption ? "--virtual-keyboard=" + (dir / "kb.state").string() : std::string("--json");
            SCOPED_TRACE(c.command + " " + option);
            const Result r = RunLine(c.command + " " + option);
            if (keyboardOption ? c.takesKeyboard : c.takesJson) {
                EXPECT_NE(r.exitCode, 2) << r.err;
                EXPECT_EQ(r.err.find("does not apply"), std::string::npos) << r.err;
                EXPECT_EQ(r.err.find("usage: rt604ctl"), std::string::npos) << r.err;
                continue;
            }
            const std::string reason =
                keyboardOption ? "rt604ctl: --virtual-keyboard does not apply to " + name +
                                     ": it reads only the file it is given, no keyboard\n"
                               : "rt604ctl: --json does not apply to " + name + ": it prints no data\n";
            EXPECT_EQ(r.exitCode, 2);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err.rfind(reason, 0), 0u) << r.err;
            EXPECT_NE(r.err.find("usage: rt604ctl"), std::string::npos) << r.err;
        }
    }
}

// An edit that cannot be saved says where and why and exits 1.
TEST_F(RulesCtlTest, AnEditThatCannotBeSavedFailsWithTheReason)
{
    const std::string settings = AppSettings().Path();
    for (const std::string blocked : {settings + ".lock", settings}) {
        SCOPED_TRACE(blocked);
        fs::remove_all(settings + ".lock");
        fs::remove_all(settings);
        ASSERT_EQ(Run("add game 3").exitCode, 0);
        fs::remove_all(blocked);
        fs::create_directory(blocked); // refused even by root
        const Result r = Run("add other 1");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(settings + ": is a folder, not a file"), std::string::npos) << r.err;
        fs::remove_all(blocked);
    }
}

} // namespace
