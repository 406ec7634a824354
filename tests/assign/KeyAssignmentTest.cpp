#include "assign/KeyAssignment.h"

#include "config/DocumentTestSupport.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

#include <set>

namespace {

constexpr uint16_t EscIndex = 1, AIndex = 30;
constexpr uint16_t EscCode = 1, ACode = 30;

class KeyAssignmentTest : public DocumentFixture {
protected:
    static KeySlot Slot(int slot)
    {
        DocumentLock lock;
        return ReadKeySlot(*g_configDoc.block, slot);
    }
    static uint16_t ButtonOf(uint16_t keyCode)
    {
        for (const ButtonKey& button : ButtonKeyTable)
            if (button.keyCode == keyCode)
                return button.controlId;
        ADD_FAILURE() << "no button for key code " << keyCode;
        return 0;
    }
};

// keyIndex, type, value, playCount -> what the slot holds afterwards.
struct StoreCase {
    const char* name;
    uint16_t keyIndex;
    uint16_t type, value, playCount;
    uint16_t storedType, storedIdentity;
    uint32_t storedValue;
};

const StoreCase StoreCases[] = {
    {"another key", EscIndex, 2, ACode, 0, 2, 0, ACode},
    {"own key becomes default", AIndex, 2, ACode, 0, 0, 0, 0},
    {"key code 0 becomes default", AIndex, 2, 0, 0, 0, 0, 0},
    {"extended key to itself", 128 + 0x1D, 2, 128 + 0x1D + 128, 0, 0, 0, 0},
    {"macro", AIndex, 4, 7, 12, 4, 12, 7},
    {"macro with play count 0 plays once", AIndex, 4, 7, 0, 4, 1, 7},
    {"macro that does not exist", AIndex, 4, 8, 5, 0, 0, 0},
    {"media", AIndex, 7, 5, 0, 7, 0, 5},
    {"function", AIndex, 8, 2, 0, 8, 0, 2},
    {"disabled", AIndex, 1, 0, 0, 1, 0, 0},
    {"macro key G3 media keeps its identity", 258, 7, 3, 0, 7, 0x0303, 3},
    {"macro key G1 macro takes the play count", 256, 4, 7, 9, 4, 9, 7},
    {"macro key G9 default", 264, 0, 0, 0, 0, 0x0309, 0},
    {"macro key G2 to itself", 257, 2, 513, 0, 0, 0x0302, 0},
};

TEST_F(KeyAssignmentTest, StoreRules)
{
    AddMacro(7, u"seven");
    for (int profile : {0, 2}) {
        g_currentProfile = profile;
        for (const StoreCase& c : StoreCases) {
            SCOPED_TRACE(std::string(c.name) + " in profile " + std::to_string(profile));
            const int slot = profile * 512 + c.keyIndex;
            {
                // Offsets 8 and 12 hold something the store must carry.
                DocumentLock lock;
                KeySlot before = ReadKeySlot(*g_configDoc.block, slot);
                before.SetType(6);
                before.SetIdentity(0xBEEF);
                before.SetValue(0xDEADBEEF);
                WriteU32(before.bytes.data(), 8, 1);
                WriteU32(before.bytes.data(), 12, 0x12345678);
                WriteKeySlot(*g_configDoc.block, slot, before);
            }
            window.applyEnabled = false;
            EXPECT_EQ(StoreKeyAssignment(c.keyIndex, c.type, c.value, c.playCount), 1);
            KeySlot after = Slot(slot);
            EXPECT_EQ(after.Type(), c.storedType);
            EXPECT_EQ(after.Identity(), c.storedIdentity);
            EXPECT_EQ(after.Value(), c.storedValue);
            EXPECT_EQ(after.Extra8(), 1u);
            EXPECT_EQ(after.Extra12(), 0x12345678u);
            EXPECT_TRUE(window.applyEnabled);
        }
    }
}

TEST_F(KeyAssignmentTest, MacroKeyIdentityComesBackAfterAMacro)
{
    AddMacro(3, u"m");
    g_currentProfile = 1;
    ASSERT_EQ(StoreKeyAssignment(256 + 4, 4, 3, 17), 1);
    EXPECT_EQ(Slot(512 + 260).Identity(), 17);
    ASSERT_EQ(StoreKeyAssignment(256 + 4, 7, 1, 0), 1);
    EXPECT_EQ(Slot(512 + 260).Identity(), 0x0305);
    EXPECT_EQ(Slot(260).Identity(), 0x0305); // group 0 untouched
}

TEST_F(KeyAssignmentTest, StoreFreesTheKeysStringEvenForTheSameType)
{
    g_currentProfile = 1;
    SetString(512 + AIndex, 3, u"/bin/true");    // 20 bytes
    SetString(512 + EscIndex, 6, u"other text"); // 22 bytes
    ASSERT_EQ(g_configDoc.stringBytes, 42u);
    ASSERT_EQ(StoreKeyAssignment(AIndex, 3, 0, 0), 1);
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.strings[512 + AIndex].length, 0u);
    EXPECT_TRUE(g_configDoc.strings[512 + AIndex].text.empty());
    EXPECT_EQ(g_configDoc.stringBytes, 22u);
    EXPECT_EQ(g_configDoc.strings[512 + EscIndex].length, 22u);
}

