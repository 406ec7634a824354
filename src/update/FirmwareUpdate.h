#pragma once

#include "base/UserPrompts.h"

#include <cstdint>
#include <string>

// What the firmware update window does, without the window. The firmware is
// not written by this program: it switches the keyboard to its loader with
// one frame and starts the updater the owner chose, which does the rest.

// Starting the updater the owner chose, detached from this program; the
// window supplies the desktop's way (update/gui/UpdaterLauncher.h), tests
// their own.
class UpdaterLauncher {
public:
    virtual ~UpdaterLauncher() = default;
    // Whether Start can be expected to work: the file is an executable, or
    // the desktop has a handler for its type.
    virtual bool CanStart(const std::string& path) = 0;
    // true when the program (or the handler's opener) was started.
    virtual bool Start(const std::string& path) = 0;
};

// The updater the owner chose; empty at start. It outlives the window and is
// cleared by Cancel update and by an update that got as far as starting it.
std::string UpdaterPath();
void SetUpdaterPath(const std::string& path);

// Open: a file dialog starting in the package folder. The path becomes the
// chosen file or, when the dialog was cancelled, empty; either way the
// process's current folder becomes the package folder afterwards. true when
// a file was chosen.
FileChoice UpdaterFileChoice();
bool ChooseUpdater();

enum class UpdateOutcome {
    Started,      // the loader frame went out and the updater started
    WrongFile,    // no file at UpdaterPath: nothing sent
    NotStartable, // neither executable nor any handler for it: nothing sent
    NoLoader,     // the loader frame could not be sent (no keyboard)
    StartFailed,  // the keyboard is in its loader, the updater did not start
};

// Update: checks the file, sends EnterLoader, starts the updater detached and
// clears UpdaterPath once it got that far. Every outcome but Started shows
// its message; StartFailed's says how to bring the keyboard back.
UpdateOutcome StartUpdate(UpdaterLauncher& launcher);

// Backup: a save dialog for a profile file; the document is saved to it
// under the document lock, exactly as the main window's export saves it, and
// the outcome is reported. 1 written, 0 not (or nothing chosen: no message).
int32_t BackupConfiguration();

// The window's texts that once were fixed in the program; a language file
// without their keys shows the original texts.
enum class UpdateText { WrongFile, NoLoader, StartFailed, NotStartable, BackupDone, BackupFailed };
std::string UpdateMessage(UpdateText text);
