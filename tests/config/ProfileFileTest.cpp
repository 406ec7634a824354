#include "config/DocumentTestSupport.h"
#include "actions/ProfileFileActions.h"
#include "support/HostilePaths.h"

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

using ProfileFileTest = DocumentFixture;

std::vector<uint8_t> DefaultFile()
{
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
    return std::vector<uint8_t>(block->bytes.begin(), block->bytes.end());
}

void FixChecksum(std::vector<uint8_t>& file)
{
    file[31] = HeaderChecksum(file.data());
}

// A header edit followed by a correct checksum unless said otherwise.
struct ValidationCase {
    const char* name;
    void (*edit)(std::vector<uint8_t>&);
    int32_t result;
    bool message;
    ProfileFault fault;
};

const ValidationCase ValidationCases[] = {
    {"default file", [](std::vector<uint8_t>&) {}, 1, false, ProfileFault::None},
    {"flag 1", [](std::vector<uint8_t>& f) { f[30] = 1; FixChecksum(f); }, 1, false, ProfileFault::None},
    {"flag 2", [](std::vector<uint8_t>& f) { f[30] = 2; FixChecksum(f); }, 0, true, ProfileFault::BadFlag},
    {"100 macros",
        [](std::vector<uint8_t>& f) {
            WriteU16(f.data(), 14, 100);
            WriteU32(f.data(), 8, 32832 + 100 * 32512);
            FixChecksum(f);
        },
        1, false, ProfileFault::Truncated},
    {"101 macros with matching total",
        [](std::vector<uint8_t>& f) {
            WriteU16(f.data(), 14, 101);
            WriteU32(f.data(), 8, 32832 + 101 * 32512);
            FixChecksum(f);
        },
        0, true, ProfileFault::TooManyMacros},
    {"length mismatch, right checksum",
        [](std::vector<uint8_t>& f) { WriteU32(f.data(), 16, 2); FixChecksum(f); }, 0, true,
        ProfileFault::LengthMismatch},
    {"signature", [](std::vector<uint8_t>& f) { f[0] = 0x47; FixChecksum(f); }, 0, true,
        ProfileFault::BadSignature},
    {"header length", [](std::vector<uint8_t>& f) { f[2] = 33; FixChecksum(f); }, 0, true,
        ProfileFault::BadHeaderLength},
    {"profile count", [](std::vector<uint8_t>& f) { f[4] = 4; FixChecksum(f); }, 0, true,
        ProfileFault::BadProfileCount},
    {"version", [](std::vector<uint8_t>& f) { f[6] = 2; FixChecksum(f); }, 0, true, ProfileFault::BadVersion},
    {"total below a block",
        [](std::vector<uint8_t>& f) { WriteU32(f.data(), 8, 32831); FixChecksum(f); }, 0, true,
        ProfileFault::TotalTooSmall},
    {"slot count", [](std::vector<uint8_t>& f) { f[12] = 1; FixChecksum(f); }, 0, true,
        ProfileFault::BadSlotCount},
    {"checksum only", [](std::vector<uint8_t>& f) { f[31] ^= 1; }, 0, true, ProfileFault::BadChecksum},
    {"reserved bytes are not checked",
        [](std::vector<uint8_t>& f) { f[20] = 9; f[28] = 1; FixChecksum(f); }, 1, false, ProfileFault::None},
    {"bytes from 32 on are not checked",
        [](std::vector<uint8_t>& f) { f[32] ^= 0xFF; f[64] = 7; f[32831] = 1; }, 1, false, ProfileFault::None},
    {"short file", [](std::vector<uint8_t>& f) { f.resize(32831); }, 0, false, ProfileFault::TooShort},
    {"empty file", [](std::vector<uint8_t>& f) { f.clear(); }, 0, false, ProfileFault::TooShort},
    {"trailing bytes", [](std::vector<uint8_t>& f) { f.push_back(0); }, 1, false, ProfileFault::TrailingBytes},
    {"2 GB of strings announced",
        [](std::vector<uint8_t>& f) {
            WriteU32(f.data(), 16, 0x80000000u - 32832);
            WriteU32(f.data(), 8, 0x80000000u);
            FixChecksum(f);
        },
        0, false, ProfileFault::TooLarge},
};

