// rt604ctl: the configurator's command-line tool.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "ctl/CtlCommands.h"
#include "platform/AbsolutePath.h"

namespace {

constexpr const char* VirtualOption = "--virtual-keyboard";
constexpr const char* WaitOption = "--wait";
// A day: past that a wait is a mistake, and milliseconds stay within int.
constexpr double MaxWaitSeconds = 86400;

void PrintHelp(std::FILE* to)
{
    std::fprintf(to, "Usage: rt604ctl [OPTIONS] COMMAND [ARGUMENTS] [OPTIONS]\n\nCommands:\n");
    for (const CtlCommand& command : CtlCommands()) {
        std::string head = std::string(command.name) + " " + command.arguments;
        std::fprintf(to, "  %-22s %s\n", head.c_str(), command.summary);
    }
    std::string jsonCommands;
    for (const CtlCommand& command : CtlCommands()) {
        if (command.json)
            jsonCommands += std::string(jsonCommands.empty() ? "" : ", ") + command.name;
    }
    std::fprintf(to,
        "\nOptions (before or after the command):\n"
        "  --virtual-keyboard=STATEFILE\n"
        "                         keyboard commands talk to the virtual keyboard kept in STATEFILE\n"
        "  --wait SECONDS         while another program has the keyboard, wait at most\n"
        "                         SECONDS for it (default 10), then give up with status 7\n"
        "  --json                 data as one JSON object\n"
        "                         (%s)\n"
        "  --version              show the version\n"
        "  -h, --help             show this help\n\n"
        "Exit status: 0 done, 1 failed (the reason on standard error), 2 wrong usage;\n"
        "keyboard commands also 3 no keyboard, 4 invalid file or lighting value,\n"
        "5 refused by the keyboard, 6 the macros do not fit the keyboard (nothing was sent),\n"
        "7 the keyboard stayed busy with another program for the whole wait (nothing was sent).\n",
        jsonCommands.c_str());
}

struct CommandLine {
    bool help = false;
    bool version = false;
    CtlOptions options;
    bool virtualGiven = false;
    std::vector<std::string> words; // the command and its arguments
    std::string error;
};

CommandLine Parse(const std::vector<std::string>& args)
{
    CommandLine line;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            line.words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--json") {
            line.options.json = true;
        } else if (arg == VirtualOption || arg.rfind(std::string(VirtualOption) + "=", 0) == 0) {
            std::string value;
            if (arg == VirtualOption) {
                if (i + 1 < args.size())
                    value = args[++i];
            } else {
                value = arg.substr(std::strlen(VirtualOption) + 1);
            }
            if (value.empty() && line.error.empty())
                line.error = "--virtual-keyboard needs a state file";
            // The same file the window names, whatever folder each runs in later.
            line.options.virtualKeyboard = AbsolutePath(value);
            line.virtualGiven = true;
        } else if (arg == WaitOption || arg.rfind(std::string(WaitOption) + "=", 0) == 0) {
            std::string value;
            if (arg == WaitOption) {
                if (i + 1 < args.size())
                    value = args[++i];
            } else {
                value = arg.substr(std::strlen(WaitOption) + 1);
            }
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (value.empty() || *end != '\0' || !(seconds >= 0 && seconds <= MaxWaitSeconds)) {
                if (line.error.empty())
                    line.error = "--wait needs a number of seconds from 0 to 86400";
            } else {
                line.options.waitMs = static_cast<int>(seconds * 1000 + 0.5);
            }
        } else if (line.error.empty()) {
            line.error = "unknown option \"" + arg + "\"";
        }
    }
    if (!line.words.empty() && line.words[0] == "help")
        line.help = true;
    return line;
}

// Messages of the core go to standard error; questions are answered No.
class StderrPrompts final : public UserPrompts {
public:
    void ShowMessage(const std::string& text, MessageStyle) override { CtlError(text); }
    bool AskYesNo(const std::string& text) override
    {
        CtlError(text + " [No]");
        return false;
    }
    std::optional<std::string> ChooseOpenFile(const FileChoice&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileChoice&) override { return std::nullopt; }
};

} // namespace

int main(int argc, char** argv)
{
    const CommandLine line = Parse(std::vector<std::string>(argv + 1, argv + argc));
    if (line.version) {
        std::printf("rt604ctl %s\n", RT604_VERSION);
        return ExitOk;
    }
    if (line.help) {
        PrintHelp(stdout);
        return ExitOk;
    }
    if (!line.error.empty()) {
        CtlError(line.error + " (see rt604ctl --help)");
        return ExitUsage;
    }
    if (line.words.empty()) {
        PrintHelp(stderr);
        return ExitUsage;
    }
    const CtlCommand* command = nullptr;
    for (const CtlCommand& candidate : CtlCommands()) {
        if (line.words[0] == candidate.name)
            command = &candidate;
    }
    if (!command) {
        CtlError("unknown command \"" + line.words[0] + "\" (see rt604ctl --help)");
        return ExitUsage;
    }
    // An option the command cannot honour is refused by name, so that a
    // script does not take silence for the option's effect.
    if (line.options.json && !command->json) {
        CtlError(std::string("--json does not apply to ") + command->name + ": it prints no data");
        return CtlUsage(*command);
    }
    if (line.virtualGiven && command->fileOnly) {
        CtlError(std::string("--virtual-keyboard does not apply to ") + command->name +
                 ": it reads only the file it is given, no keyboard");
        return CtlUsage(*command);
    }

    std::string self = RunningProgramFile();
    ComputeProgramPaths(self.empty() ? std::string(argv[0]) : self);
    SetOptions(line.options);
    StderrPrompts prompts;
    SetPrompts(&prompts);
    const int result = command->run(std::vector<std::string>(line.words.begin() + 1, line.words.end()));
    SetPrompts(nullptr);
    return result;
}
