#pragma once

#include <string>

// The desktop's on-screen keyboard ("onboard"), which the key function editor
// offers for keys the user's keyboard lacks.
enum class OnScreenKeyboardResult {
    Started,
    AlreadyRunning, // not started twice
    NotInstalled,
    Failed,
};

// Starts the program (searched in PATH) detached from this process unless a
// process of that name already runs.
OnScreenKeyboardResult StartOnScreenKeyboard(const std::string& program = "onboard");
// True when a process of the current user named program runs (its command
// name, or the script its interpreter runs).
bool IsProgramRunning(const std::string& program);
// The full path of program in PATH, empty when not found.
std::string FindProgramInPath(const std::string& program);
