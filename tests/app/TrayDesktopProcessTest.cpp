// The notification-area icon on a real X server, as at a login where the
// program starts before the panel: the built program runs first, the panel a
// few seconds later, then the panel is killed and started again. The clicks
// are real ones (xdotool). Two kinds of panel: an XEmbed tray (trayer) and a
// StatusNotifierItem host on the session bus (gtk-sni-tray-standalone, which
// also runs the bus's watcher).
#include "DesktopProcessFixture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr auto Patience = 15s;
// "The panel comes up a few seconds after the program."
constexpr auto PanelDelay = 2s;

class TrayDesktopProcessTest : public DesktopProcessTest {
protected:
    TrayDesktopProcessTest() : DesktopProcessTest("tray", {"xdotool", "trayer", "gtk-sni-tray-standalone"}) {}

    void TearDown() override
    {
        if (program_ > 0)
            desktop_.Kill(program_);
        DesktopProcessTest::TearDown();
    }

    // The program, hidden in the notification area, keyboard connected.
    void StartProgram()
    {
        program_ = SpawnProgram("rt604", {"/Start"}, {"RT604_EVENT_LOG=" + Log()});
        ASSERT_TRUE(WaitFor("initialised"));
        ASSERT_TRUE(WaitFor("tray-icon 141"));
        ASSERT_TRUE(WaitFor("window-hidden"));
    }

    std::string Log() const { return (dir_ / "events.log").string(); }

