#include "LightingTestSupport.h"

#include "lighting/EffectTable.h"
#include "lighting/LightingHandlers.h"
#include "lighting/UserModes.h"

namespace {

// A keyboard whose effect list has empty entries (0xFE, 0x00) between codes.
class GappedKeyboardTest : public LightingTest {
protected:
    GappedKeyboardTest()
    {
        options.effectCodes = std::array<uint8_t, 32>{0xFE, 1, 0x00, 0x00, 12, 0xFE, 4, 20, 0xFE, 19};
    }
};

TEST_F(GappedKeyboardTest, EffectListLeavesOutEmptyEntriesAndMapsCodesToIndices)
{
    Reload();
    ASSERT_EQ(g_lighting.effectList.size(), 5u);
    const int codes[] = {1, 12, 4, 20, 19};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(g_lighting.effectList[static_cast<size_t>(i)].listIndex, i);
        EXPECT_EQ(g_lighting.effectList[static_cast<size_t>(i)].code, codes[i]);
        EXPECT_EQ(FindEffectIndex(codes[i]), i);
    }
    EXPECT_EQ(FindEffectIndex(2), -1);
    EXPECT_EQ(FindEffectIndex(0xFE), -1);
    EXPECT_TRUE(OffersEffect(20));
    EXPECT_FALSE(OffersEffect(0));

    // List index 1 is code 12: the code reaches the keyboard, not the index.
    ASSERT_EQ(SelectEffect(1), 1);
    EXPECT_EQ(Received(), (std::vector<Request>{Begin(), Params(0, {12}), End()}));
    EXPECT_EQ(RecordBytes(0, 0, 1), (std::vector<uint8_t>{12}));

    // Code 19 has no row: listed, chosen, but nothing is written.
    kb->ClearFrameLog();
    ASSERT_EQ(SelectEffect(4), 1);
    EXPECT_TRUE(Received().empty());
    EXPECT_EQ(g_lighting.effectCode, 19);
    EXPECT_EQ(SelectEffect(5), 0); // past the list
}

TEST_F(LightingTest, ReloadReadsTheInformationThenTheThreeRecordsInOneGroup)
{
    SetRecordBytes(1, 0, {14, 3, 1, 0xFF, 0, 0x10, 0x20, 0x30});
    SetRecordBytes(1, 15, {7, 0, 2});
    g_lighting.viewedProfile = 1;
    ASSERT_EQ(ReloadLighting(), 0);

    const std::vector<Request> expected = {
        {CmdReadDeviceInfo, 44, 0, {}}, Begin(), {CmdReadParams, 56, 0, {}}, {CmdReadParams, 56, 42, {}},
        {CmdReadParams, 56, 84, {}},    End(),
    };
    EXPECT_EQ(Received(), expected);
    EXPECT_EQ(g_lighting.effectCode, 14);
    EXPECT_EQ(g_lighting.brightness, 3);
    EXPECT_EQ(g_lighting.speed, 1);
    EXPECT_EQ(g_lighting.direction, 0xFF);
    EXPECT_FALSE(g_lighting.multicolour);
    EXPECT_EQ(g_lighting.effectColour, MakeColour(0x10, 0x20, 0x30));
    EXPECT_EQ(g_lighting.reportRate, 3); // 7 is shown as report4
    EXPECT_EQ(g_lighting.colourChoice, 2);
    // The whole records are kept, including what the panel does not show.
    EXPECT_EQ(g_lighting.lightingRecords[42 + 15], 7);
    EXPECT_EQ(g_lighting.lightingRecords[0], 1);

    // The stored rate 7 stays in the keyboard until a button is clicked.
    ASSERT_EQ(SelectEffect(FindEffectIndex(4)), 0); // the list is built by ShowLighting
    BuildEffectList();
    ASSERT_EQ(SelectEffect(FindEffectIndex(4)), 1);
    EXPECT_EQ(RecordBytes(1, 15, 1), (std::vector<uint8_t>{7}));
    kb->ClearFrameLog();
    ASSERT_EQ(SetReportRate(3), 1);
    EXPECT_EQ(Received(), (std::vector<Request>{Begin(), Params(42 + 15, {3}), End()}));
    EXPECT_EQ(RecordBytes(1, 15, 1), (std::vector<uint8_t>{3}));
}

TEST_F(LightingTest, ReloadWithoutTheInformationLeavesTheRecordsAndAnEmptyList)
{
    Reload();
    const auto before = g_lighting.lightingRecords;
    kb->RefuseNextRequests(0xFE, 1);
    EXPECT_EQ(ReloadLighting(), -1);
    EXPECT_EQ(Received().size(), 1u); // the information request alone
    EXPECT_EQ(g_lighting.lightingRecords, before);
    BuildEffectList();
    EXPECT_TRUE(g_lighting.effectList.empty());
    EXPECT_FALSE(OffersEffect(1));
}

