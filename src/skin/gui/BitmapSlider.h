#pragma once

#include <QPixmap>
#include <QWidget>

// A slider drawn entirely by one picture per position (the skin draws the
// track and the knob at each of the positions). A click or drag puts the
// knob on the position under the pointer; the arrow keys, Home and End move
// it from the keyboard. Every change made by the user is reported with the
// control's id, as the slider message of the skinned window carries it.
class CBitmapSlider : public QWidget {
    Q_OBJECT
public:
    CBitmapSlider(int controlId, int positions, QWidget* parent = nullptr);

    int ControlId() const { return controlId_; }
    int Position() const { return position_; }
    // Moves the knob without reporting it.
    void SetPosition(int position);
    // The picture shown now (the window picks it per position).
    void SetTrackPicture(const QPixmap& picture);
    const QPixmap& TrackPicture() const { return picture_; }

signals:
    void positionChanged(int controlId, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void MoveTo(int position);
    int PositionAt(int x) const;

    int controlId_;
    int positions_;
    int position_ = 0;
    QPixmap picture_;
};
