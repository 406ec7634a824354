#include "app/gui/UiDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <memory>

namespace {

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
    QCoreApplication::postEvent(this, new WorkEvent(state));
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
    QCoreApplication::postEvent(this, new WorkEvent(state));
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