TEST_F(KeyAssignmentTest, StoreIsRefusedWithoutAProfileOrForKeysItMayNotEdit)
{
    DocumentLock lock;
    const std::array<uint8_t, ConfigBlockSize> before = g_configDoc.block->bytes;
    g_currentProfile = -1;
    EXPECT_EQ(StoreKeyAssignment(AIndex, 2, EscCode, 0), 0);
    g_currentProfile = 3;
    EXPECT_EQ(StoreKeyAssignment(AIndex, 2, EscCode, 0), 0);
    g_currentProfile = 0;
    EXPECT_EQ(StoreKeyAssignment(265, 7, 1, 0), 0); // second macro-key set
    EXPECT_EQ(StoreKeyAssignment(600, 7, 1, 0), 0);
    EXPECT_EQ(StoreKeyAssignment(AIndex, 9, 1, 0), 0); // no such type
    EXPECT_TRUE(g_configDoc.block->bytes == before);
    EXPECT_FALSE(window.applyEnabled);
}

TEST_F(KeyAssignmentTest, StoreUpdatesTheButtonAndPrompts)
{
    ASSERT_EQ(StoreKeyAssignment(EscIndex, 2, ACode, 0), 1);
    const uint16_t esc = ButtonOf(EscCode);
    EXPECT_EQ(window.looks[esc], ButtonLook::Assigned);
    EXPECT_EQ(window.prompts[esc], "Esc [set] key (A)");
    ASSERT_EQ(StoreKeyAssignment(EscIndex, 0, 0, 0), 1);
    EXPECT_EQ(window.looks[esc], ButtonLook::Default);
    EXPECT_EQ(window.prompts[esc], "Esc");
}

