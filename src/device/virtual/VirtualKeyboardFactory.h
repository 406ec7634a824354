#pragma once

#include "device/virtual/KeyboardMemories.h"
#include "device/virtual/VirtualKeyboardOptions.h"

#include <cstdint>
#include <vector>

// The keyboard as it leaves the factory: its memories and the report
// descriptors of its interfaces.

// The factory state of a model (product 0x5000 or 0) with a macro memory of
// macroUnits × 128 bytes.
KeyboardMemories FactoryMemories(uint16_t productId, uint8_t macroUnits);
// The factory memories of a keyboard made with options: its model, macro
// memory and effect list.
KeyboardMemories FactoryMemories(const VirtualKeyboardOptions& options);
// The factory key map: position k holds the key whose light has colour
// index k (row × 21 + column); positions 126 and 127 exist on the 128-key model.
std::vector<uint8_t> FactoryKeyMap(uint16_t productId);
// The key code at each position of the factory map (0 for none): G keys as
// 511 + n, Fn and empty positions 0. Sized to the model's key count.
std::vector<uint16_t> FactoryKeyCodes(uint16_t productId);
inline constexpr int FnPosition = 110;

// Report descriptors of the virtual keyboard's interfaces.
// The keyboard's interface: the vendor collection (report 4, 63 data bytes
// each way) first, then Consumer Control (report 3, one 16-bit usage).
const std::vector<uint8_t>& KeyboardReportDescriptor();
// An ordinary three-button mouse of another vendor.
const std::vector<uint8_t>& MouseReportDescriptor();
inline constexpr uint8_t NoticeReportId = 3;
