#include "skin/gui/PngButton.h"

#include "skin/gui/SkinFont.h"

#include <algorithm>

#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>

namespace {

// The longest caption a button draws, as the window text buffer allowed.
constexpr int MaxCaptionChars = 259;
constexpr const char* KeyboardCuesProperty = "rt604KeyboardCues";
const QColor FocusMarkColour(255, 130, 0);

int FaceIndex(CPngButton::Face face)
{
    switch (face) {
    case CPngButton::Face::Normal: return 0;
    case CPngButton::Face::Over: return 1;
    case CPngButton::Face::Down: return 2;
    case CPngButton::Face::Disabled: return 3;
    case CPngButton::Face::Marked: return 4;
    default: return -1;
    }
}

} // namespace

int SkinTextFlags(unsigned format)
{
    int flags = 0;
    if (format & DtCenter)
        flags |= Qt::AlignHCenter;
    else if (format & DtRight)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    // Vertical placement only means something for a single line.
    if (format & DtSingleLine) {
        flags |= Qt::TextSingleLine;
        if (format & DtVCenter)
            flags |= Qt::AlignVCenter;
        else if (format & DtBottom)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
        if (format & DtWordBreak)
            flags |= Qt::TextWordWrap;
    }
    if (!(format & DtNoPrefix))
        flags |= Qt::TextShowMnemonic;
    return flags;
}

void SetKeyboardCues(QWidget* window, bool shown)
{
    if (!window || KeyboardCuesShown(window) == shown)
        return;
    window->setProperty(KeyboardCuesProperty, shown);
    if (QWidget* focus = window->focusWidget())
        focus->update();
}

bool KeyboardCuesShown(const QWidget* window)
{
    return window && window->property(KeyboardCuesProperty).toBool();
}

SkinTextStyle MainCaptionStyle(double pointSize, unsigned format, const QString& fontName)
{
    SkinTextStyle style;
    style.on = true;
    style.pointSize = pointSize;
    style.fontName = fontName;
    style.normal = QColor(255, 255, 255);
    style.over = QColor(255, 130, 0);
    style.down = QColor(255, 155, 4);
    style.disabled = QColor(127, 127, 127);
    style.marked = QColor(255, 255, 255);
    style.format = format;
    return style;
}

void FitCaptionsTogether(const std::vector<CPngButton*>& buttons, double largest, double smallest, int padding)
{
    double size = largest;
    const auto fitsAll = [&](double points) {
        for (const CPngButton* button : buttons) {
            const QFont font = SkinFont(ResolveSkinFontFamily(button->TextStyle().fontName), points, false);
            if (QFontMetricsF(font).horizontalAdvance(button->text()) > button->width() - padding)
                return false;
        }
        return true;
    };
    while (size > smallest && !fitsAll(size))
        size -= 0.5;
    for (CPngButton* button : buttons) {
        SkinTextStyle style = button->TextStyle();
        if (style.pointSize != size) {
            style.pointSize = size;
            button->SetTextStyle(style);
        }
    }
}

CPngButton::CPngButton(QWidget* parent) : CPngButton(QString(), parent) {}

CPngButton::CPngButton(const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setText(text);
    tooltipTimer_ = new QTimer(this);
    tooltipTimer_->setSingleShot(true);
    tooltipTimer_->setInterval(TooltipDelayMs);
    connect(tooltipTimer_, &QTimer::timeout, this, &CPngButton::ShowTooltip);
}

CPngButton::~CPngButton() = default;

void CPngButton::SetFaces(int offsetX, int offsetY, const QPixmap& normal, const QPixmap& over,
                          const QPixmap& down, const QPixmap& disabled, const QPixmap& marked,
                          bool repaint)
{
    faceX_ = offsetX;
    faceY_ = offsetY;
    SetFaceImages(normal, over, down, disabled, marked, repaint);
}

