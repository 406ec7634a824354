#include "ui/MainWindow.h"

#include "base/MainWindowLink.h"
#include "skin/gui/SkinImages.h"
#include "ui/ApplyRunner.h"

#include <QFileInfo>
#include <QLabel>
#include <QTimer>

namespace {

constexpr int ProgressFrames = 10;
constexpr int ProgressPeriodMs = 50;

} // namespace

void CVarkelinDlg::OnApply()
{
    RunApply();
}

int32_t CVarkelinDlg::RunApply()
{
    // The Apply waits before it shows the busy picture and then writes to the
    // keyboard for as long as that takes; on a thread of its own the window
    // keeps painting and the picture moves. User input waits until it ends.
    if (!MayWriteOverOutsideChange())
        return 0;
    applyRunner_->Start(MainWindow());
    applyRunner_->Wait();
    return applyRunner_->LastResult();
}

void CVarkelinDlg::WaitForApply()
{
    applyRunner_->Wait();
}

bool CVarkelinDlg::IsApplying() const
{
    return applyRunner_->IsRunning();
}

void CVarkelinDlg::OnApplyFinished()
{
    if (keyboardResetPending_) {
        keyboardResetPending_ = false;
        ResetKeyboardProfiles();
    }
    ResumeAutoProfile();
    FollowOutsideChanges();
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
