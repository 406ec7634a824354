#include "device/virtual/VirtualKeyboardHandle.h"

#include "device/virtual/VirtualKeyboardChecks.h"
#include "device/virtual/VirtualKeyboardCore.h"
#include "device/virtual/VirtualKeyboardFactory.h"
#include "device/virtual/VirtualKeyboardMemory.h"

#include <algorithm>

namespace {

using Clock = VirtualKeyboardCore::Clock;

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
            const uint32_t conversation =
                core.options.strictConversations ? CheckConversation(request, core.inGroup) : 0u;
            outcome = HandleRequest(core.memories, request, core.inGroup);
            if (conversation != 0)
                core.ReportActedOnViolation(request, conversation);
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

} // namespace

std::unique_ptr<HidHandle> MakeVirtualHandle(std::shared_ptr<VirtualKeyboardCore> core, std::shared_ptr<HandleState> state,
                                             HidInterfaceInfo info)
{
    return std::make_unique<VirtualHandle>(std::move(core), std::move(state), std::move(info));
}

std::unique_ptr<HidChangeWatch> MakeVirtualChangeWatch(std::shared_ptr<VirtualKeyboardCore> core)
{
    return std::make_unique<VirtualChangeWatch>(std::move(core));
}
