#pragma once

#include "device/protocol/CommandFrame.h"
#include "device/virtual/KeyboardMemories.h"

#include <cstdint>
#include <optional>

// The virtual keyboard's firmware: how it answers one request frame, as a
// pure function of its memories and the frame. No threads, timing or faults
// here; VirtualKeyboard adds those.

struct FirmwareOutcome {
    std::optional<Frame> reply; // none for the loader switch
    bool changedMemory = false;
    bool enterLoader = false;
    bool endUpdate = false;
    uint32_t faults = 0; // FrameFault bits of a refused frame
};

// Answers one request as the keyboard does: a bad checksum is refused with
// 0xFF and every other broken rule (VirtualKeyboardChecks.h) with 0xFE, both
// without changing anything. groupOpen is the keyboard's BeginUpdate state:
// BeginUpdate opens it, EndUpdate closes it.
FirmwareOutcome HandleRequest(KeyboardMemories& memories, const Frame& request, bool& groupOpen);
// The same for a frame on its own, with no group open.
FirmwareOutcome HandleRequest(KeyboardMemories& memories, const Frame& request);

// The keyboard's own effect key: the active profile's record (byte 0) takes
// the next effect code of the information block after the one it holds,
// wrapping round and skipping empty entries. false when it offers none.
bool NextEffectOnKeyboard(KeyboardMemories& memories);
