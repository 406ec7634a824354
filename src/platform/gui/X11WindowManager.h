#pragma once

#include <string>

// The name the running X11 window manager gives itself (_NET_WM_NAME of the
// window named by the root's _NET_SUPPORTING_WM_CHECK), e.g. "Openbox";
// empty without an X server, a window manager that says nothing, or X
// support in this build. displayName empty: $DISPLAY.
std::string X11WindowManagerName(const std::string& displayName = {});
