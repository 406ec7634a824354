// rt604ctl as an owner uses it: options anywhere, output to read or to
// parse, reasons for every refusal, and a state file it never spoils.
#include "support/CtlProcess.h"
#include "support/HostilePaths.h"
#include "support/OtherUser.h"

#include "device/virtual/VirtualKeyboardMemory.h"

#include <algorithm>
#include <sstream>

namespace {

namespace fs = std::filesystem;

using CtlKeyboardTest = CtlKeyboardFixture;

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(CtlKeyboardTest, OptionsMayStandBeforeOrAfterTheCommand)
{
    const std::string ctl = Quote(program.string());
    const std::string kb = Quote(state);
    struct Case {
        std::string line;
        std::string out;
    };
    const Case cases[] = {
        {ctl + " --virtual-keyboard=" + kb + " profile 2", "Active profile: 2\n"},
        {ctl + " profile --virtual-keyboard=" + kb, "Active profile: 2\n"},
        {ctl + " --virtual-keyboard " + kb + " profile 3", "Active profile: 3\n"},
        {ctl + " --json --virtual-keyboard=" + kb + " profile", "{\n  \"activeProfile\": 3\n}\n"},
        {ctl + " profile 1 --json --virtual-keyboard=" + kb, "{\n  \"activeProfile\": 1\n}\n"},
        {ctl + " --version", "rt604ctl " RT604_VERSION "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const CtlRun run = Shell(c.line);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
    }
    for (const std::string& wrong :
         {ctl + " --frobnicate info", ctl + " export out.vpf --json --virtual-keyboard=" + kb,
          ctl + " validate x.vpf --virtual-keyboard=" + kb, ctl + " info --virtual-keyboard"}) {
        SCOPED_TRACE(wrong);
        const CtlRun run = Shell(wrong);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_NE(run.err.find("rt604ctl: "), std::string::npos);
    }
}

TEST_F(CtlKeyboardTest, DataCommandsSpeakJson)
{
    const std::string file = WriteProfileFile();
    ASSERT_EQ(Ctl("import " + Quote(file)).status, 0);
    struct Case {
        const char* command;
        std::vector<const char*> expected;
    };
    const Case cases[] = {
        {"info --json",
         {"\"keys\": 128", "\"productId\": 20480", "\"activeProfile\": 1", "\"macroMemoryBytes\": 8192",
          "\"code\": 5,\n      \"name\": \"Breathing\""}},
        {"keymap 2 --json",
         {"\"profile\": 2", "\"key\": \"Esc\",\n      \"entry\": [\n        5,\n        1,\n        0\n      ]",
          "\"changed\": true,\n      \"does\": \"macro 1\"", "\"key\": \"K45\""}},
        {"macros --json", {"\"names\": true", "\"name\": \"Hello\"", "\"cycles\": 2", "\"direction\": \"up\""}},
        {"--json lighting 3",
         {"\"profile\": 3", "\"effect\": 1,\n  \"effectName\": \"Wave\"", "\"multicolour\": true",
          "\"record\": \"01040200FFFFFFFF"}},
        {"key-colours 2 --json", {"\"profile\": 2", "\"userMode\": ", "UserDengColor_1.userd\""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const CtlRun run = Ctl(c.command);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_FALSE(run.out.empty());
        EXPECT_EQ(run.out.front(), '{');
        EXPECT_EQ(run.out.substr(run.out.size() - 2), "}\n");
        for (const char* expected : c.expected)
            EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    }
    const CtlRun valid = Ctl("validate --json " + Quote(file), false);
    EXPECT_EQ(valid.status, 0);
    EXPECT_NE(valid.out.find("\"valid\": true,\n  \"reason\": null"), std::string::npos) << valid.out;
    const CtlRun invalid = Ctl("validate --json " + Quote((dir / "none.vpf").string()), false);
    EXPECT_EQ(invalid.status, 1);
    EXPECT_NE(invalid.out.find("\"valid\": false,\n  \"reason\": \"file does not exist\""), std::string::npos)
        << invalid.out;
}

TEST_F(CtlKeyboardTest, KeymapListsTheRealKeysByTheirLegendsAndMarksChanges)
{
    ASSERT_EQ(Ctl("import " + Quote(WriteProfileFile())).status, 0);
    const CtlRun run = Ctl("keymap 2");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> lines = LinesOf(run.out);
    // Every key of the factory map and nothing else: no Fn, no gaps.
    const std::vector<uint16_t> codes = FactoryKeyCodes(0x5000);
    const auto keys = std::count_if(codes.begin(), codes.end(), [](uint16_t code) { return code != 0; });
    EXPECT_EQ(lines.size(), static_cast<size_t>(keys) + 2) << run.out;
    auto line = [&](const std::string& key) {
        for (const std::string& l : lines) {
            if (l.compare(2, key.size() + 1, key + " ") == 0)
                return l;
        }
        return std::string("no line for ") + key;
    };
    EXPECT_EQ(line("Esc"), "* Esc          05 01 00  macro 1");
    EXPECT_EQ(line("K45"), "  K45          02 02 64  its own function");
    EXPECT_EQ(line("K56"), "  K56          02 02 87  its own function");
    EXPECT_EQ(run.out.find("(ISO)"), std::string::npos);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l[0] == '*'; }), 1);
    // In profile 1, A plays B.
    EXPECT_NE(Ctl("keymap 1").out.find("* A            02 02 05  B\n"), std::string::npos);
}

TEST_F(CtlKeyboardTest, AStateFileThatIsNoneIsRefusedNamedAndLeftAlone)
{
    struct Case {
        const char* kind;
        std::string contents;
        const char* reason;
    };
    const Case cases[] = {
        {"100 KB of other data", std::string(100 * 1024, 'x'), "larger than a state file"},
        {"text", "not a keyboard", "checksum"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileAtomically(state, c.contents));
        for (const char* command : {"info", "profile 2", "keymap 1"}) {
            SCOPED_TRACE(std::string(c.kind) + ", " + command);
            const CtlRun run = Ctl(command);
            EXPECT_EQ(run.status, 1);
            EXPECT_NE(run.err.find(state + ": not a virtual keyboard state file: "), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
            EXPECT_TRUE(run.out.empty());
        }
        std::string text;
        ASSERT_TRUE(ReadWholeFile(state, text, 1 << 20));
        EXPECT_EQ(text, c.contents);
    }
    const std::string saved = state;
    for (const HostilePath& hostile : MakeHostilePaths(dir)) {
        SCOPED_TRACE(hostile.kind);
        state = hostile.path;
        const CtlRun run = Ctl("info");
        EXPECT_EQ(run.status, 1) << run.out; // -1: it hung
        EXPECT_NE(run.err.find(hostile.reason), std::string::npos) << run.err;
    }
    state = saved;
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
}

TEST_F(CtlKeyboardTest, OnAFullDiskNoChangeIsReportedDone)
{
    ASSERT_EQ(Ctl("info").status, 0); // the state file exists
    const KeyboardMemories before = Keyboard();
    const std::string file = WriteProfileFile();
    // The state is about 12 KB; at most 8 blocks may be written.
    const std::string full = "trap '' XFSZ; ulimit -f 8; ";
    for (const std::string& command : {std::string("profile 2"), "import " + Quote(file), std::string("lighting 1 speed=1")}) {
        SCOPED_TRACE(command);
        const CtlRun run = Shell(Quote(program.string()) + " " + command + " --virtual-keyboard=" + Quote(state), full);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(state + ": the virtual keyboard's state cannot be saved: File too large"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(Keyboard(), before);
    }
}

TEST_F(CtlKeyboardTest, PathsThatAreNoFilesGetTheirReasonAtOnce)
{
    for (const HostilePath& hostile : MakeHostilePaths(dir)) {
        for (const char* command : {"validate", "dump", "import"}) {
            SCOPED_TRACE(std::string(hostile.kind) + ", " + command);
            const CtlRun run = Ctl(std::string(command) + " " + Quote(hostile.path), command[0] == 'i');
            EXPECT_EQ(run.status, command[0] == 'i' ? 4 : 1) << run.out; // -1: it hung
            EXPECT_NE(run.err.find(hostile.path + ": invalid profile file: file cannot be opened or read: "),
                      std::string::npos)
                << run.err;
            EXPECT_NE(run.err.find(hostile.reason), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find("does not exist"), std::string::npos) << run.err;
        }
    }
}

TEST_F(CtlKeyboardTest, ImportSaysWhyAFileIsRefusedAndNamesIt)
{
    std::string good;
    ASSERT_TRUE(ReadWholeFile(WriteProfileFile(), good, 1 << 20));
    std::string badChecksum = good;
    badChecksum[31] = static_cast<char>(badChecksum[31] ^ 1);
    ASSERT_TRUE(WriteFileAtomically((dir / "checksum.vpf").string(), badChecksum));
    ASSERT_TRUE(WriteFileAtomically((dir / "short.vpf").string(), good.substr(0, 1000)));
    fs::create_directories(dir / "folder.vpf");
    struct Case {
        const char* name;
        const char* reason;
    };
    for (const Case& c : {Case{"missing.vpf", "file does not exist"}, Case{"folder.vpf", "is a folder, not a file"},
                          Case{"short.vpf", "too short"}, Case{"checksum.vpf", "bad checksum"}}) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir / c.name).string();
        const CtlRun run = Ctl("import " + Quote(path));
        EXPECT_EQ(run.status, 4);
        EXPECT_NE(run.err.find(path + ": invalid profile file: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Nothing was changed"), std::string::npos) << run.err;
    }
}

TEST_F(CtlKeyboardTest, ExportsTakeAnyLegalNameAndSayWhyTheyFail)
{
    const std::string longest = (dir / (std::string(250, 'e') + ".vpf")).string(); // a 254-byte name
    CtlRun run = Ctl("export " + Quote(longest));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Ctl("validate " + Quote(longest), false).status, 0);

