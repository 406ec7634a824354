#pragma once

#include <QFont>
#include <QString>

// Skins name Windows fonts ("Arial Unicode MS", "Tahoma Unicode MS") that a
// Linux desktop rarely has. A name resolves to itself when that family is
// installed, else to "Noto Sans", then "DejaVu Sans" (full Latin and Cyrillic),
// else to the application font's family.
QString ResolveSkinFontFamily(const QString& name);

// The font of a skin text: size in points, so that the pixel height is
// size x logical DPI / 72 (about 10.7 px for 8 pt at 96 DPI).
QFont SkinFont(const QString& name, double pointSize, bool bold);
