#pragma once

#include "platform/SingleInstance.h"

#include <string>
#include <vector>

// What the command line asks for. "/Start" and "/Kill" compare without regard
// to case; unknown arguments are ignored, as the autostart entries of other
// desktops may add their own.
struct CommandLine {
    bool start = false; // "/Start": stay in the notification area
    bool kill = false;  // "/Kill": tell a running instance to exit
    bool help = false;  // "--help" or "-h"
    // "--firmware-update": open the firmware update window (in the running
    // instance, when there is one).
    bool firmwareUpdate = false;
    bool virtualKeyboard = false;
    // Empty: the default file in the user folder. Made absolute at once, as
    // the current folder changes later (the update window's Choose).
    std::string virtualKeyboardFile;
};

// args excludes the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string CommandLineHelp(const std::string& programName);

// What a start hands to the instance that already runs, and the word the
// event log gives it ("<name>-sent"). An option that makes the running
// instance do something adds its case here; the hand-over carries any
// message the window takes.
struct HandOver {
    InstanceMessage message;
    const char* name;
};
// KILL for "/Kill", the firmware update window's message for
// "--firmware-update", otherwise OPEN.
HandOver HandOverFor(const CommandLine& line);
