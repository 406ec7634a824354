#include "Faces.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainterPath>

#include <cmath>

QFont GenFont(double pixelSize, int weight)
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name : {"Noto Sans", "DejaVu Sans"})
            if (families.contains(QLatin1String(name)))
                return QString::fromLatin1(name);
        return QString();
    }();
    QFont font(family);
    font.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

void FillRounded(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill, const QColor& border,
                 qreal borderWidth)
{
    p.save();
    if (border.isValid() && border.alpha() > 0) {
        p.setPen(QPen(border, borderWidth));
        const qreal inset = borderWidth / 2;
        p.setBrush(fill);
        p.drawRoundedRect(r.adjusted(inset, inset, -inset, -inset), radius, radius);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(r, radius, radius);
    }
    p.restore();
}

void DrawWell(QPainter& p, const QRectF& r, qreal radius)
{
    FillRounded(p, r, radius, Palette::Well, QColor(14, 15, 17));
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 14), 1));
    p.drawLine(QPointF(r.left() + radius, r.bottom() - 0.5), QPointF(r.right() - radius, r.bottom() - 0.5));
    p.restore();
}

void DrawFittedText(QPainter& p, const QRectF& box, const QString& text, double pixelSize, int weight,
                    const QColor& colour, int flags)
{
    if (text.isEmpty())
        return;
    double size = pixelSize;
    QFont font = GenFont(size, weight);
    while (size > 7 && QFontMetricsF(font).horizontalAdvance(text) > box.width()) {
        size -= 0.5;
        font = GenFont(size, weight);
    }
    p.save();
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, flags, text);
    p.restore();
}

