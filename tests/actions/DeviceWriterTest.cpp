#include "support/ConnectedKeyboard.h"

#include "actions/ApplyChanges.h"
#include "actions/DeviceWriter.h"
#include "assign/KeyAssignment.h"
#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "actions/ProfileSwitch.h"
#include "device/protocol/DeviceEvents.h"
#include "actions/MacroEditing.h"
#include "macro/MacroImage.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr uint16_t Esc = 1;
constexpr uint16_t KeyA = 30;
constexpr uint16_t KeyB = 48;

// The document as the keyboard holds it (and the profile cache created), with
// pending changes to apply in `profile`.
class WriterTest : public ConnectedKeyboardTest {
protected:
    using ConnectedKeyboardTest::ConnectedKeyboardTest;

    static int32_t WriteAll()
    {
        DocumentLock lock;
        return CopyDocumentForDevice(1);
    }

    // The image of one macro as AddMacro makes it (id and cycles 1; A
    // pressed after 10 ms, released after 20 ms), typed in: the header, the
    // record's offset, the record (2 events, 1 cycle, name length) and, when
    // names are carried, the name in UTF-16LE.
    static std::vector<uint8_t> OneMacroImage(uint8_t length, bool withNames, const std::u16string& name)
    {
        std::vector<uint8_t> image = {
            0xAA, 0x55, length, 0x00, 0x01, 0x00, uint8_t{withNames}, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,
            0x12, 0x00,
            0x02, 0x00, 0x01, static_cast<uint8_t>(withNames ? name.size() : 0),
            0x01, 0xA0, 0x02, 0x04, // 10 ms, keyboard class, press; usage of A
            0x02, 0x20, 0x02, 0x04, // 20 ms, keyboard class, release
        };
        if (withNames) {
            for (char16_t c : name) {
                image.push_back(static_cast<uint8_t>(c & 0xFF));
                image.push_back(static_cast<uint8_t>(c >> 8));
            }
        }
        return image;
    }

    static std::vector<uint8_t> MacroMemoryPrefix(const KeyboardMemories& m, size_t n)
    {
        return std::vector<uint8_t>(m.macroMemory.begin(), m.macroMemory.begin() + static_cast<std::ptrdiff_t>(n));
    }
};

// ---- slot encodings, on both models ----

class SlotEncodingTest : public WriterTest, public ::testing::WithParamInterface<uint16_t> {
protected:
    SlotEncodingTest() : WriterTest(GetParam()) {}
};

struct EncodingCase {
    const char* what;
    uint16_t type;
    uint32_t value;
    std::optional<KeyMapEntry> entry; // none: the factory entry
};

TEST_P(SlotEncodingTest, EachSlotTypeReachesTheKeyboardAsItsEntry)
{
    StartFromKeyboard(1);
    AddMacro(5, u"first");
    AddMacro(6, u"second");
    AddMacro(7, u"third");
    const EncodingCase cases[] = {
        {"left Shift", 2, 42, KeyMapEntry{2, 1, 0x02}},
        {"left Ctrl", 2, 29, KeyMapEntry{2, 1, 0x01}},
        {"A", 2, 30, KeyMapEntry{2, 2, 0x04}},
        {"left mouse button", 2, 369, KeyMapEntry{1, 1, 1}},
        {"right mouse button", 2, 370, KeyMapEntry{1, 1, 2}},
        {"middle mouse button", 2, 371, KeyMapEntry{1, 1, 4}},
        {"wheel up", 2, 353, KeyMapEntry{1, 5, 1}},
        {"wheel down", 2, 354, KeyMapEntry{1, 5, 0xFF}},
        {"right Windows", 2, 348, KeyMapEntry{2, 1, 0x80}},
        // A consumer key keeps its device code; a system key has no usage.
        {"V+ as a key", 2, 304, KeyMapEntry{2, 2, 0xC0}},
        {"Power as a key", 2, 350, KeyMapEntry{2, 2, 0x00}},
        {"mute", 7, 7, KeyMapEntry{3, 0xE2, 0x00}},
        {"media player", 7, 0, KeyMapEntry{3, 0x83, 0x01}},
        {"media index past the table", 7, 18, KeyMapEntry{3, 0, 0}},
        {"function with a wide value", 8, 0x1FF, KeyMapEntry{5, 5, 0xFF}},
        {"third macro", 4, 7, KeyMapEntry{5, 1, 2}},
        {"missing macro", 4, 77, KeyMapEntry{5, 1, 0}},
        {"stop macro", 5, 0, KeyMapEntry{5, 2, 0}},
        {"function 3", 8, 3, KeyMapEntry{5, 5, 3}},
        {"disabled", 1, 0, KeyMapEntry{0, 0, 0}},
        {"text block", 6, 0, KeyMapEntry{0, 0, 0}},
        {"program", 3, 0, std::nullopt},
        {"default", 0, 0, std::nullopt},
    };
    const int esc = PositionOf(Esc);
    ASSERT_GE(esc, 0);
    const KeyboardMemories before = Memories();
    const KeyMapEntry factory = EntryAt(before, 1, esc);
    ASSERT_EQ(factory, (KeyMapEntry{2, 2, 0x29}));
    for (const EncodingCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetSlot(1, KeyCodeToIndex(Esc), c.type, c.value);
        ASSERT_EQ(Apply(), 1);
        const KeyboardMemories after = Memories();
        EXPECT_EQ(EntryAt(after, 1, esc), c.entry.value_or(factory));
        // Every other position keeps its factory entry, and the other
        // profiles are not touched.
        std::vector<uint8_t> map = KeyMapOf(after, 1);
        WriteKeyMapEntry(map, esc, factory);
        EXPECT_EQ(map, KeyMapOf(before, 1));
        EXPECT_EQ(KeyMapOf(after, 0), KeyMapOf(before, 0));
        EXPECT_EQ(KeyMapOf(after, 2), KeyMapOf(before, 2));
    }
}

