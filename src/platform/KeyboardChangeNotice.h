#pragma once

#include "platform/SingleInstance.h"

#include <cstdint>
#include <optional>
#include <string>

// rt604ctl tells the running window what it changed on the keyboard, so that
// the window re-reads just that instead of showing what it read before.
//
// The message's parameter carries the changed parts in its low byte and, in
// the upper 24 bits, which keyboard it was: 0 for a real one, else a digest
// of the virtual keyboard's state file. A window running on another keyboard
// takes only the rules from it.
inline constexpr uint32_t MsgKeyboardChanged = 0x4348; // "CH"

namespace KeyboardPart {
inline constexpr uint32_t Profile = 0x01;    // the active profile
inline constexpr uint32_t KeyMap = 0x02;     // key maps (an import among them)
inline constexpr uint32_t Macros = 0x04;     // the macro memory
inline constexpr uint32_t Lighting = 0x08;   // lighting records
inline constexpr uint32_t KeyColours = 0x10; // per-key colours (user modes)
inline constexpr uint32_t Rules = 0x20;      // automatic-profile rules
inline constexpr uint32_t All = 0x3F;
} // namespace KeyboardPart

// 0 for the real keyboard (empty path); never 0 for a state file.
uint32_t KeyboardIdentity(const std::string& virtualStateFile);

uint32_t EncodeKeyboardChange(uint32_t parts, uint32_t keyboard);
// The parts that concern a window on this keyboard (the rules whatever the
// keyboard); nothing when none does. Unknown bits (a newer rt604ctl) are
// dropped.
std::optional<uint32_t> DecodeKeyboardChange(uint32_t param, uint32_t keyboard);

// Sends the message to the instance that holds the lock in the runtime
// folder, waiting at most timeoutMs for it to take it. Never blocks longer:
// the window's re-reading is its own business.
SendResult TellRunningInstance(uint32_t parts, const std::string& virtualStateFile, int timeoutMs);