namespace {

QColor GlyphColour(FaceState s)
{
    switch (s) {
    case FaceState::Over: return Palette::Orange;
    case FaceState::Down: return Palette::OrangeDown;
    case FaceState::Disabled: return QColor(96, 100, 106);
    default: return Palette::Text;
    }
}

void Pen(QPainter& p, const QColor& c, qreal w)
{
    QPen pen(c, w);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

// ---- key caps -------------------------------------------------------------

void DrawCap(QPainter& p, const SkinControl& c, FaceState s)
{
    const QRectF r = QRectF(c.rect);
    const bool light = s == FaceState::Colour0 || s == FaceState::Colour1;
    QColor base, skirtTop, skirtBottom, faceTop, faceBottom, faceBorder, legend;
    QRectF face = r.adjusted(3, 2, -3, -6);
    switch (s) {
    case FaceState::Over:
        base = QColor(16, 17, 19);
        skirtTop = QColor(50, 54, 60); skirtBottom = QColor(34, 37, 42);
        faceTop = QColor(68, 73, 81); faceBottom = QColor(55, 59, 66);
        faceBorder = QColor(98, 104, 112);
        legend = Palette::Orange;
        break;
    case FaceState::Down:
        base = QColor(10, 11, 12);
        skirtTop = QColor(30, 32, 36); skirtBottom = QColor(24, 26, 29);
        faceTop = QColor(34, 37, 41); faceBottom = QColor(41, 44, 49);
        faceBorder = QColor(52, 56, 62);
        legend = Palette::OrangeDown;
        face = r.adjusted(3, 4, -3, -3);
        break;
    case FaceState::Disabled:
        base = QColor(19, 20, 23);
        skirtTop = QColor(30, 32, 36); skirtBottom = QColor(26, 28, 31);
        faceTop = QColor(35, 38, 42); faceBottom = QColor(33, 36, 40);
        faceBorder = QColor(40, 43, 48);
        legend = QColor(84, 89, 96);
        break;
    case FaceState::Colour0:
    case FaceState::Colour1:
        base = QColor(120, 126, 133);
        skirtTop = QColor(196, 201, 206); skirtBottom = QColor(164, 170, 176);
        faceTop = s == FaceState::Colour1 ? QColor(255, 255, 255) : QColor(236, 239, 241);
        faceBottom = s == FaceState::Colour1 ? QColor(244, 246, 248) : QColor(218, 222, 226);
        faceBorder = QColor(250, 251, 252);
        legend = QColor(40, 43, 48);
        break;
    default:
        base = QColor(14, 15, 17);
        skirtTop = QColor(44, 48, 54); skirtBottom = QColor(29, 32, 36);
        faceTop = QColor(60, 65, 72); faceBottom = QColor(48, 52, 58);
        faceBorder = QColor(82, 88, 96);
        legend = Palette::Text;
        break;
    }
    FillRounded(p, r, 5, base, QColor());
    FillRounded(p, r.adjusted(1, 1, -1, -1), 4.5, Vertical(r, skirtTop, skirtBottom), QColor());
    FillRounded(p, face, 4, Vertical(face, faceTop, faceBottom), faceBorder);
    if (s == FaceState::Over) {
        FillRounded(p, r, 5, Qt::NoBrush, Palette::Orange, 1.5);
        FillRounded(p, r.adjusted(2, 2, -2, -2), 4, Qt::NoBrush, QColor(255, 130, 0, 70), 2);
    } else if (s == FaceState::Down) {
        p.save();
        p.setPen(QPen(QColor(0, 0, 0, 120), 2));
        p.drawLine(QPointF(face.left() + 3, face.top() + 1), QPointF(face.right() - 3, face.top() + 1));
        p.setPen(QPen(QColor(255, 155, 4, 220), 2));
        p.drawLine(QPointF(r.left() + 5, r.bottom() - 1.5), QPointF(r.right() - 5, r.bottom() - 1.5));
        p.restore();
    } else if (s == FaceState::Colour1) {
        FillRounded(p, r, 5, Qt::NoBrush, Palette::Orange, 2);
    }
    Q_UNUSED(light);

    // Legends.
    const QRectF text = face.adjusted(2, 1, -2, -1);
    const QString& main = c.legend;
    const bool symbol = main.size() <= 2;
    const bool small = face.height() < 24;
    if (!c.subLegend.isEmpty()) {
        QColor sub = legend;
        sub.setAlpha(s == FaceState::Disabled ? 150 : 170);
        const qreal half = text.height() / 2;
        DrawFittedText(p, QRectF(text.left(), text.top(), text.width(), half + 1), c.subLegend, 10.5,
                       QFont::Normal, sub, Qt::AlignHCenter | Qt::AlignBottom);
        DrawFittedText(p, QRectF(text.left(), text.top() + half - 1, text.width(), half), main, 12,
                       QFont::DemiBold, legend, Qt::AlignHCenter | Qt::AlignTop);
        return;
    }
    const double size = small ? 10 : (symbol ? 14 : 10.5);
    DrawFittedText(p, text, main, size, symbol ? QFont::DemiBold : QFont::Medium, legend);
}

// ---- plates ------------------------------------------------------------

void DrawPlate(QPainter& p, const QRectF& r, FaceState s, bool accent, qreal radius = 6, bool tab = false)
{
    QPainterPath shape;
    if (tab) {
        // Rounded at the top only, open towards the panel below.
        const QRectF t = r.adjusted(0.5, 0.5, -0.5, 0);
        shape.moveTo(t.left(), t.bottom());
        shape.lineTo(t.left(), t.top() + radius);
        shape.quadTo(t.left(), t.top(), t.left() + radius, t.top());
        shape.lineTo(t.right() - radius, t.top());
        shape.quadTo(t.right(), t.top(), t.right(), t.top() + radius);
        shape.lineTo(t.right(), t.bottom());
    } else {
        shape.addRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    QBrush fill;
    QColor border;
    switch (s) {
    case FaceState::Over:
        fill = Vertical(r, QColor(70, 75, 83), QColor(54, 58, 65));
        border = Palette::Orange;
        break;
    case FaceState::Down:
        fill = tab ? QBrush(QColor(48, 52, 58))
                   : QBrush(Vertical(r, QColor(28, 30, 34), QColor(37, 40, 45)));
        border = Palette::OrangeDown;
        break;
    case FaceState::Disabled:
        fill = QColor(38, 41, 45);
        border = QColor(48, 51, 56);
        break;
    default:
        fill = accent ? Vertical(r, QColor(78, 58, 38), QColor(58, 43, 30))
                      : Vertical(r, QColor(60, 65, 72), QColor(45, 49, 55));
        border = accent ? QColor(200, 108, 20) : QColor(80, 86, 94);
        break;
    }
    p.save();
    p.setBrush(fill);
    p.setPen(QPen(border, s == FaceState::Over ? 1.5 : 1.0));
    p.drawPath(shape);
    if (tab && s != FaceState::Down) {
        // The panel's edge runs under every tab but the chosen one.
        p.setPen(QPen(QColor(60, 65, 72), 1));
        p.drawLine(QPointF(r.left(), r.bottom() - 0.5), QPointF(r.right(), r.bottom() - 0.5));
    }
    if (s == FaceState::Over) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 130, 0, 60), 2));
        p.drawRoundedRect(r.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2, radius - 2);
    }
    if (s == FaceState::Normal || s == FaceState::Over || s == FaceState::Colour0 || s == FaceState::Colour1) {
        p.setPen(QPen(QColor(255, 255, 255, 30), 1));
        p.drawLine(QPointF(r.left() + radius, r.top() + 1.5), QPointF(r.right() - radius, r.top() + 1.5));
    }
    if (s == FaceState::Down) {
        p.setPen(QPen(QColor(0, 0, 0, 110), 2));
        p.drawLine(QPointF(r.left() + radius, r.top() + 2), QPointF(r.right() - radius, r.top() + 2));
        // The orange bar reads as "selected" on profile and report buttons.
        p.setPen(QPen(Palette::OrangeDown, 2.5, Qt::SolidLine, Qt::RoundCap));
        const qreal y = tab ? r.top() + 1.5 : r.bottom() - 3;
        p.drawLine(QPointF(r.left() + radius + 2, y), QPointF(r.right() - radius - 2, y));
    }
    p.restore();
}

