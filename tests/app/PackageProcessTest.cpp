// The Debian package as an owner builds it ("cpack -G DEB" in the build
// folder): it holds exactly what "cmake --install" installs for /usr, its
// dependencies were computed from the programs' libraries, its scripts
// reload the udev rule, and the programs run from the unpacked package.
// Needs the whole build (rt604, rt604ctl and the skin), as an install does.
#include "support/ProgramProcess.h"
#include "support/ShellCommand.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
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

// Regular files and links under root, as paths relative to it.
std::set<std::string> FilesUnder(const fs::path& root)
{
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_directory())
            files.insert(fs::relative(entry.path(), root).string());
    }
    return files;
}

class PackageProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("rt604-package-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        for (const char* sub : {"out", "stage", "root", "control", "run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    }

    void TearDown() override
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    bool WaitForLogLine(const fs::path& log, const std::string& line)
    {
        const auto end = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < end) {
            std::istringstream in(ReadText(log));
            for (std::string l; std::getline(in, l);) {
                if (l == line)
                    return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    fs::path dir_;
    pid_t pid_ = -1;
};

} // namespace

TEST_F(PackageProcessTest, TheDebianPackageHoldsWhatTheInstallInstallsAndRuns)
{
    const std::string build = RT604_BINARY_DIR;
    const ShellResult pack = RunShell("cpack --config " + ShellQuoted(build + "/CPackConfig.cmake") + " -G DEB -B " +
                           ShellQuoted((dir_ / "out").string()));
    ASSERT_EQ(pack.status, 0) << pack.output;
    fs::path deb;
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
        if (entry.path().extension() == ".deb")
            deb = entry.path();
    }
    ASSERT_FALSE(deb.empty()) << pack.output;
    EXPECT_EQ(deb.filename().string().rfind("orvan-rt604_", 0), 0u) << deb;

    // The file list, as dpkg-deb -c prints it ("./usr/bin/rt604" in the
    // last column; folders end in "/").
    const ShellResult contents = RunShell("dpkg-deb -c " + ShellQuoted(deb.string()));
    ASSERT_EQ(contents.status, 0) << contents.output;
    std::set<std::string> packed;
    std::istringstream lines(contents.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string field, path;
        for (int i = 0; i < 6 && fields >> field; ++i)
            path = field;
        if (path.rfind("./", 0) == 0 && path.back() != '/')
            packed.insert(path.substr(2));
    }

    // What an install for /usr puts in place, staged with DESTDIR.
    const ShellResult install = RunShell("DESTDIR=" + ShellQuoted((dir_ / "stage").string()) + " cmake --install " + ShellQuoted(build) +
                              " --prefix /usr");
    ASSERT_EQ(install.status, 0) << install.output;
    EXPECT_EQ(packed, FilesUnder(dir_ / "stage"));
    for (const char* file : {"usr/bin/rt604", "usr/bin/rt604ctl", "usr/lib/udev/rules.d/70-orvan-rt604.rules",
                             "etc/xdg/autostart/orvan-rt604.desktop", "usr/share/applications/orvan-rt604.desktop",
                             "usr/share/icons/hicolor/256x256/apps/orvan-rt604.png",
                             "usr/share/metainfo/example.orvan_gear.rt604.metainfo.xml",
                             "usr/share/man/man1/rt604.1.gz", "usr/share/man/man1/rt604ctl.1.gz",
                             "usr/share/bash-completion/completions/rt604ctl", "usr/share/orvan-rt604/Skins/Main.ini",
                             "usr/share/orvan-rt604/Lang0419.ini", "usr/share/orvan-rt604/Help/index.html"})
        EXPECT_EQ(packed.count(file), 1u) << file;

    // The libraries the programs link, found by dpkg-shlibdeps with their
    // lowest versions, and Qt's platform plugins, which nothing links.
    const ShellResult depends = RunShell("dpkg-deb -f " + ShellQuoted(deb.string()) + " Depends");
    ASSERT_EQ(depends.status, 0) << depends.output;
    for (const char* package : {"libc6 (>=", "libstdc++6 (>=", "libhidapi-hidraw0 (>=", "libqt6core6 (>=",
                                "libqt6widgets6 (>=", "libqt6dbus6 (>=", "qt6-qpa-plugins"})
        EXPECT_NE(depends.output.find(package), std::string::npos) << package << " in " << depends.output;
    // The single-instance socket needs no QtNetwork (and none of the
    // Kerberos and proxy libraries it loads).
    EXPECT_EQ(depends.output.find("libqt6network6"), std::string::npos) << depends.output;

    // The maintainer scripts: the udev rule is reloaded after install and
    // removal; the autostart entry in /etc is the owner's to edit.
    const ShellResult control = RunShell("dpkg-deb -e " + ShellQuoted(deb.string()) + " " + ShellQuoted((dir_ / "control").string()));
    ASSERT_EQ(control.status, 0) << control.output;
    for (const char* script : {"postinst", "postrm"}) {
        SCOPED_TRACE(script);
        const fs::path path = dir_ / "control" / script;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_NE(st.st_mode & S_IXUSR, 0u);
        const std::string text = ReadText(path);
        EXPECT_NE(text.find("udevadm control --reload-rules"), std::string::npos);
        EXPECT_NE(text.find("udevadm trigger --subsystem-match=hidraw"), std::string::npos);
        EXPECT_EQ(RunShell("sh -n " + ShellQuoted(path.string())).status, 0);
    }
    EXPECT_NE(ReadText(dir_ / "control" / "postinst").find("configure"), std::string::npos);
    EXPECT_EQ(ReadText(dir_ / "control" / "conffiles"), "/etc/xdg/autostart/orvan-rt604.desktop\n");

    // Unpacked, the (stripped) programs run and find their files under
    // usr/share by themselves.
    const ShellResult extract = RunShell("dpkg-deb -x " + ShellQuoted(deb.string()) + " " + ShellQuoted((dir_ / "root").string()));
    ASSERT_EQ(extract.status, 0) << extract.output;
    const ShellResult help = RunShell(ShellQuoted((dir_ / "root/usr/bin/rt604ctl").string()) + " --help");
    EXPECT_EQ(help.status, 0) << help.output;
    EXPECT_NE(help.output.find("validate"), std::string::npos);
    const fs::path log = dir_ / "events.log";
    pid_ = StartProgramProcess((dir_ / "root/usr/bin/rt604").string(),
                               {"/Start", "--virtual-keyboard=" + (dir_ / "vk.state").string()}, dir_, log.string(),
                               (dir_ / "program.out").string());
    EXPECT_TRUE(WaitForLogLine(log, "initialised")) << ReadText(dir_ / "program.out");
    EXPECT_TRUE(WaitForLogLine(log, "tray-icon 141"));
    ::kill(pid_, SIGTERM);
    int status = 0;
    EXPECT_EQ(::waitpid(pid_, &status, 0), pid_);
    pid_ = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadText(dir_ / "program.out").find("cannot load"), std::string::npos);
}
