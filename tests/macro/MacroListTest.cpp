#include "macro/MacroList.h"

#include "support/MacroTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The document fixture only for its recording prompts: list edits never ask.
using MacroListEdits = MacroFixture;

TEST_F(MacroListEdits, RenameRules)
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
        MacroList list = ListOfMacros(c.names);
        list.selected = c.selected;
        list.nameCounter = c.counter;
        RenameResult result = RenameSelectedMacro(list, c.typed, "Macro");
        EXPECT_EQ(result.outcome, c.outcome) << c.why;
        EXPECT_EQ(MacroNames(list), c.after) << c.why;
        EXPECT_EQ(list.nameCounter, c.counterAfter) << c.why;
        if (c.outcome == R::Renamed) {
            EXPECT_EQ(result.name, list.macros[static_cast<size_t>(list.selected)].View().Name()) << c.why;
        }
    }
}

TEST_F(MacroListEdits, RenamingAnEmptyListCreatesANewMacro)
{
    MacroList list;
    RenameSelectedMacro(list, "Typed", "Macro");
    ASSERT_EQ(list.macros.size(), 1u);
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.macros[0].View().NewFlag(), 1);
    EXPECT_EQ(list.macros[0].View().MacroId(), 1);
    EXPECT_EQ(list.macros[0].View().Cycles(), 1);
}

TEST_F(MacroListEdits, EventInsertionShiftsDelays)
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

TEST_F(MacroListEdits, AMacroHoldsAtMostFourThousandEvents)
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

TEST_F(MacroListEdits, EventsMoveWithTheirDelays)
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

TEST_F(MacroListEdits, CyclesClamp)
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

TEST_F(MacroListEdits, SelectionStoresTheShownEventsBack)
{
    MacroList list = ListOfMacros({"A", "B"});
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

TEST_F(MacroListEdits, AFullListTakesNoNewMacroAndAsksNothing)
{
    std::vector<std::string> names;
    for (int k = 1; k <= 100; ++k)
        names.push_back("M" + std::to_string(k));
    MacroList list = ListOfMacros(names);
    SelectMacro(list, 99);
    EXPECT_EQ(AppendNewMacro(list, "Macro"), -1);
    EXPECT_EQ(list.macros.size(), 100u);
    EXPECT_EQ(list.selected, 99);
    EXPECT_TRUE(prompts.messages.empty());

    SelectMacro(list, -1);
    list.macros.pop_back();
    EXPECT_EQ(AppendNewMacro(list, "Macro"), 99);
    EXPECT_EQ(list.macros.back().View().MacroId(), 100) << "the id the removed macro left";
    EXPECT_EQ(list.macros.back().View().Name(), "Macro1") << "named with the prefix given";
    EXPECT_EQ(list.selected, 99);
}

} // namespace
