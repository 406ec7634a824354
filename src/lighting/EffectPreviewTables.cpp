#include "lighting/EffectPreviewTables.h"

using namespace PreviewTables;

// Control ids of the main window's key buttons, in preview key order. Fn has
// a button of its own; the right Windows key is not animated.
const std::array<uint16_t, PreviewKeyCount> PreviewKeyControls = {
    1093, 1092, 1091, 1028, 1027, 1026, 1025, 1024, 1023, 1015, 1014, 1013, 1012, 1011, 1010, 1022, // Pause .. Esc
    1029, 1056, 1069, 1082, 1083,                                                                   // ` Tab Caps LShift LCtrl
    1084, 1085, 1090, 1086, 1174, 1088, 1089, 1100, 1101, 1102, 1120, 1119,                         // LWin .. keypad .
    1118, 1111, 1107, 1106, 1105, 1104,                                                             // keypad Enter .. Num Lock
    1096, 1095, 1094, 1043, 1041, 1040,                                                             // Page Up .. -
    1039, 1038, 1037, 1036, 1035, 1034, 1033, 1032, 1031, 1030,                                     // 0 9 .. 1
    1044, 1058, 1199, 1071, 1072, 1073, 1074, 1075, 1076, 1077, 1078, 1079, 1080, 1200, 1081, 1103, // Q A K45 Z .. Up
    1115, 1116, 1117, 1114, 1110, 1109, 1108,                                                       // keypad 1 2 3 6 9 8 7
    1099, 1098, 1097, 1042, 1055, 1054,                                                             // Page Down .. [
    1053, 1052, 1051, 1050, 1049, 1048, 1047, 1046, 1045,                                           // P O I U Y T R E W
    1059, 1060, 1061, 1062, 1063, 1064, 1065, 1066, 1067, 1068, 1070, 1112, 1113,                   // S .. ' Enter keypad 4 5
};

