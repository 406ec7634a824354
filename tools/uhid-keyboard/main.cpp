// rt604-uhid-keyboard: the virtual keyboard plugged into the kernel through
// /dev/uhid, driven by commands on standard input. Every command is answered
// with one line on standard output: "ok ..." or "error ...".
#include "device/protocol/DeviceState.h"
#include "device/virtual/UhidKeyboard.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr const char* Program = "rt604-uhid-keyboard";

void PrintHelp(std::FILE* to)
{
    std::fprintf(to,
        "Usage: %s [OPTIONS]\n\n"
        "Plugs the virtual keyboard into the kernel through /dev/uhid: a boot keyboard\n"
        "interface and an interface with the vendor and Consumer Control collections.\n\n"
        "Options:\n"
        "  --state=FILE          the keyboard's memories, as rt604 --virtual-keyboard keeps\n"
        "                        them; a missing file starts as a factory keyboard, and\n"
        "                        rt604 or rt604ctl on the same file are the same keyboard\n"
        "  --product=ID          0x5000 (128 keys, the default) or 0 (126 keys), for a new state\n"
        "  --macro-units=N       macro memory of a new state in 128-byte units (default 64)\n"
        "  --latency-us=N        bus time of every report (default 1000)\n"
        "  --serial=TEXT         the devices' serial number (default RT604-<process id>)\n"
        "  --unplugged           start with the cable out\n"
        "  --FAULT=VALUE         a fault for the first requests (see the commands)\n\n"
        "Commands on standard input:\n"
        "  plug | unplug | replug MS     the cable; a replug puts it back after MS ms\n"
        "  notice HEX                    a notice on Consumer Control (0401, 0402, 1811, 1810)\n"
        "  drop-replies N                the next N requests are acted on, their replies lost\n"
        "  delay-next-reply MS           the next reply comes MS ms late\n"
        "  duplicate-next-reply MS       the next reply comes twice, the copy MS ms later\n"
        "  refuse-next STATUS[:COUNT]    the next COUNT requests are refused with STATUS\n"
        "  fail-next-writes N            the next N requests are lost on the way\n"
        "  latency-us N                  bus time of every report from now on\n"
        "  nodes | requests | stats | save | quit\n",
        Program);
}

std::optional<long> Number(const std::string& text, long min, long max)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return std::nullopt;
    return value;
}

// The keyboard's faults, shared by the options (--name=value) and the
// commands (name value). Each returns false for a value it cannot take.
struct Fault {
    const char* name;
    std::function<bool(VirtualKeyboard&, const std::string&)> apply;
};

const std::vector<Fault>& Faults()
{
    static const std::vector<Fault> faults = {
        {"drop-replies", [](VirtualKeyboard& kb, const std::string& v) {
             auto n = Number(v, 0, 1 << 20);
             return n && (kb.DropReplies(static_cast<int>(*n)), true);
         }},
        {"delay-next-reply", [](VirtualKeyboard& kb, const std::string& v) {
             auto ms = Number(v, 0, 60000);
             return ms && (kb.DelayNextReply(std::chrono::milliseconds(*ms)), true);
         }},
        {"duplicate-next-reply", [](VirtualKeyboard& kb, const std::string& v) {
             auto ms = Number(v, 0, 60000);
             return ms && (kb.DuplicateNextReply(std::chrono::milliseconds(*ms)), true);
         }},
        {"refuse-next", [](VirtualKeyboard& kb, const std::string& v) {
             const size_t colon = v.find(':');
             auto status = Number(v.substr(0, colon), 0, 255);
             auto count = colon == std::string::npos ? std::optional<long>(1) : Number(v.substr(colon + 1), 0, 1 << 20);
             return status && count && (kb.RefuseNextRequests(static_cast<uint8_t>(*status), static_cast<int>(*count)), true);
         }},
        {"fail-next-writes", [](VirtualKeyboard& kb, const std::string& v) {
             auto n = Number(v, 0, 1 << 20);
             return n && (kb.FailNextWrites(static_cast<int>(*n)), true);
         }},
        {"latency-us", [](VirtualKeyboard& kb, const std::string& v) {
             auto us = Number(v, 0, 1000000);
             return us && (kb.SetReportLatency(std::chrono::microseconds(*us)), true);
         }},
    };
    return faults;
}

