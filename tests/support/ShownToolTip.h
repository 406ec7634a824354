#pragma once

// Qt tests of tooltips: the tip once it is on the screen, and how dark it
// is drawn (the program's tips are dark everywhere, like its windows).
#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QImage>
#include <QToolTip>
#include <QWidget>

// The tooltip once it shows (within timeoutMs), or nullptr.
inline QWidget* ShownToolTip(int timeoutMs = 3000)
{
    QElapsedTimer waited;
    waited.start();
    while (!QToolTip::isVisible() && waited.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->inherits("QTipLabel") && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// The mean lightness (0 to 255) of what a widget draws.
inline double MeanLightness(QWidget* widget)
{
    const QImage image = widget->grab().toImage();
    double lightness = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            lightness += QColor(image.pixel(x, y)).lightness();
    }
    return lightness / (image.width() * image.height());
}
