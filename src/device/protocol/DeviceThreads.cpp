#include "device/protocol/DeviceThreads.h"

#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceState.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

std::mutex g_timingsLock;
DeviceThreadTimings g_timings;

std::mutex g_stopLock;
std::condition_variable g_stopChanged;
bool g_stopping = false;
std::vector<HidChangeWatch*> g_stopWakes; // the device threads' change watches

std::atomic<int> g_rememberedIcon{TrayIconDisconnected};

// The hex number after a prefix found ignoring case; found is false (and the
// number 0) when the prefix is absent. Digits past 32 bits saturate, as the
// C library's reading of an unsigned long on the original platform did.
uint32_t NumberAfter(const std::string& path, const char* prefix, bool& found)
{
    std::string lower(path.size(), '\0');
    std::transform(path.begin(), path.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t at = lower.find(prefix);
    found = at != std::string::npos;
    if (!found)
        return 0;
    size_t i = at + std::char_traits<char>::length(prefix);
    if (lower.compare(i, 2, "0x") == 0 && i + 2 < lower.size() && std::isxdigit(static_cast<unsigned char>(lower[i + 2])))
        i += 2;
    uint64_t value = 0;
    for (; i < lower.size() && std::isxdigit(static_cast<unsigned char>(lower[i])); ++i) {
        const char c = lower[i];
        value = value * 16 + static_cast<uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        value = std::min<uint64_t>(value, 0xFFFFFFFFu);
    }
    return static_cast<uint32_t>(value);
}

bool IsKeyboardIdentity(uint16_t vendor, uint16_t product)
{
    return vendor == KeyboardVendorId && ModelForProductId(product) != nullptr;
}

} // namespace

// Every wait of the device threads ends: sleeps and change watches.
void RequestDeviceThreadsStop()
{
    {
        std::lock_guard lock(g_stopLock);
        g_stopping = true;
        for (HidChangeWatch* watch : g_stopWakes)
            watch->Wake();
    }
    g_stopChanged.notify_all();
}

void AllowDeviceThreads()
{
    std::lock_guard lock(g_stopLock);
    g_stopping = false;
}

DeviceThreadTimings CurrentDeviceThreadTimings()
{
    std::lock_guard lock(g_timingsLock);
    return g_timings;
}

void SetDeviceThreadTimings(const DeviceThreadTimings& timings)
{
    std::lock_guard lock(g_timingsLock);
    g_timings = timings;
}

bool DeviceThreadsStopping()
{
    std::lock_guard lock(g_stopLock);
    return g_stopping;
}

bool SleepUnlessStopping(std::chrono::milliseconds duration)
{
    std::unique_lock lock(g_stopLock);
    return !g_stopChanged.wait_for(lock, duration, [] { return g_stopping; });
}

DeviceThreadWatch::DeviceThreadWatch() : watch_(CurrentHidBackend().WatchChanges())
{
    if (!watch_)
        return;
    std::lock_guard lock(g_stopLock);
    g_stopWakes.push_back(watch_.get());
}

DeviceThreadWatch::~DeviceThreadWatch()
{
    if (!watch_)
        return;
    std::lock_guard lock(g_stopLock);
    std::erase(g_stopWakes, watch_.get());
}

HidChange DeviceThreadWatch::Wait(std::chrono::milliseconds limit, const HidHandle* watched)
{
    // A stop that came before the watch was made is seen here; one after it
    // has woken the watch.
    if (!watch_ || DeviceThreadsStopping())
        return HidChange::Maybe;
    return watch_->Wait(limit, watched);
}

bool RunUnlessStopping(const std::function<bool()>& work)
{
    std::lock_guard lock(g_stopLock);
    return !g_stopping && work();
}

bool IsKeyboardPath(const std::string& path, uint16_t enumeratedVendor, uint16_t enumeratedProduct)
{
    bool hasVid = false, hasPid = false;
    const uint32_t vendor = NumberAfter(path, "vid_", hasVid);
    const uint32_t product = NumberAfter(path, "pid_", hasPid);
    if (!hasVid)
        return IsKeyboardIdentity(enumeratedVendor, enumeratedProduct);
    return IsKeyboardIdentity(static_cast<uint16_t>(vendor), static_cast<uint16_t>(product));
}

bool MayBeCollection(const HidInterfaceInfo& info, uint16_t usagePage, uint16_t usage)
{
    const bool named = info.usagePage != 0 || info.usage != 0;
    return !named || (info.usagePage == usagePage && info.usage == usage);
}

bool IsConfigCollection(const HidDevice& channel)
{
    const HidAttributes a = channel.Attributes();
    const HidCaps c = channel.Caps();
    return IsKeyboardIdentity(a.vendorId, a.productId) && c.usagePage == ConfigUsagePage && c.usage == ConfigUsage;
}

bool IsNotifyCollection(const HidDevice& channel)
{
    const HidAttributes a = channel.Attributes();
    const HidCaps c = channel.Caps();
    return IsKeyboardIdentity(a.vendorId, a.productId) && c.usagePage == NotifyUsagePage && c.usage == NotifyUsage;
}

int RememberedTrayIcon()
{
    return g_rememberedIcon.load();
}

void RememberTrayIcon(int icon)
{
    g_rememberedIcon = icon;
}
