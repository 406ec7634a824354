#pragma once

#include "device/hid/HidBackend.h"

#include <memory>

struct HandleState;
struct VirtualKeyboardCore;

// The virtual keyboard as the HID seam sees it: handles whose writes reach
// the firmware (VirtualKeyboardMemory.h) through the faults a test ordered
// and whose reads wait for the keyboard's replies and notices, and change
// watches that wake at every plug and unplug.

// A handle on the collection state names, which the keyboard has just
// registered; info is what Info() gives.
std::unique_ptr<HidHandle> MakeVirtualHandle(std::shared_ptr<VirtualKeyboardCore> core, std::shared_ptr<HandleState> state,
                                             HidInterfaceInfo info);
std::unique_ptr<HidChangeWatch> MakeVirtualChangeWatch(std::shared_ptr<VirtualKeyboardCore> core);
