#include "assign/ApplyChanges.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

#include "app/MainWindowLink.h"
#include "config/ConfigDocument.h"
#include "config/DeviceCopy.h"
#include "config/ProfileFile.h"
#include "device/BusyIndicator.h"
#include "device/DeviceEvents.h"

namespace {

std::atomic<int64_t> g_showDelayMs{100};

} // namespace

void SetApplyShowDelay(std::chrono::milliseconds delay)
{
    g_showDelayMs = delay.count();
}

int32_t ApplyChanges()
{
    // The picture appears only once the Apply has run for the delay, so quick
    // applies do not flash it; the work does not wait for it.
    BusyIndicator busy = BusyIndicator::Start();
    const std::chrono::milliseconds delay(g_showDelayMs.load());
    std::thread shower;
    try {
        shower = std::thread([busy, delay]() mutable {
            std::this_thread::sleep_for(delay);
            busy.Post(BusyShow);
        });
    } catch (const std::system_error&) {
        std::this_thread::sleep_for(delay);
        busy.Post(BusyShow);
    }

    int32_t result = 1;
    if (MainWindow().IsApplyEnabled()) {
        int32_t saved = 0;
        int32_t written = 0;
        int error = 0;
        {
            DocumentLock lock;
            saved = SaveDocumentToProfileCache(0, &error);
            // The keyboard is written even when the cache could not be.
            written = CopyDocumentForDevice(0);
        }
        // A missing cache is the keyboard's never read; any other failure
        // is told.
        if (saved != 1 && error != ENOENT)
            ShowSaveFailure(ProfileCachePath(0), error);
        if (saved == 1 && written == 1)
            MainWindow().SetApplyEnabled(false);
        else
            result = 0;
    }

    // Shown before it is hidden, however quick the work was.
    if (shower.joinable())
        shower.join();
    busy.Post(BusyHide);
    return result;
}
