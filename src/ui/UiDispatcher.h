#pragma once

#include <QObject>

#include <condition_variable>
#include <functional>
#include <mutex>

// Hands work from the device threads to the user-interface thread, where
// every window lives. "Sent" work blocks the calling thread until the
// user-interface thread has run it; "posted" work returns at once. Both keep
// their order with each other.
//
// Close() (at shutdown) makes every waiting and later Send return false at
// once and drops what has not run yet, so the user-interface thread can then
// wait for the device threads without either waiting for the other.
class UiDispatcher : public QObject {
    Q_OBJECT
public:
    explicit UiDispatcher(QObject* parent = nullptr);
    ~UiDispatcher() override;

    // true when the work ran. Runs it in place on the user-interface thread.
    bool Send(std::function<void()> work);
    void Post(std::function<void()> work);
    void Close();
    bool IsClosed() const;

protected:
    void customEvent(QEvent* event) override;

private:
    mutable std::mutex mutex_;
    std::condition_variable done_;
    bool closed_ = false;
};
