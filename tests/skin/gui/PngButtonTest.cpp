#include "SkinTestSupport.h"

#include "skin/gui/PngButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace {

constexpr int WindowW = 200;
constexpr int WindowH = 120;
const QRect ButtonRect(40, 30, 50, 24);

enum class Tag { Normal = 1, Over, Down, Disabled, Marked, ColourA, ColourB };

QPixmap FullWindow(Tag tag)
{
    return QPixmap::fromImage(SkinTestPattern(WindowW, WindowH, int(tag) * 30));
}

void SendMouse(QWidget& target, QEvent::Type type, QPoint at = QPoint(5, 5))
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target.mapToGlobal(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

void Enter(QWidget& target)
{
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(target.mapToGlobal(QPoint(2, 2))));
    QApplication::sendEvent(&target, &event);
}

void Leave(QWidget& target)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&target, &event);
}

// Where a widget put opaque paint of its own: rendered onto a transparent
// picture without the window's background (a grab would fill it all).
QRect InkOf(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// The window the buttons live in; tests put one button at ButtonRect with
// the five faces and the colour pair cut from distinct full-window pictures.
class PngButtonTest : public ::testing::Test {
protected:
    PngButtonTest() : button(&window)
    {
        window.resize(WindowW, WindowH);
        button.setGeometry(ButtonRect);
        button.SetFaces(ButtonRect.x(), ButtonRect.y(), FullWindow(Tag::Normal), FullWindow(Tag::Over),
                        FullWindow(Tag::Down), FullWindow(Tag::Disabled), FullWindow(Tag::Marked));
    }

    // True when the button shows exactly the part of the tag's picture under it.
    ::testing::AssertionResult ShowsFace(Tag tag)
    {
        const QImage painted = Snapshot(button);
        const QImage full = SkinTestPattern(WindowW, WindowH, int(tag) * 30);
        for (int y = 0; y < ButtonRect.height(); ++y) {
            for (int x = 0; x < ButtonRect.width(); ++x) {
                const QRgb want = full.pixel(ButtonRect.x() + x, ButtonRect.y() + y) & 0xFFFFFF;
                const QRgb got = painted.pixel(x, y) & 0xFFFFFF;
                if (want != got)
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " is " << std::hex << got << " not " << want;
            }
        }
        return ::testing::AssertionSuccess();
    }

    QWidget window;
    CPngButton button;
};

} // namespace

