#pragma once

#include "device/protocol/CommandFrame.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

// How a virtual keyboard is made (VirtualKeyboard.h), and the frames it logs.

struct VirtualKeyboardOptions {
    uint16_t productId = 0x5000; // 0x5000: 128 keys; 0: 126 keys
    uint8_t macroUnits = 64;     // DeviceInfo byte 11, units of 128 bytes
    bool plugged = true;
    // A mouse of another vendor beside the keyboard, for the scans to skip.
    bool withMouse = true;
    // true: paths spell "vid_320f&pid_5000" as Windows paths do; false: the
    // ids are only in the enumeration, as with hidraw nodes.
    bool pathsWithIds = true;
    // The lighting effect codes of the information block (bytes 12..43),
    // 0x00 and 0xFE for empty entries; unset: the factory list.
    std::optional<std::array<uint8_t, 32>> effectCodes;
    // After EnterLoader the keyboard runs its firmware loader and is gone
    // from the bus; it comes back (as after a replug) once this has passed.
    std::chrono::milliseconds loaderTime{4000};
    // Reports a request that cannot belong to the open group's conversation
    // (CheckConversation) as a violation; the keyboard still acts on it, as
    // hardware would. For keyboards that several programs talk to at once.
    bool strictConversations = false;
};

enum class FrameDirection { Request, Reply };

struct LoggedFrame {
    FrameDirection direction;
    Frame frame;
    uint32_t faults = 0; // FrameFault bits of a request the keyboard refused as malformed
};
