#include "platform/gui/X11WindowManager.h"

#include <cstdlib>
#include <cstring>

#ifdef RT604_HAVE_XCB_WINDOWS
#include "platform/gui/X11Atom.h"

#include <xcb/xcb.h>
#endif

#ifdef RT604_HAVE_XCB_WINDOWS
namespace {

constexpr uint32_t MaxNameWords = 64; // 256 bytes

// The window a property of window names, or XCB_NONE.
xcb_window_t WindowProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    xcb_window_t value = XCB_NONE;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&value, xcb_get_property_value(reply), 4);
    std::free(reply);
    return value;
}

std::string Name(xcb_connection_t* connection, xcb_window_t root)
{
    const xcb_atom_t check = InternX11Atom(connection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t wm = WindowProperty(connection, root, check);
    // A stale property names a window that is gone, or one that does not
    // point back at itself.
    if (wm == XCB_NONE || WindowProperty(connection, wm, check) != wm)
        return {};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, wm, InternX11Atom(connection, "_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY, 0,
                         MaxNameWords),
        nullptr);
    std::string name;
    if (reply && reply->format == 8)
        name.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return name;
}

} // namespace
#endif

std::string X11WindowManagerName(const std::string& displayName)
{
#ifdef RT604_HAVE_XCB_WINDOWS
    const char* display = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
    if (!display || !*display)
        return {};
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    std::string name;
    if (!xcb_connection_has_error(connection)) {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
            xcb_screen_next(&screens);
        name = Name(connection, screens.data->root);
    }
    xcb_disconnect(connection);
    return name;
#else
    (void)displayName;
    return {};
#endif
}
