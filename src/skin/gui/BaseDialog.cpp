#include "skin/gui/BaseDialog.h"

#include "skin/gui/PngButton.h"

#include <QMouseEvent>
#include <QDir>
#include <QPainter>
#include <QWindow>

#include <utility>
#include <vector>

QRegion ShapeRegionFromImage(const QImage& shape)
{
    if (shape.isNull())
        return QRegion();
    const QImage image = shape.format() == QImage::Format_RGB32 || shape.format() == QImage::Format_ARGB32
                             ? shape
                             : shape.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();

    // Runs of inside pixels per row; consecutive rows with the same runs grow
    // the same rectangles downwards. The result is already in the banded,
    // coalesced form QRegion keeps internally, so it is handed over in one
    // call instead of one union per run.
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> previous;
    std::vector<std::pair<int, int>> runs;
    size_t bandStart = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
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
    const std::string mainName = ini_.GetString("SCREEN", "Main").value_or(std::string());
    // A present but empty "Mask" means the same as a missing one.
    const std::string maskName = ini_.GetString("SCREEN", "Mask", mainName).value_or(mainName);
    background_ = images_.Pixmap(QString::fromStdString(mainName));
    // A shape picture of its own is read only to make the region: keeping
    // it would hold a window-sized image for as long as the program runs.
    // One that is the background costs nothing more: the cache shares it.
    const QString maskFile = QString::fromStdString(maskName);
    shapePath_ = QDir::cleanPath(images_.FullPath(maskFile));
    const QImage shape = maskName == mainName ? images_.Image(maskFile) : LoadSkinImage(shapePath_);

    // The window is its picture: nothing underneath needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    if (!background_.isNull())
        setFixedSize(background_.size());
    ApplyShape(shape);
}

CBaseDialog::~CBaseDialog() = default;

QImage CBaseDialog::ShapeImage() const
{
    return LoadSkinImage(shapePath_);
}

void CBaseDialog::ApplyShape(const QImage& shape)
{
    shapeRegion_ = ShapeRegionFromImage(shape);
    if (shape.isNull())
        return;
    if (shapeRegion_.isEmpty()) {
        // An empty mask means "no mask" to Qt; a region wholly outside the
        // window keeps it existing but invisible, as an all-white shape says.
        setMask(QRegion(-1, -1, 1, 1));
    } else {
        setMask(shapeRegion_);
    }
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