void DrawSlant(QPainter& p, const SkinControl& c, FaceState s)
{
    const QRectF r = QRectF(c.rect);
    DrawPlate(p, r, s, false, 8);
    // A ribbon along the caption's 26.8 degree rise.
    p.save();
    p.setClipRect(r.adjusted(1.5, 1.5, -1.5, -1.5));
    p.translate(r.center());
    p.rotate(-26.8);
    const QRectF band(-r.width(), -13, 2 * r.width(), 26);
    QColor fill = s == FaceState::Disabled ? QColor(44, 47, 52) : QColor(30, 32, 36, 230);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRect(band);
    const QColor edge = s == FaceState::Disabled ? QColor(70, 74, 80)
                        : (s == FaceState::Normal ? QColor(255, 130, 0, 170) : GlyphColour(s));
    p.setPen(QPen(edge, 1.5));
    p.drawLine(QPointF(band.left(), band.top()), QPointF(band.right(), band.top()));
    p.drawLine(QPointF(band.left(), band.bottom()), QPointF(band.right(), band.bottom()));
    p.restore();
    // Stripes in the corners give the tab its slanted look.
    p.save();
    p.setClipRect(r.adjusted(2, 2, -2, -2));
    QColor stripe = s == FaceState::Disabled ? QColor(60, 63, 68) : QColor(255, 130, 0, 90);
    p.setPen(QPen(stripe, 3));
    for (int i = 0; i < 3; ++i) {
        const qreal x = r.left() + 10 + i * 9;
        p.drawLine(QPointF(x, r.bottom() - 4), QPointF(x + 14, r.bottom() - 32));
        const qreal x2 = r.right() - 34 + i * 9;
        p.drawLine(QPointF(x2, r.top() + 32), QPointF(x2 + 14, r.top() + 4));
    }
    p.restore();
}

void DrawLed(QPainter& p, const SkinControl& c)
{
    const QRectF r = QRectF(c.rect);
    FillRounded(p, r, 6, QColor(22, 24, 27), QColor(44, 48, 53));
    const QPointF dot(r.center().x(), r.top() + 9);
    QRadialGradient glow(dot, 7);
    glow.setColorAt(0, QColor(255, 150, 40, 150));
    glow.setColorAt(1, QColor(255, 130, 0, 0));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(dot, 7, 7);
    p.setBrush(QColor(255, 140, 20));
    p.setPen(QPen(QColor(255, 200, 140), 1));
    p.drawEllipse(dot, 3, 3);
    p.restore();
    DrawFittedText(p, QRectF(r.left() + 2, r.top() + 14, r.width() - 4, r.height() - 15), c.legend, 9,
                   QFont::DemiBold, Palette::TextDim);
}

