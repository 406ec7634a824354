#pragma once

#include <string>

// The installation's preset user mode file ("Skins/UserDengColor_3.userd"),
// which the per-profile user mode files are copies of. It is only ever
// copied, never parsed.

// Its bytes, or empty when it is missing, not a regular file or larger than
// any preset can be; a copy of nothing gives a user mode file that reads as
// the defaults. A preset that cannot be read is said so once per run on
// standard error, so a broken installation is not silent.
std::string ReadUserModePreset();
// "%s%d%s": userPresetPrefix, profile, ".userd".
std::string UserModeFilePath(int profile);
