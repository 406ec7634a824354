#pragma once

#include "macro/MacroMemoryUse.h"

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class SkinImageCache;

// The macro tab's memory gauge: a thin bar of skin pictures over the
// keyboard's macro memory. The image without names is drawn solid and the
// names lighter after it, in the picture of the fit: the macros fit with
// their names, only without them, or not at all. Its texts (the caption
// beside it, the tooltip, the question before an apply) are made here too,
// so every place says the same numbers.
class MacroMemoryGauge : public QWidget {
    Q_OBJECT
public:
    // The bar's pictures; a skin without them gets plain bars.
    static constexpr const char* TrackPicture = "macro_memory_track.png";
    static constexpr const char* FitsPicture = "macro_memory_fits.png";
    static constexpr const char* NamesDroppedPicture = "macro_memory_names.png";
    static constexpr const char* TooLargePicture = "macro_memory_full.png";

    MacroMemoryGauge(SkinImageCache& images, QWidget* parent = nullptr);

    void SetUse(const MacroMemoryUse& use);
    const MacroMemoryUse& Use() const { return use_; }
    // Where the solid part and the lighter names part end, in pixels from
    // the left edge.
    int SolidWidth() const;
    int NamesWidth() const;

    // The caption beside the bar, its colour and the tooltip of both.
    static QString Caption(const MacroMemoryUse& use, int languageIndex);
    static QColor CaptionColour(const MacroMemoryUse& use);
    static QString Tooltip(const MacroMemoryUse& use, int languageIndex);
    // The question before an apply of macros that do not fit at all.
    static QString TooLargeQuestion(const MacroMemoryUse& use, int languageIndex);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int WidthOf(uint32_t bytes) const;
    const QPixmap& FillPicture() const;

    MacroMemoryUse use_;
    QPixmap track_, fits_, namesDropped_, tooLarge_;
};
