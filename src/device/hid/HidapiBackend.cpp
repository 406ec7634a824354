#include "device/hid/HidapiBackend.h"

#include "device/hid/HidrawNode.h"
#include "device/hid/HidrawWatch.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/hidraw.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr const char* NodePrefix = "/dev/hidraw";

bool AllDigits(const std::string& text, size_t maxLength)
{
    return !text.empty() && text.size() <= maxLength
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string NodeName(const std::string& node)
{
    return node.substr(std::strlen("/dev/"));
}

// Small sysfs text or binary files; bounded because nothing there is trusted.
std::vector<uint8_t> ReadSmallFile(const std::filesystem::path& file, size_t limit)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes;
    char chunk[512];
    while (in && bytes.size() <= limit) {
        in.read(chunk, sizeof chunk);
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (bytes.size() > limit)
        bytes.clear();
    return bytes;
}

// The device release number (bcdDevice) of the USB device above the node.
uint16_t ReadNodeVersion(const std::string& node)
{
    std::error_code ec;
    std::filesystem::path dir =
        std::filesystem::canonical(std::filesystem::path("/sys/class/hidraw") / NodeName(node) / "device", ec);
    for (int up = 0; !ec && up < 5 && !dir.empty(); ++up, dir = dir.parent_path()) {
        std::vector<uint8_t> text = ReadSmallFile(dir / "bcdDevice", 16);
        if (!text.empty()) {
            std::string hex(text.begin(), text.end());
            return static_cast<uint16_t>(std::strtoul(hex.c_str(), nullptr, 16));
        }
    }
    return 0;
}

std::vector<uint8_t> ReadSysfsDescriptor(const std::string& node)
{
    return ReadSmallFile(std::filesystem::path("/sys/class/hidraw") / NodeName(node) / "device" / "report_descriptor",
                         HidMaxDescriptorBytes);
}

void InitHidapi()
{
    static std::once_flag once;
    std::call_once(once, [] { hid_init(); });
}

class HidrawHandle : public HidHandle {
public:
    HidrawHandle(int fd, int abortFd, HidInterfaceInfo info, std::string identity, std::vector<uint8_t> descriptor,
                 int collection, HidCollectionInfo parsed, bool nodeUsesIds)
        : fd_(fd)
        , abortFd_(abortFd)
        , info_(std::move(info))
        , identity_(std::move(identity))
        , descriptor_(std::move(descriptor))
        , collection_(collection)
        , parsed_(std::move(parsed))
        , nodeUsesIds_(nodeUsesIds)
    {
    }
    ~HidrawHandle() override
    {
        close(fd_);
        close(abortFd_);
    }

    HidInterfaceInfo Info() const override { return info_; }
    std::vector<uint8_t> ReportDescriptor() const override { return descriptor_; }
    int CollectionIndex() const override { return collection_; }
    std::string NodeIdentity() const override { return identity_; }
    int Fd() const { return fd_; }

    HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) override
    {
        transferred = 0;
        Waiting waiting(*this);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        // Sized for the longest report any collection of the node may send.
        if (raw_.empty())
            raw_.resize(HidMaxReportBytes + 1);
        uint8_t* raw = raw_.data();
        for (;;) {
            HidIo ready = WaitFor(POLLIN, timeoutMs, deadline);
            if (ready != HidIo::Done)
                return ready;
            const ssize_t n = read(fd_, raw, raw_.size());
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    continue;
                return HidrawErrorOutcome(errno);
            }
            // Reports of the node's other collections are dropped here; a
            // time-out of 0 thus drains them along the way.
            std::optional<size_t> kept =
                FilterInputReport(std::span<const uint8_t>(raw, static_cast<size_t>(n)), parsed_, nodeUsesIds_, buffer);
            if (kept) {
                transferred = *kept;
                return HidIo::Done;
            }
        }
    }

    HidIo Write(std::span<const uint8_t> report, size_t& transferred, int timeoutMs) override
    {
        transferred = 0;
        if (report.empty())
            return HidIo::Failed;
        Waiting waiting(*this);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        for (;;) {
            HidIo ready = WaitFor(POLLOUT, timeoutMs, deadline);
            if (ready != HidIo::Done)
                return ready;
            // hidraw writes whole reports synchronously; the kernel drops a
            // leading 0 report id itself.
            const ssize_t n = write(fd_, report.data(), report.size());
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR)
                    continue;
                return HidrawErrorOutcome(errno);
            }
            transferred = static_cast<size_t>(n);
            return HidIo::Done;
        }
    }

    HidLock TryLockExclusive() const override { return TryLockOpenFile(fd_); }
    void UnlockExclusive() const override { UnlockOpenFile(fd_); }
    LockHolder ExclusiveHolder() const override { return FlockHolderOf(fd_); }

    void Abort() override
    {
        std::lock_guard lock(mutex_);
        if (waiting_ > 0) {
            const uint64_t one = 1;
            [[maybe_unused]] ssize_t n = write(abortFd_, &one, sizeof one);
        }
    }

