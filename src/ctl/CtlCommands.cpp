#include "ctl/CtlCommands.h"

#include "ctl/JsonWriter.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr std::array<CtlCommand, 11> Commands = {{
    {"validate", "FILE", "check a profile file; exit 0 when valid, 1 with the reason when not", RunValidate, true, true},
    {"dump", "FILE", "print a profile file as JSON: header, assigned keys, macros and strings", RunDump, true, true},
    {"info", "", "the keyboard: model, active profile, macro memory, lighting effects", RunInfo, true},
    {"profile", "[1|2|3]", "show the keyboard's active profile, or switch to another", RunProfile, true},
    {"export", "FILE", "read all three profiles and the macros from the keyboard into a profile file", RunExport},
    {"import", "FILE", "check a profile file, then write all three profiles and the macros", RunImport},
    {"keymap", "1|2|3", "a profile's keys as the keyboard holds them, marking what differs from the factory",
     RunKeymap, true},
    {"macros", "", "the macros in the keyboard's memory, decoded", RunMacros, true},
    {"lighting", "[1|2|3 [FIELD=VALUE...]]",
     "a profile's lighting (default the active one), or set its fields", RunLighting, true},
    {"key-colours", "1|2|3", "send a profile's user-defined key colours (its user mode file) to the keyboard",
     RunKeyColours, true},
    // The rules belong to the program whichever keyboard it drives, so a
    // --virtual-keyboard given out of habit is accepted and changes nothing.
    {"rules", "[...]", "automatic profiles: list; add APP 1|2|3; remove N; default 1|2|3|keep; on; off", RunRules,
     true},
}};

CtlOptions g_options;

} // namespace

const CtlOptions& Options()
{
    return g_options;
}

void SetOptions(const CtlOptions& options)
{
    g_options = options;
}

std::span<const CtlCommand> CtlCommands()
{
    return Commands;
}

void CtlError(const std::string& text)
{
    std::fprintf(stderr, "rt604ctl: %s\n", text.c_str());
}

int CtlUsage(const CtlCommand& command)
{
    std::string line = std::string("usage: rt604ctl ") + command.name;
    if (command.arguments[0] != '\0')
        line += std::string(" ") + command.arguments;
    if (command.json)
        line += " [--json]";
    if (!command.fileOnly)
        line += " [--virtual-keyboard=STATEFILE]";
    CtlError(line);
    return ExitUsage;
}

int CtlUsage(const char* commandName)
{
    for (const CtlCommand& command : CtlCommands()) {
        if (std::strcmp(command.name, commandName) == 0)
            return CtlUsage(command);
    }
    CtlError(std::string("usage: rt604ctl ") + commandName);
    return ExitUsage;
}

std::optional<int> ProfileArgument(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '3')
        return text[0] - '1';
    return std::nullopt;
}

int NoSuchProfile(const std::string& text)
{
    CtlError("the keyboard has profiles 1, 2 and 3, not \"" + text + "\"");
    return ExitUsage;
}

int PrintJson(const JsonWriter& json)
{
    std::printf("%s\n", json.Text().c_str());
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? ExitOk : ExitFailed;
}
