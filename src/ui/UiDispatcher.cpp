#include "ui/UiDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <memory>

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define RT604_THREAD_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define RT604_THREAD_SANITIZER 1
#endif
#ifdef RT604_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Qt hands a posted event to the window's thread under a lock of its own,
// out of ThreadSanitizer's sight when Qt is not built with it: without
// these, everything a device thread prepared for the window reads as a race.
void HandingOver([[maybe_unused]] QEvent* event)
{
#ifdef RT604_THREAD_SANITIZER
    __tsan_release(event);
#endif
}

void TakingOver([[maybe_unused]] QEvent* event)
{
#ifdef RT604_THREAD_SANITIZER
    __tsan_acquire(event);
#endif
}

const QEvent::Type WorkEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

struct WorkState {
    std::function<void()> work;
    bool done = false; // guarded by the dispatcher's mutex
};

class WorkEvent : public QEvent {
public:
    explicit WorkEvent(std::shared_ptr<WorkState> state) : QEvent(WorkEventType), state(std::move(state)) {}
    std::shared_ptr<WorkState> state;
};

} // namespace

UiDispatcher::UiDispatcher(QObject* parent) : QObject(parent) {}

UiDispatcher::~UiDispatcher()
{
    Close();
}

bool UiDispatcher::Send(std::function<void()> work)
{
    if (QThread::currentThread() == thread()) {
        if (IsClosed())
            return false;
        work();
        return true;
    }
    auto state = std::make_shared<WorkState>();
    state->work = std::move(work);
    {
        std::lock_guard lock(mutex_);
        if (closed_)
            return false;
    }
    auto* event = new WorkEvent(state);
    HandingOver(event);
    QCoreApplication::postEvent(this, event);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return state->done || closed_; });
    return state->done;
}

void UiDispatcher::Post(std::function<void()> work)
{
    if (IsClosed())
        return;
    auto state = std::make_shared<WorkState>();
    state->work = std::move(work);
    auto* event = new WorkEvent(state);
    HandingOver(event);
    QCoreApplication::postEvent(this, event);
}

void UiDispatcher::Close()
{
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    done_.notify_all();
}

bool UiDispatcher::IsClosed() const
{
    std::lock_guard lock(mutex_);
    return closed_;
}

void UiDispatcher::customEvent(QEvent* event)
{
    TakingOver(event);
    if (event->type() != WorkEventType)
        return;
    auto* work = static_cast<WorkEvent*>(event);
    if (!IsClosed() && work->state->work)
        work->state->work();
    {
        std::lock_guard lock(mutex_);
        work->state->done = true;
    }
    done_.notify_all();
}
