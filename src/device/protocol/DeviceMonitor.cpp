#include "device/protocol/DeviceMonitor.h"

#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/NotificationReader.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

std::mutex g_timingsLock;
DeviceThreadTimings g_timings;

std::mutex g_stopLock;
std::condition_variable g_stopChanged;
bool g_stopping = false;
std::vector<HidChangeWatch*> g_stopWakes; // the device threads' change watches

std::mutex g_threadsLock; // start and stop from one caller at a time
std::thread g_monitorThread;
std::thread g_notificationThread;

std::atomic<int> g_rememberedIcon{TrayIconDisconnected};
std::atomic<bool> g_firstScanPending{false};

// Every wait of the device threads ends: sleeps and change watches.
void RequestStop()
{
    {
        std::lock_guard lock(g_stopLock);
        g_stopping = true;
        for (HidChangeWatch* watch : g_stopWakes)
            watch->Wake();
    }
    g_stopChanged.notify_all();
}

void EndFirstScan()
{
    if (g_firstScanPending.exchange(false))
        Events().FirstScanDone();
}

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

void ShowTrayIcon(int icon)
{
    g_rememberedIcon = icon;
    Events().SetTrayIcon(icon);
}

// Walks the enumerated interfaces and leaves the channel open on the first
// vendor collection of a keyboard; false when there is none (or a stop came).
bool OpenConfigInterface()
{
    while (std::optional<HidInterfaceInfo> info = g_configChannel.NextInterface()) {
        if (DeviceThreadsStopping())
            return false;
        if (!IsKeyboardPath(info->path, info->vendorId, info->productId)
            || !MayBeCollection(*info, ConfigUsagePage, ConfigUsage))
            continue;
        if (!g_configChannel.Open(info->path, true, true, true, false))
            continue;
        if (IsConfigCollection(g_configChannel))
            return true;
        g_configChannel.Close();
    }
    return false;
}

// The keyboard the channel was opened on is the one under its path now: the
// same node (a replug makes a new one, often under the same path, which is
// all that "can it be opened" used to test) and no transfer has found it gone.
// Otherwise it is a loss, and the scan that follows makes a new connection.
bool SameKeyboardStillThere()
{
    if (g_configChannel.DeviceGone())
        return false;
    const std::string now = CurrentHidBackend().NodeIdentity(g_configChannel.Path());
    return !now.empty() && now == g_configChannel.NodeIdentity();
}

// Sleeps until the keyboard should be looked at again. true when the node
// the channel is open on hung up: the keyboard connected is gone.
bool WaitForNextLook(DeviceThreadWatch& watch)
{
    const DeviceThreadTimings t = CurrentDeviceThreadTimings();
    if (g_deviceConnected.load() == 1) {
        const std::shared_ptr<const HidHandle> handle = g_configChannel.OpenHandle();
        if (handle && watch.SeesDepartureOf(*handle))
            return watch.Wait(t.watchedLook, handle.get()) == HidChange::HandleGone;
        SleepUnlessStopping(t.presentPoll);
    } else if (watch.SeesArrivals()) {
        watch.Wait(t.watchedLook, nullptr);
    } else {
        SleepUnlessStopping(t.absentPoll);
    }
    return false;
}

// One scan of every interface for the vendor collection; leaves the channel
// open on the first match. false when the enumeration failed.
bool ScanForKeyboard()
{
    if (!g_configChannel.EnumerateInterfaces())
        return false;
    if (OpenConfigInterface()) {
        const KeyboardModel* model = ModelForProductId(g_configChannel.Attributes().productId);
        keyCount = model->keyCount;
        keyMapBytes = model->keyMapBytes;
        HandleConnectionState(1);
    }
    return true;
}

// The first look at the interfaces: talk to the keyboard once and let go.
bool Probe()
{
    if (!g_configChannel.EnumerateInterfaces())
        return false;
    if (OpenConfigInterface()) {
        g_deviceConnected = 1;
        std::array<uint8_t, DeviceInfoBytes> info44{};
        ReadDeviceInfo(info44); // only wakes the keyboard; the result does not matter
        g_configChannel.Close();
    }
    g_configChannel.FreeInterfaceList();
    g_deviceConnected = 0;
    return true;
}

} // namespace

