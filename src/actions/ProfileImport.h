#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/UserPrompts.h"
#include "config/ProfileFile.h"

// Importing a profile file into the document and the keyboard, and exporting
// the document to a file. File choices and messages go through Prompts().

// The file dialogs of both commands ("*.vpf").
FileChoice ImportFileChoice();
FileChoice ExportFileChoice();

// Results of an import.
inline constexpr int32_t ImportDone = 1;          // loaded, and the keyboard took all three profiles
inline constexpr int32_t ImportInvalid = 0;       // not a complete profile file: nothing changed
inline constexpr int32_t ImportNotWritten = -1;   // loaded, but the keyboard did not take it
inline constexpr int32_t ImportDoesNotFit = -2;   // loaded, but nothing was sent: the macros do not fit

// The whole file is checked (header, and its length against the header's
// total) before the old document is touched; an invalid file shows the
// format message and "MAIN_PROMPT_INPORT" and changes nothing. A valid one
// replaces the document, is saved into the profile cache, written to the
// keyboard with all three profiles, and shown on the key buttons. The main
// window's Apply is disabled when the keyboard took it; otherwise it stays
// enabled and the next Apply rewrites all three profiles.
int32_t ImportProfileFile(const std::string& path);
// The same from bytes already read and checked by ReadImportFile;
// saveCache false leaves the profile cache alone (the command-line tool).
int32_t ImportProfileBytes(const std::vector<uint8_t>& file, bool saveCache);
// The file's bytes when it is a complete, valid profile file; messages as
// ImportProfileFile shows them otherwise, and why (when given) says what is
// wrong.
std::optional<std::vector<uint8_t>> ReadImportFile(const std::string& path, ProfileCheck* why = nullptr);
// Asks for a file and imports it; ImportInvalid when the user chose none.
int32_t ImportProfileFromUser();

// Saves the document to a file (atomically). 1 written, 0 not (error, when
// given, gets the reason); says nothing, so that callers with a message of
// their own (the backup before a firmware update) show only theirs.
int32_t ExportProfileFile(const std::string& path, int* error = nullptr);
// Asks for a file and exports to it; 0 when the user chose none. A file
// that cannot be written is told ("MAIN_PROMPT_SAVE_FAILED").
int32_t ExportProfileToUser();
