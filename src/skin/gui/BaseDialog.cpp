#include "skin/gui/BaseDialog.h"

#include "skin/gui/PngButton.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <limits>
#include <utility>
#include <vector>

#include "platform/FileAccess.h"
#include "platform/PrivateProfile.h"
#include "platform/ProblemReport.h"
#include "text/LanguageTexts.h"

QRegion ShapeRegionFromImage(const QImage& shape)
{
    return BoundedShapeRegion(shape, std::numeric_limits<int>::max()).value_or(QRegion());
}

std::optional<QRegion> BoundedShapeRegion(const QImage& shape, int maxRects)
{
    if (shape.isNull())
        return QRegion();
    // Pictures without alpha come three bytes a pixel; their rows are widened
    // one at a time rather than converting a window-sized copy.
    const bool packed = shape.format() == QImage::Format_RGB888;
    const QImage image = packed || shape.format() == QImage::Format_RGB32 || shape.format() == QImage::Format_ARGB32
                             ? shape
                             : shape.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    std::vector<QRgb> widened(packed ? static_cast<size_t>(width) : 0);

    // Runs of inside pixels per row; consecutive rows with the same runs grow
    // the same rectangles downwards. The result is already in the banded,
    // coalesced form QRegion keeps internally, so it is handed over in one
    // call instead of one union per run.
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> previous;
    std::vector<std::pair<int, int>> runs;
    size_t bandStart = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (packed) {
            const uchar* bytes = image.constScanLine(y);
            for (int x = 0; x < width; ++x, bytes += 3)
                widened[static_cast<size_t>(x)] = qRgb(bytes[0], bytes[1], bytes[2]);
            line = widened.data();
        }
        runs.clear();
        int x = 0;
        while (x < width) {
            while (x < width && (line[x] & 0x00FFFFFFu) == 0x00FFFFFFu)
                ++x;
            if (x == width)
                break;
            const int start = x;
            while (x < width && (line[x] & 0x00FFFFFFu) != 0x00FFFFFFu)
                ++x;
            runs.emplace_back(start, x);
        }
        if (!runs.empty() && runs == previous && y > 0) {
            for (size_t i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
        } else {
            bandStart = rects.size();
            if (runs.size() > static_cast<size_t>(maxRects) - rects.size())
                return std::nullopt;
            for (const auto& [from, to] : runs)
                rects.emplace_back(from, y, to - from, 1);
        }
        std::swap(previous, runs);
    }
    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

CBaseDialog::CBaseDialog(QWidget* parent, const QString& layoutPath, const QString& imageFolder,
                         Qt::WindowFlags flags)
    : QDialog(parent, flags | Qt::FramelessWindowHint),
      layoutPath_(layoutPath),
      ini_(layoutPath.toStdString()),
      images_(imageFolder)
{
    // The window is its picture: nothing underneath needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);

    int error = 0;
    if (!IniCache::Instance().Get(layoutPath.toStdString(), &error)) {
        SkinLayoutFailed(layoutPath, FileErrorText(error));
        return;
    }
    const std::string mainName = ini_.GetString("SCREEN", "Main").value_or(std::string());
    if (mainName.empty()) {
        SkinLayoutFailed(layoutPath, "it names no background picture ([SCREEN] Main)");
        return;
    }
    // A present but empty "Mask" means the same as a missing one.
    const std::string maskName = ini_.GetString("SCREEN", "Mask", mainName).value_or(mainName);
    background_ = images_.Pixmap(QString::fromStdString(mainName));
    // A shape picture of its own is read only to make the region: keeping
    // it would hold a window-sized image for as long as the program runs.
    // One that is the background costs nothing more: the cache shares it.
    const QString maskFile = QString::fromStdString(maskName);
    shapePath_ = QDir::cleanPath(images_.FullPath(maskFile));
    const QImage shape = maskName == mainName ? images_.Image(maskFile) : LoadSkinImage(shapePath_);
    if (!background_.isNull())
        setFixedSize(background_.size());
    ApplyShape(shape);
}

CBaseDialog::~CBaseDialog() = default;

QImage CBaseDialog::ShapeImage() const
{
    return CutToBackground(LoadSkinImage(shapePath_));
}

QImage CBaseDialog::CutToBackground(const QImage& shape) const
{
    if (background_.isNull() || (shape.width() <= background_.width() && shape.height() <= background_.height()))
        return shape;
    return shape.copy(QRect(QPoint(0, 0), shape.size().boundedTo(background_.size())));
}

void CBaseDialog::ApplyShape(const QImage& fullShape)
{
    if (fullShape.isNull())
        return;
    const std::string maskPath = shapePath_.toStdString();
    const QImage shape = CutToBackground(fullShape);
    if (shape.size() != fullShape.size()) {
        ReportProblemOnce(maskPath + ": the window shape (" + std::to_string(fullShape.width()) + " x "
                          + std::to_string(fullShape.height()) + ") is larger than its background ("
                          + std::to_string(background_.width()) + " x " + std::to_string(background_.height())
                          + "); only the background's part is used");
    }
    const std::optional<QRegion> region = BoundedShapeRegion(shape, MaxShapeRects);
    if (!region) {
        ReportProblemOnce(maskPath + ": the window shape is too detailed (more than "
                          + std::to_string(MaxShapeRects) + " pieces); the window is shown unshaped");
        shapeRegion_ = QRegion(QRect(QPoint(0, 0), shape.size()));
        clearMask();
        return;
    }
    shapeRegion_ = *region;
    if (shapeRegion_.isEmpty()) {
        // An empty mask means "no mask" to Qt; a region wholly outside the
        // window keeps it existing but invisible, as an all-white shape says.
        setMask(QRegion(-1, -1, 1, 1));
    } else {
        setMask(shapeRegion_);
    }
}

QWidget* CBaseDialog::Control(int id) const
{
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

CPngButton* CBaseDialog::Button(int id) const
{
    return qobject_cast<CPngButton*>(Control(id));
}

namespace {

constexpr const char* ControlSection = "BUTTONINFO";

} // namespace

CPngButton* CBaseDialog::AddButton(int id, const std::string& skinKey, const SkinButtonFaces& faces, QWidget* parent)
{
    auto* button = new CPngButton(parent ? parent : this);
    button->setObjectName(QString::fromStdString(skinKey));
    RegisterControl(id, button);
    const SkinRect place = PlaceButton(button, Ini(), ControlSection, skinKey, faces.normal, faces.over, faces.down,
                                       faces.disabled, faces.marked);
    // A button inside a part of the window still shows the window's
    // pictures under its place, and sits there.
    if (button->parentWidget() != this)
        button->move(button->parentWidget()->mapFrom(this, place.Rect().topLeft()));
    return button;
}

SkinRect CBaseDialog::PlaceInWindow(QWidget* control, const std::string& skinKey)
{
    const SkinRect place = PlaceControl(control, Ini(), ControlSection, skinKey);
    if (control->parentWidget() != this)
        control->move(control->parentWidget()->mapFrom(this, place.Rect().topLeft()));
    return place;
}

void CBaseDialog::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    if (!background_.isNull())
        painter.drawPixmap(0, 0, background_);
}

void CBaseDialog::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    event->accept();
    QWindow* handle = window()->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - window()->pos();
}

void CBaseDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        window()->move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CBaseDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_ && event->button() == Qt::LeftButton) {
        dragging_ = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

// A menu or a dialog over a button, or the window hidden under the pointer,
// can swallow the button's leave: its hover look is checked again whenever
// the window is shown, hidden, activated or deactivated.
void CBaseDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    CPngButton::DropStaleHovers(this);
}

void CBaseDialog::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    CPngButton::DropStaleHovers(this);
}

void CBaseDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        CPngButton::DropStaleHovers(this);
}

void CBaseDialog::AddCaptionedButtons(std::span<const CaptionedButton> buttons, const SkinButtonFaces& faces)
{
    constexpr int CaptionLeftMargin = 34;
    constexpr int CaptionRightMargin = -8;
    for (const CaptionedButton& entry : buttons) {
        CPngButton* button = AddButton(entry.id, entry.skinKey, faces);
        button->SetTextStyle(MainCaptionStyle(9));
        button->SetTextMargins(CaptionLeftMargin, CaptionRightMargin, 0, 0);
    }
}

void CBaseDialog::ApplyCaptionedButtonTexts(std::span<const CaptionedButton> buttons, int languageIndex)
{
    for (const CaptionedButton& entry : buttons) {
        CPngButton* button = Button(entry.id);
        if (entry.textKey)
            button->setText(QString::fromStdString(LoadText(entry.textKey, languageIndex)));
        if (entry.tipKey)
            button->SetTooltip(QString::fromStdString(LoadText(entry.tipKey, languageIndex)), true);
    }
}
