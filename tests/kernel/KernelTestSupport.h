#pragma once

// Tests that run inside the VM of tools/kernel-test.sh, where the keyboard is
// plugged into a real kernel through /dev/uhid by rt604-uhid-keyboard and the
// program reaches it through hidraw and hidapi as on an owner's machine.

#include "device/virtual/VirtualKeyboard.h"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kernel {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline std::string BinaryPath(const char* name)
{
    return (fs::path(RT604_BINARY_DIR) / "bin" / name).string();
}

// On the host (no /dev/uhid, or no right to it) these tests have nothing to
// talk to; the VM gives them a kernel of their own.
inline bool HaveUhid()
{
    const int fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

#define RT604_REQUIRE_UHID()                                                          \
    do {                                                                              \
        if (!::kernel::HaveUhid())                                                    \
            GTEST_SKIP() << "needs /dev/uhid: these tests run in tools/kernel-test.sh"; \
    } while (0)

inline std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

// rt604-uhid-keyboard as a child process, driven line by line.
class UhidKeyboardProcess {
public:
    explicit UhidKeyboardProcess(std::vector<std::string> args)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        args.insert(args.begin(), BinaryPath("rt604-uhid-keyboard"));
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            std::vector<char*> argv;
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        ready_ = ReadLine(30s);
        const std::vector<std::string> words = Words(ready_);
        if (words.size() == 3 && words[0] == "ready")
            nodes_ = {words[1], words[2]};
    }

    ~UhidKeyboardProcess() { Quit(); }

    // "ready NODE0 NODE1" or "ready unplugged"; empty when it did not start.
    const std::string& ReadyLine() const { return ready_; }
    // The hidraw nodes of the boot keyboard and the vendor interface, as the
    // last plug made them.
    const std::vector<std::string>& Nodes() const { return nodes_; }
    std::string ConfigPath() const { return nodes_.size() == 2 ? nodes_[1] + "#0" : std::string(); }
    std::string NotifyPath() const { return nodes_.size() == 2 ? nodes_[1] + "#1" : std::string(); }

    // The answer line; empty when the keyboard did not answer in time.
    std::string Command(const std::string& line, std::chrono::milliseconds timeout = 30s)
    {
        const std::string text = line + "\n";
        if (toChild_ < 0 || ::write(toChild_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return {};
        std::string answer = ReadLine(timeout);
        const std::vector<std::string> words = Words(answer);
        if (words.size() == 4 && words[0] == "ok" && words[1] == "plugged")
            nodes_ = {words[2], words[3]};
        return answer;
    }

    // Sends quit and waits for the exit; the exit status, -1 when killed.
    int Quit()
    {
        if (pid_ <= 0)
            return -1;
        if (toChild_ >= 0) {
            [[maybe_unused]] ssize_t n = ::write(toChild_, "quit\n", 5);
            ::close(toChild_);
            toChild_ = -1;
        }
        int status = 0;
        for (int i = 0; i < 3000 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(10ms);
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            status = -1;
        }
        pid_ = -1;
        if (fromChild_ >= 0)
            ::close(fromChild_);
        fromChild_ = -1;
        return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    std::string ReadLine(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const size_t newline = buffered_.find('\n');
            if (newline != std::string::npos) {
                std::string line = buffered_.substr(0, newline);
                buffered_.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd p{fromChild_, POLLIN, 0};
            if (fromChild_ < 0 || left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char chunk[256];
            const ssize_t n = ::read(fromChild_, chunk, sizeof chunk);
            if (n <= 0)
                return {};
            buffered_.append(chunk, static_cast<size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffered_;
    std::string ready_;
    std::vector<std::string> nodes_;
};

struct ProgramRun {
    int status = -1; // -1 killed; -2 still running when the time was up (then killed)
    std::string out;
    std::string err;
};

// Starts a program with its own data and config folders and the C locale;
// its output goes to files in dir, which WaitProgram reads back.
inline pid_t StartProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& dir)
{
    const std::string outFile = (dir / "run.out").string();
    const std::string errFile = (dir / "run.err").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        ::setenv("LANG", "C", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        std::vector<std::string> all = args;
        all.insert(all.begin(), program);
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits for a program StartProgram started, until the deadline at most: one
// still running then is killed.
inline ProgramRun WaitProgram(pid_t pid, const fs::path& dir,
                              std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max())
{
    ProgramRun run;
    int status = 0;
    bool ended = false;
    while (pid > 0 && !ended) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            ended = true;
            run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        } else if (done < 0) {
            break;
        } else if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            run.status = -2;
            ended = true;
        } else {
            std::this_thread::sleep_for(2ms);
        }
    }
    ReadWholeFile((dir / "run.out").string(), run.out, 1 << 24);
    ReadWholeFile((dir / "run.err").string(), run.err, 1 << 24);
    return run;
}

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& dir)
{
    return WaitProgram(StartProgram(program, args, dir), dir);
}

inline std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::string text;
    if (!ReadWholeFile(path, text, 1 << 24))
        return {};
    return std::vector<uint8_t>(text.begin(), text.end());
}

inline KeyboardMemories StateMemories(const std::string& path)
{
    const std::vector<uint8_t> bytes = FileBytes(path);
    KeyboardMemories memories;
    EXPECT_TRUE(DecodeKeyboardState(bytes.data(), bytes.size(), memories)) << path;
    return memories;
}

// A folder of the test's own under the temporary folder.
inline fs::path TestFolder(const char* kind)
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "-" + info->name();
    for (char& c : name) {
        if (c == '/')
            c = '-';
    }
    const fs::path dir = fs::temp_directory_path() / (std::string("rt604-") + kind + "-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

} // namespace kernel
