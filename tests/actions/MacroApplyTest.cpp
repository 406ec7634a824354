#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"

#include "support/MacroTestSupport.h"
#include "assign/KeyAssignment.h"

#include <gtest/gtest.h>

namespace {

constexpr int SlotA = 30;             // key A, profile 0
constexpr uint16_t ButtonA = 1058;
constexpr int SlotB = 48;             // key B, profile 0
constexpr int SlotGroup2 = 1024 + 30; // key A, profile 2

std::pair<uint16_t, uint32_t> SlotIs(uint16_t type, uint32_t value) { return {type, value}; }

class MacroApply : public MacroFixture {
protected:
    static void SetSlot(int slot, uint16_t type, uint32_t value)
    {
        DocumentLock lock;
        SetSlotType(*g_configDoc.block, slot, type);
        SetSlotValue(*g_configDoc.block, slot, value);
    }
    static std::pair<uint16_t, uint32_t> Slot(int slot)
    {
        DocumentLock lock;
        return {SlotType(*g_configDoc.block, slot), SlotValue(*g_configDoc.block, slot)};
    }
    // Puts macros with the given ids into the document, as after a reload.
    static void DocumentMacros(std::vector<uint16_t> ids)
    {
        std::vector<MacroCopy> macros;
        for (uint16_t id : ids)
            macros.push_back(MakeMacro(id, "Macro" + std::to_string(id)));
        DocumentLock lock;
        g_configDoc.macros = MacroArea(macros);
        g_configDoc.macroCount = static_cast<uint16_t>(ids.size());
    }
    static std::vector<uint16_t> DocumentIds()
    {
        DocumentLock lock;
        std::vector<uint16_t> ids;
        for (int k = 0; k < g_configDoc.macroCount; ++k)
            ids.push_back(ConstMacroBlock(g_configDoc.macros.data() + k * MacroBlockSize).MacroId());
        return ids;
    }
};

TEST_F(MacroApply, KeysOfADeletedMacroAreResetNotHandedToItsSuccessor)
{
    DocumentMacros({1, 2, 3, 4, 5});
    SetSlot(SlotA, AssignMacro, 3);
    SetSlot(SlotGroup2, AssignMacro, 3);
    SetSlot(SlotB, AssignMacro, 4);
    window.looks[ButtonA] = ButtonLook::Assigned;

    MacroList list = LoadMacroList();
    SelectMacro(list, 2);
    prompts.answerYes = true;
    ASSERT_TRUE(DeleteSelectedMacro(list));
    EXPECT_EQ(prompts.questions.size(), 1u);
    ASSERT_EQ(CreateMacro(list), 4);
    EXPECT_EQ(list.macros[4].View().MacroId(), 3);

    window.applyEnabled = false;
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    EXPECT_EQ(Slot(SlotA).first, AssignDefault);
    EXPECT_EQ(Slot(SlotGroup2).first, AssignDefault) << "every profile's slots are repaired";
    EXPECT_EQ(Slot(SlotB), SlotIs(AssignMacro, 4));
    EXPECT_EQ(window.looks[ButtonA], ButtonLook::Default) << "the button shows the key unassigned";
    EXPECT_TRUE(window.applyEnabled);
    EXPECT_EQ(DocumentIds(), (std::vector<uint16_t>{1, 2, 4, 5, 3}));
    g_macroLayoutChanged = false;
}

TEST_F(MacroApply, InstalledMacrosAreNoLongerNewAndKeepTheirOrderAndEvents)
{
    MacroList list;
    CreateMacro(list);
    CreateMacro(list);
    list.rows = {{0, 30, MacroPressed}, {50, 30, MacroReleased}};
    ASSERT_EQ(ApplyMacroEdits(list), 1);

    DocumentLock lock;
    ASSERT_EQ(g_configDoc.macroCount, 2);
    ASSERT_EQ(g_configDoc.macros.size(), 2 * MacroBlockSize);
    ConstMacroBlock first(g_configDoc.macros.data());
    ConstMacroBlock second(g_configDoc.macros.data() + MacroBlockSize);
    EXPECT_EQ(first.Name(), "Macro1");
    EXPECT_EQ(second.Name(), "Macro2");
    EXPECT_EQ(first.NewFlag(), 0);
    EXPECT_EQ(second.NewFlag(), 0);
    EXPECT_EQ(second.EventCount(), 2) << "the shown rows are stored first";
    EXPECT_EQ(second.Event(1), (MacroEvent{50, 30, MacroReleased}));
}

TEST_F(MacroApply, ApplyingTwiceKeepsKeysOfAMacroCreatedInTheSameSession)
{
    MacroList list;
    CreateMacro(list);
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    // The editor's Apply then stores the key; the dialog stays open.
    SetSlot(SlotA, AssignMacro, list.macros[0].View().MacroId());
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    EXPECT_EQ(Slot(SlotA), SlotIs(AssignMacro, 1));
}

TEST_F(MacroApply, SlotsWithIdZeroTakeTheFirstMacro)
{
    DocumentMacros({6, 2});
    SetSlot(SlotA, AssignMacro, 0);
    MacroList list = LoadMacroList();
    window.applyEnabled = false;
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    EXPECT_EQ(Slot(SlotA), SlotIs(AssignMacro, 6));
}

TEST_F(MacroApply, WithoutMacrosIdZeroSlotsStayAndOthersAreReset)
{
    DocumentMacros({1, 2});
    SetSlot(SlotA, AssignMacro, 0);
    SetSlot(SlotB, AssignMacro, 2);
    SetSlot(2047, AssignMacro, 77);
    SetSlot(100, AssignMedia, 2); // not a macro slot

    MacroList list;
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    EXPECT_EQ(Slot(SlotA), SlotIs(AssignMacro, 0));
    EXPECT_EQ(Slot(SlotB).first, AssignDefault);
    EXPECT_EQ(Slot(2047).first, AssignDefault) << "the last slot of the block is repaired too";
    EXPECT_EQ(Slot(100), SlotIs(AssignMedia, 2));
    DocumentLock lock;
    EXPECT_EQ(g_configDoc.macroCount, 0);
    EXPECT_TRUE(g_configDoc.macros.empty());
}

TEST_F(MacroApply, AnIdAboveSixteenBitsIsNotTakenForAMacrosId)
{
    DocumentMacros({3});
    SetSlot(SlotA, AssignMacro, 0x10003);
    MacroList list = LoadMacroList();
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    EXPECT_EQ(Slot(SlotA).first, AssignDefault);
}

TEST_F(MacroApply, CancellingAfterADeleteLeavesTheDocumentAlone)
{
    DocumentMacros({1, 2});
    SetSlot(SlotA, AssignMacro, 2);
    MacroList list = LoadMacroList();
    SelectMacro(list, 1);
    prompts.answerYes = true;
    ASSERT_TRUE(DeleteSelectedMacro(list));
    // No apply: the working copies are dropped.
    EXPECT_EQ(DocumentIds(), (std::vector<uint16_t>{1, 2}));
    EXPECT_EQ(Slot(SlotA), SlotIs(AssignMacro, 2));
    g_macroLayoutChanged = false;
}

TEST_F(MacroApply, MoreThanAHundredMacrosChangeNothing)
{
    DocumentMacros({1});
    MacroList list;
    list.macros.resize(101);
    window.applyEnabled = false;
    EXPECT_EQ(ApplyMacroEdits(list), 0);
    EXPECT_EQ(DocumentIds(), (std::vector<uint16_t>{1}));
    EXPECT_FALSE(window.applyEnabled);
}

TEST_F(MacroApply, LoadedWorkingCopiesAreNotNew)
{
    std::vector<MacroCopy> macros = {MakeMacro(4, "Four", {}, 1, 1)};
    {
        DocumentLock lock;
        g_configDoc.macros = MacroArea(macros);
        g_configDoc.macroCount = 1;
    }
    MacroList list = LoadMacroList();
    ASSERT_EQ(list.macros.size(), 1u);
    EXPECT_EQ(list.macros[0].View().NewFlag(), 0);
    EXPECT_EQ(list.selected, -1);
}

} // namespace
