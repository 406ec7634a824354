#include "ui/MainWindow.h"
#include "ui/MainWindowLighting.h"

#include "lighting/LightingState.h"

#include <QTimer>

// The effect preview on the keyboard picture: timer 1052 ticks only while the
// lighting view is on and the window is on screen, so a window in the
// notification area wakes nobody.

namespace {

// The first tick after 100 ms, then one every 50 ms.
constexpr int PreviewFirstMs = 100;

} // namespace

bool CVarkelinDlg::IsPreviewRunning() const
{
    return previewTimer_ && previewTimer_->isActive();
}

void CVarkelinDlg::UpdatePreviewTimer()
{
    if (!previewTimer_)
        return;
    const bool wanted = g_lighting.lightingView && isVisible() && !isMinimized() && !exiting_;
    if (wanted == previewTimer_->isActive())
        return;
    if (wanted) {
        previewTimer_->setInterval(PreviewFirstMs);
        previewTimer_->start();
    } else {
        previewTimer_->stop();
    }
}

void CVarkelinDlg::OnPreviewTick()
{
    if (!g_lighting.lightingView)
        return;
}
