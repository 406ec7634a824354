// The built program, started as an owner starts it (offscreen, on the
// virtual keyboard, in folders of the test's own), watched through its event
// log (RT604_EVENT_LOG) and its exit codes.
#include "support/ProgramProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string ProgramPath = std::string(RT604_DATA_DIR) + "/rt604";
constexpr auto Patience = 15s;

class ShellProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(ProgramPath)) << "build the rt604 target first";
        dir_ = fs::temp_directory_path() /
               ("rt604-process-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(dir_ / sub);
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
    }

    void TearDown() override
    {
        for (pid_t pid : running_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    // Starts the program; its event log is dir_/<name>.log, its output
    // dir_/<name>.out.
    pid_t Start(const std::string& name, std::vector<std::string> args, const std::string& program = ProgramPath)
    {
        const std::string log = (dir_ / (name + ".log")).string();
        const std::string out = (dir_ / (name + ".out")).string();
        const pid_t pid = StartProgramProcess(program, std::move(args), dir_, log, out);
        running_.push_back(pid);
        return pid;
    }

    std::string VirtualKeyboard() const { return "--virtual-keyboard=" + (dir_ / "vk.state").string(); }

    // Exit code, or -1 if it did not end in time.
    int WaitExit(pid_t pid, std::chrono::milliseconds timeout = Patience)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                running_.erase(std::remove(running_.begin(), running_.end(), pid), running_.end());
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(5ms);
        }
        return -1;
    }

    std::vector<std::string> Lines(const std::string& name) const
    {
        std::ifstream in(dir_ / (name + ".log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    bool Has(const std::string& name, const std::string& line) const
    {
        const auto lines = Lines(name);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    bool WaitFor(const std::string& name, const std::string& line, std::chrono::milliseconds timeout = Patience)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (Has(name, line))
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    // Position of a line in a log, -1 when absent.
    long IndexOf(const std::string& name, const std::string& line) const
    {
        const auto lines = Lines(name);
        auto it = std::find(lines.begin(), lines.end(), line);
        return it == lines.end() ? -1 : static_cast<long>(it - lines.begin());
    }

    // An instance that is up, connected to its virtual keyboard and hidden.
    pid_t StartResident(const std::string& name, std::vector<std::string> extra = {"/Start"})
    {
        extra.push_back(VirtualKeyboard());
        const pid_t pid = Start(name, extra);
        EXPECT_TRUE(WaitFor(name, "initialised"));
        EXPECT_TRUE(WaitFor(name, "tray-icon 141"));
        EXPECT_TRUE(WaitFor(name, "window-hidden"));
        return pid;
    }

    std::string RuntimeFolder() const { return (dir_ / "run" / "orvan-rt604").string(); }

    fs::path dir_;
    std::vector<pid_t> running_;
};

// Sends one raw 8-byte message to an instance's endpoint; the answer, or -1.
int SendRaw(const std::string& path, uint32_t message, uint32_t tag)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    uint8_t bytes[8];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(message >> (8 * i));
        bytes[4 + i] = static_cast<uint8_t>(tag >> (8 * i));
    }
    int answer = -1;
    if (::write(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes)) {
        uint8_t reply[4];
        size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::read(fd, reply + got, sizeof reply - got);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (got == sizeof reply)
            answer = reply[0] | reply[1] << 8 | reply[2] << 16 | reply[3] << 24;
    }
    ::close(fd);
    return answer;
}

} // namespace

TEST_F(ShellProcessTest, HelpDescribesTheCommandLine)
{
    const pid_t pid = Start("help", {"--help"});
    EXPECT_EQ(WaitExit(pid), 0);
    std::ifstream in(dir_ / "help.out");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* word : {"/Start", "/Kill", "--virtual-keyboard"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    EXPECT_FALSE(Has("help", "initialised"));
}

// No notification area offscreen: the program runs without an icon, and a
// second start is the way to its window.
TEST_F(ShellProcessTest, SecondStartOpensTheFirstWindowAndEndsWithZero)
{
    const pid_t first = StartResident("first");
    EXPECT_TRUE(Has("first", "tray-unavailable"));
    EXPECT_FALSE(Has("first", "window-shown")); // "/Start": stays hidden with the keyboard present

    const pid_t second = Start("second", {VirtualKeyboard()});
    EXPECT_EQ(WaitExit(second), 0);
    EXPECT_TRUE(Has("second", "open-sent"));
    EXPECT_FALSE(Has("second", "initialised")); // no second window, no second icon
    ASSERT_TRUE(WaitFor("first", "window-shown"));
    EXPECT_LT(IndexOf("first", "message OPEN"), IndexOf("first", "window-shown"));
    EXPECT_EQ(WaitExit(first, 300ms), -1); // still running

    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first), 0);
}

