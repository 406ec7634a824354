#include "ui/ApplyRunner.h"

#include "actions/ApplyChanges.h"
#include "base/MainWindowLink.h"

#include <QEventLoop>
#include <QThread>

#include <system_error>
#include <thread>

namespace {

// The window's link as the Apply's worker thread sees it: every call is
// carried to the window's thread and waits there, because widgets may only
// be touched on their own thread. On the window's thread it calls through.
class ApplyThreadLink final : public MainWindowLink {
public:
    ApplyThreadLink(MainWindowLink& window, QObject* context) : window_(window), context_(context) {}

    bool IsApplyEnabled() override { return Call([this] { return window_.IsApplyEnabled(); }); }
    void SetApplyEnabled(bool enabled) override
    {
        Call([this, enabled] { return (window_.SetApplyEnabled(enabled), true); });
    }
    void SetKeyButtonLook(uint16_t controlId, ButtonLook look, bool redrawNow) override
    {
        Call([=, this] { return (window_.SetKeyButtonLook(controlId, look, redrawNow), true); });
    }
    void SetKeyButtonPrompt(uint16_t controlId, const std::string& prompt) override
    {
        Call([&, this] { return (window_.SetKeyButtonPrompt(controlId, prompt), true); });
    }
    void KeyButtonsRefreshed() override { Call([this] { return (window_.KeyButtonsRefreshed(), true); }); }
    bool IsKeyEditorOpen() override { return Call([this] { return window_.IsKeyEditorOpen(); }); }
    bool IsProfileDialogOpen() override { return Call([this] { return window_.IsProfileDialogOpen(); }); }
    bool ProfileDialogHasChanges() override { return Call([this] { return window_.ProfileDialogHasChanges(); }); }
    void ShowActiveProfileInDialog(int profile) override
    {
        Call([this, profile] { return (window_.ShowActiveProfileInDialog(profile), true); });
    }
    void SetProfileButton(const std::string& caption, const std::string& tooltip) override
    {
        Call([&, this] { return (window_.SetProfileButton(caption, tooltip), true); });
    }

private:
    template <typename F>
    bool Call(F work)
    {
        if (QThread::currentThread() == context_->thread())
            return work();
        bool result = false;
        QMetaObject::invokeMethod(context_, [&] { result = work(); }, Qt::BlockingQueuedConnection);
        return result;
    }

    MainWindowLink& window_;
    QObject* context_;
};

} // namespace

struct ApplyRunner::Run {
    Run(MainWindowLink& window, QObject* context) : link(window, context) {}

    ApplyThreadLink link;
    std::thread worker;
    int32_t result = 0; // written by the worker before it posts the end
};

ApplyRunner::ApplyRunner(QObject* parent) : QObject(parent) {}

ApplyRunner::~ApplyRunner()
{
    // The worker's calls to the window are blocking; answer them until it ends.
    Wait();
}

void ApplyRunner::Start(MainWindowLink& window)
{
    Wait();
    run_ = std::make_unique<Run>(window, this);
    Run* run = run_.get();
    try {
        run->worker = std::thread([this, run] {
            run->result = ApplyChanges(run->link);
            QMetaObject::invokeMethod(this, &ApplyRunner::Finish, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the Apply runs here and the window waits.
        run->result = ApplyChanges(window);
        Finish();
    }
}

void ApplyRunner::Wait()
{
    if (!run_)
        return;
    QEventLoop loop;
    connect(this, &ApplyRunner::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void ApplyRunner::Finish()
{
    if (!run_)
        return;
    if (run_->worker.joinable())
        run_->worker.join();
    lastResult_ = run_->result;
    run_.reset();
    emit finished(lastResult_);
}
