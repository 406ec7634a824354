#pragma once

#include <cstdint>

// Linux names a physical key by its evdev code (linux/input-event-codes.h);
// X11 and Wayland report it in key events as the evdev code plus 8 (the
// "native scan code" a toolkit hands out). These turn such codes into the key
// codes of the key table and back. Pure functions over constant data.

// The X11/xkb key code of a key is its evdev code plus this.
inline constexpr uint32_t XkbKeycodeOffset = 8;

// The key code of an evdev code, 0 for keys the key table does not name.
uint16_t EvdevToKeyCode(uint32_t evdevCode);
// The evdev code of a key code, 0 when no Linux key produces it.
uint32_t KeyCodeToEvdev(uint16_t keyCode);
// The key code of a native scan code (an X11/xkb key code), 0 when unknown.
uint16_t KeyCodeFromNativeScanCode(uint32_t nativeScanCode);
