#pragma once

#include "device/hid/HidBackend.h"

#include <string>

// Telling one appearance of a hidraw node from the next. When a keyboard is
// unplugged and plugged back in, the kernel often hands it the same
// /dev/hidrawN again, so the name proves nothing. What differs is the node
// file itself (device number and inode: devtmpfs makes a new inode for every
// node it creates) and the HID device above it in sysfs, whose name ends in a
// sequence number the kernel never hands out twice ("0003:320F:5000.0007").
//
// sysClassHidraw is where the nodes' sysfs entries are ("/sys/class/hidraw");
// tests point it at a tree of their own.

inline constexpr const char* SysClassHidraw = "/sys/class/hidraw";

// The identity of whatever node is under `node` now ("/dev/hidrawN"); empty
// when there is none or it is not a character device. Where sysfs does not
// know the node, the node file's numbers alone make the identity.
std::string HidrawIdentityOfPath(const std::string& node, const std::string& sysClassHidraw = SysClassHidraw);
// The identity of the node an open descriptor refers to. The sysfs half is
// looked up by the node's name, so it is read right after the open.
std::string HidrawIdentityOfFd(int fd, const std::string& node, const std::string& sysClassHidraw = SysClassHidraw);

// How a failed read or write on a hidraw node is taken: Gone for the errors
// the kernel gives once the device has been unplugged (ENODEV, EIO from a
// node whose device left, ENXIO, ESHUTDOWN from the USB layer), Failed for
// the rest.
HidIo HidrawErrorOutcome(int error);