    // Through a link, the link's target gets the file.
    fs::create_directories(dir / "real");
    fs::create_symlink("real/target.vpf", dir / "link.vpf");
    ASSERT_EQ(Ctl("export " + Quote((dir / "link.vpf").string())).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.vpf"));
    EXPECT_EQ(Ctl("validate " + Quote((dir / "real" / "target.vpf").string()), false).status, 0);

    struct Case {
        std::string target;
        const char* reason;
    };
    for (const Case& c : {Case{(dir / "missing" / "out.vpf").string(), "No such file or directory"},
                          Case{dir.string(), "is a folder, not a file"}}) {
        SCOPED_TRACE(c.target);
        run = Ctl("export " + Quote(c.target));
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.target + ": cannot be written: " + c.reason), std::string::npos) << run.err;
    }
}

// What another local user can prepare for the owner's exports: a link in a
// shared sticky folder (such as /tmp) to one of the owner's files, which
// must not be followed whether or not the kernel's own protection is on.
TEST_F(CtlKeyboardTest, AnExportDoesNotFollowAnotherUsersLinkInASharedFolder)
{
    if (!CanActAsOtherUser())
        GTEST_SKIP() << NotRootReason();
    fs::create_directories(dir / "tmp");
    ::chmod((dir / "tmp").c_str(), 01777);
    const fs::path notes = dir / "notes.txt";
    std::ofstream(notes) << "the owner's notes";
    const fs::path planted = dir / "tmp" / "backup.vpf";
    fs::create_symlink(notes, planted);
    ASSERT_EQ(::lchown(planted.c_str(), OtherUid, OtherGid), 0);

    const CtlRun run = Ctl("export " + Quote(planted.string()));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(planted.string() + ": cannot be written: is a symbolic link that another user made"),
              std::string::npos)
        << run.err;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(notes.string(), text, 1 << 20));
    EXPECT_TRUE(text == "the owner's notes") << "the owner's file was replaced";
    EXPECT_TRUE(fs::is_symlink(planted));
}

