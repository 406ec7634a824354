#include "platform/gui/X11KeyboardGrab.h"

#include "keys/EvdevKeyTable.h"

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#ifdef RT604_HAVE_XCB
#include <xcb/xcb.h>
#include <xcb/xtest.h>
#endif

namespace {

#ifdef RT604_HAVE_XCB

// A window that was just shown may not be mapped yet, and a menu may hold the
// keyboard for a moment: try again for this long before giving up.
constexpr int GrabRetryMs = 50;
constexpr int GrabRetries = 20;
// Time for the server to run a replayed key before the grab returns.
constexpr int PassOnPauseMs = 30;

class X11KeyboardGrab final : public KeyboardGrab {
public:
    X11KeyboardGrab(QWidget* window, xcb_connection_t* connection) : window_(window), connection_(connection)
    {
        retry_.setInterval(GrabRetryMs);
        QObject::connect(&retry_, &QTimer::timeout, [this] { TryGrab(); });
    }
    ~X11KeyboardGrab() override { Release(); }

    bool Grab() override
    {
        wanted_ = true;
        if (grabbed_)
            return true;
        retriesLeft_ = GrabRetries;
        if (!TryGrab())
            retry_.start();
        // Pending counts as grabbed: the keys are ours within moments.
        return true;
    }

    void Release() override
    {
        wanted_ = false;
        retry_.stop();
        if (!grabbed_)
            return;
        grabbed_ = false;
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }

    bool IsGrabbed() const override { return grabbed_; }
    bool CanGrab() const override { return true; }

    void PassOn(uint32_t evdevCode) override
    {
        if (!grabbed_ || evdevCode == 0)
            return;
        const auto keycode = static_cast<uint8_t>(evdevCode + XkbKeycodeOffset);
        // Let go, replay the key to whoever listens for it (the desktop's
        // media keys), and take the keyboard back a moment later.
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        grabbed_ = false;
        const xcb_window_t root = RootWindow();
        xcb_test_fake_input(connection_, XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_test_fake_input(connection_, XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, root, 0, 0, 0);
        xcb_flush(connection_);
        QTimer::singleShot(PassOnPauseMs, window_, [this] {
            if (wanted_ && !grabbed_)
                Grab();
        });
    }

private:
    xcb_window_t RootWindow() const
    {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
        return screens.rem > 0 ? screens.data->root : XCB_NONE;
    }

    bool TryGrab()
    {
        if (!wanted_ || !window_) {
            retry_.stop();
            return false;
        }
        const auto id = static_cast<xcb_window_t>(window_->window()->winId());
        xcb_grab_keyboard_cookie_t cookie =
            xcb_grab_keyboard(connection_, 1, id, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(connection_, cookie, nullptr);
        grabbed_ = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        free(reply);
        if (grabbed_ || --retriesLeft_ <= 0)
            retry_.stop();
        return grabbed_;
    }

    QPointer<QWidget> window_;
    xcb_connection_t* connection_;
    QTimer retry_;
    int retriesLeft_ = 0;
    bool wanted_ = false;
    bool grabbed_ = false;
};

#endif

} // namespace

std::unique_ptr<KeyboardGrab> CreateKeyboardGrab(QWidget* window)
{
#ifdef RT604_HAVE_XCB
    if (window && QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (xcb_connection_t* connection = x11->connection())
                return std::make_unique<X11KeyboardGrab>(window, connection);
        }
    }
#else
    (void)window;
#endif
    return std::make_unique<NoKeyboardGrab>();
}
