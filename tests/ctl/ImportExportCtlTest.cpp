// rt604ctl's keyboard commands, run as a user runs them, on a virtual
// keyboard kept in a state file.
#include "support/CtlProcess.h"

#include <algorithm>

namespace {

namespace fs = std::filesystem;

using CtlDeviceCommandsTest = CtlKeyboardFixture;

TEST_F(CtlDeviceCommandsTest, InfoAndProfileSwitching)
{
    CtlRun info = Ctl("info");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("128 keys"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Active profile: 1\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Macro memory: 8192 bytes"), std::string::npos) << info.out;
    // The effects by name, as the window's effect list shows them.
    EXPECT_NE(info.out.find("   1  Wave\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("  20  Custom\n"), std::string::npos) << info.out;

    CtlRun set = Ctl("profile 3");
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "Active profile: 3\n");
    EXPECT_EQ(Keyboard().ActiveProfile(), 2);
    EXPECT_EQ(Ctl("profile").out, "Active profile: 3\n");

    for (const char* bad : {"profile 0", "profile 4", "profile x", "keymap 4", "export", "import a b"}) {
        SCOPED_TRACE(bad);
        CtlRun wrong = Ctl(bad);
        EXPECT_EQ(wrong.status, 2);
        EXPECT_FALSE(wrong.err.empty());
    }
    EXPECT_EQ(Keyboard().ActiveProfile(), 2);
}

TEST_F(CtlDeviceCommandsTest, ImportWritesAllThreeProfilesAndTheMacros)
{
    const std::string file = WriteProfileFile();
    CtlRun import = Ctl("import " + Quote(file));
    ASSERT_EQ(import.status, 0) << import.err;

    const KeyboardMemories m = Keyboard();
    const std::vector<uint16_t> codes = FactoryKeyCodes(m.productId);
    auto position = [&](uint16_t code) { return static_cast<int>(std::find(codes.begin(), codes.end(), code) - codes.begin()); };
    auto entry = [&](int profile, uint16_t code) {
        return ReadKeyMapEntry(std::span<const uint8_t>(m.keyMaps.data() + size_t(profile) * m.keyMapBytes,
                                                        size_t(m.keyMapBytes)),
                               position(code));
    };
    EXPECT_EQ(entry(0, 30), (KeyMapEntry{2, 2, 0x05}));
    EXPECT_EQ(entry(1, 1), (KeyMapEntry{5, 1, 0}));
    EXPECT_EQ(entry(2, 30), (KeyMapEntry{2, 2, 0x04}));
    EXPECT_EQ(ReadU16(m.macroMemory.data(), 0), 0x55AA);
    EXPECT_EQ(ReadU16(m.macroMemory.data(), 4), 1);

    CtlRun keymap = Ctl("keymap 2");
    ASSERT_EQ(keymap.status, 0) << keymap.err;
    EXPECT_NE(keymap.out.find("05 01 00  macro 1"), std::string::npos) << keymap.out;
    CtlRun macros = Ctl("macros");
    ASSERT_EQ(macros.status, 0) << macros.err;
    EXPECT_NE(macros.out.find("\"Hello\", plays 2 times, 2 events"), std::string::npos) << macros.out;

    // Export gives the keyboard's contents back as a valid file.
    const std::string out = (dir / "out.vpf").string();
    CtlRun exported = Ctl("export " + Quote(out));
    ASSERT_EQ(exported.status, 0) << exported.err;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(out, bytes, 1 << 20));
    ASSERT_EQ(bytes.size(), ConfigBlockSize + MacroBlockSize);
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    EXPECT_EQ(ReadU16(b, SlotOffset(KeyCodeToIndex(30))), 2);
    EXPECT_EQ(ReadU32(b, SlotOffset(KeyCodeToIndex(30)) + 4), 48u);
    EXPECT_EQ(ReadU16(b, SlotOffset(SlotsPerGroup + KeyCodeToIndex(1))), 4);
    EXPECT_EQ(ReadU32(b, SlotOffset(SlotsPerGroup + KeyCodeToIndex(1)) + 4), 1u);
    EXPECT_EQ(ConstMacroBlock(b + ConfigBlockSize).Name(), "Hello");
}

TEST_F(CtlDeviceCommandsTest, AnInvalidFileChangesNothing)
{
    ASSERT_EQ(Ctl("info").status, 0); // the factory keyboard's state file
    const KeyboardMemories before = Keyboard();
    std::string text;
    ASSERT_TRUE(ReadWholeFile(WriteProfileFile(), text, 1 << 20));
    text.resize(text.size() - 1);
    const std::string bad = (dir / "bad.vpf").string();
    ASSERT_TRUE(WriteFileAtomically(bad, text));

    CtlRun import = Ctl("import " + Quote(bad));
    EXPECT_EQ(import.status, 4);
    EXPECT_NE(import.err.find("Nothing was changed"), std::string::npos) << import.err;
    EXPECT_EQ(Keyboard(), before);

    EXPECT_EQ(Ctl("import " + Quote((dir / "missing.vpf").string())).status, 4);
}

TEST_F(CtlDeviceCommandsTest, UsageIsCheckedBeforeAnyKeyboardIsLookedFor)
{
    for (const char* bad : {"profile 4", "profile 1 2", "keymap 0", "keymap", "info now", "macros all", "export",
                            "import", "export a b"}) {
        SCOPED_TRACE(bad);
        for (bool virtualKeyboard : {true, false}) {
            CtlRun wrong = Ctl(bad, virtualKeyboard);
            EXPECT_EQ(wrong.status, 2);
            EXPECT_NE(wrong.err.find("rt604ctl"), std::string::npos) << wrong.err;
            EXPECT_EQ(wrong.err.find("no Orvan RT-604 keyboard"), std::string::npos) << wrong.err;
            EXPECT_TRUE(wrong.out.empty());
        }
        // Not even the virtual keyboard's state file was made.
        EXPECT_FALSE(fs::exists(state));
    }
    EXPECT_EQ(Ctl("info --virtual-keyboard=", false).status, 2);
}

TEST_F(CtlDeviceCommandsTest, WithoutAKeyboardEveryCommandSaysSo)
{
    if (Ctl("info", false).status == 0)
        GTEST_SKIP() << "an Orvan RT-604 is connected to this machine";
    const std::string file = WriteProfileFile();
    const std::string out = (dir / "out.vpf").string();
    for (const std::string& command : {std::string("info"), std::string("profile"), std::string("profile 2"),
                                       std::string("keymap 1"), std::string("macros"), "export " + Quote(out),
                                       "import " + Quote(file)}) {
        SCOPED_TRACE(command);
        CtlRun run = Ctl(command, false);
        EXPECT_EQ(run.status, 3);
        EXPECT_NE(run.err.find("no Orvan RT-604 keyboard is connected"), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CtlDeviceCommandsTest, MacrosTooLargeForTheKeyboardAreRefusedBeforeAnythingIsSent)
{
    ASSERT_EQ(Ctl("info").status, 0); // 8192 bytes of macro memory
    const KeyboardMemories before = Keyboard();
    // 16 + 2 + 4 + 2100 × 4 bytes: larger than the memory even without a name.
    const std::string file = WriteProfileFile(2100);

    CtlRun import = Ctl("import " + Quote(file));
    EXPECT_EQ(import.status, 6);
    EXPECT_NE(import.err.find("do not fit into the keyboard's memory"), std::string::npos) << import.err;
    // Nothing was sent, so nothing was refused by the keyboard.
    EXPECT_EQ(import.err.find("did not take"), std::string::npos) << import.err;
    EXPECT_EQ(Keyboard(), before);
}

TEST_F(CtlDeviceCommandsTest, AnExportThatCannotBeWrittenSaysSoAndKeepsTheOldFile)
{
    ASSERT_EQ(Ctl("info").status, 0); // the state file exists before the folder is locked
    const std::string old = WriteProfileFile();
    std::string before;
    ASSERT_TRUE(ReadWholeFile(old, before, 1 << 20));
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::remove);
    const bool writable = ::access(dir.c_str(), W_OK) == 0; // root writes anyway
    CtlRun run = Ctl("export " + Quote(old));
    fs::permissions(dir, fs::perms::owner_write, fs::perm_options::add);
    if (!writable) {
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(old + ": cannot be written"), std::string::npos) << run.err;
        std::string after;
        ASSERT_TRUE(ReadWholeFile(old, after, 1 << 20));
        EXPECT_EQ(after, before);
    }
    for (const std::string& target : {(dir / "missing" / "out.vpf").string(), dir.string()}) {
        SCOPED_TRACE(target);
        CtlRun bad = Ctl("export " + Quote(target));
        EXPECT_EQ(bad.status, 1);
        EXPECT_NE(bad.err.find(target + ": cannot be written"), std::string::npos) << bad.err;
    }
    EXPECT_TRUE(fs::is_directory(dir));
}

TEST_F(CtlDeviceCommandsTest, ADamagedStateFileIsRefusedAndKept)
{
    const std::string junk = "not a keyboard";
    ASSERT_TRUE(WriteFileAtomically(state, junk));
    for (const char* command : {"info", "profile 2", "macros"}) {
        SCOPED_TRACE(command);
        CtlRun run = Ctl(command);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("not a virtual keyboard state file"), std::string::npos) << run.err;
    }
    std::string text;
    ASSERT_TRUE(ReadWholeFile(state, text, 1 << 20));
    EXPECT_EQ(text, junk);
}

} // namespace
