#pragma once

#include "device/hid/HidBackend.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class HidDevice;

// The two device threads: the monitor finds the keyboard's vendor collection,
// opens g_configChannel on it, picks the model and notices when it goes
// away; the notification reader (NotificationReader.h) listens for the
// keyboard's notices. Both talk to the window through DeviceEvents.

// The polls below are for backends that cannot tell of changes (see
// HidChangeWatch); with a change watch the threads sleep until a change and
// look anyway after watchedLook, in case one went unheard.
struct DeviceThreadTimings {
    std::chrono::milliseconds presentPoll{100};   // keyboard connected
    std::chrono::milliseconds absentPoll{1000};   // keyboard absent: full scan
    std::chrono::milliseconds notifyRetry{1000};  // reader between scans
    std::chrono::milliseconds firstScanDelay{10}; // when started with /Start
    std::chrono::milliseconds watchedLook{5000};
};
DeviceThreadTimings CurrentDeviceThreadTimings();
void SetDeviceThreadTimings(const DeviceThreadTimings& timings);

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

// The tray icon the connection handler last chose (128 or 141).
int RememberedTrayIcon();

// From StartDeviceThreads until the monitor's first scan has been handled
// (or the monitor ended): whether the keyboard is there is not known yet.
// A second start's OPEN that arrives meanwhile waits for FirstScanDone
// instead of telling the owner that no keyboard is connected.
bool FirstScanPending();

// Path test: a path that spells "vid_" (any case) is judged by the hex
// numbers after "vid_" and "pid_" (0 when absent, low 16 bits); a path that
// does not (hidraw, the virtual keyboard) by the enumerated ids.
bool IsKeyboardPath(const std::string& path, uint16_t enumeratedVendor, uint16_t enumeratedProduct);
// Whether an enumerated interface may be the collection wanted. A backend
// that names each interface's collection (hidraw does, from the report
// descriptor) is taken at its word, so that no other interface of the
// keyboard, above all the one it types through, is ever opened; an interface
// listed without a collection is opened and passes the identity test or not.
bool MayBeCollection(const HidInterfaceInfo& info, uint16_t usagePage, uint16_t usage);
// Identity tests of an open channel.
bool IsConfigCollection(const HidDevice& channel);
bool IsNotifyCollection(const HidDevice& channel);

// For both threads: true while they should keep running; waits that end at
// once when a stop is requested.
bool DeviceThreadsStopping();
bool SleepUnlessStopping(std::chrono::milliseconds duration);
// One device thread's change watch on the current backend, which a stop
// wakes. Without one (the backend cannot tell of changes) it sees nothing,
// and the thread polls.
class DeviceThreadWatch {
public:
    DeviceThreadWatch();
    ~DeviceThreadWatch();
    DeviceThreadWatch(const DeviceThreadWatch&) = delete;
    DeviceThreadWatch& operator=(const DeviceThreadWatch&) = delete;

    // Whether the handle's node going away ends a wait.
    bool SeesDepartureOf(const HidHandle& handle) const { return watch_ && watch_->CanWatch(handle); }
    // Whether devices that arrive end a wait.
    bool SeesArrivals() const { return watch_ && watch_->SeesArrivals(); }
    // Until a change, a stop, or limit; see HidChangeWatch::Wait.
    HidChange Wait(std::chrono::milliseconds limit, const HidHandle* watched);
    // Shared with whoever else may wake the thread (a transfer that finds the
    // keyboard gone); null without a watch.
    std::shared_ptr<HidChangeWatch> Shared() const { return watch_; }

private:
    std::shared_ptr<HidChangeWatch> watch_;
};

// Runs work unless a stop was requested, and keeps a stop from being
// requested meanwhile (so a channel opened by the work is closed by the stop).
bool RunUnlessStopping(const std::function<bool()>& work);
