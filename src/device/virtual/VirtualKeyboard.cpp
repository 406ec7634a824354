#include "device/virtual/VirtualKeyboard.h"

#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboardCore.h"
#include "device/virtual/VirtualKeyboardHandle.h"
#include "device/virtual/VirtualKeyboardState.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "platform/AtomicFile.h"

#include <algorithm>
#include <mutex>
#include <thread>

using Clock = VirtualKeyboardCore::Clock;

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
        out.push_back(core_->InfoOf(MouseCollection));
    if (core_->plugged) {
        out.push_back(core_->InfoOf(ConfigCollection));
        out.push_back(core_->InfoOf(NotifyCollection));
    }
    return true;
}

std::unique_ptr<HidHandle> VirtualKeyboard::Open(const std::string& path, const HidOpenMode& mode)
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    const std::optional<VirtualCollection> c = core_->CollectionOfPath(path);
    if (!c || (*c != MouseCollection && !core_->plugged))
        return nullptr;
    auto state = std::make_shared<HandleState>();
    state->collection = *c;
    state->generation = core_->generation;
    state->mode = mode;
    core_->handles.push_back(state);
    return MakeVirtualHandle(core_, state, core_->InfoOf(*c));
}

std::string VirtualKeyboard::NodeIdentity(const std::string& path)
{
    std::lock_guard lock(core_->mutex);
    core_->FinishLoaderIfDue();
    const std::optional<VirtualCollection> c = core_->CollectionOfPath(path);
    if (!c || (*c != MouseCollection && !core_->plugged))
        return {};
    return VirtualKeyboardCore::Identity(*c, core_->generation);
}

std::unique_ptr<HidChangeWatch> VirtualKeyboard::WatchChanges()
{
    return MakeVirtualChangeWatch(core_);
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

std::unique_ptr<VirtualKeyboard> OpenVirtualKeyboard(const std::string& path, VirtualKeyboardOptions options,
                                                     std::string& error)
{
    auto file = std::make_unique<KeyboardStateFile>(path);
    if (!ModelForProductId(options.productId))
        options.productId = 0x5000;
    KeyboardMemories memories = FactoryMemories(options);
    if (!file->Open(memories, error))
        return nullptr;
    options.productId = memories.productId;
    options.macroUnits = memories.deviceInfo[DeviceInfoMacroUnits];
    auto keyboard = std::make_unique<VirtualKeyboard>(options);
    keyboard->AttachStateFile(std::move(file), memories);
    return keyboard;
}
