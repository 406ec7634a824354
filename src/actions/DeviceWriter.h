#pragma once

#include <cstdint>

// Sends the device copy to the keyboard: the macro memory image and the key
// map of the current profile, or of all three profiles when allProfiles is
// set or a macro that keys used was deleted since the last write. Runs with
// the document lock held (CopyDocumentForDevice is its caller) and takes the
// device-copy lock.
//
// 1 when the macro memory and every key map were accepted; 0 otherwise, and
// WriteMacrosDoNotFit when nothing at all was sent because the macros do not
// fit the keyboard even without their names ("EXTRA_MACRO_TOO_LONG" is
// shown). Nothing is sent either when only the current profile is asked for
// and the keyboard has not told which one that is.
inline constexpr int32_t WriteMacrosDoNotFit = -301;
int32_t WriteDeviceKeyMaps(int allProfiles);

// Snapshots the document into the device copy and runs the writer with
// allProfiles, both under one hold of the device-copy lock. The caller holds
// the document lock and has saved the document first (see
// SnapshotDocumentForDevice). The writer's result; 0 without running it when
// the snapshot failed.
int32_t CopyDocumentForDevice(int allProfiles);