    std::vector<std::string> Lines() const
    {
        std::ifstream in(Log());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    size_t Count(const std::string& line) const
    {
        const auto lines = Lines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

    // Waits until the log holds line at least times times.
    bool WaitFor(const std::string& line, size_t times = 1, std::chrono::milliseconds timeout = Patience) const
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (Count(line) >= times)
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    std::string Output() const
    {
        std::ifstream in(dir_ / "rt604.out");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    pid_t StartTrayer()
    {
        return desktop_.Spawn({"trayer", "--edge", "bottom", "--widthtype", "request", "--heighttype", "pixel",
                               "--height", "32"},
                              (dir_ / "trayer.out").string());
    }

    // The panel's own host sometimes calls its own watcher before the
    // watcher's object is there, and the panel then dies of the error
    // ("Pattern match failure" in its output): a panel that dies on its way
    // up is started again, as a session would restart it.
    pid_t StartStatusNotifierPanel()
    {
        pid_t panel = 0;
        for (int attempt = 0; attempt < 3; ++attempt) {
            panel = desktop_.Spawn({"gtk-sni-tray-standalone", "--watcher", "--top", "--size", "32"},
                                   (dir_ / ("panel-" + std::to_string(++panelStarts_) + ".out")).string());
            if (!DiesOnItsWayUp(panel))
                return panel;
            desktop_.Kill(panel);
        }
        return panel;
    }

    bool DiesOnItsWayUp(pid_t panel) const
    {
        const auto end = std::chrono::steady_clock::now() + 3s;
        while (std::chrono::steady_clock::now() < end) {
            if (::waitpid(panel, nullptr, WNOHANG) == panel)
                return true;
            if (desktop_.Run("dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher "
                             "/StatusNotifierWatcher org.freedesktop.DBus.Properties.Get "
                             "string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered")
                    .find("boolean true") != std::string::npos)
                return false;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }
    int panelStarts_ = 0;

    // Our icon in an XEmbed tray: the program's one visible window while
    // its main window is hidden.
    unsigned long WaitForXEmbedIcon() const
    {
        const auto end = std::chrono::steady_clock::now() + Patience;
        while (std::chrono::steady_clock::now() < end) {
            const std::vector<unsigned long> windows = desktop_.VisibleWindows("rt604");
            if (windows.size() == 1)
                return windows.front();
            std::this_thread::sleep_for(50ms);
        }
        return 0;
    }

    // The items the session bus's watcher has registered, as dbus-send
    // prints them.
    std::string RegisteredItems() const
    {
        return desktop_.Run("dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher "
                            "/StatusNotifierWatcher org.freedesktop.DBus.Properties.Get "
                            "string:org.kde.StatusNotifierWatcher string:RegisteredStatusNotifierItems");
    }

    // Ours is the only program with an icon on this desktop's bus.
    bool WaitForRegisteredItem() const
    {
        const auto end = std::chrono::steady_clock::now() + Patience;
        while (std::chrono::steady_clock::now() < end) {
            if (RegisteredItems().find("string \"") != std::string::npos)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Clicks (count times, quickly) at a point of a window.
    void Click(unsigned long window, int x, int y, int count = 1) const
    {
        desktop_.Run("xdotool mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
                     std::to_string(y) + " sleep 0.2 click --repeat " + std::to_string(count) + " --delay 120 1");
    }

    pid_t program_ = 0;
};

} // namespace

// An XEmbed tray that starts after the program: the icon appears in it, a
// single click does nothing, the icon comes back when the tray is killed and
// started again, and a double click opens the window.
TEST_F(TrayDesktopProcessTest, XEmbedTrayStartedLaterGetsTheIconAndADoubleClickOpens)
{
    StartProgram();
    EXPECT_EQ(Count("tray-unavailable"), 1u) << "no tray is up yet";
    std::this_thread::sleep_for(PanelDelay);
    pid_t tray = StartTrayer();
    ASSERT_TRUE(WaitFor("tray-added xembed")) << Output();
    unsigned long icon = WaitForXEmbedIcon();
    ASSERT_NE(icon, 0u) << "the icon is not in the tray";

    Click(icon, 8, 8);
    std::this_thread::sleep_for(800ms);
    EXPECT_EQ(Count("window-shown"), 0u) << "a single click opened the window on an XEmbed tray";

    // The panel is restarted.
    desktop_.Kill(tray);
    ASSERT_TRUE(WaitFor("tray-lost"));
    EXPECT_TRUE(desktop_.VisibleWindows("rt604").empty());
    tray = StartTrayer();
    ASSERT_TRUE(WaitFor("tray-added xembed", 2));
    icon = WaitForXEmbedIcon();
    ASSERT_NE(icon, 0u) << "the icon did not come back with the tray";

    Click(icon, 8, 8, 2);
    EXPECT_TRUE(WaitFor("window-shown")) << "a double click did not open the window";
    EXPECT_EQ(Count("tray-command 32771"), 1u);
}

// A StatusNotifierItem panel that starts after the program: the icon is
// registered with it, a single click opens the window, and after the panel
// is killed and started again the icon is registered again and a click still
// opens it.
TEST_F(TrayDesktopProcessTest, StatusNotifierPanelStartedLaterGetsTheIconAndASingleClickOpens)
{
    StartProgram();
    EXPECT_EQ(Count("tray-unavailable"), 1u) << "no panel is up yet";
    std::this_thread::sleep_for(PanelDelay);
    pid_t panel = StartStatusNotifierPanel();
    ASSERT_TRUE(WaitFor("tray-added sni")) << Output();
    ASSERT_TRUE(WaitForRegisteredItem()) << RegisteredItems();

    // The panel's bar, with our icon first in it.
    std::vector<unsigned long> bars;
    const auto findBar = [&] {
        const auto end = std::chrono::steady_clock::now() + Patience;
        while (std::chrono::steady_clock::now() < end) {
            bars = desktop_.VisibleWindows("gtk-sni-tray-standalone");
            if (!bars.empty())
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    };
    // The panel draws the icon some time after it was told about it; a
    // click that comes earlier lands on an empty bar. Click again only while
    // no click has reached the program, so each landed click counts once.
    const auto clickIcon = [&](size_t clicksSoFar) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            Click(bars.front(), 16, 16);
            if (WaitFor("tray-command 32771", clicksSoFar + 1, 1000ms))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(findBar());
    ASSERT_TRUE(clickIcon(0)) << "no click on the panel reached the program";
    ASSERT_TRUE(WaitFor("window-shown")) << "a single click did not open the window";
    EXPECT_EQ(Count("tray-command 32771"), 1u);

    desktop_.Kill(panel);
    ASSERT_TRUE(WaitFor("tray-lost"));
    panel = StartStatusNotifierPanel();
    ASSERT_TRUE(WaitFor("tray-added sni", 2));
    ASSERT_TRUE(WaitForRegisteredItem()) << "the icon was not registered with the restarted panel";
    ASSERT_TRUE(findBar());
    EXPECT_TRUE(clickIcon(1)) << "a click on the restarted panel did nothing";
}
