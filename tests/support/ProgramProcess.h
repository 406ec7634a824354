#pragma once

// Starts a built program the way an owner's desktop would, but offscreen and
// in folders of the test's own: <home>/run, <home>/config and <home>/data
// stand in for the runtime, settings and data folders, so tests never touch
// the real home or a running instance of the owner.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

// gateFd >= 0: the child waits for one byte from it before it runs the
// program, so that a test can let many starts go at the same instant.
inline pid_t StartProgramProcess(const std::string& program, std::vector<std::string> args,
                                 const std::filesystem::path& home, const std::string& eventLog,
                                 const std::string& outputFile, int gateFd = -1)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool keep = true;
        for (const char* drop : {"XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=", "XDG_DATA_HOME=", "QT_QPA_PLATFORM=",
                                 "RT604_EVENT_LOG=", "DISPLAY=", "WAYLAND_DISPLAY="})
            keep = keep && entry.rfind(drop, 0) != 0;
        if (keep)
            env.push_back(entry);
    }
    env.push_back("XDG_RUNTIME_DIR=" + (home / "run").string());
    env.push_back("XDG_CONFIG_HOME=" + (home / "config").string());
    env.push_back("XDG_DATA_HOME=" + (home / "data").string());
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back("RT604_EVENT_LOG=" + eventLog);
    args.insert(args.begin(), program);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test program that crashes or is killed at its time-out takes its
        // programs with it: none is left running (and waiting) after the run.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        if (gateFd >= 0) {
            char go = 0;
            if (::read(gateFd, &go, 1) != 1)
                ::_exit(126);
        }
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

// The programs one test runs side by side in its folder, each with its event
// log NAME.log and its output NAME.out there. Whatever still runs when the
// test ends is killed. patience bounds every wait: a machine that emulates
// another (the kernel VM) needs more.
class ProgramRuns {
public:
    ProgramRuns(std::filesystem::path folder, std::chrono::milliseconds patience)
        : folder_(std::move(folder)), patience_(patience)
    {
    }
    ~ProgramRuns() { KillAll(); }
    ProgramRuns(const ProgramRuns&) = delete;
    ProgramRuns& operator=(const ProgramRuns&) = delete;

    pid_t Start(const std::string& name, const std::string& program, std::vector<std::string> args)
    {
        const pid_t pid = StartProgramProcess(program, std::move(args), folder_, Path(name + ".log"),
                                              Path(name + ".out"));
        running_.push_back(pid);
        return pid;
    }
    // Exit code, or -1 when the program did not end in time.
    int WaitExit(pid_t pid)
    {
        const auto end = std::chrono::steady_clock::now() + patience_;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                std::erase(running_, pid);
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return -1;
    }
    // False when the line did not come in time, or when watched (if given)
    // ended first.
    bool WaitForLine(const std::string& name, const std::string& line, pid_t watched = -1)
    {
        const auto end = std::chrono::steady_clock::now() + patience_;
        while (std::chrono::steady_clock::now() < end) {
            if (Read(Path(name + ".log")).find(line + "\n") != std::string::npos)
                return true;
            if (watched > 0 && !Running(watched))
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    std::string Log(const std::string& name) const { return Read(Path(name + ".log")); }
    std::string Output(const std::string& name) const { return Read(Path(name + ".out")); }
    static std::string Read(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void KillAll()
    {
        for (pid_t pid : running_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        running_.clear();
    }

private:
    std::string Path(const std::string& file) const { return (folder_ / file).string(); }
    bool Running(pid_t pid)
    {
        if (std::find(running_.begin(), running_.end(), pid) == running_.end())
            return false;
        if (::waitpid(pid, nullptr, WNOHANG) != pid)
            return true;
        std::erase(running_, pid);
        return false;
    }

    std::filesystem::path folder_;
    std::chrono::milliseconds patience_;
    std::vector<pid_t> running_;
};
