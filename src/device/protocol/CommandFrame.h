#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The 64-byte frame both directions of the configuration collection carry.
// Request: report id, checksum (sum of bytes 3..63, low byte first), command,
// length, 16-bit offset, a reserved byte, 56 data bytes. Reply: 7 header
// bytes, a status byte, 56 data bytes.
inline constexpr size_t FrameBytes = 64;
inline constexpr size_t FrameDataBytes = 56;
inline constexpr size_t FrameDataOffset = 8;
inline constexpr uint8_t FrameReportId = 0x04;

using Frame = std::array<uint8_t, FrameBytes>;

enum DeviceCommand : uint8_t {
    CmdBeginUpdate = 0x01,
    CmdEndUpdate = 0x02,
    CmdReadDeviceInfo = 0x03,
    CmdWriteDeviceInfo = 0x04,
    CmdReadParams = 0x05,
    CmdWriteParams = 0x06,
    CmdReadKeyMap = 0x07,
    CmdWriteKeyMap = 0x08,
    CmdReadMacroMemory = 0x09,
    CmdWriteMacroMemory = 0x0A,
    CmdReadDefaultKeyMap = 0x0F,
    CmdReadKeyColors = 0x10,
    CmdWriteKeyColors = 0x11,
    CmdEnterLoader = 0xEE,
};

// Reply status bytes: the keyboard's refusals. Every other value is success.
inline constexpr uint8_t StatusBadChecksum = 0xFF;
inline constexpr uint8_t StatusRefused = 0xFE;
inline constexpr uint8_t StatusOk = 0x01;

struct FrameRequest {
    uint8_t command = 0;
    uint8_t length = 0;
    uint16_t offset = 0;
    std::span<const uint8_t> data; // the meaningful data bytes, at most 56
};

uint16_t FrameChecksum(const Frame& frame);
bool FrameChecksumValid(const Frame& frame);

// A request with its checksum. Data beyond 56 bytes is not sent; the length
// byte still says what the caller asked for, so the keyboard can refuse it.
Frame BuildRequest(uint8_t command, uint8_t length, uint16_t offset, std::span<const uint8_t> data = {});
// The loader switch: command and length both 0xEE and no checksum at all.
Frame BuildEnterLoaderFrame();
bool IsEnterLoaderFrame(const Frame& frame);

// Reads a request's fields; the data span points into the frame and is cut
// to the 56 bytes a frame holds.
FrameRequest ParseRequest(const Frame& frame);

// A reply that echoes the request's header, with a status and read data.
Frame BuildReply(const Frame& request, uint8_t status, std::span<const uint8_t> data = {});
uint8_t ReplyStatus(const Frame& reply);
// 1 for success, -102 for 0xFF, -103 for 0xFE.
int32_t StatusResult(uint8_t status);

// Copies a request of any length into a frame: shorter ones are padded with
// zeros, longer ones cut at 64 bytes.
Frame FrameFromBytes(std::span<const uint8_t> bytes);
