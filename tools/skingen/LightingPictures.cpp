#include "Pictures.h"

#include "Faces.h"

#include <QPainterPath>

// The lighting panel's pictures: the view switch, the direction pictures of
// the three sets, the four colour pictures, the multicolour switches, the 26
// slider tracks, the progress frames, the colour swatches and the painting
// tools. Each is the size of the control that shows it and drawn over the
// window's own background there.

namespace {

QImage Base(const SkinWindow& w, const QImage& background, const char* key)
{
    const SkinControl* c = w.Find(key);
    return background.copy(c->rect).convertToFormat(QImage::Format_RGB32);
}

// A switch: pill track, knob left (off) or right (on).
QImage Switch(QImage image, bool on, bool rainbow)
{
    Painter p(&image);
    const QRectF track = QRectF(image.rect()).adjusted(3, 4, -3, -4);
    const qreal radius = track.height() / 2;
    if (on) {
        QLinearGradient g(track.topLeft(), track.topRight());
        if (rainbow) {
            const QColor stops[] = {{255, 60, 60}, {255, 170, 0}, {80, 220, 80}, {40, 170, 255}, {170, 80, 255}};
            for (int i = 0; i < 5; ++i)
                g.setColorAt(i / 4.0, stops[i]);
        } else {
            g.setColorAt(0, QColor(255, 150, 30));
            g.setColorAt(1, QColor(230, 110, 0));
        }
        FillRounded(p, track, radius, g, QColor(255, 180, 90));
    } else {
        QLinearGradient g(track.topLeft(), track.topRight());
        if (rainbow) {
            const QColor stops[] = {{90, 50, 50}, {90, 75, 40}, {50, 80, 50}, {40, 65, 90}, {70, 50, 90}};
            for (int i = 0; i < 5; ++i)
                g.setColorAt(i / 4.0, stops[i]);
        } else {
            g.setColorAt(0, QColor(22, 24, 27));
            g.setColorAt(1, QColor(22, 24, 27));
        }
        FillRounded(p, track, radius, g, QColor(70, 75, 82));
    }
    const qreal k = track.height() - 4;
    const QPointF centre(on ? track.right() - 2 - k / 2 : track.left() + 2 + k / 2, track.center().y());
    p.setPen(QPen(on ? QColor(255, 255, 255) : QColor(110, 116, 124), 1));
    p.setBrush(on ? QColor(255, 255, 255) : QColor(150, 156, 164));
    p.drawEllipse(centre, k / 2, k / 2);
    return image;
}

enum class Mark { Left, Right, Up, Down, Spread, Converge, Brush, Bucket };

void DrawMark(QPainter& p, Mark m, const QRectF& b, const QColor& c)
{
    QPen pen(c, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF o = b.center();
    auto arrow = [&](QPointF from, QPointF to) {
        p.drawLine(from, to);
        const QPointF d = to - from;
        const qreal len = std::hypot(d.x(), d.y());
        const QPointF u = d / len, n(-u.y(), u.x());
        p.drawPolyline(QPolygonF({to - u * 5 + n * 4.5, to, to - u * 5 - n * 4.5}));
    };
    const qreal h = b.height() / 2 - 2, w = std::min(b.width() / 2 - 4, 12.0);
    switch (m) {
    case Mark::Left: arrow(o + QPointF(w, 0), o - QPointF(w, 0)); break;
    case Mark::Right: arrow(o - QPointF(w, 0), o + QPointF(w, 0)); break;
    case Mark::Up: arrow(o + QPointF(0, h), o - QPointF(0, h)); break;
    case Mark::Down: arrow(o - QPointF(0, h), o + QPointF(0, h)); break;
    case Mark::Spread:
        arrow(o - QPointF(3, 0), o - QPointF(w + 5, 0));
        arrow(o + QPointF(3, 0), o + QPointF(w + 5, 0));
        break;
    case Mark::Converge:
        arrow(o - QPointF(w + 5, 0), o - QPointF(3, 0));
        arrow(o + QPointF(w + 5, 0), o + QPointF(3, 0));
        break;
    case Mark::Brush: {
        p.drawLine(o + QPointF(5, -7), o + QPointF(-1, 1));
        QPainterPath tip;
        tip.moveTo(o + QPointF(-1, 1));
        tip.quadTo(o + QPointF(-7, 1), o + QPointF(-7, 7));
        tip.quadTo(o + QPointF(-2, 7), o + QPointF(-1, 1));
        p.setBrush(c);
        p.drawPath(tip);
        break;
    }
    case Mark::Bucket: {
        QPainterPath drop;
        drop.moveTo(o + QPointF(0, -8));
        drop.cubicTo(o + QPointF(7, 0), o + QPointF(6, 7), o + QPointF(0, 7));
        drop.cubicTo(o + QPointF(-6, 7), o + QPointF(-7, 0), o + QPointF(0, -8));
        p.setBrush(c);
        p.drawPath(drop);
        break;
    }
    }
}

// A picture button: grey plate (normal) or orange (chosen).
QImage Choice(QImage image, Mark m, bool chosen)
{
    Painter p(&image);
    const QRectF r = QRectF(image.rect()).adjusted(1, 1, -1, -1);
    if (chosen)
        FillRounded(p, r, 6, Vertical(r, QColor(92, 58, 24), QColor(70, 44, 18)), Palette::Orange, 1.5);
    else
        FillRounded(p, r, 6, Vertical(r, QColor(58, 62, 69), QColor(44, 48, 54)), QColor(78, 84, 92));
    DrawMark(p, m, r, chosen ? Palette::OrangeDown : Palette::Text);
    return image;
}

QImage Chip(QImage image, const QColor& colour, bool chosen)
{
    Painter p(&image);
    const QRectF r = QRectF(image.rect()).adjusted(2, 2, -2, -2);
    FillRounded(p, r, 6, Vertical(r, colour.lighter(115), colour.darker(115)),
                chosen ? QColor(255, 255, 255) : QColor(15, 16, 18), chosen ? 2.0 : 1.0);
    if (chosen) {
        QPen pen(QColor(255, 255, 255), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        const QPointF o = r.center();
        p.drawPolyline(QPolygonF({o + QPointF(-6, 0), o + QPointF(-2, 4), o + QPointF(6, -4)}));
    }
    return image;
}

QImage Track(QImage image, int position)
{
    Painter p(&image);
    const QRectF r = QRectF(image.rect());
    const qreal pad = 10;
    const qreal y = r.center().y();
    const QRectF track(pad, y - 3, r.width() - 2 * pad, 6);
    FillRounded(p, track, 3, QColor(16, 17, 19), QColor(60, 64, 70));
    const qreal x = pad + position * (r.width() - 2 * pad) / 5.0;
    if (position > 0) {
        QLinearGradient g(track.topLeft(), QPointF(x, y));
        g.setColorAt(0, QColor(200, 90, 0));
        g.setColorAt(1, Palette::Orange);
        FillRounded(p, QRectF(pad, y - 3, x - pad, 6), 3, g, QColor());
    }
    p.setPen(Qt::NoPen);
    for (int i = 0; i <= 5; ++i) {
        const qreal tx = pad + i * (r.width() - 2 * pad) / 5.0;
        p.setBrush(i <= position ? QColor(255, 200, 140) : QColor(90, 96, 104));
        p.drawEllipse(QPointF(tx, y + 9), 1.2, 1.2);
    }
    QRadialGradient glow(QPointF(x, y), 11);
    glow.setColorAt(0, QColor(255, 130, 0, 110));
    glow.setColorAt(1, QColor(255, 130, 0, 0));
    p.setBrush(glow);
    p.drawEllipse(QPointF(x, y), 11, 11);
    p.setBrush(QColor(245, 246, 248));
    p.setPen(QPen(Palette::Orange, 2));
    p.drawEllipse(QPointF(x, y), 6.5, 6.5);
    return image;
}

QImage Progress(QImage image, int frame)
{
    Painter p(&image);
    const QRectF r = QRectF(image.rect()).adjusted(0.5, 1.5, -0.5, -1.5);
    FillRounded(p, r, r.height() / 2, QColor(16, 17, 19), QColor(52, 56, 62));
    p.setClipRect(r.adjusted(1, 1, -1, -1));
    const qreal seg = 70;
    const qreal x = -seg + frame * (r.width() + seg) / 10.0;
    QLinearGradient g(x, 0, x + seg, 0);
    g.setColorAt(0, QColor(255, 130, 0, 0));
    g.setColorAt(0.6, QColor(255, 150, 30));
    g.setColorAt(1, QColor(255, 220, 160));
    FillRounded(p, QRectF(x, r.top() + 1, seg, r.height() - 2), (r.height() - 2) / 2, g, QColor());
    return image;
}

QImage Swatch(const QColor& colour)
{
    QImage image(24, 24, QImage::Format_RGB32);
    image.fill(Palette::Card);
    Painter p(&image);
    FillRounded(p, QRectF(1, 1, 22, 22), 5, Vertical(QRectF(0, 0, 24, 24), colour.lighter(112), colour.darker(112)),
                QColor(12, 13, 15));
    return image;
}

} // namespace

void MakeLightingPictures(const SkinWindow& w, const QImage& bg, const SavePicture& save)
{
    const QImage deng = Base(w, bg, "CONTROL_DengStaPic");
    save("dengup.bmp", Switch(deng, false, false));
    save("dengdown.bmp", Switch(deng, true, false));

    const QImage left = Base(w, bg, "CONTROL_BLFXLStaPic");
    const QImage right = Base(w, bg, "CONTROL_BLFXRStaPic");
    const struct { const char* up; const char* down; Mark mark; const QImage* base; } choices[] = {
        {"leftup.bmp", "leftdown.bmp", Mark::Left, &left},
        {"rightup.bmp", "rightdown.bmp", Mark::Right, &right},
        {"upup.bmp", "updown.bmp", Mark::Up, &left},
        {"downup.bmp", "downdown.bmp", Mark::Down, &right},
        {"kuosan.bmp", "kuosandown.bmp", Mark::Spread, &left},
        {"julong.bmp", "julongdown.bmp", Mark::Converge, &right},
    };
    for (const auto& c : choices) {
        save(c.up, Choice(*c.base, c.mark, false));
        save(c.down, Choice(*c.base, c.mark, true));
    }

    const struct { const char* key; const char* name; QColor colour; } chips[] = {
        {"CONTROL_HONGPIC", "hong", {232, 44, 44}},
        {"CONTROL_HUANGPIC", "huang", {250, 204, 21}},
        {"CONTROL_LVPIC", "lv", {46, 204, 90}},
        {"CONTROL_LANPIC", "lan", {40, 120, 255}},
    };
    for (const auto& c : chips) {
        const QImage base = Base(w, bg, c.key);
        save(QString::fromLatin1(c.name) + ".bmp", Chip(base, c.colour, false));
        save(QString::fromLatin1(c.name) + "ok.bmp", Chip(base, c.colour, true));
    }

    const QImage multi = Base(w, bg, "CONTROL_HXsjsStaPic");
    save("sjsup.bmp", Switch(multi, false, true));
    save("sjsdown.bmp", Switch(multi, true, true));

    // Tracks 0-5 brightness, 6-11 speed; the rest repeat them.
    const QImage light = Base(w, bg, "CONTROL_LightSlider");
    const QImage speed = Base(w, bg, "CONTROL_SpeedSlider");
    for (int n = 0; n <= 25; ++n)
        save(QString::number(n) + ".bmp", Track(n >= 6 && n < 12 ? speed : light, n % 6));

    const QImage jdt = Base(w, bg, "CONTROL_JDTStatic");
    for (int i = 1; i <= 10; ++i)
        save(QStringLiteral("jdt%1.bmp").arg(i), Progress(jdt, i));

    const QColor swatches[] = {{255, 40, 40}, {255, 130, 0}, {255, 220, 0}, {40, 210, 80},
                               {0, 210, 220}, {40, 110, 255}, {170, 70, 255}, {255, 255, 255}};
    for (int i = 0; i < 8; ++i)
        save(QStringLiteral("Color%1.bmp").arg(i + 1), Swatch(swatches[i]));

    const QImage tool1 = Base(w, bg, "CONTROL_USERgjStaPic1");
    const QImage tool2 = Base(w, bg, "CONTROL_USERgjStaPic2");
    save("user1up.bmp", Choice(tool1, Mark::Brush, false));
    save("user1down.bmp", Choice(tool1, Mark::Brush, true));
    save("user2up.bmp", Choice(tool2, Mark::Bucket, false));
    save("user2down.bmp", Choice(tool2, Mark::Bucket, true));
}

