#include "device/virtual/VirtualKeyboard.h"

#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboardChecks.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

using Clock = std::chrono::steady_clock;

namespace {

enum Collection { ConfigCollection = 0, NotifyCollection = 1, MouseCollection = 2 };

constexpr uint16_t MouseVendorId = 0x046D;
constexpr uint16_t MouseProductId = 0xC077;

struct PendingReport {
    Clock::time_point availableAt;
    std::vector<uint8_t> bytes;
};

struct HandleState {
    Collection collection = ConfigCollection;
    uint64_t generation = 0;
    HidOpenMode mode;
    std::deque<PendingReport> queue; // ordered by availableAt
    int waiting = 0;
    bool abortRequested = false;
};

// Bounds the violations a keyboard keeps; the sink still hears every one.
constexpr size_t MaxViolationsKept = 256;

} // namespace

struct VirtualKeyboardCore {
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
    KeyboardMemories Factory(uint8_t macroUnits) const
    {
        VirtualKeyboardOptions made = options;
        made.macroUnits = macroUnits;
        return FactoryMemories(made);
    }

    // A notice on the Consumer Control collection: the usage, then its
    // release.
    void DeliverNotice(uint16_t notice)
    {
        const Clock::time_point now = Clock::now();
        Deliver(NotifyCollection, {NoticeReportId, static_cast<uint8_t>(notice), static_cast<uint8_t>(notice >> 8)}, now);
        Deliver(NotifyCollection, {NoticeReportId, 0, 0}, now);
    }

    bool Alive(const HandleState& h) const { return h.collection == MouseCollection || (plugged && h.generation == generation); }

    // Every plug makes a new node, as the kernel does, even though the
    // paths stay the same.
    static std::string Identity(Collection c, uint64_t plugGeneration)
    {
        return c == MouseCollection ? std::string("virtual mouse") : "virtual keyboard plug " + std::to_string(plugGeneration);
    }

    // The cable bounces: out and back in at once, so the open handles are
    // dead and the nodes are new.
    void Bounce()
    {
        Unplug();
        plugged = true;
        ++generation;
        cv.notify_all();
    }

    // When a keyboard in its loader comes back by itself; max when it is not
    // in the loader.
    Clock::time_point LoaderReturn() const { return inLoader ? loaderEnds : Clock::time_point::max(); }

    std::string Path(Collection c) const
    {
        const bool ids = options.pathsWithIds;
        char text[96];
        if (c == MouseCollection) {
            std::snprintf(text, sizeof text, ids ? "virtual-hid/mouse/vid_%04x&pid_%04x" : "virtual-hid/mouse/%04x-%04x",
                          MouseVendorId, MouseProductId);
        } else if (ids) {
            std::snprintf(text, sizeof text, "virtual-hid/rt604/vid_%04x&pid_%04x&mi_01&col%02d", KeyboardVendorId,
                          options.productId, static_cast<int>(c) + 1);
        } else {
            std::snprintf(text, sizeof text, "virtual-hid/rt604/if1/col%d", static_cast<int>(c));
        }
        return text;
    }

    std::optional<Collection> CollectionOfPath(const std::string& path) const
    {
        for (Collection c : {ConfigCollection, NotifyCollection, MouseCollection}) {
            if (c == MouseCollection && !options.withMouse)
                continue;
            if (path == Path(c))
                return c;
        }
        return std::nullopt;
    }

    // The frame boundary at which a report submitted at t has crossed the bus.
    Clock::time_point ScheduleReport(Clock::time_point t)
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

    void Deliver(Collection c, const std::vector<uint8_t>& bytes, Clock::time_point at)
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

    void Log(FrameDirection direction, const Frame& frame, uint32_t faults = 0)
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

    void Plug()
    {
        inLoader = false;
        if (plugged)
            return;
        plugged = true;
        ++generation;
        ++cableChanges;
        cv.notify_all();
    }

    // The loader's time is looked at whenever someone looks at the bus, so
    // the keyboard needs no thread of its own to come back.
    void FinishLoaderIfDue()
    {
        if (inLoader && Clock::now() >= loaderEnds)
            Plug();
    }

