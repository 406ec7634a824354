// Key maps name a macro by its position in the keyboard's macro memory; the
// document names it by id. Whatever the editor does to the macro list, every
// profile's map on the keyboard must still play the macro its key was given.
#include "support/ConnectedKeyboard.h"

#include "actions/ApplyChanges.h"
#include "actions/DeviceWriter.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileSwitch.h"
#include "actions/MacroEditing.h"

#include <array>
#include <cctype>
#include <ostream>
#include <utility>

namespace {

constexpr uint16_t KeyA = 30;
constexpr uint16_t G9 = 511 + 9; // macro keys count from G1 at 512

using Entry = std::array<uint8_t, 3>;

enum class Edit { Delete, MoveUp, MoveDown, DeleteThenCreate, Create };

struct PositionCase {
    const char* what;
    int current;    // the profile active while editing and applying
    int keyProfile; // the profile whose key (A unless said) plays a macro
    uint16_t keyMacroId;
    Edit edit;
    int position;   // of the macro the edit works on
    bool asks;      // the deleted macro is used by a key
    Entry before;   // the key's entry in keyProfile before the edit
    Entry after;    // and after the Apply
    bool allMaps;   // all three maps written, or only the current one
    uint16_t key = KeyA;
};

void PrintTo(const PositionCase& c, std::ostream* os)
{
    *os << c.what;
}

// Three macros, ids 1, 2, 3 at positions 0, 1, 2. Key A's own entry is
// 02 02 04; a macro at position n is 05 01 n.
const PositionCase Cases[] = {
    {"G9 of the first profile plays the second, the first is deleted in the second profile", 1, 0, 2,
     Edit::Delete, 0, false, {0x05, 0x01, 0x01}, {0x05, 0x01, 0x00}, true, G9},
    {"delete the first, another profile plays the second", 1, 0, 2, Edit::Delete, 0, false,
     {0x05, 0x01, 0x01}, {0x05, 0x01, 0x00}, true},
    {"delete the first, profile 3 plays the third", 0, 2, 3, Edit::Delete, 0, false,
     {0x05, 0x01, 0x02}, {0x05, 0x01, 0x01}, true},
    {"delete the middle, profile 2 plays the third", 2, 1, 3, Edit::Delete, 1, false,
     {0x05, 0x01, 0x02}, {0x05, 0x01, 0x01}, true},
    {"delete the middle, the current profile plays the third", 1, 1, 3, Edit::Delete, 1, false,
     {0x05, 0x01, 0x02}, {0x05, 0x01, 0x01}, true},
    {"delete the last, another profile plays it", 0, 1, 3, Edit::Delete, 2, true,
     {0x05, 0x01, 0x02}, {0x02, 0x02, 0x04}, true},
    {"delete the first, another profile plays it", 0, 2, 1, Edit::Delete, 0, true,
     {0x05, 0x01, 0x00}, {0x02, 0x02, 0x04}, true},
    {"delete the last, unused, another profile plays the first", 2, 0, 1, Edit::Delete, 2, false,
     {0x05, 0x01, 0x00}, {0x05, 0x01, 0x00}, true},
    {"move the second up, another profile plays it", 1, 0, 2, Edit::MoveUp, 1, false,
     {0x05, 0x01, 0x01}, {0x05, 0x01, 0x00}, true},
    {"move the second down, another profile plays it", 1, 2, 2, Edit::MoveDown, 1, false,
     {0x05, 0x01, 0x01}, {0x05, 0x01, 0x02}, true},
    {"move the first down, another profile plays the second", 0, 1, 2, Edit::MoveDown, 0, false,
     {0x05, 0x01, 0x01}, {0x05, 0x01, 0x00}, true},
    {"move the third up, another profile plays the second", 0, 2, 2, Edit::MoveUp, 2, false,
     {0x05, 0x01, 0x01}, {0x05, 0x01, 0x02}, true},
    {"a new macro takes the deleted last one's id", 0, 1, 3, Edit::DeleteThenCreate, 2, true,
     {0x05, 0x01, 0x02}, {0x02, 0x02, 0x04}, true},
    {"an unused last macro replaced by a new one", 2, 1, 2, Edit::DeleteThenCreate, 2, false,
     {0x05, 0x01, 0x01}, {0x05, 0x01, 0x01}, true},
    {"a new macro behind the others moves none", 0, 2, 3, Edit::Create, 0, false,
     {0x05, 0x01, 0x02}, {0x05, 0x01, 0x02}, false},
};

class MacroPositionsTest : public ConnectedKeyboardTest, public ::testing::WithParamInterface<PositionCase> {
protected:
    Entry KeyEntry(const KeyboardMemories& m, int profile, uint16_t key) const
    {
        const std::vector<uint8_t> map = KeyMapOf(m, profile);
        const size_t at = static_cast<size_t>(PositionOf(key)) * 3;
        return {map[at], map[at + 1], map[at + 2]};
    }

