#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "config/ConfigDocument.h"

// Profile files ("*.vpf" and the profile cache "$Profile0"): the block, the
// macro area and the packed strings one after the other. Every save builds
// the whole file in memory and replaces the target atomically, so a failed
// save leaves the old file as it was.

// A program path or text block of one slot holds at most 32767 UTF-16
// units and its terminator. Longer strings are not read from a file.
inline constexpr uint32_t MaxSlotStringBytes = 65536;
// The largest file the format can need: the block, 100 macros and a string
// of the largest size for every slot. Larger files are refused unread.
inline constexpr uint64_t LargestProfileFileBytes =
    ConfigBlockSize + uint64_t{MaxMacroCount} * MacroBlockSize + uint64_t{KeySlotCount} * MaxSlotStringBytes;

// What is wrong with a profile file, in the order the checks run.
enum class ProfileFault {
    None,
    Missing,
    CannotOpen,      // the system's reason is in ProfileCheck::error
    TooShort,        // fewer than 32832 bytes
    TooLarge,        // more than LargestProfileFileBytes, in the file or its header
    BadSignature,    // offset 0 is not 0x4446
    BadHeaderLength, // offset 2 is not 32
    BadProfileCount, // offset 4 is not 3
    BadVersion,      // offset 6 is not 1
    TotalTooSmall,   // offset 8 below 32832
    BadSlotCount,    // offset 12 is not 2048
    TooManyMacros,   // offset 14 above 100
    BadFlag,         // offset 30 above 1
    LengthMismatch,  // offset 8 is not 32832 + N * 32512 + S
    BadChecksum,     // byte 31 is not the sum of bytes 0..30
    Truncated,       // the file is shorter than the header's total length
    TrailingBytes,   // the file is longer than the header's total length
};

// A short English reason, for tools and logs.
const char* ProfileFaultText(ProfileFault fault);

struct ProfileCheck {
    ProfileFault fault = ProfileFault::None;
    int error = 0; // errno or FileAccess.h code, for CannotOpen
    // ProfileFaultText, with the system's reason when there is one.
    std::string Reason() const;
};

// The header checks on 32 bytes.
ProfileFault CheckProfileHeader(std::span<const uint8_t> header);
// The header checks and the file length against the header's total length,
// without any message.
ProfileCheck InspectProfileFile(const std::string& path);
ProfileFault ExamineProfileFile(const std::string& path);
// The bytes of a complete, valid profile file, read once into the buffer
// they are returned in; empty with check telling why otherwise. Shows no
// message.
std::vector<uint8_t> ReadProfileFileBytes(const std::string& path, ProfileCheck& check);

// What a file must hold, from its 32-byte header: the larger of its total
// length and the sum of its areas; 0 when the header names more macros or
// bytes than the format allows.
uint64_t RequiredProfileFileBytes(const uint8_t* header);

// A profile file's three areas, bounded by its header: the block, macroCount
// whole macro blocks and the string area of the header's string bytes.
struct ProfileFileAreas {
    std::span<const uint8_t> block;
    std::span<const uint8_t> macros;
    uint16_t macroCount = 0;
    std::span<const uint8_t> strings;
};
// Nothing when the file is shorter than RequiredProfileFileBytes or the
// header is unusable. The areas are as the file has them: nothing repaired.
std::optional<ProfileFileAreas> SplitProfileFile(std::span<const uint8_t> file);

// Where the string of a type-3 or type-6 slot lies in the string area: from
// the slot's offset rounded down to even up to a terminator inside the area.
struct SlotString {
    bool found = false;
    uint32_t firstUnit = 0;
    uint32_t endUnit = 0; // the terminator's unit
    // With the terminator.
    uint64_t Bytes() const { return (uint64_t{endUnit} - firstUnit + 1) * 2; }
};
// One entry per slot of the block. A slot of another type, or whose offset
// leads to no terminator inside the area, finds nothing. Slots may share a
// string or point into the middle of one.
std::vector<SlotString> FindSlotStrings(const ConfigBlock& block, std::span<const uint8_t> area);
// The text of a found string, without its terminator.
std::u16string SlotStringText(std::span<const uint8_t> area, const SlotString& string);

// The document as file bytes. Rebuilds the document's header and the string
// offsets of its type-3 and type-6 slots, as saving does. The caller holds
// the document lock; empty when the document has no block.
std::vector<uint8_t> BuildProfileFileBytes();
// 1 written, 0 not (error, when given, gets the reason: an errno value or a
// FileAccess.h code). lockSwitch: take the document lock here (0 when the
// caller holds it).
int32_t SaveDocumentToFile(int lockSwitch, const std::string& path, int* error = nullptr);