    void EnterLoader()
    {
        Unplug();
        inLoader = true;
        loaderEnds = Clock::now() + options.loaderTime;
    }

    void Unplug()
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

    void MarkChanged() { dirty = true; }

    void StateProblem(const std::string& error)
    {
        if (stateError.empty())
            stateError = error;
        if (stateErrorHandler)
            stateErrorHandler(error);
    }

    // Called with the lock held, around every access to the memories.
    bool EnterState()
    {
        std::string error;
        if (!stateFile || stateFile->Acquire(memories, error))
            return true;
        StateProblem(error);
        return false;
    }
    bool LeaveState(bool groupEnds = false)
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
};

namespace {

class VirtualHandle final : public HidHandle {
public:
    VirtualHandle(std::shared_ptr<VirtualKeyboardCore> core, std::shared_ptr<HandleState> state, HidInterfaceInfo info)
        : core_(std::move(core)), state_(std::move(state)), info_(std::move(info))
    {
    }

    HidInterfaceInfo Info() const override { return info_; }

    std::vector<uint8_t> ReportDescriptor() const override
    {
        return state_->collection == MouseCollection ? MouseReportDescriptor() : KeyboardReportDescriptor();
    }

    int CollectionIndex() const override { return state_->collection == MouseCollection ? 0 : state_->collection; }

    std::string NodeIdentity() const override { return VirtualKeyboardCore::Identity(state_->collection, state_->generation); }

    bool Of(const VirtualKeyboardCore& core) const { return core_.get() == &core; }
    // The handle's node is gone (only for a handle of `core`).
    bool GoneFrom(const VirtualKeyboardCore& core) const { return Of(core) && !core.Alive(*state_); }

    HidIo Read(std::span<uint8_t> buffer, size_t& transferred, int timeoutMs) override
    {
        transferred = 0;
        std::unique_lock lock(core_->mutex);
        HandleState& h = *state_;
        if (!core_->Alive(h))
            return HidIo::Gone;
        if (!h.mode.read)
            return HidIo::Failed;
        const bool infinite = timeoutMs < 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        ++h.waiting;
        HidIo result = HidIo::TimedOut;
        for (;;) {
            if (h.abortRequested) {
                h.abortRequested = false;
                result = HidIo::Aborted;
                break;
            }
            if (!core_->Alive(h)) {
                result = HidIo::Gone;
                break;
            }
            const Clock::time_point now = Clock::now();
            if (!h.queue.empty() && h.queue.front().availableAt <= now) {
                const std::vector<uint8_t>& bytes = h.queue.front().bytes;
                transferred = std::min(bytes.size(), buffer.size());
                std::copy_n(bytes.begin(), transferred, buffer.begin());
                h.queue.pop_front();
                result = HidIo::Done;
                break;
            }
            if (!infinite && now >= deadline)
                break;
            Clock::time_point wake = infinite ? Clock::time_point::max() : deadline;
            if (!h.queue.empty())
                wake = std::min(wake, h.queue.front().availableAt);
            if (wake == Clock::time_point::max())
                core_->cv.wait(lock);
            else
                core_->cv.wait_until(lock, wake);
        }
        if (--h.waiting == 0)
            h.abortRequested = false;
        return result;
    }

