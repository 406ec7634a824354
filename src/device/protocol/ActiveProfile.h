#pragma once

#include <cstdint>

// The keyboard's active profile, as its device info names it.

// The keyboard holds three profiles, 0..2.
inline constexpr int32_t KeyboardProfileCount = 3;

// The active profile 0..2: the cached one, or the keyboard's (then cached).
// -1 when the keyboard does not answer or names no profile of its three.
int32_t GetCurrentProfile();

// Makes profile 0..2 the keyboard's active one. Any other index sends
// nothing. When the keyboard cannot be read nothing changes; when the write
// fails the cache becomes -1, so the next GetCurrentProfile asks again.
// 1 switched; 0 not.
int32_t SetCurrentProfile(int32_t index);
