#include "platform/gui/X11ActiveWindow.h"

#include <QSocketNotifier>

#include <cstdlib>
#include <cstring>
#include <unistd.h>

#ifdef RT604_HAVE_XCB_WINDOWS
#include "platform/gui/X11Atom.h"

#include <xcb/xcb.h>
#endif

namespace {

// Whatever a window puts in WM_CLASS, only this much of it is read.
constexpr uint32_t MaxClassWords = 128; // 512 bytes
constexpr uint32_t MaxTypeAtoms = 32;

bool OnWayland()
{
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    return (wayland && *wayland) || (session && std::strcmp(session, "wayland") == 0);
}

// Nothing to watch: no X server, or no X support in this build.
class NoActiveWindowWatcher final : public ActiveWindowWatcher {
public:
    Availability GetAvailability() const override { return Availability::Unavailable; }
    void SetHandler(Handler) override {}
    void ReportCurrent() override {}
};

#ifdef RT604_HAVE_XCB_WINDOWS

template <typename Reply>
struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

class X11ActiveWindowWatcher final : public ActiveWindowWatcher {
public:
    explicit X11ActiveWindowWatcher(xcb_connection_t* connection, int screenNumber) : connection_(connection)
    {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        root_ = screens.data->root;
        activeAtom_ = InternX11Atom(connection_, "_NET_ACTIVE_WINDOW");
        pidAtom_ = InternX11Atom(connection_, "_NET_WM_PID");
        typeAtom_ = InternX11Atom(connection_, "_NET_WM_WINDOW_TYPE");
        desktopTypeAtom_ = InternX11Atom(connection_, "_NET_WM_WINDOW_TYPE_DESKTOP");
        dockTypeAtom_ = InternX11Atom(connection_, "_NET_WM_WINDOW_TYPE_DOCK");
        wmStateAtom_ = InternX11Atom(connection_, "WM_STATE");
        protocolsAtom_ = InternX11Atom(connection_, "WM_PROTOCOLS");
        takeFocusAtom_ = InternX11Atom(connection_, "WM_TAKE_FOCUS");
        // Only property changes of the root window: the active window is one
        // of them, and an idle desktop changes none.
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
        availability_ = OnWayland() ? Availability::XWayland : Availability::X11;
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
    }

    ~X11ActiveWindowWatcher() override
    {
        notifier_.reset();
        xcb_disconnect(connection_);
    }

    Availability GetAvailability() const override { return availability_; }
    void SetHandler(Handler handler) override { handler_ = std::move(handler); }

    void ReportCurrent() override
    {
        if (availability_ == Availability::Unavailable)
            return;
        ReadActive(true);
        DrainQueued();
    }

    uint64_t WakeupCount() const override { return wakeups_; }

    bool CatchNextClick(ClickHandler handler) override
    {
        if (availability_ == Availability::Unavailable)
            return false;
        if (cursor_ == XCB_NONE) {
            // The crosshair of the X cursor font, as xprop and xwininfo show.
            const xcb_font_t font = xcb_generate_id(connection_);
            xcb_open_font(connection_, font, 6, "cursor");
            cursor_ = xcb_generate_id(connection_);
            constexpr uint16_t Crosshair = 34;
            xcb_create_glyph_cursor(connection_, cursor_, font, font, Crosshair, Crosshair + 1, 0, 0, 0, 0xFFFF,
                                    0xFFFF, 0xFFFF);
            xcb_close_font(connection_, font);
        }
        Freed<xcb_grab_pointer_reply_t> reply{xcb_grab_pointer_reply(
            connection_,
            xcb_grab_pointer(connection_, 0, root_, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                             XCB_GRAB_MODE_ASYNC, XCB_NONE, cursor_, XCB_CURRENT_TIME),
            nullptr)};
        if (!reply || reply->status != XCB_GRAB_STATUS_SUCCESS)
            return false;
        click_ = std::move(handler);
        return true;
    }

    void CancelClick() override
    {
        if (!click_)
            return;
        click_ = nullptr;
        xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }

private:
    void OnReadable()
    {
        ++wakeups_;
        DrainQueued();
    }

