#include "LightingTestSupport.h"

#include "lighting/LightingHandlers.h"
#include "lighting/UserModes.h"

namespace {

constexpr uint16_t KeyQButton = 1044, KeyWButton = 1045, EscButton = 1022;
constexpr uint16_t G3Button = 1002;

TEST(KeyColourIndex, EveryButtonLightsThePositionOfItsKeyOnTheKeyboard)
{
    // Spot checks typed in from the light matrix table.
    const std::pair<uint16_t, int> spots[] = {
        {1022, 0},  {1028, 12}, {1091, 14}, {1093, 16}, {1029, 21}, {1107, 41}, {1042, 55},
        {1111, 62}, {1070, 76}, {1114, 82}, {1199, 85}, {1200, 96}, {1103, 99}, {1118, 104},
        {1087, 112}, {1100, 119}, {1119, 124}, {1174, 110}, {1000, 125}, {1143, 125},
    };
    for (auto [id, index] : spots)
        EXPECT_EQ(KeyColourIndexOf(id), index) << id;
    EXPECT_EQ(KeyColourIndexOf(1016), -1) << "D1 has no light";
    EXPECT_EQ(KeyColourIndexOf(1135), -1);

    // The keyboard's factory map puts each key on the position of its light.
    const std::vector<uint16_t> positions = FactoryKeyCodes(0x5000);
    for (const ButtonKey& key : ButtonKeyTable) {
        const int index = KeyColourIndexOf(key.controlId);
        ASSERT_GE(index, 0) << key.controlId;
        EXPECT_EQ(positions[static_cast<size_t>(index)], key.keyCode) << key.controlId;
    }
    EXPECT_EQ(KeyColourButtons().size(), 116u);
}

class KeyColoursTest : public LightingTest {
protected:
    using LightingTest::LightingTest;

