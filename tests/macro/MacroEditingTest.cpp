#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"

#include "support/MacroTestSupport.h"
#include "assign/KeyAssignment.h"

#include <gtest/gtest.h>

namespace {

class MacroEditing : public MacroFixture {
protected:
    // A list of the given names with ids 1..n, as loaded from the document.
    static MacroList ListOf(std::vector<std::string> names)
    {
        MacroList list;
        for (size_t k = 0; k < names.size(); ++k)
            list.macros.push_back(MakeMacro(static_cast<uint16_t>(k + 1), names[k]));
        return list;
    }
    static std::vector<std::string> Names(const MacroList& list)
    {
        std::vector<std::string> names;
        for (const MacroCopy& copy : list.macros)
            names.push_back(copy.View().Name());
        return names;
    }
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
    MacroList list = ListOf({"macro1 (mine)", "MACRO20", "Macro4"});
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
    MacroList list = ListOf({"One"});
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

TEST_F(MacroEditing, RenameRules)
{
    struct Case {
        std::vector<std::string> names;
        int selected;
        int counter;
        const char* typed;
        RenameResult::Outcome outcome;
        std::vector<std::string> after;
        int counterAfter;
        const char* why;
    };
    using R = RenameResult;
    const Case cases[] = {
        {{"Macro1", "Macro2"}, 1, 2, "Jump", R::Renamed, {"Macro1", "Jump"}, 2, "plain rename"},
        {{"Macro1", "Fire"}, 1, 2, "mac", R::Renamed, {"Macro1", "Macro3"}, 3,
         "another name begins with the text: the next default name"},
        {{"Macro1", "Macro3", "Fire"}, 2, 2, "MACRO1", R::Renamed, {"Macro1", "Macro3", "Macro4"}, 4,
         "the next default name skips names in use"},
        {{"Fire"}, 0, 0, "Fi", R::Renamed, {"Fi"}, 0, "the selected macro's own name does not count"},
        {{"Macro1", "Fire"}, 1, 5, "", R::Renamed, {"Macro1", "Macro5"}, 5, "empty: prefix with the counter"},
        {{"Macro1", "Fire"}, 1, 1, " x", R::CreateInstead, {"Macro1", "Fire"}, 1,
         "blank start whose default name exists: abandoned for a new macro"},
        {{}, -1, 9, "Typed", R::Renamed, {"Typed"}, 9, "an empty list gets a macro with the typed name"},
        {{"Fire"}, -1, 0, "X", R::Ignored, {"Fire"}, 0, "nothing selected"},
    };
    for (const Case& c : cases) {
        MacroList list = ListOf(c.names);
        list.selected = c.selected;
        list.nameCounter = c.counter;
        RenameResult result = RenameSelectedMacro(list, c.typed, "Macro");
        EXPECT_EQ(result.outcome, c.outcome) << c.why;
        EXPECT_EQ(Names(list), c.after) << c.why;
        EXPECT_EQ(list.nameCounter, c.counterAfter) << c.why;
        if (c.outcome == R::Renamed) {
            EXPECT_EQ(result.name, list.macros[static_cast<size_t>(list.selected)].View().Name()) << c.why;
        }
    }
}

TEST_F(MacroEditing, RenamingAnEmptyListCreatesANewMacro)
{
    MacroList list;
    RenameSelectedMacro(list, "Typed", "Macro");
    ASSERT_EQ(list.macros.size(), 1u);
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.macros[0].View().NewFlag(), 1);
    EXPECT_EQ(list.macros[0].View().MacroId(), 1);
    EXPECT_EQ(list.macros[0].View().Cycles(), 1);
}

TEST_F(MacroEditing, DeletingAMacroKeysUseAsksAndNoKeepsIt)
{
    MacroList list = ListOf({"One", "Two", "Three"});
    UseMacroInSlot(2047, 2); // the last slot of the block, outside every device profile
    g_macroLayoutChanged = false;
    SelectMacro(list, 1);

    prompts.answer = false;
    EXPECT_FALSE(DeleteSelectedMacro(list));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"One", "Two", "Three"}));
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], "Keys use it. Delete?");
    EXPECT_TRUE(g_macroLayoutChanged) << "set before asking";

    prompts.answer = true;
    EXPECT_TRUE(DeleteSelectedMacro(list));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"One", "Three"}));
    EXPECT_EQ(list.selected, 0);
    g_macroLayoutChanged = false;
}

TEST_F(MacroEditing, DeletingAnUnusedMacroDoesNotAsk)
{
    MacroList list = ListOf({"One", "Two"});
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
    MacroList list = ListOf({"Only"});
    list.nameCounter = 4;
    SelectMacro(list, 0);
    list.rows = {{0, 30, MacroPressed}};
    EXPECT_TRUE(DeleteSelectedMacro(list));
    EXPECT_TRUE(list.macros.empty());
    EXPECT_EQ(list.selected, -1);
    EXPECT_TRUE(list.rows.empty());
    EXPECT_FALSE(DeleteSelectedMacro(list)) << "nothing to delete";
}