    // Handles every event the connection holds, those already read into
    // xcb's queue by a reply included (the socket notifier would not wake us
    // for them).
    void DrainQueued()
    {
        for (;;) {
            bool activeChanged = false;
            xcb_window_t clicked = XCB_NONE;
            bool wasClicked = false;
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                if ((event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
                    const auto* property = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    activeChanged |= property->window == root_ && property->atom == activeAtom_;
                } else if ((event->response_type & 0x7F) == XCB_BUTTON_PRESS && !wasClicked) {
                    // The top-level window under the pointer (a frame of
                    // the window manager's, mostly); none over the root.
                    clicked = reinterpret_cast<xcb_button_press_event_t*>(event)->child;
                    wasClicked = true;
                }
                std::free(event);
            }
            if (wasClicked && click_)
                Clicked(clicked);
            if (xcb_connection_has_error(connection_)) {
                Lost();
                return;
            }
            if (!activeChanged)
                return;
            ReadActive(false);
        }
    }

    void Lost()
    {
        // A dead connection stays readable: without this the notifier would
        // fire for ever.
        notifier_->setEnabled(false);
        availability_ = Availability::Unavailable;
        if (handler_)
            handler_(WindowIdentity{});
    }

    void ReadActive(bool force)
    {
        Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, root_, activeAtom_, XCB_ATOM_WINDOW, 0, 1), nullptr)};
        xcb_window_t window = XCB_NONE;
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.reply) >= 4)
            std::memcpy(&window, xcb_get_property_value(reply.reply), 4);
        // Window managers write the property again for the same window.
        if (!force && window == lastWindow_)
            return;
        lastWindow_ = window;
        const WindowIdentity identity = Identify(window);
        if (handler_)
            handler_(identity);
    }

    void Clicked(xcb_window_t topLevel)
    {
        ClickHandler handler = std::move(click_);
        click_ = nullptr;
        xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        const xcb_window_t client = topLevel == XCB_NONE ? XCB_NONE : ClientWindow(topLevel, 0);
        handler(Identify(client), TakesFocus(client));
    }

    // The application's own window inside a frame: the one that carries
    // WM_STATE (the window manager sets it on the windows it manages).
    xcb_window_t ClientWindow(xcb_window_t window, int depth)
    {
        if (HasProperty(window, wmStateAtom_))
            return window;
        if (depth > 4)
            return XCB_NONE;
        Freed<xcb_query_tree_reply_t> tree{
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr)};
        if (!tree)
            return XCB_NONE;
        const xcb_window_t* children = xcb_query_tree_children(tree.reply);
        const int count = xcb_query_tree_children_length(tree.reply);
        // Topmost first: the last child is drawn over the others.
        for (int i = count - 1; i >= 0; --i) {
            if (const xcb_window_t found = ClientWindow(children[i], depth + 1); found != XCB_NONE)
                return found;
        }
        // Without a window manager the top-level window is the client.
        return depth == 0 ? window : XCB_NONE;
    }

    bool HasProperty(xcb_window_t window, xcb_atom_t atom)
    {
        Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr)};
        return reply && reply->type != XCB_ATOM_NONE;
    }

    // A window takes the focus unless its WM_HINTS say no input and it does
    // not ask to be told to take it (WM_TAKE_FOCUS), as window managers judge.
    bool TakesFocus(xcb_window_t window)
    {
        if (window == XCB_NONE)
            return false;
        const xcb_get_property_cookie_t hintsCookie =
            xcb_get_property(connection_, 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, 2);
        const xcb_get_property_cookie_t protocolsCookie =
            xcb_get_property(connection_, 0, window, protocolsAtom_, XCB_ATOM_ATOM, 0, MaxTypeAtoms);
        Freed<xcb_get_property_reply_t> hints{xcb_get_property_reply(connection_, hintsCookie, nullptr)};
        Freed<xcb_get_property_reply_t> protocols{xcb_get_property_reply(connection_, protocolsCookie, nullptr)};
        if (protocols && protocols->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(protocols.reply));
            const int count = xcb_get_property_value_length(protocols.reply) / 4;
            for (int i = 0; i < count; ++i) {
                if (atoms[i] == takeFocusAtom_)
                    return true;
            }
        }
        constexpr uint32_t InputHint = 1;
        if (hints && hints->format == 32 && xcb_get_property_value_length(hints.reply) >= 8) {
            uint32_t words[2];
            std::memcpy(words, xcb_get_property_value(hints.reply), sizeof words);
            if ((words[0] & InputHint) && words[1] == 0)
                return false;
        }
        return true;
    }

    WindowIdentity Identify(xcb_window_t window)
    {
        WindowIdentity identity;
        identity.window = window;
        if (window == XCB_NONE)
            return identity;
        // Three questions in one round trip; a window that has gone answers
        // each with an error, and is then no window at all.
        const xcb_get_property_cookie_t classCookie =
            xcb_get_property(connection_, 0, window, XCB_ATOM_WM_CLASS, XCB_GET_PROPERTY_TYPE_ANY, 0, MaxClassWords);
        const xcb_get_property_cookie_t pidCookie =
            xcb_get_property(connection_, 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1);
        const xcb_get_property_cookie_t typeCookie =
            xcb_get_property(connection_, 0, window, typeAtom_, XCB_ATOM_ATOM, 0, MaxTypeAtoms);
        Freed<xcb_get_property_reply_t> classReply{xcb_get_property_reply(connection_, classCookie, nullptr)};
        Freed<xcb_get_property_reply_t> pidReply{xcb_get_property_reply(connection_, pidCookie, nullptr)};
        Freed<xcb_get_property_reply_t> typeReply{xcb_get_property_reply(connection_, typeCookie, nullptr)};

        if (classReply && classReply->format == 8) {
            // "instance\0class\0"; a window may leave out the terminators.
            const char* bytes = static_cast<const char*>(xcb_get_property_value(classReply.reply));
            const size_t length = static_cast<size_t>(std::max(0, xcb_get_property_value_length(classReply.reply)));
            const std::string_view all(bytes, length);
            const size_t end = all.find('\0');
            identity.instance = std::string(all.substr(0, end));
            if (end != std::string_view::npos) {
                const std::string_view rest = all.substr(end + 1);
                identity.windowClass = std::string(rest.substr(0, rest.find('\0')));
            }
        }
        if (pidReply && pidReply->format == 32 && xcb_get_property_value_length(pidReply.reply) >= 4)
            std::memcpy(&identity.pid, xcb_get_property_value(pidReply.reply), 4);
        bool desktop = false;
        if (typeReply && typeReply->format == 32) {
            const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(typeReply.reply));
            const int count = xcb_get_property_value_length(typeReply.reply) / 4;
            for (int i = 0; i < count; ++i)
                desktop |= atoms[i] == desktopTypeAtom_ || atoms[i] == dockTypeAtom_;
        }

        if (identity.pid != 0) {
            const ProcessNames names = ReadProcessNames(identity.pid);
            identity.executable = names.executable;
            identity.command = names.command;
        }
        if (desktop)
            identity.kind = WindowIdentity::Kind::Desktop;
        else if (identity.pid != 0 && identity.pid == static_cast<uint32_t>(::getpid()))
            identity.kind = WindowIdentity::Kind::OwnProgram;
        else if (!identity.instance.empty() || !identity.windowClass.empty() || !identity.executable.empty() ||
                 !identity.command.empty())
            identity.kind = WindowIdentity::Kind::Application;
        return identity;
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_NONE;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
    xcb_atom_t typeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t desktopTypeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t dockTypeAtom_ = XCB_ATOM_NONE;
    xcb_atom_t wmStateAtom_ = XCB_ATOM_NONE;
    xcb_atom_t protocolsAtom_ = XCB_ATOM_NONE;
    xcb_atom_t takeFocusAtom_ = XCB_ATOM_NONE;
    xcb_window_t lastWindow_ = XCB_NONE;
    xcb_cursor_t cursor_ = XCB_NONE;
    ClickHandler click_;
    Availability availability_ = Availability::Unavailable;
    std::unique_ptr<QSocketNotifier> notifier_;
    Handler handler_;
    uint64_t wakeups_ = 0;
};

#endif

} // namespace

std::unique_ptr<ActiveWindowWatcher> CreateX11ActiveWindowWatcher(const std::string& displayName)
{
#ifdef RT604_HAVE_XCB_WINDOWS
    const char* display = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
    if (display && *display) {
        int screen = 0;
        xcb_connection_t* connection = xcb_connect(display, &screen);
        if (!xcb_connection_has_error(connection))
            return std::make_unique<X11ActiveWindowWatcher>(connection, screen);
        xcb_disconnect(connection);
    }
#else
    (void)displayName;
#endif
    return std::make_unique<NoActiveWindowWatcher>();
}

bool X11ActiveWindowBuiltIn()
{
#ifdef RT604_HAVE_XCB_WINDOWS
    return true;
#else
    return false;
#endif
}
