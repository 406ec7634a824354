#include "support/SampleProfileFile.h"
#include "support/ConnectedKeyboard.h"
#include "support/HostilePaths.h"

#include "actions/ApplyChanges.h"
#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "actions/ProfileImport.h"
#include "actions/ProfileSwitch.h"

namespace {

constexpr uint16_t KeyA = 30;

// The keyboard read into the document (profile 1 active), and a profile file
// with assignments in all three profiles and one macro.
class ImportTest : public WithSampleProfileFile<ConnectedKeyboardTest> {
protected:
    void SetUp() override
    {
        ConnectedKeyboardTest::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_EQ(SetCurrentProfile(1), 1);
        ASSERT_EQ(ReloadFromDevice(false), 1);
        factoryMemories = Memories();
        file = Path("import.vpf");
        ExportSampleProfileFile(file);
        if (HasFatalFailure())
            return;
        fileBytes = ReadBytes(file);
        cacheBefore = ReadBytes(ProfileCachePath(0));
        documentBefore = DocumentBytes();
        kb->ClearFrameLog();
        prompts.ClearMessages();
    }

    KeyboardMemories factoryMemories;
    std::string file;
    std::vector<uint8_t> fileBytes;
    std::vector<uint8_t> cacheBefore;
    std::vector<uint8_t> documentBefore;
};

TEST_F(ImportTest, AValidFileIsLoadedCachedAndWrittenToAllThreeProfiles)
{
    window.applyEnabled = true;
    const int refreshes = window.refreshCount;
    ASSERT_EQ(ImportProfileFile(file), ImportDone);

    EXPECT_EQ(CommandRuns(), (std::vector<uint8_t>{CmdBeginUpdate, CmdWriteMacroMemory, CmdWriteKeyMap, CmdEndUpdate}));
    EXPECT_EQ(WrittenProfiles(), (std::vector<int>{0, 1, 2}));
    ExpectTheSampleFileOnTheKeyboard();

    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), fileBytes);
    EXPECT_EQ(SlotOf(1, KeyA).Type(), 4);
    EXPECT_FALSE(window.applyEnabled);
    EXPECT_GT(window.refreshCount, refreshes);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ImportTest, AnInvalidFileChangesNothing)
{
    struct Damage {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> apply;
        bool formatMessage; // "PROFILE_FORMAT_ERROR" before "MAIN_PROMPT_INPORT"
    };
    const Damage damages[] = {
        {"checksum", [](std::vector<uint8_t>& b) { b[HeaderMacroCountOffset] ^= 1; }, true},
        {"version", [](std::vector<uint8_t>& b) { b[HeaderVersionOffset] = 2; b[31] += 1; }, true},
        {"truncated", [](std::vector<uint8_t>& b) { b.resize(b.size() - 100); }, true},
        {"trailing bytes", [](std::vector<uint8_t>& b) { b.resize(b.size() + 2); }, true},
        {"shorter than a block", [](std::vector<uint8_t>& b) { b.resize(ConfigBlockSize - 1); }, false},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        std::vector<uint8_t> bytes = fileBytes;
        d.apply(bytes);
        const std::string bad = Path("bad.vpf");
        ASSERT_TRUE(WriteFileAtomically(bad, std::span<const uint8_t>(bytes)));
        prompts.ClearMessages();
        window.applyEnabled = true;

        EXPECT_EQ(ImportProfileFile(bad), ImportInvalid);
        std::vector<std::string> expected;
        if (d.formatMessage)
            expected.push_back(FormatText(LoadText("PROFILE_FORMAT_ERROR"), bad));
        expected.push_back(LoadText("MAIN_PROMPT_INPORT"));
        EXPECT_EQ(prompts.Texts(), expected);
        EXPECT_TRUE(kb->Requests().empty());
        EXPECT_EQ(Memories(), factoryMemories);
        EXPECT_EQ(DocumentBytes(), documentBefore);
        EXPECT_EQ(ReadBytes(ProfileCachePath(0)), cacheBefore);
        EXPECT_TRUE(window.applyEnabled);
    }

    prompts.ClearMessages();
    EXPECT_EQ(ImportProfileFile(Path("missing.vpf")), ImportInvalid);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{LoadText("MAIN_PROMPT_INPORT")});
}

