#pragma once

#include "platform/LockHolder.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The one seam to HID hardware. Implementations: hidapi/hidraw for real
// keyboards, the virtual keyboard for tests and the --virtual-keyboard mode.
// Each top-level collection of a device is its own entry with its own path.

struct HidInterfaceInfo {
    std::string path;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0;
    uint16_t usagePage = 0; // top-level collection's usage page
    uint16_t usage = 0;     // top-level collection's usage
};

struct HidOpenMode {
    bool read = true;
    bool write = false;
    bool shareReadOnly = false; // let other openers only read
};

enum class HidIo {
    Done,
    TimedOut,
    Aborted,
    Failed, // the device refused the transfer, or it failed for a passing reason
    Gone,   // the node is gone (unplugged): nothing will pass through this handle again
};

inline constexpr int HidInfinite = -1;

enum class HidLock {
    Taken,
    Busy,   // another program holds it
    Failed, // the lock cannot be had at all (the node is gone)
};

class HidHandle {
public:
    virtual ~HidHandle() = default;
    virtual HidInterfaceInfo Info() const = 0;
    // The report descriptor of this collection: the bytes the device gives
    // for its interface, and which of its top-level collections (0-based, in
    // descriptor order) this handle serves.
    virtual std::vector<uint8_t> ReportDescriptor() const = 0;
    virtual int CollectionIndex() const = 0;
    // Which appearance of the device node this handle was opened on; see
    // HidBackend::NodeIdentity.
    virtual std::string NodeIdentity() const = 0;
    // One whole input report of this collection, report id first. timeoutMs 0
    // polls, HidInfinite waits until a report, a failure or Abort.
    virtual HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) = 0;
    virtual HidIo Write(std::span<const uint8_t> report, size_t& transferred, int timeoutMs) = 0;
    // Ends a Read or Write that another thread is waiting in, at once. An
    // abort with no transfer waiting is forgotten.
    virtual void Abort() = 0;

    // The lock that keeps one program's conversation with the device whole
    // while other programs wait: tied to the device, dropped by the kernel
    // when its holder dies. Threads of one program share it (they share the
    // handle) and must be kept apart by the caller. Never waits. A backend
    // with no such lock always takes it.
    virtual HidLock TryLockExclusive() const { return HidLock::Taken; }
    virtual void UnlockExclusive() const {}
    // Who holds it while TryLockExclusive says Busy (pid 0 when unknown).
    virtual LockHolder ExclusiveHolder() const { return {}; }
};

enum class HidChange {
    None,       // the wait ran out
    Maybe,      // a device may have come or gone, or the wait was woken
    HandleGone, // the node the watched handle is on has gone away
};

// Lets a device thread sleep until the devices may have changed instead of
// looking every so often. A change that comes while nobody waits is kept, so
// that the next Wait returns at once; a wake for no change may happen.
class HidChangeWatch {
public:
    virtual ~HidChangeWatch() = default;
    // Until a change, Wake, or `limit`. `watched`, when not null, is an open
    // handle whose node going away ends the wait too (see CanWatch).
    virtual HidChange Wait(std::chrono::milliseconds limit, const HidHandle* watched) = 0;
    // Whether the handle's node going away would end a wait: false for a
    // handle this watch cannot see into (another backend's, or one wrapped).
    virtual bool CanWatch(const HidHandle& handle) const = 0;
    // Ends a Wait on another thread, or the next one when none is under way.
    virtual void Wake() = 0;
    // false when only the watched handle's departure is seen, not devices
    // that arrive: whoever waits for a keyboard to come must then look for
    // it every so often.
    virtual bool SeesArrivals() const = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    // false when the enumeration itself failed; an empty list is success.
    virtual bool Enumerate(std::vector<HidInterfaceInfo>& out) = 0;
    virtual std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenMode& mode) = 0;
    // Which appearance of a device node the path leads to now; empty when
    // nothing is there. It stays the same while the device stays plugged in
    // and differs after every replug, even when the node comes back under
    // the same path, so that the monitor can tell a handle on a dead node
    // from one on the keyboard that is there now.
    virtual std::string NodeIdentity(const std::string& path) = 0;
    // nullptr when this backend cannot tell of changes (the callers then
    // look every so often). One watch per waiting thread.
    virtual std::unique_ptr<HidChangeWatch> WatchChanges() { return nullptr; }
    // Whether something is there under the path at all.
    bool Present(const std::string& path) { return !NodeIdentity(path).empty(); }
};
