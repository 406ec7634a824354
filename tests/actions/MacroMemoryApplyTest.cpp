// The device writer sends the image the key function editor's gauge shows,
// and the main window's Apply asks before names the owner gave are dropped.
#include "support/ConnectedKeyboard.h"

#include "actions/ApplyChanges.h"
#include "actions/DeviceWriter.h"
#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "actions/ProfileSwitch.h"
#include "actions/MacroEditing.h"
#include "macro/MacroImage.h"
#include "macro/MacroMemoryUse.h"

namespace {

constexpr uint16_t KeyA = 30;

class MacroMemoryApplyTest : public ConnectedKeyboardTest {
protected:
    explicit MacroMemoryApplyTest(uint8_t macroUnits = 64) : ConnectedKeyboardTest(0x5000, macroUnits) {}

    // What the gauge of an editor opened now would show.
    static MacroMemoryUse GaugeUse()
    {
        MacroList list = LoadMacroList();
        return MeasureMacroMemory(list, g_macroCapacity.load());
    }

    uint16_t ImageLength() const { return ReadU16(Memories().macroMemory.data(), ImageLengthOffset); }
    uint16_t ImageNamesFlag() const { return ReadU16(Memories().macroMemory.data(), ImageNamesFlagOffset); }
};

class SmallMemoryApplyTest : public MacroMemoryApplyTest {
protected:
    SmallMemoryApplyTest() : MacroMemoryApplyTest(1) {} // 128 bytes
};

TEST_F(MacroMemoryApplyTest, TheWriterSendsTheImageTheGaugeChoseAtTheCapacityEdge)
{
    StartFromKeyboard();
    // 20 + (4 + 8) + (4 + 12) = 48 bytes without the names, 64 with them.
    AddMacro(1, u"Jump", 2);
    AddMacro(2, u"Dash", 3);
    const struct {
        const char* what;
        uint32_t capacity;
        MacroFit fit;
        uint16_t length; // of the image the keyboard then holds; 0: none sent
    } cases[] = {
        {"exactly fits with names", 64, MacroFit::WithNames, 64},
        {"one byte over with names", 63, MacroFit::WithoutNames, 48},
        {"fits only without names, exactly", 48, MacroFit::WithoutNames, 48},
        {"one byte over without names", 47, MacroFit::TooLarge, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_macroCapacity = c.capacity;
        kb->ClearFrameLog();
        prompts.ClearMessages();
        const MacroMemoryUse use = GaugeUse();
        EXPECT_EQ(use.sizes.withNames, 64u);
        EXPECT_EQ(use.sizes.withoutNames, 48u);
        EXPECT_EQ(use.fit, c.fit);
        EXPECT_EQ(use.ImageBytes(), c.length);

        DocumentLock lock;
        const int32_t written = CopyDocumentForDevice(1);
        if (c.length == 0) {
            EXPECT_EQ(written, WriteMacrosDoNotFit);
            EXPECT_TRUE(kb->Requests().empty());
            EXPECT_TRUE(prompts.Said("EXTRA_MACRO_TOO_LONG"));
            continue;
        }
        EXPECT_EQ(written, 1);
        EXPECT_EQ(ImageLength(), c.length);
        EXPECT_EQ(ImageNamesFlag(), c.fit == MacroFit::WithNames ? 1 : 0);
    }
}

TEST_F(SmallMemoryApplyTest, ApplyAsksBeforeDroppingTheOwnersNamesAndNoSendsNothing)
{
    StartFromKeyboard();
    // 30 bytes without the name, 150 with it.
    AddMacro(1, std::u16string(60, u'n'));
    SetSlot(0, KeyCodeToIndex(KeyA), 4, 1);
    const std::string question = FormatText(LoadText("MACRO_MEMORY_NAMES_CONFIRM"), std::string("150"));
    const std::vector<uint8_t> cacheBefore = ReadBytes(ProfileCachePath(0));
    const KeyboardMemories keyboardBefore = Memories();
    ASSERT_FALSE(cacheBefore.empty());

    EXPECT_EQ(Apply(), 0);
    EXPECT_EQ(prompts.questions, std::vector<std::string>{question});
    EXPECT_TRUE(kb->Requests().empty()) << "not even BeginUpdate";
    EXPECT_EQ(Memories(), keyboardBefore);
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), cacheBefore);
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_TRUE(prompts.messages.empty());

    prompts.answerYes = true;
    EXPECT_EQ(Apply(), 1);
    EXPECT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(ImageLength(), 30);
    EXPECT_EQ(ImageNamesFlag(), 0);
    EXPECT_EQ(EntryAt(Memories(), 0, PositionOf(KeyA)), (KeyMapEntry{5, 1, 0}));
    EXPECT_FALSE(window.applyEnabled);

    // The same names: the owner agreed already.
    prompts.answerYes = false;
    SetSlot(0, KeyCodeToIndex(KeyA), 0, 0);
    EXPECT_EQ(Apply(), 1);
    EXPECT_EQ(prompts.questions.size(), 2u);

    // Another name is another loss.
    {
        DocumentLock lock;
        MacroBlock(MacroBlockAt(g_configDoc, 0)).SetName16(std::u16string(60, u'm'));
    }
    kb->ClearFrameLog();
    EXPECT_EQ(Apply(), 0);
    EXPECT_EQ(prompts.questions.size(), 3u);
    EXPECT_TRUE(kb->Requests().empty());
}

TEST_F(SmallMemoryApplyTest, NoQuestionWhereNoNameOfTheOwnersIsLost)
{
    const std::string prefix = LoadText("MACRO_NEW_PREFIX");
    const struct {
        const char* what;
        std::vector<std::u16string> names;
        int events;
        uint32_t capacity;
        uint16_t length;     // of the image sent; 0: nothing sent
        const char* message; // the writer's, if any
    } cases[] = {
        // 20 + 2 x 44 = 108 without the names, 132 with them.
        {"the keyboard's own numbered names", {Utf8ToUtf16(prefix + "1"), Utf8ToUtf16(prefix + "2")}, 10, 128, 108,
         nullptr},
        {"fits with the names", {u"Jump", u"Dash"}, 2, 128, 60, nullptr},
        {"does not fit at all: the writer refuses", {u"Jump", u"Dash"}, 40, 128, 0, "EXTRA_MACRO_TOO_LONG"},
        {"the keyboard has not told its memory", {u"Jump", u"Dash"}, 10, 0, 0, "EXTRA_MACRO_TOO_LONG"},
    };
    StartFromKeyboard();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            DocumentLock lock;
            g_configDoc.macros.clear();
            g_configDoc.macroCount = 0;
        }
        for (size_t k = 0; k < c.names.size(); ++k)
            AddMacro(static_cast<uint16_t>(k + 1), c.names[k], c.events);
        g_macroCapacity = c.capacity;
        prompts.questions.clear();
        prompts.ClearMessages();
        kb->ClearFrameLog();
        EXPECT_EQ(Apply(), c.length != 0 ? 1 : 0);
        EXPECT_TRUE(prompts.questions.empty());
        if (c.message)
            EXPECT_EQ(prompts.Texts(), std::vector<std::string>{LoadText(c.message)});
        else
            EXPECT_TRUE(prompts.messages.empty());
        if (c.length == 0) {
            EXPECT_TRUE(kb->Requests().empty());
            continue;
        }
        EXPECT_EQ(ImageLength(), c.length);
        EXPECT_EQ(ImageNamesFlag(), c.length == 60 ? 1 : 0);
    }
}

} // namespace
