#include "device/hid/HidDevice.h"

#include "device/hid/CurrentHidBackend.h"
#include "device/hid/ReportQueries.h"

#include <algorithm>
#include <chrono>
#include <map>

HidDevice g_configChannel;
HidDevice g_notifyChannel;

namespace {

// How long Open/Close wait for an aborted transfer to leave, re-sending the
// abort meanwhile (a transfer that had not reached its wait yet misses one).
constexpr auto AbortRetry = std::chrono::milliseconds(10);
constexpr int AbortAttempts = 100;

} // namespace

bool DecodeInputReport(const uint8_t* report, size_t length, HidReportType type, std::span<HidDataItem> items,
                       const HidCollectionInfo& descriptor)
{
    if (!report || length == 0)
        return true;
    const std::span<const uint8_t> bytes(report, length);
    std::vector<uint16_t> usages;
    for (HidDataItem& item : items) {
        if (item.reportId != report[0])
            continue;
        if (item.kind == HidItemButton) {
            item.status = GetUsages(descriptor, type, item.usagePage, bytes, usages, item.usageList.size());
            size_t kept = 0;
            for (uint16_t usage : usages) {
                if (usage >= item.usage && usage <= item.secondWord && kept < item.usageList.size())
                    item.usageList[kept++] = usage;
            }
            // Clear the whole tail, not just one entry: stale usages after the
            // terminating 0 would only mislead a caller that reads past it.
            std::fill(item.usageList.begin() + static_cast<std::ptrdiff_t>(kept), item.usageList.end(), 0);
        } else {
            uint32_t raw = 0;
            item.status = GetUsageValue(descriptor, type, item.usagePage, item.usage, bytes, raw);
            if (item.status != HidStatusSuccess)
                return false;
            item.secondWord = raw;
            int32_t scaled = 0;
            item.status = GetScaledUsageValue(descriptor, type, item.usagePage, item.usage, bytes, scaled);
            if (item.status == HidStatusSuccess)
                item.thirdWord = scaled;
        }
        item.updated = 1;
    }
    return true;
}

std::vector<HidDataItem> BuildDataItems(const HidCollectionInfo& descriptor, HidReportType type)
{
    const size_t t = static_cast<size_t>(type);
    std::vector<HidDataItem> items;
    std::map<uint16_t, uint32_t> listLengths;                     // by usage page
    std::map<std::pair<uint16_t, uint8_t>, uint32_t> reportSlots; // by page and report id
    for (const HidButtonCap& cap : descriptor.buttonCaps[t]) {
        HidDataItem item;
        item.kind = HidItemButton;
        item.usagePage = cap.usagePage;
        item.reportId = cap.reportId;
        item.usage = cap.usageMin;
        item.secondWord = cap.usageMax;
        auto [length, newPage] = listLengths.try_emplace(cap.usagePage, 0);
        if (newPage)
            length->second = MaxUsageListLength(descriptor, type, cap.usagePage);
        auto [slots, newReport] = reportSlots.try_emplace({cap.usagePage, cap.reportId}, 0);
        if (newReport)
            slots->second = ReportUsageSlots(descriptor, type, cap.usagePage, cap.reportId);
        item.thirdWord = static_cast<int32_t>(length->second);
        // The list is filled only from reports of the item's own id, and one
        // report never names more usages of the page than it has elements:
        // a longer list would be memory no decode can use.
        item.usageList.assign(std::min(length->second, slots->second), 0);
        items.push_back(std::move(item));
    }
    for (const HidValueCap& cap : descriptor.valueCaps[t]) {
        for (uint32_t usage = cap.usageMin; usage <= cap.usageMax; ++usage) {
            HidDataItem item;
            item.kind = HidItemValue;
            item.usagePage = cap.usagePage;
            item.reportId = cap.reportId;
            item.usage = static_cast<uint16_t>(usage);
            items.push_back(std::move(item));
        }
    }
    return items;
}

HidDevice::HidDevice() = default;

HidDevice::~HidDevice()
{
    Close();
    FreeInterfaceList();
}

