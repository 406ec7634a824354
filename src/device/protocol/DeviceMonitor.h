#pragma once

#include "device/protocol/DeviceThreads.h"

#include <atomic>
#include <chrono>
#include <cstdint>

// The two device threads: the monitor finds the keyboard's vendor collection,
// opens g_configChannel on it, picks the model and notices when it goes
// away; the notification reader (NotificationReader.h) listens for the
// keyboard's notices. Both talk to the window through DeviceEvents; what they
// share is in DeviceThreads.h.

// 1: the main window is not opened by itself when the keyboard is found
// (started with /Start, or the first scan found no keyboard). The start-up
// sets it before the threads start; the monitor sets it once it has opened
// the window or passed the chance.
extern std::atomic<int32_t> g_noAutoOpen;

// Starts the notification reader, then the monitor. false when a thread
// could not be created (the other is stopped again).
bool StartDeviceThreads();
// Stops both threads and every notice thread they started, and closes both
// channels; g_deviceConnected is 0 afterwards. Must not be called from a
// DeviceEvents callback.
void StopDeviceThreads();

// Thread bodies; each returns when an enumeration fails or the threads are
// being stopped.
void MonitorThread();
// Sets g_deviceConnected to state (1 found, 0 lost) and, when that changed
// it, tells the window.
void HandleConnectionState(int32_t state);

// From StartDeviceThreads until the monitor's first scan has been handled
// (or the monitor ended): whether the keyboard is there is not known yet.
// A second start's OPEN that arrives meanwhile waits for FirstScanDone
// instead of telling the owner that no keyboard is connected.
bool FirstScanPending();