namespace {

constexpr size_t SegmentLength = 32;
constexpr std::array RisingRamp = {
    1, 3, 5, 7, 10, 14, 18, 22, 26, 32, 38, 44, 50, 57, 65, 73,
    81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255,
};
constexpr std::array FallingRamp = {
    248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
    69, 61, 53, 47, 41, 35, 29, 24, 20, 16, 12, 8, 6, 4, 2, 0,
};

static_assert(RisingRamp.size() == SegmentLength && FallingRamp.size() == SegmentLength);

constexpr std::array<Rgb, HueWheelSize> BuildHueWheel()
{
    std::array<Rgb, HueWheelSize> wheel{};
    for (size_t i = 0; i < SegmentLength; ++i) {
        auto up = static_cast<uint8_t>(RisingRamp[i]);
        auto down = static_cast<uint8_t>(FallingRamp[i]);
        wheel[i] = {255, up, 0};
        wheel[SegmentLength + i] = {down, 255, 0};
        wheel[2 * SegmentLength + i] = {0, 255, up};
        wheel[3 * SegmentLength + i] = {0, down, 255};
        wheel[4 * SegmentLength + i] = {up, 0, 255};
        wheel[5 * SegmentLength + i] = {255, 0, down};
    }
    return wheel;
}

// The first values of `head`, then zeros up to N.
template <size_t N, size_t M>
constexpr std::array<uint8_t, N> Padded(const std::array<int, M>& head)
{
    static_assert(M <= N);
    std::array<uint8_t, N> curve{};
    for (size_t i = 0; i < M; ++i)
        curve[i] = static_cast<uint8_t>(head[i]);
    return curve;
}

// A curve that rises through `half` and falls back through it in reverse.
template <size_t N>
constexpr std::array<uint8_t, 2 * N> RiseAndFall(const std::array<int, N>& half)
{
    std::array<uint8_t, 2 * N> curve{};
    for (size_t i = 0; i < N; ++i)
        curve[i] = curve[2 * N - 1 - i] = static_cast<uint8_t>(half[i]);
    return curve;
}

constexpr std::array Rise48 = {
    22, 24, 27, 30, 33, 36, 39, 42, 45, 49, 53, 57, 61, 65, 69, 73,
    77, 81, 85, 89, 94, 99, 104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255,
};
constexpr std::array Rise64 = {
    3, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 18, 20,
    22, 24, 27, 30, 33, 36, 39, 42, 45, 49, 53, 57, 61, 65, 69, 73,
    77, 81, 85, 89, 94, 99, 104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255,
};

// A flash to full brightness and its tail; the curve ends in 49 zeros.
constexpr std::array Flash80 = {
    0, 4, 8, 14, 22, 33, 45, 61, 77, 94, 114, 134, 158, 182, 206, 234,
    255, 248, 241, 234, 227, 220, 213, 206, 200, 194, 188, 182, 176, 170, 164, 158,
    152, 146, 140, 134, 129, 124, 119, 114, 109, 104, 99, 94, 89, 85, 81, 77,
    73, 69, 65, 61, 57, 53, 49, 45, 42, 39, 36, 33, 30, 27, 24, 22,
    20, 18, 16, 14, 12, 10, 9, 8, 7, 6, 5, 4, 3, 2, 2, 1,
};
static_assert(Rise48.size() == 48 && Rise64.size() == 64 && Flash80.size() == 80);

constexpr std::array Ring0 = {O};
constexpr std::array Ring1 = {Digit9, I, K, L, P, Digit0};
constexpr std::array Ring2 = {F8, Digit8, U, J, M, Comma, Period, Semicolon, LeftBracket, Minus};
constexpr std::array Ring3 = {F7, Digit7, Y, H, N, RightAlt, Slash, Quote, RightBracket, Equals, F9};
constexpr std::array Ring4 = {F6, Digit6, T, G, B, Fn, Backslash, K56, Backspace, F10, F11};
constexpr std::array Ring5 = {F5, Digit5, R, F, V, Space, Menu, Delete, Insert, F12, Enter, RightShift};
constexpr std::array Ring6 = {F4, Digit4, E, D, C, Left, Up, End, Home, PrintScreen, RightCtrl};
constexpr std::array Ring7 = {F3, Digit3, W, S, X, Down, Right, PageDown, PageUp, Pause, ScrollLock};
// Keypad 4 is listed twice; painting it twice in one colour changes nothing.
constexpr std::array Ring8 = {F2, Digit2, Q, A, Z, LeftAlt, Pad1, Pad4, Pad7, NumLock, Pad4};
constexpr std::array Ring9 = {F1, Digit1, Tab, CapsLock, K45, LeftShift, LeftWin, Pad0, Pad2, Pad5, Pad8, PadSlash};
constexpr std::array Ring10 = {Esc, Grave, LeftCtrl, PadDot, Pad3, Pad6, Pad9, PadStar};
constexpr std::array Ring11 = {PadEnter, PadPlus, PadMinus};
static_assert(Ring0.size() + Ring1.size() + Ring2.size() + Ring3.size() + Ring4.size() + Ring5.size()
        + Ring6.size() + Ring7.size() + Ring8.size() + Ring9.size() + Ring10.size() + Ring11.size()
    == PreviewKeyCount + 1);

// Keys listed twice in a group take the hue of their last place.
constexpr std::array Sweep0 = {Esc, PadEnter};
constexpr std::array Sweep1 = {F1, PadDot};
constexpr std::array Sweep2 = {F2, Pad0};
constexpr std::array Sweep3 = {F3, Right, Grave, PadEnter};
constexpr std::array Sweep4 = {F4, Down, Digit1, Pad3};
constexpr std::array Sweep5 = {F5, Left, Digit2, Pad2};
constexpr std::array Sweep6 = {F6, RightCtrl, Digit3, Pad1, Tab, PadPlus};
constexpr std::array Sweep7 = {F7, Menu, Digit4, Up, Q, Pad6};
constexpr std::array Sweep8 = {F8, Fn, Digit5, RightShift, W, Pad5};
constexpr std::array Sweep9 = {F9, RightAlt, Digit6, Slash, E, Pad4};
constexpr std::array Sweep10 = {Equals, Comma, Digit7, Period, R};
constexpr std::array Sweep11 = {RightBracket, K, Digit8, Comma, T};
constexpr std::array Sweep12 = {Quote, I, Digit9, K, Y, Enter};
constexpr std::array Sweep13 = {Slash, Digit9, Digit0, I, U, Quote};
constexpr std::array Sweep14 = {Period, Digit0, P, Digit9, I, Semicolon};
constexpr std::array Sweep15 = {Comma, Minus, L, Digit0, O, L};
constexpr std::array Sweep16 = {K, Equals, K, P, P, K};
constexpr std::array Sweep17 = {I, RightBracket, I, L, LeftBracket};
constexpr std::array Sweep18 = {Digit9, Quote};
constexpr std::array Sweep19 = {Digit0, Slash};
static_assert(Sweep0.size() + Sweep1.size() + Sweep2.size() + Sweep3.size() + Sweep4.size() + Sweep5.size()
        + Sweep6.size() + Sweep7.size() + Sweep8.size() + Sweep9.size() + Sweep10.size() + Sweep11.size()
        + Sweep12.size() + Sweep13.size() + Sweep14.size() + Sweep15.size() + Sweep16.size() + Sweep17.size()
        + Sweep18.size() + Sweep19.size()
    == 91);

} // namespace

