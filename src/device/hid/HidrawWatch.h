#pragma once

#include "device/hid/HidBackend.h"

#include <memory>
#include <string>

// Changes of hidraw nodes, for the hidapi backend: a udev monitor on the
// hidraw subsystem tells of nodes that come and go, and an open node that
// hangs up (POLLHUP, which hidraw gives once its device has left) tells that
// the watched handle's keyboard is gone, with no udev needed.
//
// udevControl is the file that shows udev is running ("/run/udev/control");
// without a running udev the monitor would hear nothing, so the watch then
// sees departures of the watched handle only. Tests point it elsewhere.
inline constexpr const char* UdevControlFile = "/run/udev/control";

// hangupFdOf gives the node's descriptor of a handle of the backend, or -1.
std::unique_ptr<HidChangeWatch> MakeHidrawWatch(int (*hangupFdOf)(const HidHandle&),
                                                const std::string& udevControl = UdevControlFile);
