#include "support/ConnectedKeyboard.h"
#include "support/HostilePaths.h"

#include "assign/KeyAssignment.h"
#include "actions/DeviceCapture.h"
#include "actions/DeviceWriter.h"
#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "actions/ProfileSwitch.h"
#include "macro/MacroImage.h"

namespace {

constexpr uint16_t KeyA = 30;

class CaptureTest : public ConnectedKeyboardTest {
protected:
    using ConnectedKeyboardTest::ConnectedKeyboardTest;

    static int32_t WriteAll()
    {
        DocumentLock lock;
        return CopyDocumentForDevice(1);
    }

    static uint16_t MacroCount()
    {
        DocumentLock lock;
        return g_configDoc.macroCount;
    }

    static ConstMacroBlock MacroAt(int k) { return ConstMacroBlock(MacroBlockAt(g_configDoc, k)); }
};

class FactoryCaptureTest : public CaptureTest, public ::testing::WithParamInterface<uint16_t> {
protected:
    FactoryCaptureTest() : CaptureTest(GetParam()) {}
};

TEST_P(FactoryCaptureTest, TheFactoryKeyboardGivesEveryKeyItsOwnFunction)
{
    const std::string path = Path("factory.vpf");
    ASSERT_EQ(CaptureDeviceToFile(path), 1);
    // Reads only: no update group, nothing written.
    EXPECT_EQ(CommandRuns(), (std::vector<uint8_t>{CmdReadDeviceInfo, CmdReadKeyMap, CmdReadMacroMemory}));
    EXPECT_EQ(CheckProfileFileComplete(path), 1);

    const std::vector<uint8_t> file = ReadBytes(path);
    ASSERT_EQ(file.size(), ConfigBlockSize);
    ConfigBlock block;
    std::copy(file.begin(), file.end(), block.bytes.begin());
    // The default block, with every profile's macro keys carrying their
    // identities.
    std::unique_ptr<ConfigBlock> expected = MakeDefaultBlock(0);
    for (int group = 0; group < ProfileCount; ++group)
        ResetSlotGroup(*expected, group);
    EXPECT_EQ(expected->bytes, block.bytes);
    for (int slot = 0; slot < KeySlotCount; ++slot)
        ASSERT_EQ(SlotType(block, slot), 0) << slot;
    for (int group = 0; group < ProfileCount; ++group)
        EXPECT_EQ(SlotIdentity(block, SlotsPerGroup * group + MacroKeySlotFirst), 0x0301) << group;
}

INSTANTIATE_TEST_SUITE_P(BothModels, FactoryCaptureTest, ::testing::Values(uint16_t{0x5000}, uint16_t{0}),
                         [](const auto& info) { return info.param == 0 ? std::string("Keys126") : std::string("Keys128"); });

// What went to the keyboard comes back from it: types, values and macros.
TEST_F(CaptureTest, AssignApplyCaptureGivesTheSameAssignments)
{
    struct Assignment {
        int profile;
        uint16_t keyCode;
        uint16_t type;
        uint32_t value;
    };
    const Assignment assignments[] = {
        {0, 30, 2, 48},   // A plays B
        {0, 31, 2, 285},  // S is right Ctrl
        {0, 32, 2, 369},  // D is the left mouse button
        {0, 33, 2, 353},  // F is wheel up
        {1, 30, 4, 2},    // the second macro
        {1, 31, 5, 0},    // stop macro
        {1, 59, 7, 7},    // F1 is mute
        {2, 30, 8, 10},   // the last keyboard function
        {2, 1, 1, 0},     // Esc disabled
        {2, 512, 4, 1},   // G1 plays the first macro
    };
    AddMacro(1, u"Greeting", 4);
    AddMacro(2, u"Second one", 2);
    for (const Assignment& a : assignments)
        SetSlot(a.profile, KeyCodeToIndex(a.keyCode), a.type, a.value);
    std::vector<uint8_t> macrosBefore;
    {
        DocumentLock lock;
        macrosBefore = g_configDoc.macros;
    }
    ASSERT_EQ(WriteAll(), 1);

    ASSERT_EQ(ReloadFromDevice(false), 1);
    for (const Assignment& a : assignments) {
        SCOPED_TRACE(testing::Message() << "profile " << a.profile << " key " << a.keyCode);
        const KeySlot slot = SlotOf(a.profile, a.keyCode);
        EXPECT_EQ(slot.Type(), a.type);
        EXPECT_EQ(slot.Value(), a.value);
    }
    // Nothing else was assigned in any profile.
    size_t assigned = 0;
    {
        DocumentLock lock;
        for (int slot = 0; slot < SlotsPerGroup * ProfileCount; ++slot)
            assigned += SlotType(*g_configDoc.block, slot) != 0;
    }
    EXPECT_EQ(assigned, std::size(assignments));

    ASSERT_EQ(MacroCount(), 2);
    DocumentLock lock;
    for (int k = 0; k < 2; ++k) {
        ConstMacroBlock before(macrosBefore.data() + static_cast<size_t>(k) * MacroBlockSize);
        ConstMacroBlock after = MacroAt(k);
        EXPECT_EQ(after.Name16(), before.Name16());
        EXPECT_EQ(after.Cycles(), before.Cycles());
        EXPECT_EQ(after.MacroId(), k + 1);
        EXPECT_EQ(after.Events(), before.Events());
    }
}

class TightMemoryCaptureTest : public CaptureTest {
protected:
    TightMemoryCaptureTest() : CaptureTest(0x5000, 1) {} // 128 bytes
};

TEST_F(TightMemoryCaptureTest, MacrosStoredWithoutNamesComeBackWithNumberedNames)
{
    AddMacro(1, std::u16string(40, u'a'));
    AddMacro(2, std::u16string(40, u'b'));
    SetSlot(0, KeyCodeToIndex(KeyA), 4, 2);
    ASSERT_EQ(WriteAll(), 1);
    ASSERT_TRUE(prompts.Said("EXTRA_PROFILE_SPACE_TIGHT"));

    ASSERT_EQ(ReloadFromDevice(false), 1);
    ASSERT_EQ(MacroCount(), 2);
    DocumentLock lock;
    EXPECT_EQ(MacroAt(0).Name(), LoadText("MACRO_NEW_PREFIX") + "1");
    EXPECT_EQ(MacroAt(1).Name(), LoadText("MACRO_NEW_PREFIX") + "2");
    EXPECT_EQ(MacroAt(1).Events().size(), 2u);
    EXPECT_EQ(SlotOf(0, KeyA).Value(), 2u);
}

// ---- reading maps back into slots ----

TEST(ImportKeyMap, ChangedEntriesBecomeSlots)
{
    const std::vector<uint8_t> factory = FactoryKeyMap(0x5000);
    const std::vector<uint16_t> codes = FactoryKeyCodes(0x5000);
    const int a = static_cast<int>(std::find(codes.begin(), codes.end(), KeyA) - codes.begin());
    struct Case {
        KeyMapEntry entry;
        uint16_t type;
        uint32_t value;
    };
    const Case cases[] = {
        {{2, 2, 0x04}, 0, 0},    // the factory entry itself
        {{0, 0, 0}, 1, 0},       // disabled
        {{5, 1, 0}, 4, 1},       // first macro of the image: id 1
        {{5, 1, 9}, 4, 10},
        {{5, 2, 0}, 5, 0},
        {{5, 5, 7}, 8, 7},
        {{5, 9, 9}, 1, 0},       // an unknown macro command
        {{3, 0xE2, 0x00}, 7, 7}, // mute
        {{3, 0x34, 0x12}, 1, 0}, // a consumer usage the media table lacks
        {{1, 1, 4}, 2, 371},
        {{1, 5, 0xFF}, 2, 354},
        {{1, 1, 8}, 1, 0},       // a mouse action the keyboard never sends
        {{2, 1, 0x60}, 2, 54},   // lowest modifier bit wins: right Shift
        {{2, 2, 0x05}, 2, 48},   // B
        {{2, 2, 0x00}, 1, 0},    // no usage
        {{4, 0x81, 0}, 1, 0},    // a system key is not kept
        {{9, 1, 2}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.entry.kind) << "," << int(c.entry.byte1) << "," << int(c.entry.byte2));
        std::vector<uint8_t> map = factory;
        WriteKeyMapEntry(map, a, c.entry);
        ConfigBlock block;
        SetSlotType(block, 512 + KeyA, 6); // stale contents are reset first
        ImportKeyMap(block, 1, map, factory, 128);
        EXPECT_EQ(SlotType(block, 512 + KeyA), c.type);
        EXPECT_EQ(SlotValue(block, 512 + KeyA), c.value);
        EXPECT_EQ(SlotIdentity(block, 512 + 256), 0x0301);
        EXPECT_EQ(SlotIdentity(block, 512 + 273), 0x1309);
    }

