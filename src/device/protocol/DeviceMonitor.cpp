#include "device/protocol/DeviceMonitor.h"

#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConnection.h"
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

std::mutex g_threadsLock; // start and stop from one caller at a time
std::thread g_monitorThread;
std::thread g_notificationThread;

std::atomic<bool> g_firstScanPending{false};

void EndFirstScan()
{
    if (g_firstScanPending.exchange(false))
        Events().FirstScanDone();
}

void ShowTrayIcon(int icon)
{
    RememberTrayIcon(icon);
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
        (void)TakeKeyboardModel(); // the identity test took only a keyboard of a known model
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
        if (ConnectKeyboard().defaultKeyMap != 1)
            Events().DefaultKeyMapUnreadable();
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
    AllowDeviceThreads();
    g_firstScanPending = true;
    try {
        g_notificationThread = std::thread(NotificationThread);
        g_monitorThread = std::thread(MonitorThread);
    } catch (const std::system_error&) {
        RequestDeviceThreadsStop();
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
    RequestDeviceThreadsStop();
    // The reader opens its channel only in RunUnlessStopping after checking the
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
