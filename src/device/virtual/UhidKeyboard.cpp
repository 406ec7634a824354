#include "device/virtual/UhidKeyboard.h"

#include "device/protocol/DeviceState.h"
#include "device/hid/ReportDescriptor.h"

#include <linux/uhid.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

// The name hidapi reports as the product string.
constexpr const char* DeviceName = "Orvan RT-604";

std::optional<HidInterfaceInfo> CollectionOf(VirtualKeyboard& keyboard, uint16_t usagePage, uint16_t usage)
{
    std::vector<HidInterfaceInfo> list;
    if (!keyboard.Enumerate(list))
        return std::nullopt;
    for (const HidInterfaceInfo& info : list) {
        if (info.vendorId == KeyboardVendorId && info.usagePage == usagePage && info.usage == usage)
            return info;
    }
    return std::nullopt;
}

HidReportType TypeOf(UhidReportKind kind)
{
    switch (kind) {
    case UhidReportKind::Input: return HidReportType::Input;
    case UhidReportKind::Output: return HidReportType::Output;
    default: return HidReportType::Feature;
    }
}

// The length (id byte included) of the report of that type and id the
// descriptor declares; 0 when it declares none.
size_t DeclaredReportLength(std::span<const uint8_t> descriptor, UhidReportKind kind, uint8_t reportId)
{
    std::vector<HidCollectionInfo> collections;
    if (!ParseReportDescriptor(descriptor, collections))
        return 0;
    const HidReportType type = TypeOf(kind);
    for (const HidCollectionInfo& collection : collections) {
        const bool declared = std::any_of(collection.fields.begin(), collection.fields.end(), [&](const HidField& f) {
            return f.type == type && f.reportId == reportId;
        });
        if (declared)
            return collection.reportLength[static_cast<size_t>(type)];
    }
    return 0;
}

void CopyText(uint8_t* to, size_t room, const std::string& text)
{
    const size_t n = std::min(text.size(), room - 1);
    std::memcpy(to, text.data(), n);
    to[n] = 0;
}

} // namespace

const std::vector<uint8_t>& BootKeyboardReportDescriptor()
{
    static const std::vector<uint8_t> descriptor = {
        0x05, 0x01, // Usage Page (Generic Desktop)
        0x09, 0x06, // Usage (Keyboard)
        0xA1, 0x01, // Collection (Application)
        0x05, 0x07, //   Usage Page (Keyboard)
        0x19, 0xE0, //   Usage Minimum (Left Control)
        0x29, 0xE7, //   Usage Maximum (Right GUI)
        0x15, 0x00, //   Logical Minimum (0)
        0x25, 0x01, //   Logical Maximum (1)
        0x75, 0x01, //   Report Size (1)
        0x95, 0x08, //   Report Count (8)
        0x81, 0x02, //   Input (Data, Variable, Absolute): modifiers
        0x95, 0x01, //   Report Count (1)
        0x75, 0x08, //   Report Size (8)
        0x81, 0x01, //   Input (Constant): reserved
        0x95, 0x05, //   Report Count (5)
        0x75, 0x01, //   Report Size (1)
        0x05, 0x08, //   Usage Page (LEDs)
        0x19, 0x01, //   Usage Minimum (Num Lock)
        0x29, 0x05, //   Usage Maximum (Kana)
        0x91, 0x02, //   Output (Data, Variable, Absolute): LEDs
        0x95, 0x01, //   Report Count (1)
        0x75, 0x03, //   Report Size (3)
        0x91, 0x01, //   Output (Constant): padding
        0x95, 0x06, //   Report Count (6)
        0x75, 0x08, //   Report Size (8)
        0x15, 0x00, //   Logical Minimum (0)
        0x25, 0x65, //   Logical Maximum (101)
        0x05, 0x07, //   Usage Page (Keyboard)
        0x19, 0x00, //   Usage Minimum (0)
        0x29, 0x65, //   Usage Maximum (101)
        0x81, 0x00, //   Input (Data, Array): keys
        0xC0,       // End Collection
    };
    return descriptor;
}

int OpenDevUhid()
{
    return ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
}

UhidReportAnswer AnswerGetReport(std::span<const uint8_t> descriptor, UhidReportKind kind, uint8_t reportId)
{
    UhidReportAnswer answer;
    const size_t length = DeclaredReportLength(descriptor, kind, reportId);
    if (length == 0)
        return answer;
    // An idle report: nothing pressed, no notice. A report without an id is
    // still handed back behind a 0 byte, as hidraw shows it for USB devices.
    answer.accepted = true;
    answer.data.assign(length, 0);
    answer.data[0] = reportId;
    return answer;
}

