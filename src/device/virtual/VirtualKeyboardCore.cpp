#include "device/virtual/VirtualKeyboardCore.h"

#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboardChecks.h"
#include "device/virtual/VirtualKeyboardFactory.h"

#include <algorithm>
#include <cstdio>

namespace {

// Bounds the violations a keyboard keeps; the sink still hears every one.
constexpr size_t MaxViolationsKept = 256;

} // namespace

KeyboardMemories VirtualKeyboardCore::Factory(uint8_t macroUnits) const
{
    VirtualKeyboardOptions made = options;
    made.macroUnits = macroUnits;
    return FactoryMemories(made);
}

void VirtualKeyboardCore::DeliverNotice(uint16_t notice)
{
    const Clock::time_point now = Clock::now();
    Deliver(NotifyCollection, {NoticeReportId, static_cast<uint8_t>(notice), static_cast<uint8_t>(notice >> 8)}, now);
    Deliver(NotifyCollection, {NoticeReportId, 0, 0}, now);
}

std::string VirtualKeyboardCore::Identity(VirtualCollection c, uint64_t plugGeneration)
{
    return c == MouseCollection ? std::string("virtual mouse") : "virtual keyboard plug " + std::to_string(plugGeneration);
}

void VirtualKeyboardCore::Bounce()
{
    Unplug();
    plugged = true;
    ++generation;
    cv.notify_all();
}

std::string VirtualKeyboardCore::Path(VirtualCollection c) const
{
    const bool ids = options.pathsWithIds;
    char text[96];
    if (c == MouseCollection) {
        std::snprintf(text, sizeof text, ids ? "virtual-hid/mouse/vid_%04x&pid_%04x" : "virtual-hid/mouse/%04x-%04x",
                      VirtualMouseVendorId, VirtualMouseProductId);
    } else if (ids) {
        std::snprintf(text, sizeof text, "virtual-hid/rt604/vid_%04x&pid_%04x&mi_01&col%02d", KeyboardVendorId,
                      options.productId, static_cast<int>(c) + 1);
    } else {
        std::snprintf(text, sizeof text, "virtual-hid/rt604/if1/col%d", static_cast<int>(c));
    }
    return text;
}

std::optional<VirtualCollection> VirtualKeyboardCore::CollectionOfPath(const std::string& path) const
{
    for (VirtualCollection c : {ConfigCollection, NotifyCollection, MouseCollection}) {
        if (c == MouseCollection && !options.withMouse)
            continue;
        if (path == Path(c))
            return c;
    }
    return std::nullopt;
}

VirtualKeyboardCore::Clock::time_point VirtualKeyboardCore::ScheduleReport(Clock::time_point t)
{
    if (latency.count() <= 0)
        return t;
    const auto frames = (t - busEpoch) / latency + 1;
    Clock::time_point slot = busEpoch + frames * latency;
    if (slot <= lastSlot)
        slot = lastSlot + latency;
    lastSlot = slot;
    return slot;
}

void VirtualKeyboardCore::Deliver(VirtualCollection c, const std::vector<uint8_t>& bytes, Clock::time_point at)
{
    for (auto it = handles.begin(); it != handles.end();) {
        std::shared_ptr<HandleState> h = it->lock();
        if (!h) {
            it = handles.erase(it);
            continue;
        }
        if (h->collection == c && h->mode.read && Alive(*h)) {
            auto pos = std::upper_bound(h->queue.begin(), h->queue.end(), at,
                                        [](Clock::time_point t, const PendingReport& r) { return t < r.availableAt; });
            h->queue.insert(pos, PendingReport{at, bytes});
        }
        ++it;
    }
    cv.notify_all();
}

void VirtualKeyboardCore::Log(FrameDirection direction, const Frame& frame, uint32_t faults)
{
    if (faults != 0) {
        std::string line = "virtual keyboard refused " + DescribeRefusedFrame(frame, faults);
        if (violations.size() < MaxViolationsKept)
            violations.push_back(line);
        ReportViolation(line);
    }
    if (!logEnabled)
        return;
    // Keep the log bounded for long runs; the newest frames matter most.
    constexpr size_t MaxLogged = 1 << 18;
    if (log.size() >= MaxLogged)
        log.erase(log.begin(), log.begin() + MaxLogged / 2);
    log.push_back(LoggedFrame{direction, frame, faults});
}

void VirtualKeyboardCore::ReportActedOnViolation(const Frame& frame, uint32_t faults)
{
    const std::string line = "virtual keyboard acted on " + DescribeRefusedFrame(frame, faults);
    if (violations.size() < MaxViolationsKept)
        violations.push_back(line);
    ReportViolation(line);
}

void VirtualKeyboardCore::Plug()
{
    inLoader = false;
    if (plugged)
        return;
    plugged = true;
    ++generation;
    ++cableChanges;
    cv.notify_all();
}

void VirtualKeyboardCore::FinishLoaderIfDue()
{
    if (inLoader && Clock::now() >= loaderEnds)
        Plug();
}

void VirtualKeyboardCore::EnterLoader()
{
    Unplug();
    inLoader = true;
    loaderEnds = Clock::now() + options.loaderTime;
}

void VirtualKeyboardCore::Unplug()
{
    // A group cut short by the cable ends here, so the file is not
    // held for a group that never ends.
    LeaveState(true);
    plugged = false;
    ++cableChanges;
    inGroup = false; // the keyboard starts afresh at its next plug
    for (auto& weak : handles) {
        if (auto h = weak.lock(); h && h->collection != MouseCollection)
            h->queue.clear();
    }
    cv.notify_all();
}

void VirtualKeyboardCore::StateProblem(const std::string& error)
{
    if (stateError.empty())
        stateError = error;
    if (stateErrorHandler)
        stateErrorHandler(error);
}

bool VirtualKeyboardCore::EnterState()
{
    std::string error;
    if (!stateFile || stateFile->Acquire(memories, error))
        return true;
    StateProblem(error);
    return false;
}

bool VirtualKeyboardCore::LeaveState(bool groupEnds)
{
    if (groupEnds)
        inGroup = false;
    if (!stateFile || inGroup)
        return true;
    std::string error;
    const bool saved = stateFile->Release(memories, dirty, error);
    dirty = false;
    if (!saved)
        StateProblem(error);
    return saved;
}

HidInterfaceInfo VirtualKeyboardCore::InfoOf(VirtualCollection c) const
{
    HidInterfaceInfo info;
    info.path = Path(c);
    switch (c) {
    case ConfigCollection:
        info.vendorId = KeyboardVendorId;
        info.productId = options.productId;
        info.usagePage = ConfigUsagePage;
        info.usage = ConfigUsage;
        break;
    case NotifyCollection:
        info.vendorId = KeyboardVendorId;
        info.productId = options.productId;
        info.usagePage = NotifyUsagePage;
        info.usage = NotifyUsage;
        break;
    case MouseCollection:
        info.vendorId = VirtualMouseVendorId;
        info.productId = VirtualMouseProductId;
        info.usagePage = 0x01;
        info.usage = 0x02;
        break;
    }
    info.version = 0x0107;
    return info;
}
