#pragma once

#include "device/hid/HidDevice.h"

#include <cstdint>
#include <vector>

// The keyboard's own notices on its Consumer Control collection.
inline constexpr uint16_t NoticeReloadLighting = 0x0401;
inline constexpr uint16_t NoticeKeyboardReset = 0x0402;
inline constexpr uint16_t NoticeIconRestore = 0x1810;
inline constexpr uint16_t NoticeIconSignal = 0x1811;

// The notice a decoded input report carries: the first entry of the usage
// list of the report's first data item (in the platform's order), 0 when
// that item has no usage list.
uint16_t NoticeOf(const std::vector<HidDataItem>& items, uint8_t reportId);

// Thread body: finds the collection, opens g_notifyChannel on it and reads
// notices until the read fails; rescans when a device arrives (every
// notifyRetry where arrivals are not told of). Returns when an enumeration
// fails or the device threads are stopped.
void NotificationThread();

// The reaction to one notice: timers 1051 / 1053 on the window, or a tray
// icon change on a short thread of its own. Tray changes are made one at a
// time and in the order the notices came; anything else is ignored.
void HandleNotice(uint16_t notice);

// Blocks until every tray-notice thread has ended.
void WaitForNoticeThreads();
