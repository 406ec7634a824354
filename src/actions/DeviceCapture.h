#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Turns the keyboard's contents (the key maps of its three profiles and its
// macro memory) into a profile file: slot groups 0..2 from the maps, group 3
// empty, the macros decoded from the image (with numbered names where the
// image carries none), no strings. The file is replaced atomically, so a
// failed capture leaves the old one as it was.
// 1 written; 0 when the keyboard is not reachable, a read fails or the file
// cannot be written.
int32_t CaptureDeviceToFile(const std::string& path);

// The same file's bytes, for callers that write it themselves. 1 filled; 0
// when the keyboard is not reachable or a read fails (file left empty).
int32_t CaptureDeviceToBytes(std::vector<uint8_t>& file);
