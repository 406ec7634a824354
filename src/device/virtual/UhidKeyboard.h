#pragma once

#include "device/virtual/VirtualKeyboard.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

struct uhid_event;

// The virtual keyboard's firmware behind the kernel's /dev/uhid: the kernel
// sees a USB keyboard with two interfaces and gives each its hidraw node, so
// the program reaches it through hidapi exactly as it reaches the real one.
// The kernel tests run it inside a VM (tools/uhid-keyboard).
//
// Interface 0 is the boot keyboard the typing happens on; interface 1 holds
// the vendor collection and Consumer Control, with the virtual keyboard's own
// report descriptor. Output reports go into the virtual keyboard, its replies
// and notices come back as input reports, and GET_REPORT/SET_REPORT requests
// are answered from the descriptors as the firmware would (see Answer below).

inline constexpr int UhidBootInterface = 0;
inline constexpr int UhidVendorInterface = 1;
inline constexpr int UhidInterfaceCount = 2;

// The HID boot protocol's keyboard: modifiers, a reserved byte and six keys
// in, five LEDs out, no report ids.
const std::vector<uint8_t>& BootKeyboardReportDescriptor();

// A new /dev/uhid file (one per device), or -1. Tests hand in one end of a
// socket pair and play the kernel's part on the other.
using UhidOpener = std::function<int()>;
int OpenDevUhid();

// What the firmware answers to a GET_REPORT or SET_REPORT of the control
// pipe: a report the interface declares (of that type and id) is taken or
// given, idle (its id, then zeros); anything else is stalled, which the
// kernel reports as EIO.
struct UhidReportAnswer {
    bool accepted = false;
    std::vector<uint8_t> data; // GET_REPORT: the report, id byte first
};
enum class UhidReportKind : uint8_t { Feature = 0, Output = 1, Input = 2 }; // uhid's numbering
UhidReportAnswer AnswerGetReport(std::span<const uint8_t> descriptor, UhidReportKind kind, uint8_t reportId);
bool TakesSetReport(std::span<const uint8_t> descriptor, UhidReportKind kind, uint8_t reportId);

class UhidKeyboard {
public:
    // keyboard stays the caller's and must outlive this object; it is plugged
    // and unplugged together with the uhid devices. serial tells this
    // keyboard's devices from any other's (their "uniq" and "phys").
    UhidKeyboard(VirtualKeyboard& keyboard, std::string serial, UhidOpener opener = OpenDevUhid);
    ~UhidKeyboard();
    UhidKeyboard(const UhidKeyboard&) = delete;
    UhidKeyboard& operator=(const UhidKeyboard&) = delete;

    // Plugs the virtual keyboard in and creates both devices (UHID_CREATE2).
    // false when a device could not be created (nothing is left plugged).
    bool Plug();
    // Unplugs the virtual keyboard (transfers in flight fail) and destroys
    // both devices (UHID_DESTROY).
    void Unplug();
    // A keyboard that switches to its loader leaves the bus by itself (both
    // devices are destroyed) and comes back, as new devices, when its loader
    // is done; Plug and Unplug end that wait.
    bool IsPlugged() const;
    // Until the kernel has started a driver on both devices (UHID_START);
    // false when the time ran out first.
    bool WaitUntilStarted(std::chrono::milliseconds timeout);

    // The devices' physical path, which sysfs shows as HID_PHYS.
    std::string Phys(int interface) const;
    std::string Serial() const { return serial_; }

    struct Counters {
        std::array<uint64_t, UhidInterfaceCount> outputReports{};
        uint64_t getReports = 0;
        uint64_t setReports = 0;
        uint64_t stalled = 0; // requests refused
        uint8_t leds = 0;     // last LED report of the boot keyboard
    };
    Counters Stats() const;

private:
    struct Session;
    void EventLoop(Session& session, int interface);
    void PumpReports(Session& session, HidHandle& handle);
    void HandleEvent(Session& session, int interface, const uhid_event& event);
    bool Send(Session& session, int interface, const uhid_event& event);
    bool PlugLocked();
    void EndSession(std::unique_ptr<Session> session, bool unplugKeyboard);
    void AwaitReturnFromLoader();

    VirtualKeyboard& keyboard_;
    const std::string serial_;
    UhidOpener opener_;

    std::mutex plugMutex_; // one Plug or Unplug at a time, held throughout
    mutable std::mutex mutex_;
    std::condition_variable started_;
    std::unique_ptr<Session> session_;
    Counters counters_;
    bool awaitingReturn_ = false; // the keyboard left for its loader
    bool stopping_ = false;
    std::condition_variable returnWatch_;
    std::thread returnWatcher_;
};

// The hidraw node ("/dev/hidrawN") of the device whose HID_PHYS is phys, as
// sysfs shows it now; empty when there is none yet.
std::string FindHidrawNode(const std::string& phys);
