#include "skin/gui/SkinPalette.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

namespace {

// The colours of the skins' pictures: graphite surfaces, light grey text,
// the orange of the hover captions.
const QColor Window(0x20, 0x23, 0x27);
const QColor Base(0x16, 0x18, 0x1b);
const QColor Raised(0x2b, 0x2f, 0x35);
const QColor Text(0xec, 0xee, 0xf1);
const QColor Muted(0x7f, 0x7f, 0x7f);
const QColor Frame(0x41, 0x46, 0x4e);
const QColor Orange(0xff, 0x82, 0x00);
const QColor OnOrange(0x16, 0x18, 0x1b);

} // namespace

QPalette SkinPalette()
{
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Window, Window);
        palette.setColor(group, QPalette::WindowText, disabled ? Muted : Text);
        palette.setColor(group, QPalette::Base, Base);
        palette.setColor(group, QPalette::AlternateBase, Window);
        palette.setColor(group, QPalette::Text, disabled ? Muted : Text);
        palette.setColor(group, QPalette::PlaceholderText, Muted);
        palette.setColor(group, QPalette::Button, Raised);
        palette.setColor(group, QPalette::ButtonText, disabled ? Muted : Text);
        palette.setColor(group, QPalette::BrightText, Orange);
        palette.setColor(group, QPalette::Light, Raised.lighter(130));
        palette.setColor(group, QPalette::Midlight, Raised.lighter(115));
        palette.setColor(group, QPalette::Mid, Frame);
        palette.setColor(group, QPalette::Dark, Base.darker(130));
        palette.setColor(group, QPalette::Shadow, Qt::black);
        palette.setColor(group, QPalette::Highlight, disabled ? Frame : Orange);
        palette.setColor(group, QPalette::HighlightedText, disabled ? Text : OnOrange);
        palette.setColor(group, QPalette::Link, Orange);
        palette.setColor(group, QPalette::LinkVisited, Orange.darker(120));
        palette.setColor(group, QPalette::ToolTipBase, Raised);
        palette.setColor(group, QPalette::ToolTipText, Text);
    }
    return palette;
}

void ApplySkinPalette()
{
    // Fusion draws every part from the palette; a desktop style (or the
    // GTK theme's) would mix its own light colours in.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setPalette(SkinPalette());
    // Tooltips keep a palette of their own.
    QToolTip::setPalette(SkinPalette());
}
