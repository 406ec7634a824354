#include "ui/MainWindow.h"

#include "base/MainWindowLink.h"
#include "actions/ApplyChanges.h"
#include "skin/gui/SkinImages.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <system_error>
#include <thread>

namespace {

constexpr int ProgressFrames = 10;
constexpr int ProgressPeriodMs = 50;
// Wakes the wait for the Apply even when no event arrives, so the end of the
// worker is never missed.
constexpr int ApplyPollMs = 20;

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

struct ApplyRun {
    std::thread worker;
    std::atomic<bool> done{false};
    int32_t result = 0;
    MainWindowLink* windowLink = nullptr; // the link the worker's one stands in for
    std::unique_ptr<ApplyThreadLink> threadLink;
};

void CVarkelinDlg::OnApply()
{
    RunApply();
}

int32_t CVarkelinDlg::RunApply()
{
    WaitForApply();
    auto run = std::make_shared<ApplyRun>();
    run->windowLink = &MainWindow();
    run->threadLink = std::make_unique<ApplyThreadLink>(*run->windowLink, this);
    SetMainWindowLink(run->threadLink.get());
    applyRun_ = run;
    // The Apply waits before it shows the busy picture and then writes to the
    // keyboard for as long as that takes; on a thread of its own the window
    // keeps painting and the picture moves. User input waits until it ends.
    ApplyRun* raw = run.get();
    try {
        run->worker = std::thread([this, raw] {
            raw->result = ApplyChanges();
            raw->done = true;
            QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the Apply runs here and the window waits.
        SetMainWindowLink(run->windowLink);
        run->result = ApplyChanges();
        run->done = true;
    }
    WaitForApply();
    return lastApplyResult_;
}

void CVarkelinDlg::WaitForApply()
{
    if (!applyRun_)
        return;
    const std::shared_ptr<ApplyRun> run = applyRun_;
    if (!run->done.load()) {
        QTimer wake;
        wake.start(ApplyPollMs);
        while (!run->done.load())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
    if (applyRun_ != run)
        return; // a wait nested in the loop above has already finished it
    if (run->worker.joinable())
        run->worker.join();
    SetMainWindowLink(run->windowLink);
    lastApplyResult_ = run->result;
    applyRun_.reset();
    if (keyboardResetPending_) {
        keyboardResetPending_ = false;
        ResetKeyboardProfiles();
    }
    ResumeAutoProfile();
}

void CVarkelinDlg::ShowBusyPicture(bool shown)
{
    QWidget* picture = Control(MainControl::Progress);
    if (!picture || !progressTimer_)
        return;
    if (!shown) {
        progressTimer_->stop();
        picture->hide();
        return;
    }
    progressFrame_ = ProgressFrames - 1;
    StepProgress();
    picture->show();
    picture->raise();
    progressTimer_->start(ProgressPeriodMs);
}

void CVarkelinDlg::StepProgress()
{
    progressFrame_ = (progressFrame_ + 1) % ProgressFrames;
    auto* picture = qobject_cast<QLabel*>(Control(MainControl::Progress));
    if (!picture)
        return;
    // The frames are not among the pictures the window cannot live without:
    // a missing one leaves the previous frame in place.
    const QString name = QStringLiteral("jdt%1.bmp").arg(progressFrame_ + 1);
    if (QFileInfo::exists(ResolveSkinPath(Images().FullPath(name))))
        picture->setPixmap(Images().Pixmap(name));
}