TEST_F(PngButtonTest, EachStateShowsItsFaceAlignedWithTheWindow)
{
    struct Case {
        const char* name;
        std::function<void(CPngButton&)> set;
        CPngButton::Face face;
        Tag tag;
    };
    const std::vector<Case> cases = {
        {"normal", [](CPngButton&) {}, CPngButton::Face::Normal, Tag::Normal},
        {"hover", [](CPngButton& b) { Enter(b); }, CPngButton::Face::Over, Tag::Over},
        {"down", [](CPngButton& b) { b.setDown(true); }, CPngButton::Face::Down, Tag::Down},
        {"down beats hover", [](CPngButton& b) { Enter(b); b.setDown(true); }, CPngButton::Face::Down, Tag::Down},
        {"marked", [](CPngButton& b) { b.SetMark(true); }, CPngButton::Face::Marked, Tag::Marked},
        {"hover beats mark", [](CPngButton& b) { b.SetMark(true); Enter(b); }, CPngButton::Face::Over, Tag::Over},
        {"disabled beats all", [](CPngButton& b) { b.SetMark(true); Enter(b); b.setEnabled(false); },
         CPngButton::Face::Disabled, Tag::Disabled},
        {"colour view A", [](CPngButton& b) {
             b.SetColourView(FullWindow(Tag::ColourA), FullWindow(Tag::ColourB), true, false); },
         CPngButton::Face::ColourA, Tag::ColourA},
        {"colour view B beats down", [](CPngButton& b) {
             b.setDown(true);
             b.SetColourView(FullWindow(Tag::ColourA), FullWindow(Tag::ColourB), true, true); },
         CPngButton::Face::ColourB, Tag::ColourB},
        {"disabled beats colour view", [](CPngButton& b) {
             b.SetColourView(FullWindow(Tag::ColourA), FullWindow(Tag::ColourB), true, true);
             b.setEnabled(false); },
         CPngButton::Face::Disabled, Tag::Disabled},
        {"colour view off", [](CPngButton& b) {
             b.SetColourView(FullWindow(Tag::ColourA), FullWindow(Tag::ColourB), false, true); },
         CPngButton::Face::Normal, Tag::Normal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPngButton fresh(&window);
        fresh.setGeometry(ButtonRect);
        fresh.SetFaces(ButtonRect.x(), ButtonRect.y(), FullWindow(Tag::Normal), FullWindow(Tag::Over),
                       FullWindow(Tag::Down), FullWindow(Tag::Disabled), FullWindow(Tag::Marked));
        c.set(fresh);
        EXPECT_EQ(fresh.CurrentFace(), c.face);
        const QImage painted = Snapshot(fresh);
        const QImage full = SkinTestPattern(WindowW, WindowH, int(c.tag) * 30);
        EXPECT_EQ(painted.pixel(0, 0) & 0xFFFFFF, full.pixel(ButtonRect.topLeft()) & 0xFFFFFF);
        EXPECT_EQ(painted.pixel(49, 23) & 0xFFFFFF, full.pixel(ButtonRect.bottomRight()) & 0xFFFFFF);
    }
}

TEST_F(PngButtonTest, WholeFaceMatchesPicturePixelForPixel)
{
    EXPECT_TRUE(ShowsFace(Tag::Normal));
    Enter(button);
    EXPECT_TRUE(ShowsFace(Tag::Over));
    Leave(button);
    EXPECT_FALSE(button.IsHovered());
    EXPECT_TRUE(ShowsFace(Tag::Normal));
}

TEST_F(PngButtonTest, FacesShareThePictureInsteadOfCopyingIt)
{
    const QPixmap normal = FullWindow(Tag::Normal);
    button.SetFaceImages(normal, normal, normal, normal, normal);
    EXPECT_EQ(button.FacePixmap(CPngButton::Face::Normal).cacheKey(), normal.cacheKey());
    EXPECT_EQ(button.FacePixmap(CPngButton::Face::Marked).cacheKey(), normal.cacheKey());
}

TEST_F(PngButtonTest, FaceOffsetOutsidePictureDrawsOnlyWhatExists)
{
    button.SetFaceOffset(WindowW - 10, WindowH - 4);
    const QImage painted = Snapshot(button);
    const QImage full = SkinTestPattern(WindowW, WindowH, int(Tag::Normal) * 30);
    EXPECT_EQ(painted.pixel(0, 0) & 0xFFFFFF, full.pixel(WindowW - 10, WindowH - 4) & 0xFFFFFF);
    EXPECT_EQ(painted.pixel(9, 3) & 0xFFFFFF, full.pixel(WindowW - 1, WindowH - 1) & 0xFFFFFF);
}

TEST_F(PngButtonTest, FrameColourOutlinesInsteadOfFace)
{
    const QColor frame(255, 0, 255);
    button.SetFrameColour(frame, true);
    EXPECT_TRUE(button.IsFrameOn());
    const QImage painted = Snapshot(button);
    const int w = ButtonRect.width(), h = ButtonRect.height();
    for (const QPoint p : {QPoint(0, h / 2), QPoint(1, h / 2), QPoint(w - 1, h / 2), QPoint(w - 2, h / 2),
                           QPoint(w / 2, 0), QPoint(w / 2, 1), QPoint(w / 2, h - 1), QPoint(w / 2, h - 2),
                           QPoint(0, 0), QPoint(w - 1, h - 1)}) {
        EXPECT_EQ(painted.pixel(p) & 0xFFFFFF, frame.rgb() & 0xFFFFFF) << p.x() << "," << p.y();
    }
    // Inside the outline neither the frame colour nor the face is drawn.
    const QImage face = SkinTestPattern(WindowW, WindowH, int(Tag::Normal) * 30);
    const QPoint inner(w / 2, h / 2);
    EXPECT_NE(painted.pixel(inner) & 0xFFFFFF, frame.rgb() & 0xFFFFFF);
    EXPECT_NE(painted.pixel(inner) & 0xFFFFFF, face.pixel(ButtonRect.topLeft() + inner) & 0xFFFFFF);
    EXPECT_NE(painted.pixel(2, h / 2) & 0xFFFFFF, frame.rgb() & 0xFFFFFF);

    button.SetFrameColour(frame, false);
    EXPECT_TRUE(ShowsFace(Tag::Normal));
}

// A button that paints all of itself (the main window's keys) shows the
// outline over its normal face, whatever its state: the same picture a
// transparent one leaves showing from the window beneath it.
TEST_F(PngButtonTest, OpaqueButtonDrawsTheFrameOverItsNormalFace)
{
    const QColor frame(255, 0, 255);
    button.SetOpaque(true);
    button.SetMark(true);
    button.SetFrameColour(frame, true);
    const QImage painted = Snapshot(button);
    const QImage face = SkinTestPattern(WindowW, WindowH, int(Tag::Normal) * 30);
    const int w = ButtonRect.width(), h = ButtonRect.height();
    for (const QPoint inner : {QPoint(w / 2, h / 2), QPoint(2, 2), QPoint(w - 3, h - 3)})
        EXPECT_EQ(painted.pixel(inner) & 0xFFFFFF, face.pixel(ButtonRect.topLeft() + inner) & 0xFFFFFF);
    for (const QPoint edge : {QPoint(0, h / 2), QPoint(w - 1, h / 2), QPoint(w / 2, 1), QPoint(w / 2, h - 2)})
        EXPECT_EQ(painted.pixel(edge) & 0xFFFFFF, frame.rgb() & 0xFFFFFF);
    EXPECT_TRUE(button.testAttribute(Qt::WA_OpaquePaintEvent)) << "the style's polish kept it";
}

TEST_F(PngButtonTest, TextColourFollowsState)
{
    SkinTextStyle style = MainCaptionStyle(10);
    style.marked = QColor(0, 200, 255);
    button.SetTextStyle(style);
    struct Case {
        std::function<void(CPngButton&)> set;
        QColor colour;
    };
    const std::vector<Case> cases = {
        {[](CPngButton&) {}, QColor(255, 255, 255)},
        {[](CPngButton& b) { Enter(b); }, QColor(255, 130, 0)},
        {[](CPngButton& b) { b.setDown(true); }, QColor(255, 155, 4)},
        {[](CPngButton& b) { b.setEnabled(false); }, QColor(127, 127, 127)},
        {[](CPngButton& b) { b.SetMark(true); }, QColor(0, 200, 255)},
        {[](CPngButton& b) { b.SetColourView(QPixmap(), QPixmap(), true, true); }, QColor(255, 255, 255)},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        CPngButton fresh(QStringLiteral("MWM"), &window);
        fresh.setGeometry(0, 0, 120, 40);
        fresh.SetTextStyle(style);
        fresh.SetTextAngle(0, true); // bold: solid strokes to find pure text pixels in
        cases[i].set(fresh);
        EXPECT_EQ(fresh.CurrentTextColour(), cases[i].colour);
        // No faces: the only opaque pixels are text, and the fully covered
        // ones carry the state's colour exactly.
        const QImage painted = Snapshot(fresh);
        int exact = 0;
        for (int y = 0; y < painted.height(); ++y)
            for (int x = 0; x < painted.width(); ++x)
                if (qAlpha(painted.pixel(x, y)) == 255 && (painted.pixel(x, y) & 0xFFFFFF) == (cases[i].colour.rgb() & 0xFFFFFF))
                    ++exact;
        EXPECT_GT(exact, 10);
    }
}

TEST_F(PngButtonTest, TextOffDrawsNoText)
{
    CPngButton plain(QStringLiteral("MWM"), &window);
    plain.setGeometry(0, 0, 120, 40);
    SkinTextStyle style = MainCaptionStyle(10);
    style.on = false;
    plain.SetTextStyle(style);
    const QImage painted = Snapshot(plain);
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
            ASSERT_NE(painted.pixel(x, y) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(PngButtonTest, RotatedTextIsCentred)
{
    CPngButton caption(QStringLiteral("PROFILE"), &window);
    caption.setGeometry(0, 0, 140, 140);
    caption.SetTextStyle(MainCaptionStyle(10, DtBottom | DtSingleLine));
    caption.SetTextAngle(268, true);
    const QRect ink = InkOf(caption);
    ASSERT_FALSE(ink.isEmpty());
    // The text itself, not the whole button.
    ASSERT_LT(ink.width(), 130);
    // Rising to the right: taller than a single line, centred on the button.
    EXPECT_GT(ink.height(), 30);
    EXPECT_LT(ink.height(), ink.width());
    EXPECT_NEAR(ink.center().x(), 70, 6);
    EXPECT_NEAR(ink.center().y(), 70, 6);
}

// The margins are added to the client rectangle the text is laid into: a
// left margin pushes left-aligned text right, a negative right margin pulls
// right-aligned text left, and so on; the other edges stay where they were.
TEST_F(PngButtonTest, TextMarginsMoveTheTextArea)
{
    auto inkOf = [this](unsigned format, int left, int right, int top, int bottom) {
        CPngButton caption(QStringLiteral("II"), &window);
        caption.setGeometry(0, 0, 160, 60);
        caption.SetTextStyle(MainCaptionStyle(10, format));
        caption.SetTextMargins(left, right, top, bottom);
        return InkOf(caption);
    };
    const unsigned left = DtLeft | DtVCenter | DtSingleLine;
    const unsigned right = DtRight | DtVCenter | DtSingleLine;
    const unsigned top = DtLeft | DtSingleLine;
    const unsigned bottom = DtLeft | DtBottom | DtSingleLine;
    const struct {
        unsigned format;
        int left, right, top, bottom;
        int dx, dy; // expected shift of the ink
    } cases[] = {
        {left, 25, 0, 0, 0, 25, 0},  {left, 0, -30, 0, 0, 0, 0},
        {right, 0, -20, 0, 0, -20, 0}, {right, 15, 0, 0, 0, 0, 0},
        {top, 0, 0, 10, 0, 0, 10},   {top, 0, 0, 0, -10, 0, 0},
        {bottom, 0, 0, 0, -8, 0, -8}, {bottom, 12, 0, 0, 0, 12, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.format << " " << c.left << "," << c.right << "," << c.top << ","
                                          << c.bottom);
        const QRect plain = inkOf(c.format, 0, 0, 0, 0);
        const QRect moved = inkOf(c.format, c.left, c.right, c.top, c.bottom);
        ASSERT_FALSE(plain.isEmpty());
        EXPECT_NEAR(moved.left() - plain.left(), c.dx, 1);
        EXPECT_NEAR(moved.top() - plain.top(), c.dy, 1);
        EXPECT_EQ(moved.size(), plain.size());
    }
}

TEST(SkinTextFlagsTest, DrawTextFormatsMapToQtAlignment)
{
    struct Case {
        unsigned format;
        int flags;
    };
    const Case cases[] = {
        {37, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic},
        {36, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic},
        {40, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine | Qt::TextShowMnemonic},
        {DtRight | DtSingleLine | DtNoPrefix, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine},
        {DtCenter | DtWordBreak, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic},
        // Without single-line the vertical flags mean nothing.
        {DtVCenter | DtBottom, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SkinTextFlags(c.format), c.flags) << c.format;
}

TEST_F(PngButtonTest, DoubleClickCountsAsSecondClick)
{
    window.show();
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    SendMouse(button, QEvent::MouseButtonPress);
    SendMouse(button, QEvent::MouseButtonRelease);
    SendMouse(button, QEvent::MouseButtonDblClick);
    SendMouse(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
}

TEST_F(PngButtonTest, EmptyTooltipTextChangesNothing)
{
    button.SetTooltip(QStringLiteral("Apply the changes"), true);
    button.SetTooltip(QString(), false);
    EXPECT_EQ(button.TooltipText(), QStringLiteral("Apply the changes"));
    EXPECT_TRUE(button.TooltipActive());

    button.SetTooltip(QStringLiteral("Other"), false);
    EXPECT_EQ(button.TooltipText(), QStringLiteral("Other"));
    EXPECT_FALSE(button.TooltipActive());
}

TEST_F(PngButtonTest, TooltipAppearsAfterDelayOnlyWhileActiveAndHovered)
{
    window.show();
    Enter(button);
    EXPECT_FALSE(button.TooltipPending()); // no text yet
    Leave(button);

    button.SetTooltip(QStringLiteral("Inactive"), false);
    Enter(button);
    EXPECT_FALSE(button.TooltipPending());
    Leave(button);

    button.SetTooltip(QStringLiteral("Profile 1"), true);
    Enter(button);
    EXPECT_TRUE(button.TooltipPending());
    EXPECT_FALSE(QToolTip::isVisible());
    QElapsedTimer waited;
    waited.start();
    while (!QToolTip::isVisible() && waited.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Profile 1"));
    EXPECT_GE(waited.elapsed(), CPngButton::TooltipDelayMs - 20);

    Leave(button);
    EXPECT_FALSE(button.TooltipPending());
}

TEST_F(PngButtonTest, PaintCallbackTellsWhetherNormalFaceWasDrawn)
{
    std::vector<bool> calls;
    button.SetPaintCallback([&calls, this](CPngButton* painted, bool normal) {
        EXPECT_EQ(painted, &button);
        calls.push_back(normal);
    });
    Snapshot(button);
    Enter(button);
    Snapshot(button);
    Leave(button);
    button.setDown(true);
    Snapshot(button);
    button.setDown(false);
    button.SetMark(true);
    Snapshot(button);
    button.SetMark(false);
    button.SetFrameColour(Qt::red, true);
    Snapshot(button);
    EXPECT_EQ(calls, (std::vector<bool>{true, false, false, false, true}));
}

// A face given only as the cut under the button looks exactly like the
// window-sized picture it was cut from, in every state; a cut that the
// picture's edge made smaller leaves the rest undrawn, as the whole picture
// would; setting the faces again draws the whole pictures again.
TEST_F(PngButtonTest, CutFacesLookLikeTheirWindowSizedPictures)
{
    using Face = CPngButton::Face;
    const std::pair<Face, Tag> faces[] = {
        {Face::Over, Tag::Over}, {Face::Down, Tag::Down}, {Face::Disabled, Tag::Disabled}, {Face::Marked, Tag::Marked}};
    for (const auto& [face, tag] : faces)
        button.SetFaceCut(face, FullWindow(tag).copy(ButtonRect), ButtonRect.topLeft());
    EXPECT_EQ(button.FacePixmap(Face::Over).size(), ButtonRect.size());
    EXPECT_EQ(button.FaceOrigin(Face::Over), ButtonRect.topLeft());
    EXPECT_EQ(button.FaceOrigin(Face::Normal), QPoint());

    Enter(button);
    EXPECT_TRUE(ShowsFace(Tag::Over));
    button.setDown(true);
    EXPECT_TRUE(ShowsFace(Tag::Down));
    button.setDown(false);
    Leave(button);
    button.SetMark(true);
    EXPECT_TRUE(ShowsFace(Tag::Marked));
    button.setEnabled(false);
    EXPECT_TRUE(ShowsFace(Tag::Disabled));
    button.setEnabled(true);
    button.SetMark(false);

    // Only the left half was cut: the right half shows nothing of the face.
    const QRect leftHalf(ButtonRect.topLeft(), QSize(ButtonRect.width() / 2, ButtonRect.height()));
    button.SetFaceCut(Face::Over, FullWindow(Tag::Over).copy(leftHalf), leftHalf.topLeft());
    Enter(button);
    const QImage painted = Snapshot(button);
    const QImage full = SkinTestPattern(WindowW, WindowH, int(Tag::Over) * 30);
    EXPECT_EQ(painted.pixel(1, 1) & 0xFFFFFF, full.pixel(ButtonRect.x() + 1, ButtonRect.y() + 1) & 0xFFFFFF);
    EXPECT_EQ(InkOf(button), QRect(QPoint(), leftHalf.size()));
    Leave(button);

    button.SetFaces(ButtonRect.x(), ButtonRect.y(), FullWindow(Tag::Normal), FullWindow(Tag::Over),
                    FullWindow(Tag::Down), FullWindow(Tag::Disabled), FullWindow(Tag::Marked));
    EXPECT_EQ(button.FaceOrigin(Face::Over), QPoint());
    Enter(button);
    EXPECT_TRUE(ShowsFace(Tag::Over));
}

// Faces given no picture come from the source when the button shows them,
// asked once per showing and let go once it shows another; faces given
// outright win over the source; a source with nothing draws nothing and is
// not asked again at every paint.
TEST_F(PngButtonTest, SourcedFacesAreDecodedWhenShownAndLetGoAfter)
{
    using Face = CPngButton::Face;
    button.SetFaces(ButtonRect.x(), ButtonRect.y(), FullWindow(Tag::Normal), QPixmap(), QPixmap(), QPixmap(),
                    FullWindow(Tag::Marked), false);
    std::vector<std::pair<Face, QRect>> asked;
    bool empty = false;
    button.SetFaceSource([&](Face face, const QRect& place) {
        asked.emplace_back(face, place);
        if (empty)
            return CPngButton::FaceCut{};
        const Tag tag = face == Face::Over ? Tag::Over : face == Face::Down ? Tag::Down : Tag::Disabled;
        return CPngButton::FaceCut{FullWindow(tag).copy(place), place.topLeft()};
    });
    using Asked = std::vector<std::pair<Face, QRect>>;
    EXPECT_TRUE(ShowsFace(Tag::Normal));
    EXPECT_TRUE(asked.empty());

    Enter(button);
    EXPECT_TRUE(ShowsFace(Tag::Over));
    EXPECT_TRUE(ShowsFace(Tag::Over));
    EXPECT_EQ(asked, (Asked{{Face::Over, ButtonRect}}));
    button.setDown(true);
    EXPECT_TRUE(ShowsFace(Tag::Down));
    EXPECT_TRUE(button.FacePixmap(Face::Over).isNull());
    button.setDown(false);
    Leave(button);
    EXPECT_TRUE(ShowsFace(Tag::Normal));
    EXPECT_TRUE(button.FacePixmap(Face::Down).isNull());
    button.SetMark(true);
    EXPECT_TRUE(ShowsFace(Tag::Marked));
    button.setEnabled(false);
    EXPECT_TRUE(ShowsFace(Tag::Disabled));
    EXPECT_EQ(button.FaceOrigin(Face::Disabled), ButtonRect.topLeft());
    button.setEnabled(true);
    button.SetMark(false);
    Enter(button);
    EXPECT_TRUE(ShowsFace(Tag::Over));
    EXPECT_EQ(asked, (Asked{{Face::Over, ButtonRect}, {Face::Down, ButtonRect}, {Face::Disabled, ButtonRect},
                            {Face::Over, ButtonRect}}));
    // Moved while showing a face, the button asks for the part under its
    // new place.
    const QPoint moved(ButtonRect.x() + 10, ButtonRect.y() + 4);
    button.SetFaceOffset(moved.x(), moved.y());
    Snapshot(button);
    EXPECT_EQ(asked.back(), std::make_pair(Face::Over, QRect(moved, ButtonRect.size())));
    EXPECT_EQ(button.FaceOrigin(Face::Over), moved);
    button.SetFaceOffset(ButtonRect.x(), ButtonRect.y());
    Leave(button);

    empty = true;
    asked.clear();
    button.setEnabled(false);
    EXPECT_EQ(InkOf(button), QRect());
    EXPECT_EQ(InkOf(button), QRect());
    EXPECT_EQ(asked, (Asked{{Face::Disabled, ButtonRect}}));
}
