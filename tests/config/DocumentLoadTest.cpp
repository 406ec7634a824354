#include "config/DocumentTestSupport.h"

#include <cstring>

namespace {

namespace fs = std::filesystem;

// Builds profile file bytes by hand: block, macro blocks, string area. The
// header gets the counts given, whatever the areas really hold.
struct FileBuilder {
    std::vector<uint8_t> block;
    std::vector<uint8_t> macros;
    std::vector<uint8_t> strings;

    FileBuilder()
    {
        std::unique_ptr<ConfigBlock> b = MakeDefaultBlock(0);
        block.assign(b->bytes.begin(), b->bytes.end());
    }
    void Slot(int slot, uint16_t type, uint32_t value)
    {
        WriteU16(block.data(), SlotOffset(slot), type);
        WriteU32(block.data(), SlotOffset(slot) + 4, value);
    }
    uint32_t AddString(const std::u16string& text, bool terminate = true)
    {
        const uint32_t offset = static_cast<uint32_t>(strings.size());
        for (char16_t c : text) {
            strings.push_back(static_cast<uint8_t>(c));
            strings.push_back(static_cast<uint8_t>(c >> 8));
        }
        if (terminate) {
            strings.push_back(0);
            strings.push_back(0);
        }
        return offset;
    }
    MacroBlock AddMacro(uint16_t id)
    {
        macros.resize(macros.size() + MacroBlockSize);
        MacroBlock macro(macros.data() + macros.size() - MacroBlockSize);
        macro.SetMacroId(id);
        macro.SetCycles(1);
        macro.SetName16(u"m");
        return macro;
    }
    std::vector<uint8_t> Bytes(int macroCount = -1, int64_t stringBytes = -1)
    {
        const uint16_t n = static_cast<uint16_t>(macroCount < 0 ? macros.size() / MacroBlockSize : macroCount);
        const uint32_t s = static_cast<uint32_t>(stringBytes < 0 ? strings.size() : stringBytes);
        BuildProfileHeader(block.data(), n, s, 0);
        std::vector<uint8_t> out = block;
        out.insert(out.end(), macros.begin(), macros.end());
        out.insert(out.end(), strings.begin(), strings.end());
        return out;
    }
};

class DocumentLoadTest : public DocumentFixture {
protected:
    // A document with something in every part, so a failed load shows
    // whether it left anything behind.
    void FillDocument()
    {
        AddMacro(5, u"old");
        SetString(9, 3, u"old string");
        DocumentLock lock;
        SetSlotType(*g_configDoc.block, 1, 2);
    }
    void ExpectDefaultDocument()
    {
        DocumentLock lock;
        ASSERT_TRUE(g_configDoc.block);
        std::unique_ptr<ConfigBlock> expected = MakeDefaultBlock(0);
        EXPECT_TRUE(g_configDoc.block->bytes == expected->bytes);
        EXPECT_EQ(g_configDoc.macroCount, 0);
        EXPECT_TRUE(g_configDoc.macros.empty());
        EXPECT_EQ(g_configDoc.stringBytes, 0u);
        ASSERT_EQ(g_configDoc.strings.size(), 2048u);
        for (const StringEntry& entry : g_configDoc.strings)
            EXPECT_EQ(entry.length, 0u);
    }
    int32_t LoadFile(const std::vector<uint8_t>& bytes)
    {
        const std::string path = Path("load.vpf");
        EXPECT_TRUE(WriteBytes(path, bytes));
        DocumentLock lock;
        return LoadDocumentFromFile(path);
    }
};

TEST_F(DocumentLoadTest, RejectedFilesLeaveAUsableDefaultDocument)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> (*make)();
    };
    const Case cases[] = {
        {"short", [] { return std::vector<uint8_t>(100, 0); }},
        {"block only, two macros announced",
            [] {
                FileBuilder f;
                return f.Bytes(2, 0);
            }},
        {"one macro byte missing",
            [] {
                FileBuilder f;
                f.AddMacro(1);
                std::vector<uint8_t> bytes = f.Bytes();
                bytes.pop_back();
                return bytes;
            }},
        {"huge macro count",
            [] {
                FileBuilder f;
                return f.Bytes(0xFFFF, 0);
            }},
        {"101 macros present",
            [] {
                FileBuilder f;
                for (int i = 0; i < 101; ++i)
                    f.AddMacro(1);
                return f.Bytes();
            }},
        {"huge string area",
            [] {
                FileBuilder f;
                return f.Bytes(0, 0xFFFFFFF0);
            }},
        {"shorter than the header's total length",
            [] {
                FileBuilder f;
                std::vector<uint8_t> bytes = f.Bytes();
                WriteU32(bytes.data(), 8, 40000);
                return bytes;
            }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FillDocument();
        EXPECT_EQ(LoadFile(c.make()), 0);
        ExpectDefaultDocument();
        // The same through the in-memory entry point.
        FillDocument();
        std::vector<uint8_t> bytes = c.make();
        EXPECT_EQ(LoadDocumentFromBytes(bytes), 0);
        ExpectDefaultDocument();
    }
    FillDocument();
    DocumentLock lock;
    EXPECT_EQ(LoadDocumentFromFile(Path("missing.vpf")), 0);
    ExpectDefaultDocument();
    FillDocument();
    fs::create_directories(dir / "folder.vpf");
    EXPECT_EQ(LoadDocumentFromFile(Path("folder.vpf")), 0);
    ExpectDefaultDocument();
}

