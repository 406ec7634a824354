#pragma once

#include "device/protocol/CommandFrame.h"
#include "device/virtual/KeyboardMemories.h"

#include <cstdint>
#include <span>
#include <string>

// What the keyboard checks of every report written to its configuration
// collection. A frame that breaks a rule is one the hardware would not take:
// the virtual keyboard refuses it and reports it, so a program fault shows
// up in the tests instead of on an owner's keyboard.
enum FrameFault : uint32_t {
    FaultReportId = 1u << 0,      // byte 0 is not the configuration report's id 0x04
    FaultWriteLength = 1u << 1,   // not one whole 64-byte report
    FaultChecksum = 1u << 2,      // bytes 1, 2 are not the sum of bytes 3..63
    FaultReserved = 1u << 3,      // byte 7 is not 0
    FaultCommand = 1u << 4,       // a command the keyboard does not have
    FaultLength = 1u << 5,        // a length the command does not take
    FaultOffset = 1u << 6,        // bytes outside the addressed memory
    FaultTrailingData = 1u << 7,  // data bytes beyond the length are not 0
    FaultOutsideGroup = 1u << 8,  // a memory write or parameter read with no BeginUpdate open
    FaultValue = 1u << 9,         // a value the memory cannot hold (an active profile past 2)
    // Two programs talking at once, as a strict keyboard sees it (acted on,
    // but reported: see CheckConversation).
    FaultGroupInGroup = 1u << 10,   // a BeginUpdate while a group is open
    FaultForeignInGroup = 1u << 11, // a request that belongs in no group, inside one
};

// "checksum, data beyond the length" and the like, for messages.
std::string DescribeFrameFaults(uint32_t faults);

// The report as it crosses the bus: one whole report with the right id.
uint32_t CheckReportWrite(std::span<const uint8_t> report);

// The frame's fields against the command table, the keyboard's memories and
// whether a BeginUpdate group is open. The loader switch is checked as the
// exact frame it is (no checksum, nothing but its id, command and length).
uint32_t CheckRequestFrame(const KeyboardMemories& memories, const Frame& request, bool groupOpen);

// Whether the request can belong to the conversation of the open group: a
// group holds only memory writes and parameter reads, and never another
// group. FaultGroupInGroup or FaultForeignInGroup, 0 when it fits. (A program
// that re-sends BeginUpdate after a lost reply is flagged too; keyboards
// that drop replies on purpose do not use this check.)
uint32_t CheckConversation(const Frame& request, bool groupOpen);

// One line naming the frame and its faults, for the keyboard's reports.
std::string DescribeRefusedFrame(const Frame& request, uint32_t faults);

// Every frame a virtual keyboard refuses as one the hardware would not take
// is also told here, as one line, whichever keyboard of the process it was.
// The default sink appends the line to the file that the environment
// variable RT604_FRAME_VIOLATIONS names, when it names one: test runs watch
// the programs they start through it. nullptr restores the default.
using FrameViolationSink = void (*)(const std::string& line);
void SetFrameViolationSink(FrameViolationSink sink);
// Tells a refused frame's line to the process's sink.
void ReportViolation(const std::string& line);
