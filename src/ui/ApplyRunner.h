#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

class MainWindowLink;

// Runs the window's Apply on a worker thread, so the window keeps painting
// (the busy picture moves) while the keyboard is written. The worker reaches
// the window only through a link that carries each call to this object's
// thread; the rest of the program keeps its own view of the window.
// User-interface thread only, apart from the worker itself.
class ApplyRunner : public QObject {
    Q_OBJECT
public:
    explicit ApplyRunner(QObject* parent = nullptr);
    // Waits for a running Apply: the worker must not outlive the window.
    ~ApplyRunner() override;

    // Starts an Apply that reports to window (which must outlive it); one
    // already running is waited for first. Without a thread to be had the
    // Apply runs here and has finished on return.
    void Start(MainWindowLink& window);
    bool IsRunning() const { return run_ != nullptr; }
    // Returns once the running Apply has finished (at once when none runs),
    // handling every event but user input meanwhile.
    void Wait();
    // The result of the last Apply that finished: 1 done, 0 otherwise.
    int32_t LastResult() const { return lastResult_; }

signals:
    // The Apply has ended and IsRunning() is false again.
    void finished(int32_t result);

private:
    struct Run;
    void Finish();

    std::unique_ptr<Run> run_;
    int32_t lastResult_ = 1;
};
