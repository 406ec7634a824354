#include "keys/MediaTable.h"

const std::array<MediaEntry, 18> MediaTable = {{
    {0x183, 365}, // Media Player
    {0x0CD, 290}, // Play/Pause
    {0x0B7, 292}, // Stop Play
    {0x0B6, 272}, // Prev Track
    {0x0B5, 281}, // Next Track
    {0x0EA, 302}, // V-
    {0x0E9, 304}, // V+
    {0x0E2, 288}, // Mute
    {0x223, 306}, // WWW Home
    {0x227, 359}, // WWW Refresh
    {0x226, 360}, // WWW Stop
    {0x224, 362}, // WWW Back
    {0x225, 361}, // WWW Forward
    {0x22A, 358}, // WWW Favorite
    {0x221, 357}, // WWW Search
    {0x194, 363}, // My PC
    {0x192, 289}, // Calc
    {0x18A, 364}, // Mail
}};

const std::array<uint16_t, 32> ConsumerUsageList = {
    0x0E9, 0x0EA, 0x183, 0x18A, 0x192, 0x194, 0x221, 0x223, 0x224,
    0x225, 0x226, 0x227, 0x22A, 0x0E2, 0x0CD, 0x0B7, 0x0B6, 0x0B5,
};

const std::array<const char*, 11> KeyboardFunctions = {
    "FUNC_KEY_DESC1", "FUNC_KEY_DESC2", "FUNC_KEY_DESC3", "FUNC_KEY_DESC4",
    "FUNC_KEY_DESC5", "FUNC_KEY_DESC6", "FUNC_KEY_DESC7", "FUNC_KEY_DESC8",
    "FUNC_KEY_DESC9", "FUNC_KEY_DESC10", "FUNC_KEY_DESC11",
};

const std::array<MouseAction, 5> MouseActions = {{
    {369, "IDS_KEYBOARD_MOU_LEFT"},
    {370, "IDS_KEYBOARD_MOU_RIGHT"},
    {371, "IDS_KEYBOARD_MOU_MIDDLE"},
    {353, "IDS_KEYBOARD_ROLL_UP"},
    {354, "IDS_KEYBOARD_ROLL_DOWN"},
}};

namespace {
bool IsMediaIndex(int mediaIndex)
{
    return mediaIndex >= 0 && mediaIndex < static_cast<int>(MediaTable.size());
}
} // namespace

uint16_t MediaUsage(int mediaIndex)
{
    return IsMediaIndex(mediaIndex) ? MediaTable[static_cast<size_t>(mediaIndex)].consumerUsage : 0;
}

uint16_t MediaKeyCode(int mediaIndex)
{
    return IsMediaIndex(mediaIndex) ? MediaTable[static_cast<size_t>(mediaIndex)].keyCode : 0;
}

std::optional<int> MediaIndexOfUsage(uint16_t usage)
{
    for (size_t i = 0; i < MediaTable.size(); ++i) {
        if (MediaTable[i].consumerUsage == usage)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

bool IsMediaKeyCode(uint16_t keyCode)
{
    for (const MediaEntry& entry : MediaTable) {
        if (entry.keyCode == keyCode)
            return true;
    }
    return false;
}

std::string KeyboardFunctionKey(int functionIndex)
{
    if (functionIndex < 0 || functionIndex >= static_cast<int>(KeyboardFunctions.size()))
        return {};
    return KeyboardFunctions[static_cast<size_t>(functionIndex)];
}