void CPngButton::SetFaceImages(const QPixmap& normal, const QPixmap& over, const QPixmap& down,
                               const QPixmap& disabled, const QPixmap& marked, bool repaint)
{
    faces_[0] = normal;
    faces_[1] = over;
    faces_[2] = down;
    faces_[3] = disabled;
    faces_[4] = marked;
    for (QPoint& origin : faceOrigins_)
        origin = QPoint();
    std::fill(std::begin(sourced_), std::end(sourced_), false);
    if (repaint)
        update();
}

void CPngButton::SetFaceOffset(int offsetX, int offsetY, bool repaint)
{
    faceX_ = offsetX;
    faceY_ = offsetY;
    if (repaint)
        update();
}

void CPngButton::SetFaceCut(Face face, const QPixmap& cut, QPoint origin)
{
    const int index = FaceIndex(face);
    if (index < 0)
        return;
    faces_[index] = cut;
    faceOrigins_[index] = origin;
    sourced_[index] = false;
}

void CPngButton::SetFaceSource(FaceSource source)
{
    ReleaseSourcedFaces(Face::Normal);
    faceSource_ = std::move(source);
    update();
}

QPixmap CPngButton::FaceToDraw(Face face)
{
    const int index = FaceIndex(face);
    const QRect place(faceX_, faceY_, width(), height());
    if (index <= 0 || !faceSource_ || (sourced_[index] ? sourcedPlaces_[index] == place : !faces_[index].isNull()))
        return FacePixmap(face);
    // Asked once per showing: a picture that cannot be read draws nothing
    // rather than being decoded again at every paint.
    FaceCut cut = faceSource_(face, place);
    faces_[index] = std::move(cut.pixmap);
    faceOrigins_[index] = faces_[index].isNull() ? QPoint() : cut.origin;
    sourced_[index] = true;
    sourcedPlaces_[index] = place;
    return faces_[index];
}

void CPngButton::ReleaseSourcedFaces(Face keep)
{
    const int kept = FaceIndex(keep);
    for (int n = 0; n < 5; ++n) {
        if (!sourced_[n] || n == kept)
            continue;
        faces_[n] = QPixmap();
        faceOrigins_[n] = QPoint();
        sourced_[n] = false;
    }
}

QPoint CPngButton::FaceOrigin(Face face) const
{
    const int index = FaceIndex(face);
    return index < 0 ? QPoint() : faceOrigins_[index];
}

void CPngButton::SetColourView(const QPixmap& faceA, const QPixmap& faceB, bool on, bool selected,
                               bool repaint)
{
    colourA_ = faceA;
    colourB_ = faceB;
    colourView_ = on;
    selected_ = selected;
    if (repaint)
        update();
}

void CPngButton::SetFrameColour(const QColor& colour, bool on)
{
    frameColour_ = colour;
    frameOn_ = on;
    update();
}

