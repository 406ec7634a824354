#pragma once

#include <string>

// path made absolute against the current folder, as it means now: a file
// named on the command line must keep naming the same file after the
// program changes its current folder (the update window's Choose does).
// Only joined, never resolved: links and ".." stay as the user wrote them.
// Empty stays empty; a path that cannot be made absolute (the current
// folder is gone) is returned as it is.
std::string AbsolutePath(const std::string& path);
