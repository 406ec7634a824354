#pragma once

#include <cstdint>
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

// 1 valid; 0 missing, too small, 4 GiB or larger (no message) or invalid
// (the "PROFILE_FORMAT_ERROR" message with the path); -2 cannot be opened;
// -3 out of memory. The file's length is not compared with its header.
int32_t ValidateProfileFile(const std::string& path);
// ValidateProfileFile, and then the file's length must equal the header's
// total length; an import runs this before it frees the old document.
// A length that differs shows the same format message and gives 0.
int32_t CheckProfileFileComplete(const std::string& path);

// The document as file bytes. Rebuilds the document's header and the string
// offsets of its type-3 and type-6 slots, as saving does. The caller holds
// the document lock; empty when the document has no block.
std::vector<uint8_t> BuildProfileFileBytes();
// 1 written, 0 not (error, when given, gets the reason: an errno value or a
// FileAccess.h code). lockSwitch: take the document lock here (0 when the
// caller holds it).
int32_t SaveDocumentToFile(int lockSwitch, const std::string& path, int* error = nullptr);
// Saves into the profile cache of the current profile, only when that file
// already exists (error ENOENT when it does not).
int32_t SaveDocumentToProfileCache(int lockSwitch, int* error = nullptr);

// Tells the user that a file could not be written, and why
// ("MAIN_PROMPT_SAVE_FAILED" with the path and the system's reason).
void ShowSaveFailure(const std::string& path, int error);

// Creates the per-user folder (with its parents) on first use and seeds the
// three "UserDengColor_%d.userd" files from the installation's preset 3
// (empty files when the preset is missing). 1 when the folder exists.
int32_t EnsureUserFolder();
// userFolder + "/$Profile0" for every index: one file holds all profiles.
std::string ProfileCachePath(int profileIndex);
