#pragma once

#include "Faces.h"

#include <QImage>

// The whole window with every control in one state.
QImage RenderWindow(const SkinWindow& window, FaceState state, PanelVariant variant = PanelVariant::None);
// A dialog's frame and title bar with its icon; the program writes the
// title, in the owner's language.
void DrawDialogFrame(QPainter& p, const SkinWindow& window, int barHeight, Glyph glyph);
// White outside the rounded window, black inside.
QImage RenderMask(const SkinWindow& window);
// The four arrow faces of the main window, each drawn over the flip button's
// normal face so that they sit seamlessly on it.
QImage RenderArrows(const SkinWindow& window, const QImage& normalFaces);

inline constexpr qreal WindowRadius = 16;
