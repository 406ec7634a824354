#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The keyboard's macro memory decoded for the owner: macros the image holds
// without a name are called by the language's "MACRO_NEW_PREFIX" text and
// their 1-based position, as a macro recorded in the editor would be.
int DecodeMacroImage(std::span<uint8_t> macroArea, std::span<const uint8_t> image);
// The decoded macro area (DecodedMacroCount blocks).
std::vector<uint8_t> DecodeMacroImage(std::span<const uint8_t> image);