// Which effects resend the multicolour byte when chosen, on the keyboard's
// own factory list (codes 1..18 and 20), viewing profile 2.
TEST_F(LightingTest, ChoosingAnEffectWritesItsCodeAndForSomeTheMulticolourByte)
{
    Reload(2);
    struct Case {
        int code;
        std::vector<Request> writes;
    };
    const uint16_t p = 84;
    auto codeOnly = [&](uint8_t code) { return std::vector<Request>{Begin(), Params(p, {code}), End()}; };
    auto withMulticolour = [&](uint8_t code, uint8_t mc) {
        return std::vector<Request>{Begin(), Params(p, {code}), Params(p + 4, {mc}), End()};
    };
    // Factory multicolour is 0xFF, shown as on: the window writes 1.
    const Case cases[] = {
        {1, withMulticolour(1, 1)},  {2, withMulticolour(2, 1)},  {3, withMulticolour(3, 1)},
        {4, codeOnly(4)},            {5, withMulticolour(5, 1)},  {6, codeOnly(6)},
        {7, withMulticolour(7, 1)},  {8, withMulticolour(8, 1)},  {9, withMulticolour(9, 1)},
        {10, codeOnly(10)},          {11, codeOnly(11)},          {12, codeOnly(12)},
        {13, withMulticolour(13, 1)}, {14, withMulticolour(14, 1)}, {15, withMulticolour(15, 1)},
        {16, codeOnly(16)},          {17, codeOnly(17)},          {18, codeOnly(18)},
        {20, codeOnly(20)},
    };
    for (const Case& c : cases) {
        kb->ClearFrameLog();
        g_lighting.previewReset = 1;
        ASSERT_EQ(SelectEffect(FindEffectIndex(c.code)), 1) << c.code;
        EXPECT_EQ(Received(), c.writes) << c.code;
        EXPECT_EQ(g_lighting.effectCode, c.code);
        EXPECT_EQ(g_lighting.previewReset, 0) << "the preview starts again";
    }
    EXPECT_EQ(RecordBytes(2, 0, 5), (std::vector<uint8_t>{20, 4, 2, 0, 1}));
    // Profiles 0 and 1 are untouched.
    EXPECT_EQ(RecordBytes(0, 0, 5), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF}));
    EXPECT_EQ(RecordBytes(1, 0, 5), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF}));
}

TEST_F(LightingTest, SlidersSendOnlyNewValuesAndSpeedRunsTheOtherWay)
{
    SetRecordBytes(0, 1, {5, 2}); // brightness 5, speed 2
    Reload();
    EXPECT_EQ(PositionFromSpeed(g_lighting.speed), 3) << "speed 2 shows the slider at position 3";

    struct Case {
        const char* name;
        int32_t (*move)(int);
        int position;
        std::vector<Request> writes;
    };
    const Case cases[] = {
        {"speed slider to its own position", SetSpeedPosition, 3, {}},
        {"brightness slider to its own position", SetBrightness, 5, {}},
        {"speed position 2 sends speed 3", SetSpeedPosition, 2, {Begin(), Params(2, {3}), End()}},
        {"speed position 3 sends speed 2", SetSpeedPosition, 3, {Begin(), Params(2, {2}), End()}},
        {"speed position 0 sends speed 5", SetSpeedPosition, 0, {Begin(), Params(2, {5}), End()}},
        {"brightness 0", SetBrightness, 0, {Begin(), Params(1, {0}), End()}},
        {"brightness 0 again", SetBrightness, 0, {}},
        {"brightness beyond the slider", SetBrightness, 6, {}},
    };
    for (const Case& c : cases) {
        kb->ClearFrameLog();
        c.move(c.position);
        EXPECT_EQ(Received(), c.writes) << c.name;
    }
    EXPECT_EQ(RecordBytes(0, 1, 2), (std::vector<uint8_t>{0, 5}));
}

TEST_F(LightingTest, EachControlWritesItsByteIntoTheViewedRecord)
{
    Reload(1);
    struct Case {
        const char* name;
        std::function<int32_t()> act;
        std::vector<Request> writes;
    };
    const Case cases[] = {
        {"left direction", [] { return SetDirection(0xFF); }, {Begin(), Params(45, {0xFF}), End()}},
        {"right direction", [] { return SetDirection(0x00); }, {Begin(), Params(45, {0x00}), End()}},
        {"multicolour off", ToggleMulticolour, {Begin(), Params(46, {0}), End()}},
        {"multicolour on", ToggleMulticolour, {Begin(), Params(46, {1}), End()}},
        {"colour choice blue", [] { return SetColourChoice(3); }, {Begin(), Params(59, {3}), End()}},
        {"report rate 3", [] { return SetReportRate(2); }, {Begin(), Params(57, {2}), End()}},
        // Multicolour is on: the colour turns it off first, in the same group.
        {"colour", [] { return SetEffectColour(MakeColour(0x11, 0x22, 0x33)); },
         {Begin(), Params(46, {0}), Params(47, {0x11, 0x22, 0x33}), End()}},
        {"colour choice out of range", [] { return SetColourChoice(4); }, {}},
        {"report rate out of range", [] { return SetReportRate(-1); }, {}},
    };
    for (const Case& c : cases) {
        kb->ClearFrameLog();
        c.act();
        EXPECT_EQ(Received(), c.writes) << c.name;
    }
    EXPECT_FALSE(g_lighting.multicolour);
    EXPECT_EQ(g_lighting.effectColour, MakeColour(0x11, 0x22, 0x33));
    EXPECT_EQ(RecordBytes(1, 0, 18),
              (std::vector<uint8_t>{1, 4, 2, 0, 0, 0x11, 0x22, 0x33, 0, 0, 0, 0, 0, 0, 0, 2, 0, 3}));
}

