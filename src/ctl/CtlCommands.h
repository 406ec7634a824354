#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class JsonWriter;

// rt604ctl's commands. Each one gets the arguments after its name (options
// taken out) and returns the exit code. The codes of every command:
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;      // the reason on standard error
inline constexpr int ExitUsage = 2;
inline constexpr int ExitNoKeyboard = 3;  // no keyboard found, or it does not answer
inline constexpr int ExitInvalidFile = 4; // the profile file is not valid
inline constexpr int ExitRefused = 5;     // the keyboard refused or did not take a write
inline constexpr int ExitDoesNotFit = 6;  // the macros do not fit the keyboard; nothing was sent
inline constexpr int ExitBusy = 7;        // another program kept the keyboard busy for the whole wait; nothing was sent

// Options may stand anywhere on the command line, before or after the
// command and its arguments.
struct CtlOptions {
    std::string virtualKeyboard; // --virtual-keyboard=STATEFILE: talk to that virtual keyboard
    bool json = false;           // --json: data as one JSON object on standard output
    int waitMs = 10000;          // --wait SECONDS: how long to wait while another program has the keyboard
};
const CtlOptions& Options();
void SetOptions(const CtlOptions& options);

struct CtlCommand {
    const char* name;
    const char* arguments; // e.g. "FILE"
    const char* summary;
    int (*run)(const std::vector<std::string>& args);
    bool json = false;     // takes --json
    bool fileOnly = false; // reads only the files it is given (refuses --virtual-keyboard)
};

// Every command, in the order --help lists them. A new command is one more
// row in the table of CtlCommands.cpp.
std::span<const CtlCommand> CtlCommands();

int RunValidate(const std::vector<std::string>& args);
int RunDump(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunProfile(const std::vector<std::string>& args);
int RunExport(const std::vector<std::string>& args);
int RunImport(const std::vector<std::string>& args);
int RunKeymap(const std::vector<std::string>& args);
int RunMacros(const std::vector<std::string>& args);
int RunLighting(const std::vector<std::string>& args);
int RunKeyColours(const std::vector<std::string>& args);
// The rules of automatic profiles in the settings store, listed and edited.
// A running program follows every change. With --json the rules (after the
// edit, for an edit) are printed as one JSON object.
int RunRules(const std::vector<std::string>& args);

// Tells a running window (on the same keyboard) that parts
// (KeyboardChangeNotice.h) changed; nothing when none runs.
void TellRunningWindow(uint32_t parts);
// Prints "rt604ctl: <text>" on standard error.
void CtlError(const std::string& text);
// Prints "usage: rt604ctl <command> <arguments>" on standard error and gives
// ExitUsage.
int CtlUsage(const CtlCommand& command);
int CtlUsage(const char* commandName);
// A profile as the command line numbers it ("1".."3", the keyboard's own
// labels) to its index; nothing for anything else.
std::optional<int> ProfileArgument(const std::string& text);
// Says which profiles there are and gives ExitUsage.
int NoSuchProfile(const std::string& text);
// Prints the writer's object on standard output; ExitFailed when standard
// output cannot take it.
int PrintJson(const JsonWriter& json);