TEST_F(ProfileFileTest, ValidationTable)
{
    for (const ValidationCase& c : ValidationCases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> file = DefaultFile();
        c.edit(file);
        const std::string path = Path("case.vpf");
        ASSERT_TRUE(WriteBytes(path, file));
        prompts.ClearMessages();
        EXPECT_EQ(ValidateProfileFile(path), c.result);
        if (c.message) {
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0], "Bad profile: " + path + "!");
        } else {
            EXPECT_TRUE(prompts.messages.empty());
        }
        EXPECT_EQ(ExamineProfileFile(path), c.fault) << ProfileFaultText(ExamineProfileFile(path));
        // The whole-file check an import runs: valid and exactly as long as
        // the header says.
        prompts.ClearMessages();
        const bool complete = c.fault == ProfileFault::None;
        EXPECT_EQ(CheckProfileFileComplete(path), complete ? 1 : 0);
        EXPECT_EQ(prompts.messages.size(), c.message || (c.result == 1 && !complete) ? 1u : 0u);
    }
}

TEST_F(ProfileFileTest, EveryHeaderByteIsCoveredByTheChecksum)
{
    for (int i = 0; i <= 30; ++i) {
        std::vector<uint8_t> file = DefaultFile();
        file[static_cast<size_t>(i)] ^= 0x01;
        ASSERT_TRUE(WriteBytes(Path("byte.vpf"), file));
        EXPECT_EQ(ValidateProfileFile(Path("byte.vpf")), 0) << "byte " << i;
    }
}

TEST_F(ProfileFileTest, AHugeFileIsRefusedBeforeItIsRead)
{
    // A valid header of 2 GB on a sparse file: nothing of it is read.
    std::vector<uint8_t> header = DefaultFile();
    header.resize(32);
    WriteU32(header.data(), 16, 0x80000000u - 32832);
    WriteU32(header.data(), 8, 0x80000000u);
    FixChecksum(header);
    const std::string path = Path("huge.vpf");
    ASSERT_TRUE(WriteBytes(path, header));
    ASSERT_EQ(::truncate(path.c_str(), 0x80000000), 0);
    const ProfileCheck check = InspectProfileFile(path);
    EXPECT_EQ(check.fault, ProfileFault::TooLarge);
    EXPECT_NE(check.Reason().find("at most 137501760 bytes"), std::string::npos) << check.Reason();
    ProfileCheck read;
    EXPECT_TRUE(ReadProfileFileBytes(path, read).empty());
    EXPECT_EQ(read.fault, ProfileFault::TooLarge);
    EXPECT_EQ(ValidateProfileFile(path), 0);
    EXPECT_TRUE(prompts.messages.empty());
    // The limit itself: the block, 100 macros and 64 KiB for every slot.
    EXPECT_EQ(LargestProfileFileBytes, 32832u + 100u * 32512u + 2048u * 65536u);
}