TEST_F(KeyAssignmentTest, PromptTexts)
{
    AddMacro(6, u"Combo \u00e9");
    struct Case {
        const char* name;
        uint16_t type;
        uint32_t value;
        std::string prompt;
    };
    const std::string media = GetKeyName(MediaKeyCode(5));
    const Case cases[] = {
        {"default", 0, 0, "Esc"},
        {"Esc to A", 2, ACode, "Esc [set] key (A)"},
        {"disabled", 1, 0, "Esc [set]"},
        {"program", 3, 40, "Esc [set]"},
        {"stop macro", 5, 0, "Esc [set]"},
        {"text", 6, 0, "Esc [set]"},
        {"macro", 4, 6, "Esc [set] macro (Combo \u00e9)"},
        {"macro that is gone", 4, 99, "Esc [set] macro ()"},
        {"media", 7, 5, "Esc [set] media (" + media + ")"},
        {"function", 8, 2, "Esc [set] function (Third function)"},
        {"function past the table", 8, 11, "Esc [set] function ()"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KeySlot slot;
        slot.SetType(c.type);
        slot.SetValue(c.value);
        DocumentLock lock;
        const std::string& expected = c.prompt;
        EXPECT_EQ(KeyPromptText(EscCode, slot), expected);
        DescribeKey(4321, EscCode, slot);
        EXPECT_EQ(window.prompts[4321], expected);
        EXPECT_EQ(window.looks[4321], c.type == 0 ? ButtonLook::Default : ButtonLook::Assigned);
    }
    KeySlot disabled;
    disabled.SetType(1);
    EXPECT_EQ(MacroKeyPromptText(8, disabled), "G9 [set]");
    DescribeMacroKey(MacroKeyButtons[2], 2, KeySlot{});
    EXPECT_EQ(window.prompts[MacroKeyButtons[2]], "G3");
    EXPECT_EQ(window.looks[MacroKeyButtons[2]], ButtonLook::Default);
}

TEST_F(KeyAssignmentTest, PromptIsCutTo259Characters)
{
    AddMacro(1, std::u16string(249, u'\u00e9'));
    KeySlot slot;
    slot.SetType(4);
    slot.SetValue(1);
    DocumentLock lock;
    const std::string prompt = KeyPromptText(EscCode, slot);
    const std::string head = "Esc [set] macro (";
    ASSERT_EQ(prompt.substr(0, head.size()), head);
    // 17 characters of text, then 242 two-byte characters of the name.
    EXPECT_EQ(prompt.size(), head.size() + 2 * (259 - head.size()));
    EXPECT_EQ(prompt.back(), '\xa9');
}

TEST_F(KeyAssignmentTest, RefreshShowsTheCurrentProfileOrGroupZero)
{
    {
        DocumentLock lock;
        SetSlotType(*g_configDoc.block, AIndex, 1);            // group 0
        SetSlotType(*g_configDoc.block, 512 + EscIndex, 1);    // group 1
        SetSlotType(*g_configDoc.block, 512 + 256, 5);         // G1 in group 1
    }
    const uint16_t a = ButtonOf(ACode), esc = ButtonOf(EscCode), g1 = MacroKeyButtons[0];
    struct Case {
        int profile;
        ButtonLook a, esc, g1;
    };
    for (const Case& c : {Case{1, ButtonLook::Default, ButtonLook::Assigned, ButtonLook::Assigned},
             Case{-1, ButtonLook::Assigned, ButtonLook::Default, ButtonLook::Default},
             Case{0, ButtonLook::Assigned, ButtonLook::Default, ButtonLook::Default}}) {
        SCOPED_TRACE(c.profile);
        g_currentProfile = c.profile;
        const int refreshes = window.refreshCount;
        window.looks.clear();
        window.prompts.clear();
        RefreshKeyButtons();
        EXPECT_EQ(window.refreshCount, refreshes + 1);
        EXPECT_EQ(window.looks.size(), 106u + 9u);
        EXPECT_EQ(window.prompts.size(), 106u + 9u);
        EXPECT_EQ(window.looks[a], c.a);
        EXPECT_EQ(window.looks[esc], c.esc);
        EXPECT_EQ(window.looks[g1], c.g1);
        EXPECT_EQ(window.prompts[g1], c.g1 == ButtonLook::Default ? "G1" : "G1 [set]");
    }
}

TEST_F(KeyAssignmentTest, ClearKeyDescriptionOnlyForButtonsOfTheShownGroup)
{
    g_currentProfile = 1;
    const uint16_t a = ButtonOf(ACode);
    struct Case {
        int slotNumber;
        uint16_t button; // 0: nothing may change
        const char* prompt;
    };
    for (const Case& c : {Case{512 + AIndex, a, "A"}, Case{512 + 256 + 8, MacroKeyButtons[8], "G9"},
             Case{AIndex, 0, ""}, Case{1024 + AIndex, 0, ""}, Case{512 + 265, 0, ""}, Case{512 + 300, 0, ""},
             Case{-1, 0, ""}, Case{2048, 0, ""}}) {
        SCOPED_TRACE(c.slotNumber);
        window.looks.clear();
        window.prompts.clear();
        ClearKeyDescription(c.slotNumber);
        if (c.button == 0) {
            EXPECT_TRUE(window.looks.empty());
            EXPECT_TRUE(window.prompts.empty());
        } else {
            EXPECT_EQ(window.looks.size(), 1u);
            EXPECT_EQ(window.looks[c.button], ButtonLook::Default);
            EXPECT_EQ(window.prompts[c.button], c.prompt);
        }
    }
}

TEST_F(KeyAssignmentTest, ResetProfileKeysTouchesOnlyThatProfile)
{
    AddMacro(1, u"m");
    SetString(512 + 59, 3, u"/bin/app");
    SetString(59, 6, u"text");
    const uint32_t stringBytes = g_configDoc.stringBytes;
    for (int profile = 0; profile < 3; ++profile) {
        g_currentProfile = profile;
        ASSERT_EQ(StoreKeyAssignment(AIndex, 2, EscCode, 0), 1);
        ASSERT_EQ(StoreKeyAssignment(256, 4, 1, 3), 1);
    }
    {
        DocumentLock lock;
        WriteU32(g_configDoc.block->data(), SlotOffset(512 + AIndex) + 8, 1);
        SetSlotType(*g_configDoc.block, 512 + 300, 2); // not a button: kept
    }
    std::vector<KeySlot> before;
    for (int s = 0; s < 2048; ++s)
        before.push_back(Slot(s));

    g_currentProfile = 2;
    window.applyEnabled = false;
    window.looks.clear();
    ResetProfileKeys(1);
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_TRUE(window.looks.empty()) << "profile 2 is shown, its buttons stay";
    std::set<int> buttonSlots;
    for (const ButtonKey& button : ButtonKeyTable)
        buttonSlots.insert(KeyCodeToIndex(button.keyCode));
    for (int s = 0; s < 2048; ++s) {
        const int g = s % 512;
        const bool reset = s / 512 == 1 && ((g >= 256 && g <= 264) || buttonSlots.count(g) != 0);
        if (reset) {
            EXPECT_TRUE(Slot(s).bytes == KeySlot{}.bytes) << s;
        } else {
            EXPECT_TRUE(Slot(s).bytes == before[static_cast<size_t>(s)].bytes) << s;
        }
    }
    EXPECT_EQ(Slot(512 + 300).Type(), 2);
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.stringBytes, stringBytes);
    EXPECT_EQ(g_configDoc.strings[512 + 59].text, u"/bin/app");
    EXPECT_EQ(g_configDoc.strings[59].length, 10u);
}

TEST_F(KeyAssignmentTest, ResetOfTheShownProfileRedrawsItsButtons)
{
    g_currentProfile = 2;
    ASSERT_EQ(StoreKeyAssignment(EscIndex, 1, 0, 0), 1);
    const uint16_t esc = ButtonOf(EscCode);
    ASSERT_EQ(window.looks[esc], ButtonLook::Assigned);
    ResetProfileKeys(-1); // the current profile
    EXPECT_EQ(window.looks[esc], ButtonLook::Default);
    EXPECT_EQ(window.prompts[esc], "Esc");
    EXPECT_EQ(window.prompts[MacroKeyButtons[0]], "G1");
    EXPECT_EQ(Slot(1024 + EscIndex).Type(), 0);
    EXPECT_EQ(Slot(1024 + 256).Identity(), 0);

    // No profile known: nothing to reset.
    g_currentProfile = -1;
    window.applyEnabled = false;
    ResetProfileKeys(-1);
    EXPECT_FALSE(window.applyEnabled);
}

} // namespace
