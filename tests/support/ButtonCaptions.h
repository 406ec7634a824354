#pragma once

// A row of skinned buttons whose captions stand side by side: one point
// size for all of them, each caption drawn within its button.
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <vector>

// Checks the row, room pixels of each button kept free (a glyph, a border);
// the row's size, the first button's.
inline double ExpectOneCaptionSizeThatFits(const std::vector<CPngButton*>& row, int room = 0)
{
    const double size = row.front()->TextStyle().pointSize;
    for (CPngButton* button : row) {
        EXPECT_EQ(button->TextStyle().pointSize, size) << button->text().toStdString();
        const QFont font = SkinFont(ResolveSkinFontFamily(button->TextStyle().fontName), size, false);
        EXPECT_LE(QFontMetricsF(font).horizontalAdvance(button->text()), button->width() - room)
            << button->text().toStdString();
    }
    return size;
}
