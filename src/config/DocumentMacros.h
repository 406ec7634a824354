#pragma once

#include <cstdint>
#include <vector>

#include "macro/MacroBlock.h"

// The document's and the device copy's macros, measured and built by the
// macro image's code.

// Views of the document's and of the device copy's macros; the caller holds
// the document lock, or the device-copy lock, for as long as it uses them.
std::vector<ConstMacroBlock> DocumentMacroViews();
std::vector<ConstMacroBlock> DeviceMacroViews();
// From the device copy, under its lock.
void ComputeMacroImageSize(uint32_t& withNames, uint32_t& withoutNames);
// From the device copy, under its lock; buffer holds totalLength bytes.
// withNames: 1 with names, 0 without. 1 done, 0 refused (as BuildMacroImage
// over blocks refuses).
int32_t BuildMacroImage(uint8_t* buffer, uint32_t totalLength, int withNames);
