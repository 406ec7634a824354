// rt604ctl as a user runs it: exit codes, standard output and error.
#include "config/DocumentTestSupport.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class Rt604CtlTest : public DocumentFixture {
protected:
    RunResult Run(const std::string& arguments)
    {
        const std::string program = std::string(RT604_BINARY_DIR) + "/bin/rt604ctl";
        EXPECT_TRUE(fs::exists(program)) << "build the rt604ctl target";
        const std::string outFile = Path("out.txt"), errFile = Path("err.txt");
        const std::string command = "XDG_CONFIG_HOME='" + (dir / "xdg").string() + "' '" + program + "' "
            + arguments + " >'" + outFile + "' 2>'" + errFile + "'";
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::vector<uint8_t> out = ReadBytes(outFile), err = ReadBytes(errFile);
        result.out.assign(out.begin(), out.end());
        result.err.assign(err.begin(), err.end());
        return result;
    }
    std::string Quoted(const std::string& name) { return "'" + Path(name) + "'"; }
};

TEST_F(Rt604CtlTest, ValidateGivesPreciseReasons)
{
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
    std::vector<uint8_t> valid(block->bytes.begin(), block->bytes.end());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int exitCode;
        const char* reason;
    };
    std::vector<uint8_t> badSignature = valid;
    badSignature[0] = 0;
    badSignature[31] = HeaderChecksum(badSignature.data());
    std::vector<uint8_t> badChecksum = valid;
    badChecksum[31] ^= 0x10;
    std::vector<uint8_t> mismatch = valid;
    WriteU32(mismatch.data(), 16, 4);
    mismatch[31] = HeaderChecksum(mismatch.data());
    std::vector<uint8_t> truncated = mismatch;
    WriteU32(truncated.data(), 8, 32832 + 4);
    truncated[31] = HeaderChecksum(truncated.data());
    std::vector<uint8_t> trailing = valid;
    trailing.push_back(0);
    const Case cases[] = {
        {"valid", valid, 0, ""},
        {"too short", std::vector<uint8_t>(valid.begin(), valid.begin() + 100), 1, "too short"},
        {"bad signature", badSignature, 1, "bad signature"},
        {"bad checksum", badChecksum, 1, "bad checksum"},
        {"length mismatch", mismatch, 1, "length mismatch"},
        {"truncated", truncated, 1, "truncated"},
        {"trailing bytes", trailing, 1, "trailing bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(Path("file.vpf"), c.bytes));
        RunResult r = Run("validate " + Quoted("file.vpf"));
        EXPECT_EQ(r.exitCode, c.exitCode);
        if (c.exitCode == 0) {
            EXPECT_NE(r.out.find("valid"), std::string::npos);
            EXPECT_TRUE(r.err.empty()) << r.err;
        } else {
            EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(Path("file.vpf")), std::string::npos) << r.err;
        }
    }
    RunResult missing = Run("validate " + Quoted("none.vpf"));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
}

TEST_F(Rt604CtlTest, UsageErrorsExitWithTwo)
{
    for (const char* arguments : {"", "validate", "validate a b", "dump", "nonsense", "dump a b"}) {
        SCOPED_TRACE(arguments);
        RunResult r = Run(arguments);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_FALSE(r.err.empty());
        EXPECT_TRUE(r.out.empty());
    }
    RunResult help = Run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("validate FILE"), std::string::npos);
    EXPECT_NE(help.out.find("dump FILE"), std::string::npos);
}

TEST_F(Rt604CtlTest, WaitTakesSecondsAndHelpNamesTheBusyStatus)
{
    for (const char* arguments : {"--wait info", "--wait=abc info", "--wait=-1 info", "--wait=86401 info",
                                  "info --wait", "--wait= info", "--wait=1s info"}) {
        SCOPED_TRACE(arguments);
        RunResult r = Run(arguments);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find("--wait needs a number of seconds"), std::string::npos) << r.err;
    }
    RunResult help = Run("--help");
    EXPECT_NE(help.out.find("--wait SECONDS"), std::string::npos);
    EXPECT_NE(help.out.find("7 the keyboard stayed busy with another program"), std::string::npos);
}

