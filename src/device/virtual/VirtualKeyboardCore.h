#pragma once

#include "device/hid/HidBackend.h"
#include "device/virtual/KeyboardMemories.h"
#include "device/virtual/VirtualKeyboardOptions.h"
#include "device/virtual/VirtualKeyboardStateFile.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The virtual keyboard's insides, shared by the keyboard object, its handles
// and its change watches (which may outlive it): the memories, the cable,
// the loader, the faults a test ordered, the bus's timing, the frame log and
// the state file. Every member is guarded by mutex.

enum VirtualCollection { ConfigCollection = 0, NotifyCollection = 1, MouseCollection = 2 };

inline constexpr uint16_t VirtualMouseVendorId = 0x046D;
inline constexpr uint16_t VirtualMouseProductId = 0xC077;

struct PendingReport {
    std::chrono::steady_clock::time_point availableAt;
    std::vector<uint8_t> bytes;
};

// One open handle's side of the keyboard.
struct HandleState {
    VirtualCollection collection = ConfigCollection;
    uint64_t generation = 0;
    HidOpenMode mode;
    std::deque<PendingReport> queue; // ordered by availableAt
    int waiting = 0;
    bool abortRequested = false;
};

struct VirtualKeyboardCore {
    using Clock = std::chrono::steady_clock;

    mutable std::mutex mutex;
    std::condition_variable cv;
    VirtualKeyboardOptions options;
    KeyboardMemories memories;
    bool plugged = true;
    bool inLoader = false;
    Clock::time_point loaderEnds{};
    uint64_t generation = 1; // bumped at every plug; handles of older ones are dead
    uint64_t cableChanges = 0; // bumped at every plug and unplug, for change watches
    std::vector<std::weak_ptr<HandleState>> handles;

    // faults
    int dropReplies = 0;
    std::chrono::milliseconds nextDelay{0};
    bool duplicateNext = false;
    std::chrono::milliseconds duplicateLateBy{0};
    int refuseCount = 0;
    uint8_t refuseStatus = StatusRefused;
    int refuseCommand = -1; // -1: any command
    int failWrites = 0;
    int bounceCountdown = 0;
    bool failEnumeration = false;

    // bus timing: reports complete on frame boundaries of the latency
    std::chrono::microseconds latency{0};
    Clock::time_point busEpoch = Clock::now();
    Clock::time_point lastSlot{};

    uint64_t requestCount = 0;
    bool logEnabled = true;
    std::vector<LoggedFrame> log;
    std::vector<std::string> violations;

    // the state file
    std::unique_ptr<KeyboardStateFile> stateFile;
    bool inGroup = false;
    bool dirty = false;
    std::string stateError;
    std::function<void(const std::string&)> stateErrorHandler;

    // The factory memories of this keyboard, with the effect list it was
    // given.
    KeyboardMemories Factory(uint8_t macroUnits) const;

    // A notice on the Consumer Control collection: the usage, then its
    // release.
    void DeliverNotice(uint16_t notice);

    bool Alive(const HandleState& h) const { return h.collection == MouseCollection || (plugged && h.generation == generation); }

    // Every plug makes a new node, as the kernel does, even though the
    // paths stay the same.
    static std::string Identity(VirtualCollection c, uint64_t plugGeneration);

    // The cable bounces: out and back in at once, so the open handles are
    // dead and the nodes are new.
    void Bounce();

    // When a keyboard in its loader comes back by itself; max when it is not
    // in the loader.
    Clock::time_point LoaderReturn() const { return inLoader ? loaderEnds : Clock::time_point::max(); }

    std::string Path(VirtualCollection c) const;
    std::optional<VirtualCollection> CollectionOfPath(const std::string& path) const;
    HidInterfaceInfo InfoOf(VirtualCollection c) const;

    // The frame boundary at which a report submitted at t has crossed the bus.
    Clock::time_point ScheduleReport(Clock::time_point t);
    // Queues the report for every live reading handle of the collection.
    void Deliver(VirtualCollection c, const std::vector<uint8_t>& bytes, Clock::time_point at);
    // Logs the frame; one refused as malformed is kept and reported too.
    void Log(FrameDirection direction, const Frame& frame, uint32_t faults = 0);
    // A request acted on that still broke a rule: reported like a refused one.
    void ReportActedOnViolation(const Frame& frame, uint32_t faults);

    void Plug();
    // The loader's time is looked at whenever someone looks at the bus, so
    // the keyboard needs no thread of its own to come back.
    void FinishLoaderIfDue();
    void EnterLoader();
    void Unplug();

    void MarkChanged() { dirty = true; }
    void StateProblem(const std::string& error);
    // Called with the lock held, around every access to the memories.
    bool EnterState();
    bool LeaveState(bool groupEnds = false);
};