const Fault* FindFault(const std::string& name)
{
    for (const Fault& fault : Faults()) {
        if (name == fault.name)
            return &fault;
    }
    return nullptr;
}

struct Options {
    std::string state;
    uint16_t productId = 0x5000;
    uint8_t macroUnits = 64;
    std::string serial = "RT604-" + std::to_string(::getpid());
    bool unplugged = false;
    std::vector<std::pair<const Fault*, std::string>> faults;
    std::string latency = "1000";
};

// false after printing what is wrong.
bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
        bool good = true;
        if (name == "--state") {
            options.state = value;
            good = !value.empty();
        } else if (name == "--product") {
            auto id = Number(value, 0, 0xFFFF);
            good = id && ModelForProductId(static_cast<uint16_t>(*id));
            if (good)
                options.productId = static_cast<uint16_t>(*id);
        } else if (name == "--macro-units") {
            auto units = Number(value, 1, 255);
            good = units.has_value();
            if (good)
                options.macroUnits = static_cast<uint8_t>(*units);
        } else if (name == "--serial") {
            options.serial = value;
            good = !value.empty() && value.size() < 40;
        } else if (name == "--unplugged" && eq == std::string::npos) {
            options.unplugged = true;
        } else if (name == "--latency-us") {
            options.latency = value;
            good = Number(value, 0, 1000000).has_value();
        } else if (const Fault* fault = name.rfind("--", 0) == 0 ? FindFault(name.substr(2)) : nullptr) {
            options.faults.push_back({fault, value});
        } else {
            good = false;
        }
        if (!good) {
            std::fprintf(stderr, "%s: unknown option or bad value: %s (see --help)\n", Program, arg.c_str());
            return false;
        }
    }
    return true;
}

// The keyboard of the state file, as rt604ctl --virtual-keyboard opens it:
// an existing file gives the model and the memories, a missing one is
// created as a factory keyboard, and the file is shared with the window and
// rt604ctl as one keyboard. nullptr after printing what is wrong.
std::unique_ptr<VirtualKeyboard> OpenKeyboard(const Options& options)
{
    VirtualKeyboardOptions kbOptions;
    kbOptions.productId = options.productId;
    kbOptions.macroUnits = options.macroUnits;
    kbOptions.withMouse = false;
    kbOptions.plugged = false;
    // Programs in the VM share this keyboard: a request landing in another's
    // group is what the tests look for.
    kbOptions.strictConversations = true;
    std::unique_ptr<VirtualKeyboard> keyboard;
    if (options.state.empty()) {
        keyboard = std::make_unique<VirtualKeyboard>(kbOptions);
    } else {
        std::string error;
        keyboard = OpenVirtualKeyboard(options.state, kbOptions, error);
        if (!keyboard) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return nullptr;
        }
        keyboard->SetStateFileErrorHandler(
            [](const std::string& problem) { std::fprintf(stderr, "%s: %s\n", Program, problem.c_str()); });
    }
    keyboard->SetFrameLogEnabled(false); // a long run must not grow a log nobody reads
    return keyboard;
}

class Controller {
public:
    Controller(VirtualKeyboard& keyboard, const Options& options)
        : keyboard_(keyboard), uhid_(keyboard, options.serial), state_(options.state)
    {
    }

    // "plugged NODE0 NODE1" once the kernel shows both hidraw nodes, or an
    // error text.
    std::optional<std::string> Plug(std::string& error)
    {
        if (!uhid_.Plug()) {
            error = std::string("/dev/uhid: cannot create the devices (") + std::strerror(errno) + ")";
            return std::nullopt;
        }
        if (!uhid_.WaitUntilStarted(10s)) {
            error = "the kernel did not start the devices";
            return std::nullopt;
        }
        // The node follows UHID_START at once; sysfs has no event to wait on.
        for (auto end = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < end;
             std::this_thread::sleep_for(1ms)) {
            if (std::optional<std::string> nodes = Nodes())
                return "plugged " + *nodes;
        }
        error = "no hidraw node appeared";
        return std::nullopt;
    }

    std::optional<std::string> Nodes() const
    {
        std::string out;
        for (int i = 0; i < UhidInterfaceCount; ++i) {
            const std::string node = FindHidrawNode(uhid_.Phys(i));
            if (node.empty())
                return std::nullopt;
            out += (i ? " " : "") + node;
        }
        return out;
    }

