#pragma once

#include "skin/IniFile.h"
#include "skin/gui/SkinImages.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QString>

#include <optional>

// The window shape of a mask picture: exactly white pixels (255, 255, 255)
// are outside, every other pixel inside. An all-white picture gives an empty
// region.
QRegion ShapeRegionFromImage(const QImage& shape);
// A window's shape has a few pieces per row; a mask that needs more (noise,
// a checkerboard) is damage, and a region that large would weigh on every
// repaint.
inline constexpr int MaxShapeRects = 65536;
// The same, or nothing once more than maxRects rectangles would be needed
// (the scan stops there).
std::optional<QRegion> BoundedShapeRegion(const QImage& shape, int maxRects);

// Base of the main window and of every sub-dialog: a frameless window that is
// its background picture, shaped by the mask picture, and dragged by a left
// press anywhere that is not a control.
//
// The layout file names the pictures in section "SCREEN": "Main" (the
// background) and "Mask" (the shape, default the background). Both are taken
// from imageFolder; a picture or a layout file that cannot be used ends the
// program (SkinImages.h). A mask larger than the background is cut to it,
// and one too detailed to be a window's shape leaves the window unshaped;
// both are reported. Control placement comes from the same file (Ini(), with
// the helpers of SkinPlacement.h).
class CBaseDialog : public QDialog {
    Q_OBJECT
public:
    CBaseDialog(QWidget* parent, const QString& layoutPath, const QString& imageFolder,
                Qt::WindowFlags flags = Qt::Dialog);
    ~CBaseDialog() override;

    const CIniFile& Ini() const { return ini_; }
    const QString& LayoutPath() const { return layoutPath_; }
    const QString& ImageFolder() const { return images_.Folder(); }
    // The cache the background came from; sub-classes take their face
    // pictures from it so that each file is decoded once per window.
    SkinImageCache& Images() { return images_; }

    const QPixmap& Background() const { return background_; }
    // The shape picture, read again from the skin: the window keeps only
    // the region made from it.
    QImage ShapeImage() const;
    // The region the window was shaped with (empty: nothing of it is shown).
    const QRegion& ShapeRegion() const { return shapeRegion_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyShape(const QImage& shape);
    // The part of a shape picture the background covers.
    QImage CutToBackground(const QImage& shape) const;

    QString layoutPath_;
    CIniFile ini_;
    SkinImageCache images_;
    QPixmap background_;
    QString shapePath_;
    QRegion shapeRegion_;
    bool dragging_ = false;
    QPoint dragOffset_;
};
