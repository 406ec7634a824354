#include "Pictures.h"

#include "Faces.h"

#include <cmath>

namespace {

QImage Blank(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The empty memory: a dark groove with faint quarter marks.
QImage Track(const QSize& size)
{
    QImage image = Blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    FillRounded(p, r, r.height() / 2, Vertical(r, QColor(12, 13, 15), QColor(22, 24, 27)), QColor(58, 62, 69));
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    for (int quarter = 1; quarter < 4; ++quarter) {
        const qreal x = std::round(r.left() + r.width() * quarter / 4) + 0.5;
        p.drawLine(QPointF(x, r.top() + 2.5), QPointF(x, r.bottom() - 2.5));
    }
    return image;
}

// A full-length fill: deeper at the start, brighter towards the end, with a
// glint along the top as the sliders' fills have.
QImage Fill(const QSize& size, const QColor& start, const QColor& end)
{
    QImage image = Blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(image.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, start);
    g.setColorAt(1, end);
    FillRounded(p, r, r.height() / 2, g, end.lighter(125));
    QLinearGradient glint(r.topLeft(), r.bottomLeft());
    glint.setColorAt(0, QColor(255, 255, 255, 90));
    glint.setColorAt(0.45, QColor(255, 255, 255, 0));
    FillRounded(p, r.adjusted(1, 1, -1, -1), (r.height() - 2) / 2, glint, QColor());
    return image;
}

} // namespace

void MakeMacroMemoryPictures(const SkinWindow& w, const SavePicture& save)
{
    const QSize size = w.Find("FUNC_MACRO_MEMORY")->rect.size();
    save("macro_memory_track.png", Track(size));
    save("macro_memory_fits.png", Fill(size, QColor(30, 140, 76), QColor(72, 208, 122)));
    save("macro_memory_names.png", Fill(size, QColor(214, 128, 0), QColor(255, 196, 48)));
    save("macro_memory_full.png", Fill(size, QColor(180, 36, 30), QColor(250, 84, 66)));
}
