#pragma once

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

inline const std::string ProgramPath = std::string(RT604_DATA_DIR) + "/rt604";
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
        UseHome(dir_);
    }

    // The folder whose run, config and data stand in for the runtime,
    // settings and data folders of the programs started from now on.
    void UseHome(const fs::path& home)
    {
        home_ = home;
        for (const char* sub : {"run", "config", "data"})
            fs::create_directories(home_ / sub);
        fs::permissions(home_ / "run", fs::perms::owner_all, fs::perm_options::replace);
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
    // gateFd: see StartProgramProcess.
    pid_t Start(const std::string& name, std::vector<std::string> args, const std::string& program = ProgramPath,
                int gateFd = -1)
    {
        const std::string log = (dir_ / (name + ".log")).string();
        const std::string out = (dir_ / (name + ".out")).string();
        const pid_t pid = StartProgramProcess(program, std::move(args), home_, log, out, gateFd);
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

    std::string RuntimeFolder() const { return (home_ / "run" / "orvan-rt604").string(); }

    fs::path dir_;
    fs::path home_;
    std::vector<pid_t> running_;
};

// Sends one raw 8-byte message to an instance's endpoint; the answer, or -1.
inline int SendRaw(const std::string& path, uint32_t message, uint32_t tag)
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

