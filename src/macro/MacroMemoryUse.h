#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "macro/MacroList.h"
#include "macro/MacroImage.h"

// How much of the keyboard's macro memory a set of macros takes and which
// image the device writer sends for it. The writer and the key function
// editor's gauge both ask here, so the gauge shows exactly what is sent.

enum class MacroFit {
    WithNames,    // the image with the names fits
    WithoutNames, // only the image without names fits: the names are dropped
    TooLarge,     // not even the image without names fits: nothing is sent
};

struct MacroMemoryUse {
    MacroImageSizes sizes;
    uint32_t capacity = 0; // bytes; 0 while the keyboard has not told
    MacroFit fit = MacroFit::TooLarge;

    // The length of the image that is sent; 0 when none is.
    uint32_t ImageBytes() const;
};

// The writer's choice: with names when the capacity holds them, else without
// when that fits, else nothing. Images past the 16-bit length field never fit.
MacroMemoryUse ChooseMacroImage(const MacroImageSizes& sizes, uint32_t capacity);
MacroMemoryUse MeasureMacroMemory(std::span<const ConstMacroBlock> macros, uint32_t capacity);
// The key function editor's working copies. The selected macro's rows are
// stored into its copy first, as a change of selection stores them, so the
// copies are measured as an apply would hand them over.
MacroMemoryUse MeasureMacroMemory(MacroList& list, uint32_t capacity);

// The macros' names in order when an image without names would lose any of
// them; empty when each macro already has the name it gets back from such an
// image (namePrefix followed by its 1-based position).
std::vector<std::u16string> NamesLostWithoutImage(std::span<const ConstMacroBlock> macros,
                                                  std::string_view namePrefix);
