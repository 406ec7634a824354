#include "device/hid/CurrentHidBackend.h"

#include "device/hid/HidapiBackend.h"

#include <atomic>

namespace {

std::atomic<HidBackend*> g_backendOverride{nullptr};

} // namespace

HidBackend& CurrentHidBackend()
{
    if (HidBackend* backend = g_backendOverride.load())
        return *backend;
    static HidapiBackend hidapi;
    return hidapi;
}

void SetHidBackend(HidBackend* backend)
{
    g_backendOverride.store(backend);
}