bool TakesSetReport(std::span<const uint8_t> descriptor, UhidReportKind kind, uint8_t reportId)
{
    return DeclaredReportLength(descriptor, kind, reportId) > 0;
}

struct UhidKeyboard::Session {
    std::array<int, UhidInterfaceCount> fds{-1, -1};
    std::array<std::mutex, UhidInterfaceCount> writeLocks;
    std::array<bool, UhidInterfaceCount> started{}; // guarded by UhidKeyboard::mutex_
    std::array<std::vector<uint8_t>, UhidInterfaceCount> descriptors;
    int stopFd = -1;
    std::unique_ptr<HidHandle> config;
    std::unique_ptr<HidHandle> notify;
    std::vector<std::thread> threads;
    std::atomic<bool> ending{false};    // Unplug is taking the session down
    std::atomic<bool> destroyed{false}; // the devices are gone

    ~Session()
    {
        for (int fd : fds) {
            if (fd >= 0)
                ::close(fd);
        }
        if (stopFd >= 0)
            ::close(stopFd);
    }
};

UhidKeyboard::UhidKeyboard(VirtualKeyboard& keyboard, std::string serial, UhidOpener opener)
    : keyboard_(keyboard), serial_(std::move(serial)), opener_(std::move(opener))
{
    returnWatcher_ = std::thread([this] { AwaitReturnFromLoader(); });
}

UhidKeyboard::~UhidKeyboard()
{
    Unplug();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    returnWatch_.notify_all();
    returnWatcher_.join();
}

void UhidKeyboard::AwaitReturnFromLoader()
{
    // The virtual keyboard ends its loader when someone looks at it, so this
    // looks now and then; nothing else would tell.
    constexpr auto Look = std::chrono::milliseconds(20);
    std::unique_lock lock(mutex_);
    for (;;) {
        returnWatch_.wait(lock, [this] { return stopping_ || awaitingReturn_; });
        if (stopping_)
            return;
        if (returnWatch_.wait_for(lock, Look, [this] { return stopping_ || !awaitingReturn_; }))
            continue;
        lock.unlock();
        if (keyboard_.IsPlugged()) {
            std::lock_guard plug(plugMutex_);
            bool due = false;
            {
                std::lock_guard check(mutex_);
                due = awaitingReturn_;
                awaitingReturn_ = false;
            }
            if (due)
                PlugLocked();
        }
        lock.lock();
    }
}

std::string UhidKeyboard::Phys(int interface) const
{
    return "usb-rt604-" + serial_ + "/input" + std::to_string(interface);
}

bool UhidKeyboard::Send(Session& session, int interface, const uhid_event& event)
{
    std::lock_guard lock(session.writeLocks[static_cast<size_t>(interface)]);
    const int fd = session.fds[static_cast<size_t>(interface)];
    for (;;) {
        const ssize_t n = ::write(fd, &event, sizeof event);
        if (n < 0 && errno == EINTR)
            continue;
        return n == static_cast<ssize_t>(sizeof event);
    }
}

bool UhidKeyboard::Plug()
{
    std::lock_guard plug(plugMutex_);
    return PlugLocked();
}

