#include "platform/KeyboardChangeNotice.h"

namespace {

constexpr uint32_t PartBits = 8;
constexpr uint32_t PartMask = (1u << PartBits) - 1;

} // namespace

uint32_t KeyboardIdentity(const std::string& virtualStateFile)
{
    if (virtualStateFile.empty())
        return 0;
    // FNV-1a, folded to 24 bits: a clash between two state files only costs
    // a needless re-read.
    uint32_t hash = 2166136261u;
    for (unsigned char c : virtualStateFile) {
        hash ^= c;
        hash *= 16777619u;
    }
    const uint32_t folded = (hash >> 24 ^ hash) & 0xFFFFFFu;
    return folded == 0 ? 1 : folded;
}

uint32_t EncodeKeyboardChange(uint32_t parts, uint32_t keyboard)
{
    return (keyboard << PartBits) | (parts & KeyboardPart::All);
}

std::optional<uint32_t> DecodeKeyboardChange(uint32_t param, uint32_t keyboard)
{
    uint32_t parts = param & PartMask & KeyboardPart::All;
    // The rules belong to the program, whichever keyboard it drives.
    if (param >> PartBits != keyboard)
        parts &= KeyboardPart::Rules;
    if (parts == 0)
        return std::nullopt;
    return parts;
}

SendResult TellRunningInstance(uint32_t parts, const std::string& virtualStateFile, int timeoutMs)
{
    const std::string folder = InstanceRuntimeFolder();
    if (folder.empty())
        return SendResult::NoInstance;
    const pid_t holder = InstanceLockHolder(folder);
    if (holder <= 0)
        return SendResult::NoInstance;
    const std::string path = InstanceEndpointPath(folder, holder);
    if (path.empty())
        return SendResult::NoInstance;
    const InstanceMessage message{MsgKeyboardChanged,
                                  EncodeKeyboardChange(parts, KeyboardIdentity(virtualStateFile))};
    return SendToEndpoint(path, message, timeoutMs);
}
