#include "app/CommandLine.h"

#include "ui/ShellMessages.h"
#include "platform/AbsolutePath.h"

#include <strings.h>

namespace {

bool SameIgnoringCase(const std::string& a, const char* b)
{
    return ::strcasecmp(a.c_str(), b) == 0;
}

constexpr const char* VirtualKeyboardOption = "--virtual-keyboard";

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    CommandLine line;
    const std::string withValue = std::string(VirtualKeyboardOption) + "=";
    for (const std::string& arg : args) {
        if (SameIgnoringCase(arg, "/Kill")) {
            line.kill = true;
        } else if (SameIgnoringCase(arg, "/Start")) {
            line.start = true;
        } else if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--firmware-update") {
            line.firmwareUpdate = true;
        } else if (arg == VirtualKeyboardOption) {
            line.virtualKeyboard = true;
        } else if (arg.rfind(withValue, 0) == 0) {
            line.virtualKeyboard = true;
            line.virtualKeyboardFile = AbsolutePath(arg.substr(withValue.size()));
        }
    }
    return line;
}

HandOver HandOverFor(const CommandLine& line)
{
    if (line.kill)
        return {{MsgKill, TagKill}, "kill"};
    if (line.firmwareUpdate)
        return {{MsgFirmwareUpdate, TagFirmwareUpdate}, "firmware-update"};
    return {{MsgOpen, TagOpen}, "open"};
}

std::string CommandLineHelp(const std::string& programName)
{
    return "Usage: " + programName + " [/Start] [/Kill] [--firmware-update] [--virtual-keyboard[=FILE]]\n"
           "\n"
           "Configures the Orvan RT-604 keyboard. The program lives in the notification\n"
           "area; starting it again opens its window.\n"
           "\n"
           "  /Start                     stay hidden in the notification area even when the\n"
           "                             keyboard is connected (for autostart)\n"
           "  /Kill                      tell the running instance to exit, then exit\n"
           "  --firmware-update          open the firmware update window (of the running\n"
           "                             instance, when there is one)\n"
           "  --virtual-keyboard[=FILE]  run against a built-in virtual keyboard instead of\n"
           "                             the real one; its memories are kept in FILE\n"
           "                             (default: virtual-keyboard.state in the user folder)\n"
           "  --help                     show this text\n";
}
