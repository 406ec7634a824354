// The files that tell a Linux desktop and its owner about the programs: the
// AppStream metadata (as appstreamcli validates it), the manual pages (no
// groff warnings, every command and option the programs' own --help lists)
// and rt604ctl's bash completion (every command, each one's arguments, file
// names where a file is asked for).
#include "support/ShellCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path Linux = fs::path(RT604_SOURCE_DIR) / "data" / "linux";
const std::string Rt604 = std::string(RT604_DATA_DIR) + "/rt604";
const std::string Rt604ctl = std::string(RT604_DATA_DIR) + "/rt604ctl";

std::vector<std::string> LinesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// What rt604ctl --help lists: the commands (the first word of each line
// under "Commands:") and the options (every word starting with "-" on a
// line that starts with one, without what follows an "=").
struct HelpListing {
    std::vector<std::string> commands;
    std::vector<std::string> options;
};

HelpListing ListedByHelp(const std::string& program)
{
    HelpListing listing;
    const ShellResult help = RunShell(ShellQuoted(program) + " --help");
    EXPECT_EQ(help.status, 0) << help.output;
    bool inCommands = false;
    for (const std::string& line : LinesOf(help.output)) {
        if (line.rfind("Commands:", 0) == 0) {
            inCommands = true;
            continue;
        }
        if (line.empty() || line[0] != ' ')
            inCommands = false;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first.empty())
            continue;
        if (first[0] == '-' || first[0] == '/') {
            for (std::string word = first; !word.empty(); word.clear(), words >> word) {
                if (word[0] != '-' && word[0] != '/')
                    break;
                word = word.substr(0, word.find_first_of(",[")); // "-h," and "--virtual-keyboard[=FILE]"
                if (const size_t eq = word.find('='); eq != std::string::npos)
                    word = word.substr(0, eq + 1);
                listing.options.push_back(word);
            }
        } else if (inCommands) {
            listing.commands.push_back(first);
        }
    }
    return listing;
}

// The manual page as a reader sees it, plain text.
std::string Rendered(const fs::path& page)
{
    const ShellResult run = RunShell("groff -man -Tascii -P-cbou " + ShellQuoted(page.string()));
    EXPECT_EQ(run.status, 0) << run.output;
    return run.output;
}

// A tagged paragraph of the page starts with the word.
bool Documents(const std::string& rendered, const std::string& word)
{
    for (const std::string& line : LinesOf(rendered)) {
        if (line.rfind("       " + word, 0) == 0)
            return true;
    }
    return false;
}

// What the completion offers for a command line whose last word is being
// typed, one offer per line.
std::vector<std::string> Offers(const std::vector<std::string>& words, const fs::path& folder)
{
    std::string array;
    for (const std::string& w : words)
        array += " " + ShellQuoted(w);
    const std::string script = "cd " + ShellQuoted(folder.string()) + " && source " + ShellQuoted((Linux / "rt604ctl.bash").string()) +
                               " && COMP_WORDS=(" + array + ") && COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) && _rt604ctl" +
                               " && printf '%s\\n' \"${COMPREPLY[@]}\"";
    const ShellResult run = RunShell("bash -c " + ShellQuoted(script) + " 2>/dev/null");
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<std::string> offers;
    for (const std::string& line : LinesOf(run.output)) {
        if (!line.empty())
            offers.push_back(line);
    }
    std::sort(offers.begin(), offers.end());
    return offers;
}

} // namespace