TEST_F(LightingTest, WithoutAKeyboardTheStateStillChanges)
{
    Reload();
    Disconnect();
    EXPECT_EQ(SetBrightness(1), 0);
    EXPECT_EQ(g_lighting.brightness, 1);
    EXPECT_EQ(SetEffectColour(MakeColour(1, 2, 3)), 0);
    EXPECT_EQ(g_lighting.effectColour, MakeColour(1, 2, 3));
    EXPECT_TRUE(kb->Requests().empty());
}

TEST_F(LightingTest, RestoringDefaultsWritesEffectOneThenTheFactoryRecord)
{
    SetRecordBytes(0, 0, {6, 2, 5, 0xFF, 0, 9, 9, 9});
    SetRecordBytes(0, 15, {2, 0, 1, 5, 1});
    Reload();
    ASSERT_EQ(RestoreLightingDefaults(), 1);
    const std::vector<uint8_t> factory = {0x01, 0x04, 0x02, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
                                          0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0,
                                          0,    0,    0,    0,    0,    0,    0};
    // Effect 1 with the multicolour byte as it stood, the viewed profile's
    // key colours from the preset (the keyboard offers effect 20), then the
    // factory record.
    const std::vector<Request> got = Received();
    ASSERT_EQ(got.size(), 4u + 10u + 3u);
    EXPECT_EQ(std::vector<Request>(got.begin(), got.begin() + 4),
              (std::vector<Request>{Begin(), Params(0, {1}), Params(4, {0}), End()}));
    EXPECT_EQ(got[4], Begin());
    for (size_t f = 0; f < 8; ++f)
        EXPECT_EQ(got[5 + f].offset, 54 * f) << f;
    EXPECT_EQ(std::vector<Request>(got.end() - 3, got.end()), (std::vector<Request>{Begin(), Params(0, factory), End()}));
    EXPECT_EQ(RecordBytes(0, 0, 35), factory);

    // The state shows what the keyboard now holds, so moving a control back
    // to the old value is a change that reaches the keyboard.
    EXPECT_EQ(g_lighting.brightness, 4);
    EXPECT_EQ(g_lighting.speed, 2);
    EXPECT_TRUE(g_lighting.multicolour);
    EXPECT_EQ(g_lighting.effectColour, White);
    EXPECT_EQ(g_lighting.reportRate, 0);
    kb->ClearFrameLog();
    SetBrightness(2);
    SetSpeedPosition(0);
    EXPECT_EQ(Received(), (std::vector<Request>{Begin(), Params(1, {2}), End(), Begin(), Params(2, {5}), End()}));
}

TEST_F(LightingTest, LightingViewSettingLivesInTheUserIni)
{
    Reload();
    EXPECT_FALSE(g_lighting.lightingView);
    ASSERT_TRUE(WriteLightingViewSetting(true));
    EXPECT_EQ(ReadText(g_paths.userIni), "[KEYCOLOR]\nDengCheck=1\n");
    // A plain reload only ever turns the view on...
    ASSERT_EQ(ReloadLighting(), 0);
    EXPECT_TRUE(g_lighting.lightingView);
    ASSERT_TRUE(WriteLightingViewSetting(false));
    ASSERT_EQ(ReloadLighting(), 0);
    EXPECT_TRUE(g_lighting.lightingView);
    // ...the start-up reload follows the setting either way.
    ASSERT_EQ(ReloadLighting(ReloadKind::StartUp), 0);
    EXPECT_FALSE(g_lighting.lightingView);

    for (const char* hostile : {"DengCheck=11", "DengCheck=abc", "DengCheck=99999999999999999999", "\x01\x02\xff"}) {
        WriteText(g_paths.userIni, std::string("[KEYCOLOR]\n") + hostile + "\n");
        EXPECT_FALSE(ReadLightingViewSetting()) << hostile;
    }
    WriteText(g_paths.userIni, "[keycolor]\n dengcheck = 1 \n");
    EXPECT_TRUE(ReadLightingViewSetting());
}

} // namespace
