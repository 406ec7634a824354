#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "lighting/PreviewKeys.h"

// The constant tables the effect preview draws with: colour ramps, level
// curves and the arrangements of the key buttons on the keyboard picture.
// Only the preview and its tests include this.
namespace PreviewTables {

// The preview keys, numbered along the snake path that runs once round the
// picture: the function-key row from the right, down the left edge, along
// the bottom row, up the right edge, back along the number row, then the
// rest in loops. Steps that light single keys keep one entry per key in
// this order.
enum Key : uint8_t {
    Pause, ScrollLock, PrintScreen, F12, F11, F10, F9, F8, F7, F6, F5, F4, F3, F2, F1, Esc,
    Grave, Tab, CapsLock, LeftShift, LeftCtrl,
    LeftWin, LeftAlt, Space, RightAlt, Fn, Menu, RightCtrl, Left, Down, Right, Pad0, PadDot,
    PadEnter, PadPlus, PadMinus, PadStar, PadSlash, NumLock,
    PageUp, Home, Insert, Backspace, Equals, Minus,
    Digit0, Digit9, Digit8, Digit7, Digit6, Digit5, Digit4, Digit3, Digit2, Digit1,
    Q, A, K45, Z, X, C, V, B, N, M, Comma, Period, Slash, K56, RightShift, Up,
    Pad1, Pad2, Pad3, Pad6, Pad9, Pad8, Pad7,
    PageDown, End, Delete, Backslash, RightBracket, LeftBracket,
    P, O, I, U, Y, T, R, E, W,
    S, D, F, G, H, J, K, L, Semicolon, Quote, Enter, Pad4, Pad5,
    KeyCount,
    None = 0xFF, // an empty cell of the grid
};
static_assert(KeyCount == PreviewKeyCount);

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

inline constexpr size_t HueWheelSize = 192;

// Six segments of 32 hues from red through yellow, green, cyan, blue and
// magenta back to red.
extern const std::array<Rgb, HueWheelSize> HueWheel;
// Brightness curves: a rise and the same fall (96 and 128 entries), and a
// short flash with a long tail that ends in 49 dark entries (129: index 128
// is reachable, see step 2).
extern const std::array<uint8_t, 96> Level96;
extern const std::array<uint8_t, 128> Level128;
extern const std::array<uint8_t, 129> Level129;

// The physical columns of the picture, each from the function-key row down
// to the bottom row. A wide key (Enter, Backspace, right Shift, keypad 0...)
// sits in two cells.
extern const std::array<std::array<Key, PreviewGridRows>, PreviewGridColumns> Grid;

// Rings of keys round O, from O outwards.
inline constexpr size_t RingCount = 12;
extern const std::array<std::span<const Key>, RingCount> Rings;

// The order in which the sparkles of step 10 light the keys.
extern const std::array<Key, PreviewKeyCount> SparkleOrder;

// Step 14: the sweep from the corners towards the middle (one group per
// tick), then the pairs round O.
inline constexpr size_t SweepGroupCount = 20;
inline constexpr size_t SweepPairCount = 16;
extern const std::array<std::span<const Key>, SweepGroupCount> SweepGroups;
extern const std::array<std::array<Key, 2>, SweepPairCount> SweepPairs;

} // namespace PreviewTables
