#include "device/protocol/BusyIndicator.h"

#include "device/protocol/DeviceEvents.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

struct BusyIndicatorState {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<uint32_t> queue;

    void Post(uint32_t message)
    {
        std::lock_guard lock(mutex);
        queue.push_back(message);
        cv.notify_one();
    }
};

struct BusyIndicatorOwner {
    std::shared_ptr<BusyIndicatorState> state;
    ~BusyIndicatorOwner()
    {
        if (state)
            state->Post(BusyHide);
    }
};

namespace {

std::mutex g_runningLock;
std::condition_variable g_runningChanged;
int g_running = 0;
std::atomic<bool> g_failNextStart{false};
std::atomic<int64_t> g_hideDelayMs{DefaultBusyHideDelay.count()};

void BusyIndicatorThread(std::shared_ptr<BusyIndicatorState> state)
{
    for (;;) {
        uint32_t message = 0;
        {
            std::unique_lock lock(state->mutex);
            state->cv.wait(lock, [&] { return !state->queue.empty(); });
            message = state->queue.front();
            state->queue.pop_front();
        }
        if (message == BusyHide) {
            std::this_thread::sleep_for(std::chrono::milliseconds(g_hideDelayMs.load()));
            Events().ShowBusyPicture(false);
            break;
        }
        Events().ShowBusyPicture(true);
    }
    std::lock_guard lock(g_runningLock);
    --g_running;
    g_runningChanged.notify_all();
}

} // namespace

BusyIndicator BusyIndicator::Start()
{
    BusyIndicator indicator;
    if (g_failNextStart.exchange(false))
        return indicator;
    auto state = std::make_shared<BusyIndicatorState>();
    {
        std::lock_guard lock(g_runningLock);
        ++g_running;
    }
    try {
        // The Apply lets go of the thread; it ends by itself after BusyHide.
        std::thread(BusyIndicatorThread, state).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(g_runningLock);
        --g_running;
        g_runningChanged.notify_all();
        return indicator;
    }
    indicator.owner_ = std::make_shared<BusyIndicatorOwner>();
    indicator.owner_->state = std::move(state);
    return indicator;
}

void BusyIndicator::Post(uint32_t message)
{
    if (owner_)
        owner_->state->Post(message);
}

void WaitForBusyIndicators()
{
    std::unique_lock lock(g_runningLock);
    g_runningChanged.wait(lock, [] { return g_running == 0; });
}

void FailNextBusyIndicatorStart()
{
    g_failNextStart = true;
}

void SetBusyHideDelay(std::chrono::milliseconds delay)
{
    g_hideDelayMs = delay.count();
}
