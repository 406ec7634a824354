#include "config/DocumentTestSupport.h"
#include "actions/ProfileFileActions.h"

#include <array>
#include <cstring>

namespace {

using ConfigDocumentTest = DocumentFixture;

TEST(ProfileHeaderTest, EmptyDocumentHeaderBytes)
{
    std::array<uint8_t, ConfigBlockSize> block{};
    std::memset(block.data(), 0xEE, ProfileHeaderSize);
    BuildProfileHeader(block.data(), 0, 0, 0);
    const std::array<uint8_t, 32> expected = {0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01, 0x00, 0x40, 0x80, 0x00,
        0x00, 0x00, 0x08, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x76};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin()));
}

TEST(ProfileHeaderTest, CountsTotalFlagAndChecksum)
{
    struct Case {
        uint16_t macros;
        uint32_t stringBytes;
        uint8_t flag;
        uint32_t total;
    };
    for (const Case& c : {Case{0, 0, 1, 32832}, Case{2, 10, 0, 32832 + 2 * 32512 + 10},
             Case{100, 0x10000, 0, 32832 + 100 * 32512 + 0x10000}}) {
        std::array<uint8_t, 32> header{};
        BuildProfileHeader(header.data(), c.macros, c.stringBytes, c.flag);
        EXPECT_EQ(ReadU32(header.data(), 8), c.total);
        EXPECT_EQ(ReadU16(header.data(), 14), c.macros);
        EXPECT_EQ(ReadU32(header.data(), 16), c.stringBytes);
        EXPECT_EQ(header[30], c.flag);
        uint8_t sum = 0;
        for (int i = 0; i < 31; ++i)
            sum = static_cast<uint8_t>(sum + header[i]);
        EXPECT_EQ(header[31], sum);
        EXPECT_EQ(CheckProfileHeader(header), ProfileFault::None);
    }
}

TEST(DefaultBlockTest, IdentityAreaAndMacroKeyIdentitiesOnlyInGroupZero)
{
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
    const std::array<uint8_t, 32> identity = {0x4B, 0x48, 0x20, 0x00, 0x20, 0x80, 0x00, 0x00, 0x04, 0x00, 0x00,
        0x02, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x32, 0x00, 0x00, 0x4F, 0x1C, 0x0E, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(std::equal(identity.begin(), identity.end(), block->bytes.begin() + 32));
    for (int slot = 0; slot < KeySlotCount; ++slot) {
        KeySlot s = ReadKeySlot(*block, slot);
        uint16_t identityWord = 0;
        if (slot >= 256 && slot <= 264)
            identityWord = static_cast<uint16_t>(0x0301 + slot - 256);
        else if (slot >= 265 && slot <= 273)
            identityWord = static_cast<uint16_t>(0x1301 + slot - 265);
        EXPECT_EQ(s.Identity(), identityWord) << "slot " << slot;
        EXPECT_EQ(s.Type(), 0);
        EXPECT_EQ(s.Value(), 0u);
        EXPECT_EQ(s.Extra8(), 0u);
        EXPECT_EQ(s.Extra12(), 0u);
    }
}

TEST_F(ConfigDocumentTest, DefaultBlockToPathWritesTheSameBytesAtomically)
{
    const std::string path = Path("new.vpf");
    ASSERT_EQ(CreateDefaultBlock(path, 0, false), 1);
    std::vector<uint8_t> bytes = ReadBytes(path);
    std::unique_ptr<ConfigBlock> expected = MakeDefaultBlock(0);
    ASSERT_EQ(bytes.size(), ConfigBlockSize);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected->bytes.begin()));
    EXPECT_EQ(ValidateProfileFile(path), 1);

    // A folder in the way is not replaced, and the document is untouched.
    std::filesystem::create_directories(dir / "taken.vpf");
    EXPECT_EQ(CreateDefaultBlock(Path("taken.vpf"), 0, false), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.vpf"));
    EXPECT_EQ(CreateDefaultBlock(Path("missing/new.vpf"), 0, false), 0);
}

TEST_F(ConfigDocumentTest, InitAndShutdown)
{
    DocumentLock lock;
    ASSERT_TRUE(g_configDoc.block);
    EXPECT_EQ(g_configDoc.strings.size(), 2048u);
    EXPECT_EQ(g_configDoc.stringBytes, 0u);
    EXPECT_EQ(g_configDoc.macroCount, 0);
    EXPECT_EQ(SlotIdentity(*g_configDoc.block, 256), 0x0301);

    SetString(5, 3, u"abc");
    AddMacro(7, u"m");
    ShutdownDocuments();
    EXPECT_FALSE(g_configDoc.block);
    EXPECT_TRUE(g_configDoc.strings.empty());
    EXPECT_EQ(g_configDoc.macroCount, 0);
    EXPECT_EQ(g_configDoc.stringBytes, 0u);
    InitDocument();
}

