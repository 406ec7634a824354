#pragma once

#include "device/hid/HidBackend.h"
#include "device/hid/ReportDescriptor.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr uint8_t HidItemValue = 0;
inline constexpr uint8_t HidItemButton = 1;

// One entry of a channel's data-item table.
struct HidDataItem {
    uint8_t kind = HidItemValue;
    uint16_t usagePage = 0;
    uint32_t status = HidStatusSuccess; // of the last decode
    uint8_t reportId = 0;
    uint8_t updated = 0; // set to 1 by every decode that handled the item
    uint16_t usage = 0;  // button: lowest usage; value: its usage
    uint32_t secondWord = 0; // button: highest usage; value: raw value of the last decode
    int32_t thirdWord = 0;   // button: the platform's usage-list length; value: scaled value of the last decode
    // Button items only; 0 ends a shorter list. Holds as many usages as one
    // report of the item's id can name (at most thirdWord).
    std::vector<uint16_t> usageList;
};

struct HidCaps {
    uint16_t usage = 0;
    uint16_t usagePage = 0;
    uint16_t inputReportByteLength = 0; // report-id byte included
    uint16_t outputReportByteLength = 0;
    uint16_t featureReportByteLength = 0;
    std::array<uint16_t, HidReportTypeCount> numberButtonCaps{};
    std::array<uint16_t, HidReportTypeCount> numberValueCaps{};
};

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
};

// Fills the items of `items` whose report id is the report's first byte.
// false only when a value usage could not be read; the items after it are
// then left as they were.
bool DecodeInputReport(const uint8_t* report, size_t length, HidReportType type, std::span<HidDataItem> items,
                       const HidCollectionInfo& descriptor);

// Builds the data-item table of one report type: one button item per button
// capability, then one value item per usage of each value capability.
std::vector<HidDataItem> BuildDataItems(const HidCollectionInfo& descriptor, HidReportType type);

// One channel to one HID top-level collection, over CurrentHidBackend().
//
// No lock serialises its operations (the callers do that), but Open and
// Close may run while another thread waits in ReadReport/WriteReport: they
// abort that transfer, and the handle stays alive until the transfer is over.
class HidDevice {
public:
    HidDevice();
    ~HidDevice();
    HidDevice(const HidDevice&) = delete;
    HidDevice& operator=(const HidDevice&) = delete;

    // Builds the interface list afresh and sets the cursor to 0. Success with
    // an empty list when no interface is present.
    bool EnumerateInterfaces();
    // The path at the cursor, advancing it; none at the end until the next
    // EnumerateInterfaces.
    std::optional<std::string> NextInterfacePath();
    // The same walk, with the enumerated identity of each path (hidraw paths
    // carry no vid_/pid_, so the monitor tests these ids instead).
    std::optional<HidInterfaceInfo> NextInterface();
    size_t InterfaceCount() const;
    std::optional<HidInterfaceInfo> InterfaceInfoAt(size_t index) const;
    void FreeInterfaceList();

    // overlapped is remembered only: every transfer here can time out and be
    // aborted. false leaves the channel closed.
    bool Open(const std::string& path, bool wantRead, bool wantWrite, bool overlapped, bool shareReadOnly);
    // false when nothing was open.
    bool Close();
    bool IsOpen() const;

    // One whole report, report id first. timeoutMs may be HidInfinite. false
    // on time-out, abort (Open/Close from another thread) or failure.
    bool ReadReport(uint8_t* buffer, size_t length, size_t* transferred, int timeoutMs);
    bool WriteReport(const uint8_t* buffer, size_t length, size_t* transferred, int timeoutMs);

    // Decodes into this channel's input item table (see the free function).
    bool DecodeInputReport(const uint8_t* report, size_t length);

    HidCaps Caps() const;
    HidAttributes Attributes() const;
    std::string Path() const; // the path given to the last Open
    // The appearance of the device node the open handle is on (empty when
    // closed); compare with CurrentHidBackend().NodeIdentity(Path()).
    std::string NodeIdentity() const;
    // A transfer since the last Open found the device gone (HidIo::Gone).
    bool DeviceGone() const;
    // Called on the transferring thread, with no lock held, whenever a
    // transfer finds the open device gone; quick, and not into the channel.
    // A transfer that ends as it is replaced may still call the old one, so
    // it owns (shares) whatever it uses. Empty: nobody is told.
    void SetGoneListener(std::function<void()> listener);
    // The open handle (null when closed), for a change watch to keep an eye
    // on; holding it keeps its node open until it is let go.
    std::shared_ptr<const HidHandle> OpenHandle() const;
    // Input report buffer (input report length, zero-filled by Open) and the
    // item tables; owned by the channel, rebuilt by Open, emptied by Close.
    std::vector<uint8_t>& InputBuffer();
    std::vector<HidDataItem>& InputItems();
    std::vector<HidDataItem>& Items(HidReportType type);
    // The parsed descriptor of the open collection (empty when closed).
    const HidCollectionInfo& Descriptor() const;

    bool WantRead() const { return wantRead_; }
    bool WantWrite() const { return wantWrite_; }
    bool Overlapped() const { return overlapped_; }
    bool ShareReadOnly() const { return shareReadOnly_; }

private:
    std::shared_ptr<HidHandle> BeginTransfer();
    // handle: the one the transfer ran on; a Gone outcome marks the channel
    // only while that handle is still the open one.
    void EndTransfer(const HidHandle* handle, HidIo outcome);
    // One read or write on the open handle, counted as under way (for
    // AbortTransfers) until it returns.
    template <typename Io>
    bool Transfer(size_t* transferred, bool usableBuffer, Io io);
    // Ends a transfer under way on another thread and waits (bounded) for it.
    void AbortTransfers(std::unique_lock<std::mutex>& lock);
    void ReleaseOpenData();

    std::vector<HidInterfaceInfo> interfaces_;
    bool haveList_ = false;
    size_t cursor_ = 0;

    bool wantRead_ = false;
    bool wantWrite_ = false;
    bool overlapped_ = false;
    bool shareReadOnly_ = false;

    // Guards handle_, busy_ and the identity fields against Open/Close on
    // another thread; never held during a transfer.
    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::shared_ptr<HidHandle> handle_;
    int busy_ = 0; // transfers under way
    std::string path_;
    std::string nodeIdentity_;
    bool gone_ = false;
    std::function<void()> goneListener_;
    HidCollectionInfo descriptor_;
    HidCaps caps_;
    HidAttributes attributes_;
    std::array<std::vector<uint8_t>, HidReportTypeCount> buffers_;
    std::array<std::vector<HidDataItem>, HidReportTypeCount> items_;
};

// The configuration channel (vendor collection) and the notification
// channel (Consumer Control), for the whole life of the process.
extern HidDevice g_configChannel;
extern HidDevice g_notifyChannel;