INSTANTIATE_TEST_SUITE_P(BothModels, SlotEncodingTest, ::testing::Values(uint16_t{0x5000}, uint16_t{0}),
                         [](const auto& info) { return info.param == 0 ? std::string("Keys126") : std::string("Keys128"); });

// ---- what an Apply sends ----

TEST_F(WriterTest, ApplySendsBeginTheImageTheCurrentMapAndEnd)
{
    StartFromKeyboard(2);
    AddMacro(1, u"Hello");
    SetSlot(2, KeyCodeToIndex(KeyA), 4, 1);

    ASSERT_EQ(Apply(), 1);
    EXPECT_EQ(CommandRuns(), (std::vector<uint8_t>{CmdBeginUpdate, CmdWriteMacroMemory, CmdWriteKeyMap, CmdEndUpdate}));
    EXPECT_EQ(WrittenProfiles(), std::vector<int>{2});
    const std::vector<uint8_t> image = OneMacroImage(40, true, u"Hello");
    ASSERT_EQ(image.size(), 40u);
    EXPECT_EQ(MacroMemoryPrefix(Memories(), image.size()), image);
    EXPECT_EQ(EntryAt(Memories(), 2, PositionOf(KeyA)), (KeyMapEntry{5, 1, 0}));
    EXPECT_FALSE(window.applyEnabled);

    // The cache holds the applied document.
    std::vector<uint8_t> expected;
    {
        DocumentLock lock;
        expected = BuildProfileFileBytes();
    }
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), expected);
}

TEST_F(WriterTest, NothingPendingSendsNothing)
{
    StartFromKeyboard();
    SetSlot(0, KeyCodeToIndex(KeyA), 1, 0);
    window.applyEnabled = false;
    EXPECT_EQ(ApplyChanges(), 1);
    EXPECT_TRUE(kb->Requests().empty());
}

