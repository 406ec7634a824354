#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"

#include "support/MacroTestSupport.h"
#include "assign/KeyAssignment.h"

#include <gtest/gtest.h>

namespace {

class MacroEditing : public MacroFixture {
protected:
    static void UseMacroInSlot(int slot, uint32_t id)
    {
        DocumentLock lock;
        SetSlotType(*g_configDoc.block, slot, AssignMacro);
        SetSlotValue(*g_configDoc.block, slot, id);
    }
};

TEST_F(MacroEditing, ANewMacroStartsEmptyWithTheFirstFreeNameAndId)
{
    MacroList list;
    ASSERT_EQ(CreateMacro(list), 0);
    ConstMacroBlock block = list.macros[0].View();
    EXPECT_EQ(block.Name(), "Macro1");
    EXPECT_EQ(block.MacroId(), 1);
    EXPECT_EQ(block.Cycles(), 1);
    EXPECT_EQ(block.NewFlag(), 1);
    EXPECT_EQ(block.PlayMode(), PlayOnce);
    EXPECT_EQ(block.EventCount(), 0);
    EXPECT_EQ(list.selected, 0);
    EXPECT_TRUE(prompts.messages.empty());

    ASSERT_EQ(CreateMacro(list), 1);
    EXPECT_EQ(list.macros[1].View().Name(), "Macro2");
    EXPECT_EQ(list.macros[1].View().MacroId(), 2);
    EXPECT_EQ(list.selected, 1);
}

TEST_F(MacroEditing, DefaultNamesSkipNumbersAMacroNameAlreadyBeginsWith)
{
    MacroList list = ListOfMacros({"macro1 (mine)", "MACRO20", "Macro4"});
    CreateMacro(list);
    EXPECT_EQ(list.macros.back().View().Name(), "Macro3") << "1 and 2 are prefixes of existing names, ignoring case";
    CreateMacro(list);
    EXPECT_EQ(list.macros.back().View().Name(), "Macro5");
    EXPECT_EQ(list.nameCounter, 5);
}

TEST_F(MacroEditing, TheCounterRestartsOnAnEmptyList)
{
    MacroList list;
    list.nameCounter = 17;
    CreateMacro(list);
    EXPECT_EQ(list.macros[0].View().Name(), "Macro1");
}

TEST_F(MacroEditing, TheHundredAndFirstMacroIsRefused)
{
    MacroList list;
    for (int k = 0; k < 100; ++k)
        ASSERT_EQ(CreateMacro(list), k);
    EXPECT_EQ(list.macros.back().View().MacroId(), 100);
    EXPECT_EQ(CreateMacro(list), -1);
    EXPECT_EQ(list.macros.size(), 100u);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "At most 100 macros.");
}

TEST_F(MacroEditing, CreatingStoresTheSelectedMacrosEventsFirst)
{
    MacroList list = ListOfMacros({"One"});
    SelectMacro(list, 0);
    list.rows = {{0, 30, MacroPressed}, {0, 30, MacroReleased}};
    CreateMacro(list);
    EXPECT_EQ(list.macros[0].View().EventCount(), 2);
    EXPECT_TRUE(list.rows.empty()) << "the new macro is shown";
    SelectMacro(list, 0);
    EXPECT_EQ(list.rows.size(), 2u);
}

TEST_F(MacroEditing, DeletingIdThreeOfFiveFreesIdThreeForTheNextMacro)
{
    MacroList list;
    for (int k = 0; k < 5; ++k)
        CreateMacro(list);
    SelectMacro(list, 2);
    ASSERT_TRUE(DeleteSelectedMacro(list));
    EXPECT_TRUE(prompts.questions.empty()) << "a macro created since the last apply goes at once";
    EXPECT_EQ(list.selected, 1) << "the previous macro is selected";
    CreateMacro(list);
    EXPECT_EQ(list.macros.back().View().MacroId(), 3);
}