// Slots whose offsets do not lead to a terminated string inside the area
// get no string; the others load, and stringBytes is what was loaded.
TEST_F(DocumentLoadTest, StringOffsetsAreBoundChecked)
{
    FileBuilder f;
    const uint32_t good = f.AddString(u"good");
    const uint32_t second = f.AddString(u"second");
    const uint32_t tail = f.AddString(u"no end", false);
    f.Slot(10, 3, good);
    f.Slot(11, 6, second + 1);          // odd offsets round down
    f.Slot(12, 3, 100000);              // past the area
    f.Slot(13, 6, 0xFFFFFFFF);          // far past it
    f.Slot(14, 3, tail);                // runs to the end without a terminator
    f.Slot(15, 2, good);                // not a string type: ignored
    f.Slot(16, 3, static_cast<uint32_t>(f.strings.size())); // exactly at the end
    ASSERT_EQ(LoadFile(f.Bytes()), 1);

    DocumentLock lock;
    struct Expect {
        int slot;
        std::u16string text;
        uint32_t length;
    };
    for (const Expect& e : {Expect{10, u"good", 10}, Expect{11, u"second", 14}, Expect{12, u"", 0},
             Expect{13, u"", 0}, Expect{14, u"", 0}, Expect{15, u"", 0}, Expect{16, u"", 0}}) {
        EXPECT_EQ(g_configDoc.strings[static_cast<size_t>(e.slot)].text, e.text) << e.slot;
        EXPECT_EQ(g_configDoc.strings[static_cast<size_t>(e.slot)].length, e.length) << e.slot;
    }
    EXPECT_EQ(g_configDoc.stringBytes, 24u);
}

TEST_F(DocumentLoadTest, SlotsSharingOneStringEachKeepIt)
{
    FileBuilder f;
    const uint32_t shared = f.AddString(u"notepad");
    f.Slot(5, 3, shared);
    f.Slot(512 + 7, 6, shared);
    ASSERT_EQ(LoadFile(f.Bytes()), 1);
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.strings[5].text, u"notepad");
    EXPECT_EQ(g_configDoc.strings[512 + 7].text, u"notepad");
    EXPECT_EQ(g_configDoc.stringBytes, 32u);
}

TEST_F(DocumentLoadTest, SlotsSharingOneStringCannotMultiplyMemory)
{
    // Every slot on one string: each keeps it while a string fits a slot...
    FileBuilder f;
    const uint32_t offset = f.AddString(std::u16string(1000, u'a'));
    for (int slot = 0; slot < 2048; ++slot)
        f.Slot(slot, 6, offset);
    ASSERT_EQ(LoadFile(f.Bytes()), 1);
    {
        DocumentLock lock;
        EXPECT_EQ(g_configDoc.strings[2047].length, 2002u);
        EXPECT_EQ(g_configDoc.stringBytes, 2048u * 2002u);
    }
    // ...and a string longer than a slot may hold is read by none of them,
    // so a 2048-fold copy of a large string never happens.
    FileBuilder huge;
    const uint32_t at = huge.AddString(std::u16string(MaxSlotStringBytes / 2, u'b'));
    for (int slot = 0; slot < 2048; ++slot)
        huge.Slot(slot, 6, at);
    ASSERT_EQ(LoadFile(huge.Bytes()), 1);
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.strings[0].length, 0u);
    EXPECT_EQ(g_configDoc.stringBytes, 0u);
}

