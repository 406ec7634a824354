#include "device/protocol/NotificationReader.h"

#include "device/protocol/DeviceEvents.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/DeviceThreads.h"
#include "device/hid/HidDevice.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// Serialises the tray-notice threads and keeps them in arrival order: each
// thread waits for its ticket, so a quick signal-then-restore pair cannot
// leave the signalled icon showing.
std::mutex g_notifyBusyLock;
std::condition_variable g_notifyTurn;
uint64_t g_nextTicket = 0;
uint64_t g_servingTicket = 0;
int g_noticeThreads = 0;

void TrayNotice(uint64_t ticket, bool signalled)
{
    {
        std::unique_lock lock(g_notifyBusyLock);
        g_notifyTurn.wait(lock, [&] { return g_servingTicket == ticket; });
    }
    Events().SetTrayIcon(signalled ? TrayIconSignalled : RememberedTrayIcon());
    std::lock_guard lock(g_notifyBusyLock);
    ++g_servingTicket;
    --g_noticeThreads;
    g_notifyTurn.notify_all();
}

void StartTrayNotice(bool signalled)
{
    uint64_t ticket = 0;
    {
        std::lock_guard lock(g_notifyBusyLock);
        ticket = g_nextTicket++;
        ++g_noticeThreads;
    }
    try {
        std::thread(TrayNotice, ticket, signalled).detach();
    } catch (const std::system_error&) {
        TrayNotice(ticket, signalled); // no thread to spare: do it here, in turn
    }
}

// Reads notices until the channel fails or is closed. The descriptor, items
// and buffer are this thread's own copies, so a Close from the stopping
// thread cannot pull them away mid-decode.
void ReadNotices(const HidCollectionInfo& descriptor, size_t reportLength)
{
    std::vector<HidDataItem> items = BuildDataItems(descriptor, HidReportType::Input);
    std::vector<uint8_t> buffer(std::max<size_t>(reportLength, 1));
    for (;;) {
        size_t n = 0;
        if (!g_notifyChannel.ReadReport(buffer.data(), reportLength, &n, HidInfinite))
            return;
        DecodeInputReport(buffer.data(), n, HidReportType::Input, items, descriptor);
        HandleNotice(NoticeOf(items, n > 0 ? buffer[0] : 0));
    }
}

} // namespace

uint16_t NoticeOf(const std::vector<HidDataItem>& items, uint8_t reportId)
{
    // Items of another report keep the usages of an older report: taking one
    // of them would replay a notice the keyboard sent long ago.
    for (const HidDataItem& item : items) {
        if (item.reportId != reportId)
            continue;
        return item.usageList.empty() ? 0 : item.usageList[0];
    }
    return 0;
}

void HandleNotice(uint16_t notice)
{
    switch (notice) {
    case NoticeReloadLighting: Events().ArmTimer(TimerReloadLighting); break;
    case NoticeKeyboardReset: Events().ArmTimer(TimerKeyboardReset); break;
    case NoticeIconSignal: StartTrayNotice(true); break;
    case NoticeIconRestore: StartTrayNotice(false); break;
    default: break;
    }
}

void WaitForNoticeThreads()
{
    std::unique_lock lock(g_notifyBusyLock);
    g_notifyTurn.wait(lock, [] { return g_noticeThreads == 0; });
}

void NotificationThread()
{
    DeviceThreadWatch watch;
    while (!DeviceThreadsStopping()) {
        if (!g_notifyChannel.EnumerateInterfaces())
            return;
        while (std::optional<HidInterfaceInfo> info = g_notifyChannel.NextInterface()) {
            if (!IsKeyboardPath(info->path, info->vendorId, info->productId)
                || !MayBeCollection(*info, NotifyUsagePage, NotifyUsage))
                continue;
            HidCollectionInfo descriptor;
            size_t reportLength = 0;
            bool matched = false;
            const bool opened = RunUnlessStopping([&] {
                if (!g_notifyChannel.Open(info->path, true, false, true, false))
                    return false;
                matched = IsNotifyCollection(g_notifyChannel);
                if (matched) {
                    descriptor = g_notifyChannel.Descriptor();
                    reportLength = g_notifyChannel.Caps().inputReportByteLength;
                } else {
                    g_notifyChannel.Close();
                }
                return true;
            });
            if (!opened || !matched)
                continue;
            ReadNotices(descriptor, reportLength);
            g_notifyChannel.Close();
            break;
        }
        g_notifyChannel.FreeInterfaceList();
        const DeviceThreadTimings t = CurrentDeviceThreadTimings();
        if (watch.SeesArrivals())
            watch.Wait(t.watchedLook, nullptr);
        else
            SleepUnlessStopping(t.notifyRetry);
    }
}
