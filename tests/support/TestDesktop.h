#pragma once

// A desktop of a test's own for process tests that need a real X server: an
// Xvfb server on a free display and a private session bus, both ended with
// the object together with every program started in it. xdotool looks at
// its windows and clicks in them as a person would.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

class TestDesktop {
public:
    TestDesktop() = default;
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;
    ~TestDesktop()
    {
        for (auto it = started_.rbegin(); it != started_.rend(); ++it)
            Stop(*it);
        Stop(bus_);
        Stop(server_);
    }

    // Starts the X server and the session bus; false (and why) when either
    // cannot be had.
    bool Start(std::string& why)
    {
        const std::string xvfb = Which("Xvfb");
        const std::string dbus = Which("dbus-daemon");
        if (xvfb.empty() || dbus.empty()) {
            why = xvfb.empty() ? "Xvfb is not installed" : "dbus-daemon is not installed";
            return false;
        }
        display_ = ":" + Launch({xvfb, "Xvfb", "-displayfd", "@FD@", "-screen", "0", "1280x1024x24", "-nolisten",
                                 "tcp", "-noreset"},
                                server_);
        if (display_ == ":") {
            why = "Xvfb did not come up";
            return false;
        }
        busAddress_ = Launch({dbus, "dbus-daemon", "--session", "--nofork", "--print-address=@FD@"}, bus_);
        if (busAddress_.empty()) {
            why = "dbus-daemon did not come up";
            return false;
        }
        return true;
    }

    const std::string& Display() const { return display_; }
    const std::string& BusAddress() const { return busAddress_; }

    // The environment programs get: this desktop's display and bus, Qt on
    // X11, plus extra ("NAME=value" entries replace inherited ones).
    std::vector<std::string> Environment(const std::vector<std::string>& extra = {}) const
    {
        std::vector<std::string> overrides = {"DISPLAY=" + display_, "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
                                              "QT_QPA_PLATFORM=xcb"};
        overrides.insert(overrides.end(), extra.begin(), extra.end());
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            bool keep = entry.rfind("WAYLAND_DISPLAY=", 0) != 0;
            for (const std::string& o : overrides)
                keep = keep && entry.rfind(o.substr(0, o.find('=') + 1), 0) != 0;
            if (keep)
                env.push_back(entry);
        }
        env.insert(env.end(), overrides.begin(), overrides.end());
        return env;
    }

    // Starts a program on this desktop (searched in PATH), its output to
    // outputFile; it is ended with the desktop unless stopped before.
    pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputFile,
                const std::vector<std::string>& extraEnv = {})
    {
        std::vector<std::string> env = Environment(extraEnv);
        std::vector<std::string> args = argv;
        const std::string program = args[0].find('/') == std::string::npos ? Which(args[0]) : args[0];
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::setpgid(0, 0);
            std::vector<char*> a;
            for (std::string& s : args)
                a.push_back(s.data());
            a.push_back(nullptr);
            std::vector<char*> e;
            for (std::string& s : env)
                e.push_back(s.data());
            e.push_back(nullptr);
            ::execve(program.c_str(), a.data(), e.data());
            ::_exit(127);
        }
        started_.push_back(pid);
        return pid;
    }

    // Ends a program started with Spawn (as a panel that is killed ends).
    void Kill(pid_t pid)
    {
        Stop(pid);
        for (pid_t& p : started_) {
            if (p == pid)
                p = 0;
        }
    }

    // Ends the X server under every program on it, as a session that ends
    // does; they are left running.
    void StopServer() { Stop(server_); }

    // Runs a shell command on this desktop; its standard output.
    std::string Run(const std::string& command) const
    {
        std::string prefix;
        for (const std::string& e : {"DISPLAY=" + display_, "DBUS_SESSION_BUS_ADDRESS=" + busAddress_})
            prefix += "export '" + e + "'; ";
        FILE* pipe = ::popen((prefix + command + " 2>/dev/null").c_str(), "r");
        if (!pipe)
            return {};
        std::string out;
        char buffer[512];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        ::pclose(pipe);
        return out;
    }

    // The visible windows whose class or instance name is name.
    std::vector<unsigned long> VisibleWindows(const std::string& name) const
    {
        std::istringstream in(Run("xdotool search --onlyvisible --classname '" + name + "'"));
        std::vector<unsigned long> windows;
        for (unsigned long w; in >> w;)
            windows.push_back(w);
        return windows;
    }

    // x, y, width, height of a window on the screen.
    bool Geometry(unsigned long window, int& x, int& y, int& width, int& height) const
    {
        const std::string text = Run("xdotool getwindowgeometry --shell " + std::to_string(window));
        bool ok = true;
        auto value = [&](const std::string& key) {
            const size_t at = text.find(key + "=");
            if (at == std::string::npos) {
                ok = false;
                return 0;
            }
            return std::atoi(text.c_str() + at + key.size() + 1);
        };
        x = value("X");
        y = value("Y");
        width = value("WIDTH");
        height = value("HEIGHT");
        return ok;
    }

    static std::string Which(const std::string& program)
    {
        const char* path = std::getenv("PATH");
        std::istringstream dirs(path ? path : "/usr/bin:/bin");
        for (std::string dir; std::getline(dirs, dir, ':');) {
            const std::filesystem::path candidate = std::filesystem::path(dir) / program;
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate.string();
        }
        return {};
    }

private:
    // Starts a server that prints its address on the descriptor named by
    // "@FD@" in its arguments; the first line it prints, or empty.
    static std::string Launch(std::vector<std::string> argv, pid_t& pid)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        for (std::string& a : argv) {
            const size_t at = a.find("@FD@");
            if (at != std::string::npos)
                a.replace(at, 4, std::to_string(fds[1]));
        }
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            ::setpgid(0, 0);
            std::vector<char*> a;
            for (size_t i = 1; i < argv.size(); ++i)
                a.push_back(argv[i].data());
            a.push_back(nullptr);
            ::execv(argv[0].c_str(), a.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string text;
        pollfd wait{fds[0], POLLIN, 0};
        char buffer[256];
        while (text.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            text.append(buffer, static_cast<size_t>(n));
        }
        ::close(fds[0]);
        text = text.substr(0, text.find('\n'));
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }

    static void Stop(pid_t& pid)
    {
        if (pid <= 0)
            return;
        // Reaped already by a test that waited for it: its number may be
        // another process's by now.
        if (::waitpid(pid, nullptr, WNOHANG) != 0) {
            pid = 0;
            return;
        }
        ::kill(pid, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = 0;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = 0;
    }

    std::string display_;
    std::string busAddress_;
    pid_t server_ = 0;
    pid_t bus_ = 0;
    std::vector<pid_t> started_;
};