    void ChooseUserEffect(int profile = 0)
    {
        Reload(profile);
        ASSERT_EQ(SelectEffect(FindEffectIndex(20)), 1);
        kb->ClearFrameLog();
    }
};

TEST_F(KeyColoursTest, PaintingG3PaintsEveryGKeyWithOneWrite)
{
    ChooseUserEffect(2);
    g_userModes.tools = UserTools{0, MakeColour(1, 1, 1), MakeColour(0x20, 0x40, 0x60)};
    const PaintResult painted = PaintKey(G3Button);
    ASSERT_TRUE(painted.painted);
    EXPECT_EQ(painted.index, 125);
    EXPECT_EQ(Received(), (std::vector<Request>{Begin(), Colours(2 * 512 + 375, {0x20, 0x40, 0x60}), End()}));
    EXPECT_EQ(KeyboardColours(2, 125), (std::vector<uint8_t>{0x20, 0x40, 0x60}));
    for (uint16_t g : MacroKeyButtons)
        EXPECT_EQ(TableColour(2, KeyColourIndexOf(g)), MakeColour(0x20, 0x40, 0x60)) << g;
    EXPECT_NE(ReadText(UserFile(2)).find("\n125=32,64,96,0\n"), std::string::npos) << ReadText(UserFile(2));
}

TEST_F(KeyColoursTest, PressingAKeyOutsideTheUserEffectSendsNothing)
{
    Reload();
    ASSERT_EQ(SelectEffect(FindEffectIndex(6)), 1);
    const std::string before = ReadText(UserFile(0));
    kb->ClearFrameLog();
    for (uint16_t id : {EscButton, G3Button, FnButtonId})
        EXPECT_FALSE(PaintKey(id).painted) << id;
    EXPECT_TRUE(Received().empty());
    EXPECT_EQ(ReadText(UserFile(0)), before);
    // Nor does a control that is no key, in the user effect.
    ASSERT_EQ(SelectEffect(FindEffectIndex(20)), 1);
    kb->ClearFrameLog();
    EXPECT_FALSE(PaintKey(1135).painted);
    EXPECT_TRUE(Received().empty());
}

class SmallKeyboardTest : public KeyColoursTest {
protected:
    SmallKeyboardTest() : KeyColoursTest(0) {}
};

TEST_F(SmallKeyboardTest, The126KeyTableGoesInEightFramesOf18Keys)
{
    ChooseUserEffect(1);
    for (size_t i = 0; i < 512; ++i)
        g_keyColourTable[512 + i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(SendKeyColours(), 1);
    const std::vector<Request> got = Received();
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got.front(), Begin());
    EXPECT_EQ(got.back(), End());
    // Keys 0, 18, ..., 126 of profile 1: offsets 512 + 54 f.
    const uint16_t offsets[] = {512, 566, 620, 674, 728, 782, 836, 890};
    for (size_t f = 0; f < 8; ++f) {
        std::vector<uint8_t> data(54);
        for (size_t i = 0; i < 54; ++i)
            data[i] = static_cast<uint8_t>((54 * f + i) * 7);
        EXPECT_EQ(got[f + 1], Colours(offsets[f], data)) << f;
    }
}

TEST_F(KeyColoursTest, BaseColourFollowsKeysPaintedWithItUntilRepaintedOtherwise)
{
    ChooseUserEffect();
    g_userModes.tools = UserTools{1, MakeColour(0, 0, 200), MakeColour(200, 0, 0)};
    PaintKey(KeyQButton); // base colour, mark 1
    PaintKey(KeyWButton);
    ChooseTool(0);
    PaintKey(KeyWButton); // paint colour, mark 0
    kb->ClearFrameLog();

    ASSERT_EQ(ApplyBaseColour(MakeColour(0, 255, 0)), 1);
    EXPECT_EQ(TableColour(0, 43), MakeColour(0, 255, 0)) << "Q follows the base colour";
    EXPECT_EQ(TableColour(0, 44), MakeColour(200, 0, 0)) << "W left the base group";
    EXPECT_EQ(KeyboardColours(0, 43, 2), (std::vector<uint8_t>{0, 255, 0, 200, 0, 0}));
    const std::string file = ReadText(UserFile(0));
    EXPECT_NE(file.find("\n43=0,255,0,1\n"), std::string::npos) << file;
    EXPECT_NE(file.find("\n44=200,0,0,0\n"), std::string::npos) << file;
    EXPECT_NE(file.find("jcolor=0,255,0\n"), std::string::npos) << file;
    // One group sends the whole table.
    const std::vector<Request> got = Received();
    ASSERT_EQ(got.size(), 10u);
    EXPECT_EQ(got[1].offset, 0);
    EXPECT_EQ(got[8].offset, 7 * 54);

    // The same colour again changes nothing.
    kb->ClearFrameLog();
    EXPECT_EQ(ApplyBaseColour(MakeColour(0, 255, 0)), 0);
    EXPECT_TRUE(Received().empty());
}

// What the keyboard did not take is not shown as taken: the key, its mark,
// the table and the user mode file keep what the keyboard still shows.
TEST_F(KeyColoursTest, APaintTheKeyboardRefusedChangesNothing)
{
    ChooseUserEffect(1);
    g_userModes.tools = UserTools{1, MakeColour(0, 0, 200), MakeColour(200, 0, 0)};
    ASSERT_EQ(PaintKey(KeyQButton).deviceResult, 1); // the base colour, mark 1
    const std::string file = ReadText(UserFile(1));
    ChooseTool(0);
    const std::string withTool = ReadText(UserFile(1));

    kb->RefuseNextRequestsOf(CmdWriteKeyColors, StatusRefused);
    const PaintResult painted = PaintKey(KeyQButton);
    EXPECT_TRUE(painted.painted);
    EXPECT_NE(painted.deviceResult, 1);
    EXPECT_EQ(painted.colour, MakeColour(0, 0, 200));
    EXPECT_EQ(KeyboardColours(1, 43), (std::vector<uint8_t>{0, 0, 200}));
    EXPECT_EQ(TableColour(1, 43), MakeColour(0, 0, 200));
    EXPECT_TRUE(MarkOf(1, 43)) << "still follows the base colour";
    EXPECT_EQ(ReadText(UserFile(1)), withTool);
    EXPECT_NE(file.find("\n43=0,0,200,1\n"), std::string::npos) << file;
}

TEST_F(KeyColoursTest, ABaseColourTheKeyboardRefusedLeavesKeysToolsAndFileAsTheyWere)
{
    ChooseUserEffect();
    g_userModes.tools = UserTools{1, MakeColour(0, 0, 200), MakeColour(200, 0, 0)};
    PaintKey(KeyQButton);
    const std::string file = ReadText(UserFile(0));

    // The first frame of the group is refused, the others (Q's among them)
    // are taken: the old table goes back to the keyboard.
    kb->RefuseNextRequestsOf(CmdWriteKeyColors, StatusRefused);
    EXPECT_LT(ApplyBaseColour(MakeColour(0, 255, 0)), 0);
    EXPECT_EQ(g_userModes.tools.baseColour, MakeColour(0, 0, 200));
    EXPECT_EQ(TableColour(0, 43), MakeColour(0, 0, 200));
    EXPECT_EQ(KeyboardColours(0, 43), (std::vector<uint8_t>{0, 0, 200}));
    EXPECT_EQ(ReadText(UserFile(0)), file);

    // Taken by the keyboard, but the file cannot be written: said apart.
    std::filesystem::remove(UserFile(0));
    std::filesystem::create_directories(UserFile(0));
    IniCache::Instance().Invalidate(UserFile(0));
    EXPECT_EQ(ApplyBaseColour(MakeColour(0, 255, 0)), KeyColoursNotSaved);
    EXPECT_EQ(g_userModes.tools.baseColour, MakeColour(0, 255, 0));
    EXPECT_EQ(KeyboardColours(0, 43), (std::vector<uint8_t>{0, 255, 0}));
    std::filesystem::remove_all(UserFile(0));
}

// The nine G buttons share one light: painting one of them takes the whole
// G colour out of (or into) the base-colour group, so a base colour change
// cannot undo what was just painted on G3.
TEST_F(KeyColoursTest, GButtonsShareOneBaseColourMark)
{
    ChooseUserEffect();
    g_userModes.tools = UserTools{1, MakeColour(5, 5, 5), MakeColour(9, 0, 0)};
    PaintKey(1000); // G1 with the base colour
    ChooseTool(0);
    PaintKey(G3Button); // G3 (the same light) with the paint colour
    ApplyBaseColour(MakeColour(7, 7, 7));
    EXPECT_EQ(TableColour(0, 125), MakeColour(9, 0, 0));
    EXPECT_EQ(KeyboardColours(0, 125), (std::vector<uint8_t>{9, 0, 0}));
}

TEST_F(KeyColoursTest, LoadingAModeFillsTheTableAndMarksThenSendsIt)
{
    WriteText(UserFile(0), "[PRESENTMODE]\nmode=1\n[Mode1]\n0=1,2,3,0\n110=4,5,6,1\n125=7,8,9,0\n"
                           "tool=1\njcolor=4,5,6\ncolor=10,20,30\n");
    Reload();
    ASSERT_EQ(LoadUserModes(), 1);
    EXPECT_EQ(g_userModes.userMode, 1);
    EXPECT_EQ(g_userModes.tools, (UserTools{1, MakeColour(4, 5, 6), MakeColour(10, 20, 30)}));
    EXPECT_EQ(TableColour(0, 0), MakeColour(1, 2, 3));
    EXPECT_EQ(TableColour(0, 110), MakeColour(4, 5, 6));
    EXPECT_TRUE(MarkOf(0, 110));
    EXPECT_FALSE(MarkOf(0, 0));
    EXPECT_EQ(TableColour(0, 1), MakeColour(255, 0, 0)) << "missing keys are red";
    EXPECT_TRUE(MarkOf(0, 1));
    EXPECT_EQ(TableColour(0, 13), Black) << "a light without a button is not read";
    EXPECT_EQ(KeyboardColours(0, 0), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(KeyboardColours(0, 125), (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(Received().size(), 10u);

    kb->ClearFrameLog();
    ASSERT_EQ(LoadUserModes(LoadOnly::Yes), 1);
    EXPECT_TRUE(Received().empty());
}

TEST_F(KeyColoursTest, ChoosingAModeStoresItAndLoadsIt)
{
    WriteText(UserFile(1), "[PRESENTMODE]\nmode=0\n[Mode2]\n76=0,0,9,0\n");
    Reload(1);
    ASSERT_EQ(ChooseUserMode(2), 1);
    EXPECT_EQ(ReadUserMode(1), 2);
    EXPECT_EQ(TableColour(1, 76), MakeColour(0, 0, 9));
    EXPECT_EQ(KeyboardColours(1, 76), (std::vector<uint8_t>{0, 0, 9}));
    EXPECT_EQ(ChooseUserMode(10), 0);
    EXPECT_EQ(ReadUserMode(1), 2);
}

TEST_F(KeyColoursTest, MarksAreComputedFromTheBaseColourForEveryProfile)
{
    g_userModes.tools.baseColour = MakeColour(1, 2, 3);
    SetTableColour(0, 0, MakeColour(1, 2, 3));
    SetTableColour(2, 76, MakeColour(1, 2, 3));
    SetTableColour(2, 0, MakeColour(1, 2, 4));
    g_userModes.marks[1][5] = 1;
    ComputeMarks();
    EXPECT_TRUE(MarkOf(0, 0));
    EXPECT_TRUE(MarkOf(2, 76));
    EXPECT_FALSE(MarkOf(2, 0));
    EXPECT_FALSE(MarkOf(1, 5));
}

TEST_F(KeyColoursTest, RestoringTheViewedProfilesColoursLoadsThePresetAndSendsIt)
{
    Reload(1);
    WriteText(UserFile(1), "[PRESENTMODE]\nmode=2\n");
    ASSERT_EQ(RestoreUserColourDefaults(), 1);
    EXPECT_EQ(ReadText(UserFile(1)), PresetText);
    EXPECT_EQ(g_userModes.userMode, 1);
    EXPECT_EQ(g_userModes.tools, (UserTools{1, MakeColour(40, 50, 60), MakeColour(1, 2, 3)}));
    EXPECT_EQ(KeyboardColours(1, 0), (std::vector<uint8_t>{10, 20, 30}));
    EXPECT_EQ(KeyboardColours(1, 76), (std::vector<uint8_t>{40, 50, 60}));
    EXPECT_EQ(KeyboardColours(1, 125), (std::vector<uint8_t>{70, 80, 90}));
    EXPECT_EQ(KeyboardColours(1, 1), (std::vector<uint8_t>{255, 0, 0})) << "the preset lacks it: red";
    EXPECT_TRUE(MarkOf(1, 76));
    EXPECT_FALSE(MarkOf(1, 0));
    EXPECT_EQ(Received().size(), 10u);
}

} // namespace
