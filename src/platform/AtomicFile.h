#pragma once

#include <cstdint>
#include <span>
#include <string>

// Writes a whole file so that a failure, a full disk or a kill at any moment
// leaves the old file as it was and no full-size leftovers: the bytes go to
// an unnamed file in the target's folder that is linked in only once every
// byte is on disk. Where the file system has no unnamed files, a temporary
// of our own naming (".rt604-<pid>-…") stands in, and a later save into the
// same folder removes those of our own user whose process is gone (never in
// a folder shared with other users or hosts). A symbolic link is followed
// where the kernel would follow it: its target is replaced and the link
// stays; in a sticky folder everyone may write to, only a link of ours or of
// the folder's owner is followed (else FileErrorForeignLink). A file we may
// not write to (read-only) is not replaced (EACCES). Returns true when the
// target holds exactly the given bytes; otherwise error (when given) gets
// the reason as an errno value or a FileAccess.h code.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, int* error = nullptr);
bool WriteFileAtomically(const std::string& path, const std::string& text, int* error = nullptr);
// The same for a file that must not exist yet: fails with EEXIST, and
// changes nothing, when something is at the path.
bool CreateFileAtomically(const std::string& path, std::span<const uint8_t> bytes, int* error = nullptr);

// Reads a whole regular file (FileAccess.h rules: never waits on a FIFO or a
// device). Fails for a missing file, a folder, or a file larger than maxBytes
// (hostile input must not decide our allocation; error FileErrorTooLarge).
bool ReadWholeFile(const std::string& path, std::string& out, uint64_t maxBytes, int* error = nullptr);

// The file that path names once every symbolic link in its last component is
// followed (path itself when it is no link, or names nothing yet); empty
// with error ELOOP for a loop of links, FileErrorForeignLink for another
// user's link in a sticky shared folder.
std::string ResolveSymbolicLinks(const std::string& path, int& error);