    HidIo Write(std::span<const uint8_t> report, size_t& transferred, int timeoutMs) override
    {
        transferred = 0;
        std::unique_lock lock(core_->mutex);
        VirtualKeyboardCore& core = *core_;
        HandleState& h = *state_;
        if (!core.Alive(h))
            return HidIo::Gone;
        if (!h.mode.write || h.collection != ConfigCollection)
            return HidIo::Failed;
        if (core.failWrites > 0) {
            --core.failWrites;
            return HidIo::Failed;
        }
        if (core.bounceCountdown > 0 && --core.bounceCountdown == 0) {
            core.Bounce();
            return HidIo::Gone;
        }
        Clock::time_point done = core.ScheduleReport(Clock::now());
        if (done > Clock::now()) {
            const bool limited = timeoutMs >= 0;
            const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
            ++h.waiting;
            const bool ended = core.cv.wait_until(lock, limited ? std::min(done, deadline) : done,
                                                  [&] { return h.abortRequested || !core.Alive(h); });
            const bool aborted = h.abortRequested;
            if (--h.waiting == 0)
                h.abortRequested = false;
            if (ended)
                return aborted ? HidIo::Aborted : HidIo::Gone;
            if (limited && deadline < done)
                return HidIo::TimedOut;
        }

        const Frame request = FrameFromBytes(report);
        ++core.requestCount;
        // A report of the wrong id or length never reaches the firmware: the
        // bus refuses it, as the hardware's does.
        if (const uint32_t busFaults = CheckReportWrite(report); busFaults != 0) {
            core.Log(FrameDirection::Request, request, busFaults);
            return HidIo::Failed;
        }
        if (!core.EnterState())
            return HidIo::Failed;
        FirmwareOutcome outcome;
        if (core.refuseCount > 0 && !IsEnterLoaderFrame(request)
            && (core.refuseCommand < 0 || request[3] == core.refuseCommand)) {
            --core.refuseCount;
            outcome.reply = BuildReply(request, core.refuseStatus);
            // A refusal ordered by a test is not the program's fault: the
            // group goes on as if the keyboard had taken the frame.
            if (request[3] == CmdBeginUpdate || request[3] == CmdEndUpdate)
                core.inGroup = request[3] == CmdBeginUpdate;
        } else {
            outcome = HandleRequest(core.memories, request, core.inGroup);
        }
        core.Log(FrameDirection::Request, request, outcome.faults);
        transferred = report.size();
        if (outcome.enterLoader) {
            core.EnterLoader();
            return HidIo::Done;
        }
        if (outcome.changedMemory)
            core.MarkChanged();
        // A change the state file did not take is not taken: no reply.
        if (!core.LeaveState())
            return HidIo::Failed;
        if (outcome.reply)
            ScheduleReply(*outcome.reply, done);
        return HidIo::Done;
    }

    void Abort() override
    {
        std::lock_guard lock(core_->mutex);
        if (state_->waiting > 0) {
            state_->abortRequested = true;
            core_->cv.notify_all();
        }
    }

private:
    void ScheduleReply(const Frame& reply, Clock::time_point written)
    {
        VirtualKeyboardCore& core = *core_;
        if (core.dropReplies > 0) {
            --core.dropReplies;
            return;
        }
        Clock::time_point at = core.ScheduleReport(written) + core.nextDelay;
        core.nextDelay = std::chrono::milliseconds(0);
        core.Log(FrameDirection::Reply, reply);
        const std::vector<uint8_t> bytes(reply.begin(), reply.end());
        core.Deliver(ConfigCollection, bytes, at);
        if (core.duplicateNext) {
            core.duplicateNext = false;
            core.Log(FrameDirection::Reply, reply);
            core.Deliver(ConfigCollection, bytes, at + core.duplicateLateBy);
        }
    }

    std::shared_ptr<VirtualKeyboardCore> core_;
    std::shared_ptr<HandleState> state_;
    HidInterfaceInfo info_;
};

// Wakes on every plug and unplug, as a udev monitor does for hidraw nodes.
class VirtualChangeWatch final : public HidChangeWatch {
public:
    explicit VirtualChangeWatch(std::shared_ptr<VirtualKeyboardCore> core) : core_(std::move(core))
    {
        std::lock_guard lock(core_->mutex);
        seen_ = core_->cableChanges;
    }

    HidChange Wait(std::chrono::milliseconds limit, const HidHandle* watched) override
    {
        const auto* handle = dynamic_cast<const VirtualHandle*>(watched);
        std::unique_lock lock(core_->mutex);
        const Clock::time_point deadline = Clock::now() + std::min<std::chrono::milliseconds>(limit, std::chrono::hours(24));
        for (;;) {
            // Nobody else may look at the bus while the keyboard is away in
            // its loader; its return is a change like a plug.
            core_->FinishLoaderIfDue();
            if (woken_) {
                woken_ = false;
                return HidChange::Maybe;
            }
            if (handle && handle->GoneFrom(*core_))
                return HidChange::HandleGone;
            if (core_->cableChanges != seen_) {
                seen_ = core_->cableChanges;
                return HidChange::Maybe;
            }
            if (Clock::now() >= deadline)
                return HidChange::None;
            core_->cv.wait_until(lock, std::min(deadline, core_->LoaderReturn()));
        }
    }

