#include "ui/MainWindow.h"
#include "ui/MainWindowLighting.h"

#include "lighting/EffectTable.h"
#include "lighting/LightingState.h"
#include "skin/gui/PngButton.h"

#include <QDateTime>

#include <QTimer>

// The effect preview on the keyboard picture: timer 1052 ticks only while the
// lighting view is on and the window is on screen, so a window in the
// notification area wakes nobody.

namespace {

// The first tick after 100 ms, then one every 50 ms.
constexpr int PreviewFirstMs = 100;
constexpr int PreviewPeriodMs = 50;

} // namespace

void CVarkelinDlg::CreatePreviewTimer()
{
    previewTimer_ = new QTimer(this);
    previewTimer_->setInterval(PreviewFirstMs);
    connect(previewTimer_, &QTimer::timeout, this, [this] {
        previewTimer_->setInterval(PreviewPeriodMs);
        OnPreviewTick();
    });
}

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
    if (!g_lighting.lightingView || !lighting_)
        return;
    ++lighting_->previewTicks;
    PreviewInputs inputs;
    const EffectInfo* effect = FindEffect(g_lighting.effectCode);
    inputs.step = effect ? static_cast<uint32_t>(effect->previewStep) : 0;
    inputs.direction = static_cast<uint32_t>(g_lighting.direction);
    inputs.multicolour = g_lighting.multicolour;
    inputs.effectColour = g_lighting.effectColour;
    inputs.restart = g_lighting.previewReset == 0;
    inputs.randomSeed = static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch());
    const PreviewFrame frame = PreviewStep(lighting_->preview, inputs);
    g_lighting.previewReset = 1;

    switch (frame.paint) {
    case PreviewPaint::Keep:
        return;
    case PreviewPaint::ClearOverlays:
        if (lighting_->shownFrame.paint != PreviewPaint::ClearOverlays)
            ClearKeyOverlays();
        lighting_->shownFrame.paint = PreviewPaint::ClearOverlays;
        return;
    case PreviewPaint::KeyColours: {
        // Only the buttons whose colour changed repaint, each by itself.
        const std::bitset<PreviewKeyCount> changed = ChangedPreviewKeys(lighting_->shownFrame, frame);
        for (size_t k = 0; k < PreviewKeyCount; ++k) {
            if (!changed.test(k))
                continue;
            const uint32_t c = frame.colours[k];
            const QColor colour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            CPngButton* key = lighting_->previewKeys[k];
            if (key && !(key->IsFrameOn() && key->FrameColour() == colour))
                key->SetFrameColour(colour, true);
        }
        lighting_->shownFrame = frame;
        return;
    }
    }
}