TEST_F(WriterTest, DeletingAMacroThatKeysUseRewritesAllThreeMaps)
{
    StartFromKeyboard(0);
    AddMacro(1, u"one");
    AddMacro(2, u"two");
    AddMacro(3, u"three");
    SetSlot(2, KeyCodeToIndex(KeyA), 4, 2);
    SetSlot(2, KeyCodeToIndex(KeyB), 4, 3);
    ASSERT_EQ(WriteAll(), 1);
    ASSERT_EQ(EntryAt(Memories(), 2, PositionOf(KeyB)), (KeyMapEntry{5, 1, 2}));

    prompts.answerYes = true; // "the macro is used by keys: delete it?"
    MacroList list = LoadMacroList();
    SelectMacro(list, 1);
    ASSERT_TRUE(DeleteSelectedMacro(list));
    ASSERT_TRUE(g_macroLayoutChanged);
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    kb->ClearFrameLog();

    ASSERT_EQ(ApplyChanges(), 1);
    EXPECT_EQ(WrittenProfiles(), (std::vector<int>{0, 1, 2}));
    const KeyboardMemories m = Memories();
    // Profile 2's second key followed its macro to its new position; the
    // first lost its macro and plays its own key again.
    EXPECT_EQ(EntryAt(m, 2, PositionOf(KeyB)), (KeyMapEntry{5, 1, 1}));
    EXPECT_EQ(EntryAt(m, 2, PositionOf(KeyA)), (KeyMapEntry{2, 2, 0x04}));
    EXPECT_FALSE(g_macroLayoutChanged);

    // The layout flag is spent: the next Apply writes only the current map.
    kb->ClearFrameLog();
    ASSERT_EQ(Apply(), 1);
    EXPECT_EQ(WrittenProfiles(), std::vector<int>{0});
}

class BusyPictureEvents : public DeviceEvents {
public:
    void ShowBusyPicture(bool shown) override
    {
        std::lock_guard lock(mutex);
        pictures.push_back(shown);
    }
    std::vector<bool> Pictures()
    {
        std::lock_guard lock(mutex);
        return pictures;
    }
    std::mutex mutex;
    std::vector<bool> pictures;
};

TEST_F(WriterTest, TheBusyPictureIsShownThenHiddenAndNeverNeeded)
{
    StartFromKeyboard();
    BusyPictureEvents events;
    SetDeviceEvents(&events);
    SetApplyShowDelay(20ms);
    // Quicker than the delay: the picture still comes, before it goes.
    window.applyEnabled = false;
    EXPECT_EQ(ApplyChanges(), 1);
    WaitForBusyIndicators();
    EXPECT_EQ(events.Pictures(), (std::vector<bool>{true, false}));

    // Without its thread the Apply goes ahead all the same.
    FailNextBusyIndicatorStart();
    SetSlot(0, KeyCodeToIndex(KeyA), 1, 0);
    EXPECT_EQ(Apply(), 1);
    WaitForBusyIndicators();
    SetDeviceEvents(nullptr);
    EXPECT_EQ(events.Pictures().size(), 2u);
    EXPECT_EQ(EntryAt(Memories(), 0, PositionOf(KeyA)), (KeyMapEntry{0, 0, 0}));
    EXPECT_FALSE(window.applyEnabled);
}

// ---- the macro memory's capacity ----

class SmallMemoryTest : public WriterTest {
protected:
    SmallMemoryTest() : WriterTest(0x5000, 1) {} // 128 bytes
};

TEST_F(SmallMemoryTest, MacrosTooLargeEvenWithoutNamesSendNothing)
{
    StartFromKeyboard();
    ASSERT_EQ(g_macroCapacity.load(), 128u);
    AddMacro(1, u"long", 40); // 16 + 2 + 4 + 160 bytes without its name
    SetSlot(0, KeyCodeToIndex(KeyA), 4, 1);
    const std::vector<uint8_t> documentBefore = DocumentBytes();

    EXPECT_EQ(Apply(), 0);
    EXPECT_TRUE(kb->Requests().empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], LoadText("EXTRA_MACRO_TOO_LONG"));
    EXPECT_EQ(prompts.styles[0], MessageStyle::Topmost);
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_EQ(DocumentBytes(), documentBefore);
}

TEST_F(SmallMemoryTest, NamesAreDroppedWhenOnlyTheNamelessImageFits)
{
    StartFromKeyboard();
    // 30 bytes without the name, 150 with it.
    AddMacro(1, std::u16string(60, u'n'));
    // The owner agrees to lose the name (asked before anything is sent).
    prompts.answerYes = true;

    ASSERT_EQ(Apply(), 1);
    EXPECT_EQ(prompts.questions, (std::vector<std::string>{FormatText(LoadText("MACRO_MEMORY_NAMES_CONFIRM"), std::string("150"))}));
    const std::vector<uint8_t> image = OneMacroImage(30, false, u"");
    ASSERT_EQ(image.size(), 30u);
    EXPECT_EQ(MacroMemoryPrefix(Memories(), image.size()), image);
    EXPECT_EQ(ReadU16(Memories().macroMemory.data(), ImageNamesFlagOffset), 0);
    // No key plays a macro: the user is not bothered.
    EXPECT_TRUE(prompts.messages.empty());

    SetSlot(0, KeyCodeToIndex(KeyA), 4, 1);
    ASSERT_EQ(Apply(), 1);
    EXPECT_EQ(prompts.questions.size(), 1u) << "the same name is not asked about again";
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], LoadText("EXTRA_PROFILE_SPACE_TIGHT"));
    EXPECT_EQ(prompts.styles[0], MessageStyle::Topmost);
    EXPECT_EQ(EntryAt(Memories(), 0, PositionOf(KeyA)), (KeyMapEntry{5, 1, 0}));
}