    // A position whose factory entry names no key (Fn) is never a slot.
    std::vector<uint8_t> map = factory;
    WriteKeyMapEntry(map, FnPosition, {5, 1, 3});
    ConfigBlock block;
    ImportKeyMap(block, 0, map, factory, 128);
    ConfigBlock reset;
    ResetSlotGroup(reset, 0);
    EXPECT_EQ(block.bytes, reset.bytes);
}

// ---- keyboards that do not cooperate ----

TEST_F(CaptureTest, AMacroMemoryWithoutSignatureHoldsNoMacros)
{
    KeyboardMemories m = Memories();
    std::fill(m.macroMemory.begin(), m.macroMemory.end(), uint8_t{0x5A});
    kb->SetMemories(m);
    AddMacro(1, u"stale");
    ASSERT_EQ(ReloadFromDevice(false), 1);
    EXPECT_EQ(MacroCount(), 0);
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)).size(), ConfigBlockSize);
}

TEST_F(CaptureTest, AnImageHeaderClaimingTooMuchIsReadOnlyAsFarAsTheMemoryGoes)
{
    AddMacro(1, u"kept");
    ASSERT_EQ(WriteAll(), 1);
    KeyboardMemories m = Memories();
    WriteU16(m.macroMemory.data(), ImageLengthOffset, 0xFFFF); // beyond the 8 KiB memory
    WriteU16(m.macroMemory.data(), ImageCountOffset, 0xFFFF);
    kb->SetMemories(m);

    ASSERT_EQ(ReloadFromDevice(false), 1);
    ASSERT_EQ(CheckProfileFileComplete(ProfileCachePath(0)), 1);
    DocumentLock lock;
    ASSERT_GE(g_configDoc.macroCount, 1);
    EXPECT_LE(g_configDoc.macroCount, MaxMacroCount);
    EXPECT_EQ(MacroAt(0).Name(), "kept");
}

