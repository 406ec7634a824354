#include "app/ctl/CtlCommands.h"
#include "app/ctl/DeviceCommandsCtl.h"
#include "app/ctl/LightingCommands.h"

#include <array>
#include <cstdio>

namespace {

// Device commands join this table as they arrive.
constexpr std::array<CtlCommand, 10> Commands = {{
    {"validate", "FILE", "check a profile file; exit 0 when valid, 1 with the reason when not", RunValidate},
    {"dump", "FILE", "print a profile file as JSON: header, assigned keys, macros and strings", RunDump},
    {"info", "", "the connected keyboard: model, active profile, macro memory, lighting effects", RunInfo},
    {"profile", "[1|2|3]", "show the keyboard's active profile, or switch to another", RunProfile},
    {"export", "FILE", "read all three profiles and the macros from the keyboard into a profile file", RunExport},
    {"import", "FILE", "check a profile file, then write all three profiles and the macros", RunImport},
    {"keymap", "1|2|3", "a profile's key map as the keyboard holds it, entry by entry", RunKeymap},
    {"macros", "", "the macros in the keyboard's memory, decoded", RunMacros},
    {"lighting", "[1|2|3 [FIELD=VALUE...]]",
     "a profile's lighting (default the active one), or set effect, brightness, speed, direction, multicolour,"
     " colour, choice, rate",
     RunLighting},
    {"key-colours", "1|2|3", "send a profile's user-defined key colours (its user mode file) to the keyboard",
     RunKeyColours},
}};

} // namespace

std::span<const CtlCommand> CtlCommands()
{
    return Commands;
}

void CtlError(const std::string& text)
{
    std::fprintf(stderr, "rt604ctl: %s\n", text.c_str());
}
