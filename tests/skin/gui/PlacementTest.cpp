#include "SkinTestSupport.h"

#include "skin/gui/PngButton.h"
#include "skin/gui/SkinPlacement.h"

namespace {

void ExpectRect(const SkinRect& r, int x, int y, int w, int h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.width, w);
    EXPECT_EQ(r.height, h);
}

} // namespace

TEST(ParseSkinRectTest, LenientAndBounded)
{
    struct Case {
        const char* value;
        int x, y, w, h;
    };
    const Case cases[] = {
        {"10,20,30,40", 10, 20, 30, 40},
        {" 10 , 20 ,30, 40 ", 10, 20, 30, 40},
        {"1,1,1,1,x", 1, 1, 1, 1},
        {"10,20,30,40,50", 10, 20, 30, 40},
        {"10,20,30", 10, 20, 30, 0},      // three numbers: no height
        {"10,20", 10, 20, 0, 0},
        {"10", 1, 1, 1, 1},               // not a place
        {"", 1, 1, 1, 1},
        {"garbage", 1, 1, 1, 1},
        {"x,10,20,30", 1, 1, 1, 1},
        {"10,20,abc,40", 10, 20, 0, 0},   // stops at the first non-number
        {"10;20;30;40", 1, 1, 1, 1},
        {"-5,-7,30,-40", 0, 0, 30, 0},    // negative: clamped
        {"99999999999999999999,5,70000,2147483648", MaxSkinCoordinate, 5, MaxSkinCoordinate,
         MaxSkinCoordinate},
        {"+3,4,5,6", 3, 4, 5, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ExpectRect(ParseSkinRect(c.value), c.x, c.y, c.w, c.h);
    }
}

class PlacementTest : public ::testing::Test {
protected:
    PlacementTest()
    {
        skin.WriteFile("Layout.ini",
                       "[BUTTONINFO]\n"
                       "FUNC_ADD=12,34,56,20\n"
                       "PROGRAM_LIST=5,6,200,100\n"
                       "THREE=7,8,9\n"
                       "BROKEN=oops\n"
                       "ONE_ONE=1,1,40,40\n"
                       "LEFT_ARROW=70,80,9,12\n"
                       "[BUTTONINFO2]\n"
                       "UP_ARROW_LEFT1=3,4,0,0\n");
        ini = CIniFile(skin.Path("Layout.ini").toStdString());
        window.resize(300, 200);
    }
    TempSkinFolder skin;
    CIniFile ini;
    QWidget window;
    QPixmap faces[5] = {QPixmap::fromImage(SkinTestPattern(300, 200, 1)),
                        QPixmap::fromImage(SkinTestPattern(300, 200, 2)),
                        QPixmap::fromImage(SkinTestPattern(300, 200, 3)),
                        QPixmap::fromImage(SkinTestPattern(300, 200, 4)),
                        QPixmap::fromImage(SkinTestPattern(300, 200, 5))};
};

TEST_F(PlacementTest, PlaceButtonMovesAndCutsFacesAtItsPlace)
{
    CPngButton button(&window);
    PlaceButton(&button, ini, "BUTTONINFO", "FUNC_ADD", faces[0], faces[1], faces[2], faces[3], faces[4]);
    EXPECT_EQ(button.geometry(), QRect(12, 34, 56, 20));
    EXPECT_EQ(button.FaceOffsetX(), 12);
    EXPECT_EQ(button.FaceOffsetY(), 34);
    EXPECT_TRUE(button.isEnabled());
    EXPECT_EQ(button.FacePixmap(CPngButton::Face::Down).cacheKey(), faces[2].cacheKey());
    const QImage painted = Snapshot(button);
    EXPECT_EQ(painted.pixel(0, 0) & 0xFFFFFF, SkinTestPattern(300, 200, 1).pixel(12, 34) & 0xFFFFFF);
}

TEST_F(PlacementTest, MissingOrBrokenKeyParksAndDisablesButton)
{
    for (const char* key : {"NO_SUCH_KEY", "BROKEN", "ONE_ONE"}) {
        SCOPED_TRACE(key);
        CPngButton button(&window);
        PlaceButton(&button, ini, "BUTTONINFO", key, faces[0], faces[1], faces[2], faces[3], faces[4]);
        EXPECT_EQ(button.pos(), QPoint(1, 1));
        EXPECT_FALSE(button.isEnabled());
    }
    CPngButton missing(&window);
    PlaceButton(&missing, ini, "BUTTONINFO", "NO_SUCH_KEY", faces[0], faces[1], faces[2], faces[3], faces[4]);
    EXPECT_EQ(missing.geometry(), QRect(1, 1, 1, 1));
    // A missing file is a missing key, too.
    CIniFile nowhere(skin.Path("none.ini").toStdString());
    QWidget control(&window);
    PlaceControl(&control, nowhere, "BUTTONINFO", "FUNC_ADD");
    EXPECT_EQ(control.geometry(), QRect(1, 1, 1, 1));
}

TEST_F(PlacementTest, PlaceControlAndMoveControl)
{
    QWidget list(&window);
    PlaceControl(&list, ini, "BUTTONINFO", "PROGRAM_LIST");
    EXPECT_EQ(list.geometry(), QRect(5, 6, 200, 100));
    MoveControl(&list, ini, "BUTTONINFO", "FUNC_ADD");
    EXPECT_EQ(list.geometry(), QRect(12, 34, 200, 100));
    PlaceControl(&list, ini, "BUTTONINFO", "THREE");
    EXPECT_EQ(list.pos(), QPoint(7, 8));
    EXPECT_EQ(list.height(), 0);
}

TEST_F(PlacementTest, PlaceArrowTakesFaceFromSecondKey)
{
    CPngButton arrow(&window);
    const QPixmap arrowImage = QPixmap::fromImage(SkinTestPattern(40, 30, 9));
    PlaceArrow(&arrow, ini, "LEFT_ARROW", "BUTTONINFO2", "UP_ARROW_LEFT1", arrowImage);
    EXPECT_EQ(arrow.geometry(), QRect(70, 80, 9, 12));
    EXPECT_EQ(arrow.FaceOffsetX(), 3);
    EXPECT_EQ(arrow.FaceOffsetY(), 4);
    for (auto face : {CPngButton::Face::Normal, CPngButton::Face::Over, CPngButton::Face::Down,
                      CPngButton::Face::Disabled, CPngButton::Face::Marked})
        EXPECT_EQ(arrow.FacePixmap(face).cacheKey(), arrowImage.cacheKey());
    arrow.setEnabled(false);
    const QImage painted = Snapshot(arrow);
    EXPECT_EQ(painted.pixel(0, 0) & 0xFFFFFF, SkinTestPattern(40, 30, 9).pixel(3, 4) & 0xFFFFFF);
}
