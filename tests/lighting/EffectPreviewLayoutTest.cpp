// The arrangements of keys the preview draws with (grid, snake, rings,
// sparkle order, sweep groups and pairs), written out here key by key and
// checked through the colours the steps that use them paint.
#include "PreviewTestSupport.h"

#include "keys/KeyTable.h"

#include <algorithm>
#include <set>

namespace {

constexpr uint32_t White = 0xFFFFFF;

// The grid by rows (the function-key row first), 23 columns each.
const char* const GridRows[PreviewGridRows] = {
    "_ _ Esc F1 F2 F3 F4 _ F5 F6 F7 F8 F9 F10 F11 F12 PrtSc ScrLk Pause _ _ _ _",
    "_ ` 1 2 3 4 5 6 7 8 9 0 - = Bksp Bksp Ins Home PgUp NumLk KP/ KP* KP-",
    "_ Tab Q W E R T Y U I O P [ ] \\ \\ Del End PgDn KP7 KP8 KP9 _",
    "_ Caps A S D F G H J K L ; ' Enter Enter _ _ _ _ KP4 KP5 KP6 KP+",
    "LShift K45 Z X C V B N M , . / K56 _ RShift RShift _ Up _ KP1 KP2 KP3 KPEnter",
    "LCtrl LWin LAlt _ _ _ Space _ _ RAlt RAlt Fn Menu _ RCtrl RCtrl Left Down Right KP0 KP0 KP. _",
};

const char* const Snake =
    "Pause ScrLk PrtSc F12 F11 F10 F9 F8 F7 F6 F5 F4 F3 F2 F1 Esc ` Tab Caps LShift LCtrl "
    "LWin LAlt Space RAlt Fn Menu RCtrl Left Down Right KP0 KP. KPEnter KP+ KP- KP* KP/ NumLk "
    "PgUp Home Ins Bksp = - 0 9 8 7 6 5 4 3 2 1 Q A K45 Z X C V B N M , . / K56 RShift Up "
    "KP1 KP2 KP3 KP6 KP9 KP8 KP7 PgDn End Del \\ ] [ P O I U Y T R E W S D F G H J K L ; ' Enter KP4 KP5";

const char* const Rings[] = {
    "O",
    "9 I K L P 0",
    "F8 8 U J M , . ; [ -",
    "F7 7 Y H N RAlt / ' ] = F9",
    "F6 6 T G B Fn \\ K56 Bksp F10 F11",
    "F5 5 R F V Space Menu Del Ins F12 Enter RShift",
    "F4 4 E D C Left Up End Home PrtSc RCtrl",
    "F3 3 W S X Down Right PgDn PgUp Pause ScrLk",
    "F2 2 Q A Z LAlt KP1 KP4 KP7 NumLk KP4",
    "F1 1 Tab Caps K45 LShift LWin KP0 KP2 KP5 KP8 KP/",
    "Esc ` LCtrl KP. KP3 KP6 KP9 KP*",
    "KPEnter KP+ KP-",
};

const char* const Sparkles =
    "Y RAlt ; K45 ` RShift KP- KP+ KP* 4 PgDn Caps F3 . H F6 KPEnter Ins Q 3 7 F KP7 Up F5 Space "
    "PgUp F12 ' Tab , LAlt KP0 F11 O KP8 Esc C 1 LWin [ D F9 V 6 LCtrl F10 F1 K56 J KP1 RCtrl \\ "
    "ScrLk KP5 U 9 KP9 KP/ KP3 KP. End F7 Down KP2 A - K F2 8 Bksp S E Del I T = Left Z X NumLk 2 "
    "PrtSc B M R G KP6 W Home Fn Menu F8 Right 5 P 0 / LShift Enter L ] F4 N KP4 Pause";

const char* const SweepGroups[] = {
    "Esc KPEnter", "F1 KP.", "F2 KP0", "F3 Right ` KPEnter", "F4 Down 1 KP3", "F5 Left 2 KP2",
    "F6 RCtrl 3 KP1 Tab KP+", "F7 Menu 4 Up Q KP6", "F8 Fn 5 RShift W KP5", "F9 RAlt 6 / E KP4",
    "= , 7 . R", "] K 8 , T", "' I 9 K Y Enter", "/ 9 0 I U '", ". 0 P 9 I ;", ", - L 0 O L",
    "K = K P P K", "I ] I L [", "9 '", "0 /",
};

const char* const SweepPairs[] = {
    "9 /", "0 .", "- ,", "= K", "] I", "' 9", "/ 0", ". -", ", =", "K ]", "I '", "O ;", "P L", "[ O", "; P", "L [",
};

std::set<std::string> KeysAt(const PreviewFrame& frame, uint32_t colour)
{
    std::set<std::string> keys;
    for (const auto& [name, id] : KeyControls()) {
        if (KeyColour(frame, name) == colour)
            keys.insert(name);
    }
    return keys;
}

std::set<std::string> KeySet(const std::string& text)
{
    std::vector<std::string> words = Words(text);
    return {words.begin(), words.end()};
}

TEST(PreviewKeys, AreTheKeyButtonsWithoutRightWindowsPlusFn)
{
    std::multiset<uint16_t> expected;
    for (const ButtonKey& button : ButtonKeyTable) {
        if (button.controlId != 1087)
            expected.insert(button.controlId);
    }
    expected.insert(1174);
    std::multiset<uint16_t> animated(PreviewKeyControls.begin(), PreviewKeyControls.end());
    EXPECT_EQ(animated, expected);
    EXPECT_EQ(KeyControls().size(), PreviewKeyCount);
}

// Step 1 (multicolour, one tick forward from phase 0) gives column c the hue
// 9 + 9c; a key in two cells shows the later column. Step 12 (one tick
// forward) gives row r the hue 3 + 32r.
TEST(PreviewLayout, GridPlacesEveryKeyInItsColumnsAndRow)
{
    const uint32_t columnColours[PreviewGridColumns] = {
        Rgb(255, 32, 0), Rgb(255, 99, 0), Rgb(255, 200, 0), Rgb(194, 255, 0), Rgb(94, 255, 0), Rgb(29, 255, 0),
        Rgb(0, 255, 0), Rgb(0, 255, 26), Rgb(0, 255, 89), Rgb(0, 255, 188), Rgb(0, 206, 255), Rgb(0, 104, 255),
        Rgb(0, 35, 255), Rgb(0, 2, 255), Rgb(22, 0, 255), Rgb(81, 0, 255), Rgb(176, 0, 255), Rgb(255, 0, 220),
        Rgb(255, 0, 114), Rgb(255, 0, 41), Rgb(255, 0, 4), Rgb(255, 18, 0), Rgb(255, 73, 0),
    };
    const uint32_t rowColours[PreviewGridRows] = {
        Rgb(255, 7, 0), Rgb(206, 255, 0), Rgb(0, 255, 7), Rgb(0, 206, 255), Rgb(7, 0, 255), Rgb(255, 0, 206),
    };
    PreviewRun columns(1, true);
    columns.Tick();
    PreviewRun rows(12);
    rows.Tick();

    std::map<std::string, int> lastColumn;
    for (int r = 0; r < PreviewGridRows; ++r) {
        std::vector<std::string> cells = Words(GridRows[r]);
        ASSERT_EQ(cells.size(), static_cast<size_t>(PreviewGridColumns)) << "row " << r;
        for (int c = 0; c < PreviewGridColumns; ++c) {
            const std::string& key = cells[static_cast<size_t>(c)];
            if (key == "_")
                continue;
            lastColumn[key] = c;
            EXPECT_EQ(RgbText(rows.Colour(key)), RgbText(rowColours[r])) << key << " in row " << r;
        }
    }
    EXPECT_EQ(lastColumn.size(), PreviewKeyCount);
    for (const auto& [key, c] : lastColumn)
        EXPECT_EQ(RgbText(columns.Colour(key)), RgbText(columnColours[c])) << key << " in column " << c;
}

// Step 3 (multicolour, one tick forward) gives snake position i the hue 4 + 5i.
TEST(PreviewLayout, SnakeRunsThroughEveryKeyOnce)
{
    std::vector<std::string> snake = Words(Snake);
    ASSERT_EQ(snake.size(), PreviewKeyCount);
    EXPECT_EQ(KeySet(Snake).size(), PreviewKeyCount);
    PreviewRun run(3, true);
    run.Tick();
    for (size_t i = 0; i < snake.size(); ++i)
        EXPECT_EQ(RgbText(run.Colour(snake[i])), RgbText(WheelAt(4 + 5 * static_cast<int>(i)))) << snake[i] << " at " << i;
}

// Step 6 with multicolour gives ring r the hue 131 - 11r.
TEST(PreviewLayout, RingsSurroundO)
{
    const uint32_t ringColours[] = {
        Rgb(7, 0, 255), Rgb(0, 20, 255), Rgb(0, 94, 255), Rgb(0, 220, 255), Rgb(0, 255, 152), Rgb(0, 255, 50),
        Rgb(0, 255, 3), Rgb(29, 255, 0), Rgb(114, 255, 0), Rgb(248, 255, 0), Rgb(255, 129, 0), Rgb(255, 38, 0),
    };
    PreviewRun run(6, true);
    run.Tick();
    std::set<std::string> seen;
    for (size_t r = 0; r < std::size(Rings); ++r) {
        for (const std::string& key : Words(Rings[r])) {
            seen.insert(key);
            EXPECT_EQ(RgbText(run.Colour(key)), RgbText(ringColours[r])) << key << " in ring " << r;
        }
    }
    EXPECT_EQ(seen.size(), PreviewKeyCount);
}

// Step 10 lights the next three places of the sparkle order at every tick,
// starting after the first place; a freshly lit key has faded once, to 235.
TEST(PreviewLayout, SparklesVisitEveryKeyInTheirOrder)
{
    std::vector<std::string> order = Words(Sparkles);
    ASSERT_EQ(order.size(), PreviewKeyCount);
    EXPECT_EQ(KeySet(Sparkles).size(), PreviewKeyCount);
    PreviewRun run(10, false, 0xFF, White);
    for (int tick = 1; tick <= 36; ++tick) {
        std::set<std::string> expected;
        for (int n = 0; n < 3; ++n)
            expected.insert(order[static_cast<size_t>(3 * tick - 2 + n) % PreviewKeyCount]);
        EXPECT_EQ(KeysAt(run.Tick(), Rgb(235, 235, 235)), expected) << "tick " << tick;
    }
}

// Step 14 lights sweep group n at tick n + 1, then pair n % 16 at tick
// n + 21 for n up to 30; a freshly lit key has faded once, to 225.
TEST(PreviewLayout, SweepLightsItsGroupsThenThePairsRoundO)
{
    PreviewRun run(14, false, 0xFF, White);
    for (size_t n = 0; n < std::size(SweepGroups); ++n)
        EXPECT_EQ(KeysAt(run.Tick(), Rgb(225, 225, 225)), KeySet(SweepGroups[n])) << "group " << n;
    for (size_t n = 0; n <= 30; ++n)
        EXPECT_EQ(KeysAt(run.Tick(), Rgb(225, 225, 225)), KeySet(SweepPairs[n % 16])) << "pair counter " << n;
}

} // namespace
