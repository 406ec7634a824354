// The automatic profiles dialog: its layout and its pictures.
#include "AutoProfileSkin.h"

#include "Render.h"

namespace {

constexpr int BarHeight = 46;

QImage RenderAutoProfile(const SkinWindow& w, FaceState state)
{
    QImage image(w.size, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 255));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawDialogFrame(p, w, BarHeight, Glyph::Reset);
    // The fields sit in wells like every list and field of the skin.
    for (const char* key : {"FUNC_AUTO_RULES", "FUNC_AUTO_APPLICATION", "FUNC_AUTO_PROFILE", "FUNC_AUTO_DEFAULT"})
        DrawWell(p, QRectF(w.Find(key)->rect).adjusted(-3, -3, 3, 3));
    p.save();
    p.setPen(QPen(QColor(46, 50, 56), 1));
    const SkinControl* ok = w.Find("CONTROL_OK");
    const qreal line = ok->rect.top() - 7.5;
    p.drawLine(QPointF(24, line), QPointF(w.size.width() - 24, line));
    p.restore();
    for (const SkinControl& c : w.controls)
        DrawControl(p, c, state, PanelVariant::None);
    return image;
}

} // namespace

SkinWindow AutoProfileLayout()
{
    SkinWindow w;
    w.layoutFile = "AutoProfile.ini";
    w.size = QSize(560, 456);
    w.background = "autoprofile_normal.jpg";
    w.mask = "autoprofile_mask.png";
    auto& c = w.controls;
    c.push_back(Make("CONTROL_TITLE", QRect(54, 8, 420, 30), Look::Widget));
    c.push_back(Make("CONTROL_CLOSE", QRect(520, 9, 28, 28), Look::IconFlat, Glyph::Close));
    c.push_back(Make("FUNC_AUTO_ENABLE", QRect(24, 60, 512, 24), Look::Widget));
    c.push_back(Make("FUNC_AUTO_APPLICATION", QRect(24, 98, 232, 30), Look::Widget));
    c.push_back(Make("FUNC_AUTO_PROFILE", QRect(264, 98, 110, 30), Look::Widget));
    c.push_back(Make("FUNC_AUTO_PICK", QRect(382, 98, 84, 30), Look::Plate));
    c.push_back(Make("FUNC_AUTO_ADD", QRect(472, 98, 64, 30), Look::Plate));
    c.back().accent = true;
    c.push_back(Make("FUNC_AUTO_RULES", QRect(24, 142, 412, 170), Look::Widget));
    c.push_back(Make("FUNC_AUTO_UP", QRect(444, 139, 92, 30), Look::Plate));
    c.push_back(Make("FUNC_AUTO_DOWN", QRect(444, 175, 92, 30), Look::Plate));
    c.push_back(Make("FUNC_AUTO_REMOVE", QRect(444, 211, 92, 30), Look::Plate));
    c.push_back(Make("FUNC_AUTO_DEFAULT_CAPTION", QRect(24, 326, 232, 30), Look::Widget));
    c.push_back(Make("FUNC_AUTO_DEFAULT", QRect(264, 326, 272, 30), Look::Widget));
    c.push_back(Make("FUNC_AUTO_NOTE", QRect(24, 364, 512, 38), Look::Widget));
    c.push_back(Make("CONTROL_OK", QRect(342, 416, 94, 30), Look::Plate));
    c.back().accent = true;
    c.push_back(Make("CONTROL_CANCEL", QRect(442, 416, 94, 30), Look::Plate));
    return w;
}

void MakeAutoProfilePictures(const SkinWindow& w, const SavePicture& save)
{
    save("autoprofile_normal.jpg", RenderAutoProfile(w, FaceState::Normal));
    save("autoprofile_over.jpg", RenderAutoProfile(w, FaceState::Over));
    save("autoprofile_down.jpg", RenderAutoProfile(w, FaceState::Down));
    save("autoprofile_disable.jpg", RenderAutoProfile(w, FaceState::Disabled));
    save(QString::fromStdString(w.mask), RenderMask(w));
}