// A user who is not root: his read-only backup and his read-only state file
// stay as they are, and the command says so instead of exiting 0.
TEST_F(CtlKeyboardTest, ReadOnlyFilesOfAnOrdinaryUserAreNotReplaced)
{
    if (!CanActAsOtherUser())
        GTEST_SKIP() << NotRootReason();
    ASSERT_EQ(Ctl("info").status, 0); // the state file exists
    const fs::path backup = dir / "backup.vpf";
    std::ofstream(backup) << "an older backup";
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
        ASSERT_EQ(::lchown(entry.path().c_str(), OtherUid, OtherGid), 0);
    ASSERT_EQ(::chown(dir.c_str(), OtherUid, OtherGid), 0);
    ::chmod(backup.c_str(), 0444);
    const std::string asUser = "setpriv --reuid=" + std::to_string(OtherUid) + " --regid=" +
                               std::to_string(OtherGid) + " --clear-groups " + Quote(program.string());
    const std::string keyboard = " --virtual-keyboard=" + Quote(state);

    CtlRun run = Shell(asUser + " export " + Quote(backup.string()) + keyboard);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(backup.string() + ": cannot be written: Permission denied"), std::string::npos)
        << run.err;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(backup.string(), text, 1 << 20));
    EXPECT_TRUE(text == "an older backup") << "the read-only backup was replaced";

    // A change the keyboard cannot keep in its read-only state file fails.
    std::string before;
    ASSERT_TRUE(ReadWholeFile(state, before, 1 << 20));
    ::chmod(state.c_str(), 0444);
    run = Shell(asUser + " profile 2" + keyboard);
    EXPECT_NE(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("Permission denied"), std::string::npos) << run.err;
    std::string after;
    ASSERT_TRUE(ReadWholeFile(state, after, 1 << 20));
    EXPECT_TRUE(after == before) << "the read-only state file was replaced";
}

} // namespace
