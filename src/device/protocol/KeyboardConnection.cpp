#include "device/protocol/KeyboardConnection.h"
#include "device/protocol/KeyboardConversation.h"

#include "device/hid/HidDevice.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"

#include <array>
#include <span>

bool TakeKeyboardModel()
{
    const KeyboardModel* model = ModelForProductId(g_configChannel.Attributes().productId);
    if (!model)
        return false;
    g_keyCount = model->keyCount;
    g_keyMapBytes = model->keyMapBytes;
    return true;
}

KeyboardConnectReads ConnectKeyboard()
{
    KeyboardConnectReads reads;
    // Only the reads: the window's reload that follows needs the keyboard.
    KeyboardConversation conversation;
    if (!conversation.Held()) {
        reads.defaultKeyMap = reads.deviceInfo = conversation.Result();
        return reads;
    }
    std::array<uint8_t, MaxKeyMapBytes> map{};
    const size_t bytes = static_cast<size_t>(g_keyMapBytes.load());
    reads.defaultKeyMap = ReadDefaultKeyMap(std::span<uint8_t>(map.data(), bytes));
    if (reads.defaultKeyMap == 1)
        StoreDefaultKeyMap(map, bytes);
    std::array<uint8_t, DeviceInfoBytes> info{};
    reads.deviceInfo = ReadDeviceInfo(info);
    if (reads.deviceInfo == 1)
        g_macroCapacity = static_cast<uint32_t>(info[DeviceInfoMacroUnits]) * MacroUnitBytes;
    return reads;
}
