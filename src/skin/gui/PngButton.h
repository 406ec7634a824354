#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class QTimer;

// Text drawing flags as skins and callers spell them (the Windows DrawText
// values): 37 = centred both ways on one line, 36 = left and vertically
// centred, 40 = left and at the bottom.
enum SkinTextFormat : unsigned {
    DtLeft = 0x0,
    DtCenter = 0x1,
    DtRight = 0x2,
    DtVCenter = 0x4,
    DtBottom = 0x8,
    DtWordBreak = 0x10,
    DtSingleLine = 0x20,
    DtNoPrefix = 0x800,
};
// The Qt alignment and text flags of a DrawText format.
int SkinTextFlags(unsigned format);

struct SkinTextStyle {
    bool on = false;
    double pointSize = 8;
    QString fontName = QStringLiteral("Tahoma Unicode MS");
    QColor normal = Qt::black;
    QColor over = Qt::black;
    QColor down = Qt::black;
    QColor disabled = Qt::black;
    QColor marked = Qt::black;
    unsigned format = DtCenter | DtVCenter | DtSingleLine;
};

// Keyboard cues of a skinned window: once the owner moves the focus with the
// keyboard, the focused button shows a focus mark; a window opened with the
// mouse shows none (the focus is there all the same). Hiding a window is the
// time to clear them.
void SetKeyboardCues(QWidget* window, bool shown);
bool KeyboardCuesShown(const QWidget* window);

// The captions of the skinned windows: white, orange under the mouse, a
// lighter orange while pressed, grey when disabled.
SkinTextStyle MainCaptionStyle(double pointSize, unsigned format = DtCenter | DtVCenter | DtSingleLine,
                               const QString& fontName = QStringLiteral("Arial Unicode MS"));