    void Wake() override
    {
        std::lock_guard lock(core_->mutex);
        woken_ = true;
        core_->cv.notify_all();
    }

    bool CanWatch(const HidHandle& handle) const override
    {
        const auto* virtualHandle = dynamic_cast<const VirtualHandle*>(&handle);
        return virtualHandle && virtualHandle->Of(*core_);
    }
    bool SeesArrivals() const override { return true; }

private:
    std::shared_ptr<VirtualKeyboardCore> core_;
    uint64_t seen_ = 0; // cableChanges when the last wait returned
    bool woken_ = false;
};

HidInterfaceInfo InfoOf(const VirtualKeyboardCore& core, Collection c)
{
    HidInterfaceInfo info;
    info.path = core.Path(c);
    switch (c) {
    case ConfigCollection:
        info.vendorId = KeyboardVendorId;
        info.productId = core.options.productId;
        info.usagePage = ConfigUsagePage;
        info.usage = ConfigUsage;
        break;
    case NotifyCollection:
        info.vendorId = KeyboardVendorId;
        info.productId = core.options.productId;
        info.usagePage = NotifyUsagePage;
        info.usage = NotifyUsage;
        break;
    case MouseCollection:
        info.vendorId = MouseVendorId;
        info.productId = MouseProductId;
        info.usagePage = 0x01;
        info.usage = 0x02;
        break;
    }
    info.version = 0x0107;
    return info;
}

} // namespace

VirtualKeyboard::VirtualKeyboard(const VirtualKeyboardOptions& options) : core_(std::make_shared<VirtualKeyboardCore>())
{
    core_->options = options;
    if (!ModelForProductId(options.productId))
        core_->options.productId = 0x5000;
    core_->plugged = options.plugged;
    core_->memories = core_->Factory(options.macroUnits);
}

VirtualKeyboard::~VirtualKeyboard()
{
    std::lock_guard lock(core_->mutex);
    // Handles may outlive the keyboard object; they see it unplugged.
    core_->Unplug();
    core_->stateFile.reset();
}

bool VirtualKeyboard::Enumerate(std::vector<HidInterfaceInfo>& out)
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    if (core_->failEnumeration)
        return false;
    out.clear();
    if (core_->options.withMouse)
        out.push_back(InfoOf(*core_, MouseCollection));
    if (core_->plugged) {
        out.push_back(InfoOf(*core_, ConfigCollection));
        out.push_back(InfoOf(*core_, NotifyCollection));
    }
    return true;
}

std::unique_ptr<HidHandle> VirtualKeyboard::Open(const std::string& path, const HidOpenMode& mode)
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    const std::optional<Collection> c = core_->CollectionOfPath(path);
    if (!c || (*c != MouseCollection && !core_->plugged))
        return nullptr;
    auto state = std::make_shared<HandleState>();
    state->collection = *c;
    state->generation = core_->generation;
    state->mode = mode;
    core_->handles.push_back(state);
    return std::make_unique<VirtualHandle>(core_, state, InfoOf(*core_, *c));
}

std::string VirtualKeyboard::NodeIdentity(const std::string& path)
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    const std::optional<Collection> c = core_->CollectionOfPath(path);
    if (!c || (*c != MouseCollection && !core_->plugged))
        return {};
    return VirtualKeyboardCore::Identity(*c, core_->generation);
}

std::unique_ptr<HidChangeWatch> VirtualKeyboard::WatchChanges()
{
    return std::make_unique<VirtualChangeWatch>(core_);
}

std::string VirtualKeyboard::ConfigPath() const
{
    return core_->Path(ConfigCollection);
}

std::string VirtualKeyboard::NotifyPath() const
{
    return core_->Path(NotifyCollection);
}

std::string VirtualKeyboard::MousePath() const
{
    return core_->Path(MouseCollection);
}

