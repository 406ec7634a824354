#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Which application owns the window the desktop calls active. Automatic
// profiles need nothing more of the window system; the X11 watcher
// (platform/gui) fills it in, tests describe windows with it directly.

struct WindowIdentity {
    enum class Kind {
        None,        // no window is active (or it went away before it was read)
        Application, // a window of some application
        OwnProgram,  // a window of this program
        Desktop,     // the desktop itself or one of its panels
    };
    Kind kind = Kind::None;
    uint32_t window = 0;      // the window system's id, for tracing
    std::string instance;     // WM_CLASS, first string
    std::string windowClass;  // WM_CLASS, second string
    uint32_t pid = 0;         // 0 when the window does not say
    std::string executable;   // file name of the process's program
    std::string command;      // the process's own name (Linux comm, up to 15 bytes)

    // The name an owner would write for this application: the window class,
    // else the instance, else the program's file name, else the command.
    std::string PreferredName() const;
};

// Watches the active window. Event-driven: the handler runs on the thread
// that created the watcher, only when the active window changes.
class ActiveWindowWatcher {
public:
    enum class Availability {
        Unavailable, // no way to learn the active window (no X server)
        X11,         // an X11 session
        XWayland,    // X11 beside a Wayland compositor: only X11 windows are seen
    };
    using Handler = std::function<void(const WindowIdentity& active)>;

    virtual ~ActiveWindowWatcher() = default;
    virtual Availability GetAvailability() const = 0;
    virtual void SetHandler(Handler handler) = 0;
    // Reads the active window now and hands it to the handler, even when it
    // is the one reported last.
    virtual void ReportCurrent() = 0;
    // Times the window system woke the watcher, for measurements.
    virtual uint64_t WakeupCount() const { return 0; }

    // The next click anywhere on the screen, taken from the window under the
    // pointer (as xprop does): the handler gets that window and whether it
    // ever takes the keyboard focus. False when clicks cannot be caught here
    // (another program holds the pointer, no X server). The click itself
    // reaches no window.
    using ClickHandler = std::function<void(const WindowIdentity& clicked, bool takesFocus)>;
    virtual bool CatchNextClick(ClickHandler handler)
    {
        (void)handler;
        return false;
    }
    virtual void CancelClick() {}
};

// Names of a running process from /proc: the file name of its program
// (a deleted program loses its " (deleted)" mark) and its comm. Empty
// strings for what cannot be read (the process ended, or belongs to
// another user and hides its program).
struct ProcessNames {
    std::string executable;
    std::string command;
};
ProcessNames ReadProcessNames(uint32_t pid);
// The same with another /proc root, for tests.
ProcessNames ReadProcessNames(uint32_t pid, const std::string& procRoot);