    // One command line; the answer line without its newline. quit is set
    // for "quit".
    std::string Run(const std::string& line, bool& quit)
    {
        std::istringstream in(line);
        std::string command, argument, extra;
        in >> command >> argument >> extra;
        if (!extra.empty())
            return "error too many arguments";
        std::string error;
        if (command == "plug" && argument.empty()) {
            std::optional<std::string> plugged = Plug(error);
            return plugged ? "ok " + *plugged : "error " + error;
        }
        if (command == "unplug" && argument.empty()) {
            uhid_.Unplug();
            return "ok unplugged";
        }
        if (command == "replug") {
            std::optional<long> ms = Number(argument, 0, 60000);
            if (!ms)
                return "error replug needs the milliseconds the cable stays out";
            uhid_.Unplug();
            const auto out = std::chrono::steady_clock::now();
            std::this_thread::sleep_until(out + std::chrono::milliseconds(*ms));
            std::optional<std::string> plugged = Plug(error);
            return plugged ? "ok " + *plugged : "error " + error;
        }
        if (command == "notice") {
            std::optional<long> notice = Number(argument.rfind("0x", 0) == 0 ? argument : "0x" + argument, 0, 0xFFFF);
            if (!notice)
                return "error notice needs a 16-bit hex number";
            keyboard_.SendNotice(static_cast<uint16_t>(*notice));
            return "ok";
        }
        if (command == "nodes" && argument.empty()) {
            std::optional<std::string> nodes = uhid_.IsPlugged() ? Nodes() : std::nullopt;
            return nodes ? "ok " + *nodes : "ok unplugged";
        }
        if (command == "requests" && argument.empty())
            return "ok " + std::to_string(keyboard_.RequestCount());
        if (command == "stats" && argument.empty()) {
            const UhidKeyboard::Counters c = uhid_.Stats();
            return "ok outputs " + std::to_string(c.outputReports[0]) + " " + std::to_string(c.outputReports[1])
                + " get-reports " + std::to_string(c.getReports) + " set-reports " + std::to_string(c.setReports)
                + " stalled " + std::to_string(c.stalled) + " leds " + std::to_string(c.leds);
        }
        // Every change is saved as it is made; this tells whether all were.
        if (command == "save" && argument.empty()) {
            if (state_.empty())
                return "error no state file";
            const std::string problem = keyboard_.StateFileError();
            return problem.empty() ? "ok" : "error " + problem;
        }
        if (command == "quit" && argument.empty()) {
            quit = true;
            return "ok";
        }
        if (const Fault* fault = FindFault(command))
            return fault->apply(keyboard_, argument) ? "ok" : "error bad value for " + command;
        return "error unknown command: " + line;
    }

    void Unplug() { uhid_.Unplug(); }

private:
    VirtualKeyboard& keyboard_;
    UhidKeyboard uhid_;
    std::string state_;
};

void Answer(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintHelp(stdout);
            return 0;
        }
    }
    Options options;
    if (!ParseOptions(argc, argv, options))
        return 2;
    std::unique_ptr<VirtualKeyboard> keyboard = OpenKeyboard(options);
    if (!keyboard)
        return 1;
    FindFault("latency-us")->apply(*keyboard, options.latency);
    for (const auto& [fault, value] : options.faults) {
        if (!fault->apply(*keyboard, value)) {
            std::fprintf(stderr, "%s: bad value for --%s: %s\n", Program, fault->name, value.c_str());
            return 2;
        }
    }

    Controller controller(*keyboard, options);
    if (options.unplugged) {
        Answer("ready unplugged");
    } else {
        std::string error;
        std::optional<std::string> plugged = controller.Plug(error);
        if (!plugged) {
            std::fprintf(stderr, "%s: %s\n", Program, error.c_str());
            return 1;
        }
        Answer("ready " + plugged->substr(std::strlen("plugged ")));
    }
    std::string line;
    bool quit = false;
    while (!quit && std::getline(std::cin, line)) {
        if (!line.empty())
            Answer(controller.Run(line, quit));
    }
    // The memories are saved by the keyboard as it goes.
    controller.Unplug();
    return 0;
}
