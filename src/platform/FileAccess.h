#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>

// Opening the files the program reads (profile files, the cache, INI,
// language and skin files, the virtual keyboard's state) so that no path can
// make it wait or read forever: a FIFO, a device node, a folder, a loop of
// symbolic links or a file it may not read gives an error at once.

// Errors are the system's errno values, or one of these for the things the
// system opens happily but that are not files to us.
inline constexpr int FileErrorFifo = -2;
inline constexpr int FileErrorDevice = -3;
inline constexpr int FileErrorSocket = -4;
inline constexpr int FileErrorTooLarge = -5;
// A symbolic link in a folder everyone may write to (such as /tmp) that
// belongs neither to us nor to the folder's owner: another user may have
// planted it to make us overwrite one of our own files.
inline constexpr int FileErrorForeignLink = -11;
// Another program holds the file's update lock and did not let it go in time.
inline constexpr int FileErrorLockTimeout = -10;

// The reason in words: the system's text for errno values ("No such file or
// directory", "Too many levels of symbolic links", ...), ours for the rest.
std::string FileErrorText(int error);
// True when the error says that nothing is at the path.
bool IsMissingFileError(int error);
// 0 for a regular file; else what stands there instead, as an error
// (EISDIR, FileErrorFifo, FileErrorSocket, FileErrorDevice).
int FileKindError(mode_t mode);

// A regular file opened for reading (close-on-exec), or -1 with error set.
// st receives the file's status. Nothing at the path is opened unless it is
// a regular file, so opening has no side effects on devices either.
int OpenRegularFile(const std::string& path, int& error, struct stat& st);

// Reads exactly size bytes from fd's current position; false with error set
// (0 when the file ended early).
bool ReadExactly(int fd, uint8_t* out, size_t size, int& error);
