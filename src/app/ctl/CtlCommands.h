#pragma once

#include <span>
#include <string>
#include <vector>

// rt604ctl's subcommands. Each one gets the arguments after its name and
// returns the exit code: 0 done, 1 failed (the reason on standard error),
// 2 wrong usage.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

struct CtlCommand {
    const char* name;
    const char* arguments; // e.g. "FILE"
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
};

// Every subcommand, in the order --help lists them.
std::span<const CtlCommand> CtlCommands();

int RunValidate(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);

// Prints "rt604ctl: <text>" on standard error.
void CtlError(const std::string& text);
