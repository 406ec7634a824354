#include "Render.h"

#include <QPainterPath>

namespace {

void DrawFrame(QPainter& p, const QSize& size, int barHeight)
{
    const QRectF all(0, 0, size.width(), size.height());
    FillRounded(p, all, WindowRadius, Vertical(all, Palette::WindowTop, QColor(20, 22, 25)), QColor());
    // Title bar.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(all, WindowRadius, WindowRadius);
    p.setClipPath(clip);
    const QRectF bar(0, 0, size.width(), barHeight);
    p.fillRect(bar, Vertical(bar, QColor(26, 28, 32), Palette::Bar));
    p.setPen(QPen(QColor(46, 50, 56), 1));
    p.drawLine(QPointF(0, barHeight - 0.5), QPointF(size.width(), barHeight - 0.5));
    p.setPen(QPen(Palette::Orange, 2));
    p.drawLine(QPointF(WindowRadius + 8, barHeight - 1), QPointF(WindowRadius + 96, barHeight - 1));
    p.restore();
    // Outline with a faint inner highlight.
    FillRounded(p, all, WindowRadius, Qt::NoBrush, QColor(62, 67, 74));
    FillRounded(p, all.adjusted(1, 1, -1, -1), WindowRadius - 1, Qt::NoBrush, QColor(255, 255, 255, 12));
}

void DrawCard(QPainter& p, const QRectF& r)
{
    FillRounded(p, r, 10, Vertical(r, QColor(37, 40, 45), QColor(30, 33, 37)), Palette::CardBorder);
    p.save();
    p.setPen(QPen(Palette::Orange, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.left() + 12, r.top() + 1), QPointF(r.left() + 44, r.top() + 1));
    p.restore();
}

void DrawLogo(QPainter& p, const QPointF& at, double size)
{
    const QFont bold = GenFont(size, QFont::Black);
    p.save();
    p.setFont(bold);
    p.setPen(Palette::Text);
    const QString brand = QStringLiteral("ORVAN");
    p.drawText(at, brand);
    const qreal w = QFontMetricsF(bold).horizontalAdvance(brand);
    p.setPen(Palette::Orange);
    p.setFont(GenFont(size, QFont::Bold));
    p.drawText(at + QPointF(w + size * 0.35, 0), QStringLiteral("RT-604"));
    p.restore();
}

QRectF Bounds(const SkinWindow& w, std::initializer_list<const char*> keys, qreal margin)
{
    QRectF r;
    for (const char* k : keys)
        if (const SkinControl* c = w.Find(k))
            r = r.isNull() ? QRectF(c->rect) : r.united(QRectF(c->rect));
    return r.adjusted(-margin, -margin, margin, margin);
}

void DrawMainChrome(QPainter& p, const SkinWindow& w)
{
    DrawFrame(p, w.size, 62);
    DrawLogo(p, QPointF(30, 40), 22);

    // Keyboard case: a plate with the key clusters sunk into it and an
    // orange glow along its lower edge.
    const QRectF plate(76, 74, 1050, 326);
    FillRounded(p, plate.adjusted(-2, -2, 2, 4), 16, QColor(12, 13, 15), QColor());
    FillRounded(p, plate, 14, Vertical(plate, QColor(50, 54, 60), QColor(33, 36, 41)), QColor(70, 75, 82));
    p.save();
    QLinearGradient glow(plate.left(), 0, plate.right(), 0);
    glow.setColorAt(0, QColor(255, 130, 0, 0));
    glow.setColorAt(0.5, QColor(255, 130, 0, 200));
    glow.setColorAt(1, QColor(255, 130, 0, 0));
    p.setPen(QPen(QBrush(glow), 2));
    p.drawLine(QPointF(plate.left() + 20, plate.bottom() + 1), QPointF(plate.right() - 20, plate.bottom() + 1));
    p.restore();
    const qreal m = 5;
    DrawWell(p, Bounds(w, {"KEY_001", "KEY_058"}, m), 7);
    DrawWell(p, Bounds(w, {"KEY_029", "KEY_00E", "KEY_01D", "KEY_11D"}, m), 7);
    DrawWell(p, Bounds(w, {"KEY_137", "KEY_045"}, m), 7);
    DrawWell(p, Bounds(w, {"KEY_152", "KEY_151"}, m), 7);
    DrawWell(p, Bounds(w, {"KEY_148", "KEY_14B", "KEY_14D"}, m), 7);
    DrawWell(p, Bounds(w, {"KEY_145", "KEY_04A", "KEY_052", "KEY_11C"}, m), 7);

    // Cards of the lower half.
    DrawCard(p, QRectF(24, 410, 276, 192));
    DrawCard(p, QRectF(312, 410, 576, 192));
    DrawCard(p, QRectF(900, 410, 276, 192));
}

void DrawDialogChrome(QPainter& p, const SkinWindow& w, int barHeight, const QString& title, Glyph glyph)
{
    DrawFrame(p, w.size, barHeight);
    if (glyph == Glyph::None)
        return;
    const QRectF icon(18, (barHeight - 26) / 2.0, 26, 26);
    FillRounded(p, icon, 6, Palette::Orange, QColor());
    DrawGlyph(p, glyph, icon.adjusted(4, 4, -4, -4), QColor(30, 20, 10));
    // Without a title here, the program writes one in the owner's language.
    if (title.isEmpty())
        return;
    p.save();
    p.setFont(GenFont(15, QFont::Bold));
    p.setPen(Palette::Text);
    p.drawText(QRectF(54, 0, w.size.width() - 120, barHeight), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.restore();
}

} // namespace

QImage RenderWindow(const SkinWindow& w, FaceState state, PanelVariant variant)
{
    QImage image(w.size, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 255));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (w.layoutFile == "Main.ini") {
        DrawMainChrome(p, w);
    } else if (w.layoutFile == "Composite.ini") {
        DrawDialogChrome(p, w, 48, {}, Glyph::None);
        p.save();
        p.setPen(QPen(QColor(46, 50, 56), 1));
        p.drawLine(QPointF(16, 380.5), QPointF(544, 380.5));
        p.restore();
    } else if (w.layoutFile == "Profile.ini") {
        DrawDialogChrome(p, w, 46, {}, Glyph::Folder);
        DrawWell(p, QRectF(w.Find("PROGRAM_LIST")->rect).adjusted(-3, -3, 3, 3));
        p.save();
        p.setPen(QPen(QColor(46, 50, 56), 1));
        p.drawLine(QPointF(20, 308.5), QPointF(500, 308.5));
        p.restore();
    } else {
        DrawDialogChrome(p, w, 46, {}, Glyph::Upload);
        DrawWell(p, QRectF(w.Find("CONTROL_UPCombox")->rect).adjusted(-3, -3, 3, 3));
    }
    for (const SkinControl& c : w.controls)
        DrawControl(p, c, state, variant, w.downIsDisabled);
    return image;
}