    static void ApplyEdit(MacroList& list, const PositionCase& c)
    {
        const size_t at = static_cast<size_t>(c.position);
        switch (c.edit) {
        case Edit::Delete:
        case Edit::DeleteThenCreate:
            SelectMacro(list, c.position);
            ASSERT_TRUE(DeleteSelectedMacro(list));
            if (c.edit == Edit::DeleteThenCreate) {
                ASSERT_EQ(CreateMacro(list), 2);
            }
            break;
        case Edit::MoveUp:
            std::swap(list.macros[at], list.macros[at - 1]);
            break;
        case Edit::MoveDown:
            std::swap(list.macros[at], list.macros[at + 1]);
            break;
        case Edit::Create:
            ASSERT_EQ(CreateMacro(list), 3);
            break;
        }
    }
};

TEST_P(MacroPositionsTest, EveryProfilesKeyKeepsItsMacroAfterTheListChanges)
{
    const PositionCase& c = GetParam();
    ASSERT_EQ(SetCurrentProfile(c.current), 1);
    ASSERT_EQ(ReloadFromDevice(false), 1);
    AddMacro(1, u"one");
    AddMacro(2, u"two");
    AddMacro(3, u"three");
    ASSERT_GE(PositionOf(c.key), 0);
    SetSlot(c.keyProfile, KeyCodeToIndex(c.key), 4, c.keyMacroId);
    {
        DocumentLock lock;
        ASSERT_EQ(CopyDocumentForDevice(1), 1);
    }
    const KeyboardMemories before = Memories();
    ASSERT_EQ(KeyEntry(before, c.keyProfile, c.key), c.before);

    prompts.answerYes = true;
    MacroList list = LoadMacroList();
    ApplyEdit(list, c);
    ASSERT_EQ(ApplyMacroEdits(list), 1);
    EXPECT_EQ(prompts.questions.size(), c.asks ? 1u : 0u);
    kb->ClearFrameLog();
    ASSERT_EQ(ApplyChanges(), 1);

    const std::vector<int> written = c.allMaps ? std::vector<int>{0, 1, 2} : std::vector<int>{c.current};
    EXPECT_EQ(WrittenProfiles(), written);
    const KeyboardMemories after = Memories();
    EXPECT_EQ(KeyEntry(after, c.keyProfile, c.key), c.after);
    for (int profile = 0; profile < 3; ++profile) {
        SCOPED_TRACE(profile);
        // Only the key's entry may differ from what the keyboard held.
        std::vector<uint8_t> expected = KeyMapOf(before, profile);
        if (profile == c.keyProfile) {
            const size_t at = static_cast<size_t>(PositionOf(c.key)) * 3;
            std::copy(c.after.begin(), c.after.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
        }
        EXPECT_EQ(KeyMapOf(after, profile), expected);
    }
    EXPECT_FALSE(g_macroLayoutChanged);
}

INSTANTIATE_TEST_SUITE_P(Edits, MacroPositionsTest, ::testing::ValuesIn(Cases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.what; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

} // namespace
