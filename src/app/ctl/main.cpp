// rt604ctl: the configurator's command-line tool.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/ProgramPaths.h"
#include "app/UserPrompts.h"
#include "app/ctl/CtlCommands.h"

namespace {

void PrintHelp(std::FILE* to)
{
    std::fprintf(to, "Usage: rt604ctl COMMAND [ARGUMENTS]\n\nCommands:\n");
    for (const CtlCommand& command : CtlCommands()) {
        std::string head = std::string(command.name) + " " + command.arguments;
        std::fprintf(to, "  %-22s %s\n", head.c_str(), command.summary);
    }
    std::fprintf(to,
        "\nOptions:\n  -h, --help             show this help\n"
        "  --virtual-keyboard=STATEFILE\n"
        "                         keyboard commands talk to the virtual keyboard kept in STATEFILE\n\n"
        "Exit status: 0 done, 1 failed (the reason on standard error), 2 wrong usage;\n"
        "keyboard commands also 3 no keyboard, 4 invalid file, 5 refused by the keyboard.\n");
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
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintHelp(stderr);
        return ExitUsage;
    }
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        PrintHelp(stdout);
        return ExitOk;
    }
    std::string self = RunningProgramFile();
    ComputeProgramPaths(self.empty() ? std::string(argv[0]) : self);
    StderrPrompts prompts;
    SetPrompts(&prompts);
    for (const CtlCommand& command : CtlCommands()) {
        if (args[0] == command.name) {
            int result = command.run(std::vector<std::string>(args.begin() + 1, args.end()));
            SetPrompts(nullptr);
            return result;
        }
    }
    SetPrompts(nullptr);
    CtlError("unknown command \"" + args[0] + "\" (see rt604ctl --help)");
    return ExitUsage;
}
