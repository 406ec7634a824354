// rt604ctl lighting and key-colours, run as a user runs them, on a virtual
// keyboard kept in a state file; the results read back from that file.
#include "support/CtlProcess.h"

namespace {

namespace fs = std::filesystem;

class LightingCtlTest : public CtlKeyboardFixture {
protected:
    std::vector<uint8_t> Record(int profile, size_t count = 18) const
    {
        const KeyboardMemories m = Keyboard();
        return std::vector<uint8_t>(m.params.begin() + 42 * profile, m.params.begin() + 42 * profile + count);
    }
};

TEST_F(LightingCtlTest, PrintsTheActiveProfilesRecordByName)
{
    SaveKeyboard(FactoryMemories(0x5000, 64));
    KeyboardMemories m = Keyboard();
    m.deviceInfo[10] = 1;
    const std::vector<uint8_t> record = {13, 3, 1, 0xFF, 0, 0x12, 0xAB, 0x34, 0, 0, 0, 0, 0, 0, 0, 7, 0, 2};
    std::copy(record.begin(), record.end(), m.params.begin() + 42);
    SaveKeyboard(m);

    const CtlRun run = Ctl("lighting");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "profile: 2\neffect: 13 (Ripple)\nbrightness: 3\nspeed: 4\ndirection: left\n"
                       "multicolour: off\ncolour: 12AB34\nchoice: green\n"
                       "rate: 4 (the keyboard holds 7, shown as the last)\n");
    // The same as data: what the panel cannot show is null, the bytes are all there.
    const CtlRun json = Ctl("--json lighting");
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "{\n  \"profile\": 2,\n  \"effect\": 13,\n  \"effectName\": \"Ripple\",\n  \"brightness\": 3,\n"
                        "  \"speed\": 4,\n  \"direction\": \"left\",\n  \"multicolour\": false,\n  \"colour\": \"12AB34\",\n"
                        "  \"choice\": \"green\",\n  \"rate\": 4,\n  \"record\": \"0D0301FF0012AB34000000000000000700020000"
                        "00000000000000000000000000000000000000000000\"\n}\n");
    m.params[42 + 3] = 5;
    m.params[42 + 17] = 9;
    SaveKeyboard(m);
    const CtlRun odd = Ctl("lighting --json");
    EXPECT_NE(odd.out.find("\"direction\": null"), std::string::npos) << odd.out;
    EXPECT_NE(odd.out.find("\"choice\": null"), std::string::npos) << odd.out;
    m.params[42 + 3] = 0xFF;
    m.params[42 + 17] = 2;
    SaveKeyboard(m);

    const CtlRun first = Ctl("lighting 1");
    EXPECT_NE(first.out.find("effect: 1 (Wave)\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("multicolour: on\n"), std::string::npos) << first.out;
    EXPECT_EQ(Record(1), record) << "printing writes nothing";
}

TEST_F(LightingCtlTest, FieldsAreWrittenAsThePanelWritesThem)
{
    const CtlRun run = Ctl("lighting 3 effect=14 brightness=2 speed=4 direction=left choice=blue rate=2");
    ASSERT_EQ(run.status, 0) << run.err;
    // It shows what the keyboard holds afterwards.
    EXPECT_EQ(run.out, "profile: 3\neffect: 14 (Sweep)\nbrightness: 2\nspeed: 4\ndirection: left\n"
                       "multicolour: on\ncolour: FFFFFF\nchoice: blue\nrate: 2\n");
    // Effect 14 resends the multicolour byte (1: the factory's 0xFF reads as
    // on); speed position 4 is speed 1.
    EXPECT_EQ(Record(2), (std::vector<uint8_t>{14, 2, 1, 0xFF, 1, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 0, 3}));
    // A colour turns multicolour off in the same write; multicolour=on then
    // clicks the switch back on.
    ASSERT_EQ(Ctl("lighting 3 colour=0a0B0c").status, 0);
    EXPECT_EQ(Record(2, 8), (std::vector<uint8_t>{14, 2, 1, 0xFF, 0, 0x0A, 0x0B, 0x0C}));
    ASSERT_EQ(Ctl("lighting 3 multicolour=on direction=right").status, 0);
    EXPECT_EQ(Record(2, 8), (std::vector<uint8_t>{14, 2, 1, 0x00, 1, 0x0A, 0x0B, 0x0C}));
    // Profiles 1 and 2 are untouched.
    EXPECT_EQ(Record(0, 8), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Record(1, 8), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(LightingCtlTest, BadValuesAndUnofferedEffectsWriteNothing)
{
    VirtualKeyboardOptions options;
    options.effectCodes = std::array<uint8_t, 32>{1, 0xFE, 4, 0, 20};
    VirtualKeyboard made(options);
    ASSERT_TRUE(made.SaveState(state));
    const KeyboardMemories before = Keyboard();
    struct Case {
        const char* arguments;
        int status;
        const char* reason;
    };
    const Case cases[] = {
        {"lighting 1 brightness=3 effect=2", 4, "offers no effect \"2\" (it offers 1 4 20)"},
        {"lighting 1 brightness=6", 4, "brightness is 0 to 5"},
        {"lighting 1 speed=-1", 4, "speed is 0 to 5"},
        {"lighting 1 rate=0", 4, "rate is 1 to 4"},
        {"lighting 1 rate=5", 4, "rate is 1 to 4"},
        {"lighting 1 colour=12345", 4, "RRGGBB"},
        {"lighting 1 colour=GG0000", 4, "RRGGBB"},
        {"lighting 1 choice=purple", 4, "red, yellow, green or blue"},
        {"lighting 1 direction=up", 4, "left or right"},
        {"lighting 1 multicolour=1", 4, "on or off"},
        {"lighting 1 glow=5", 2, "not FIELD=VALUE"},
        {"lighting 1 brightness", 2, "not FIELD=VALUE"},
        {"lighting 1 speed=1 speed=2", 2, "given twice"},
        {"lighting 0", 2, "profiles 1, 2 and 3"},
        {"key-colours", 2, "usage"},
        {"key-colours 4", 2, "profiles 1, 2 and 3"},
    };
    for (const Case& c : cases) {
        const CtlRun run = Ctl(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.arguments << ": " << run.err;
        EXPECT_EQ(Keyboard(), before) << c.arguments;
    }
}

TEST_F(LightingCtlTest, KeyColoursSendsTheProfilesUserModeFile)
{
    SaveKeyboard(FactoryMemories(0, 64));
    const fs::path folder = dir / "data" / "Orvan RT-604";
    fs::create_directories(folder);
    ASSERT_TRUE(WriteFileAtomically((folder / "UserDengColor_1.userd").string(),
                                    std::string("[PRESENTMODE]\nmode=1\n[MODENAME]\n1=Ice\n[Mode1]\n0=1,2,3,0\n125=9,8,7,1\n")));
    const CtlRun run = Ctl("key-colours 2");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("user mode 1 (Ice)"), std::string::npos) << run.out;
    const KeyboardMemories m = Keyboard();
    auto colour = [&](int profile, int index) {
        return std::vector<uint8_t>(m.keyColors.begin() + profile * 512 + index * 3,
                                    m.keyColors.begin() + profile * 512 + index * 3 + 3);
    };
    EXPECT_EQ(colour(1, 0), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(colour(1, 125), (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_EQ(colour(1, 1), (std::vector<uint8_t>{255, 0, 0})) << "a key the file lacks is red";
    EXPECT_EQ(colour(0, 0), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF})) << "profile 1 untouched";
}

} // namespace