TEST_F(ProfileFileTest, PathsThatAreNoFilesGiveTheirReasonAtOnce)
{
    for (const HostilePath& hostile : MakeHostilePaths(dir)) {
        SCOPED_TRACE(hostile.kind);
        const ProfileCheck check = InspectProfileFile(hostile.path);
        EXPECT_EQ(check.fault, ProfileFault::CannotOpen);
        EXPECT_NE(check.Reason().find(hostile.reason), std::string::npos) << check.Reason();
        EXPECT_EQ(check.Reason().find("does not exist"), std::string::npos) << check.Reason();
        EXPECT_EQ(ValidateProfileFile(hostile.path), -2);
        ProfileCheck read;
        EXPECT_TRUE(ReadProfileFileBytes(hostile.path, read).empty());
        EXPECT_EQ(read.fault, ProfileFault::CannotOpen);
        DocumentLock lock;
        EXPECT_EQ(LoadDocumentFromFile(hostile.path), 0);
    }
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProfileFileTest, MissingAndUnreadable)
{
    EXPECT_EQ(ValidateProfileFile(Path("none.vpf")), 0);
    EXPECT_EQ(ExamineProfileFile(Path("none.vpf")), ProfileFault::Missing);
    fs::create_directories(dir / "folder.vpf");
    EXPECT_EQ(ValidateProfileFile(Path("folder.vpf")), -2);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ProfileFileTest, SaveLoadRoundTripIsByteForByte)
{
    FillDocumentWithEverySlotKind();
    AddMacro(1, u"First", {{10, 30, 0}, {20, 30, 1}});
    AddMacro(2, u"Zweite \u00e9\u4e2d", {{0, 29, 0}, {10, 46, 0}, {10, 46, 1}, {0, 29, 1}});
    SetString(59, 3, u"/usr/bin/gimp");
    SetString(512 + 60, 6, u"Hello\nworld \u00fc");
    SetString(1024 + 61, 3, u"");
    SetString(1536 + 70, 6, std::u16string(3000, u'x'));

    const std::string path = Path("round.vpf");
    ASSERT_EQ(SaveDocumentToFile(1, path), 1);
    std::vector<uint8_t> first = ReadBytes(path);
    const uint32_t expectedStrings = (13 + 1 + 13 + 1 + 0 + 1 + 3000 + 1) * 2;
    ASSERT_EQ(first.size(), 32832u + 2 * 32512u + expectedStrings);
    EXPECT_EQ(CheckProfileFileComplete(path), 1);
    EXPECT_EQ(ReadU16(first.data(), 14), 2);
    EXPECT_EQ(ReadU32(first.data(), 16), expectedStrings);

    InitDocument();
    {
        DocumentLock lock;
        ASSERT_EQ(LoadDocumentFromFile(path), 1);
        EXPECT_EQ(g_configDoc.macroCount, 2);
        EXPECT_EQ(g_configDoc.stringBytes, expectedStrings);
        EXPECT_EQ(g_configDoc.strings[512 + 60].text, u"Hello\nworld \u00fc");
        EXPECT_EQ(g_configDoc.strings[1024 + 61].length, 2u);
        EXPECT_EQ(ConstMacroBlock(MacroBlockAt(g_configDoc, 1)).Name16(), u"Zweite \u00e9\u4e2d");
        EXPECT_EQ(ReadKeySlot(*g_configDoc.block, 1536 + 1).Extra12(), 0x5Au);
    }
    const std::string again = Path("again.vpf");
    ASSERT_EQ(SaveDocumentToFile(1, again), 1);
    EXPECT_EQ(ReadBytes(again), first);
}

TEST_F(ProfileFileTest, DocumentWithoutMacrosSavesNoMacroBytes)
{
    ASSERT_EQ(SaveDocumentToFile(1, Path("plain.vpf")), 1);
    EXPECT_EQ(ReadBytes(Path("plain.vpf")), DefaultFile());
}

// A failed save must leave the previous file exactly as it was.
TEST_F(ProfileFileTest, FailedSaveKeepsTheOldFile)
{
    const std::string target = Path("keep/profile.vpf");
    fs::create_directories(dir / "keep");
    const std::vector<uint8_t> old = {1, 2, 3, 4};
    ASSERT_TRUE(WriteBytes(target, old));
    FillDocumentWithEverySlotKind();

    // A folder where the file should be is not replaced.
    fs::create_directories(dir / "keep" / "folder.vpf" / "inner");
    EXPECT_EQ(SaveDocumentToFile(1, Path("keep/folder.vpf")), 0);
    EXPECT_TRUE(fs::exists(dir / "keep" / "folder.vpf" / "inner"));

    // A document the file format cannot hold is not written at all.
    {
        DocumentLock lock;
        g_configDoc.macroCount = 3; // no macro bytes behind the count
        EXPECT_EQ(SaveDocumentToFile(0, target), 0);
        g_configDoc.macroCount = 0;
    }
    EXPECT_EQ(ReadBytes(target), old);

    // A read-only folder: the old file stays (root ignores the mode bits).
    ::chmod((dir / "keep").c_str(), 0555);
    const bool enforced = ::access((dir / "keep").c_str(), W_OK) != 0;
    const int32_t result = SaveDocumentToFile(1, target);
    ::chmod((dir / "keep").c_str(), 0755);
    if (enforced) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(ReadBytes(target), old);
    } else {
        EXPECT_EQ(result, 1);
    }
    std::vector<std::string> leftovers;
    for (const auto& entry : fs::directory_iterator(dir / "keep"))
        leftovers.push_back(entry.path().filename().string());
    EXPECT_EQ(leftovers.size(), 2u) << "no temporary files stay behind";
}

} // namespace