void VirtualKeyboard::Plug()
{
    std::lock_guard lock(core_->mutex);
    core_->Plug();
}

void VirtualKeyboard::Unplug()
{
    std::lock_guard lock(core_->mutex);
    // Pulling the cable ends the loader too: the keyboard stays away until
    // it is plugged in again.
    core_->inLoader = false;
    core_->Unplug();
}

void VirtualKeyboard::Bounce()
{
    std::lock_guard lock(core_->mutex);
    core_->Bounce();
}

void VirtualKeyboard::BounceAtRequest(int n)
{
    std::lock_guard lock(core_->mutex);
    core_->bounceCountdown = std::max(n, 0);
}

bool VirtualKeyboard::IsPlugged() const
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    return core_->plugged;
}

bool VirtualKeyboard::InLoader() const
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    return core_->inLoader;
}

void VirtualKeyboard::LeaveLoader()
{
    std::lock_guard lock(core_->mutex);
    if (core_->inLoader)
        core_->Plug();
}

void VirtualKeyboard::SendNotice(uint16_t notice)
{
    std::lock_guard lock(core_->mutex);
    if (!core_->plugged)
        return;
    if (notice == 0x0402) {
        if (!core_->EnterState())
            return;
        core_->memories = core_->Factory(core_->memories.deviceInfo[DeviceInfoMacroUnits]);
        core_->MarkChanged();
        if (!core_->LeaveState())
            return;
    }
    core_->DeliverNotice(notice);
}

void VirtualKeyboard::ChangeLightingOnKeyboard()
{
    std::lock_guard lock(core_->mutex);
    if (!core_->plugged || !core_->EnterState())
        return;
    const bool changed = NextEffectOnKeyboard(core_->memories);
    if (changed)
        core_->MarkChanged();
    // The notice tells of a change the file kept, and of nothing else.
    if (core_->LeaveState() && changed)
        core_->DeliverNotice(0x0401);
}

void VirtualKeyboard::DropReplies(int count)
{
    std::lock_guard lock(core_->mutex);
    core_->dropReplies = std::max(count, 0);
}

void VirtualKeyboard::DelayNextReply(std::chrono::milliseconds delay)
{
    std::lock_guard lock(core_->mutex);
    core_->nextDelay = delay;
}

void VirtualKeyboard::DuplicateNextReply(std::chrono::milliseconds lateBy)
{
    std::lock_guard lock(core_->mutex);
    core_->duplicateNext = true;
    core_->duplicateLateBy = lateBy;
}

void VirtualKeyboard::RefuseNextRequests(uint8_t status, int count)
{
    std::lock_guard lock(core_->mutex);
    core_->refuseStatus = status;
    core_->refuseCount = std::max(count, 0);
    core_->refuseCommand = -1;
}

void VirtualKeyboard::RefuseNextRequestsOf(uint8_t command, uint8_t status, int count)
{
    std::lock_guard lock(core_->mutex);
    core_->refuseStatus = status;
    core_->refuseCount = std::max(count, 0);
    core_->refuseCommand = command;
}

void VirtualKeyboard::FailNextWrites(int count)
{
    std::lock_guard lock(core_->mutex);
    core_->failWrites = std::max(count, 0);
}

void VirtualKeyboard::FailEnumeration(bool fail)
{
    std::lock_guard lock(core_->mutex);
    core_->failEnumeration = fail;
}

void VirtualKeyboard::SetReportLatency(std::chrono::microseconds latency)
{
    std::lock_guard lock(core_->mutex);
    core_->latency = std::max(latency, std::chrono::microseconds(0));
    core_->busEpoch = Clock::now();
    core_->lastSlot = {};
}

void VirtualKeyboard::WaitForScheduledReports() const
{
    Clock::time_point last{};
    {
        std::lock_guard lock(core_->mutex);
        for (auto& weak : core_->handles) {
            if (auto h = weak.lock(); h && !h->queue.empty())
                last = std::max(last, h->queue.back().availableAt);
        }
    }
    std::this_thread::sleep_until(last);
}

KeyboardMemories VirtualKeyboard::Memories() const
{
    std::lock_guard lock(core_->mutex);
    return core_->memories;
}