void CPngButton::SetOpaque(bool opaque)
{
    opaque_ = opaque;
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

void CPngButton::SetMark(bool on, bool repaint)
{
    mark_ = on;
    if (repaint)
        update();
}

void CPngButton::SetTextStyle(const SkinTextStyle& style)
{
    style_ = style;
    update();
}

void CPngButton::SetTextStyle(bool on, double pointSize, const QString& fontName, const QColor& normal,
                              const QColor& over, const QColor& down, const QColor& disabled,
                              const QColor& marked, unsigned format)
{
    SkinTextStyle style;
    style.on = on;
    style.pointSize = pointSize;
    style.fontName = fontName;
    style.normal = normal;
    style.over = over;
    style.down = down;
    style.disabled = disabled;
    style.marked = marked;
    style.format = format;
    SetTextStyle(style);
}

void CPngButton::SetTextAngle(int tenthsOfDegree, bool angleFlag)
{
    angle_ = tenthsOfDegree;
    angleFlag_ = angleFlag;
    update();
}

void CPngButton::SetTextMargins(int left, int right, int top, int bottom)
{
    marginLeft_ = left;
    marginRight_ = right;
    marginTop_ = top;
    marginBottom_ = bottom;
    update();
}

void CPngButton::SetTooltip(const QString& text, bool active)
{
    if (text.isEmpty())
        return;
    tooltipText_ = text;
    tooltipActive_ = active;
    if (!active) {
        tooltipTimer_->stop();
        if (QToolTip::isVisible() && QToolTip::text() == tooltipText_)
            QToolTip::hideText();
    } else if (hover_ && !tooltipTimer_->isActive()) {
        tooltipTimer_->start();
    }
}

void CPngButton::SetPaintCallback(PaintCallback callback)
{
    paintCallback_ = std::move(callback);
}

CPngButton::Face CPngButton::CurrentFace() const
{
    if (!isEnabled())
        return Face::Disabled;
    if (colourView_)
        return selected_ ? Face::ColourB : Face::ColourA;
    if (isDown())
        return Face::Down;
    if (hover_)
        return Face::Over;
    if (mark_)
        return Face::Marked;
    return Face::Normal;
}

QColor CPngButton::CurrentTextColour() const
{
    switch (CurrentFace()) {
    case Face::Disabled: return style_.disabled;
    case Face::Down: return style_.down;
    case Face::Over: return style_.over;
    case Face::Marked: return style_.marked;
    default: return style_.normal;
    }
}

QPixmap CPngButton::FacePixmap(Face face) const
{
    if (face == Face::ColourA)
        return colourA_;
    if (face == Face::ColourB)
        return colourB_;
    return faces_[FaceIndex(face)];
}

bool CPngButton::IsFocusMarkShown() const
{
    return hasFocus() && KeyboardCuesShown(window());
}

bool CPngButton::HasClickReceivers() const
{
    return isSignalConnected(QMetaMethod::fromSignal(&QAbstractButton::clicked)) ||
           isSignalConnected(QMetaMethod::fromSignal(&QAbstractButton::pressed));
}

bool CPngButton::TooltipPending() const
{
    return tooltipTimer_->isActive();
}

QSize CPngButton::sizeHint() const
{
    return size();
}

void CPngButton::DrawFace(QPainter& painter, Face which)
{
    const QPixmap face = FaceToDraw(which);
    if (face.isNull())
        return;
    // The face is the part of the full-window picture under the button;
    // a picture smaller than the window (or a cut of it) simply leaves the
    // rest undrawn.
    const QPoint origin = FaceOrigin(which);
    const QRect wanted(faceX_ - origin.x(), faceY_ - origin.y(), width(), height());
    const QRect source = wanted.intersected(face.rect());
    if (source.isEmpty())
        return;
    painter.drawPixmap(source.topLeft() - wanted.topLeft(), face, source);
}

void CPngButton::DrawText(QPainter& painter, const QColor& colour)
{
    const QString caption = text().left(MaxCaptionChars);
    if (caption.isEmpty())
        return;
    const QFont font = SkinFont(style_.fontName, style_.pointSize, angleFlag_);
    painter.setFont(font);
    painter.setPen(colour);
    const QRect area = rect().adjusted(marginLeft_, marginTop_, marginRight_, marginBottom_);
    if (angle_ == 0 && !angleFlag_) {
        painter.drawText(area, SkinTextFlags(style_.format), caption);
        return;
    }
    // Rotated text is centred on the area: the middle of its extent goes to
    // the middle of the area, whatever the angle.
    const QFontMetricsF metrics(font);
    const qreal textWidth = metrics.horizontalAdvance(caption);
    const qreal textHeight = metrics.height();
    painter.save();
    painter.translate(QRectF(area).center());
    painter.rotate(-angle_ / 10.0);
    painter.drawText(QRectF(-textWidth / 2, -textHeight / 2, textWidth, textHeight),
                     Qt::AlignCenter | Qt::TextSingleLine, caption);
    painter.restore();
}

void CPngButton::paintEvent(QPaintEvent*)
{
    const Face face = CurrentFace();
    {
        QPainter painter(this);
        // Only the face shown now is kept of those the source gave.
        ReleaseSourcedFaces(frameOn_ ? Face::Normal : face);
        if (frameOn_) {
            if (opaque_)
                DrawFace(painter, Face::Normal);
            const int w = width();
            const int h = height();
            painter.fillRect(QRect(0, 0, w, 2), frameColour_);
            painter.fillRect(QRect(0, h - 2, w, 2), frameColour_);
            painter.fillRect(QRect(0, 0, 2, h), frameColour_);
            painter.fillRect(QRect(w - 2, 0, 2, h), frameColour_);
        } else {
            DrawFace(painter, face);
        }
        if (style_.on)
            DrawText(painter, CurrentTextColour());
        if (IsFocusMarkShown())
            DrawFocusMark(painter);
    }
    if (paintCallback_)
        paintCallback_(this, face == Face::Normal);
}

void CPngButton::DrawFocusMark(QPainter& painter)
{
    // A dotted outline inside the face, apart from the solid colour frame of
    // the lighting view.
    QPen pen(FocusMarkColour, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(2, 2, -3, -3));
}

void CPngButton::enterEvent(QEnterEvent* event)
{
    hover_ = true;
    update();
    if (tooltipActive_ && !tooltipText_.isEmpty())
        tooltipTimer_->start();
    QAbstractButton::enterEvent(event);
}

void CPngButton::leaveEvent(QEvent* event)
{
    hover_ = false;
    update();
    tooltipTimer_->stop();
    if (QToolTip::isVisible() && QToolTip::text() == tooltipText_)
        QToolTip::hideText();
    QAbstractButton::leaveEvent(event);
}

void CPngButton::mousePressEvent(QMouseEvent* event)
{
    tooltipTimer_->stop();
    QAbstractButton::mousePressEvent(event);
}

void CPngButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A quick second click is still a click: the press starts it and the
    // release that follows emits clicked().
    mousePressEvent(event);
}

