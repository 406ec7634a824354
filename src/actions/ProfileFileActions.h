#pragma once

#include <cstdint>
#include <string>

// The profile-file work that talks to the owner or picks the paths: the
// checks that show the format message, the save-failure message, and the
// per-user folder with its profile cache.

// 1 valid; 0 missing, too small, 4 GiB or larger (no message) or invalid
// (the "PROFILE_FORMAT_ERROR" message with the path); -2 cannot be opened;
// -3 out of memory. The file's length is not compared with its header.
int32_t ValidateProfileFile(const std::string& path);
// ValidateProfileFile, and then the file's length must equal the header's
// total length; an import runs this before it frees the old document.
// A length that differs shows the same format message and gives 0.
int32_t CheckProfileFileComplete(const std::string& path);

// Saves into the profile cache of the current profile, only when that file
// already exists (error ENOENT when it does not). lockSwitch as for
// SaveDocumentToFile.
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