std::atomic<int32_t> g_noAutoOpen{0};

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

bool FirstScanPending()
{
    return g_firstScanPending.load();
}

void HandleConnectionState(int32_t state)
{
    // The flag changes before anything is told: the connection's reads (and
    // the window's reload) need it, and from a loss on every command fails
    // at once instead of trying the dead channel.
    if (g_deviceConnected.exchange(state) == state)
        return;
    if (state == 0) {
        g_currentProfile = -1;
        Events().DeviceLost();
        Events().HideMainWindow();
        ShowTrayIcon(TrayIconDisconnected);
    } else {
        std::array<uint8_t, MaxKeyMapBytes> map{};
        const size_t bytes = static_cast<size_t>(keyMapBytes.load());
        if (ReadDefaultKeyMap(std::span<uint8_t>(map.data(), bytes)) == 1)
            StoreDefaultKeyMap(map, bytes);
        else
            Events().DefaultKeyMapUnreadable();
        std::array<uint8_t, DeviceInfoBytes> info{};
        if (ReadDeviceInfo(info) == 1)
            g_macroCapacity = static_cast<uint32_t>(info[DeviceInfoMacroUnits]) * MacroUnitBytes;
        Events().ReloadFromKeyboard();
        ShowTrayIcon(TrayIconConnected);
    }
    if (g_noAutoOpen.load() == 0) {
        if (state == 1)
            Events().OpenMainWindow();
        g_noAutoOpen = 1;
    }
}

void MonitorThread()
{
    // However the thread ends, nobody waits for its first scan any more.
    struct FirstScanEnd {
        ~FirstScanEnd() { EndFirstScan(); }
    } firstScanEnd;
    // Made first, so that no change from here on goes unheard.
    DeviceThreadWatch watch;
    // A transfer that finds the keyboard gone wakes the monitor as a cable
    // change does.
    if (std::shared_ptr<HidChangeWatch> shared = watch.Shared())
        g_configChannel.SetGoneListener([shared] { shared->Wake(); });
    struct GoneListenerEnd {
        ~GoneListenerEnd() { g_configChannel.SetGoneListener({}); }
    } goneListenerEnd;
    bool firstReport = true;
    if (g_noAutoOpen.load() == 1 && !SleepUnlessStopping(CurrentDeviceThreadTimings().firstScanDelay))
        return;
    if (!Probe())
        return;
    bool hungUp = false;
    while (!DeviceThreadsStopping()) {
        if (g_deviceConnected.load() == 1 && (hungUp || !SameKeyboardStillThere()))
            HandleConnectionState(0);
        if (g_deviceConnected.load() == 0) {
            if (!ScanForKeyboard())
                return;
            if (firstReport) {
                firstReport = false;
                if (g_deviceConnected.load() == 0)
                    g_noAutoOpen = 1;
                EndFirstScan();
            }
            g_configChannel.FreeInterfaceList();
        }
        hungUp = WaitForNextLook(watch);
    }
}

bool StartDeviceThreads()
{
    std::lock_guard threads(g_threadsLock);
    if (g_monitorThread.joinable() || g_notificationThread.joinable())
        return true;
    {
        std::lock_guard lock(g_stopLock);
        g_stopping = false;
    }
    g_firstScanPending = true;
    try {
        g_notificationThread = std::thread(NotificationThread);
        g_monitorThread = std::thread(MonitorThread);
    } catch (const std::system_error&) {
        RequestStop();
        g_notifyChannel.Close();
        if (g_notificationThread.joinable())
            g_notificationThread.join();
        EndFirstScan();
        return false;
    }
    return true;
}

void StopDeviceThreads()
{
    std::lock_guard threads(g_threadsLock);
    RequestStop();
    // The reader opens its channel only under g_stopLock after checking the
    // flag, so once the flag is set this close ends its read for good.
    g_notifyChannel.Close();
    if (g_notificationThread.joinable())
        g_notificationThread.join();
    if (g_monitorThread.joinable())
        g_monitorThread.join();
    WaitForNoticeThreads();
    g_configChannel.Close();
    g_configChannel.FreeInterfaceList();
    g_notifyChannel.FreeInterfaceList();
    g_deviceConnected = 0;
}