void CPngButton::keyPressEvent(QKeyEvent* event)
{
    // A key used on a button shows where the focus is.
    SetKeyboardCues(window(), true);
    QAbstractButton::keyPressEvent(event);
}

void CPngButton::focusInEvent(QFocusEvent* event)
{
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        SetKeyboardCues(window(), true);
    update();
    QAbstractButton::focusInEvent(event);
}

void CPngButton::focusOutEvent(QFocusEvent* event)
{
    update();
    QAbstractButton::focusOutEvent(event);
}

bool CPngButton::event(QEvent* event)
{
    // Our own delayed tooltip replaces the style's.
    if (event->type() == QEvent::ToolTip && tooltipActive_ && !tooltipText_.isEmpty())
        return true;
    const bool handled = QAbstractButton::event(event);
    if (event->type() == QEvent::Polish && opaque_)
        setAttribute(Qt::WA_OpaquePaintEvent);
    return handled;
}

void CPngButton::DropStaleHovers(QWidget* window)
{
    if (!window)
        return;
    const QList<CPngButton*> buttons = window->findChildren<CPngButton*>();
    const bool anyHovered = std::any_of(buttons.begin(), buttons.end(), [](const CPngButton* b) { return b->hover_; });
    if (!anyHovered)
        return;
    // One look at the pointer for the whole window.
    const QPoint pointer = window->isVisible() ? QCursor::pos() : QPoint();
    for (CPngButton* button : buttons) {
        if (!button->hover_)
            continue;
        if (window->isVisible() && button->isVisible() && button->rect().contains(button->mapFromGlobal(pointer)))
            continue;
        button->hover_ = false;
        button->tooltipTimer_->stop();
        button->update();
    }
}

void CPngButton::ShowTooltip()
{
    if (!hover_ || !tooltipActive_ || tooltipText_.isEmpty())
        return;
    QToolTip::showText(QCursor::pos(), tooltipText_, this, rect());
}