TEST_F(MacroEditing, DeletingAMacroKeysUseAsksAndNoKeepsIt)
{
    MacroList list = ListOfMacros({"One", "Two", "Three"});
    UseMacroInSlot(2047, 2); // the last slot of the block, outside every device profile
    g_macroLayoutChanged = false;
    SelectMacro(list, 1);

    prompts.answerYes = false;
    EXPECT_FALSE(DeleteSelectedMacro(list));
    EXPECT_EQ(MacroNames(list), (std::vector<std::string>{"One", "Two", "Three"}));
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], "Keys use it. Delete?");
    EXPECT_TRUE(g_macroLayoutChanged) << "set before asking";

    prompts.answerYes = true;
    EXPECT_TRUE(DeleteSelectedMacro(list));
    EXPECT_EQ(MacroNames(list), (std::vector<std::string>{"One", "Three"}));
    EXPECT_EQ(list.selected, 0);
    g_macroLayoutChanged = false;
}

TEST_F(MacroEditing, DeletingAnUnusedMacroDoesNotAsk)
{
    MacroList list = ListOfMacros({"One", "Two"});
    UseMacroInSlot(30, 1);
    {
        DocumentLock lock;
        SetSlotType(*g_configDoc.block, 31, AssignKey); // same value, not a macro slot
        SetSlotValue(*g_configDoc.block, 31, 2);
    }
    SelectMacro(list, 1);
    g_macroLayoutChanged = false;
    EXPECT_TRUE(DeleteSelectedMacro(list));
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_FALSE(g_macroLayoutChanged);
    EXPECT_EQ(list.selected, 0);
    EXPECT_FALSE(DeleteSelectedMacro(list)) << "One is in use and the answer is No";
    EXPECT_EQ(prompts.questions.size(), 1u);
    g_macroLayoutChanged = false;
}

TEST_F(MacroEditing, DeletingTheLastMacroLeavesNothingSelected)
{
    MacroList list = ListOfMacros({"Only"});
    list.nameCounter = 4;
    SelectMacro(list, 0);
    list.rows = {{0, 30, MacroPressed}};
    EXPECT_TRUE(DeleteSelectedMacro(list));
    EXPECT_TRUE(list.macros.empty());
    EXPECT_EQ(list.selected, -1);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_FALSE(DeleteSelectedMacro(list)) << "nothing to delete";
}

TEST_F(MacroEditing, DeletingAndClearingEvents)
{
    std::vector<MacroEvent> rows = {{1, 1, 0}, {2, 2, 0}};
    EXPECT_FALSE(DeleteMacroEvent(rows, 2));
    EXPECT_TRUE(DeleteMacroEvent(rows, 0));
    EXPECT_EQ(rows, (std::vector<MacroEvent>{{2, 2, 0}}));

    prompts.answerYes = false;
    EXPECT_FALSE(ClearMacroEvents(rows));
    EXPECT_EQ(rows.size(), 1u);
    prompts.answerYes = true;
    EXPECT_TRUE(ClearMacroEvents(rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(prompts.questions, (std::vector<std::string>{"Clear all events?", "Clear all events?"}));
    EXPECT_FALSE(ClearMacroEvents(rows));
    EXPECT_EQ(prompts.questions.size(), 2u) << "an empty list is not asked about";
}

TEST_F(MacroEditing, DelayRule)
{
    struct Case {
        const char* typed;
        uint32_t delay;
        const char* text;
        bool warned;
    };
    const Case cases[] = {
        {"0", 0, "0", false},          {"", 0, "0", false},
        {"9", 0, "0", false},          {"15", 10, "10", false},
        {"39999", 39990, "39990", false}, {"40000", 40000, "40000", false},
        {"40001", 40000, "40000", true},  {"99999999999999999999999", 40000, "40000", true},
        {"120ms", 120, "120", false},
    };
    for (const Case& c : cases) {
        prompts.ClearMessages();
        DelayEdit edit = ValidateDelayText(c.typed);
        EXPECT_EQ(edit.delay, c.delay) << c.typed;
        EXPECT_EQ(edit.text, c.text) << c.typed;
        EXPECT_EQ(prompts.messages, c.warned ? std::vector<std::string>{"At most 40000 ms."} : std::vector<std::string>{})
            << c.typed;
    }
}

} // namespace