void DrawDialogFrame(QPainter& p, const SkinWindow& w, int barHeight, Glyph glyph)
{
    DrawDialogChrome(p, w, barHeight, {}, glyph);
}

QImage RenderMask(const SkinWindow& w)
{
    QImage mask(w.size, QImage::Format_RGB32);
    mask.fill(QColor(255, 255, 255));
    QPainter p(&mask);
    // Hard edges: any grey would count as inside, so no antialiasing.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    p.drawRoundedRect(QRectF(0, 0, w.size.width(), w.size.height()), WindowRadius, WindowRadius);
    return mask;
}

QImage RenderArrows(const SkinWindow& w, const QImage& normalFaces)
{
    int width = 0, height = 0;
    for (const SkinControl& a : w.arrowFaces) {
        width = std::max(width, a.rect.right() + 3);
        height = std::max(height, a.rect.bottom() + 3);
    }
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 43, 48));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const SkinControl& a : w.arrowFaces) {
        const bool left = a.key.find("LEFT") != std::string::npos;
        const bool up = a.key.rfind("UP_", 0) == 0;
        const SkinControl* button = w.Find(left ? "LEFT_ARROW" : "RIGHT_ARROW");
        p.drawImage(a.rect.topLeft(), normalFaces.copy(button->rect));
        const QRectF r = QRectF(a.rect).adjusted(1.5, 1.5, -1.5, -1.5);
        QPolygonF head;
        if (up)
            head << QPointF(r.left(), r.bottom() - 2) << QPointF(r.center().x(), r.top() + 1) << QPointF(r.right(), r.bottom() - 2);
        else
            head << QPointF(r.left(), r.top() + 2) << QPointF(r.center().x(), r.bottom() - 1) << QPointF(r.right(), r.top() + 2);
        p.setPen(Qt::NoPen);
        p.setBrush(Palette::Orange);
        p.drawPolygon(head);
    }
    return image;
}
