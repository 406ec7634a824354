#pragma once

// Only for files built with xcb (RT604_HAVE_XCB or RT604_HAVE_XCB_WINDOWS).
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

// The atom of name, made when the server has none yet; XCB_ATOM_NONE when
// the server did not answer.
inline xcb_atom_t InternX11Atom(xcb_connection_t* connection, std::string_view name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}
