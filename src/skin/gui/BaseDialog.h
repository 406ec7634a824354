#pragma once

#include "skin/IniFile.h"
#include "skin/gui/SkinImages.h"
#include "skin/gui/SkinPlacement.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QString>

#include <map>
#include <optional>
#include <span>
#include <string>

class CPngButton;

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

// A skinned button's faces: normal, hovered, pressed, disabled, and marked
// (a button that stays pressed, like the chosen tab).
struct SkinButtonFaces {
    QPixmap normal, over, down, disabled, marked;
};

// Base of the main window and of every sub-dialog: a frameless window that is
// its background picture, shaped by the mask picture, and dragged by a left
// press anywhere that is not a control.
//
// The layout file names the pictures in section "SCREEN": "Main" (the
// background) and "Mask" (the shape, default the background). Both are taken
// from imageFolder; a picture or a layout file that cannot be used ends the
// program (SkinImages.h). A mask larger than the background is cut to it,
// and one too detailed to be a window's shape leaves the window unshaped;
// both are reported. Control placement comes from the same file: the kit
// below makes each control, places it by its key in section "BUTTONINFO" and
// keeps it under the window's id for it.
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

    // The window's controls by id; nullptr for an id it has none for (and,
    // from Button, for a control that is no skinned button).
    QWidget* Control(int id) const;
    CPngButton* Button(int id) const;

    // The skinned-control kit, for the window and its parts. A control is made a child of parent (the
    // window when nullptr), named by its layout key, and placed by it in
    // the window's coordinates; a button placed nowhere is disabled.
    CPngButton* AddButton(int id, const std::string& skinKey, const SkinButtonFaces& faces,
                          QWidget* parent = nullptr);
    template <typename Widget>
    Widget* AddControl(int id, const std::string& skinKey, QWidget* parent = nullptr)
    {
        auto* control = new Widget(parent ? parent : this);
        control->setObjectName(QString::fromStdString(skinKey));
        RegisterControl(id, control);
        PlaceInWindow(control, skinKey);
        return control;
    }
    // A dialog's row of captioned buttons: made from the skin with the
    // caption clear of the glyph the skin draws at their left, and given
    // their texts in a language. A button without textKey shows its glyph
    // only; one without tipKey has no tooltip.
    struct CaptionedButton {
        int id;
        const char* skinKey;
        const char* textKey;
        const char* tipKey;
    };
    void AddCaptionedButtons(std::span<const CaptionedButton> buttons, const SkinButtonFaces& faces);
    void ApplyCaptionedButtonTexts(std::span<const CaptionedButton> buttons, int languageIndex);
    // A control made and placed by the window itself.
    void RegisterControl(int id, QWidget* control) { controls_[id] = control; }
    // Places a control by its key in window coordinates, whatever its parent.
    SkinRect PlaceInWindow(QWidget* control, const std::string& skinKey);

protected:
    std::map<int, QWidget*> controls_;

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
