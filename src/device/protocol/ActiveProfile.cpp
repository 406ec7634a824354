#include "device/protocol/ActiveProfile.h"
#include "device/protocol/KeyboardConversation.h"

#include <array>

#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"

int32_t GetCurrentProfile()
{
    const int32_t cached = g_currentProfile.load();
    if (cached >= 0 && cached < KeyboardProfileCount)
        return cached;
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1)
        return -1;
    const uint8_t profile = info[DeviceInfoActiveProfile];
    // A byte outside the keyboard's three profiles would index past the slot
    // groups everywhere the profile is used; treat it as no answer.
    if (profile >= KeyboardProfileCount)
        return -1;
    g_currentProfile = profile;
    return profile;
}

int32_t SetCurrentProfile(int32_t index)
{
    if (index < 0 || index >= KeyboardProfileCount)
        return 0;
    // Nobody may switch in between, or their switch would be written back.
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1)
        return 0;
    info[DeviceInfoActiveProfile] = static_cast<uint8_t>(index);
    if (WriteDeviceInfo(info) != 1) {
        g_currentProfile = -1;
        return 0;
    }
    g_currentProfile = index;
    return 1;
}