namespace {

// A program slot without a string keeps a stale offset in the document; the
// file must not let it point at another slot's string.
TEST_F(ProfileFileTest, SlotWithoutStringDoesNotTakeAnotherSlotsStringOnReload)
{
    SetString(20, 6, u"abc");
    {
        DocumentLock lock;
        SetSlotType(*g_configDoc.block, 10, 3);
        SetSlotValue(*g_configDoc.block, 10, 0);
    }
    const std::string path = Path("stale.vpf");
    ASSERT_EQ(SaveDocumentToFile(1, path), 1);
    std::vector<uint8_t> first = ReadBytes(path);
    DocumentLock lock;
    ASSERT_EQ(LoadDocumentFromFile(path), 1);
    EXPECT_EQ(g_configDoc.strings[10].length, 0u);
    EXPECT_EQ(g_configDoc.strings[20].text, u"abc");
    EXPECT_EQ(g_configDoc.stringBytes, 8u);
    ASSERT_EQ(SaveDocumentToFile(0, path), 1);
    EXPECT_EQ(ReadBytes(path), first);
}

// The string area "ab", "c" without a terminator: every way a slot's offset
// can meet it, all in one block so that slots sharing a run share its scan.
TEST_F(ProfileFileTest, SlotStringsAreFoundWhereTheirOffsetsLead)
{
    const std::vector<uint8_t> area = {'a', 0, 'b', 0, 0, 0, 'c', 0};
    struct Case {
        const char* name;
        int slot;
        uint16_t type;
        uint32_t offset;
        bool found;
        std::u16string text;
        uint64_t bytes;
    };
    const Case cases[] = {
        {"program slot at the start", 10, 3, 0, true, u"ab", 6},
        {"text slot in the middle of a string", 11, 6, 2, true, u"b", 4},
        {"odd offset rounds down", 12, 3, 3, true, u"b", 4},
        {"offset at the terminator", 1030, 6, 4, true, u"", 2},
        {"no terminator before the end", 13, 3, 6, false, u"", 0},
        {"offset past the area", 2047, 6, 8, false, u"", 0},
        {"key slot has no string", 14, 2, 0, false, u"", 0},
    };
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
    for (const Case& c : cases) {
        SetSlotType(*block, c.slot, c.type);
        SetSlotValue(*block, c.slot, c.offset);
    }
    const std::vector<SlotString> found = FindSlotStrings(*block, area);
    ASSERT_EQ(found.size(), static_cast<size_t>(KeySlotCount));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SlotString& string = found[static_cast<size_t>(c.slot)];
        EXPECT_EQ(string.found, c.found);
        if (!c.found)
            continue;
        EXPECT_EQ(SlotStringText(area, string), c.text);
        EXPECT_EQ(string.Bytes(), c.bytes);
    }
    EXPECT_FALSE(found[0].found) << "slots of type 0 find nothing";
}

TEST_F(ProfileFileTest, SplitTakesTheAreasFromTheHeader)
{
    // One macro block of 0x11 and four string bytes behind the block.
    std::vector<uint8_t> file = DefaultFile();
    WriteU16(file.data(), 14, 1);
    WriteU32(file.data(), 16, 4);
    WriteU32(file.data(), 8, 32832 + 32512 + 4);
    FixChecksum(file);
    file.resize(32832 + 32512, 0x11);
    file.insert(file.end(), {'h', 0, 0, 0});

    std::optional<ProfileFileAreas> areas = SplitProfileFile(file);
    ASSERT_TRUE(areas);
    EXPECT_EQ(areas->block.data(), file.data());
    EXPECT_EQ(areas->block.size(), 32832u);
    EXPECT_EQ(areas->macroCount, 1);
    EXPECT_EQ(areas->macros.data(), file.data() + 32832);
    EXPECT_EQ(areas->macros.size(), 32512u);
    EXPECT_EQ(std::vector<uint8_t>(areas->strings.begin(), areas->strings.end()),
              (std::vector<uint8_t>{'h', 0, 0, 0}));

    // Nothing is split that the file does not hold, nor more macros than a
    // file may have.
    EXPECT_FALSE(SplitProfileFile(std::span<const uint8_t>(file).first(file.size() - 1)));
    EXPECT_FALSE(SplitProfileFile(std::span<const uint8_t>(file).first(32831)));
    std::vector<uint8_t> tooMany = file;
    WriteU16(tooMany.data(), 14, 101);
    EXPECT_FALSE(SplitProfileFile(tooMany));
    ASSERT_TRUE(SplitProfileFile(DefaultFile()));
    EXPECT_TRUE(SplitProfileFile(DefaultFile())->macros.empty());
    EXPECT_TRUE(SplitProfileFile(DefaultFile())->strings.empty());
}

} // namespace
