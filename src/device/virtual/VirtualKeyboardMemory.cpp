#include "device/virtual/VirtualKeyboardMemory.h"

#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboardChecks.h"

#include <algorithm>
#include <span>

namespace {

// The memory a command addresses and whether the command reads it.
struct Target {
    std::span<uint8_t> memory;
    bool read = false;
};

std::optional<Target> TargetOf(KeyboardMemories& m, uint8_t command)
{
    switch (command) {
    case CmdReadDeviceInfo: return Target{m.deviceInfo, true};
    case CmdWriteDeviceInfo: return Target{m.deviceInfo, false};
    case CmdReadParams: return Target{m.params, true};
    case CmdWriteParams: return Target{m.params, false};
    case CmdReadKeyMap: return Target{m.keyMaps, true};
    case CmdWriteKeyMap: return Target{m.keyMaps, false};
    case CmdReadMacroMemory: return Target{m.macroMemory, true};
    case CmdWriteMacroMemory: return Target{m.macroMemory, false};
    case CmdReadDefaultKeyMap: return Target{m.defaultKeyMap, true};
    case CmdWriteKeyColors: return Target{m.keyColors, false};
    default: return std::nullopt; // 0x10 included: colours cannot be read back
    }
}

} // namespace

FirmwareOutcome HandleRequest(KeyboardMemories& memories, const Frame& request, bool& groupOpen)
{
    FirmwareOutcome outcome;
    outcome.faults = CheckRequestFrame(memories, request, groupOpen);
    if (outcome.faults != 0) {
        outcome.reply = BuildReply(request, outcome.faults & FaultChecksum ? StatusBadChecksum : StatusRefused);
        return outcome;
    }
    if (IsEnterLoaderFrame(request)) {
        outcome.enterLoader = true;
        return outcome;
    }
    const FrameRequest req = ParseRequest(request);
    if (req.command == CmdBeginUpdate || req.command == CmdEndUpdate) {
        groupOpen = req.command == CmdBeginUpdate;
        outcome.endUpdate = req.command == CmdEndUpdate;
        outcome.reply = BuildReply(request, StatusOk);
        return outcome;
    }
    const std::optional<Target> target = TargetOf(memories, req.command);
    if (!target) { // the checks know every command TargetOf knows
        outcome.reply = BuildReply(request, StatusRefused);
        return outcome;
    }
    if (target->read) {
        outcome.reply = BuildReply(request, StatusOk, target->memory.subspan(req.offset, req.length));
        return outcome;
    }
    if (req.command == CmdWriteDeviceInfo) {
        // Only the active profile of the information block is writable; the
        // rest identifies the keyboard and stays as it left the factory.
        memories.deviceInfo[DeviceInfoActiveProfile] = req.data[DeviceInfoActiveProfile];
    } else {
        std::copy(req.data.begin(), req.data.end(), target->memory.begin() + req.offset);
    }
    outcome.changedMemory = true;
    outcome.reply = BuildReply(request, StatusOk);
    return outcome;
}

FirmwareOutcome HandleRequest(KeyboardMemories& memories, const Frame& request)
{
    bool groupOpen = false;
    return HandleRequest(memories, request, groupOpen);
}

bool NextEffectOnKeyboard(KeyboardMemories& m)
{
    const size_t record = static_cast<size_t>(m.ActiveProfile() % VkProfiles) * VkLightingRecordBytes;
    constexpr size_t Slots = DeviceInfoBytes - DeviceInfoEffectCodes;
    auto offered = [&](size_t slot) {
        const uint8_t code = m.deviceInfo[DeviceInfoEffectCodes + slot];
        return code != 0x00 && code != 0xFE;
    };
    size_t current = Slots - 1;
    for (size_t slot = 0; slot < Slots; ++slot) {
        if (offered(slot) && m.deviceInfo[DeviceInfoEffectCodes + slot] == m.params[record]) {
            current = slot;
            break;
        }
    }
    for (size_t step = 1; step <= Slots; ++step) {
        const size_t slot = (current + step) % Slots;
        if (offered(slot)) {
            m.params[record] = m.deviceInfo[DeviceInfoEffectCodes + slot];
            return true;
        }
    }
    return false;
}
