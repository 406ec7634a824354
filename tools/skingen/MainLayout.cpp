#include "SkinLayout.h"

#include "keys/KeyTable.h"

#include <cmath>
#include <cstdio>

namespace {

// One keyboard unit in pixels; caps keep a 4-pixel gap.
constexpr double U = 42.0;
constexpr int CapGap = 4;
// Top left of the main key block (Esc) and the columns of the other blocks.
constexpr double BlockX = 153.0;
constexpr double BlockY = 118.0;
constexpr double NavX = 15.4;
constexpr double PadX = 18.8;
constexpr double RowGap = 0.35; // between the function row and the rest

struct KeyPos {
    uint16_t code; // 0: Fn
    double x, w = 1.0, h = 1.0;
};

QRect UnitRect(double ux, double uy, double uw, double uh)
{
    const int left = static_cast<int>(std::lround(BlockX + ux * U));
    const int top = static_cast<int>(std::lround(BlockY + uy * U));
    const int right = static_cast<int>(std::lround(BlockX + (ux + uw) * U));
    const int bottom = static_cast<int>(std::lround(BlockY + (uy + uh) * U));
    return QRect(left + CapGap / 2, top + CapGap / 2, right - left - CapGap, bottom - top - CapGap);
}

std::string KeyName(uint16_t code)
{
    char name[16];
    std::snprintf(name, sizeof name, "KEY_%03X", static_cast<unsigned>(code));
    return name;
}

// Key legends as printed on caps: the table's labels, shortened where a cap
// is too small for the whole word.
QString CapLegend(uint16_t code)
{
    QString label = QString::fromUtf8(KeyRecordOf(code).label);
    static const std::pair<const char*, const char*> shortNames[] = {
        {"Print Screen", "PrtSc"}, {"Scroll Lock", "ScrLk"}, {"Insert", "Ins"},
        {"Delete", "Del"}, {"Page Up", "PgUp"}, {"Page Down", "PgDn"},
        {"Num Lock", "Num"}, {"Num Enter", "Enter"}, {"App", "Menu"},
        {"Space", ""}, {"Right Shift", "Shift"}, {"Right Ctrl", "Ctrl"},
        {"Right Alt", "Alt"}, {"Right Win", "Win"},
    };
    for (const auto& [from, to] : shortNames)
        if (label == QLatin1String(from))
            return QString::fromUtf8(to);
    if (label.startsWith(QLatin1String("Num ")))
        return label.mid(4);
    return label;
}

QString ShiftLegend(uint16_t code)
{
    static const std::pair<uint16_t, const char*> shifted[] = {
        {0x029, "~"}, {0x002, "!"}, {0x003, "@"}, {0x004, "#"}, {0x005, "$"}, {0x006, "%"},
        {0x007, "^"}, {0x008, "&"}, {0x009, "*"}, {0x00A, "("}, {0x00B, ")"}, {0x00C, "_"},
        {0x00D, "+"}, {0x01A, "{"}, {0x01B, "}"}, {0x02B, "|"}, {0x027, ":"}, {0x028, "\""},
        {0x033, "<"}, {0x034, ">"}, {0x035, "?"},
    };
    for (const auto& [c, s] : shifted)
        if (c == code)
            return QString::fromUtf8(s);
    return {};
}

void AddRow(std::vector<SkinControl>& out, double uy, std::initializer_list<KeyPos> keys)
{
    for (const KeyPos& k : keys) {
        SkinControl c;
        c.rect = UnitRect(k.x, uy, k.w, k.h);
        c.look = Look::KeyCap;
        c.layer = Layer::Key;
        if (k.code == 0) {
            c.key = "KEY_FN";
            c.legend = QStringLiteral("Fn");
        } else {
            c.key = KeyName(k.code);
            c.legend = CapLegend(k.code);
            c.subLegend = ShiftLegend(k.code);
        }
        out.push_back(c);
    }
}

void AddKeyboard(std::vector<SkinControl>& out)
{
    const double r1 = 1 + RowGap, r2 = r1 + 1, r3 = r2 + 1, r4 = r3 + 1, r5 = r4 + 1;
    AddRow(out, 0, {{0x001, 0}, {0x03B, 2}, {0x03C, 3}, {0x03D, 4}, {0x03E, 5},
                    {0x03F, 6.5}, {0x040, 7.5}, {0x041, 8.5}, {0x042, 9.5},
                    {0x043, 11}, {0x044, 12}, {0x057, 13}, {0x058, 14},
                    {0x137, NavX}, {0x046, NavX + 1}, {0x045, NavX + 2}});
    AddRow(out, r1, {{0x029, 0}, {0x002, 1}, {0x003, 2}, {0x004, 3}, {0x005, 4}, {0x006, 5},
                     {0x007, 6}, {0x008, 7}, {0x009, 8}, {0x00A, 9}, {0x00B, 10}, {0x00C, 11},
                     {0x00D, 12}, {0x00E, 13, 2},
                     {0x152, NavX}, {0x147, NavX + 1}, {0x149, NavX + 2},
                     {0x145, PadX}, {0x135, PadX + 1}, {0x037, PadX + 2}, {0x04A, PadX + 3}});
    AddRow(out, r2, {{0x00F, 0, 1.5}, {0x010, 1.5}, {0x011, 2.5}, {0x012, 3.5}, {0x013, 4.5},
                     {0x014, 5.5}, {0x015, 6.5}, {0x016, 7.5}, {0x017, 8.5}, {0x018, 9.5},
                     {0x019, 10.5}, {0x01A, 11.5}, {0x01B, 12.5}, {0x02B, 13.5, 1.5},
                     {0x153, NavX}, {0x14F, NavX + 1}, {0x151, NavX + 2},
                     {0x047, PadX}, {0x048, PadX + 1}, {0x049, PadX + 2}, {0x04E, PadX + 3, 1, 2}});
    AddRow(out, r3, {{0x03A, 0, 1.75}, {0x01E, 1.75}, {0x01F, 2.75}, {0x020, 3.75}, {0x021, 4.75},
                     {0x022, 5.75}, {0x023, 6.75}, {0x024, 7.75}, {0x025, 8.75}, {0x026, 9.75},
                     {0x027, 10.75}, {0x028, 11.75}, {0x01C, 12.75, 2.25},
                     {0x04B, PadX}, {0x04C, PadX + 1}, {0x04D, PadX + 2}});
    AddRow(out, r4, {{0x02A, 0, 1.25}, {0x056, 1.25}, {0x02C, 2.25}, {0x02D, 3.25}, {0x02E, 4.25},
                     {0x02F, 5.25}, {0x030, 6.25}, {0x031, 7.25}, {0x032, 8.25}, {0x033, 9.25},
                     {0x034, 10.25}, {0x035, 11.25}, {0x073, 12.25}, {0x036, 13.25, 1.75},
                     {0x148, NavX + 1},
                     {0x04F, PadX}, {0x050, PadX + 1}, {0x051, PadX + 2}, {0x11C, PadX + 3, 1, 2}});
    AddRow(out, r5, {{0x01D, 0, 1.25}, {0x15B, 1.25, 1.25}, {0x038, 2.5, 1.25}, {0x039, 3.75, 6.25},
                     {0x138, 10}, {0, 11}, {0x15D, 12}, {0x15C, 13}, {0x11D, 14},
                     {0x14B, NavX}, {0x150, NavX + 1}, {0x14D, NavX + 2},
                     {0x052, PadX, 2}, {0x053, PadX + 2}});

    // The D row sits above F1-F4 and takes their place when flipped.
    for (int i = 0; i < 6; ++i) {
        SkinControl c;
        c.key = "KEY_D" + std::to_string(i + 1);
        c.rect = UnitRect(2 + i * (4.0 / 6), -0.74, 4.0 / 6, 0.64);
        c.look = Look::KeyCap;
        c.layer = Layer::Key;
        c.legend = QStringLiteral("D%1").arg(i + 1);
        out.push_back(c);
    }

    // G1-G9: a column left of the block, spanning it from the function row
    // to the bottom row.
    const double top = BlockY, bottom = BlockY + (r5 + 1) * U;
    const double pitch = (bottom - top) / 9;
    for (int i = 0; i < 9; ++i) {
        SkinControl c;
        c.key = "FUNC_G" + std::to_string(i + 1);
        const int y0 = static_cast<int>(std::lround(top + i * pitch));
        const int y1 = static_cast<int>(std::lround(top + (i + 1) * pitch));
        c.rect = QRect(92, y0 + 2, 46, y1 - y0 - 4);
        c.look = Look::KeyCap;
        c.layer = Layer::Key;
        c.legend = QStringLiteral("G%1").arg(i + 1);
        out.push_back(c);
    }
}

SkinControl Backdrop(std::string key, QRect rect, Look look, QString legend = {})
{
    SkinControl c = Make(std::move(key), rect, look, Glyph::None, std::move(legend));
    c.layer = Layer::Backdrop;
    return c;
}

} // namespace