TEST_F(ImportTest, AnImportTheKeyboardMissedIsWrittenWholeByTheNextApply)
{
    Disconnect();
    window.applyEnabled = false;
    EXPECT_EQ(ImportProfileFile(file), ImportNotWritten);
    EXPECT_EQ(SlotOf(1, KeyA).Type(), 4);
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_EQ(Memories(), factoryMemories);

    Connect();
    ASSERT_EQ(ApplyChanges(), 1);
    EXPECT_EQ(WrittenProfiles(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(EntryAt(Memories(), 0, PositionOf(KeyA)), (KeyMapEntry{2, 2, 0x05}));
    EXPECT_FALSE(window.applyEnabled);
}

TEST_F(ImportTest, FileChoicesGoThroughThePrompts)
{
    // Nothing chosen: nothing happens.
    EXPECT_EQ(ImportProfileFromUser(), ImportInvalid);
    EXPECT_EQ(ExportProfileToUser(), 0);
    ASSERT_EQ(prompts.choices.size(), 2u);
    EXPECT_EQ(prompts.choices[0].filter, "(*.vpf)|*.vpf|(*.*)|*.*||");
    EXPECT_EQ(prompts.choices[0].initialName, "*.vpf");
    EXPECT_FALSE(prompts.choices[0].confirmOverwrite);
    EXPECT_TRUE(prompts.choices[1].confirmOverwrite);
    EXPECT_EQ(prompts.choices[1].defaultExtension, "vpf");
    EXPECT_TRUE(kb->Requests().empty());

    prompts.openPath = file;
    ASSERT_EQ(ImportProfileFromUser(), ImportDone);
    prompts.savePath = Path("exported.vpf");
    ASSERT_EQ(ExportProfileToUser(), 1);
    // The export is the document: what was imported, byte for byte.
    EXPECT_EQ(ReadBytes(Path("exported.vpf")), fileBytes);
}

TEST_F(ImportTest, SavesThatFailAreToldWithTheReason)
{
    auto told = [](const std::string& path, const std::string& reason) {
        return FormatText(LoadText("MAIN_PROMPT_SAVE_FAILED"), path + " (" + reason + ")");
    };
    const std::string missing = Path("missing/out.vpf");
    prompts.savePath = missing;
    EXPECT_EQ(ExportProfileToUser(), 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], told(missing, "No such file or directory"));

    // On a full disk the keyboard takes the import and the Apply; that the
    // profile cache could not follow is told, and the Apply stays enabled.
    prompts.ClearMessages();
    {
        ScopedFileSizeLimit full(4096);
        EXPECT_EQ(ImportProfileFile(file), ImportDone);
        SetSlot(0, KeyCodeToIndex(KeyA), 1, 0);
        window.applyEnabled = true;
        EXPECT_EQ(ApplyChanges(), 0);
    }
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0], told(ProfileCachePath(0), "File too large"));
    EXPECT_EQ(prompts.messages[1], told(ProfileCachePath(0), "File too large"));
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), cacheBefore);
    EXPECT_EQ(EntryAt(Memories(), 1, PositionOf(KeyA)), (KeyMapEntry{5, 1, 0}));
}

TEST_F(ImportTest, ExportKeepsStringsAndSurvivesReimport)
{
    {
        DocumentLock lock;
        StringEntry& entry = g_configDoc.strings[static_cast<size_t>(KeyCodeToIndex(KeyA))];
        entry.text = u"/usr/bin/true";
        entry.length = static_cast<uint32_t>((entry.text.size() + 1) * 2);
        g_configDoc.stringBytes += entry.length;
        SetSlotType(*g_configDoc.block, KeyCodeToIndex(KeyA), 3);
    }
    const std::string out = Path("strings.vpf");
    ASSERT_EQ(ExportProfileFile(out), 1);
    ASSERT_EQ(CheckProfileFileComplete(out), 1);
    const std::vector<uint8_t> document = DocumentBytes();
    ASSERT_EQ(ImportProfileFile(out), ImportDone);
    EXPECT_EQ(DocumentBytes(), document);
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.strings[static_cast<size_t>(KeyCodeToIndex(KeyA))].text, u"/usr/bin/true");
}

} // namespace