private:
    // Counts the transfers Abort may end; the last one to leave swallows an
    // abort that came too late, so it cannot fail the next transfer.
    struct Waiting {
        explicit Waiting(HidrawHandle& h) : handle(h)
        {
            std::lock_guard lock(handle.mutex_);
            ++handle.waiting_;
        }
        ~Waiting()
        {
            std::lock_guard lock(handle.mutex_);
            if (--handle.waiting_ == 0) {
                uint64_t count = 0;
                [[maybe_unused]] ssize_t n = read(handle.abortFd_, &count, sizeof count);
            }
        }
        HidrawHandle& handle;
    };

    HidIo WaitFor(short events, int timeoutMs, std::chrono::steady_clock::time_point deadline)
    {
        for (;;) {
            int wait = -1;
            if (timeoutMs != HidInfinite) {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                wait = static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX));
            }
            pollfd fds[2] = {{abortFd_, POLLIN, 0}, {fd_, events, 0}};
            const int r = poll(fds, 2, wait);
            if (r < 0) {
                if (errno == EINTR)
                    continue;
                return HidIo::Failed;
            }
            if (r == 0)
                return HidIo::TimedOut;
            if (fds[0].revents & POLLIN)
                return HidIo::Aborted; // the abort wins when both are ready
            if (fds[1].revents & events)
                return HidIo::Done;
            if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))
                return HidIo::Gone; // hidraw reports an unplugged device this way
        }
    }

    int fd_;
    int abortFd_;
    HidInterfaceInfo info_;
    std::string identity_;
    std::vector<uint8_t> descriptor_;
    int collection_;
    HidCollectionInfo parsed_;
    std::vector<uint8_t> raw_;
    bool nodeUsesIds_;
    std::mutex mutex_;
    int waiting_ = 0;
};

int NodeFdOf(const HidHandle& handle)
{
    const auto* hidraw = dynamic_cast<const HidrawHandle*>(&handle);
    return hidraw ? hidraw->Fd() : -1;
}

} // namespace

HidLock TryLockOpenFile(int fd)
{
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return HidLock::Taken;
        if (errno == EWOULDBLOCK)
            return HidLock::Busy;
        if (errno != EINTR)
            return HidLock::Failed;
    }
}

void UnlockOpenFile(int fd)
{
    flock(fd, LOCK_UN);
}

std::optional<HidrawPath> ParseHidrawPath(const std::string& path)
{
    if (path.rfind(NodePrefix, 0) != 0)
        return std::nullopt;
    const size_t hash = path.find('#');
    HidrawPath parsed;
    parsed.node = path.substr(0, hash);
    if (!AllDigits(parsed.node.substr(std::strlen(NodePrefix)), 6))
        return std::nullopt;
    if (hash != std::string::npos) {
        const std::string index = path.substr(hash + 1);
        if (!AllDigits(index, 3))
            return std::nullopt;
        parsed.collection = std::stoi(index);
        if (parsed.collection > 255)
            return std::nullopt;
    }
    return parsed;
}

std::string MakeHidrawPath(const std::string& node, int collection)
{
    return node + "#" + std::to_string(collection);
}

std::vector<HidInterfaceInfo> CollectionInterfaces(const HidInterfaceInfo& node, std::span<const uint8_t> descriptor,
                                                   const std::vector<std::pair<uint16_t, uint16_t>>& fallbackUsages)
{
    std::vector<HidInterfaceInfo> out;
    std::vector<HidCollectionInfo> collections;
    std::vector<std::pair<uint16_t, uint16_t>> usages;
    if (!descriptor.empty() && ParseReportDescriptor(descriptor, collections)) {
        for (const HidCollectionInfo& c : collections)
            usages.push_back({c.usagePage, c.usage});
    } else {
        usages = fallbackUsages;
    }
    for (size_t i = 0; i < usages.size(); ++i) {
        HidInterfaceInfo info = node;
        info.path = MakeHidrawPath(node.path, static_cast<int>(i));
        info.usagePage = usages[i].first;
        info.usage = usages[i].second;
        out.push_back(std::move(info));
    }
    return out;
}

