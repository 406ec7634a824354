// The preview steps tick by tick. Expected colours are worked out by hand
// from the hue wheel, the level curves and each step's rule; the comment of
// each row shows the working. Unless a row says otherwise the effect colour
// is (255, 102, 51), so a level L gives (L, 0.4 L, 0.2 L) rounded down.
#include "PreviewTestSupport.h"

#include <set>

namespace {

constexpr uint32_t Forward = 0xFF;
constexpr uint32_t Backward = 0;

struct GoldenCase {
    uint32_t step;
    bool multicolour;
    uint32_t direction;
    int tick; // ticks run from the moment the effect was chosen
    const char* key;
    uint32_t expected;
};

std::ostream& operator<<(std::ostream& out, const GoldenCase& c)
{
    return out << "step " << c.step << (c.multicolour ? " multicolour" : "") << " direction " << c.direction
               << " tick " << c.tick << " " << c.key;
}

class PreviewGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(PreviewGolden, KeyShowsTheExpectedColour)
{
    const GoldenCase& c = GetParam();
    PreviewRun run(c.step, c.multicolour, c.direction);
    const PreviewFrame& frame = run.TickTo(c.tick);
    ASSERT_EQ(frame.paint, PreviewPaint::KeyColours);
    EXPECT_EQ(RgbText(run.Colour(c.key)), RgbText(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Steps, PreviewGolden, ::testing::Values(
    // 1, multicolour: phase +9 per tick, column c shows H[phase + 9c].
    GoldenCase{1, true, Forward, 1, "Esc", Rgb(255, 200, 0)},    // phase 9, column 2: H[27] = (255, R27, 0)
    GoldenCase{1, true, Forward, 1, "RAlt", Rgb(0, 206, 255)},   // columns 9 and 10, the later stays: H[99] = (0, F3, 255)
    GoldenCase{1, true, Forward, 2, "Esc", Rgb(194, 255, 0)},    // phase 18: H[36] = (F4, 255, 0)
    // 1 without multicolour: phase +7 modulo 96, column c at L96[phase + 7c].
    GoldenCase{1, false, Forward, 1, "LShift", Rgb(42, 16, 8)},  // L96[7] = 42
    GoldenCase{1, false, Forward, 1, "KPEnter", Rgb(146, 58, 29)}, // 7 + 154 = 161 -> 65: L96[65] = L96[30] = 146
    // 2, multicolour: phase +4, column c shows H[phase + 5c].
    GoldenCase{2, true, Forward, 1, "Esc", Rgb(255, 65, 0)},     // H[14]
    GoldenCase{2, true, Forward, 1, "KPEnter", Rgb(0, 53, 255)}, // H[114] = (0, F18, 255)
    // 2 without multicolour: phase +4 modulo 128 always; the index steps by
    // 5 per column from the phase, up for direction 0xFF, down otherwise.
    GoldenCase{2, false, Forward, 1, "LShift", Rgb(94, 37, 18)}, // 4 + 5 = 9: L129[9] = 94
    GoldenCase{2, false, Forward, 1, "Fn", Rgb(20, 8, 4)},       // column 11: 9 + 55 = 64: L129[64] = 20
    GoldenCase{2, false, Backward, 1, "KPEnter", Rgb(248, 99, 49)}, // 4 - 5 = -1 -> 127, column 22: 127 - 110 = 17: 248
    GoldenCase{2, false, Backward, 1, "PrtSc", Rgb(77, 30, 15)},    // column 16: 127 - 80 = 47: L129[47] = 77
    GoldenCase{2, false, 1, 1, "KPEnter", Rgb(248, 99, 49)},        // only 0xFF counts as up
    GoldenCase{2, false, Forward, 30, "`", Rgb(8, 3, 1)},   // phase 120: 125, then 130 -> 2: L129[2] = 8
    GoldenCase{2, false, Forward, 30, "Esc", Rgb(61, 24, 12)}, // column 2: 7: L129[7] = 61
    // 3: along the snake, position i.
    GoldenCase{3, true, Forward, 1, "Pause", Rgb(255, 10, 0)},   // phase 4: H[4]
    GoldenCase{3, true, Forward, 1, "Esc", Rgb(0, 255, 73)},     // position 15: H[79] = (0, 255, R15)
    GoldenCase{3, true, Forward, 1, "KP5", Rgb(89, 0, 255)},     // position 105: 529 -> H[145] = (R17, 0, 255)
    GoldenCase{3, false, Backward, 1, "Pause", Rgb(30, 12, 6)},  // phase 96 - 4 = 92: L96[92] = L96[3] = 30
    GoldenCase{3, false, Backward, 1, "KP5", Rgb(213, 85, 42)},  // 92 + 525 = 617 -> 41: L96[41] = 213
    // 4: the whole grid shows H[phase], phase +2.
    GoldenCase{4, true, Forward, 1, "Q", Rgb(255, 5, 0)},        // H[2]
    GoldenCase{4, false, Forward, 2, "KPEnter", Rgb(255, 10, 0)}, // H[4]
    GoldenCase{4, false, Backward, 1, "Space", Rgb(255, 0, 2)},  // H[190] = (255, 0, F30)
    // 5: phase +2 modulo 128 always, level L128[phase]; multicolour column c H[7c].
    GoldenCase{5, true, Forward, 20, "Esc", Rgb(114, 29, 0)},     // L128[40] = 114; H[14] = (255, 65, 0) x 114
    GoldenCase{5, true, Forward, 20, "KPEnter", Rgb(84, 0, 114)}, // H[154] = (188, 0, 255) x 114
    GoldenCase{5, false, Forward, 20, "Space", Rgb(114, 45, 22)},
    GoldenCase{5, false, Backward, 20, "Space", Rgb(114, 45, 22)}, // the direction does not matter
    GoldenCase{5, false, Forward, 33, "Space", Rgb(241, 96, 48)},  // phase 66: L128[66] = L128[61] = 241
    // 6: static.
    GoldenCase{6, false, Forward, 1, "Fn", Rgb(255, 102, 51)},
    GoldenCase{6, true, Forward, 1, "O", Rgb(7, 0, 255)},        // ring 0: H[131]
    GoldenCase{6, true, Forward, 1, "KPEnter", Rgb(255, 38, 0)}, // ring 11: H[10]
    GoldenCase{6, true, Forward, 1, "KP4", Rgb(114, 255, 0)},    // ring 8: H[43] = (F11, 255, 0)
    // 10: tick 1 lights right Alt, ; and K45 (places 1 to 3). Fading:
    // 255 -> 235 215 195 175 155 135 115 99 83 67 51 41.
    GoldenCase{10, false, Forward, 1, "RAlt", Rgb(235, 94, 47)},
    GoldenCase{10, false, Forward, 1, "Y", Rgb(0, 0, 0)},
    GoldenCase{10, false, Forward, 2, "RAlt", Rgb(215, 86, 43)},
    GoldenCase{10, false, Forward, 12, "RAlt", Rgb(41, 16, 8)},
    GoldenCase{10, false, Forward, 36, "Y", Rgb(235, 94, 47)},   // place 0 comes round at tick 36
    // 11: start hues 33, 66, ... (less 192 past 192), +3 before drawing.
    GoldenCase{11, false, Forward, 1, "Pause", Rgb(194, 255, 0)}, // 33 + 3: H[36]
    GoldenCase{11, false, Forward, 1, "F10", Rgb(255, 32, 0)},    // position 5: 198 -> 6, + 3: H[9]
    GoldenCase{11, false, Forward, 1, "B", Rgb(255, 0, 220)},     // position 62: 159 + 3: H[162] = (255, 0, F2)
    GoldenCase{11, false, Forward, 1, "N", Rgb(255, 1, 0)},       // position 63: 192, + 3 = 195 -> 0: H[0]
    GoldenCase{11, false, Forward, 2, "N", Rgb(255, 7, 0)},       // H[3]
    // 12: row r shows H[phase + 32r], phase +3.
    GoldenCase{12, false, Forward, 1, "Esc", Rgb(255, 7, 0)},     // H[3]
    GoldenCase{12, false, Forward, 1, "Space", Rgb(255, 0, 206)}, // H[163] = (255, 0, F3)
    GoldenCase{12, false, Backward, 1, "1", Rgb(255, 227, 0)},    // phase 189, row 1: 221 -> H[29]
    // 13: the first ripple rises from (9, 6). Fading 255 -> 175 95 45 25 20.
    GoldenCase{13, false, Forward, 1, "RAlt", Rgb(0, 0, 0)},      // only the hidden row is lit
    GoldenCase{13, false, Forward, 2, "RAlt", Rgb(175, 70, 35)},  // (9, 5)
    GoldenCase{13, false, Forward, 3, ",", Rgb(175, 70, 35)},     // (9, 4)
    GoldenCase{13, false, Forward, 4, "K", Rgb(175, 70, 35)},     // (9, 3)
    GoldenCase{13, false, Forward, 4, "M", Rgb(175, 70, 35)},     // (8, 4)
    GoldenCase{13, false, Forward, 4, ".", Rgb(175, 70, 35)},     // (10, 4)
    GoldenCase{13, false, Forward, 4, "Fn", Rgb(175, 70, 35)},    // (11, 5)
    GoldenCase{13, false, Forward, 4, ",", Rgb(95, 38, 19)},      // lit at tick 3
    GoldenCase{13, false, Forward, 4, "Space", Rgb(0, 0, 0)},
    GoldenCase{13, false, Forward, 7, "F6", Rgb(175, 70, 35)},    // (9, 0): a ripple starts falling there
    GoldenCase{13, false, Forward, 9, "7", Rgb(175, 70, 35)},     // (8, 1), two cells down-left of it
    // 14, multicolour: the hue counter h rises by 1 per tick and by 11 per
    // key of a group. Fading 255 -> 225 195.
    GoldenCase{14, true, Forward, 1, "Esc", Rgb(225, 44, 0)},     // h 1 + 11: H[12] = (255, 50, 0) x 225
    GoldenCase{14, true, Forward, 1, "KPEnter", Rgb(225, 134, 0)}, // 23: H[23] = (255, 152, 0) x 225
    GoldenCase{14, true, Forward, 2, "F1", Rgb(181, 225, 0)},      // 24 + 11 = 35: H[35] = (206, 255, 0) x 225
    GoldenCase{14, true, Forward, 2, "Esc", Rgb(195, 38, 0)},      // H[12] x 195
    // tick 17, group 16 "K = K P P K": h = 16 + 11 x 76 = 852 -> 84, then 85;
    // K ends on 85 + 66 = 151, P on 140, = on 107.
    GoldenCase{14, true, Forward, 17, "K", Rgb(134, 0, 225)},      // H[151] = (152, 0, 255) x 225
    GoldenCase{14, true, Forward, 17, "P", Rgb(44, 0, 225)},       // H[140] = (50, 0, 255) x 225
    GoldenCase{14, true, Forward, 17, "=", Rgb(0, 100, 225)},      // H[107] = (0, 114, 255) x 225
    // tick 21, pair 0 "9 /": h = 20 + 11 x 91 = 1021 -> 253, then 254; 9
    // gets 255 (H[63]), / gets 256 -> 0 (H[0]).
    GoldenCase{14, true, Forward, 21, "9", Rgb(0, 225, 0)},
    GoldenCase{14, true, Forward, 21, "/", Rgb(225, 0, 0)},
    GoldenCase{14, false, Forward, 1, "Esc", Rgb(225, 90, 45)},
    // 15: drops in row 0 of columns 10, 13, 16, then 3, 6, 9; the cell put
    // under column 9 at the restart rises. Fading 255 -> 235 215.
    GoldenCase{15, false, Forward, 1, "F7", Rgb(235, 94, 47)},
    GoldenCase{15, false, Forward, 1, "F1", Rgb(0, 0, 0)},
    GoldenCase{15, false, Forward, 2, "F1", Rgb(235, 94, 47)},
    GoldenCase{15, false, Forward, 2, "9", Rgb(235, 94, 47)},     // the column 10 drop, one row down
    GoldenCase{15, false, Forward, 2, "F7", Rgb(215, 86, 43)},
    GoldenCase{15, false, Forward, 2, "RAlt", Rgb(235, 94, 47)},  // (9, 5), risen from (9, 6)
    // 16: the ripple from (1, 0), an empty cell, spreads one cell per tick.
    GoldenCase{16, false, Forward, 1, "Esc", Rgb(0, 0, 0)},
    GoldenCase{16, false, Forward, 2, "Esc", Rgb(235, 94, 47)},   // (2, 0)
    GoldenCase{16, false, Forward, 2, "`", Rgb(235, 94, 47)},     // (1, 1)
    GoldenCase{16, false, Forward, 3, "Tab", Rgb(235, 94, 47)},   // (1, 2)
    GoldenCase{16, false, Forward, 3, "1", Rgb(235, 94, 47)},     // (2, 1)
    GoldenCase{16, false, Forward, 3, "Esc", Rgb(215, 86, 43)},
    GoldenCase{16, false, Forward, 3, "Q", Rgb(0, 0, 0)},         // (2, 2) is two cells away
    GoldenCase{16, false, Forward, 5, "K45", Rgb(235, 94, 47)},   // (1, 4)
    GoldenCase{16, false, Forward, 5, "LShift", Rgb(0, 0, 0)},
    GoldenCase{16, false, Forward, 6, "LShift", Rgb(235, 94, 47)}, // (0, 4), down-left
    // 18: ring r shows H[phase + 21(r + 1)], phase +2 from 0.
    GoldenCase{18, false, Forward, 1, "O", Rgb(255, 152, 0)},     // H[23]
    GoldenCase{18, false, Forward, 1, "KPEnter", Rgb(2, 255, 0)}, // ring 11: 254 -> H[62] = (F30, 255, 0)
    GoldenCase{18, false, Backward, 1, "KPEnter", Rgb(12, 255, 0)} // 190 + 252 = 442 -> H[58] = (F26, 255, 0)
));

// ---- the edge cases ----

TEST(PreviewColumnWave, BackwardWithMulticolourMovesNineHuesDownPerTick)
{
    PreviewRun run(1, true, Backward);
    for (int tick = 1; tick <= 30; ++tick) {
        run.Tick();
        int phase = ((-9 * tick) % 192 + 192) % 192;
        // Column 22 is 198 hues ahead, which is 6 round the wheel.
        EXPECT_EQ(RgbText(run.Colour("KPEnter")), RgbText(WheelAt(phase + 6))) << "tick " << tick;
        EXPECT_EQ(RgbText(run.Colour("LShift")), RgbText(WheelAt(phase))) << "tick " << tick;
    }
    PreviewRun first(1, true, Backward);
    first.Tick();
    EXPECT_EQ(RgbText(first.Colour("KPEnter")), RgbText(Rgb(255, 0, 4))); // phase 183: H[189]
}

TEST(PreviewRingWave, BackwardFromPhaseZeroContinuesAt190)
{
    PreviewRun run(18, false, Backward);
    run.Tick();
    EXPECT_EQ(RgbText(run.Colour("O")), RgbText(Rgb(255, 109, 0))); // 190 + 21 = 211 -> H[19] = (255, R19, 0)
    run.Tick();
    EXPECT_EQ(RgbText(run.Colour("O")), RgbText(WheelAt(188 + 21)));
}

TEST(PreviewMulticolour, StepsFourElevenTwelveAndEighteenIgnoreIt)
{
    for (uint32_t step : {4u, 11u, 12u, 18u}) {
        PreviewRun on(step, true, Forward, Rgb(10, 20, 30));
        PreviewRun off(step, false, Forward, Rgb(200, 100, 0));
        for (int tick = 1; tick <= 5; ++tick)
            EXPECT_EQ(on.Tick().colours, off.Tick().colours) << "step " << step << " tick " << tick;
    }
    // The steps that offer it do change with it.
    PreviewRun on(1, true);
    PreviewRun off(1, false);
    EXPECT_NE(on.Tick().colours, off.Tick().colours);
}

TEST(PreviewDrops, FirstDropsFallInColumnsTenThirteenSixteenAndReachTheBottomFiveTicksLater)
{
    const uint32_t fresh = Rgb(235, 94, 47);
    const std::vector<std::string> topRow = Words("Esc F1 F2 F3 F4 F5 F6 F7 F8 F9 F10 F11 F12 PrtSc ScrLk Pause");
    auto freshInTopRow = [&](const PreviewRun& run) {
        std::set<std::string> keys;
        for (const std::string& key : topRow) {
            if (run.Colour(key) == fresh)
                keys.insert(key);
        }
        return keys;
    };
    PreviewRun run(15);
    run.Tick();
    EXPECT_EQ(freshInTopRow(run), (std::set<std::string>{"F7", "F10", "PrtSc"})); // columns 10, 13, 16
    run.Tick();
    EXPECT_EQ(freshInTopRow(run), (std::set<std::string>{"F1", "F4", "F6"}));     // columns 3, 6, 9
    run.Tick();
    EXPECT_EQ(freshInTopRow(run), (std::set<std::string>{"Esc"}));               // columns 19, 22 are empty there, 2
    run.TickTo(5);
    EXPECT_EQ(run.Colour("Left"), 0u);
    run.Tick(); // the column 16 drop of tick 1 is in the bottom row at tick 6
    EXPECT_EQ(RgbText(run.Colour("Left")), RgbText(fresh));
}

TEST(PreviewRipples, NewRippleInColumnNineEverySixTicksAlternatelyFromTopAndBottom)
{
    // F6 is the top cell of column 9, , the fifth row's. A ripple rising from
    // below the picture (ticks 1, 13, 25, 37) passes , two ticks later and
    // reaches F6 at ticks 7, 19, 31, where a falling one starts and passes ,
    // four ticks later.
    const uint32_t fresh = Rgb(175, 70, 35);
    std::set<int> topLit;
    std::set<int> fifthRowLit;
    PreviewRun run(13);
    for (int tick = 1; tick <= 40; ++tick) {
        run.Tick();
        if (run.Colour("F6") == fresh)
            topLit.insert(tick);
        if (run.Colour(",") == fresh)
            fifthRowLit.insert(tick);
    }
    EXPECT_EQ(topLit, (std::set<int>{7, 19, 31}));
    EXPECT_EQ(fifthRowLit, (std::set<int>{3, 11, 15, 23, 27, 35, 39}));
}

TEST(PreviewCornerRipples, EachFrontStartsTheNextFromTheOppositeCorner)
{
    // The ripple from (1, 0) lights Esc (2, 0) at tick 2 and keypad Enter
    // (22, 4), 25 cells away, at tick 26; its front is under the bottom right
    // corner (22, 6) after 27 ticks, so a ripple starts there at tick 28. That
    // one lights keypad Enter two cells away at tick 30 and Esc 26 cells away
    // at tick 54, reaches (1, 0) after 27 ticks and starts the next there at
    // tick 55, which lights Esc again at tick 56.
    const uint32_t fresh = Rgb(235, 94, 47);
    std::set<int> escLit;
    std::set<int> enterLit;
    PreviewRun run(16);
    for (int tick = 1; tick <= 60; ++tick) {
        run.Tick();
        if (run.Colour("Esc") == fresh)
            escLit.insert(tick);
        if (run.Colour("KPEnter") == fresh)
            enterLit.insert(tick);
    }
    EXPECT_EQ(escLit, (std::set<int>{2, 54, 56}));
    EXPECT_EQ(enterLit, (std::set<int>{26, 30}));
}

TEST(PreviewRestart, ColumnWaveContinuesWhereItStoodRingWaveStartsOver)
{
    PreviewRun run(1, true);
    run.TickTo(2); // phase 18
    run.Choose(4);
    run.Tick();
    run.Choose(1);
    run.Tick();    // phase 27: column 2 shows H[45]
    EXPECT_EQ(RgbText(run.Colour("Esc")), RgbText(Rgb(94, 255, 0)));

    run.Choose(18);
    run.Tick();
    run.Tick();
    run.Choose(1);
    run.Tick();
    run.Choose(18);
    run.Tick();    // phase 2 again
    EXPECT_EQ(RgbText(run.Colour("O")), RgbText(Rgb(255, 152, 0)));
}

TEST(PreviewRestart, SparklesDropsAndCornerRipplesStartDark)
{
    struct Case {
        uint32_t step;
        std::set<std::string> lit; // at the first tick after choosing the effect again
    };
    const Case cases[] = {
        {10, {"LAlt", "KP0", "F11"}}, // the sparkle place carries on: 30 after 10 ticks, then 31 to 33
        {15, {"F7", "F10", "PrtSc"}},
        {16, {}},
    };
    for (const Case& c : cases) {
        PreviewRun run(c.step);
        run.TickTo(10);
        run.Choose(1);
        run.Tick();
        run.Choose(c.step);
        run.Tick();
        std::set<std::string> lit;
        for (const auto& [key, id] : KeyControls()) {
            if (run.Colour(key) != 0)
                lit.insert(key);
        }
        EXPECT_EQ(lit, c.lit) << "step " << c.step;
    }
}

TEST(PreviewRestart, RipplesAndSweepFadeOnWhereTheyStood)
{
    PreviewRun ripples(13);
    ripples.TickTo(4); // K lit
    ripples.Choose(1);
    ripples.Tick();
    ripples.Choose(13);
    ripples.Tick();
    EXPECT_EQ(RgbText(ripples.Colour("K")), RgbText(Rgb(95, 38, 19)));

    // The sweep starts over from group 0 with the hue counter at 0, while F2,
    // lit at tick 3 with hue 2 + 11 x 4 + 1 + 11 = 58, fades on to 195.
    PreviewRun sweep(14, true);
    sweep.TickTo(3);
    sweep.Choose(1);
    sweep.Tick();
    sweep.Choose(14);
    sweep.Tick();
    EXPECT_EQ(RgbText(sweep.Colour("F2")), RgbText(Rgb(9, 195, 0)));   // H[58] = (12, 255, 0) x 195
    EXPECT_EQ(RgbText(sweep.Colour("Esc")), RgbText(Rgb(225, 44, 0))); // H[12] x 225, as at the first tick
}

TEST(PreviewRestart, KeyHueCycleSetsItsHuesOnlyOnce)
{
    PreviewRun run(11);
    run.Tick();
    run.Choose(15);
    run.Tick();
    run.Choose(11);
    run.Tick();    // Pause: 33 + 3 + 3
    EXPECT_EQ(RgbText(run.Colour("Pause")), RgbText(WheelAt(39)));
}

TEST(PreviewSweep, WaitsForPThenRipplesOutOfOAndStartsOverWhenKeypadEnterIsDark)
{
    // After the 31 pairs (ticks 21 to 51) P fades out; only then does a
    // ripple start at O, it reaches keypad Enter 14 cells away, and once
    // keypad Enter is dark the sweep starts again with Esc.
    const uint32_t fresh = Rgb(225, 225, 225);
    PreviewRun run(14, false, Forward, 0xFFFFFF);
    run.TickTo(51);
    int pDark = 0, oLit = 0, enterLit = 0, enterDark = 0, escLit = 0;
    while (run.ticks < 400 && escLit == 0) {
        run.Tick();
        int t = run.ticks;
        if (!pDark && run.Colour("P") == 0)
            pDark = t;
        if (!oLit && run.Colour("O") == fresh)
            oLit = t;
        if (oLit && !enterLit && run.Colour("KPEnter") == fresh)
            enterLit = t;
        if (enterLit && !enterDark && run.Colour("KPEnter") == 0)
            enterDark = t;
        if (enterDark && run.Colour("Esc") == fresh)
            escLit = t;
    }
    // P, last lit at tick 51, has faded out by tick 77.
    EXPECT_EQ(pDark, 77);
    // A stage change takes effect on the next tick: tick 78 sees P dark,
    // tick 79 puts O's cell into the planes, tick 80 lights it.
    EXPECT_EQ(oLit, pDark + 3);
    EXPECT_EQ(enterLit - oLit, 14);
    EXPECT_GT(enterDark, enterLit);
    EXPECT_EQ(escLit, enterDark + 2);
}

// With multicolour the lit keys take hues drawn at random: each shows some
// wheel colour faded once, and the same seed draws the same hues.
TEST(PreviewRandomHues, LitKeysShowWheelColours)
{
    for (uint32_t seed : {0u, 1u, 99u, 0xFFFFFFFFu}) {
        PreviewRun run(10, true);
        run.inputs.randomSeed = seed;
        run.Tick();
        for (const char* key : {"RAlt", ";", "K45"}) {
            uint32_t shown = run.Colour(key);
            bool onWheel = false;
            for (uint32_t hue : Wheel())
                onWheel = onWheel || Dimmed(hue, 235) == shown;
            EXPECT_TRUE(onWheel) << key << " shows " << RgbText(shown) << " with seed " << seed;
        }
        EXPECT_EQ(run.Colour("Y"), 0u);
    }
    PreviewRun a(13, true), b(13, true);
    for (int tick = 1; tick <= 10; ++tick)
        EXPECT_EQ(a.Tick().colours, b.Tick().colours);
}

TEST(PreviewPaint, StillEffectsClearTheOverlaysAndUserColoursKeepThem)
{
    for (uint32_t step : {0u, 7u, 8u, 9u, 17u, 19u, 21u, 255u}) {
        PreviewRun run(step, true);
        EXPECT_EQ(run.Tick().paint, PreviewPaint::ClearOverlays) << "step " << step;
    }
    PreviewRun user(20);
    EXPECT_EQ(user.Tick().paint, PreviewPaint::Keep);
}

TEST(PreviewRepaint, OnlyKeysWhoseColourChanged)
{
    PreviewFrame none;
    PreviewRun run(12); // rows change colour every tick
    PreviewFrame first = run.Tick();
    EXPECT_TRUE(ChangedPreviewKeys(none, first).all()) << "nothing painted yet";
    PreviewFrame second = run.Tick();
    EXPECT_TRUE(ChangedPreviewKeys(first, second).all());
    EXPECT_TRUE(ChangedPreviewKeys(second, second).none());

    PreviewRun fixed(6);
    PreviewFrame still = fixed.Tick();
    EXPECT_TRUE(ChangedPreviewKeys(still, fixed.Tick()).none());

    PreviewRun sparkle(10);
    PreviewFrame before = sparkle.Tick();
    PreviewFrame after = sparkle.Tick();
    // Tick 2 lights three new keys and fades the three of tick 1.
    EXPECT_EQ(ChangedPreviewKeys(before, after).count(), 6u);

    PreviewFrame cleared;
    cleared.paint = PreviewPaint::ClearOverlays;
    EXPECT_TRUE(ChangedPreviewKeys(cleared, after).all());
    EXPECT_TRUE(ChangedPreviewKeys(after, cleared).none());
}

} // namespace
