#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "macro/MacroBlock.h"

// The keyboard's macro memory: a 16-byte header, a table of record offsets
// and one record per macro (event count, cycles, name length, 4-byte events,
// optional UTF-16LE name). All offsets little-endian.
inline constexpr uint16_t MacroImageSignature = 0x55AA;
inline constexpr size_t MacroImageHeaderSize = 16;
inline constexpr size_t ImageLengthOffset = 2;     // u16 total length
inline constexpr size_t ImageCountOffset = 4;      // u16 N
inline constexpr size_t ImageNamesFlagOffset = 6;  // u16 1 with names
inline constexpr size_t ImageOffsetTableOffset = 16; // N x u16
inline constexpr size_t MacroRecordHeaderSize = 4;
inline constexpr size_t ImageEventSize = 4;
// The length field and the record offsets are 16-bit.
inline constexpr size_t MaxMacroImageLength = 0xFFFF;
inline constexpr uint32_t ImageDelayUnitMs = 10;
inline constexpr uint16_t MaxImageDelayUnits = 0x0FFF;

struct MacroImageSizes {
    uint32_t withNames = 0;
    uint32_t withoutNames = 0;
};

// One event as the image holds it, and back. The delay is stored in 10 ms
// units, rounded down; delays past the 12-bit field are stored as its
// largest value instead of wrapping round to a short pause.
std::array<uint8_t, ImageEventSize> EncodeImageEvent(const MacroEvent& event);
MacroEvent DecodeImageEvent(const uint8_t* bytes);

// ---- Over macro blocks in image order ----
// The document's and the device copy's macro areas are runs of whole
// 32512-byte blocks; the key function editor's working copies are blocks of
// their own. Both are measured and built by the same code.

// Views of the whole blocks of a run of bytes.
std::vector<ConstMacroBlock> MacroBlockViews(std::span<const uint8_t> macros);

MacroImageSizes ComputeMacroImageSize(std::span<const ConstMacroBlock> macros);
MacroImageSizes ComputeMacroImageSize(std::span<const uint8_t> macros);
// Fills image (its size is the total length) from the blocks. Refuses (0)
// when the size is not the one ComputeMacroImageSize gives for the names
// flag, when it does not fit the 16-bit length field, or when there are more
// than 100 macros; 1 when built.
int32_t BuildMacroImage(std::span<const ConstMacroBlock> macros, std::span<uint8_t> image, bool withNames);
int32_t BuildMacroImage(std::span<const uint8_t> macros, std::span<uint8_t> image, bool withNames);

// How many macros DecodeMacroImage makes of an image: 0 without the
// signature, never more than 100 nor more offsets than the image holds.
int DecodedMacroCount(std::span<const uint8_t> image);
// Decodes into whole blocks of macroArea (at most its size / 32512 macros)
// and returns how many. A record outside the image becomes an empty macro
// so later macros keep their positions; events, names and counts are cut to
// what lies inside the image and fits the block. Macros without a stored
// name are called namePrefix followed by their 1-based position.
int DecodeMacroImage(std::span<uint8_t> macroArea, std::span<const uint8_t> image, std::string_view namePrefix);

// The decoded macro area (DecodedMacroCount blocks).
std::vector<uint8_t> DecodeMacroImage(std::span<const uint8_t> image, std::string_view namePrefix);