const SkinControl* SkinWindow::Find(const std::string& key) const
{
    for (const SkinControl& c : controls)
        if (c.key == key)
            return &c;
    return nullptr;
}

SkinWindow MainWindowLayout()
{
    SkinWindow w;
    w.layoutFile = "Main.ini";
    w.size = QSize(1200, 650);
    w.background = "main_back.jpg";
    w.mask = "main_mask.png";
    auto& c = w.controls;

    // Pictures that lie under other buttons come first: the file order is
    // the stacking order, bottom first.
    c.push_back(Backdrop("LOCK_AB", QRect(86, 112, 58, 279), Look::Tray));
    const QRect d1 = UnitRect(2, -0.74, 4.0 / 6, 0.64);
    c.push_back(Backdrop("FLIP_0", QRect(199, d1.top() - 5, 244, d1.height() + 10), Look::Tray));

    // Title bar.
    c.push_back(Make("KORVEN_VER", QRect(236, 23, 120, 18), Look::Widget));
    c.push_back(Make("CONTROL_LangCombo", QRect(896, 17, 144, 28), Look::Widget));
    c.push_back(Make("CONTROL_MENU", QRect(1052, 17, 28, 28), Look::IconFlat, Glyph::Menu));
    c.push_back(Make("CONTROL_HELP", QRect(1084, 17, 28, 28), Look::IconFlat, Glyph::Help));
    c.push_back(Make("CONTROL_MINIMIZE", QRect(1116, 17, 28, 28), Look::IconFlat, Glyph::Minimize));
    c.push_back(Make("CONTROL_CLOSE", QRect(1148, 17, 28, 28), Look::IconFlat, Glyph::Close));

    AddKeyboard(c);

    // Flip switches beside the D row with their arrows inside them.
    const QRect flip1(203, d1.top(), 30, d1.height());
    const QRect flip2(409, d1.top(), 30, d1.height());
    c.push_back(Make("FLIP_1", flip1, Look::Icon));
    c.push_back(Make("FLIP_2", flip2, Look::Icon));
    const QRect arrow(0, 0, 14, 14);
    c.push_back(Backdrop("LEFT_ARROW", arrow.translated(flip1.center() - arrow.center()), Look::Widget));
    c.push_back(Backdrop("RIGHT_ARROW", arrow.translated(flip2.center() - arrow.center()), Look::Widget));

    // Lock indicators above the numeric pad.
    const char* locks[] = {"LOCK_NUM", "LOCK_CAPS", "LOCK_SCROLL"};
    const char* lockNames[] = {"NUM", "CAPS", "SCROLL"};
    for (int i = 0; i < 3; ++i) {
        const QRect r = UnitRect(PadX + i * 4.0 / 3, 0.1, 4.0 / 3, 0.8);
        c.push_back(Backdrop(locks[i], r, Look::Led, QString::fromLatin1(lockNames[i])));
        c.back().layer = Layer::Control;
    }

    // Profiles card.
    SkinControl profiles = Make("FUNC_PROFILES", QRect(36, 424, 252, 64), Look::Slant);
    c.push_back(profiles);
    for (int i = 0; i < 3; ++i)
        c.push_back(Make("FUNC_PROFILE" + std::to_string(i + 1), QRect(36 + i * 87, 500, 78, 36), Look::Plate));
    c.push_back(Make("FUNC_MACRO", QRect(36, 548, 122, 36), Look::Plate));
    c.push_back(Make("FUNC_DEFAULT", QRect(166, 548, 122, 36), Look::Plate));

    // Lighting card: effect row, sliders and direction on the left, the
    // colour groups (one at a time) on the right.
    c.push_back(Make("CONTROL_DengStaPic", QRect(324, 424, 56, 28), Look::Widget));
    c.push_back(Make("CONTROL_DengStatic", QRect(388, 427, 104, 22), Look::Widget));
    c.push_back(Make("CONTROL_XGcombox", QRect(496, 424, 228, 28), Look::Widget));
    c.push_back(Make("CONTROL_umCombo", QRect(732, 424, 144, 28), Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_LightStatic", QRect(324, 465, 100, 22), Look::Widget));
    c.push_back(Make("CONTROL_LightSlider", QRect(428, 462, 160, 28), Look::Widget));
    c.push_back(Make("CONTROL_SpeedStatic", QRect(324, 501, 100, 22), Look::Widget));
    c.push_back(Make("CONTROL_SpeedSlider", QRect(428, 498, 160, 28), Look::Widget));
    for (const char* suffix : {"", "2", "3"}) {
        const std::string group = std::string("DIR") + suffix;
        c.push_back(Make(std::string("CONTROL_BLFXStatic") + suffix, QRect(324, 537, 100, 22), Look::Widget, Glyph::None, {}, group));
        c.push_back(Make(std::string("CONTROL_BLFXLStaPic") + suffix, QRect(428, 534, 76, 28), Look::Widget, Glyph::None, {}, group));
        c.push_back(Make(std::string("CONTROL_BLFXRStaPic") + suffix, QRect(512, 534, 76, 28), Look::Widget, Glyph::None, {}, group));
    }
    const QRect label1(600, 465, 110, 22), value1(716, 462, 72, 28);
    const QRect label2(600, 501, 110, 22), value2(716, 498, 72, 28);
    const QRect label3(600, 537, 110, 22);
    c.push_back(Make("CONTROL_HXysStatic", label1, Look::Widget, Glyph::None, {}, "HX"));
    c.push_back(Make("CONTROL_HXysButton", value1, Look::Widget, Glyph::None, {}, "HX"));
    c.push_back(Make("CONTROL_HXsjsStatic", label2, Look::Widget, Glyph::None, {}, "HX"));
    c.push_back(Make("CONTROL_HXsjsStaPic", value2, Look::Widget, Glyph::None, {}, "HX"));
    c.push_back(Make("CONTROL_FYYSStatic", label1, Look::Widget, Glyph::None, {}, "FY"));
    c.push_back(Make("CONTROL_FYYSButton", value1, Look::Widget, Glyph::None, {}, "FY"));
    c.push_back(Make("CONTROL_FYSJSStatic", label2, Look::Widget, Glyph::None, {}, "FY"));
    c.push_back(Make("CONTROL_FYSJSStaPic", value2, Look::Widget, Glyph::None, {}, "FY"));
    const char* pics[] = {"CONTROL_HONGPIC", "CONTROL_HUANGPIC", "CONTROL_LVPIC", "CONTROL_LANPIC"};
    for (int i = 0; i < 4; ++i)
        c.push_back(Make(pics[i], QRect(600 + i * 70, 462, 62, 28), Look::Widget, Glyph::None, {}, "PICK4"));
    c.push_back(Make("CONTROL_USERysStatic", label1, Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_USERysButton", value1, Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_USERjsStatic", label2, Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_USERjsButton", value2, Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_USERgjStatic", label3, Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_USERgjStaPic1", QRect(716, 534, 34, 28), Look::Widget, Glyph::None, {}, "USER"));
    c.push_back(Make("CONTROL_USERgjStaPic2", QRect(754, 534, 34, 28), Look::Widget, Glyph::None, {}, "USER"));

    // Performance and command card.
    c.push_back(Make("CONTROL_UsbStatic", QRect(912, 427, 252, 22), Look::Widget));
    // report1 is the fastest rate (1000 a second), report4 the slowest.
    const Glyph bars[] = {Glyph::Bars4, Glyph::Bars3, Glyph::Bars2, Glyph::Bars1};
    for (int i = 0; i < 4; ++i)
        c.push_back(Make("FUNC_REPORT" + std::to_string(i + 1), QRect(912 + i * 64, 454, 58, 32), Look::Icon, bars[i]));
    c.push_back(Make("CONTROL_RGBStatic", QRect(912, 501, 40, 22), Look::Widget));
    c.push_back(Make("COLOR_R", QRect(958, 498, 64, 28), Look::Widget));
    c.push_back(Make("COLOR_G", QRect(1028, 498, 64, 28), Look::Widget));
    c.push_back(Make("COLOR_B", QRect(1098, 498, 64, 28), Look::Widget));
    c.push_back(Make("CONTROL_JDTStatic", QRect(912, 538, 252, 10), Look::Widget));
    c.push_back(Make("CONTROL2_APPLY", QRect(912, 556, 80, 36), Look::Plate));
    c.back().accent = true;
    c.push_back(Make("CONTROL_OK", QRect(998, 556, 80, 36), Look::Plate));
    c.push_back(Make("CONTROL_CANCEL", QRect(1084, 556, 80, 36), Look::Plate));

    // Footer.
    c.push_back(Make("CONTROL_Network", QRect(28, 614, 24, 24), Look::IconFlat, Glyph::Globe));
    c.push_back(Make("CONTROL_Facebook", QRect(58, 614, 24, 24), Look::IconFlat, Glyph::Facebook));
    c.push_back(Make("CONTROL_twitter", QRect(88, 614, 24, 24), Look::IconFlat, Glyph::Twitter));
    c.push_back(Make("KORVEN_LINK", QRect(120, 616, 300, 20), Look::Widget));

    // Arrow faces in Arrow.jpg: up and down for each side, side by side.
    const char* arrowKeys[] = {"UP_ARROW_LEFT1", "DOWN_ARROW_LEFT1", "UP_ARROW_RIGHT1", "DOWN_ARROW_RIGHT1"};
    for (int i = 0; i < 4; ++i) {
        w.arrowFaces.push_back(Make(arrowKeys[i], QRect(2 + i * (arrow.width() + 4), 2, arrow.width(), arrow.height()),
                                    Look::Widget));
    }
    return w;
}