// ---- faults ----

TEST_F(WriterTest, AnUnknownProfileGetsNoMapAndNothingIsSent)
{
    // The keyboard names a profile it does not have; the cache stays unknown.
    KeyboardMemories m = Memories();
    m.deviceInfo[DeviceInfoActiveProfile] = 7;
    kb->SetMemories(m);
    g_currentProfile = -1;
    AddMacro(1, u"x");
    SetSlot(0, KeyCodeToIndex(KeyA), 4, 1);

    EXPECT_EQ(Apply(), 0);
    EXPECT_EQ(CountRequests(CmdBeginUpdate), 0u);
    EXPECT_EQ(CountRequests(CmdWriteMacroMemory), 0u);
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(Memories(), m);
    EXPECT_EQ(GetCurrentProfile(), -1);
    EXPECT_TRUE(window.applyEnabled);

    // A keyboard that answers nothing at all: the same.
    kb->ClearFrameLog();
    kb->DropReplies(1000);
    EXPECT_EQ(Apply(), 0);
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(CountRequests(CmdWriteMacroMemory), 0u);
}

TEST_F(WriterTest, UnpluggedDuringApplyLeavesApplyEnabledAndTheFilesIntact)
{
    StartFromKeyboard(1);
    for (uint16_t id = 1; id <= 8; ++id)
        AddMacro(id, u"macro", 60); // about 2 KiB of image: 40 chunks
    SetSlot(1, KeyCodeToIndex(KeyA), 4, 3);
    g_macroLayoutChanged = true;
    const std::vector<uint8_t> documentBefore = DocumentBytes();
    kb->SetReportLatency(1ms);

    std::atomic<bool> done{false};
    std::thread cable([&] {
        while (!done && kb->RequestCount() < 10)
            std::this_thread::sleep_for(1ms);
        kb->Unplug();
    });
    const int32_t result = Apply();
    done = true;
    cable.join();

    EXPECT_EQ(result, 0);
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_EQ(DocumentBytes(), documentBefore);
    // The cache holds the whole document, saved before the write began.
    std::vector<uint8_t> expected;
    {
        DocumentLock lock;
        expected = BuildProfileFileBytes();
    }
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), expected);
    EXPECT_EQ(ValidateProfileFile(ProfileCachePath(0)), 1);
    // The other profiles may still point at old macro positions.
    EXPECT_TRUE(g_macroLayoutChanged);
}

TEST_F(WriterTest, ARefusedChunkStopsThatTransfer)
{
    StartFromKeyboard();
    const std::pair<uint8_t, int32_t> cases[] = {{StatusBadChecksum, -102}, {StatusRefused, -103}};
    for (const auto& [status, code] : cases) {
        SCOPED_TRACE(code);
        SetSlot(0, KeyCodeToIndex(KeyA), 1, 0);
        const KeyboardMemories before = Memories();
        kb->ClearFrameLog();
        // BeginUpdate, the one-chunk image, then the key map's first chunk.
        kb->RefuseNextRequests(status, 3);
        EXPECT_EQ(Apply(), 0);
        EXPECT_EQ(CountRequests(CmdWriteKeyMap), 1u);
        EXPECT_EQ(CommandRuns().back(), CmdEndUpdate);
        EXPECT_EQ(Memories().keyMaps, before.keyMaps);
        EXPECT_TRUE(window.applyEnabled);

        kb->RefuseNextRequests(status, 1);
        std::vector<uint8_t> map = KeyMapOf(before, 0);
        EXPECT_EQ(WriteKeyMap(map, 0), code);
    }
}

} // namespace
