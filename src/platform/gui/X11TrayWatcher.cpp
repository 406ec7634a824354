#include "platform/gui/X11TrayWatcher.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#ifdef RT604_HAVE_XCB
#include "platform/gui/X11Atom.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>
#endif

std::unique_ptr<X11TrayWatcher> X11TrayWatcher::Create(QObject* parent)
{
#ifdef RT604_HAVE_XCB
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    int screen = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<X11TrayWatcher>(new X11TrayWatcher(connection, screen, parent));
#else
    (void)parent;
    return nullptr;
#endif
}

#ifdef RT604_HAVE_XCB

X11TrayWatcher::X11TrayWatcher(xcb_connection_t* connection, int screen, QObject* parent)
    : QObject(parent), connection_(connection)
{
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screen && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem > 0)
        root_ = screens.data->root;
    selection_ = InternX11Atom(connection_, "_NET_SYSTEM_TRAY_S" + std::to_string(screen));
    manager_ = InternX11Atom(connection_, "MANAGER");
    // A new tray's MANAGER message goes to the root window with the
    // structure-notify mask.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(connection_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11TrayWatcher::Drain);
    Refresh();
}

X11TrayWatcher::~X11TrayWatcher()
{
    xcb_disconnect(connection_);
}

void X11TrayWatcher::Refresh()
{
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, selection_), nullptr);
    const uint32_t owner = reply ? reply->owner : 0;
    std::free(reply);
    if (owner != 0 && owner != owner_) {
        // The tray's window goes when the tray ends, even when it dies
        // without giving the selection up.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, owner, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    if (owner == owner_)
        return;
    owner_ = owner;
    emit changed(owner_ != 0);
}

void X11TrayWatcher::Drain()
{
    if (xcb_connection_has_error(connection_)) {
        // The X server has gone; so has every tray on it.
        notifier_->setEnabled(false);
        if (owner_ != 0) {
            owner_ = 0;
            emit changed(false);
        }
        return;
    }
    for (;;) {
        bool refresh = false;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const uint8_t type = event->response_type & 0x7F;
            if (type == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                refresh = refresh || (message->type == manager_ && message->data.data32[1] == selection_);
            } else if (type == XCB_DESTROY_NOTIFY) {
                refresh = refresh || reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window == owner_;
            }
            std::free(event);
        }
        if (!refresh)
            return;
        // The reply's round trip may queue further events, which the next
        // pass takes: the socket will not say they are there.
        Refresh();
    }
}

#else

X11TrayWatcher::X11TrayWatcher(xcb_connection_t*, int, QObject* parent) : QObject(parent) {}
X11TrayWatcher::~X11TrayWatcher() = default;
void X11TrayWatcher::Refresh() {}
void X11TrayWatcher::Drain() {}

#endif
