#pragma once

// A virtual X server (Xvfb) on a display it picks itself, and a client that
// plays the window manager's part for automatic profiles: it creates
// application windows with the properties real ones carry (WM_CLASS,
// _NET_WM_PID, _NET_WM_WINDOW_TYPE) and makes one the active window by
// writing the root window's _NET_ACTIVE_WINDOW, as a window manager does.

#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// The full path of a program found in $PATH, or empty.
inline std::string FindInPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= all.size()) {
        const size_t end = all.find(':', start);
        const std::string folder = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = folder + "/" + program;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

class XvfbServer {
public:
    XvfbServer()
    {
        const std::string xvfb = FindInPath("Xvfb");
        if (xvfb.empty()) {
            error_ = "Xvfb is not installed (tools/install-deps.sh installs it)";
            return;
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            error_ = "no pipe";
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            const int devNull = ::open("/dev/null", O_WRONLY);
            ::dup2(devNull, 1);
            ::dup2(devNull, 2);
            // -displayfd writes the display number to descriptor 3.
            if (fds[1] == 3)
                ::fcntl(3, F_SETFD, 0);
            else
                ::dup2(fds[1], 3);
            ::execl(xvfb.c_str(), "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                    "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        char buffer[32];
        while (number.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            number.append(buffer, static_cast<size_t>(n));
        }
        ::close(fds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
            number.pop_back();
        if (number.empty()) {
            error_ = "Xvfb did not start";
            return;
        }
        display_ = ":" + number;
    }

    ~XvfbServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Ok() const { return !display_.empty(); }
    const std::string& Error() const { return error_; }
    const std::string& Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
};

class TestWindowManager {
public:
    explicit TestWindowManager(const std::string& display)
    {
        int screen = 0;
        connection_ = xcb_connect(display.c_str(), &screen);
        if (xcb_connection_has_error(connection_))
            return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screen; ++i)
            xcb_screen_next(&it);
        screen_ = it.data;
        active_ = Atom("_NET_ACTIVE_WINDOW");
        pid_ = Atom("_NET_WM_PID");
        type_ = Atom("_NET_WM_WINDOW_TYPE");
        desktop_ = Atom("_NET_WM_WINDOW_TYPE_DESKTOP");
        normal_ = Atom("_NET_WM_WINDOW_TYPE_NORMAL");
        // What a window manager announces.
        const xcb_atom_t supported[] = {active_, pid_, type_};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, screen_->root, Atom("_NET_SUPPORTED"), XCB_ATOM_ATOM,
                            32, 3, supported);
        xcb_flush(connection_);
        ok_ = true;
    }
    ~TestWindowManager()
    {
        if (connection_)
            xcb_disconnect(connection_);
    }

    bool Ok() const { return ok_; }

    // An application window: WM_CLASS "instance\0class\0" (left out when both
    // are empty), _NET_WM_PID when pid is not 0, and the desktop's own type
    // when desktop is set.
    xcb_window_t CreateWindow(const std::string& instance, const std::string& windowClass, uint32_t pid,
                              bool desktop = false)
    {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen_->root, 0, 0, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen_->root_visual, 0, nullptr);
        if (!instance.empty() || !windowClass.empty()) {
            std::string value = instance;
            value.push_back('\0');
            value += windowClass;
            value.push_back('\0');
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                static_cast<uint32_t>(value.size()), value.data());
        }
        if (pid != 0)
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, pid_, XCB_ATOM_CARDINAL, 32, 1, &pid);
        const xcb_atom_t type = desktop ? desktop_ : normal_;
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, type_, XCB_ATOM_ATOM, 32, 1, &type);
        xcb_map_window(connection_, window);
        xcb_flush(connection_);
        return window;
    }

    void Activate(xcb_window_t window)
    {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, screen_->root, active_, XCB_ATOM_WINDOW, 32, 1,
                            &window);
        xcb_flush(connection_);
    }

    // A root property that has nothing to do with the active window.
    void TouchOtherRootProperty(uint32_t value)
    {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, screen_->root, Atom("_NET_CURRENT_DESKTOP"),
                            XCB_ATOM_CARDINAL, 32, 1, &value);
        xcb_flush(connection_);
    }

    void Destroy(xcb_window_t window)
    {
        xcb_destroy_window(connection_, window);
        xcb_flush(connection_);
    }

    // Waits until the server has handled every request sent so far.
    void Sync()
    {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_atom_t Atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_atom_t active_ = 0, pid_ = 0, type_ = 0, desktop_ = 0, normal_ = 0;
    bool ok_ = false;
};

// A process to stand behind a window's _NET_WM_PID: /bin/sleep, so its
// program and command are "sleep". Ended with the object.
class SleepingProcess {
public:
    SleepingProcess()
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/bin/sleep", "sleep", "600", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Until exec has happened /proc shows this program's name.
        for (int i = 0; i < 200 && Command() != "sleep"; ++i)
            ::usleep(5000);
    }
    ~SleepingProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    uint32_t Pid() const { return static_cast<uint32_t>(pid_); }

private:
    std::string Command() const
    {
        char buffer[64] = {};
        const int fd = ::open(("/proc/" + std::to_string(pid_) + "/comm").c_str(), O_RDONLY);
        if (fd < 0)
            return {};
        const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
        ::close(fd);
        std::string text(buffer, n > 0 ? static_cast<size_t>(n) : 0);
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    pid_t pid_ = -1;
};
