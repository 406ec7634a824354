#pragma once

#include <cstdint>

// The device copy and the keyboard's active profile.

// Snapshots the document into g_deviceDoc (block with a fresh header, the
// macros, the packed strings) under the device-copy lock and runs the device
// writer with allProfiles. The caller holds the document lock and has saved
// the document first, so the string offsets of both agree. The writer's
// result; 0 without running it when the document has no block.
int32_t CopyDocumentForDevice(int allProfiles);

// The active profile 0..2: the cached one, or the keyboard's (then cached).
// -1 when the keyboard does not answer or names no profile of its three.
int32_t GetCurrentProfile();

// Makes profile 0..2 the keyboard's active one. Any other index sends
// nothing. When the keyboard cannot be read nothing changes; when the write
// fails the cache becomes -1, so the next GetCurrentProfile asks again.
// 1 switched; 0 not.
int32_t SetCurrentProfile(int32_t index);
