#include "skin/gui/BitmapSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

CBitmapSlider::CBitmapSlider(int controlId, int positions, QWidget* parent)
    : QWidget(parent), controlId_(controlId), positions_(std::max(positions, 1))
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void CBitmapSlider::SetPosition(int position)
{
    position = std::clamp(position, 0, positions_ - 1);
    if (position == position_)
        return;
    position_ = position;
    update();
}

void CBitmapSlider::SetTrackPicture(const QPixmap& picture)
{
    picture_ = picture;
    update();
}

void CBitmapSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (picture_.isNull())
        return;
    painter.drawPixmap(0, 0, picture_);
    if (hasFocus()) {
        // A quiet focus mark for keyboard users: a thin line under the track.
        painter.fillRect(QRect(8, height() - 2, width() - 16, 1), QColor(255, 130, 0, 140));
    }
}

int CBitmapSlider::PositionAt(int x) const
{
    // Each position owns an equal share of the width.
    return std::clamp(x * positions_ / std::max(width(), 1), 0, positions_ - 1);
}

void CBitmapSlider::MoveTo(int position)
{
    position = std::clamp(position, 0, positions_ - 1);
    if (position == position_)
        return;
    position_ = position;
    update();
    emit positionChanged(controlId_, position_);
}

void CBitmapSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    MoveTo(PositionAt(event->position().toPoint().x()));
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        MoveTo(PositionAt(event->position().toPoint().x()));
}

void CBitmapSlider::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: MoveTo(position_ - 1); break;
    case Qt::Key_Right:
    case Qt::Key_Up: MoveTo(position_ + 1); break;
    case Qt::Key_Home: MoveTo(0); break;
    case Qt::Key_End: MoveTo(positions_ - 1); break;
    default: QWidget::keyPressEvent(event); return;
    }
    event->accept();
}

void CBitmapSlider::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps != 0)
        MoveTo(position_ + steps);
    event->accept();
}
