#pragma once

#include "SkinLayout.h"

#include <QImage>
#include <QPainter>
#include <QString>

#include <functional>

// A painter with the antialiasing every picture is drawn with.
struct Painter : QPainter {
    explicit Painter(QImage* image) : QPainter(image)
    {
        setRenderHint(QPainter::Antialiasing);
        setRenderHint(QPainter::TextAntialiasing);
    }
};

// Saves one picture under its file name; the generator counts and checks.
using SavePicture = std::function<void(const QString& name, const QImage& image)>;

// The lighting panel's pictures, each the size of the control that shows it
// and drawn over the window's own background there.
void MakeLightingPictures(const SkinWindow& main, const QImage& background, const SavePicture& save);
// The ticked and unticked box of the profile manager's list.
void MakeProfileTicks(const SavePicture& save);
// The arrow of the windows' drop-down lists: normal, open and disabled.
void MakeDropDownArrows(const SavePicture& save);
// The application icon and the three notification-area pictures.
void MakeIcons(const SavePicture& save);
// The macro memory gauge of the key function editor: its track and the three
// fills (fits, names dropped, does not fit), each the size of the gauge.
void MakeMacroMemoryPictures(const SkinWindow& composite, const SavePicture& save);
