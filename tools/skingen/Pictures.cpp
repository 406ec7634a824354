#include "Pictures.h"

#include "Faces.h"

#include <QPainterPath>

namespace {

// The program's mark: a key cap with the keyboard glyph.
QImage AppMark(int size, const QColor& tile, const QColor& cap, const QColor& glyph)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    Painter p(&image);
    const qreal s = size;
    const QRectF all(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    FillRounded(p, all, s * 0.2, Vertical(all, tile.lighter(125), tile), tile.darker(150), std::max(1.0, s / 64));
    const QRectF face(s * 0.16, s * 0.18, s * 0.68, s * 0.6);
    FillRounded(p, face, s * 0.12, Vertical(face, cap.lighter(112), cap), QColor());
    DrawGlyph(p, Glyph::Keyboard, face.adjusted(s * 0.06, s * 0.04, -s * 0.06, -s * 0.04), glyph);
    return image;
}

} // namespace

void MakeIcons(const SavePicture& save)
{
    const QColor graphite(44, 47, 53);
    save("app.png", AppMark(256, graphite, Palette::Orange, QColor(40, 26, 12)));
    save("tray_141.png", AppMark(64, graphite, Palette::Orange, QColor(40, 26, 12)));
    save("tray_128.png", AppMark(64, QColor(70, 72, 76), QColor(130, 134, 140), QColor(60, 62, 66)));
    QImage notice = AppMark(64, graphite, Palette::Orange, QColor(40, 26, 12));
    {
        Painter p(&notice);
        p.setPen(QPen(QColor(255, 255, 255), 3));
        p.setBrush(QColor(230, 40, 40));
        p.drawEllipse(QPointF(50, 14), 11, 11);
    }
    save("tray_142.png", notice);
}
