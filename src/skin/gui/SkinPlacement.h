#pragma once

#include "skin/IniFile.h"

#include <QPixmap>
#include <QRect>
#include <QString>

#include <string>
#include <string_view>

class CPngButton;
class QWidget;

// A control's place in its window's client area, from a layout value
// "x,y,width,height". A missing key reads as "1,1,1,1,x": the control sits at
// (1, 1) with size 1 x 1 and a button placed so is disabled.
struct SkinRect {
    int x = 1;
    int y = 1;
    int width = 1;
    int height = 1;
    QRect Rect() const { return QRect(x, y, width, height); }
    // The layout's way of saying "this control is not in the skin".
    bool IsUnplaced() const { return x == 1 && y == 1; }
};

// Largest coordinate or size accepted from a layout file; larger values are
// clamped, negative ones become 0.
inline constexpr int MaxSkinCoordinate = 16384;

// Parses a layout value. Up to four integers separated by commas (blanks
// around numbers allowed); missing trailing numbers are 0; fewer than two
// numbers, or text that does not start with a number, give the default.
SkinRect ParseSkinRect(std::string_view value);
// Reads section/key (the layout files use "BUTTONINFO") and parses it.
SkinRect ReadSkinRect(const CIniFile& ini, const std::string& section, const std::string& key);

// Moves the button to its place (no immediate repaint), takes (x, y) as its
// face offset and sets the five faces; an unplaced button is disabled.
SkinRect PlaceButton(CPngButton* button, const CIniFile& ini, const std::string& section,
                     const std::string& key, const QPixmap& normal, const QPixmap& over,
                     const QPixmap& down, const QPixmap& disabled, const QPixmap& marked);
// Moves and sizes any control (no immediate repaint).
SkinRect PlaceControl(QWidget* control, const CIniFile& ini, const std::string& section,
                      const std::string& key);
// Moves a control to the value's x, y keeping its size, and repaints it.
SkinRect MoveControl(QWidget* control, const CIniFile& ini, const std::string& section,
                     const std::string& key);
// Places the button by "BUTTONINFO"/positionKey; its face offset is the x, y
// of faceSection/faceKey, and all five faces are arrowImage. Repaints.
SkinRect PlaceArrow(CPngButton* button, const CIniFile& ini, const std::string& positionKey,
                    const std::string& faceSection, const std::string& faceKey,
                    const QPixmap& arrowImage);
