#include "actions/ApplyChanges.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "config/DocumentMacros.h"
#include "actions/DeviceWriter.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "device/protocol/BusyIndicator.h"
#include "device/protocol/DeviceEvents.h"
#include "macro/MacroMemoryUse.h"
#include "text/LanguageTexts.h"

namespace {

std::atomic<int64_t> g_showDelayMs{DefaultApplyShowDelay.count()};

// The names the owner last agreed to lose. Applies run on the window's
// worker thread or on the user-interface thread.
std::mutex g_acceptedMutex;
std::vector<std::u16string> g_acceptedNameLoss;

// False when the owner chose not to write macros that would lose their names.
bool ConfirmNameLoss()
{
    const uint32_t capacity = g_macroCapacity.load();
    // Unknown capacity: the keyboard is not there and the writer refuses.
    if (capacity == 0)
        return true;
    MacroMemoryUse use;
    std::vector<std::u16string> lost;
    {
        DocumentLock lock;
        const std::vector<ConstMacroBlock> macros = DocumentMacroViews();
        use = MeasureMacroMemory(macros, capacity);
        if (use.fit != MacroFit::WithoutNames)
            return true;
        lost = NamesLostWithoutImage(macros, LoadText("MACRO_NEW_PREFIX"));
    }
    if (lost.empty())
        return true;
    {
        std::lock_guard guard(g_acceptedMutex);
        if (lost == g_acceptedNameLoss)
            return true;
    }
    if (!Prompts().AskYesNo(FormatText(LoadText("MACRO_MEMORY_NAMES_CONFIRM"),
                                         GroupedNumber(static_cast<long long>(use.sizes.withNames)))))
        return false;
    std::lock_guard guard(g_acceptedMutex);
    g_acceptedNameLoss = std::move(lost);
    return true;
}

} // namespace

void ForgetAcceptedNameLoss()
{
    std::lock_guard guard(g_acceptedMutex);
    g_acceptedNameLoss.clear();
}

void SetApplyShowDelay(std::chrono::milliseconds delay)
{
    g_showDelayMs = delay.count();
}

int32_t ApplyChanges()
{
    return ApplyChanges(MainWindow());
}

int32_t ApplyChanges(MainWindowLink& window)
{
    // Asked before the busy picture, so the question is not hidden behind it.
    if (window.IsApplyEnabled() && !ConfirmNameLoss())
        return 0;

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
    if (window.IsApplyEnabled()) {
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
            window.SetApplyEnabled(false);
        else
            result = 0;
    }

    // Shown before it is hidden, however quick the work was.
    if (shower.joinable())
        shower.join();
    busy.Post(BusyHide);
    return result;
}
