#include "SkinTestSupport.h"

#include "skin/gui/BaseDialog.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinPlacement.h"
#include "support/RecordProblems.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QDir>
#include <QRandomGenerator>

#include <cstring>
#include <functional>

namespace {

qint64 RegionArea(const QRegion& region)
{
    qint64 area = 0;
    for (const QRect& rect : region)
        area += qint64(rect.width()) * rect.height();
    return area;
}

// The slow, obviously right construction: one union per run of inside pixels.
QRegion ReferenceRegion(const QImage& image)
{
    QRegion region;
    for (int y = 0; y < image.height(); ++y) {
        int x = 0;
        while (x < image.width()) {
            if ((image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image.width() && (image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                ++x;
            region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

QImage BorderedShape()
{
    QImage shape = SkinTestSolid(300, 200, qRgb(255, 255, 255));
    for (int y = 1; y < 199; ++y)
        for (int x = 1; x < 299; ++x)
            shape.setPixel(x, y, qRgb(0, 0, 0));
    return shape;
}

} // namespace

TEST(ShapeRegion, AllWhiteShapeGivesEmptyRegion)
{
    EXPECT_TRUE(ShapeRegionFromImage(SkinTestSolid(300, 200, qRgb(255, 255, 255))).isEmpty());
    EXPECT_TRUE(ShapeRegionFromImage(QImage()).isEmpty());
}

TEST(ShapeRegion, OnePixelWhiteBorderLeaves298By198)
{
    const QRegion region = ShapeRegionFromImage(BorderedShape());
    EXPECT_EQ(region.boundingRect(), QRect(1, 1, 298, 198));
    EXPECT_EQ(RegionArea(region), 298 * 198);
}

TEST(ShapeRegion, OnlyExactWhiteIsOutside)
{
    QImage shape = SkinTestSolid(4, 1, qRgb(255, 255, 255));
    shape.setPixel(1, 0, qRgb(254, 255, 255));
    shape.setPixel(3, 0, qRgb(255, 255, 254));
    const QRegion region = ShapeRegionFromImage(shape);
    EXPECT_EQ(RegionArea(region), 2);
    EXPECT_TRUE(region.contains(QPoint(1, 0)));
    EXPECT_TRUE(region.contains(QPoint(3, 0)));
    EXPECT_FALSE(region.contains(QPoint(0, 0)));
}

QImage NoisyDisc()
{
    // A disc with a hole, a striped stretch, and scattered noise.
    QImage shape = SkinTestSolid(160, 120, qRgb(255, 255, 255));
    QRandomGenerator random(604);
    for (int y = 0; y < shape.height(); ++y) {
        for (int x = 0; x < shape.width(); ++x) {
            const int dx = x - 80, dy = y - 60;
            const int d2 = dx * dx + dy * dy;
            bool inside = d2 < 55 * 55 && d2 > 15 * 15;
            if (y >= 100 && y < 110)
                inside = (x / 7) % 2 == 0;
            if (random.bounded(20) == 0)
                inside = !inside;
            if (inside)
                shape.setPixel(x, y, qRgb(20, 30, 40));
        }
    }
    return shape;
}

QImage BandedRows()
{
    // Stretches of 1 to 15 identical rows, each with its own runs, some
    // empty, so that rows merge into taller rectangles of every height.
    QImage shape = SkinTestSolid(97, 200, qRgb(255, 255, 255));
    QRandomGenerator random(1132);
    int y = 0;
    for (int height = 1; y < shape.height(); height = height % 15 + 1) {
        std::vector<bool> inside(shape.width());
        const bool empty = random.bounded(6) == 0;
        for (int x = 0; x < shape.width(); ++x)
            inside[x] = !empty && random.bounded(3) != 0;
        for (int row = 0; row < height && y < shape.height(); ++row, ++y)
            for (int x = 0; x < shape.width(); ++x)
                if (inside[x])
                    shape.setPixel(x, y, qRgb(0, 0, 0));
    }
    return shape;
}

TEST(ShapeRegion, IrregularShapesMatchRunByRunUnion)
{
    // Pictures without alpha come three bytes a pixel from the skin cache.
    for (const QImage& shape : {NoisyDisc(), BandedRows(), NoisyDisc().convertToFormat(QImage::Format_RGB888)}) {
        const QRegion fast = ShapeRegionFromImage(shape);
        const QRegion reference = ReferenceRegion(shape);
        EXPECT_TRUE(fast.xored(reference).isEmpty());
        EXPECT_EQ(RegionArea(fast), RegionArea(reference));
        // The result must behave as a normal region in later operations.
        EXPECT_TRUE((fast - reference).isEmpty());
        EXPECT_TRUE((reference - fast).isEmpty());
        EXPECT_EQ(fast.boundingRect(), reference.boundingRect());
        EXPECT_LE(fast.rectCount(), reference.rectCount());
    }
}

class BaseDialogTest : public ::testing::Test {
protected:
    void WriteLayout(const QByteArray& screenSection)
    {
        skin.WriteFile("Layout.ini", "[SCREEN]\n" + screenSection + "\n[BUTTONINFO]\nCONTROL_OK=10,20,30,40\n");
    }
    TempSkinFolder skin;
};

TEST_F(BaseDialogTest, TakesBackgroundSizeAndShapesFromMask)
{
    skin.SaveImage("back.png", SkinTestPattern(300, 200, 7));
    skin.SaveImage("shape.bmp", BorderedShape(), "BMP");
    WriteLayout("Main=back.png\nMask=shape.bmp\n");

    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    EXPECT_EQ(dialog.size(), QSize(300, 200));
    EXPECT_EQ(dialog.ShapeRegion().boundingRect(), QRect(1, 1, 298, 198));
    EXPECT_TRUE(dialog.mask().xored(dialog.ShapeRegion()).isEmpty());
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);

    const QImage painted = Snapshot(dialog);
    for (const QPoint p : {QPoint(5, 5), QPoint(150, 100), QPoint(298, 198)})
        EXPECT_EQ(painted.pixel(p) & 0xFFFFFF, SkinTestPattern(300, 200, 7).pixel(p) & 0xFFFFFF);
}

TEST_F(BaseDialogTest, MaskDefaultsToBackground)
{
    QImage back = SkinTestSolid(120, 80, qRgb(255, 255, 255));
    for (int y = 10; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            back.setPixel(x, y, qRgb(0, 90, 0));
    skin.SaveImage("back.png", back);
    for (const QByteArray& screen : {QByteArray("Main=back.png\n"), QByteArray("Main=back.png\nMask=\n")}) {
        SCOPED_TRACE(screen.toStdString());
        WriteLayout(screen);
        RecordSkinFailures failures;
        CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
        EXPECT_TRUE(failures.paths.empty());
        EXPECT_EQ(dialog.ShapeRegion().boundingRect(), QRect(0, 10, 120, 20));
        EXPECT_EQ(dialog.Images().LoadedCount(), 1);
    }
}

TEST_F(BaseDialogTest, AllWhiteShapeKeepsWindowButShowsNothing)
{
    skin.SaveImage("back.png", SkinTestPattern(60, 40, 1));
    skin.SaveImage("white.png", SkinTestSolid(60, 40, qRgb(255, 255, 255)));
    WriteLayout("Main=back.png\nMask=white.png\n");

    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    EXPECT_TRUE(dialog.ShapeRegion().isEmpty());
    // Qt reads an empty mask as "no mask", which would show the whole window.
    EXPECT_FALSE(dialog.mask().isEmpty());
    EXPECT_TRUE(dialog.mask().intersected(dialog.rect()).isEmpty());
}

TEST_F(BaseDialogTest, MissingPicturesAreReportedByPath)
{
    WriteLayout("Main=gone.jpg\nMask=shape_gone.png\n");
    RecordSkinFailures failures;
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    ASSERT_EQ(failures.paths.size(), 2u);
    EXPECT_NE(failures.paths[0].find("gone.jpg"), std::string::npos);
    EXPECT_NE(failures.paths[1].find("shape_gone.png"), std::string::npos);
}

TEST_F(BaseDialogTest, NoBackgroundNameIsAFailureToo)
{
    WriteLayout("Other=1\n");
    RecordSkinFailures failures;
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    EXPECT_FALSE(failures.paths.empty());
    EXPECT_TRUE(dialog.Background().isNull());
}

// One-pixel squares: every row is half white, so each row is width / 2
// runs and no two rows alike.
QImage Checkerboard(int width, int height)
{
    QImage board(width, height, QImage::Format_Mono);
    for (int y = 0; y < height; ++y)
        std::memset(board.scanLine(y), y % 2 ? 0xAA : 0x55, static_cast<size_t>(board.bytesPerLine()));
    board.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return board;
}

TEST_F(BaseDialogTest, AMaskLargerThanItsBackgroundIsCutToIt)
{
    // 4000 x 4000 squares in a file of a few kilobytes.
    skin.SaveImage("back.png", SkinTestPattern(100, 80, 2));
    skin.SaveImage("board.png", Checkerboard(4000, 4000));
    WriteLayout("Main=back.png\nMask=board.png\n");
    RecordProblems problems;
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    EXPECT_EQ(dialog.ShapeImage().size(), QSize(100, 80));
    EXPECT_EQ(dialog.ShapeRegion().boundingRect(), QRect(0, 0, 100, 80));
    EXPECT_EQ(dialog.ShapeRegion().rectCount(), 50 * 80);
    EXPECT_EQ(RegionArea(dialog.ShapeRegion()), 50 * 80);
    ASSERT_EQ(problems.told.size(), 1u);
    EXPECT_EQ(problems.told[0], skin.Path("board.png").toStdString()
                                    + ": the window shape (4000 x 4000) is larger than its background (100 x 80); "
                                      "only the background's part is used");
}

TEST_F(BaseDialogTest, AMaskTooDetailedForAWindowLeavesItUnshaped)
{
    skin.SaveImage("back.png", SkinTestPattern(600, 400, 2));
    skin.SaveImage("board.png", Checkerboard(600, 400)); // 120000 pieces
    WriteLayout("Main=back.png\nMask=board.png\n");
    RecordProblems problems;
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    EXPECT_EQ(dialog.ShapeRegion(), QRegion(0, 0, 600, 400));
    EXPECT_TRUE(dialog.mask().isEmpty());
    ASSERT_EQ(problems.told.size(), 1u);
    EXPECT_NE(problems.told[0].find("board.png: the window shape is too detailed"), std::string::npos);
    EXPECT_FALSE(BoundedShapeRegion(Checkerboard(600, 400), MaxShapeRects));
    EXPECT_TRUE(BoundedShapeRegion(Checkerboard(600, 200), MaxShapeRects)); // 60000 pieces
}

TEST_F(BaseDialogTest, AnUnusableLayoutFileIsReportedByItsOwnName)
{
    const QString layout = skin.Path("Layout.ini");
    struct Case {
        const char* kind;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"missing", [] {}},
        {"no background", [this] { WriteLayout("Mask=shape.png\n"); }},
        {"a folder", [&layout] { QDir().mkpath(layout); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        QFile::remove(layout);
        QDir().rmdir(layout);
        c.make();
        RecordSkinFailures failures;
        CBaseDialog dialog(nullptr, layout, skin.Folder());
        EXPECT_EQ(failures.paths, std::vector<std::string>{layout.toStdString()});
        EXPECT_TRUE(dialog.Background().isNull());
    }
}

TEST_F(BaseDialogTest, ControlsPlacedOutsideTheWindowAreTold)
{
    skin.SaveImage("back.png", SkinTestPattern(200, 100, 3));
    skin.WriteFile("Layout.ini", "[SCREEN]\nMain=back.png\n[BUTTONINFO]\nIN=10,10,50,20\nEDGE=150,80,50,20\n"
                                 "OUT=190,90,30,30\nFAR=5000,5,10,10\n");
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    RecordProblems problems;
    for (const char* key : {"IN", "EDGE", "OUT", "FAR", "MISSING"}) {
        QWidget control(&dialog);
        PlaceControl(&control, dialog.Ini(), "BUTTONINFO", key);
    }
    const std::string layout = skin.Path("Layout.ini").toStdString();
    EXPECT_EQ(problems.told,
              (std::vector<std::string>{
                  layout + ": [BUTTONINFO] OUT puts its control at 190,90 (30 x 30), outside its 200 x 100 window",
                  layout + ": [BUTTONINFO] FAR puts its control at 5000,5 (10 x 10), outside its 200 x 100 window"}));
}

TEST_F(BaseDialogTest, LeftPressOutsideControlsDragsTheWindow)
{
    skin.SaveImage("back.png", SkinTestPattern(200, 100, 3));
    WriteLayout("Main=back.png\n");
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    CPngButton button(&dialog);
    button.setGeometry(150, 50, 40, 40);
    dialog.move(100, 100);
    dialog.show();
    QApplication::processEvents();
    const QPoint start = dialog.pos();

    auto send = [](QWidget* target, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(local), QPointF(global),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    };
    // On a control: the window stays.
    send(&button, QEvent::MouseButtonPress, QPoint(5, 5), start + QPoint(155, 55), Qt::LeftButton);
    send(&dialog, QEvent::MouseMove, QPoint(40, 30), start + QPoint(190, 85), Qt::LeftButton);
    send(&button, QEvent::MouseButtonRelease, QPoint(5, 5), start + QPoint(155, 55), Qt::NoButton);
    EXPECT_EQ(dialog.pos(), start);

    send(&dialog, QEvent::MouseButtonPress, QPoint(10, 10), start + QPoint(10, 10), Qt::LeftButton);
    send(&dialog, QEvent::MouseMove, QPoint(10, 10), start + QPoint(50, 40), Qt::LeftButton);
    send(&dialog, QEvent::MouseButtonRelease, QPoint(10, 10), start + QPoint(50, 40), Qt::NoButton);
    QApplication::processEvents();
    EXPECT_EQ(dialog.pos(), start + QPoint(40, 30));
}

// A button whose leave never came (a menu or dialog took the pointer, the
// window was hidden beneath it) loses its hover look when the window is
// hidden, shown or its activation changes, unless the pointer is on it.
TEST_F(BaseDialogTest, HoverLooksDoNotOutliveTheWindowsPointer)
{
    skin.SaveImage("back.png", SkinTestPattern(200, 120, 3));
    WriteLayout("Main=back.png\n");
    CBaseDialog dialog(nullptr, skin.Path("Layout.ini"), skin.Folder());
    CPngButton button(&dialog);
    button.setGeometry(40, 30, 50, 24);
    dialog.show();
    const auto enter = [&button] {
        QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(button.mapToGlobal(QPoint(2, 2))));
        QApplication::sendEvent(&button, &event);
        return button.IsHovered();
    };

    ASSERT_TRUE(enter());
    dialog.hide();
    EXPECT_FALSE(button.IsHovered());

    dialog.show();
    ASSERT_TRUE(enter());
    QCursor::setPos(dialog.mapToGlobal(QPoint(150, 100))); // away from the button
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&dialog, &activation);
    EXPECT_FALSE(button.IsHovered());
    EXPECT_EQ(button.CurrentFace(), CPngButton::Face::Normal);

    // With the pointer on it, it stays lit.
    ASSERT_TRUE(enter());
    QCursor::setPos(button.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&dialog, &activation);
    EXPECT_TRUE(button.IsHovered());
}