// The dump names keys with the installed language files, so it runs with
// the data folder beside the program; the assertions use names that every
// language file spells with Latin letters or digits.
TEST_F(Rt604CtlTest, DumpShowsSlotsMacrosAndEscapedStrings)
{
    {
        DocumentLock lock;
        ConfigBlock& block = *g_configDoc.block;
        SetSlotType(block, 512 * 2 + 30, 2);
        SetSlotValue(block, 512 * 2 + 30, 31);
        SetSlotType(block, 512 * 3 + 258, 4);
        SetSlotValue(block, 512 * 3 + 258, 42);
        SetSlotIdentity(block, 512 * 3 + 258, 5);
    }
    AddMacro(42, u"Quote \" back\\slash \u00e9", {{10, 30, 0}, {20, 30, 1}});
    SetString(512 + 59, 6, u"line1\nline2\t\"q\" \u0001 \xD800 end");
    const std::string file = Path("dump.vpf");
    ASSERT_EQ(SaveDocumentToFile(1, file), 1);

    RunResult r = Run("dump " + Quoted("dump.vpf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string& json = r.out;
    for (const char* expected : {
             "\"macroCount\": 1",
             "\"stringBytes\": 48",
             "\"checksum\": ",
             "\"group\": 2",
             "\"typeName\": \"key\"",
             "\"keyName\": \"G3\"",
             "\"typeName\": \"macro\"",
             "\"macroId\": 42",
             "\"playCount\": 5",
             "\"name\": \"Quote \\\" back\\\\slash \u00e9\"",
             "\"direction\": \"down\"",
             "\"direction\": \"up\"",
             "\"delay\": 20",
             "\"text\": \"line1\\nline2\\t\\\"q\\\" \\u0001 \xEF\xBF\xBD end\"",
         })
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    // Default slots (the macro-key identities of group 0) are not listed.
    EXPECT_EQ(json.find("\"keyName\": \"G1\""), std::string::npos);
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.substr(json.size() - 2), "}\n");

    std::vector<uint8_t> bad = ReadBytes(file);
    bad[31] ^= 1;
    ASSERT_TRUE(WriteBytes(file, bad));
    RunResult invalid = Run("dump " + Quoted("dump.vpf"));
    EXPECT_EQ(invalid.exitCode, 1);
    EXPECT_TRUE(invalid.out.empty());
    EXPECT_NE(invalid.err.find("bad checksum"), std::string::npos);
}

TEST_F(Rt604CtlTest, DumpShowsTheFileAsItIs)
{
    // Written by hand: what a load would repair or renumber is shown as the
    // file has it, and slots a new profile or a capture also has are not
    // reported as changes.
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
    for (int n = 0; n < 18; ++n) // G-key identities in group 2, as a capture writes them
        SetSlotIdentity(*block, 2 * 512 + 256 + n, MacroKeyIdentities[static_cast<size_t>(n)]);
    SetSlotType(*block, 512 + 40, 4);
    SetSlotValue(*block, 512 + 40, 7);
    SetSlotType(*block, 3, 3);
    SetSlotValue(*block, 3, 0);
    SetSlotType(*block, 4, 6);
    SetSlotValue(*block, 4, 0);
    std::vector<uint8_t> macros(2 * MacroBlockSize);
    for (int i = 0; i < 2; ++i) {
        MacroBlock macro(macros.data() + i * MacroBlockSize);
        macro.SetMacroId(7);
        macro.SetName(i == 0 ? "first" : "second");
        macro.SetCycles(0);
        macro.SetPlayMode(2);
    }
    const std::vector<uint8_t> strings = {'n', 0, 'o', 0, 't', 0, 'e', 0, 0, 0};
    BuildProfileHeader(block->data(), 2, static_cast<uint32_t>(strings.size()), 0);
    std::vector<uint8_t> file(block->bytes.begin(), block->bytes.end());
    file.insert(file.end(), macros.begin(), macros.end());
    file.insert(file.end(), strings.begin(), strings.end());
    ASSERT_TRUE(WriteBytes(Path("raw.vpf"), file));

    const RunResult r = Run("dump " + Quoted("raw.vpf"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string& json = r.out;
    auto count = [&json](const std::string& text) {
        size_t n = 0;
        for (size_t at = json.find(text); at != std::string::npos; at = json.find(text, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("\"id\": 7"), 2u) << json;
    EXPECT_EQ(count("\"cycles\": 0"), 2u) << json;
    EXPECT_EQ(count("\"playMode\": 2"), 2u) << json;
    EXPECT_NE(json.find("\"macroId\": 7,\n          \"macroName\": \"first\""), std::string::npos) << json;
    EXPECT_EQ(count("\"text\": \"note\""), 2u) << json;
    EXPECT_EQ(json.find("\"keyName\": \"G"), std::string::npos) << json;
}

} // namespace