TEST_F(ConfigDocumentTest, FreeFunctionsClearTheirPart)
{
    SetString(7, 6, u"text");
    AddMacro(1, u"one");
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.stringBytes, 10u);
    FreeDocumentStrings();
    EXPECT_EQ(g_configDoc.stringBytes, 0u);
    EXPECT_EQ(g_configDoc.strings[7].length, 0u);
    EXPECT_EQ(g_configDoc.strings.size(), 2048u); // the table itself stays
    EXPECT_EQ(g_configDoc.macroCount, 1);
    FreeDocumentMacros();
    EXPECT_EQ(g_configDoc.macroCount, 0);
    EXPECT_TRUE(g_configDoc.macros.empty());
    FreeDocumentBlock();
    EXPECT_FALSE(g_configDoc.block);
}

TEST_F(ConfigDocumentTest, MacroLookups)
{
    AddMacro(4, u"a");
    AddMacro(9, u"b");
    AddMacro(9, u"c");
    struct IdCase {
        uint16_t id;
        int32_t position;
    };
    for (const IdCase& c : {IdCase{4, 0}, IdCase{9, 1}, IdCase{5, 0}, IdCase{0, 0}})
        EXPECT_EQ(FindMacroIndexById(c.id), c.position) << c.id;
    struct PosCase {
        int32_t position;
        uint16_t id;
    };
    for (const PosCase& c : {PosCase{0, 4}, PosCase{1, 9}, PosCase{2, 9}, PosCase{3, 0}, PosCase{-1, 0}})
        EXPECT_EQ(GetMacroIdAt(c.position), c.id) << c.position;
    EXPECT_EQ(GetProfileCount(), 3);
}

// Packing: strings of type-3/6 slots in slot order, each slot getting its
// offset; entries that do not qualify are skipped and leave their slot alone.
TEST_F(ConfigDocumentTest, PackStringsSkipsAndKeepsSpareBytes)
{
    DocumentLock lock;
    ConfigBlock& block = *g_configDoc.block;
    SetString(3, 3, u"ab");     // 6 bytes at 0
    SetString(10, 6, u"xyz");   // 8 bytes at 6
    SetString(20, 3, u"gone");  // 10 bytes, slot no longer type 3
    SetSlotType(block, 20, 2);
    SetSlotValue(block, 20, 1234);
    SetString(30, 6, u"z");     // 4 bytes at 14
    ASSERT_EQ(g_configDoc.stringBytes, 6u + 8u + 10u + 4u);

    std::vector<uint8_t> buffer(g_configDoc.stringBytes, 0xAA);
    PackStrings(block, g_configDoc.strings, buffer.data(), g_configDoc.stringBytes);
    const std::vector<uint8_t> expected = {'a', 0, 'b', 0, 0, 0, 'x', 0, 'y', 0, 'z', 0, 0, 0, 'z', 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(buffer, expected);
    EXPECT_EQ(SlotValue(block, 3), 0u);
    EXPECT_EQ(SlotValue(block, 10), 6u);
    EXPECT_EQ(SlotValue(block, 20), 1234u);
    EXPECT_EQ(SlotValue(block, 30), 14u);
}

TEST_F(ConfigDocumentTest, PackStringsSkipsAStringLongerThanTheRestOfTheCapacity)
{
    DocumentLock lock;
    ConfigBlock& block = *g_configDoc.block;
    SetString(1, 3, u"abc");          // 8 bytes
    SetString(2, 3, u"0123456789");   // 22 bytes
    SetString(3, 6, u"q");            // 4 bytes
    SetSlotValue(block, 2, 999);
    // Room for the first and the last only.
    std::vector<uint8_t> buffer(14, 0xAA);
    PackStrings(block, g_configDoc.strings, buffer.data(), 14);
    EXPECT_EQ(SlotValue(block, 1), 0u);
    EXPECT_EQ(SlotValue(block, 2), 999u);
    EXPECT_EQ(SlotValue(block, 3), 8u);
    const std::vector<uint8_t> expected = {'a', 0, 'b', 0, 'c', 0, 0, 0, 'q', 0, 0, 0, 0, 0};
    EXPECT_EQ(buffer, expected);
}

TEST_F(ConfigDocumentTest, LocksAreReentrantAndTakenInOrder)
{
    DocumentLock outer;
    DocumentLock inner;
    DeviceCopyLock device;
    DeviceCopyLock deviceAgain;
    // The helpers take the document lock themselves while it is held.
    EXPECT_EQ(GetMacroIdAt(0), 0);
}

} // namespace
