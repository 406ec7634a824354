#pragma once

#include "platform/ActiveWindow.h"

#include <memory>
#include <string>

// The active window of an X11 session, from the root window's
// _NET_ACTIVE_WINDOW that window managers keep. The watcher talks to the X
// server on a connection of its own (so it works whatever Qt's platform is,
// Wayland included when XWayland runs) and is woken by the server only: a
// socket notifier on that connection, the root window's PropertyNotify
// events, no timers.
//
// displayName empty: $DISPLAY. Without an X server (or when the program was
// built without the X libraries) the watcher says Unavailable and never
// calls its handler.
std::unique_ptr<ActiveWindowWatcher> CreateX11ActiveWindowWatcher(const std::string& displayName = {});

// Whether the program was built with the X11 watcher.
bool X11ActiveWindowBuiltIn();