TEST_F(DocumentLoadTest, LoadedMacrosKeepWhatTheFileSays)
{
    FileBuilder f;
    MacroBlock longName = f.AddMacro(3);
    for (size_t unit = 0; unit < 250; ++unit)
        WriteU16(longName.Bytes(), 2 * unit, u'n');
    longName.SetEventCount(0xFFFF);
    longName.SetPlayMode(7);
    longName.SetCycles(0);
    MacroBlock repeat = f.AddMacro(2);
    repeat.SetPlayMode(2);
    repeat.SetCycles(9);
    const std::vector<uint8_t> file = f.Bytes();
    ASSERT_EQ(LoadFile(file), 1);

    DocumentLock lock;
    ASSERT_EQ(g_configDoc.macroCount, 2);
    // Copied unchanged: a play count of 0, a play mode no editor offers, an
    // event count beyond the block (readers take at most 4000 events) and a
    // name without a terminator (read as its first 249 units).
    EXPECT_TRUE(std::equal(g_configDoc.macros.begin(), g_configDoc.macros.end(), file.begin() + ConfigBlockSize));
    ConstMacroBlock first(MacroBlockAt(g_configDoc, 0));
    EXPECT_EQ(first.Cycles(), 0);
    EXPECT_EQ(first.PlayMode(), 7);
    EXPECT_EQ(first.UsableEventCount(), 4000);
    EXPECT_EQ(first.Name16(), std::u16string(249, u'n'));
    ConstMacroBlock second(MacroBlockAt(g_configDoc, 1));
    EXPECT_EQ(second.PlayMode(), 2);
    EXPECT_EQ(second.Cycles(), 9);
}

TEST_F(DocumentLoadTest, RenumberedMacrosTakeTheirKeysAlong)
{
    FileBuilder f;
    f.AddMacro(3);
    f.AddMacro(3);   // duplicate: keys naming 3 play the first, which keeps it
    f.AddMacro(0);   // no id
    f.AddMacro(250); // out of range
    f.AddMacro(2);
    f.Slot(1, 4, 3);
    f.Slot(2, 4, 0);
    f.Slot(512 + 3, 4, 250);
    f.Slot(1024 + 4, 4, 250);
    f.Slot(5, 4, 1); // names a macro the file does not have
    ASSERT_EQ(LoadFile(f.Bytes()), 1);

    DocumentLock lock;
    const std::vector<uint16_t> ids = {GetMacroIdAt(0), GetMacroIdAt(1), GetMacroIdAt(2), GetMacroIdAt(3),
        GetMacroIdAt(4)};
    // Unique and in 1..100; valid ids stay; id 1 is left alone, as a key
    // names it and would otherwise start playing a macro it never named.
    EXPECT_EQ(ids, (std::vector<uint16_t>{3, 4, 5, 6, 2}));
    const ConfigBlock& block = *g_configDoc.block;
    EXPECT_EQ(SlotValue(block, 1), 3u);
    EXPECT_EQ(SlotValue(block, 2), 5u);
    EXPECT_EQ(SlotValue(block, 512 + 3), 6u);
    EXPECT_EQ(SlotValue(block, 1024 + 4), 6u);
    EXPECT_EQ(SlotValue(block, 5), 1u);
    EXPECT_EQ(FindMacroIndexById(6), 3);
}

TEST_F(DocumentLoadTest, TrailingBytesAfterTheAreasAreIgnored)
{
    FileBuilder f;
    f.Slot(20, 3, f.AddString(u"x"));
    std::vector<uint8_t> bytes = f.Bytes();
    bytes.insert(bytes.end(), 1000, 0x41);
    ASSERT_EQ(LoadFile(bytes), 1);
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.strings[20].text, u"x");
    EXPECT_EQ(g_configDoc.stringBytes, 4u);
}

} // namespace