bool HidDevice::EnumerateInterfaces()
{
    cursor_ = 0;
    interfaces_.clear();
    haveList_ = false;
    std::vector<HidInterfaceInfo> found;
    if (!CurrentHidBackend().Enumerate(found))
        return false;
    interfaces_.reserve(8);
    for (HidInterfaceInfo& info : found)
        interfaces_.push_back(std::move(info));
    haveList_ = true;
    return true;
}

std::optional<HidInterfaceInfo> HidDevice::NextInterface()
{
    if (!haveList_ || cursor_ >= interfaces_.size())
        return std::nullopt;
    return interfaces_[cursor_++];
}

std::optional<std::string> HidDevice::NextInterfacePath()
{
    std::optional<HidInterfaceInfo> info = NextInterface();
    if (!info)
        return std::nullopt;
    return info->path;
}

size_t HidDevice::InterfaceCount() const
{
    return interfaces_.size();
}

std::optional<HidInterfaceInfo> HidDevice::InterfaceInfoAt(size_t index) const
{
    if (index >= interfaces_.size())
        return std::nullopt;
    return interfaces_[index];
}

void HidDevice::FreeInterfaceList()
{
    interfaces_.clear();
    interfaces_.shrink_to_fit();
    haveList_ = false;
    cursor_ = 0;
}

void HidDevice::AbortTransfers(std::unique_lock<std::mutex>& lock)
{
    // Abort only while a transfer runs: an abort nobody waits for is dropped
    // by the backend, and must not fail the next transfer either.
    for (int attempt = 0; busy_ > 0 && attempt < AbortAttempts; ++attempt) {
        if (handle_)
            handle_->Abort();
        idle_.wait_for(lock, AbortRetry, [this] { return busy_ == 0; });
    }
    // A backend that ignores the abort leaves its transfer running; it still
    // holds its own reference to the handle, so dropping ours is safe.
}

void HidDevice::ReleaseOpenData()
{
    handle_.reset();
    nodeIdentity_.clear();
    gone_ = false;
    descriptor_ = HidCollectionInfo{};
    caps_ = HidCaps{};
    attributes_ = HidAttributes{};
    for (size_t t = 0; t < HidReportTypeCount; ++t) {
        buffers_[t].clear();
        items_[t].clear();
    }
}

bool HidDevice::Open(const std::string& path, bool wantRead, bool wantWrite, bool overlapped, bool shareReadOnly)
{
    std::unique_lock lock(mutex_);
    AbortTransfers(lock);
    ReleaseOpenData();
    wantRead_ = wantRead;
    wantWrite_ = wantWrite;
    overlapped_ = overlapped;
    shareReadOnly_ = shareReadOnly;
    path_ = path;

    HidOpenMode mode;
    mode.read = wantRead;
    mode.write = wantWrite;
    mode.shareReadOnly = shareReadOnly;
    std::unique_ptr<HidHandle> handle = CurrentHidBackend().Open(path, mode);
    if (!handle)
        return false;
    std::vector<HidCollectionInfo> collections;
    const int index = handle->CollectionIndex();
    if (!ParseReportDescriptor(handle->ReportDescriptor(), collections) || index < 0
        || static_cast<size_t>(index) >= collections.size()
        || !collections[static_cast<size_t>(index)].unusable.empty())
        return false; // the handle closes as it goes out of scope

    descriptor_ = std::move(collections[static_cast<size_t>(index)]);
    const HidInterfaceInfo info = handle->Info();
    attributes_ = {info.vendorId, info.productId, info.version};
    caps_.usagePage = descriptor_.usagePage;
    caps_.usage = descriptor_.usage;
    caps_.inputReportByteLength = descriptor_.InputReportLength();
    caps_.outputReportByteLength = descriptor_.OutputReportLength();
    caps_.featureReportByteLength = descriptor_.FeatureReportLength();
    for (size_t t = 0; t < HidReportTypeCount; ++t) {
        caps_.numberButtonCaps[t] = static_cast<uint16_t>(descriptor_.buttonCaps[t].size());
        caps_.numberValueCaps[t] = static_cast<uint16_t>(descriptor_.valueCaps[t].size());
        buffers_[t].assign(descriptor_.reportLength[t], 0);
        items_[t] = BuildDataItems(descriptor_, static_cast<HidReportType>(t));
    }
    nodeIdentity_ = handle->NodeIdentity();
    handle_ = std::move(handle);
    return true;
}

