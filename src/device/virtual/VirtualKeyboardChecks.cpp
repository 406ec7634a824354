#include "device/virtual/VirtualKeyboardChecks.h"

#include "device/protocol/DeviceState.h"
#include "platform/Bytes.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

void AppendToViolationFile(const std::string& line)
{
    const char* path = std::getenv("RT604_FRAME_VIOLATIONS");
    if (!path || !*path)
        return;
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const std::string text = line + "\n";
    // One write per line: lines of several processes never interleave.
    (void)!::write(fd, text.data(), text.size());
    ::close(fd);
}

std::atomic<FrameViolationSink> g_violationSink{nullptr};


// Which commands open a memory to what, and whether they belong inside a
// BeginUpdate/EndUpdate group. Parameter reads and every memory write go in
// a group; the information block, the key-map and macro reads and the
// default map are read (and the block written, for a profile switch)
// without one. Begin and End themselves are not checked against the group:
// a re-sent request after a lost reply repeats them harmlessly.
struct CommandRule {
    size_t minLength;
    size_t maxLength;
    bool write;
    bool inGroup;
};

std::optional<CommandRule> RuleOf(uint8_t command)
{
    switch (command) {
    case CmdBeginUpdate:
    case CmdEndUpdate: return CommandRule{0, 0, false, false};
    case CmdReadDeviceInfo: return CommandRule{DeviceInfoBytes, DeviceInfoBytes, false, false};
    case CmdWriteDeviceInfo: return CommandRule{DeviceInfoBytes, DeviceInfoBytes, true, false};
    case CmdReadParams: return CommandRule{1, FrameDataBytes, false, true};
    case CmdWriteParams: return CommandRule{1, FrameDataBytes, true, true};
    case CmdReadKeyMap: return CommandRule{1, FrameDataBytes, false, false};
    case CmdWriteKeyMap: return CommandRule{1, FrameDataBytes, true, true};
    case CmdReadMacroMemory: return CommandRule{1, FrameDataBytes, false, false};
    case CmdWriteMacroMemory: return CommandRule{1, FrameDataBytes, true, true};
    case CmdReadDefaultKeyMap: return CommandRule{1, FrameDataBytes, false, false};
    case CmdWriteKeyColors: return CommandRule{1, FrameDataBytes, true, true};
    default: return std::nullopt; // 0x10 included: colours cannot be read back
    }
}

size_t MemorySize(const KeyboardMemories& m, uint8_t command)
{
    switch (command) {
    case CmdReadDeviceInfo:
    case CmdWriteDeviceInfo: return m.deviceInfo.size();
    case CmdReadParams:
    case CmdWriteParams: return m.params.size();
    case CmdReadKeyMap:
    case CmdWriteKeyMap: return m.keyMaps.size();
    case CmdReadMacroMemory:
    case CmdWriteMacroMemory: return m.macroMemory.size();
    case CmdReadDefaultKeyMap: return m.defaultKeyMap.size();
    case CmdWriteKeyColors: return m.keyColors.size();
    default: return 0;
    }
}

bool AllZero(const Frame& frame, size_t from, size_t to)
{
    return std::all_of(frame.begin() + static_cast<std::ptrdiff_t>(from), frame.begin() + static_cast<std::ptrdiff_t>(to),
                       [](uint8_t b) { return b == 0; });
}

uint32_t CheckLoaderFrame(const Frame& request)
{
    uint32_t faults = request[0] == FrameReportId ? 0u : uint32_t{FaultReportId};
    // No checksum: bytes 1 and 2 stay 0 like everything after byte 4.
    if (request[1] != 0 || request[2] != 0 || !AllZero(request, 5, FrameBytes))
        faults |= FaultTrailingData;
    return faults;
}

} // namespace

std::string DescribeFrameFaults(uint32_t faults)
{
    static const std::pair<uint32_t, const char*> names[] = {
        {FaultReportId, "report id"},
        {FaultWriteLength, "report length"},
        {FaultChecksum, "checksum"},
        {FaultReserved, "reserved byte"},
        {FaultCommand, "unknown command"},
        {FaultLength, "length"},
        {FaultOffset, "offset"},
        {FaultTrailingData, "data beyond the length"},
        {FaultOutsideGroup, "outside a BeginUpdate/EndUpdate group"},
        {FaultValue, "value"},
        {FaultGroupInGroup, "a group opened inside another group"},
        {FaultForeignInGroup, "a request of no group inside another's group"},
    };
    std::string text;
    for (const auto& [bit, name] : names) {
        if (!(faults & bit))
            continue;
        if (!text.empty())
            text += ", ";
        text += name;
    }
    return text;
}

uint32_t CheckReportWrite(std::span<const uint8_t> report)
{
    uint32_t faults = 0;
    if (report.size() != FrameBytes)
        faults |= FaultWriteLength;
    if (report.empty() || report[0] != FrameReportId)
        faults |= FaultReportId;
    return faults;
}

uint32_t CheckRequestFrame(const KeyboardMemories& memories, const Frame& request, bool groupOpen)
{
    if (IsEnterLoaderFrame(request))
        return CheckLoaderFrame(request);
    uint32_t faults = 0;
    if (request[0] != FrameReportId)
        faults |= FaultReportId;
    if (!FrameChecksumValid(request))
        faults |= FaultChecksum;
    if (request[7] != 0)
        faults |= FaultReserved;
    const uint8_t command = request[3];
    const size_t length = request[4];
    const size_t offset = ReadU16(request.data(), 5);
    const std::optional<CommandRule> rule = RuleOf(command);
    if (!rule)
        return faults | FaultCommand;
    if (length < rule->minLength || length > rule->maxLength)
        faults |= FaultLength;
    if (offset + std::min(length, FrameDataBytes) > MemorySize(memories, command))
        faults |= FaultOffset;
    // Reads carry no data at all; writes nothing past their length.
    const size_t payload = rule->write ? std::min(length, FrameDataBytes) : 0;
    if (!AllZero(request, FrameDataOffset + payload, FrameBytes))
        faults |= FaultTrailingData;
    if (rule->inGroup && !groupOpen)
        faults |= FaultOutsideGroup;
    if (command == CmdWriteDeviceInfo && request[FrameDataOffset + DeviceInfoActiveProfile] >= VkProfiles)
        faults |= FaultValue;
    return faults;
}

uint32_t CheckConversation(const Frame& request, bool groupOpen)
{
    if (!groupOpen || IsEnterLoaderFrame(request))
        return 0;
    const uint8_t command = request[3];
    if (command == CmdBeginUpdate)
        return FaultGroupInGroup;
    const std::optional<CommandRule> rule = RuleOf(command);
    return rule && command != CmdEndUpdate && !rule->inGroup ? FaultForeignInGroup : 0u;
}

std::string DescribeRefusedFrame(const Frame& request, uint32_t faults)
{
    char head[96];
    std::snprintf(head, sizeof head, "command 0x%02X length %u offset %u (bytes %02X %02X %02X %02X %02X %02X %02X %02X)",
                  request[3], request[4], static_cast<unsigned>(ReadU16(request.data(), 5)), request[0], request[1],
                  request[2], request[3], request[4], request[5], request[6], request[7]);
    return std::string(head) + ": " + DescribeFrameFaults(faults);
}

void SetFrameViolationSink(FrameViolationSink sink)
{
    g_violationSink.store(sink);
}

void ReportViolation(const std::string& line)
{
    const FrameViolationSink sink = g_violationSink.load();
    (sink ? sink : AppendToViolationFile)(line);
}
