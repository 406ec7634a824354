#pragma once

#include "device/protocol/DeviceState.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Requests to the keyboard over g_configChannel, one 64-byte frame each way.
//
// Results (signed): 1 done; 0 no keyboard connected (nothing sent), no reply
// after the last attempt, or arguments the frame cannot carry (nothing
// sent); -1 the request could not be written; -102 / -103 the keyboard
// refused it (status 0xFF / 0xFE); -104 (KeyboardBusy) another program
// kept the keyboard busy for the whole wait (nothing sent, see
// KeyboardConversation.h); -201 a profile index outside 0..2 (nothing sent).
// Each command, and each chunked transfer, is one conversation.

struct TransportTimings {
    int writeTimeoutMs = 1000;
    int readTimeoutMs = 300;
    int attempts = 4;
    int endUpdatePauseMs = 10;
};
TransportTimings CurrentTransportTimings();
// For tests that provoke time-outs; the defaults are the keyboard's.
void SetTransportTimings(const TransportTimings& timings);

// One request and its reply. The request is padded or cut to 64 bytes and
// sent exactly as built. g_deviceLock is held over each attempt's write and
// read, and reports already waiting (late replies to earlier requests) are
// discarded before each write, so the reply read belongs to this request;
// of a keyboard that echoes requests, replies to other requests that come
// late are skipped (ReplyMatch.h). The whole exchange is one conversation.
// 1 reply read; 0 not connected or no reply after every attempt; -1 write
// failed; KeyboardBusy.
int32_t Transact(const uint8_t* request, size_t length, uint8_t* reply, size_t replyLength, size_t* transferred);
// A request that gets no reply. 1 written; 0 not connected or write failed;
// KeyboardBusy.
int32_t SendOnly(const uint8_t* request, size_t length);

int32_t BeginUpdate();
// Waits endUpdatePauseMs (10 ms) first: the keyboard needs it after a group.
int32_t EndUpdate();

// The 44-byte information block: byte 10 active profile, byte 11 macro
// memory in 128-byte units, bytes 12..43 effect codes.
int32_t ReadDeviceInfo(std::span<uint8_t, DeviceInfoBytes> info);
// Writes the whole block back; only the active profile byte means anything
// to the keyboard, so callers write back what they read with byte 10 changed.
int32_t WriteDeviceInfo(std::span<const uint8_t, DeviceInfoBytes> info);

// Reads n (0..56) bytes at offset; the reply's 56 data bytes go to the
// buffer (as many as it holds).
int32_t ReadParams(std::span<uint8_t> buffer, int n, int offset);
// Writes 1..56 bytes at offset.
int32_t WriteParams(std::span<const uint8_t> bytes, int offset);

// Chunked in 56-byte frames; a failing chunk ends the transfer with its
// result (chunks already moved stay moved). The buffer must hold keyMapBytes.
int32_t ReadKeyMap(std::span<uint8_t> buffer, int profile);
int32_t WriteKeyMap(std::span<const uint8_t> buffer, int profile);
// The macro memory from offset 0, buffer.size() bytes (at most 65536).
int32_t ReadMacroMemory(std::span<uint8_t> buffer);
int32_t WriteMacroMemory(std::span<const uint8_t> buffer);
// The factory key map, keyMapBytes bytes.
int32_t ReadDefaultKeyMap(std::span<uint8_t> buffer);

// 1..56 colour bytes (red, green, blue per key) of a profile, from firstKey.
int32_t WriteKeyColors(std::span<const uint8_t> bytes, int firstKey, int profile);

// Switches the keyboard to its loader; it leaves the bus and sends no reply.
int32_t EnterLoader();
