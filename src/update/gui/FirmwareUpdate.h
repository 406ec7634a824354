#pragma once

#include "base/UserPrompts.h"

#include <cstdint>
#include <string>

class UpdaterLauncher;

// What the firmware update window does, without the window. The firmware is
// not written by this program: it switches the keyboard to its loader with
// one frame and starts the updater the owner chose, which does the rest.

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