namespace PreviewTables {

const std::array<Rgb, HueWheelSize> HueWheel = BuildHueWheel();
const std::array<uint8_t, 96> Level96 = RiseAndFall(Rise48);
const std::array<uint8_t, 128> Level128 = RiseAndFall(Rise64);
const std::array<uint8_t, 129> Level129 = Padded<129>(Flash80);

const std::array<std::array<Key, PreviewGridRows>, PreviewGridColumns> Grid = {{
    {None, None, None, None, LeftShift, LeftCtrl},
    {None, Grave, Tab, CapsLock, K45, LeftWin},
    {Esc, Digit1, Q, A, Z, LeftAlt},
    {F1, Digit2, W, S, X, None},
    {F2, Digit3, E, D, C, None},
    {F3, Digit4, R, F, V, None},
    {F4, Digit5, T, G, B, Space},
    {None, Digit6, Y, H, N, None},
    {F5, Digit7, U, J, M, None},
    {F6, Digit8, I, K, Comma, RightAlt},
    {F7, Digit9, O, L, Period, RightAlt},
    {F8, Digit0, P, Semicolon, Slash, Fn},
    {F9, Minus, LeftBracket, Quote, K56, Menu},
    {F10, Equals, RightBracket, Enter, None, None},
    {F11, Backspace, Backslash, Enter, RightShift, RightCtrl},
    {F12, Backspace, Backslash, None, RightShift, RightCtrl},
    {PrintScreen, Insert, Delete, None, None, Left},
    {ScrollLock, Home, End, None, Up, Down},
    {Pause, PageUp, PageDown, None, None, Right},
    {None, NumLock, Pad7, Pad4, Pad1, Pad0},
    {None, PadSlash, Pad8, Pad5, Pad2, Pad0},
    {None, PadStar, Pad9, Pad6, Pad3, PadDot},
    {None, PadMinus, None, PadPlus, PadEnter, None},
}};

const std::array<std::span<const Key>, RingCount> Rings = {
    Ring0, Ring1, Ring2, Ring3, Ring4, Ring5, Ring6, Ring7, Ring8, Ring9, Ring10, Ring11,
};

const std::array<Key, PreviewKeyCount> SparkleOrder = {
    Y, RightAlt, Semicolon, K45, Grave, RightShift, PadMinus, PadPlus, PadStar, Digit4,
    PageDown, CapsLock, F3, Period, H, F6, PadEnter, Insert, Q, Digit3,
    Digit7, F, Pad7, Up, F5, Space, PageUp, F12, Quote, Tab,
    Comma, LeftAlt, Pad0, F11, O, Pad8, Esc, C, Digit1, LeftWin,
    LeftBracket, D, F9, V, Digit6, LeftCtrl, F10, F1, K56, J,
    Pad1, RightCtrl, Backslash, ScrollLock, Pad5, U, Digit9, Pad9, PadSlash, Pad3,
    PadDot, End, F7, Down, Pad2, A, Minus, K, F2, Digit8,
    Backspace, S, E, Delete, I, T, Equals, Left, Z, X,
    NumLock, Digit2, PrintScreen, B, M, R, G, Pad6, W, Home,
    Fn, Menu, F8, Right, Digit5, P, Digit0, Slash, LeftShift, Enter,
    L, RightBracket, F4, N, Pad4, Pause,
};

const std::array<std::span<const Key>, SweepGroupCount> SweepGroups = {
    Sweep0, Sweep1, Sweep2, Sweep3, Sweep4, Sweep5, Sweep6, Sweep7, Sweep8, Sweep9,
    Sweep10, Sweep11, Sweep12, Sweep13, Sweep14, Sweep15, Sweep16, Sweep17, Sweep18, Sweep19,
};

const std::array<std::array<Key, 2>, SweepPairCount> SweepPairs = {{
    {Digit9, Slash}, {Digit0, Period}, {Minus, Comma}, {Equals, K},
    {RightBracket, I}, {Quote, Digit9}, {Slash, Digit0}, {Period, Minus},
    {Comma, Equals}, {K, RightBracket}, {I, Quote}, {O, Semicolon},
    {P, L}, {LeftBracket, O}, {Semicolon, P}, {L, LeftBracket},
}};

} // namespace PreviewTables