// Image button whose faces are cut from full-window pictures: the face is the
// part of a picture under the button, taken at the face offset (normally the
// button's own position in the window).
class CPngButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Face { Normal, Over, Down, Disabled, Marked, ColourA, ColourB };
    using PaintCallback = std::function<void(CPngButton* button, bool normalFace)>;

    explicit CPngButton(QWidget* parent = nullptr);
    explicit CPngButton(const QString& text, QWidget* parent = nullptr);
    ~CPngButton() override;

    // A null pixmap for a face draws nothing in that state (the window
    // background shows through).
    void SetFaces(int offsetX, int offsetY, const QPixmap& normal, const QPixmap& over,
                  const QPixmap& down, const QPixmap& disabled, const QPixmap& marked,
                  bool repaint = true);
    void SetFaceImages(const QPixmap& normal, const QPixmap& over, const QPixmap& down,
                       const QPixmap& disabled, const QPixmap& marked, bool repaint = true);
    void SetFaceOffset(int offsetX, int offsetY, bool repaint = true);
    // Gives face only the part of its picture under the button: cut is that
    // part, its top-left corner at origin in the full picture. Saves holding
    // a window-sized picture for a few buttons' worth of pixels; the button
    // looks the same. Setting the faces again drops the cut.
    void SetFaceCut(Face face, const QPixmap& cut, QPoint origin);
    // Where the face's picture starts in the full picture ((0, 0) unless cut).
    QPoint FaceOrigin(Face face) const;
    // The part of a face's full picture at place (in the picture's
    // coordinates), with where it starts; a null pixmap when there is none.
    struct FaceCut {
        QPixmap pixmap;
        QPoint origin;
    };
    using FaceSource = std::function<FaceCut(Face face, const QRect& place)>;
    // The hover, pressed, disabled and marked faces the button was given no
    // picture for come from source: decoded when the button first shows
    // that face, let go once it shows another. A button then holds only the
    // face it shows.
    void SetFaceSource(FaceSource source);
    // While on, the button shows face B when selected, else face A (taking
    // precedence over pressed, hover and mark; not over disabled).
    void SetColourView(const QPixmap& faceA, const QPixmap& faceB, bool on, bool selected,
                       bool repaint = true);
    // While on, a 2-pixel outline in colour is drawn instead of the face.
    void SetFrameColour(const QColor& colour, bool on);
    // A button whose faces cover it whole can paint all of itself: the
    // window then need not paint behind it, and its frame is drawn over its
    // normal face (the window's picture under it). Kept across the style's
    // polish, which would otherwise reset it.
    void SetOpaque(bool opaque);
    bool IsOpaque() const { return opaque_; }
    void SetMark(bool on, bool repaint = true);
    void SetTextStyle(const SkinTextStyle& style);
    void SetTextStyle(bool on, double pointSize, const QString& fontName, const QColor& normal,
                      const QColor& over, const QColor& down, const QColor& disabled,
                      const QColor& marked, unsigned format);
    // Angle in tenths of a degree, counter-clockwise. With the flag set the
    // text is bold and centred on the button whatever the format says.
    void SetTextAngle(int tenthsOfDegree, bool angleFlag);
    void SetTextMargins(int left, int right, int top, int bottom);
    // Shown 300 ms after the mouse enters while active. An empty text leaves
    // text and activity unchanged.
    void SetTooltip(const QString& text, bool active);
    // Called at the end of every paint. Use update(), not repaint(), on other
    // widgets from it.
    void SetPaintCallback(PaintCallback callback);

    // State, for the windows and for tests.
    Face CurrentFace() const;
    QColor CurrentTextColour() const;
    bool IsHovered() const { return hover_; }
    bool IsMarked() const { return mark_; }
    bool IsColourView() const { return colourView_; }
    bool IsSelected() const { return selected_; }
    bool IsFrameOn() const { return frameOn_; }
    QColor FrameColour() const { return frameColour_; }
    int FaceOffsetX() const { return faceX_; }
    int FaceOffsetY() const { return faceY_; }
    QPixmap FacePixmap(Face face) const;
    const SkinTextStyle& TextStyle() const { return style_; }
    int TextAngle() const { return angle_; }
    bool TextAngleFlag() const { return angleFlag_; }
    QString TooltipText() const { return tooltipText_; }
    bool TooltipActive() const { return tooltipActive_; }
    bool TooltipPending() const;
    // The focus mark is drawn (focus and the window's keyboard cues).
    bool IsFocusMarkShown() const;
    // Something listens to its clicks (pressed or clicked).
    bool HasClickReceivers() const;

    QSize sizeHint() const override;

    // Drops the hover look of window's buttons that the pointer is not on
    // (all of them when the window is hidden): a leave the window system
    // did not send, under a menu or a dialog that took the pointer or with
    // the window hidden beneath it, must not leave a button lit.
    static void DropStaleHovers(QWidget* window);

    static constexpr int TooltipDelayMs = 300;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void ShowTooltip();
    void DrawFace(class QPainter& painter, Face face);
    QPixmap FaceToDraw(Face face);
    void ReleaseSourcedFaces(Face keep);
    void DrawText(class QPainter& painter, const QColor& colour);
    void DrawFocusMark(class QPainter& painter);

    int faceX_ = 0;
    int faceY_ = 0;
    QPixmap faces_[5];
    QPoint faceOrigins_[5];
    // Which of faces_ came from faceSource_ (and may be let go), and for
    // which place: a button moved since asks again.
    bool sourced_[5] = {};
    QRect sourcedPlaces_[5];
    FaceSource faceSource_;
    QPixmap colourA_;
    QPixmap colourB_;
    bool colourView_ = false;
    bool selected_ = false;
    bool hover_ = false;
    bool mark_ = false;
    bool frameOn_ = false;
    bool opaque_ = false;
    QColor frameColour_;
    SkinTextStyle style_;
    int angle_ = 0;
    bool angleFlag_ = false;
    int marginLeft_ = 0;
    int marginRight_ = 0;
    int marginTop_ = 0;
    int marginBottom_ = 0;
    QString tooltipText_;
    bool tooltipActive_ = false;
    QTimer* tooltipTimer_ = nullptr;
    PaintCallback paintCallback_;
};

// Neighbouring captions share one size: the largest, from largest down to
// smallest in half points, at which every button's text fits its width less
// padding. The buttons' texts are set first; each keeps its other styles.
void FitCaptionsTogether(const std::vector<CPngButton*>& buttons, double largest, double smallest,
                         int padding = 8);
