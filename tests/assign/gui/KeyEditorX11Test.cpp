// The keyboard grab against a real X server: Xvfb with openbox, with real
// key presses sent through the XTest extension by xdotool. The runner test
// starts the desktop and runs the OnTestDesktop tests below inside it, in a
// child process of this program (the offscreen application of this one
// cannot talk to an X server, so run alone they skip).

#include "KeyEditorTestSupport.h"

#include "macro/RecordDelaySetting.h"
#include "support/DesktopChild.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <chrono>

using namespace CompositeControl;

namespace {

constexpr int MediaKeycode = KEY_VOLUMEUP + XkbKeycodeOffset;

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

// Another program's window on the same desktop (a client of its own, as a
// terminal would be), which notes the keys that reach it.
class OtherWindow {
public:
    OtherWindow()
    {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const uint32_t events = XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 900, 700, 240, 120, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &events);
        const char name[] = "other";
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            sizeof name - 1, name);
        // WM_HINTS with the input flag: the window takes the focus when asked.
        const uint32_t hints[9] = {1, 1, 0, 0, 0, 0, 0, 0, 0};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9,
                            hints);
        xcb_map_window(connection_, window_);
        xcb_flush(connection_);
    }
    ~OtherWindow() { xcb_disconnect(connection_); }
    uint32_t Id() const { return window_; }
    // True when some client holds the keyboard: this one cannot take it.
    bool KeyboardTakenElsewhere()
    {
        xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
            connection_,
            xcb_grab_keyboard(connection_, 0, window_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
            nullptr);
        const bool taken = reply && reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
        if (reply && reply->status == XCB_GRAB_STATUS_SUCCESS)
            xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        free(reply);
        return taken;
    }
    // The X key codes of the presses that reached the window so far.
    const std::vector<uint8_t>& Keys()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7F) == XCB_KEY_PRESS)
                keys_.push_back(reinterpret_cast<xcb_key_press_event_t*>(event)->detail);
            free(event);
        }
        return keys_;
    }

private:
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    std::vector<uint8_t> keys_;
};

// Counts the presses of one key that the X server sends this program, the
// repeats of a held key included, before Qt or the editor sees them.
class ServerKeyPresses : public QAbstractNativeEventFilter {
public:
    explicit ServerKeyPresses(uint8_t keycode) : keycode_(keycode) { qApp->installNativeEventFilter(this); }
    ~ServerKeyPresses() override { qApp->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type == "xcb_generic_event_t") {
            auto* event = static_cast<xcb_generic_event_t*>(message);
            if ((event->response_type & 0x7F) == XCB_KEY_PRESS &&
                reinterpret_cast<xcb_key_press_event_t*>(event)->detail == keycode_)
                ++count;
        }
        return false;
    }
    int count = 0;

private:
    uint8_t keycode_;
};

// Lets time pass with the event loop running.
void Wait(int ms)
{
    SpinUntil([] { return false; }, ms);
}

// Makes the window the active one through the window manager, as a click
// on it or Alt+Tab would.
bool Activate(unsigned long window)
{
    return Xdotool("windowactivate --sync " + std::to_string(window));
}

using KeyEditorOnTestDesktop = OnTestDesktop<KeyEditorTest>;

} // namespace

// A window manager moves the focus between the editor and other windows as
// on a desktop.
TEST(KeyEditorX11, TheGrabCapturesAndRecordsRealKeyPresses)
{
    RunTestsOnDesktop("KeyEditorOnTestDesktop", {{"xdotool", "openbox"}, {{"openbox"}}, std::chrono::seconds(120)});
}

// Run by the test above inside its X server.
TEST_F(KeyEditorOnTestDesktop, RealKeysUnderTheGrab)
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

    // The Super key reaches the editor, not the desktop.
    ASSERT_TRUE(Xdotool("key super"));
    ASSERT_TRUE(SpinUntil([this] { return editor->CapturedKey() == KeyCodes::LeftWin; }, 5000))
        << "captured " << editor->CapturedKey();
    ASSERT_TRUE(Xdotool("key b"));
    ASSERT_TRUE(SpinUntil([this] { return editor->CapturedKey() == 48; }, 5000)) << "captured " << editor->CapturedKey();

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

