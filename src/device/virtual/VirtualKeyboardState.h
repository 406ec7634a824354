#pragma once

#include "device/virtual/KeyboardMemories.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The state file's codec: the keyboard's memories as the bytes of a file.
std::vector<uint8_t> EncodeKeyboardState(const KeyboardMemories& memories);
// false, with out untouched, for bytes that are not a whole and undamaged
// state file of a known model.
bool DecodeKeyboardState(const uint8_t* bytes, size_t size, KeyboardMemories& out);
