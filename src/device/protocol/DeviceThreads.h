#pragma once

#include "device/hid/HidBackend.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class HidDevice;

// What the two device threads (DeviceMonitor.h, NotificationReader.h) share:
// their timings, the stop that ends both, their change watches, and the tests
// that tell the keyboard's collections from every other device's.

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

// The tray icon the connection handler last chose (128 or 141); a notice
// that restores the icon puts this one back.
int RememberedTrayIcon();
void RememberTrayIcon(int icon);

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

// Ends every wait of the device threads, now and until AllowDeviceThreads.
void RequestDeviceThreadsStop();
void AllowDeviceThreads();
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
