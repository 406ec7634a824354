#pragma once

#include "SkinLayout.h"

#include <QFont>
#include <QPainter>

// The variant of the key function editor's panel (one per picture set).
enum class PanelVariant { None, Key, Macro, MacroOnly, Media, Function };

// Fixed fonts so that every build draws the same pixels: Noto Sans when it
// is installed, else DejaVu Sans.
QFont GenFont(double pixelSize, int weight = QFont::Normal);

void DrawGlyph(QPainter& p, Glyph glyph, const QRectF& box, const QColor& colour);
// A control's face in the given state; widgets draw nothing.
// mutedDown: the pressed picture also serves as the disabled look.
void DrawControl(QPainter& p, const SkinControl& control, FaceState state, PanelVariant variant,
                 bool mutedDown = false);

// Shared shapes.
void FillRounded(QPainter& p, const QRectF& r, qreal radius, const QBrush& fill, const QColor& border,
                 qreal borderWidth = 1.0);
QLinearGradient Vertical(const QRectF& r, const QColor& top, const QColor& bottom);
void DrawWell(QPainter& p, const QRectF& r, qreal radius = 6);
// Text centred in box, shrunk until it fits the width.
void DrawFittedText(QPainter& p, const QRectF& box, const QString& text, double pixelSize, int weight,
                    const QColor& colour, int flags = Qt::AlignCenter);
