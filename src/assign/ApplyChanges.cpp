#include "assign/ApplyChanges.h"

#include <atomic>
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
    BusyIndicator busy = BusyIndicator::Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(g_showDelayMs.load()));
    busy.Post(BusyShow);

    int32_t result = 1;
    if (MainWindow().IsApplyEnabled()) {
        int32_t saved = 0;
        int32_t written = 0;
        {
            DocumentLock lock;
            saved = SaveDocumentToProfileCache(0);
            // The keyboard is written even when the cache could not be.
            written = CopyDocumentForDevice(0);
        }
        if (saved != 0 && written != 0)
            MainWindow().SetApplyEnabled(false);
        else
            result = 0;
    }

    busy.Post(BusyHide);
    return result;
}
