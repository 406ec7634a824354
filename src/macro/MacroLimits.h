#pragma once

#include <cstddef>

// What the document needs of a macro block without its whole layout: its size,
// where its id lies and how many macros the program holds.
inline constexpr size_t MacroBlockSize = 32512; // 0x7F00
inline constexpr int MaxMacroCount = 100;
inline constexpr size_t MacroIdOffset = 506; // u16 inside a macro block