bool UhidKeyboard::PlugLocked()
{
    std::unique_ptr<Session> old;
    {
        std::lock_guard lock(mutex_);
        awaitingReturn_ = false;
        if (session_ && !session_->destroyed)
            return true;
        old = std::move(session_); // left by a keyboard that switched to its loader
    }
    if (old)
        EndSession(std::move(old), false);

    keyboard_.Plug();
    const std::optional<HidInterfaceInfo> config = CollectionOf(keyboard_, ConfigUsagePage, ConfigUsage);
    const std::optional<HidInterfaceInfo> notify = CollectionOf(keyboard_, NotifyUsagePage, NotifyUsage);
    auto session = std::make_unique<Session>();
    if (config && notify) {
        session->config = keyboard_.Open(config->path, HidOpenMode{true, true, false});
        session->notify = keyboard_.Open(notify->path, HidOpenMode{true, false, false});
    }
    session->stopFd = ::eventfd(0, EFD_CLOEXEC);
    bool created = session->config && session->notify && session->stopFd >= 0;
    if (created) {
        session->descriptors[UhidBootInterface] = BootKeyboardReportDescriptor();
        session->descriptors[UhidVendorInterface] = session->config->ReportDescriptor();
    }
    for (int i = 0; created && i < UhidInterfaceCount; ++i) {
        const std::vector<uint8_t>& descriptor = session->descriptors[static_cast<size_t>(i)];
        session->fds[static_cast<size_t>(i)] = opener_();
        auto event = std::make_unique<uhid_event>();
        event->type = UHID_CREATE2;
        uhid_create2_req& create = event->u.create2;
        CopyText(create.name, sizeof create.name, DeviceName);
        CopyText(create.phys, sizeof create.phys, Phys(i));
        CopyText(create.uniq, sizeof create.uniq, serial_);
        create.rd_size = static_cast<uint16_t>(std::min<size_t>(descriptor.size(), sizeof create.rd_data));
        std::memcpy(create.rd_data, descriptor.data(), create.rd_size);
        create.bus = BUS_USB;
        create.vendor = config->vendorId;
        create.product = config->productId;
        create.version = config->version;
        create.country = 0;
        created = session->fds[static_cast<size_t>(i)] >= 0 && Send(*session, i, *event);
    }
    if (!created) {
        // Closing a uhid file destroys its device.
        session->ending = true;
        keyboard_.Unplug();
        return false;
    }

    Session& s = *session;
    for (int i = 0; i < UhidInterfaceCount; ++i)
        s.threads.emplace_back([this, &s, i] { EventLoop(s, i); });
    s.threads.emplace_back([this, &s] { PumpReports(s, *s.config); });
    s.threads.emplace_back([this, &s] { PumpReports(s, *s.notify); });
    std::lock_guard lock(mutex_);
    session_ = std::move(session);
    started_.notify_all(); // the kernel may have started the devices already
    return true;
}

void UhidKeyboard::Unplug()
{
    std::lock_guard plug(plugMutex_);
    std::unique_ptr<Session> session;
    {
        std::lock_guard lock(mutex_);
        awaitingReturn_ = false;
        session = std::move(session_);
        started_.notify_all();
    }
    if (session)
        EndSession(std::move(session), true);
    else
        keyboard_.Unplug(); // out of its loader too: the cable is pulled
}

void UhidKeyboard::EndSession(std::unique_ptr<Session> session, bool unplugKeyboard)
{
    session->ending = true;
    // The keyboard goes first, so that a transfer in flight fails as on a
    // pulled cable; then the kernel learns the devices are gone.
    if (unplugKeyboard)
        keyboard_.Unplug();
    if (!session->destroyed.exchange(true)) {
        uhid_event destroy{};
        destroy.type = UHID_DESTROY;
        for (int i = 0; i < UhidInterfaceCount; ++i)
            Send(*session, i, destroy);
    }
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(session->stopFd, &one, sizeof one);
    for (std::thread& t : session->threads)
        t.join();
}

bool UhidKeyboard::IsPlugged() const
{
    std::lock_guard lock(mutex_);
    return session_ && !session_->destroyed;
}

bool UhidKeyboard::WaitUntilStarted(std::chrono::milliseconds timeout)
{
    // No session may only mean one is being made (a return from the loader),
    // so nothing but the time ends the wait early.
    std::unique_lock lock(mutex_);
    return started_.wait_for(lock, timeout, [this] {
        return session_ && !session_->destroyed
            && std::all_of(session_->started.begin(), session_->started.end(), [](bool s) { return s; });
    });
}

UhidKeyboard::Counters UhidKeyboard::Stats() const
{
    std::lock_guard lock(mutex_);
    return counters_;
}

void UhidKeyboard::EventLoop(Session& session, int interface)
{
    const int fd = session.fds[static_cast<size_t>(interface)];
    auto event = std::make_unique<uhid_event>();
    for (;;) {
        pollfd fds[2] = {{session.stopFd, POLLIN, 0}, {fd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLIN)
            return;
        if (!(fds[1].revents & POLLIN)) {
            if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL))
                return;
            continue;
        }
        std::memset(event.get(), 0, sizeof *event);
        const ssize_t n = ::read(fd, event.get(), sizeof *event);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return;
        }
        if (n == 0)
            return;
        if (static_cast<size_t>(n) >= sizeof event->type)
            HandleEvent(session, interface, *event);
    }
}