void DrawTray(QPainter& p, const SkinControl& c)
{
    const QRectF r = QRectF(c.rect);
    FillRounded(p, r, 8, Vertical(r, QColor(18, 19, 22), QColor(24, 26, 29)), QColor(12, 13, 15));
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 16), 1));
    p.drawLine(QPointF(r.left() + 8, r.bottom() - 0.5), QPointF(r.right() - 8, r.bottom() - 0.5));
    p.restore();
}

void DrawTitle(QPainter& p, const SkinControl& c, PanelVariant v)
{
    // Only the name of the keyboard: words would stay English in every
    // language, so the window's texts say the rest.
    const QRectF r = QRectF(c.rect);
    const QRectF icon(r.left() + 2, r.top() + 3, 24, 24);
    FillRounded(p, icon, 6, Palette::Orange, QColor());
    DrawGlyph(p, v == PanelVariant::MacroOnly ? Glyph::Apply : Glyph::Keyboard, icon.adjusted(3, 3, -3, -3),
              QColor(30, 20, 10));
    p.save();
    p.setFont(GenFont(16, QFont::Bold));
    p.setPen(Palette::Text);
    const QRectF text(r.left() + 36, r.top(), r.width() - 36, r.height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("RT-604"));
    p.restore();
}

void DrawPanel(QPainter& p, const SkinControl& c, PanelVariant v)
{
    const QRectF r = QRectF(c.rect);
    FillRounded(p, r, 8, Vertical(r, QColor(48, 52, 58), QColor(34, 37, 42)), QColor(60, 65, 72));
    // Faint emblem of the tab in the lower right corner.
    const QRectF mark(r.right() - 150, r.bottom() - 130, 120, 110);
    QColor faint(255, 255, 255, 16);
    switch (v) {
    case PanelVariant::Key:
        DrawWell(p, QRectF(37, 203, 226, 46));
        DrawWell(p, QRectF(289, 207, 226, 38));
        DrawGlyph(p, Glyph::Keyboard, mark, faint);
        break;
    case PanelVariant::Macro:
    case PanelVariant::MacroOnly:
        DrawWell(p, QRectF(29, 191, 306, 150));
        break;
    case PanelVariant::Media: {
        DrawWell(p, QRectF(37, 169, 306, 38));
        // A note.
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(faint);
        p.drawEllipse(QPointF(mark.left() + 30, mark.bottom() - 18), 18, 14);
        p.drawEllipse(QPointF(mark.right() - 20, mark.bottom() - 32), 18, 14);
        p.setPen(QPen(faint, 7));
        p.drawLine(QPointF(mark.left() + 46, mark.bottom() - 18), QPointF(mark.left() + 46, mark.top() + 10));
        p.drawLine(QPointF(mark.right() - 4, mark.bottom() - 32), QPointF(mark.right() - 4, mark.top() - 4));
        p.setPen(QPen(faint, 12));
        p.drawLine(QPointF(mark.left() + 46, mark.top() + 14), QPointF(mark.right() - 4, mark.top()));
        p.restore();
        break;
    }
    case PanelVariant::Function: {
        DrawWell(p, QRectF(37, 169, 306, 38));
        const QRectF cap(mark.left() + 10, mark.top() + 10, 90, 90);
        FillRounded(p, cap, 14, Qt::NoBrush, faint, 5);
        DrawFittedText(p, cap, QStringLiteral("Fn"), 40, QFont::Bold, faint);
        break;
    }
    case PanelVariant::None:
        break;
    }
}

} // namespace

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& colour)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(box.width(), box.height());
    const QRectF b(box.center().x() - s / 2, box.center().y() - s / 2, s, s);
    const qreal w = std::max(1.5, s / 9);
    Pen(p, colour, w);
    auto at = [&](qreal fx, qreal fy) { return QPointF(b.left() + fx * s, b.top() + fy * s); };
    switch (glyph) {
    case Glyph::None:
        break;
    case Glyph::Menu:
        for (qreal y : {0.28, 0.5, 0.72})
            p.drawLine(at(0.22, y), at(0.78, y));
        break;
    case Glyph::Help:
        p.drawEllipse(QRectF(at(0.12, 0.12), at(0.88, 0.88)));
        p.setFont(GenFont(s * 0.5, QFont::Bold));
        p.drawText(b, Qt::AlignCenter, QStringLiteral("?"));
        break;
    case Glyph::Minimize:
        p.drawLine(at(0.26, 0.62), at(0.74, 0.62));
        break;
    case Glyph::Close:
    case Glyph::Cross:
        p.drawLine(at(0.3, 0.3), at(0.7, 0.7));
        p.drawLine(at(0.7, 0.3), at(0.3, 0.7));
        break;
    case Glyph::Globe:
        Pen(p, colour, w * 0.8);
        p.drawEllipse(QRectF(at(0.14, 0.14), at(0.86, 0.86)));
        p.drawEllipse(QRectF(at(0.34, 0.14), at(0.66, 0.86)));
        p.drawLine(at(0.14, 0.5), at(0.86, 0.5));
        p.drawLine(at(0.2, 0.32), at(0.8, 0.32));
        p.drawLine(at(0.2, 0.68), at(0.8, 0.68));
        break;
    case Glyph::Facebook:
        FillRounded(p, QRectF(at(0.12, 0.12), at(0.88, 0.88)), s * 0.16, Qt::NoBrush, colour, w * 0.8);
        p.setFont(GenFont(s * 0.62, QFont::Bold));
        p.setPen(colour);
        p.drawText(QRectF(at(0.2, 0.16), at(0.88, 0.94)), Qt::AlignCenter, QStringLiteral("f"));
        break;
    case Glyph::Twitter: {
        // A small bird.
        QPainterPath bird;
        bird.moveTo(at(0.14, 0.7));
        bird.cubicTo(at(0.36, 0.82), at(0.74, 0.76), at(0.78, 0.36));
        bird.lineTo(at(0.88, 0.26));
        bird.lineTo(at(0.76, 0.28));
        bird.cubicTo(at(0.66, 0.16), at(0.48, 0.24), at(0.5, 0.42));
        bird.cubicTo(at(0.36, 0.42), at(0.24, 0.34), at(0.18, 0.26));
        bird.cubicTo(at(0.14, 0.42), at(0.22, 0.52), at(0.3, 0.56));
        bird.cubicTo(at(0.24, 0.6), at(0.2, 0.64), at(0.14, 0.7));
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPath(bird);
        break;
    }
    case Glyph::Keyboard: {
        Pen(p, colour, w * 0.8);
        const QRectF body(at(0.06, 0.24), at(0.94, 0.78));
        p.drawRoundedRect(body, s * 0.08, s * 0.08);
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        const qreal k = s * 0.085;
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 6; ++col)
                p.drawRect(QRectF(b.left() + s * (0.16 + col * 0.12), b.top() + s * (0.33 + row * 0.13), k, k));
        p.drawRect(QRectF(at(0.28, 0.6), at(0.72, 0.68)));
        break;
    }
    case Glyph::Reset: {
        p.drawArc(QRectF(at(0.2, 0.2), at(0.8, 0.8)), 100 * 16, 290 * 16);
        QPainterPath head;
        head.moveTo(at(0.36, 0.1));
        head.lineTo(at(0.54, 0.21));
        head.lineTo(at(0.36, 0.34));
        p.drawPath(head);
        break;
    }
    case Glyph::Plus:
        p.drawLine(at(0.5, 0.24), at(0.5, 0.76));
        p.drawLine(at(0.24, 0.5), at(0.76, 0.5));
        break;
    case Glyph::Minus:
        p.drawLine(at(0.24, 0.5), at(0.76, 0.5));
        break;
    case Glyph::Folder: {
        QPainterPath f;
        f.moveTo(at(0.12, 0.78));
        f.lineTo(at(0.12, 0.24));
        f.lineTo(at(0.38, 0.24));
        f.lineTo(at(0.46, 0.34));
        f.lineTo(at(0.88, 0.34));
        f.lineTo(at(0.88, 0.78));
        f.closeSubpath();
        Pen(p, colour, w * 0.8);
        p.drawPath(f);
        p.drawLine(at(0.12, 0.46), at(0.88, 0.46));
        break;
    }
    case Glyph::NewFile: {
        QPainterPath f;
        f.moveTo(at(0.22, 0.1));
        f.lineTo(at(0.58, 0.1));
        f.lineTo(at(0.78, 0.3));
        f.lineTo(at(0.78, 0.9));
        f.lineTo(at(0.22, 0.9));
        f.closeSubpath();
        Pen(p, colour, w * 0.8);
        p.drawPath(f);
        p.drawLine(at(0.5, 0.42), at(0.5, 0.74));
        p.drawLine(at(0.34, 0.58), at(0.66, 0.58));
        break;
    }
    case Glyph::Trash:
        Pen(p, colour, w * 0.8);
        p.drawLine(at(0.18, 0.26), at(0.82, 0.26));
        p.drawLine(at(0.4, 0.26), at(0.42, 0.14));
        p.drawLine(at(0.42, 0.14), at(0.58, 0.14));
        p.drawLine(at(0.58, 0.14), at(0.6, 0.26));
        p.drawRoundedRect(QRectF(at(0.26, 0.3), at(0.74, 0.88)), s * 0.05, s * 0.05);
        p.drawLine(at(0.42, 0.42), at(0.42, 0.76));
        p.drawLine(at(0.58, 0.42), at(0.58, 0.76));
        break;
    case Glyph::Check:
        p.drawPolyline(QPolygonF({at(0.22, 0.52), at(0.42, 0.72), at(0.78, 0.3)}));
        break;
    case Glyph::Apply:
        Pen(p, colour, w * 0.8);
        p.drawEllipse(QRectF(at(0.12, 0.12), at(0.88, 0.88)));
        p.drawPolyline(QPolygonF({at(0.32, 0.52), at(0.45, 0.65), at(0.68, 0.38)}));
        break;
    case Glyph::Upload:
        p.drawLine(at(0.5, 0.7), at(0.5, 0.16));
        p.drawPolyline(QPolygonF({at(0.28, 0.38), at(0.5, 0.16), at(0.72, 0.38)}));
        p.drawLine(at(0.2, 0.86), at(0.8, 0.86));
        break;
    case Glyph::Save:
        p.drawLine(at(0.5, 0.14), at(0.5, 0.64));
        p.drawPolyline(QPolygonF({at(0.28, 0.42), at(0.5, 0.64), at(0.72, 0.42)}));
        p.drawPolyline(QPolygonF({at(0.16, 0.66), at(0.16, 0.86), at(0.84, 0.86), at(0.84, 0.66)}));
        break;
    case Glyph::Bars1:
    case Glyph::Bars2:
    case Glyph::Bars3:
    case Glyph::Bars4: {
        const int lit = static_cast<int>(glyph) - static_cast<int>(Glyph::Bars1) + 1;
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 4; ++i) {
            QColor c = colour;
            if (i >= lit)
                c.setAlpha(55);
            p.setBrush(c);
            const qreal h = s * (0.22 + 0.18 * i);
            const qreal x = b.left() + s * (0.14 + i * 0.2);
            p.drawRoundedRect(QRectF(x, b.top() + s * 0.86 - h, s * 0.13, h), 1, 1);
        }
        break;
    }
    }
    p.restore();
}

