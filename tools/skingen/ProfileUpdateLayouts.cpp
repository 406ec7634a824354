#include "Pictures.h"
#include "Render.h"

#include <QPainter>

// The profile manager and the firmware update window. Their buttons carry a
// glyph only; the captions are language texts the program draws, so the
// pictures hold no word of any language.

SkinWindow ProfileLayout()
{
    SkinWindow w;
    w.layoutFile = "Profile.ini";
    w.size = QSize(520, 364);
    w.background = "profile_back.jpg";
    w.mask = "profile_mask.png";
    w.downIsDisabled = true;
    auto& c = w.controls;
    c.push_back(Make("CONTROL_TITLE", QRect(54, 10, 360, 26), Look::Widget));
    c.push_back(Make("PROGRAM_LIST", QRect(20, 56, 480, 200), Look::Widget));
    c.push_back(Make("FUNC_ADD", QRect(20, 266, 140, 32), Look::IconCaption, Glyph::NewFile));
    c.push_back(Make("FUNC_LOAD", QRect(166, 266, 160, 32), Look::IconCaption, Glyph::Folder));
    c.push_back(Make("FUNC_DELETE", QRect(332, 266, 140, 32), Look::IconCaption, Glyph::Trash));
    c.push_back(Make("CONTROL_OK", QRect(140, 318, 116, 32), Look::IconCaption, Glyph::Check));
    c.push_back(Make("CONTROL_CANCEL", QRect(262, 318, 116, 32), Look::IconCaption, Glyph::Cross));
    c.push_back(Make("CONTROL2_APPLY", QRect(384, 318, 116, 32), Look::IconCaption, Glyph::Apply));
    c.back().accent = true;
    return w;
}

SkinWindow UpdateLayout()
{
    SkinWindow w;
    w.layoutFile = "UpdateDlg.ini";
    w.size = QSize(520, 212);
    w.background = "update_back.jpg";
    w.mask = "update_mask.png";
    auto& c = w.controls;
    c.push_back(Make("CONTROL_TITLE", QRect(54, 10, 360, 26), Look::Widget));
    c.push_back(Make("CONTROL_CLOSE", QRect(480, 10, 28, 28), Look::IconFlat, Glyph::Close));
    c.push_back(Make("CONTROL_UPStatic", QRect(24, 60, 472, 22), Look::Widget));
    c.push_back(Make("CONTROL_UPCombox", QRect(24, 88, 472, 28), Look::Widget));
    c.push_back(Make("CONTROL_OPENButton", QRect(24, 150, 112, 38), Look::IconCaption, Glyph::Folder));
    c.push_back(Make("CONTROL_BACKUPButton", QRect(144, 150, 112, 38), Look::IconCaption, Glyph::Save));
    c.push_back(Make("CONTROL_UPButton", QRect(264, 150, 112, 38), Look::IconCaption, Glyph::Upload));
    c.back().accent = true;
    c.push_back(Make("CONTROL_CUPButton", QRect(384, 150, 112, 38), Look::IconCaption, Glyph::Cross));
    return w;
}

void MakeProfileTicks(const SavePicture& save)
{
    // The tick of the profile list, drawn on the list's dark rows.
    constexpr int Side = 18;
    for (const bool on : {false, true}) {
        QImage image(Side, Side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box(1.5, 1.5, Side - 3, Side - 3);
        FillRounded(p, box, 4, on ? QBrush(Palette::Orange) : QBrush(Palette::Well),
                    on ? Palette::OrangeDown : QColor(96, 102, 110), 1.5);
        if (on)
            DrawGlyph(p, Glyph::Check, box.adjusted(2.5, 2.5, -2.5, -2.5), QColor(30, 20, 10));
        p.end();
        save(on ? QStringLiteral("profile_tick_on.png") : QStringLiteral("profile_tick_off.png"), image);
    }
}