// Holding a key ~1.5 s with the server's auto-repeat on: the server sends
// the key's repeats (release/press pairs), the macro gets one press and one
// release.
TEST_F(KeyEditorOnTestDesktop, HoldingARealKeyRecordsOnePressAndOneRelease)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    xcb_connection_t* x = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    const uint32_t repeatOn = XCB_AUTO_REPEAT_MODE_ON;
    xcb_change_keyboard_control(x, XCB_KB_AUTO_REPEAT_MODE, &repeatOn);
    xcb_flush(x);
    PrepareKeyboard(0, {});
    Start();
    WriteRecordDelaysSetting(1);
    OpenEditor(MacroOnlyControlId);
    editor->SetClock([] {
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    });
    editor->Button(NewMacro)->click();
    editor->Button(Record)->click();
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "no grab while recording";

    ServerKeyPresses presses(KEY_A + XkbKeycodeOffset);
    ASSERT_TRUE(Xdotool("keydown a"));
    Wait(1500);
    ASSERT_TRUE(Xdotool("keyup a"));
    ASSERT_TRUE(SpinUntil([this] { return !Rows().empty() && Rows().back().direction == MacroReleased; }, 5000));
    Wait(200);
    editor->Button(Record)->click();
    // Without repeats from the server this test would show nothing.
    EXPECT_GT(presses.count, 5) << "the server did not repeat the held key";
    ASSERT_EQ(Rows().size(), 2u);
    EXPECT_EQ(Rows()[0].keyCode, 30);
    EXPECT_EQ(Rows()[0].direction, MacroPressed);
    EXPECT_GE(Rows()[0].delay, 1300u);
    EXPECT_EQ(Rows()[1].keyCode, 30);
    EXPECT_EQ(Rows()[1].direction, MacroReleased);
    editor->Button(Cancel)->click();
}

// The editor takes the keyboard while it is the active window only: keys
// typed into another program's window reach that window, and the grab is
// back once the editor is active again, for capturing and for recording.
TEST_F(KeyEditorOnTestDesktop, TheKeyboardIsTakenOnlyWhileTheEditorIsActive)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyEsc);
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "no grab";
    const unsigned long editorWindow = editor->winId();

    // The window manager may give a new window the focus at once.
    OtherWindow other;
    Wait(300);
    ASSERT_TRUE(Activate(other.Id()));
    ASSERT_TRUE(SpinUntil([this] { return !editor->IsKeyboardGrabbed(); }, 5000)) << "the grab stayed";
    EXPECT_FALSE(other.KeyboardTakenElsewhere());
    ASSERT_TRUE(Xdotool("key b"));
    EXPECT_TRUE(SpinUntil([&other] { return other.Keys().size() == 1; }, 5000)) << "the key did not arrive there";
    Wait(100);
    EXPECT_EQ(editor->CapturedKey(), 0);

    ASSERT_TRUE(Activate(editorWindow));
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "the grab did not come back";
    EXPECT_TRUE(other.KeyboardTakenElsewhere());
    ASSERT_TRUE(Xdotool("key super"));
    EXPECT_TRUE(SpinUntil([this] { return editor->CapturedKey() == KeyCodes::LeftWin; }, 5000))
        << "captured " << editor->CapturedKey();
    EXPECT_EQ(other.Keys().size(), 1u);

    // A list of the editor's own takes the keyboard while it is open and
    // leaves the editor active: once it closes, the keyboard is the
    // editor's again.
    Get<QRadioButton>(MouseChoice)->click();
    Get<QComboBox>(MouseList)->showPopup();
    ASSERT_TRUE(SpinUntil([] { return QApplication::activePopupWidget() != nullptr; }, 3000));
    Wait(300);
    Get<QComboBox>(MouseList)->hidePopup();
    ASSERT_TRUE(SpinUntil([] { return QApplication::activePopupWidget() == nullptr; }, 3000));
    Wait(300);
    EXPECT_TRUE(editor->isActiveWindow());
    EXPECT_TRUE(SpinUntil([&other] { return other.KeyboardTakenElsewhere(); }, 3000))
        << "the keyboard was not taken back after the list closed";

    // The same while recording.
    editor->Button(TabMacro)->click();
    editor->Button(NewMacro)->click();
    editor->Button(Record)->click();
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "no grab while recording";
    ASSERT_TRUE(Activate(other.Id()));
    ASSERT_TRUE(SpinUntil([this] { return !editor->IsKeyboardGrabbed(); }, 5000)) << "the grab stayed";
    ASSERT_TRUE(Xdotool("key x"));
    EXPECT_TRUE(SpinUntil([&other] { return other.Keys().size() == 2; }, 5000)) << "the key did not arrive there";
    Wait(100);
    EXPECT_TRUE(Rows().empty());
    ASSERT_TRUE(Activate(editorWindow));
    ASSERT_TRUE(SpinUntil([this] { return editor->IsKeyboardGrabbed(); }, 5000)) << "the grab did not come back";
    ASSERT_TRUE(Xdotool("key x"));
    EXPECT_TRUE(SpinUntil([this] { return Rows().size() == 2; }, 5000)) << Rows().size() << " events";
    EXPECT_EQ(other.Keys().size(), 2u);
    editor->Button(Record)->click();
    editor->Button(Cancel)->click();
    EXPECT_FALSE(editor->IsKeyboardGrabbed());
}