void VirtualKeyboard::SetMemories(const KeyboardMemories& memories)
{
    std::lock_guard lock(core_->mutex);
    const KeyboardMemories& current = core_->memories;
    if (memories.productId != current.productId || memories.keyMapBytes != current.keyMapBytes
        || memories.keyMaps.size() != current.keyMaps.size()
        || memories.defaultKeyMap.size() != current.defaultKeyMap.size()
        || memories.macroMemory.size() != static_cast<size_t>(memories.deviceInfo[DeviceInfoMacroUnits]) * MacroUnitBytes)
        return;
    if (!core_->EnterState())
        return;
    core_->memories = memories;
    core_->MarkChanged();
    core_->LeaveState();
}

void VirtualKeyboard::ResetToFactory()
{
    std::lock_guard lock(core_->mutex);
    if (!core_->EnterState())
        return;
    core_->memories = core_->Factory(core_->options.macroUnits);
    core_->MarkChanged();
    core_->LeaveState();
}

uint64_t VirtualKeyboard::RequestCount() const
{
    std::lock_guard lock(core_->mutex);
    return core_->requestCount;
}

std::vector<LoggedFrame> VirtualKeyboard::FrameLog() const
{
    std::lock_guard lock(core_->mutex);
    return core_->log;
}

std::vector<Frame> VirtualKeyboard::Requests() const
{
    std::lock_guard lock(core_->mutex);
    std::vector<Frame> requests;
    for (const LoggedFrame& entry : core_->log) {
        if (entry.direction == FrameDirection::Request)
            requests.push_back(entry.frame);
    }
    return requests;
}

std::vector<std::string> VirtualKeyboard::Violations() const
{
    std::lock_guard lock(core_->mutex);
    return core_->violations;
}

void VirtualKeyboard::ClearViolations()
{
    std::lock_guard lock(core_->mutex);
    core_->violations.clear();
}

void VirtualKeyboard::ClearFrameLog()
{
    std::lock_guard lock(core_->mutex);
    core_->log.clear();
}

void VirtualKeyboard::SetFrameLogEnabled(bool enabled)
{
    std::lock_guard lock(core_->mutex);
    core_->logEnabled = enabled;
}

bool VirtualKeyboard::SaveState(const std::string& path) const
{
    const std::vector<uint8_t> bytes = EncodeKeyboardState(Memories());
    return WriteFileAtomically(path, bytes);
}

bool VirtualKeyboard::LoadState(const std::string& path)
{
    std::string text;
    // The largest state file: 255 units of macro memory plus the fixed parts.
    if (!ReadWholeFile(path, text, 64 * 1024))
        return false;
    KeyboardMemories loaded;
    if (!DecodeKeyboardState(reinterpret_cast<const uint8_t*>(text.data()), text.size(), loaded))
        return false;
    std::lock_guard lock(core_->mutex);
    if (loaded.productId != core_->memories.productId)
        return false;
    core_->memories = std::move(loaded);
    return true;
}

void VirtualKeyboard::AttachStateFile(std::unique_ptr<KeyboardStateFile> file, const KeyboardMemories& memories)
{
    std::lock_guard lock(core_->mutex);
    core_->stateFile = std::move(file);
    if (memories.productId == core_->memories.productId && memories.keyMapBytes == core_->memories.keyMapBytes)
        core_->memories = memories;
    core_->dirty = false;
}

std::string VirtualKeyboard::StateFileError() const
{
    std::lock_guard lock(core_->mutex);
    return core_->stateError;
}

void VirtualKeyboard::SetStateFileErrorHandler(std::function<void(const std::string&)> handler)
{
    std::lock_guard lock(core_->mutex);
    core_->stateErrorHandler = std::move(handler);
}

KeyboardMemories FactoryMemories(const VirtualKeyboardOptions& options)
{
    KeyboardMemories m = FactoryMemories(options.productId, options.macroUnits);
    if (options.effectCodes)
        std::copy(options.effectCodes->begin(), options.effectCodes->end(), m.deviceInfo.begin() + DeviceInfoEffectCodes);
    return m;
}
