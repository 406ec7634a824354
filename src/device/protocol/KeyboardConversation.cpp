#include "device/protocol/KeyboardConversation.h"

#include "device/hid/HidDevice.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

std::mutex g_mutex;
std::condition_variable g_released;
std::thread::id g_owner;
int g_depth = 0;

std::mutex g_settingsLock;
std::chrono::milliseconds g_waitLimit = DefaultConversationWait;
std::function<void(const LockHolder&)> g_notice;
std::function<void(const LockHolder&)> g_busyNotice;
LockHolder g_lastBusy;

constexpr auto PollPause = std::chrono::milliseconds(1);

void RememberBusy(const LockHolder& holder)
{
    std::function<void(const LockHolder&)> notice;
    {
        std::lock_guard lock(g_settingsLock);
        g_lastBusy = holder;
        notice = g_busyNotice;
    }
    if (notice)
        notice(holder);
}

void Tell(const LockHolder& holder)
{
    std::function<void(const LockHolder&)> notice;
    {
        std::lock_guard lock(g_settingsLock);
        notice = g_notice;
    }
    if (notice)
        notice(holder);
}

LockHolder Ourselves()
{
    LockHolder self;
    self.pid = static_cast<int>(getpid());
    self.name = ProcessName(self.pid);
    return self;
}

void LeaveThreadLock()
{
    std::lock_guard lock(g_mutex);
    if (--g_depth == 0) {
        g_owner = std::thread::id();
        g_released.notify_all();
    }
}

} // namespace

KeyboardConversation::KeyboardConversation() : KeyboardConversation(ConversationWaitLimit()) {}

KeyboardConversation::KeyboardConversation(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const std::thread::id me = std::this_thread::get_id();
    {
        std::unique_lock lock(g_mutex);
        if (g_owner == me) {
            ++g_depth;
            held_ = true;
            return;
        }
        if (!g_released.wait_until(lock, deadline, [] { return g_depth == 0; })) {
            lock.unlock();
            holder_ = Ourselves();
            RememberBusy(holder_);
            return;
        }
        g_owner = me;
        g_depth = 1;
    }
    // Other programs: the lock of the open channel. Without one (no keyboard,
    // or a backend without it) there is nobody to keep out.
    std::shared_ptr<const HidHandle> handle = g_configChannel.OpenHandle();
    bool told = false;
    while (handle) {
        const HidLock outcome = handle->TryLockExclusive();
        if (outcome == HidLock::Taken) {
            locked_ = std::move(handle);
            break;
        }
        if (outcome == HidLock::Failed)
            break; // the transfer itself will tell what is wrong
        if (!told) {
            holder_ = handle->ExclusiveHolder();
            Tell(holder_);
            told = true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            if (LockHolder last = handle->ExclusiveHolder(); last.pid != 0)
                holder_ = last; // the first may have let go meanwhile
            LeaveThreadLock();
            RememberBusy(holder_);
            return;
        }
        std::this_thread::sleep_for(PollPause);
    }
    held_ = true;
    outer_ = true;
}

KeyboardConversation::~KeyboardConversation()
{
    if (!held_)
        return;
    if (outer_ && locked_)
        locked_->UnlockExclusive();
    LeaveThreadLock();
}

int32_t KeyboardConversation::Result() const
{
    return held_ ? 1 : KeyboardBusy;
}

std::chrono::milliseconds ConversationWaitLimit()
{
    std::lock_guard lock(g_settingsLock);
    return g_waitLimit;
}

void SetConversationWaitLimit(std::chrono::milliseconds limit)
{
    std::lock_guard lock(g_settingsLock);
    g_waitLimit = limit;
}

void SetConversationWaitNotice(std::function<void(const LockHolder&)> notice)
{
    std::lock_guard lock(g_settingsLock);
    g_notice = std::move(notice);
}

void SetConversationBusyNotice(std::function<void(const LockHolder&)> notice)
{
    std::lock_guard lock(g_settingsLock);
    g_busyNotice = std::move(notice);
}

LockHolder LastBusyHolder()
{
    std::lock_guard lock(g_settingsLock);
    return g_lastBusy;
}

bool InConversation()
{
    std::lock_guard lock(g_mutex);
    return g_owner == std::this_thread::get_id();
}