bool HidDevice::Close()
{
    std::unique_lock lock(mutex_);
    if (!handle_)
        return false;
    AbortTransfers(lock);
    ReleaseOpenData();
    return true;
}

bool HidDevice::IsOpen() const
{
    std::lock_guard lock(mutex_);
    return handle_ != nullptr;
}

std::shared_ptr<HidHandle> HidDevice::BeginTransfer()
{
    std::lock_guard lock(mutex_);
    if (!handle_)
        return nullptr;
    ++busy_;
    return handle_;
}

void HidDevice::EndTransfer(const HidHandle* handle, HidIo outcome)
{
    std::function<void()> tell;
    {
        std::lock_guard lock(mutex_);
        if (outcome == HidIo::Gone && handle_.get() == handle) {
            gone_ = true;
            tell = goneListener_;
        }
        --busy_;
        idle_.notify_all();
    }
    if (tell)
        tell();
}

void HidDevice::SetGoneListener(std::function<void()> listener)
{
    std::lock_guard lock(mutex_);
    goneListener_ = std::move(listener);
}

std::shared_ptr<const HidHandle> HidDevice::OpenHandle() const
{
    std::lock_guard lock(mutex_);
    return handle_;
}

template <typename Io>
bool HidDevice::Transfer(size_t* transferred, bool usableBuffer, Io io)
{
    if (transferred)
        *transferred = 0;
    if (!usableBuffer)
        return false;
    std::shared_ptr<HidHandle> handle = BeginTransfer();
    if (!handle)
        return false;
    struct EndOnExit {
        HidDevice* device;
        const HidHandle* handle;
        HidIo result = HidIo::Failed;
        ~EndOnExit() { device->EndTransfer(handle, result); }
    } end{this, handle.get()};
    size_t count = 0;
    end.result = io(*handle, count);
    if (transferred)
        *transferred = count;
    return end.result == HidIo::Done;
}

bool HidDevice::ReadReport(uint8_t* buffer, size_t length, size_t* transferred, int timeoutMs)
{
    return Transfer(transferred, buffer && length > 0, [&](HidHandle& handle, size_t& count) {
        return handle.Read(std::span<uint8_t>(buffer, length), count, timeoutMs);
    });
}

bool HidDevice::WriteReport(const uint8_t* buffer, size_t length, size_t* transferred, int timeoutMs)
{
    return Transfer(transferred, buffer && length > 0, [&](HidHandle& handle, size_t& count) {
        return handle.Write(std::span<const uint8_t>(buffer, length), count, timeoutMs);
    });
}

bool HidDevice::DecodeInputReport(const uint8_t* report, size_t length)
{
    return ::DecodeInputReport(report, length, HidReportType::Input, items_[0], descriptor_);
}

HidCaps HidDevice::Caps() const
{
    std::lock_guard lock(mutex_);
    return caps_;
}

HidAttributes HidDevice::Attributes() const
{
    std::lock_guard lock(mutex_);
    return attributes_;
}

std::string HidDevice::Path() const
{
    std::lock_guard lock(mutex_);
    return path_;
}

std::string HidDevice::NodeIdentity() const
{
    std::lock_guard lock(mutex_);
    return nodeIdentity_;
}

bool HidDevice::DeviceGone() const
{
    std::lock_guard lock(mutex_);
    return gone_;
}

std::vector<uint8_t>& HidDevice::InputBuffer()
{
    return buffers_[0];
}

std::vector<HidDataItem>& HidDevice::InputItems()
{
    return items_[0];
}

std::vector<HidDataItem>& HidDevice::Items(HidReportType type)
{
    return items_[static_cast<size_t>(type)];
}

const HidCollectionInfo& HidDevice::Descriptor() const
{
    return descriptor_;
}
