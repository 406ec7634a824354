#include "Pictures.h"

#include <QPainterPath>

void MakeDropDownArrows(const SavePicture& save)
{
    // A chevron in the captions' grey, orange while the list is open, dim
    // while it is disabled.
    constexpr int Width = 12;
    constexpr int Height = 8;
    const struct {
        const char* file;
        QColor colour;
    } arrows[] = {{"dropdown_arrow.png", QColor(200, 204, 210)},
                  {"dropdown_arrow_open.png", Palette::Orange},
                  {"dropdown_arrow_off.png", QColor(96, 102, 110)}};
    for (const auto& arrow : arrows) {
        QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        Painter p(&image);
        QPainterPath chevron;
        chevron.moveTo(1.5, 1.5);
        chevron.lineTo(Width / 2.0, Height - 2.0);
        chevron.lineTo(Width - 1.5, 1.5);
        p.setPen(QPen(arrow.colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(chevron);
        p.end();
        save(QString::fromLatin1(arrow.file), image);
    }
}