TEST_F(CaptureTest, AKeyboardThatAnswersNothingGivesTheDefaultDocument)
{
    ASSERT_EQ(SetCurrentProfile(1), 1);
    ASSERT_EQ(ReloadFromDevice(false), 1);
    const std::vector<uint8_t> cacheBefore = ReadBytes(ProfileCachePath(0));
    AddMacro(1, u"edit");
    SetSlot(1, KeyCodeToIndex(KeyA), 1, 0);
    window.applyEnabled = true;

    g_currentProfile = -1; // as after a reconnection
    kb->DropReplies(1000);
    EXPECT_EQ(GetCurrentProfile(), -1);
    EXPECT_EQ(ReloadFromDevice(false), 0);
    EXPECT_EQ(g_currentProfile.load(), -1);
    {
        DocumentLock lock;
        EXPECT_EQ(g_configDoc.block->bytes, MakeDefaultBlock(0)->bytes);
        EXPECT_EQ(g_configDoc.macroCount, 0);
    }
    EXPECT_FALSE(window.applyEnabled);
    EXPECT_GT(window.refreshCount, 0);
    // The cache is not touched by a capture that could not run.
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), cacheBefore);
}

TEST_F(CaptureTest, AFailedReadLeavesTheOldCacheFile)
{
    ASSERT_EQ(ReloadFromDevice(false), 1);
    const std::vector<uint8_t> cacheBefore = ReadBytes(ProfileCachePath(0));
    ASSERT_FALSE(cacheBefore.empty());
    kb->ClearFrameLog();
    kb->RefuseNextRequests(StatusRefused, 1);
    EXPECT_EQ(CaptureDeviceToFile(ProfileCachePath(0)), 0);
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), cacheBefore);
}

TEST_F(CaptureTest, ACacheThatCannotBeWrittenStillGivesTheKeyboardsDocument)
{
    SetSlot(0, KeyCodeToIndex(KeyA), 2, 48);
    ASSERT_EQ(WriteAll(), 1);
    ASSERT_EQ(ReloadFromDevice(false), 1);
    const std::vector<uint8_t> cacheBefore = ReadBytes(ProfileCachePath(0));
    prompts.ClearMessages();
    {
        ScopedFileSizeLimit full(4096);
        EXPECT_EQ(ReloadFromDevice(false), 1);
    }
    // The keys are the keyboard's, not a default document's that the next
    // Apply would write over them; the failure is told.
    EXPECT_EQ(SlotOf(0, KeyA).Type(), 2);
    EXPECT_EQ(SlotOf(0, KeyA).Value(), 48u);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0],
              FormatText(LoadText("MAIN_PROMPT_SAVE_FAILED"), ProfileCachePath(0) + " (File too large)"));
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), cacheBefore);
}

TEST_F(CaptureTest, ReloadKeepsApplyWhenAsked)
{
    window.applyEnabled = true;
    ASSERT_EQ(ReloadFromDevice(true), 1);
    EXPECT_TRUE(window.applyEnabled);
    ASSERT_EQ(ReloadFromDevice(false), 1);
    EXPECT_FALSE(window.applyEnabled);
}

} // namespace
