#include "device/protocol/DeviceEvents.h"

#include <atomic>

namespace {
DeviceEvents g_silentEvents;
std::atomic<DeviceEvents*> g_events{nullptr};
} // namespace

DeviceEvents& Events()
{
    DeviceEvents* current = g_events.load();
    return current ? *current : g_silentEvents;
}

void SetDeviceEvents(DeviceEvents* events)
{
    g_events.store(events);
}