std::optional<size_t> FilterInputReport(std::span<const uint8_t> raw, const HidCollectionInfo& collection,
                                        bool nodeUsesReportIds, std::span<uint8_t> out)
{
    if (raw.empty() || out.empty())
        return std::nullopt;
    if (nodeUsesReportIds) {
        if (!collection.usesReportIds || !collection.OwnsReportId(raw[0]))
            return std::nullopt;
        const size_t n = std::min(raw.size(), out.size());
        std::copy_n(raw.begin(), n, out.begin());
        return n;
    }
    out[0] = 0;
    const size_t n = std::min(raw.size(), out.size() - 1);
    std::copy_n(raw.begin(), n, out.begin() + 1);
    return n + 1;
}

bool HidapiBackend::Enumerate(std::vector<HidInterfaceInfo>& out)
{
    out.clear();
    InitHidapi();
    hid_device_info* list = hid_enumerate(0, 0);
    // hidapi lists one entry per collection, with the node's path repeated.
    struct Node {
        HidInterfaceInfo identity;
        std::vector<std::pair<uint16_t, uint16_t>> usages;
    };
    std::vector<Node> nodes;
    for (hid_device_info* d = list; d; d = d->next) {
        if (!d->path || !ParseHidrawPath(d->path))
            continue;
        auto it = std::find_if(nodes.begin(), nodes.end(), [&](const Node& n) { return n.identity.path == d->path; });
        if (it == nodes.end()) {
            Node node;
            node.identity.path = d->path;
            node.identity.vendorId = d->vendor_id;
            node.identity.productId = d->product_id;
            node.identity.version = d->release_number;
            nodes.push_back(std::move(node));
            it = nodes.end() - 1;
        }
        it->usages.push_back({d->usage_page, d->usage});
    }
    hid_free_enumeration(list);
    for (const Node& node : nodes) {
        const std::vector<uint8_t> descriptor = ReadSysfsDescriptor(node.identity.path);
        for (HidInterfaceInfo& info : CollectionInterfaces(node.identity, descriptor, node.usages))
            out.push_back(std::move(info));
    }
    return true;
}

std::unique_ptr<HidHandle> HidapiBackend::Open(const std::string& path, const HidOpenMode& mode)
{
    // Sharing cannot be restricted on hidraw; shareReadOnly has no effect.
    std::optional<HidrawPath> parsed = ParseHidrawPath(path);
    if (!parsed)
        return nullptr;
    const int access = mode.write ? (mode.read ? O_RDWR : O_WRONLY) : O_RDONLY;
    const int fd = open(parsed->node.c_str(), access | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::string identity = HidrawIdentityOfFd(fd, parsed->node);
    const int abortFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (abortFd < 0) {
        close(fd);
        return nullptr;
    }
    auto fail = [&]() -> std::unique_ptr<HidHandle> {
        close(fd);
        close(abortFd);
        return nullptr;
    };

    int size = 0;
    hidraw_report_descriptor raw{};
    if (ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
        return fail();
    raw.size = static_cast<uint32_t>(size);
    if (ioctl(fd, HIDIOCGRDESC, &raw) < 0)
        return fail();
    std::vector<uint8_t> descriptor(raw.value, raw.value + size);
    std::vector<HidCollectionInfo> collections;
    if (!ParseReportDescriptor(descriptor, collections) || parsed->collection >= static_cast<int>(collections.size()))
        return fail();
    hidraw_devinfo devinfo{};
    if (ioctl(fd, HIDIOCGRAWINFO, &devinfo) < 0)
        return fail();

    const bool nodeUsesIds =
        std::any_of(collections.begin(), collections.end(), [](const HidCollectionInfo& c) { return c.usesReportIds; });
    HidCollectionInfo mine = collections[static_cast<size_t>(parsed->collection)];
    HidInterfaceInfo info;
    info.path = MakeHidrawPath(parsed->node, parsed->collection);
    info.vendorId = static_cast<uint16_t>(devinfo.vendor);
    info.productId = static_cast<uint16_t>(devinfo.product);
    info.version = ReadNodeVersion(parsed->node);
    info.usagePage = mine.usagePage;
    info.usage = mine.usage;
    return std::make_unique<HidrawHandle>(fd, abortFd, std::move(info), std::move(identity), std::move(descriptor),
                                          parsed->collection, std::move(mine), nodeUsesIds);
}

std::string HidapiBackend::NodeIdentity(const std::string& path)
{
    std::optional<HidrawPath> parsed = ParseHidrawPath(path);
    return parsed ? HidrawIdentityOfPath(parsed->node) : std::string();
}

std::unique_ptr<HidChangeWatch> HidapiBackend::WatchChanges()
{
    return MakeHidrawWatch(NodeFdOf);
}
