// The install step (cmake --install) into a prefix of the test's own: every
// file lands where the desktop, udev and the program look for it, and the
// installed rt604 runs from there, finding its skin and texts under share/.
// Needs the whole build (rt604, rt604ctl and the skin), as an install does.
#include "support/ProgramProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool HasLine(const std::string& text, const std::string& line)
{
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        if (l == line)
            return true;
    }
    return false;
}

class InstallProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("rt604-install-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        prefix_ = dir_ / "prefix";
    }

    void TearDown() override
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    // Starts the installed program offscreen with folders of the test's own.
    void StartInstalled(std::vector<std::string> args)
    {
        const std::string program = (prefix_ / "bin" / "rt604").string();
        const std::string out = (dir_ / "program.out").string();
        pid_ = StartProgramProcess(program, std::move(args), dir_, Log().string(), out);
    }

    fs::path Log() const { return dir_ / "events.log"; }

    bool WaitForLogLine(const std::string& line)
    {
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < end) {
            if (HasLine(ReadText(Log()), line))
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    int StopAndWait()
    {
        ::kill(pid_, SIGTERM);
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    fs::path dir_;
    fs::path prefix_;
    pid_t pid_ = -1;
};

} // namespace

TEST_F(InstallProcessTest, InstalledProgramRunsFromItsPrefixBesideItsDesktopFiles)
{
    const std::string log = (dir_ / "install.log").string();
    const std::string command = "cmake --install " + Quoted(RT604_BINARY_DIR) + " --prefix " + Quoted(prefix_.string()) +
                                " >" + Quoted(log) + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadText(log);

    // File under the prefix, and lines it must hold.
    const struct {
        const char* path;
        std::vector<std::string> lines;
    } files[] = {
        {"bin/rt604", {}},
        {"bin/rt604ctl", {}},
        {"share/orvan-rt604/Skins/Main.ini", {"[SCREEN]"}},
        {"share/orvan-rt604/Skins/main_normal.jpg", {}},
        {"share/orvan-rt604/Lang0409.ini", {"[TEXT]"}},
        {"share/orvan-rt604/Lang0419.ini", {"[TEXT]"}},
        {"share/orvan-rt604/Help/index.html", {}},
        {"share/applications/orvan-rt604.desktop",
         {"[Desktop Entry]", "Type=Application", "Exec=rt604", "Icon=orvan-rt604"}},
        {"etc/xdg/autostart/orvan-rt604.desktop", {"[Desktop Entry]", "Exec=rt604 /Start", "Icon=orvan-rt604"}},
        {"lib/udev/rules.d/70-orvan-rt604.rules",
         {R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="5000", TAG+="uaccess")",
          R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="0000", TAG+="uaccess")"}},
        {"share/icons/hicolor/256x256/apps/orvan-rt604.png", {}},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.path);
        const fs::path path = prefix_ / file.path;
        ASSERT_TRUE(fs::is_regular_file(path));
        EXPECT_GT(fs::file_size(path), 0u);
        const std::string text = ReadText(path);
        for (const std::string& line : file.lines)
            EXPECT_TRUE(HasLine(text, line)) << line;
    }
    for (const char* program : {"bin/rt604", "bin/rt604ctl"})
        EXPECT_EQ(::access((prefix_ / program).c_str(), X_OK), 0) << program;
    // Where the update window looks for updaters, empty until the owner puts one there.
    EXPECT_TRUE(fs::is_directory(prefix_ / "share/orvan-rt604/Package"));

    // The icon is what its folder says: a 256 x 256 PNG.
    const std::string icon = ReadText(prefix_ / "share/icons/hicolor/256x256/apps/orvan-rt604.png");
    ASSERT_GE(icon.size(), 24u);
    EXPECT_EQ(icon.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    auto bigEndian = [&icon](size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(icon[at])) << 24 |
               static_cast<uint32_t>(static_cast<uint8_t>(icon[at + 1])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(icon[at + 2])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(icon[at + 3]));
    };
    EXPECT_EQ(bigEndian(16), 256u);
    EXPECT_EQ(bigEndian(20), 256u);

    // The help page tells how to use the window, not just that it exists.
    const std::string help = ReadText(prefix_ / "share/orvan-rt604/Help/index.html");
    for (const char* topic : {"notification area", "Profile", "Macro", "Apply", "Import", "Export",
                              "profile manager", "Firmware update"})
        EXPECT_NE(help.find(topic), std::string::npos) << topic;

    // Nothing of the build tree beside the installed program: it must find
    // its skin and texts in share/orvan-rt604 by itself.
    // The update window opens too: its pictures and layout are installed.
    StartInstalled({"/Start", "--firmware-update", "--virtual-keyboard=" + (dir_ / "vk.state").string()});
    EXPECT_TRUE(WaitForLogLine("initialised")) << ReadText(dir_ / "program.out");
    EXPECT_TRUE(WaitForLogLine("firmware-update"));
    EXPECT_TRUE(WaitForLogLine("tray-icon 141"));
    EXPECT_EQ(StopAndWait(), 0);
    const std::string output = ReadText(dir_ / "program.out");
    EXPECT_EQ(output.find("cannot load"), std::string::npos) << output;
}

// Desktops read autostart entries from /etc/xdg/autostart only: a system
// install (prefix /usr or /usr/local) puts the entry there, not under the
// prefix; the rest stays under the prefix. DESTDIR stages it in the test's
// folder.
TEST_F(InstallProcessTest, AutostartEntryGoesWhereDesktopsReadIt)
{
    const struct {
        const char* prefix;
        const char* autostart;
        const char* program;
    } cases[] = {
        {"/usr", "etc/xdg/autostart/orvan-rt604.desktop", "usr/bin/rt604"},
        {"/usr/local", "etc/xdg/autostart/orvan-rt604.desktop", "usr/local/bin/rt604"},
        {"/opt/orvan", "opt/orvan/etc/xdg/autostart/orvan-rt604.desktop", "opt/orvan/bin/rt604"},
    };
    int round = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prefix);
        const fs::path stage = dir_ / ("stage" + std::to_string(round++));
        const std::string log = (dir_ / "install.log").string();
        const std::string command = "DESTDIR=" + Quoted(stage.string()) + " cmake --install " +
                                    Quoted(RT604_BINARY_DIR) + " --prefix " + Quoted(c.prefix) + " >" + Quoted(log) +
                                    " 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadText(log);
        EXPECT_TRUE(fs::is_regular_file(stage / c.program));
        EXPECT_TRUE(HasLine(ReadText(stage / c.autostart), "Exec=rt604 /Start"));
        std::error_code error;
        fs::remove_all(stage, error);
    }
}