TEST_F(MacroEditing, EventInsertionShiftsDelays)
{
    using Events = std::vector<MacroEvent>;
    struct Case {
        Events rows;
        int selected;
        MacroEvent added;
        int row;
        Events after;
        const char* why;
    };
    const Case cases[] = {
        {{}, -1, {500, 30, 0}, 0, {{0, 30, 0}}, "the first event's pause before it is dropped"},
        {{{100, 30, 0}}, 0, {40, 30, 1}, 1, {{40, 30, 0}, {100, 30, 1}},
         "the event before takes the new delay, the new one the old"},
        {{{100, 30, 0}, {200, 31, 0}}, -1, {7, 32, 0}, 2, {{100, 30, 0}, {7, 31, 0}, {200, 32, 0}},
         "nothing selected: appended"},
        {{{100, 30, 0}, {200, 31, 0}}, 0, {7, 32, 0}, 1, {{7, 30, 0}, {100, 32, 0}, {200, 31, 0}},
         "inserted after the selected row"},
        {{{100, 30, 0}}, 5, {7, 32, 0}, 1, {{7, 30, 0}, {100, 32, 0}}, "a selection past the end appends"},
    };
    for (const Case& c : cases) {
        Events rows = c.rows;
        EXPECT_EQ(InsertMacroEvent(rows, c.selected, c.added), c.row) << c.why;
        EXPECT_EQ(rows, c.after) << c.why;
    }
}

TEST_F(MacroEditing, AMacroHoldsAtMostFourThousandEvents)
{
    std::vector<MacroEvent> rows(4000, MacroEvent{10, 30, 0});
    EXPECT_EQ(InsertMacroEvent(rows, 3, {20, 31, 1}), -1);
    EXPECT_EQ(rows.size(), 4000u);
    EXPECT_EQ(rows[3].delay, 10u) << "nothing shifted";
    EXPECT_TRUE(prompts.messages.empty()) << "ignored without a message";

    MacroCopy copy;
    std::vector<MacroEvent> tooMany(4100, MacroEvent{10, 30, 0});
    copy.View().SetEvents(tooMany);
    EXPECT_EQ(copy.View().EventCount(), 4000);
}

TEST_F(MacroEditing, EventsMoveWithTheirDelays)
{
    const std::vector<MacroEvent> start = {{1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {4, 4, 0}};
    struct Case {
        int row;
        MoveTarget target;
        int to;
        std::vector<uint16_t> keys;
    };
    const Case cases[] = {
        {2, MoveTarget::Top, 0, {3, 1, 2, 4}},   {2, MoveTarget::Up, 1, {1, 3, 2, 4}},
        {0, MoveTarget::Up, 0, {1, 2, 3, 4}},    {1, MoveTarget::Down, 2, {1, 3, 2, 4}},
        {3, MoveTarget::Down, 3, {1, 2, 3, 4}},  {0, MoveTarget::Bottom, 3, {2, 3, 4, 1}},
        {4, MoveTarget::Top, -1, {1, 2, 3, 4}},  {-1, MoveTarget::Down, -1, {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        std::vector<MacroEvent> rows = start;
        EXPECT_EQ(MoveMacroEvent(rows, c.row, c.target), c.to) << c.row;
        std::vector<uint16_t> keys;
        for (const MacroEvent& e : rows) {
            keys.push_back(e.keyCode);
            EXPECT_EQ(e.delay, e.keyCode) << "delay travels with its event";
        }
        EXPECT_EQ(keys, c.keys) << c.row;
    }
}

TEST_F(MacroEditing, DeletingAndClearingEvents)
{
    std::vector<MacroEvent> rows = {{1, 1, 0}, {2, 2, 0}};
    EXPECT_FALSE(DeleteMacroEvent(rows, 2));
    EXPECT_TRUE(DeleteMacroEvent(rows, 0));
    EXPECT_EQ(rows, (std::vector<MacroEvent>{{2, 2, 0}}));

    prompts.answer = false;
    EXPECT_FALSE(ClearMacroEvents(rows));
    EXPECT_EQ(rows.size(), 1u);
    prompts.answer = true;
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
        prompts.messages.clear();
        DelayEdit edit = ValidateDelayText(c.typed);
        EXPECT_EQ(edit.delay, c.delay) << c.typed;
        EXPECT_EQ(edit.text, c.text) << c.typed;
        EXPECT_EQ(prompts.messages, c.warned ? std::vector<std::string>{"At most 40000 ms."} : std::vector<std::string>{})
            << c.typed;
    }
}

TEST_F(MacroEditing, CyclesClamp)
{
    struct Case {
        const char* typed;
        int cycles;
    };
    const Case cases[] = {{"1", 1},   {"0", 1},     {"-3", 1},   {"", 1},     {"abc", 1},
                          {"7", 7},   {"255", 255}, {"256", 255}, {"1000", 255}, {"99999999999999999999", 255},
                          {" 12", 12}, {"+4", 4}};
    for (const Case& c : cases)
        EXPECT_EQ(ClampCycles(c.typed), c.cycles) << c.typed;
}

TEST_F(MacroEditing, SelectionStoresTheShownEventsBack)
{
    MacroList list = ListOf({"A", "B"});
    SelectMacro(list, 0);
    InsertMacroEvent(list.rows, -1, {0, 30, MacroPressed});
    InsertMacroEvent(list.rows, 0, {120, 30, MacroReleased});
    SelectMacro(list, 1);
    EXPECT_TRUE(list.rows.empty());
    std::vector<MacroEvent> stored = list.macros[0].View().Events();
    EXPECT_EQ(stored, (std::vector<MacroEvent>{{120, 30, MacroPressed}, {0, 30, MacroReleased}}));
    SelectMacro(list, 5);
    EXPECT_EQ(list.selected, -1);
}

} // namespace
