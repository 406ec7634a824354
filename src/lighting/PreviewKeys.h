#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The keys the effect preview animates and the grid they sit in on the
// keyboard picture; the preview and its tables both count by these.

// The animated keys: the main window's key buttons without the right Windows
// key, plus Fn. They are numbered 0..105 along the preview's snake path
// (Pause first, keypad 5 last); PreviewKeyControls gives each one's control id.
inline constexpr size_t PreviewKeyCount = 106;
extern const std::array<uint16_t, PreviewKeyCount> PreviewKeyControls;

// The picture's physical columns (0 left Shift/Ctrl .. 22 keypad - / + /
// Enter) by the six key rows (0 the function-key row .. 5 the bottom row).
inline constexpr int PreviewGridColumns = 23;
inline constexpr int PreviewGridRows = 6;
