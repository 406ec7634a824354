#include "app/ctl/CtlCommands.h"

#include <array>
#include <cstdio>

namespace {

// Device commands join this table as they arrive.
constexpr std::array<CtlCommand, 2> Commands = {{
    {"validate", "FILE", "check a profile file; exit 0 when valid, 1 with the reason when not", RunValidate},
    {"dump", "FILE", "print a profile file as JSON: header, assigned keys, macros and strings", RunDump},
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