TEST(DesktopFilesTest, AppStreamMetadataValidatesAndNamesWhatIsInstalled)
{
    const fs::path metainfo = Linux / "example.orvan_gear.rt604.metainfo.xml";
    const ShellResult run = RunShell("appstreamcli validate --no-net --explain " + ShellQuoted(metainfo.string()));
    EXPECT_EQ(run.status, 0) << run.output;

    std::ifstream in(metainfo);
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The id is the file's name; the launchable is the menu entry that is
    // installed; the binaries are the two programs.
    EXPECT_NE(xml.find("<id>example.orvan_gear.rt604</id>"), std::string::npos);
    EXPECT_NE(xml.find("<launchable type=\"desktop-id\">orvan-rt604.desktop</launchable>"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(Linux / "orvan-rt604.desktop"));
    for (const char* binary : {"<binary>rt604</binary>", "<binary>rt604ctl</binary>"})
        EXPECT_NE(xml.find(binary), std::string::npos) << binary;
    // Software centres offer it for the keyboard when it is plugged in.
    for (const char* modalias : {"<modalias>usb:v320Fp5000d*</modalias>", "<modalias>usb:v320Fp0000d*</modalias>"})
        EXPECT_NE(xml.find(modalias), std::string::npos) << modalias;
}

TEST(DesktopFilesTest, ManualPagesAreCleanAndDocumentEveryCommandAndOption)
{
    for (const char* page : {"rt604.1", "rt604ctl.1"}) {
        const ShellResult lint = RunShell("groff -man -ww -z -Tutf8 " + ShellQuoted((Linux / page).string()));
        EXPECT_EQ(lint.status, 0) << page;
        EXPECT_EQ(lint.output, "") << page;
    }

    const HelpListing ctl = ListedByHelp(Rt604ctl);
    ASSERT_GE(ctl.commands.size(), 8u);
    const std::string ctlPage = Rendered(Linux / "rt604ctl.1");
    for (const std::string& command : ctl.commands)
        EXPECT_TRUE(Documents(ctlPage, command)) << "rt604ctl.1 lacks the command " << command;
    for (const std::string& option : ctl.options)
        EXPECT_NE(ctlPage.find(option), std::string::npos) << "rt604ctl.1 lacks the option " << option;

    // A build without the GUI has no rt604 program to ask.
    if (!RT604_WITH_PROGRAM)
        return;
    const HelpListing program = ListedByHelp(Rt604);
    ASSERT_GE(program.options.size(), 4u);
    const std::string programPage = Rendered(Linux / "rt604.1");
    for (const std::string& option : program.options)
        EXPECT_NE(programPage.find(option), std::string::npos) << "rt604.1 lacks the option " << option;
}

TEST(DesktopFilesTest, CompletionOffersEveryCommandItsArgumentsAndFiles)
{
    const fs::path folder = fs::temp_directory_path() / ("rt604-completion-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "profiles");
    std::ofstream(folder / "old.vpf") << "x";
    std::ofstream(folder / "other file.vpf") << "x";
    std::ofstream(folder / "kb.state") << "x";

    // Every command rt604ctl has, and nothing else.
    std::vector<std::string> commands = ListedByHelp(Rt604ctl).commands;
    std::sort(commands.begin(), commands.end());
    EXPECT_EQ(Offers({"rt604ctl", ""}, folder), commands);

    const struct {
        std::vector<std::string> words;
        std::vector<std::string> offers;
    } cases[] = {
        {{"rt604ctl", "pro"}, {"profile"}},
        {{"rt604ctl", "profile", ""}, {"1", "2", "3"}},
        {{"rt604ctl", "keymap", "2", ""}, {}}, // one argument only
        {{"rt604ctl", "info", ""}, {}},
        {{"rt604ctl", "validate", "o"}, {"old.vpf", "other file.vpf"}},
        {{"rt604ctl", "import", "p"}, {"profiles"}},
        {{"rt604ctl", "dump", "old.vpf", ""}, {}},
        {{"rt604ctl", "rules", ""}, {"add", "default", "off", "on", "remove"}},
        {{"rt604ctl", "rules", "add", ""}, {}}, // the application is any name
        {{"rt604ctl", "rules", "add", "game", ""}, {"1", "2", "3"}},
        {{"rt604ctl", "rules", "add", "game", "2", ""}, {}},
        {{"rt604ctl", "rules", "default", ""}, {"1", "2", "3", "keep"}},
        {{"rt604ctl", "--json", "rules", "default", "k"}, {"keep"}},
        {{"rt604ctl", "rules", "remove", ""}, {}}, // a rule number
        {{"rt604ctl", "rules", "default", "2", ""}, {}},
        {{"rt604ctl", "--vir"}, {"--virtual-keyboard="}},
        // Options anywhere, their file value split off at "=" or not.
        {{"rt604ctl", "info", "--virtual-keyboard", "=", "k"}, {"kb.state"}},
        {{"rt604ctl", "info", "--virtual-keyboard=k"}, {"--virtual-keyboard=kb.state"}},
        {{"rt604ctl", "--virtual-keyboard", "=", "kb.state", "ke"}, {"key-colours", "keymap"}},
        {{"rt604ctl", "lighting", ""}, {"1", "2", "3"}},
        {{"rt604ctl", "key-colours", ""}, {"1", "2", "3"}},
        {{"rt604ctl", "--virtual-keyboard", "=", "kb.state", "keymap", ""}, {"1", "2", "3"}},
        // The lighting's fields after the profile, and the values of those that have a list.
        {{"rt604ctl", "lighting", ""}, {"1", "2", "3"}},
        {{"rt604ctl", "lighting", "2", "b"}, {"brightness="}},
        {{"rt604ctl", "lighting", "2", "speed", "=", "4", "c"}, {"choice=", "colour="}},
        {{"rt604ctl", "lighting", "2", "direction", "=", "l"}, {"left"}},
        {{"rt604ctl", "lighting", "2", "direction", "="}, {"left", "right"}},
        {{"rt604ctl", "lighting", "2", "choice=g"}, {"choice=green"}},
        {{"rt604ctl", "lighting", "2", "colour", "=", ""}, {}},
        {{"rt604ctl", "key-colours", "2", ""}, {}},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& w : c.words)
            line += w + " ";
        EXPECT_EQ(Offers(c.words, folder), c.offers) << line;
    }

    // Every option --help lists is offered.
    const std::vector<std::string> options = Offers({"rt604ctl", "-"}, folder);
    for (const std::string& option : ListedByHelp(Rt604ctl).options) {
        if (option == "-h") // the short form is not offered beside --help
            continue;
        EXPECT_NE(std::find(options.begin(), options.end(), option), options.end()) << option;
    }
    fs::remove_all(folder);
}
