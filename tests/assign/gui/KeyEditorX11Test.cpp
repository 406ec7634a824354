// The keyboard grab against a real X server: Xvfb, with real key presses
// sent through the XTest extension by xdotool. The test starts the server on
// a free display and runs the disabled test below inside it, in a child
// process of this program (the offscreen application of this one cannot
// talk to an X server).

#include "KeyEditorTestSupport.h"

#include "platform/OnScreenKeyboard.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>

using namespace CompositeControl;

namespace {

constexpr const char* ChildVariable = "RT604_X11_CHILD";
constexpr int MediaKeycode = KEY_VOLUMEUP + XkbKeycodeOffset;

// Runs xdotool with the arguments; true when it succeeded.
bool Xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

// A second client that listens for the volume key the way a desktop does:
// a passive grab on the root window.
class MediaKeyListener {
public:
    MediaKeyListener()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        xcb_void_cookie_t cookie = xcb_grab_key_checked(connection_, 1, screen->root, XCB_MOD_MASK_ANY, MediaKeycode,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
        ok_ = error == nullptr;
        free(error);
    }
    ~MediaKeyListener() { xcb_disconnect(connection_); }
    bool Ok() const { return ok_; }
    // True once the key's press has reached this client.
    bool Heard()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7F) == XCB_KEY_PRESS &&
                reinterpret_cast<xcb_key_press_event_t*>(event)->detail == MediaKeycode)
                heard_ = true;
            free(event);
        }
        return heard_;
    }

private:
    xcb_connection_t* connection_ = nullptr;
    bool ok_ = false;
    bool heard_ = false;
};

} // namespace

TEST(KeyEditorX11, TheGrabCapturesAndRecordsRealKeyPresses)
{
    if (std::getenv(ChildVariable))
        GTEST_SKIP() << "inside the child";
    const std::string xvfb = FindProgramInPath("Xvfb");
    if (xvfb.empty())
        GTEST_SKIP() << "no X server can be started: Xvfb is not installed";
    ASSERT_FALSE(FindProgramInPath("xdotool").empty()) << "xdotool is needed (tools/install-deps.sh)";

    // The server picks a free display and writes its number to the pipe.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t parent = ::getpid();
    const pid_t server = ::fork();
    if (server == 0) {
        // The server never outlives this test program, however it ends.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        ::close(pipeFds[0]);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        const std::string fd = std::to_string(pipeFds[1]);
        ::execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string display;
    pollfd waitFor{pipeFds[0], POLLIN, 0};
    char buffer[32];
    while (display.find('\n') == std::string::npos && ::poll(&waitFor, 1, 10000) > 0) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        display.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    while (!display.empty() && (display.back() == '\n' || display.back() == ' '))
        display.pop_back();
    if (display.empty()) {
        ::kill(server, SIGKILL);
        ::waitpid(server, nullptr, 0);
        GTEST_SKIP() << "no X server can be started: Xvfb did not come up";
    }

    const std::string output = (std::filesystem::temp_directory_path() /
                                ("rt604-x11-" + std::to_string(::getpid()) + ".log")).string();
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(126);
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::setenv(ChildVariable, "1", 1);
        ::setenv("DISPLAY", (":" + display).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::execl("/proc/self/exe", "test_assign_gui", "--gtest_also_run_disabled_tests",
                "--gtest_filter=KeyEditorTest.DISABLED_RealKeysUnderTheGrab", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);

    std::ifstream log(output);
    std::stringstream text;
    text << log.rdbuf();
    std::filesystem::remove(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text.str();
    EXPECT_NE(text.str().find("[  PASSED  ] 1 test"), std::string::npos) << text.str();
}

// Run by the test above inside its X server.
TEST_F(KeyEditorTest, DISABLED_RealKeysUnderTheGrab)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyEsc);
    const auto started = std::chrono::steady_clock::now();
    editor->SetClock([started] {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count());
    });
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "no grab";
    EXPECT_FALSE(Get<QLabel>(Status)->isVisible());

    // Another window has the focus; the keys still come to the editor.
    QLineEdit other;
    other.setWindowTitle(QStringLiteral("other"));
    other.show();
    other.activateWindow();
    SpinUntil([] { return false; }, 200);
    ASSERT_TRUE(Xdotool("key super"));
    ASSERT_TRUE(SpinUntil([this] { return editor->CapturedKey() == KeyCodes::LeftWin; }, 5000))
        << "captured " << editor->CapturedKey();
    ASSERT_TRUE(Xdotool("key b"));
    ASSERT_TRUE(SpinUntil([this] { return editor->CapturedKey() == 48; }, 5000)) << "captured " << editor->CapturedKey();
    EXPECT_TRUE(other.text().isEmpty());

    // The macro tab lets the keyboard go; recording takes it again.
    editor->Button(TabMacro)->click();
    EXPECT_TRUE(SpinUntil([this] { return !editor->IsKeyboardGrabbed(); }, 2000));
    editor->Button(NewMacro)->click();
    editor->Button(Record)->click();
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "no grab while recording";
    MediaKeyListener desktop;
    ASSERT_TRUE(desktop.Ok());
    ASSERT_TRUE(Xdotool("keydown a"));
    SpinUntil([] { return false; }, 150);
    ASSERT_TRUE(Xdotool("keyup a keydown shift keydown x keyup x keyup shift"));
    ASSERT_TRUE(SpinUntil([this] { return Rows().size() >= 6; }, 5000)) << Rows().size() << " events";
    // A media key is not recorded and still reaches the desktop.
    ASSERT_TRUE(Xdotool("key XF86AudioRaiseVolume"));
    EXPECT_TRUE(SpinUntil([&desktop] { return desktop.Heard(); }, 5000)) << "the volume key did not reach the desktop";
    SpinUntil([] { return false; }, 200);
    editor->Button(Record)->click();

    const std::vector<uint16_t> expectedKeys = {30, 30, 42, 45, 45, 42};
    const std::vector<uint16_t> expectedDirections = {0, 1, 0, 0, 1, 1};
    ASSERT_EQ(Rows().size(), expectedKeys.size());
    for (size_t i = 0; i < Rows().size(); ++i) {
        EXPECT_EQ(Rows()[i].keyCode, expectedKeys[i]) << "row " << i;
        EXPECT_EQ(Rows()[i].direction, expectedDirections[i]) << "row " << i;
    }
    editor->Button(Cancel)->click();
    EXPECT_FALSE(editor->IsKeyboardGrabbed());
}
