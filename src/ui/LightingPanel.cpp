#include "ui/LightingPanel.h"

#include "lighting/EffectTable.h"
#include "lighting/LightingState.h"
#include "skin/gui/BaseDialog.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinImages.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

namespace {

// The first tick after 100 ms, then one every 50 ms.
constexpr int PreviewFirstMs = 100;
constexpr int PreviewPeriodMs = 50;

// Every picture the panel shows besides the slider tracks and swatches.
constexpr const char* PictureFiles[] = {
    "dengup.bmp", "dengdown.bmp", "leftup.bmp", "leftdown.bmp", "rightup.bmp", "rightdown.bmp",
    "upup.bmp", "updown.bmp", "downup.bmp", "downdown.bmp", "kuosan.bmp", "kuosandown.bmp",
    "julong.bmp", "julongdown.bmp", "hong.bmp", "hongok.bmp", "huang.bmp", "huangok.bmp",
    "lv.bmp", "lvok.bmp", "lan.bmp", "lanok.bmp", "sjsup.bmp", "sjsdown.bmp",
    "user1up.bmp", "user1down.bmp", "user2up.bmp", "user2down.bmp",
};

} // namespace

LightingPanel::LightingPanel(Window window) : QObject(window.dialog), window_(std::move(window))
{
    // Timer 1052 of the window.
    previewTimer_ = new QTimer(this);
    previewTimer_->setInterval(PreviewFirstMs);
    connect(previewTimer_, &QTimer::timeout, this, [this] {
        previewTimer_->setInterval(PreviewPeriodMs);
        PreviewTick();
    });
}

void LightingPanel::LoadPictures(SkinImageCache& images)
{
    // These pictures are not among those the window cannot live without: a
    // missing one leaves its control empty.
    auto load = [this, &images](const QString& name) {
        if (QFileInfo::exists(ResolveSkinPath(images.FullPath(name))))
            pictures_.emplace_back(name, images.Pixmap(name));
    };
    for (const char* name : PictureFiles)
        load(QString::fromLatin1(name));
    for (int n = 0; n <= 25; ++n)
        load(QStringLiteral("%1.bmp").arg(n));
    for (int n = 1; n <= 8; ++n)
        load(QStringLiteral("Color%1.bmp").arg(n));
}

QPixmap LightingPanel::Picture(const QString& name) const
{
    for (const auto& [file, picture] : pictures_) {
        if (file == name)
            return picture;
    }
    return QPixmap();
}

QWidget* LightingPanel::Control(int id) const
{
    return window_.dialog->Control(id);
}

CPngButton* LightingPanel::Button(int id) const
{
    return window_.dialog->Button(id);
}

void LightingPanel::UpdatePreviewTimer()
{
    const bool wanted = g_lighting.lightingView && window_.isOnScreen();
    if (wanted == previewTimer_->isActive())
        return;
    if (wanted) {
        previewTimer_->setInterval(PreviewFirstMs);
        previewTimer_->start();
    } else {
        previewTimer_->stop();
    }
}

bool LightingPanel::IsPreviewRunning() const
{
    return previewTimer_->isActive();
}

void LightingPanel::StopPreview()
{
    previewTimer_->stop();
}

void LightingPanel::PreviewTick()
{
    if (!g_lighting.lightingView)
        return;
    PreviewInputs inputs;
    const EffectInfo* effect = FindEffect(g_lighting.effectCode);
    inputs.step = effect ? static_cast<uint32_t>(effect->previewStep) : 0;
    inputs.direction = static_cast<uint32_t>(g_lighting.direction);
    inputs.multicolour = g_lighting.multicolour;
    inputs.effectColour = g_lighting.effectColour;
    inputs.restart = g_lighting.previewReset == 0;
    inputs.randomSeed = static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch());
    const PreviewFrame frame = PreviewStep(preview_, inputs);
    g_lighting.previewReset = 1;

    switch (frame.paint) {
    case PreviewPaint::Keep:
        return;
    case PreviewPaint::ClearOverlays:
        if (shownFrame_.paint != PreviewPaint::ClearOverlays)
            ClearKeyOverlays();
        shownFrame_.paint = PreviewPaint::ClearOverlays;
        return;
    case PreviewPaint::KeyColours: {
        // Only the buttons whose colour changed repaint, each by itself.
        const std::bitset<PreviewKeyCount> changed = ChangedPreviewKeys(shownFrame_, frame);
        for (size_t k = 0; k < PreviewKeyCount; ++k) {
            if (!changed.test(k))
                continue;
            const uint32_t c = frame.colours[k];
            const QColor colour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
            CPngButton* key = previewKeys_[k];
            if (key && !(key->IsFrameOn() && key->FrameColour() == colour))
                key->SetFrameColour(colour, true);
        }
        shownFrame_ = frame;
        return;
    }
    }
}
