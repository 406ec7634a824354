#include "device/protocol/DeviceState.h"

#include <algorithm>

std::atomic<int32_t> g_deviceConnected{0};
std::atomic<int32_t> g_currentProfile{-1};
std::atomic<uint32_t> g_macroCapacity{0};
std::mutex g_deviceLock;
std::atomic<int32_t> g_keyCount{KeyboardModels[0].keyCount};
std::atomic<int32_t> g_keyMapBytes{KeyboardModels[0].keyMapBytes};
std::array<uint8_t, MaxKeyMapBytes> g_defaultKeyMap{};
std::mutex g_defaultKeyMapLock;

const KeyboardModel* ModelForProductId(uint16_t productId)
{
    for (const KeyboardModel& model : KeyboardModels) {
        if (model.productId == productId)
            return &model;
    }
    return nullptr;
}

std::array<uint8_t, MaxKeyMapBytes> CopyDefaultKeyMap()
{
    std::lock_guard lock(g_defaultKeyMapLock);
    return g_defaultKeyMap;
}

void StoreDefaultKeyMap(const std::array<uint8_t, MaxKeyMapBytes>& map, size_t bytes)
{
    std::lock_guard lock(g_defaultKeyMapLock);
    std::copy_n(map.begin(), std::min(bytes, map.size()), g_defaultKeyMap.begin());
}
