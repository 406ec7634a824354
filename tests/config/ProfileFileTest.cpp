#include "config/DocumentTestSupport.h"
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
        prompts.messages.clear();
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
        prompts.messages.clear();
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

// A document that uses everything a file can carry.
void FillDocument()
{
    DocumentLock lock;
    ConfigBlock& block = *g_configDoc.block;
    for (int group = 0; group < 4; ++group) {
        const int base = group * SlotsPerGroup;
        KeySlot key;
        key.SetType(2);
        key.SetValue(30 + group);
        key.bytes[8] = 1;         // carried fields
        key.bytes[12] = 0x5A;
        WriteKeySlot(block, base + 1, key);
        SetSlotType(block, base + 2, 7);
        SetSlotValue(block, base + 2, 5);
        SetSlotType(block, base + 3, 8);
        SetSlotValue(block, base + 3, 2);
        SetSlotType(block, base + 256, 4);
        SetSlotIdentity(block, base + 256, 3);
        SetSlotValue(block, base + 256, 2);
        SetSlotType(block, base + 4, 1);
    }
}

TEST_F(ProfileFileTest, SaveLoadRoundTripIsByteForByte)
{
    FillDocument();
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
    FillDocument();

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

TEST_F(ProfileFileTest, ProfileCacheIsSavedOnlyWhenItExists)
{
    const std::string cache = ProfileCachePath(0);
    EXPECT_EQ(cache, g_paths.userFolder + "/$Profile0");
    for (int index : {-1, 1, 2, 3})
        EXPECT_EQ(ProfileCachePath(index), cache);
    EXPECT_TRUE(fs::is_directory(g_paths.userFolder));

    EXPECT_EQ(SaveDocumentToProfileCache(1), 0);
    EXPECT_FALSE(fs::exists(cache));

    ASSERT_EQ(CreateDefaultBlock(cache, 0, false), 1);
    FillDocument();
    g_currentProfile = -1;
    EXPECT_EQ(SaveDocumentToProfileCache(1), 1);
    std::vector<uint8_t> bytes = ReadBytes(cache);
    ASSERT_EQ(bytes.size(), ConfigBlockSize);
    EXPECT_EQ(ReadU16(bytes.data(), SlotOffset(1)), 2);
}

TEST_F(ProfileFileTest, EnsureUserFolderSeedsThePresetFiles)
{
    fs::create_directories(dir / "Skins");
    std::ofstream(dir / "Skins" / "UserDengColor_3.userd", std::ios::binary) << "[MODE]\r\nA=1\r\n";
    const fs::path user(g_paths.userFolder);
    ASSERT_FALSE(fs::exists(user));
    ASSERT_EQ(EnsureUserFolder(), 1);
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> seeded = ReadBytes((user / ("UserDengColor_" + std::to_string(i) + ".userd")).string());
        EXPECT_EQ(std::string(seeded.begin(), seeded.end()), "[MODE]\r\nA=1\r\n") << i;
    }
    // An existing folder is left as it is.
    std::ofstream(user / "UserDengColor_0.userd", std::ios::binary | std::ios::trunc) << "mine";
    ASSERT_EQ(EnsureUserFolder(), 1);
    std::vector<uint8_t> kept = ReadBytes((user / "UserDengColor_0.userd").string());
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "mine");
}

TEST_F(ProfileFileTest, EnsureUserFolderWithoutPresetMakesEmptyFiles)
{
    ASSERT_EQ(EnsureUserFolder(), 1);
    for (int i = 0; i < 3; ++i) {
        const fs::path seeded = fs::path(g_paths.userFolder) / ("UserDengColor_" + std::to_string(i) + ".userd");
        ASSERT_TRUE(fs::exists(seeded));
        EXPECT_EQ(fs::file_size(seeded), 0u);
    }
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

} // namespace
