#pragma once

#include "update/FirmwareUpdate.h"

#include <string>

// Starting the updater the desktop's way: an executable file directly, any
// other file with the desktop's handler for its type (xdg-open, after
// xdg-mime has named a handler).
class DesktopUpdaterLauncher final : public UpdaterLauncher {
public:
    bool CanStart(const std::string& path) override;
    bool Start(const std::string& path) override;
};

// A regular file this user may execute.
bool IsExecutableFile(const std::string& path);
// The desktop entry of the default application for the file's type (or for
// a type it is a kind of), as xdg-mime names it; empty when there is none or
// xdg-mime cannot be run.
std::string DesktopHandlerFor(const std::string& path);
