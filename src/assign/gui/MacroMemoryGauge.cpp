#include "assign/gui/MacroMemoryGauge.h"

#include "text/LanguageTexts.h"
#include "skin/gui/SkinImages.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <initializer_list>

namespace {

// The names after the solid part are drawn this much lighter.
constexpr qreal NamesOpacity = 0.4;

// The bars of a skin that has no pictures for them.
const QColor PlainTrack(16, 17, 19);
const QColor PlainFits(60, 190, 110);
const QColor PlainNamesDropped(255, 176, 0);
const QColor PlainTooLarge(235, 64, 52);

QPixmap OptionalPicture(SkinImageCache& images, const char* name)
{
    const QString file = QString::fromLatin1(name);
    if (!QFileInfo::exists(ResolveSkinPath(images.FullPath(file))))
        return QPixmap();
    return images.Pixmap(file);
}

QString Number(uint32_t bytes, int languageIndex)
{
    // Written as the Apply's question writes it.
    return QString::fromStdString(GroupedNumber(static_cast<long long>(bytes), languageIndex));
}

// "%1" to "%9" take the numbers by their own digit, whatever their order in
// the text; anything else in a language file's text stays as it is.
QString FillNumbers(const QString& format, std::initializer_list<QString> values)
{
    const std::vector<QString> args(values);
    QString out;
    out.reserve(format.size() + 16);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('%') && i + 1 < format.size()) {
            const int digit = format[i + 1].digitValue();
            if (digit >= 1 && static_cast<size_t>(digit) <= args.size()) {
                out += args[static_cast<size_t>(digit - 1)];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QString Text(const char* key, int languageIndex)
{
    return QString::fromStdString(LoadText(key, languageIndex));
}

// %1 the image with names, %2 the capacity, %3 the image without names.
QString Fill(const char* key, const MacroMemoryUse& use, int languageIndex)
{
    return FillNumbers(Text(key, languageIndex), {Number(use.sizes.withNames, languageIndex),
                                                  Number(use.capacity, languageIndex),
                                                  Number(use.sizes.withoutNames, languageIndex)});
}

} // namespace

MacroMemoryGauge::MacroMemoryGauge(SkinImageCache& images, QWidget* parent)
    : QWidget(parent),
      track_(OptionalPicture(images, TrackPicture)),
      fits_(OptionalPicture(images, FitsPicture)),
      namesDropped_(OptionalPicture(images, NamesDroppedPicture)),
      tooLarge_(OptionalPicture(images, TooLargePicture))
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void MacroMemoryGauge::SetUse(const MacroMemoryUse& use)
{
    const bool same = use.sizes.withNames == use_.sizes.withNames &&
                      use.sizes.withoutNames == use_.sizes.withoutNames && use.capacity == use_.capacity &&
                      use.fit == use_.fit;
    use_ = use;
    if (!same)
        update();
}

int MacroMemoryGauge::WidthOf(uint32_t bytes) const
{
    if (use_.capacity == 0 || bytes == 0)
        return 0;
    const uint64_t shown = std::min(bytes, use_.capacity);
    // Never thinner than its rounded end, so a few bytes still show.
    const int w = static_cast<int>((shown * static_cast<uint64_t>(width()) + use_.capacity / 2) / use_.capacity);
    return std::clamp(w, std::min(height(), width()), width());
}

int MacroMemoryGauge::SolidWidth() const
{
    return use_.fit == MacroFit::TooLarge && use_.capacity != 0 ? width() : WidthOf(use_.sizes.withoutNames);
}

int MacroMemoryGauge::NamesWidth() const
{
    // Names that do not fit reach past the end of the memory: the whole bar.
    return use_.fit == MacroFit::WithNames ? WidthOf(use_.sizes.withNames) : (use_.capacity != 0 ? width() : 0);
}

const QPixmap& MacroMemoryGauge::FillPicture() const
{
    switch (use_.fit) {
    case MacroFit::WithNames: return fits_;
    case MacroFit::WithoutNames: return namesDropped_;
    case MacroFit::TooLarge: break;
    }
    return tooLarge_;
}

void MacroMemoryGauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF all(rect());
    const qreal radius = all.height() / 2;
    if (!track_.isNull()) {
        p.drawPixmap(rect(), track_);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(PlainTrack);
        p.drawRoundedRect(all, radius, radius);
    }
    const QColor plain = use_.fit == MacroFit::WithNames      ? PlainFits
                         : use_.fit == MacroFit::WithoutNames ? PlainNamesDropped
                                                              : PlainTooLarge;
    // The fill picture is as long as the bar; each part shows as much of it
    // as its bytes take, with a rounded end.
    auto fill = [&](int w, qreal opacity) {
        if (w <= 0)
            return;
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0, 0, w, all.height()), radius, radius);
        p.save();
        p.setOpacity(opacity);
        p.setClipPath(shape);
        if (!FillPicture().isNull()) {
            p.drawPixmap(rect(), FillPicture());
        } else {
            p.setPen(Qt::NoPen);
            p.setBrush(plain);
            p.drawRect(all);
        }
        p.restore();
    };
    fill(NamesWidth(), NamesOpacity);
    fill(SolidWidth(), 1.0);
}

QString MacroMemoryGauge::Caption(const MacroMemoryUse& use, int languageIndex)
{
    if (use.capacity == 0)
        return Fill("MACRO_MEMORY_UNKNOWN", use, languageIndex);
    switch (use.fit) {
    case MacroFit::WithNames: return Fill("MACRO_MEMORY_FITS", use, languageIndex);
    case MacroFit::WithoutNames: return Fill("MACRO_MEMORY_NO_NAMES", use, languageIndex);
    case MacroFit::TooLarge: break;
    }
    return Fill("MACRO_MEMORY_TOO_LARGE", use, languageIndex);
}

QColor MacroMemoryGauge::CaptionColour(const MacroMemoryUse& use)
{
    if (use.capacity == 0 || use.fit == MacroFit::WithNames)
        return QColor(228, 228, 228);
    return use.fit == MacroFit::WithoutNames ? QColor(255, 190, 70) : QColor(255, 112, 96);
}

QString MacroMemoryGauge::Tooltip(const MacroMemoryUse& use, int languageIndex)
{
    const QString sizes = Fill("MACRO_MEMORY_TIP_SIZES", use, languageIndex);
    if (use.capacity == 0)
        return sizes;
    const char* state = use.fit == MacroFit::WithNames      ? "MACRO_MEMORY_TIP_FITS"
                        : use.fit == MacroFit::WithoutNames ? "MACRO_MEMORY_TIP_NO_NAMES"
                                                            : "MACRO_MEMORY_TIP_TOO_LARGE";
    return sizes + QLatin1Char('\n') + Fill("MACRO_MEMORY_TIP_CAPACITY", use, languageIndex) + QLatin1Char('\n') +
           Text(state, languageIndex);
}

QString MacroMemoryGauge::TooLargeQuestion(const MacroMemoryUse& use, int languageIndex)
{
    return Fill("MACRO_MEMORY_FULL_CONFIRM", use, languageIndex);
}
