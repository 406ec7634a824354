#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes a whole file through a temporary file in the same folder that
// replaces the target only once every byte is on disk, so a failure or a
// crash leaves the old file as it was. Returns true when the target now
// holds exactly the given bytes.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);
bool WriteFileAtomically(const std::string& path, const std::string& text);

// Reads a whole regular file. Fails for a missing file, a folder, or a file
// larger than maxBytes (hostile input must not decide our allocation).
bool ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes);