void UhidKeyboard::HandleEvent(Session& session, int interface, const uhid_event& event)
{
    const bool vendor = interface == UhidVendorInterface;
    const std::vector<uint8_t>& descriptor = session.descriptors[static_cast<size_t>(interface)];
    // Hands a report to the firmware: the vendor interface's frames go to
    // the virtual keyboard, the boot keyboard keeps its LEDs.
    auto takeReport = [&](const uint8_t* data, size_t size) {
        if (vendor) {
            size_t written = 0;
            session.config->Write(std::span<const uint8_t>(data, size), written, HidInfinite);
        } else if (size > 0) {
            std::lock_guard lock(mutex_);
            counters_.leds = data[size - 1]; // behind a 0 id byte when it came through hidraw
        }
    };

    switch (event.type) {
    case UHID_START:
    case UHID_STOP: {
        std::lock_guard lock(mutex_);
        session.started[static_cast<size_t>(interface)] = event.type == UHID_START;
        started_.notify_all();
        break;
    }
    case UHID_OUTPUT: {
        const size_t size = std::min<size_t>(event.u.output.size, UHID_DATA_MAX);
        {
            std::lock_guard lock(mutex_);
            ++counters_.outputReports[static_cast<size_t>(interface)];
        }
        takeReport(event.u.output.data, size);
        break;
    }
    case UHID_GET_REPORT: {
        const uhid_get_report_req& request = event.u.get_report;
        const UhidReportAnswer answer =
            AnswerGetReport(descriptor, static_cast<UhidReportKind>(request.rtype), request.rnum);
        {
            std::lock_guard lock(mutex_);
            ++counters_.getReports;
            counters_.stalled += answer.accepted ? 0 : 1;
        }
        auto reply = std::make_unique<uhid_event>();
        reply->type = UHID_GET_REPORT_REPLY;
        reply->u.get_report_reply.id = request.id;
        reply->u.get_report_reply.err = answer.accepted ? 0 : EIO;
        reply->u.get_report_reply.size = static_cast<uint16_t>(answer.data.size());
        std::copy(answer.data.begin(), answer.data.end(), reply->u.get_report_reply.data);
        Send(session, interface, *reply);
        break;
    }
    case UHID_SET_REPORT: {
        const uhid_set_report_req& request = event.u.set_report;
        const bool accepted = TakesSetReport(descriptor, static_cast<UhidReportKind>(request.rtype), request.rnum);
        {
            std::lock_guard lock(mutex_);
            ++counters_.setReports;
            counters_.stalled += accepted ? 0 : 1;
        }
        // The control pipe carries the report to the same firmware handler as
        // the interrupt pipe does.
        if (accepted)
            takeReport(request.data, std::min<size_t>(request.size, UHID_DATA_MAX));
        uhid_event reply{};
        reply.type = UHID_SET_REPORT_REPLY;
        reply.u.set_report_reply.id = request.id;
        reply.u.set_report_reply.err = accepted ? 0 : EIO;
        Send(session, interface, reply);
        break;
    }
    default: // UHID_OPEN, UHID_CLOSE: nothing to do
        break;
    }
}

void UhidKeyboard::PumpReports(Session& session, HidHandle& handle)
{
    auto event = std::make_unique<uhid_event>();
    for (;;) {
        std::memset(event.get(), 0, sizeof *event);
        event->type = UHID_INPUT2;
        size_t n = 0;
        const HidIo result = handle.Read(std::span<uint8_t>(event->u.input2.data, UHID_DATA_MAX), n, HidInfinite);
        if (result != HidIo::Done)
            break;
        event->u.input2.size = static_cast<uint16_t>(n);
        Send(session, UhidVendorInterface, *event);
    }
    // The keyboard left by itself (its loader switch): so do its devices,
    // until it comes back.
    if (!session.ending && !session.destroyed.exchange(true)) {
        uhid_event destroy{};
        destroy.type = UHID_DESTROY;
        for (int i = 0; i < UhidInterfaceCount; ++i)
            Send(session, i, destroy);
        std::lock_guard lock(mutex_);
        awaitingReturn_ = true;
        started_.notify_all();
        returnWatch_.notify_all();
    }
}

std::string FindHidrawNode(const std::string& phys)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/hidraw", ec)) {
        std::ifstream uevent(entry.path() / "device" / "uevent");
        std::string line;
        for (int lines = 0; lines < 64 && std::getline(uevent, line); ++lines) {
            if (line == "HID_PHYS=" + phys)
                return "/dev/" + entry.path().filename().string();
        }
    }
    return {};
}
