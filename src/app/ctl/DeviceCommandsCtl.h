#pragma once

#include <string>
#include <vector>

// rt604ctl's commands that talk to a connected keyboard, or to the virtual
// keyboard kept in a state file (--virtual-keyboard=STATEFILE). Profiles are
// numbered 1 to 3 on the command line, as the keyboard's own labels do.

// Exit codes beside those of CtlCommands.h.
inline constexpr int ExitNoKeyboard = 3;  // no keyboard found, or it does not answer
inline constexpr int ExitInvalidFile = 4; // the profile file is not valid
inline constexpr int ExitRefused = 5;     // the keyboard refused or did not take a write

int RunInfo(const std::vector<std::string>& args);
int RunProfile(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);
int RunKeymap(const std::vector<std::string>& args);
int RunMacros(const std::vector<std::string>& args);