namespace {

// The plate of a dialog button; mutedDown: the pressed picture is also the
// disabled look, so it is pressed in, but quiet.
void DrawDialogPlate(QPainter& p, const SkinControl& c, FaceState plain, bool mutedDown)
{
    const QRectF r = QRectF(c.rect);
    if (mutedDown && plain == FaceState::Down) {
        DrawPlate(p, r, FaceState::Disabled, false);
        const QRectF inner = r.adjusted(1, 1, -1, -1);
        p.save();
        p.setPen(QPen(QColor(0, 0, 0, 110), 2));
        p.drawLine(QPointF(inner.left() + 6, inner.top() + 1), QPointF(inner.right() - 6, inner.top() + 1));
        p.restore();
    } else {
        DrawPlate(p, r, plain, c.accent);
    }
}

} // namespace

void DrawControl(QPainter& p, const SkinControl& c, FaceState s, PanelVariant variant, bool mutedDown)
{
    // Controls of another tab are hidden while this picture is shown.
    static const std::pair<PanelVariant, const char*> tabs[] = {
        {PanelVariant::Key, "KEYTAB"}, {PanelVariant::Macro, "MACROTAB"}, {PanelVariant::MacroOnly, "MACROTAB"},
        {PanelVariant::Media, "MEDIATAB"}, {PanelVariant::Function, "FUNCTAB"}};
    if (variant != PanelVariant::None && c.group.size() > 3 && c.group.compare(c.group.size() - 3, 3, "TAB") == 0) {
        bool mine = false;
        for (const auto& [v, group] : tabs)
            mine = mine || (v == variant && c.group == group);
        if (!mine)
            return;
    }
    // Only key caps have a light look for the colour view.
    const FaceState plain = (s == FaceState::Colour0 || s == FaceState::Colour1) ? FaceState::Normal : s;
    const QRectF r = QRectF(c.rect);
    switch (c.look) {
    case Look::Widget:
        break;
    case Look::KeyCap:
        DrawCap(p, c, s);
        break;
    case Look::Plate:
        DrawPlate(p, r, plain, c.accent);
        break;
    case Look::Icon: {
        DrawPlate(p, r, plain, c.accent);
        const qreal g = std::min(r.width(), r.height()) - 10;
        DrawGlyph(p, c.glyph, QRectF(r.center().x() - g / 2, r.center().y() - g / 2, g, g), GlyphColour(plain));
        break;
    }
    case Look::IconFlat: {
        if (plain == FaceState::Over || plain == FaceState::Down) {
            const bool close = c.glyph == Glyph::Close;
            QColor fill = plain == FaceState::Over ? QColor(52, 56, 62) : QColor(30, 32, 36);
            if (close)
                fill = plain == FaceState::Over ? QColor(196, 43, 28) : QColor(150, 30, 20);
            FillRounded(p, r, 6, fill, plain == FaceState::Over && !close ? QColor(255, 130, 0, 150) : QColor());
        }
        QColor g = GlyphColour(plain);
        if (plain == FaceState::Normal)
            g = QColor(196, 200, 206);
        if (c.glyph == Glyph::Close && plain != FaceState::Disabled && plain != FaceState::Normal)
            g = QColor(255, 255, 255);
        const qreal size = std::min(r.width(), r.height()) - 6;
        DrawGlyph(p, c.glyph, QRectF(r.center().x() - size / 2, r.center().y() - size / 2, size, size), g);
        break;
    }
    case Look::IconCaption: {
        DrawDialogPlate(p, c, plain, mutedDown);
        // The caption is the program's (a language text), right of the glyph.
        const qreal g = std::min(18.0, r.height() - 12);
        const qreal shift = plain == FaceState::Down ? 1 : 0;
        const QColor colour = mutedDown && plain == FaceState::Down ? QColor(150, 154, 160) : GlyphColour(plain);
        DrawGlyph(p, c.glyph, QRectF(r.left() + IconCaptionGlyphLeft, r.center().y() - g / 2 + shift, g, g), colour);
        break;
    }
    case Look::IconText: {
        DrawDialogPlate(p, c, plain, mutedDown);
        const QFont font = GenFont(12.5, QFont::DemiBold);
        const qreal textWidth = QFontMetricsF(font).horizontalAdvance(c.legend);
        const qreal g = std::min(18.0, r.height() - 12);
        const qreal total = g + 7 + textWidth;
        const qreal x = r.center().x() - total / 2;
        const QColor colour = mutedDown && plain == FaceState::Down ? QColor(150, 154, 160) : GlyphColour(plain);
        const qreal shift = plain == FaceState::Down ? 1 : 0;
        DrawGlyph(p, c.glyph, QRectF(x, r.center().y() - g / 2 + shift, g, g), colour);
        p.save();
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRectF(x + g + 7, r.top() + shift, textWidth + 2, r.height()), Qt::AlignLeft | Qt::AlignVCenter, c.legend);
        p.restore();
        break;
    }
    case Look::Tab:
        DrawPlate(p, r, plain, false, 7, true);
        break;
    case Look::Slant:
        DrawSlant(p, c, plain);
        break;
    case Look::Led:
        DrawLed(p, c);
        break;
    case Look::Tray:
        DrawTray(p, c);
        break;
    case Look::Title:
        DrawTitle(p, c, variant);
        break;
    case Look::Panel:
        DrawPanel(p, c, variant);
        break;
    }
}