TEST_F(ShellProcessTest, WithTheKeyboardPresentTheWindowOpensOnceByItself)
{
    const pid_t pid = Start("auto", {VirtualKeyboard()});
    ASSERT_TRUE(WaitFor("auto", "window-shown"));
    EXPECT_LT(IndexOf("auto", "tray-icon 141"), IndexOf("auto", "window-shown"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
}

TEST_F(ShellProcessTest, KillEndsTheRunningInstanceInItsShutdownOrder)
{
    const std::vector<std::vector<std::string>> cases = {{"/Kill"}, {"/kill"}, {"/Start", "/KILL"}};
    int round = 0;
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        const std::string name = "resident" + std::to_string(round);
        const std::string killer = "killer" + std::to_string(round++);
        const pid_t resident = StartResident(name);
        const pid_t kill = Start(killer, args);
        EXPECT_EQ(WaitExit(kill), 0);
        EXPECT_TRUE(Has(killer, "kill-sent"));
        EXPECT_FALSE(Has(killer, "initialised"));
        EXPECT_EQ(WaitExit(resident), 0);

        const std::vector<std::string> order = {"message KILL", "exit-program", "subwindows-closed",
                                                "instance-released", "tray-removed", "documents-freed",
                                                "dialog-ended", "device-threads-stopped", "exit"};
        long previous = -1;
        for (const std::string& step : order) {
            const long at = IndexOf(name, step);
            EXPECT_GT(at, previous) << step;
            previous = at;
        }
        EXPECT_EQ(Lines(name).back(), "exit");
    }
}

TEST_F(ShellProcessTest, KillWithNoInstanceRunningStartsTheProgram)
{
    const pid_t pid = Start("alone", {"/Kill", VirtualKeyboard()});
    ASSERT_TRUE(WaitFor("alone", "initialised"));
    EXPECT_FALSE(Has("alone", "kill-sent"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
    EXPECT_TRUE(Has("alone", "device-threads-stopped"));
}

// A lock file left behind by a crash holds nothing: the start owns the lock
// and a later start finds it.
TEST_F(ShellProcessTest, StaleLockDoesNotStopAStart)
{
    fs::create_directories(RuntimeFolder());
    std::ofstream(RuntimeFolder() + "/QM40T17B.lock") << "stale";
    std::ofstream(RuntimeFolder() + "/QM40T17B-999999") << "not a socket";
    const pid_t first = StartResident("first");
    EXPECT_FALSE(Has("first", "lock-held-elsewhere"));
    const pid_t second = Start("second", {"/Start", VirtualKeyboard()});
    EXPECT_EQ(WaitExit(second), 0);
    EXPECT_TRUE(Has("second", "open-sent"));
    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first), 0);
}

// The lock taken by something that is not this program (as a mutex of that
// name might exist on another system): the program runs without owning it.
TEST_F(ShellProcessTest, LockHeldByAnotherProgramDoesNotStopAStart)
{
    fs::create_directories(RuntimeFolder());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open((RuntimeFolder() + "/QM40T17B.lock").c_str(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        [[maybe_unused]] ssize_t w = ::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    running_.push_back(holder);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const pid_t pid = StartResident("program");
    EXPECT_TRUE(Has("program", "lock-held-elsewhere"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

// A copy under another file name is another program; the companion program
// beside it is started.
TEST_F(ShellProcessTest, CopyUnderAnotherNameIsAnotherProgram)
{
    const fs::path copyDir = dir_ / "copy";
    fs::create_directories(copyDir);
    fs::copy_file(ProgramPath, copyDir / "rt604-copy");
    for (const char* data : {"Skins", "Help", "Lang0409.ini", "Lang0419.ini"})
        fs::create_symlink(fs::path(RT604_DATA_DIR) / data, copyDir / data);
    const fs::path marker = dir_ / "companion-ran";
    {
        std::ofstream companion(copyDir / "Tarnwick");
        companion << "#!/bin/sh\necho started > '" << marker.string() << "'\n";
    }
    fs::permissions(copyDir / "Tarnwick", fs::perms::owner_all);

    const pid_t original = StartResident("original");
    EXPECT_FALSE(Has("original", "companion-started")); // none beside the original: nothing changes
    const pid_t copy = Start("copy", {"/Start", VirtualKeyboard() + "-copy"}, (copyDir / "rt604-copy").string());
    ASSERT_TRUE(WaitFor("copy", "initialised"));
    EXPECT_TRUE(Has("copy", "lock-held-elsewhere"));
    EXPECT_FALSE(Has("copy", "open-sent"));
    EXPECT_TRUE(Has("copy", "companion-started"));
    const auto end = std::chrono::steady_clock::now() + Patience;
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(Has("original", "message OPEN"));

    // "/Kill" from the copy ends the copy's other instance only.
    const pid_t killer = Start("killer", {"/Kill"}, (copyDir / "rt604-copy").string());
    EXPECT_EQ(WaitExit(killer), 0);
    EXPECT_EQ(WaitExit(copy), 0);
    EXPECT_EQ(WaitExit(original, 300ms), -1);
    ::kill(original, SIGTERM);
    EXPECT_EQ(WaitExit(original), 0);
}

TEST_F(ShellProcessTest, MessagesWithWrongTagsAreIgnored)
{
    const pid_t pid = StartResident("resident");
    const std::string endpoint = RuntimeFolder() + "/QM40T17B-" + std::to_string(pid);
    EXPECT_EQ(SendRaw(endpoint, 0x5350, 0x4C4C494B), 0); // OPEN with KILL's tag
    EXPECT_EQ(SendRaw(endpoint, 0x4D4B, 0x4F50454E), 0); // KILL with OPEN's tag
    EXPECT_EQ(SendRaw(endpoint, 0x4D4B, 0), 0);
    EXPECT_EQ(SendRaw(endpoint, 0x9999, 0x4F50454E), 0);
    EXPECT_EQ(WaitExit(pid, 200ms), -1);
    EXPECT_FALSE(Has("resident", "message OPEN"));
    EXPECT_FALSE(Has("resident", "window-shown"));
    EXPECT_EQ(SendRaw(endpoint, 0x5350, 0x4F50454E), 1);
    EXPECT_TRUE(WaitFor("resident", "window-shown"));
    EXPECT_EQ(SendRaw(endpoint, 0x4D4B, 0x4C4C494B), 1);
    EXPECT_EQ(WaitExit(pid), 0);
}
