#include "app/CommandLine.h"
#include "ui/QtUserPrompts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

TEST(CommandLineTest, SwitchesIgnoreCaseAndUnknownArguments)
{
    struct Case {
        std::vector<std::string> args;
        bool start, kill, help, virtualKeyboard;
        std::string file;
        bool firmwareUpdate = false;
    };
    const Case cases[] = {
        {{}, false, false, false, false, ""},
        {{"/Start"}, true, false, false, false, ""},
        {{"/start"}, true, false, false, false, ""},
        {{"/KILL"}, false, true, false, false, ""},
        {{"/kill", "/START"}, true, true, false, false, ""},
        {{"Start", "-Kill", "/Killer", "--start"}, false, false, false, false, ""},
        {{"--help"}, false, false, true, false, ""},
        {{"--virtual-keyboard"}, false, false, false, true, ""},
        {{"--virtual-keyboard=/tmp/vk state"}, false, false, false, true, "/tmp/vk state"},
        {{"/Start", "--virtual-keyboard=a", "extra"}, true, false, false, true,
         std::filesystem::current_path().string() + "/a"},
        {{"--VIRTUAL-KEYBOARD"}, false, false, false, false, ""},
        {{"--firmware-update"}, false, false, false, false, "", true},
        {{"/Start", "--firmware-update", "--virtual-keyboard"}, true, false, false, true, "", true},
        {{"--firmware-update=now", "--FIRMWARE-UPDATE"}, false, false, false, false, "", false},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.args);
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.front());
        EXPECT_EQ(line.start, c.start);
        EXPECT_EQ(line.kill, c.kill);
        EXPECT_EQ(line.help, c.help);
        EXPECT_EQ(line.virtualKeyboard, c.virtualKeyboard);
        EXPECT_EQ(line.virtualKeyboardFile, c.file);
        EXPECT_EQ(line.firmwareUpdate, c.firmwareUpdate);
    }
}

// The update window's Choose changes the current folder while the program
// runs; a relative state file named at start must still be the one the
// owner meant (the one rt604ctl, started in the same folder, also uses).
TEST(CommandLineTest, AVirtualKeyboardFileKeepsNamingTheSameFileAfterTheCurrentFolderChanges)
{
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    const fs::path start = fs::temp_directory_path() / ("rt604-cmdline-" + std::to_string(::getpid()));
    fs::create_directories(start / "sub");
    fs::current_path(start);
    const struct {
        const char* arg;
        std::string file;
    } cases[] = {
        {"--virtual-keyboard=vk.state", (start / "vk.state").string()},
        {"--virtual-keyboard=./sub/vk.state", (start / "sub" / "vk.state").string()},
        {"--virtual-keyboard=../vk.state", (start / ".." / "vk.state").string()},
        {"--virtual-keyboard=/var/vk.state", "/var/vk.state"},
        {"--virtual-keyboard=", ""},
    };
    std::vector<CommandLine> lines;
    for (const auto& c : cases)
        lines.push_back(ParseCommandLine({c.arg}));
    fs::current_path(start / "sub"); // as Choose does, into the Package folder
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(cases[i].arg);
        EXPECT_EQ(lines[i].virtualKeyboardFile, cases[i].file);
    }
    fs::current_path(saved);
    fs::remove_all(start);
}

// What a start hands to an instance that already runs: the window's own
// message and first parameter, whatever else the command line says.
TEST(CommandLineTest, HandOverIsKillForKillTheUpdateWindowForFirmwareUpdateAndOpenOtherwise)
{
    const struct {
        std::vector<std::string> args;
        uint32_t message, param;
        std::string name;
    } cases[] = {
        {{}, 0x5350, 0x4F50454E, "open"},
        {{"/Start"}, 0x5350, 0x4F50454E, "open"},
        {{"--virtual-keyboard=x"}, 0x5350, 0x4F50454E, "open"},
        {{"/kill"}, 0x4D4B, 0x4C4C494B, "kill"},
        {{"/Start", "/KILL"}, 0x4D4B, 0x4C4C494B, "kill"},
        {{"--firmware-update"}, 0x5550, 0x55504454, "firmware-update"},
        {{"--firmware-update", "/Kill"}, 0x4D4B, 0x4C4C494B, "kill"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string("(none)") : c.args.back());
        const HandOver handOver = HandOverFor(ParseCommandLine(c.args));
        EXPECT_EQ(handOver.message.message, c.message);
        EXPECT_EQ(handOver.message.param, c.param);
        EXPECT_EQ(handOver.name, c.name);
    }
}

TEST(QtFileFilterTest, WindowsFiltersBecomeQtFilters)
{
    EXPECT_EQ(QtFileFilter("(*.vpf)|*.vpf|(*.*)|*.*||"), QStringLiteral("(*.vpf);;(*.*)"));
    EXPECT_EQ(QtFileFilter("MyType Files (*.exe)|*.exe||"), QStringLiteral("MyType Files (*.exe)"));
    EXPECT_EQ(QtFileFilter("Pictures|*.png;*.jpg|"), QStringLiteral("Pictures (*.png *.jpg)"));
    EXPECT_EQ(QtFileFilter(""), QString());
    EXPECT_EQ(QtFileFilter("no patterns|"), QString());
}

TEST(QtFileDialogTest, DialogsStartInTheNamedFileOrThePatternsFolder)
{
    const struct {
        const char* initialName;
        const char* start;
    } cases[] = {
        {"*.vpf", ""},
        {"/home/owner/.local/share/Orvan RT-604/*.vpf", "/home/owner/.local/share/Orvan RT-604/"},
        {"/home/owner/.local/share/Orvan RT-604/New profile.vpf", "/home/owner/.local/share/Orvan RT-604/New profile.vpf"},
        {"/usr/share/orvan-rt604/Package", "/usr/share/orvan-rt604/Package"},
        {"", ""},
    };
    for (const auto& c : cases) {
        FileChoice choice;
        choice.initialName = c.initialName;
        EXPECT_EQ(InitialFolderOrName(choice).toStdString(), c.start) << c.initialName;
    }
}
