// The default skin as built into RT604_DATA_DIR: every file the windows load
// is there and decodes, every control the windows place has its place, and
// the places fit the pictures they are cut from.
#include "keys/KeyTable.h"
#include "platform/PrivateProfile.h"
#include "skin/gui/SkinPlacement.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string SkinPath(const std::string& name)
{
    return std::string(RT604_DATA_DIR) + "/Skins/" + name;
}

QImage LoadImage(const std::string& name)
{
    return QImage(QString::fromStdString(SkinPath(name)));
}

struct WindowSpec {
    std::string layout;
    std::vector<std::string> keys;          // every control the window places
    std::vector<std::string> faces;         // full-window face pictures
    std::map<std::string, std::string> groups; // controls shown one group at a time
    std::set<std::string> backdrops;        // pictures that lie over or under others by design
};

std::vector<std::string> Numbered(const std::string& prefix, int first, int last)
{
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i)
        out.push_back(prefix + std::to_string(i));
    return out;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more)
{
    to.insert(to.end(), more.begin(), more.end());
}

std::vector<std::string> MainKeyButtons()
{
    std::vector<std::string> keys;
    for (const ButtonKey& b : ButtonKeyTable) {
        char name[16];
        std::snprintf(name, sizeof name, "KEY_%03X", static_cast<unsigned>(b.keyCode));
        keys.push_back(name);
    }
    keys.push_back("KEY_FN");
    Append(keys, Numbered("FUNC_G", 1, 9));
    Append(keys, Numbered("KEY_D", 1, 6));
    return keys;
}

WindowSpec MainSpec()
{
    WindowSpec w;
    w.layout = "Main.ini";
    w.keys = MainKeyButtons();
    Append(w.keys, Numbered("FUNC_PROFILE", 1, 3));
    Append(w.keys, Numbered("FUNC_REPORT", 1, 4));
    Append(w.keys, {"FUNC_PROFILES", "FUNC_MACRO", "FUNC_DEFAULT", "CONTROL_MENU", "CONTROL2_APPLY",
                    "CONTROL_OK", "CONTROL_CANCEL", "CONTROL_HELP", "CONTROL_MINIMIZE", "CONTROL_CLOSE",
                    "CONTROL_LangCombo", "KORVEN_LINK", "CONTROL_Network", "CONTROL_Facebook",
                    "CONTROL_twitter", "KORVEN_VER", "LOCK_CAPS", "LOCK_NUM", "LOCK_SCROLL", "LOCK_AB",
                    "FLIP_0", "FLIP_1", "FLIP_2", "LEFT_ARROW", "RIGHT_ARROW", "COLOR_R", "COLOR_G",
                    "COLOR_B", "CONTROL_RGBStatic", "CONTROL_DengStatic", "CONTROL_XGcombox",
                    "CONTROL_LightStatic", "CONTROL_LightSlider", "CONTROL_SpeedStatic",
                    "CONTROL_SpeedSlider", "CONTROL_UsbStatic", "CONTROL_DengStaPic", "CONTROL_JDTStatic"});
    const std::map<std::string, std::vector<std::string>> groups = {
        {"DIR", {"CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic", "CONTROL_BLFXRStaPic"}},
        {"DIR2", {"CONTROL_BLFXStatic2", "CONTROL_BLFXLStaPic2", "CONTROL_BLFXRStaPic2"}},
        {"DIR3", {"CONTROL_BLFXStatic3", "CONTROL_BLFXLStaPic3", "CONTROL_BLFXRStaPic3"}},
        {"HX", {"CONTROL_HXysStatic", "CONTROL_HXysButton", "CONTROL_HXsjsStatic", "CONTROL_HXsjsStaPic"}},
        {"FY", {"CONTROL_FYYSStatic", "CONTROL_FYYSButton", "CONTROL_FYSJSStatic", "CONTROL_FYSJSStaPic"}},
        {"PICK4", {"CONTROL_HONGPIC", "CONTROL_HUANGPIC", "CONTROL_LVPIC", "CONTROL_LANPIC"}},
        {"USER", {"CONTROL_USERysStatic", "CONTROL_USERysButton", "CONTROL_USERjsStatic",
                  "CONTROL_USERjsButton", "CONTROL_USERgjStatic", "CONTROL_USERgjStaPic1",
                  "CONTROL_USERgjStaPic2", "CONTROL_umCombo"}},
    };
    for (const auto& [group, keys] : groups)
        for (const std::string& k : keys) {
            w.keys.push_back(k);
            w.groups[k] = group;
        }
    w.faces = {"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg",
               "main_color0.jpg", "main_color1.jpg"};
    w.backdrops = {"LOCK_AB", "FLIP_0", "LEFT_ARROW", "RIGHT_ARROW"};
    return w;
}

WindowSpec CompositeSpec()
{
    WindowSpec w;
    w.layout = "Composite.ini";
    w.keys = {"CONTROL_MASK", "CONTROL_TITLE", "CONTROL_OSK", "CONTROL_CLEAR", "CONTROL_MEDIA",
              "CONTROL_MACRO", "CONTROL_KEY", "CONTROL_FUNCTION", "CONTROL_OK", "CONTROL_CANCEL",
              "CONTROL_APPLY", "KEY_SETTING", "CONTROL_STATUS"};
    const std::map<std::string, std::vector<std::string>> groups = {
        {"KEYTAB", {"TISHI_SINGLE_STATIC", "FUNC_KEY_INPUT", "FUNC_KEY_RADIO_KB", "FUNC_KEY_RADIO_KB_STATIC",
                    "FUNC_KEY_RADIO_MOU", "FUNC_KEY_RADIO_MOU_STATIC", "FUNC_KEY_MOUSE_SELECT"}},
        {"MACROTAB", {"MARCO_NAME_SETTING", "FUNC_MACRO_LIST", "FUNC_MACRO_ADD", "FUNC_MACRO_DELETE",
                      "FUNC_MACRO_CYCLES", "FUNC_MACRO_CYCLES_PROMPT", "FUNC_MACRO_LIST2",
                      "FUNC_MACRO_RECORD", "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR", "FUNC_MACRO_UP_TOP",
                      "FUNC_MACRO_UP", "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM",
                      "FUNC_MACRO_RECORD_DELAY", "FUNC_MACRO_RECORD_DELAY2", "FUNC_MACRO_MEMORY_PROMPT",
                      "FUNC_MACRO_MEMORY"}},
        {"MEDIATAB", {"MEDIA_SETTING_TISHI", "FUNC_MEDIA_SELECT"}},
        {"FUNCTAB", {"FUNCTION_KEY_SETTING_TISHI", "FUNC_FUNCTION_SELECT"}},
    };
    for (const auto& [group, keys] : groups)
        for (const std::string& k : keys) {
            w.keys.push_back(k);
            w.groups[k] = group;
        }
    for (const char* set : {"key", "media", "function"})
        for (const char* state : {"normal", "over", "down"})
            w.faces.push_back(std::string(set) + "_" + state + ".jpg");
    for (const char* set : {"macro", "macro2"})
        for (const char* state : {"normal", "over", "down", "disable"})
            w.faces.push_back(std::string(set) + "_" + state + ".jpg");
    w.backdrops = {"CONTROL_MASK"};
    return w;
}

WindowSpec ProfileSpec()
{
    WindowSpec w;
    w.layout = "Profile.ini";
    w.keys = {"PROGRAM_LIST", "FUNC_ADD", "FUNC_LOAD", "FUNC_DELETE", "CONTROL_OK", "CONTROL_CANCEL",
              "CONTROL2_APPLY"};
    w.faces = {"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"};
    return w;
}

WindowSpec UpdateSpec()
{
    WindowSpec w;
    w.layout = "UpdateDlg.ini";
    w.keys = {"CONTROL_UPCombox", "CONTROL_UPStatic", "CONTROL_UPButton", "CONTROL_CUPButton",
              "CONTROL_OPENButton", "CONTROL_BACKUPButton", "CONTROL_CLOSE"};
    w.faces = {"update_normal.jpg", "update_over.jpg"};
    return w;
}

std::vector<WindowSpec> AllWindows()
{
    return {MainSpec(), CompositeSpec(), ProfileSpec(), UpdateSpec()};
}

std::string Value(const std::string& layout, const char* section, const std::string& key)
{
    return ReadPrivateProfileValue(section, key, SkinPath(layout)).value_or("");
}

QRect Place(const std::string& layout, const std::string& key, const char* section = "BUTTONINFO")
{
    return ParseSkinRect(Value(layout, section, key)).Rect();
}

std::string Describe(const std::string& layout, const std::string& key, const QRect& r)
{
    return layout + " " + key + " (" + std::to_string(r.x()) + "," + std::to_string(r.y()) + "," +
           std::to_string(r.width()) + "," + std::to_string(r.height()) + ")";
}

TEST(DefaultSkinTest, EveryPictureTheProgramLoadsDecodes)
{
    std::vector<std::string> files = {"Arrow.jpg", "app.png", "tray_128.png", "tray_141.png", "tray_142.png",
                                      "dengup.bmp", "dengdown.bmp", "sjsup.bmp", "sjsdown.bmp"};
    for (const char* stem : {"left", "right", "up", "down", "user1", "user2"})
        for (const char* state : {"up", "down"})
            files.push_back(std::string(stem) + state + ".bmp");
    for (const char* stem : {"kuosan", "julong"})
        Append(files, {std::string(stem) + ".bmp", std::string(stem) + "down.bmp"});
    for (const char* stem : {"hong", "huang", "lv", "lan"})
        Append(files, {std::string(stem) + ".bmp", std::string(stem) + "ok.bmp"});
    for (int i = 0; i <= 25; ++i)
        files.push_back(std::to_string(i) + ".bmp");
    for (int i = 1; i <= 10; ++i)
        files.push_back("jdt" + std::to_string(i) + ".bmp");
    for (int i = 1; i <= 8; ++i)
        files.push_back("Color" + std::to_string(i) + ".bmp");
    for (const char* part : {"track", "fits", "names", "full"})
        files.push_back(std::string("macro_memory_") + part + ".png");
    for (const char* state : {"", "_open", "_off"})
        files.push_back(std::string("dropdown_arrow") + state + ".png");
    for (const WindowSpec& w : AllWindows()) {
        Append(files, w.faces);
        files.push_back(Value(w.layout, "SCREEN", "Main"));
        files.push_back(Value(w.layout, "SCREEN", "Mask"));
    }
    for (const std::string& f : files)
        EXPECT_FALSE(LoadImage(f).isNull()) << f << " is missing or does not decode";
}

TEST(DefaultSkinTest, LayoutFilesPlaceEveryControlTheWindowsUse)
{
    for (const WindowSpec& w : AllWindows()) {
        ASSERT_TRUE(QFile::exists(QString::fromStdString(SkinPath(w.layout)))) << w.layout;
        for (const std::string& key : w.keys) {
            const SkinRect r = ParseSkinRect(Value(w.layout, "BUTTONINFO", key));
            // (1, 1) is what a missing key reads as.
            EXPECT_FALSE(r.IsUnplaced()) << w.layout << " lacks " << key;
            EXPECT_GT(r.width, 1) << w.layout << " " << key;
            EXPECT_GT(r.height, 1) << w.layout << " " << key;
        }
    }
    EXPECT_EQ(Value("Main.ini", "SCREEN", "Link"), "https://www.orvan-gear.example/rt604");
    for (const char* key : {"UP_ARROW_LEFT1", "DOWN_ARROW_LEFT1", "UP_ARROW_RIGHT1", "DOWN_ARROW_RIGHT1"})
        EXPECT_FALSE(ParseSkinRect(Value("Main.ini", "BUTTONINFO2", key)).IsUnplaced()) << key;
}

TEST(DefaultSkinTest, ControlsDoNotOverlapExceptGroupsShownInTurn)
{
    for (const WindowSpec& w : AllWindows()) {
        const auto entries = GetPrivateProfileSection("BUTTONINFO", SkinPath(w.layout));
        std::vector<std::pair<std::string, QRect>> placed;
        for (const auto& [key, value] : entries)
            if (!w.backdrops.count(key))
                placed.emplace_back(key, ParseSkinRect(value).Rect());
        ASSERT_GE(placed.size(), w.keys.size() - w.backdrops.size()) << w.layout;
        for (size_t i = 0; i < placed.size(); ++i)
            for (size_t j = i + 1; j < placed.size(); ++j) {
                const auto& [a, ra] = placed[i];
                const auto& [b, rb] = placed[j];
                const auto ga = w.groups.find(a), gb = w.groups.find(b);
                const bool alternate = ga != w.groups.end() && gb != w.groups.end() && ga->second != gb->second;
                if (!alternate) {
                    EXPECT_FALSE(ra.intersects(rb)) << Describe(w.layout, a, ra) << " overlaps " << Describe(w.layout, b, rb);
                }
            }
    }
}

TEST(DefaultSkinTest, PicturesUnderButtonsCarryTheirButtons)
{
    const QRect tray = Place("Main.ini", "LOCK_AB");
    for (int i = 1; i <= 9; ++i)
        EXPECT_TRUE(tray.contains(Place("Main.ini", "FUNC_G" + std::to_string(i)))) << "G" << i;
    const QRect flipTray = Place("Main.ini", "FLIP_0");
    for (const char* key : {"FLIP_1", "FLIP_2", "KEY_D1", "KEY_D6"})
        EXPECT_TRUE(flipTray.contains(Place("Main.ini", key))) << key;
    // Each arrow sits inside its switch, which stays clickable around it.
    const QRect left = Place("Main.ini", "LEFT_ARROW"), right = Place("Main.ini", "RIGHT_ARROW");
    EXPECT_TRUE(Place("Main.ini", "FLIP_1").contains(left));
    EXPECT_TRUE(Place("Main.ini", "FLIP_2").contains(right));
    EXPECT_LT(left.width() * left.height() * 2, Place("Main.ini", "FLIP_1").width() * Place("Main.ini", "FLIP_1").height());
    const QImage arrows = LoadImage("Arrow.jpg");
    for (const char* key : {"UP_ARROW_LEFT1", "DOWN_ARROW_LEFT1", "UP_ARROW_RIGHT1", "DOWN_ARROW_RIGHT1"}) {
        const QRect face = Place("Main.ini", key, "BUTTONINFO2");
        EXPECT_TRUE(arrows.rect().contains(QRect(face.topLeft(), left.size()))) << key;
    }
    const QRect panel = Place("Composite.ini", "CONTROL_MASK");
    for (const auto& [key, group] : CompositeSpec().groups)
        EXPECT_TRUE(panel.contains(Place("Composite.ini", key))) << key << " is off the panel";
}

TEST(DefaultSkinTest, EveryFaceLiesInsideTheWindowsPictures)
{
    for (const WindowSpec& w : AllWindows()) {
        const QImage background = LoadImage(Value(w.layout, "SCREEN", "Main"));
        ASSERT_FALSE(background.isNull()) << w.layout;
        for (const std::string& face : w.faces)
            EXPECT_EQ(LoadImage(face).size(), background.size()) << face << " is not the window's size";
        const QImage mask = LoadImage(Value(w.layout, "SCREEN", "Mask"));
        EXPECT_EQ(mask.size(), background.size()) << w.layout;
        for (const auto& [key, value] : GetPrivateProfileSection("BUTTONINFO", SkinPath(w.layout))) {
            const QRect r = ParseSkinRect(value).Rect();
            EXPECT_TRUE(background.rect().contains(r)) << Describe(w.layout, key, r);
            // A control in a cut-off corner would not be seen.
            if (!mask.isNull() && background.rect().contains(r)) {
                EXPECT_NE(mask.pixelColor(r.center()), QColor(255, 255, 255)) << Describe(w.layout, key, r);
            }
        }
    }
}

TEST(DefaultSkinTest, MasksCutTheCornersAndKeepTheWindow)
{
    for (const WindowSpec& w : AllWindows()) {
        const QImage mask = LoadImage(Value(w.layout, "SCREEN", "Mask"));
        ASSERT_FALSE(mask.isNull()) << w.layout;
        const int right = mask.width() - 1, bottom = mask.height() - 1;
        for (const QPoint corner : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom)})
            EXPECT_EQ(mask.pixelColor(corner), QColor(255, 255, 255)) << w.layout << " corner " << corner.x() << "," << corner.y();
        EXPECT_NE(mask.pixelColor(mask.rect().center()), QColor(255, 255, 255)) << w.layout;
        // The edges between the corners belong to the window.
        EXPECT_NE(mask.pixelColor(mask.width() / 2, 0), QColor(255, 255, 255)) << w.layout;
        EXPECT_NE(mask.pixelColor(0, mask.height() / 2), QColor(255, 255, 255)) << w.layout;
    }
}

// Mean difference per pixel and channel sum of two pictures within r; JPEG
// noise stays far below 4.
double MeanDifference(const QImage& a, const QImage& b, const QRect& r)
{
    if (r.isEmpty())
        return 0;
    long long sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue());
        }
    return double(sum) / (double(r.width()) * r.height());
}

// A button whose face is the same in two pictures would not react to the
// mouse: every button must look different hovered, pressed and disabled.
TEST(DefaultSkinTest, ButtonsLookDifferentInEachState)
{
    struct Case {
        std::string layout;
        std::vector<std::string> buttons;
        std::vector<std::pair<std::string, std::string>> differ;
    };
    std::vector<std::string> mainButtons = MainKeyButtons();
    Append(mainButtons, Numbered("FUNC_PROFILE", 1, 3));
    Append(mainButtons, Numbered("FUNC_REPORT", 1, 4));
    Append(mainButtons, {"FUNC_PROFILES", "FUNC_MACRO", "FUNC_DEFAULT", "CONTROL2_APPLY", "CONTROL_OK",
                         "CONTROL_CANCEL", "CONTROL_MENU", "CONTROL_HELP", "CONTROL_MINIMIZE", "CONTROL_CLOSE",
                         "FLIP_1", "FLIP_2"});
    const Case cases[] = {
        {"Main.ini", mainButtons,
         {{"main_normal.jpg", "main_over.jpg"}, {"main_normal.jpg", "main_down.jpg"},
          {"main_over.jpg", "main_down.jpg"}, {"main_normal.jpg", "main_disable.jpg"}}},
        {"Main.ini", MainKeyButtons(),
         {{"main_normal.jpg", "main_color0.jpg"}, {"main_color0.jpg", "main_color1.jpg"}}},
        {"Composite.ini",
         {"CONTROL_KEY", "CONTROL_MACRO", "CONTROL_MEDIA", "CONTROL_FUNCTION", "CONTROL_CLEAR", "CONTROL_OSK",
          "CONTROL_OK", "CONTROL_CANCEL", "CONTROL_APPLY"},
         {{"key_normal.jpg", "key_over.jpg"}, {"key_normal.jpg", "key_down.jpg"},
          {"macro2_normal.jpg", "macro2_disable.jpg"}}},
        {"Composite.ini",
         {"FUNC_MACRO_ADD", "FUNC_MACRO_DELETE", "FUNC_MACRO_RECORD", "FUNC_MACRO_DELETE2", "FUNC_MACRO_CLEAR",
          "FUNC_MACRO_UP_TOP", "FUNC_MACRO_UP", "FUNC_MACRO_DOWN", "FUNC_MACRO_DOWN_BOTTOM"},
         {{"macro_normal.jpg", "macro_over.jpg"}, {"macro_normal.jpg", "macro_down.jpg"},
          {"macro_normal.jpg", "macro_disable.jpg"}}},
        {"Profile.ini", {"FUNC_ADD", "FUNC_LOAD", "FUNC_DELETE", "CONTROL_OK", "CONTROL_CANCEL", "CONTROL2_APPLY"},
         {{"Profile_normal.jpg", "Profile_over.jpg"}, {"Profile_over.jpg", "Profile_down.jpg"}}},
        {"UpdateDlg.ini",
         {"CONTROL_UPButton", "CONTROL_CUPButton", "CONTROL_OPENButton", "CONTROL_BACKUPButton", "CONTROL_CLOSE"},
         {{"update_normal.jpg", "update_over.jpg"}}},
    };
    for (const Case& c : cases)
        for (const auto& [first, second] : c.differ) {
            const QImage a = LoadImage(first), b = LoadImage(second);
            ASSERT_FALSE(a.isNull() || b.isNull()) << first << " " << second;
            for (const std::string& key : c.buttons)
                EXPECT_GT(MeanDifference(a, b, Place(c.layout, key)), 4.0)
                    << key << " looks the same in " << first << " and " << second;
        }
}

// The key editor's background is its single-key picture; buttons of the
// other tabs drawn into it would show through while they are hidden.
TEST(DefaultSkinTest, OtherTabsLeaveNoTraceInATabsPictures)
{
    const QImage normal = LoadImage("key_normal.jpg"), over = LoadImage("key_over.jpg");
    ASSERT_FALSE(normal.isNull() || over.isNull());
    EXPECT_EQ(Value("Composite.ini", "SCREEN", "Main"), "key_normal.jpg");
    for (const auto& [key, group] : CompositeSpec().groups)
        if (group != "KEYTAB") {
            EXPECT_LT(MeanDifference(normal, over, Place("Composite.ini", key)), 1.0) << key;
        }
}

// The memory gauge's pictures fit its place, and their colours tell the
// three states apart: green fits, amber drops the names, red does not fit.
TEST(DefaultSkinTest, MemoryGaugePicturesFitTheGaugeAndTellItsStates)
{
    const QRect gauge = Place("Composite.ini", "FUNC_MACRO_MEMORY");
    const auto mean = [](const QImage& image) {
        long long r = 0, g = 0, b = 0, n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() < 200)
                    continue;
                r += c.red(), g += c.green(), b += c.blue(), ++n;
            }
        return n == 0 ? QColor() : QColor(int(r / n), int(g / n), int(b / n));
    };
    std::map<std::string, QColor> colours;
    for (const char* part : {"track", "fits", "names", "full"}) {
        const QImage image = LoadImage(std::string("macro_memory_") + part + ".png");
        ASSERT_EQ(image.size(), gauge.size()) << part;
        EXPECT_TRUE(image.hasAlphaChannel()) << part << ": its rounded ends show the panel";
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << part;
        colours[part] = mean(image);
        ASSERT_TRUE(colours[part].isValid()) << part;
    }
    EXPECT_LT(colours["track"].value(), 60) << "the empty memory is a dark groove";
    const QColor fits = colours["fits"], names = colours["names"], full = colours["full"];
    EXPECT_GT(fits.green(), fits.red() + 60);
    EXPECT_GT(names.red(), names.blue() + 120);
    EXPECT_GT(names.green(), names.blue() + 60);
    EXPECT_GT(full.red(), full.green() + 100);
}

TEST(DefaultSkinTest, PresetUserModeFileHoldsThreeCompleteModes)
{
    const std::string path = SkinPath("UserDengColor_3.userd");
    EXPECT_EQ(ReadPrivateProfileValue("PRESENTMODE", "mode", path).value_or(""), "0");
    auto parse = [](const std::string& text, int count, std::vector<int>& out) {
        out.clear();
        size_t pos = 0;
        while (pos <= text.size()) {
            const size_t comma = text.find(',', pos);
            const std::string part = text.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
            if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos)
                return false;
            out.push_back(std::stoi(part));
            if (comma == std::string::npos)
                break;
            pos = comma + 1;
        }
        return static_cast<int>(out.size()) == count;
    };
    std::vector<int> v;
    for (int mode = 0; mode < 3; ++mode) {
        const auto name = ReadPrivateProfileValue("MODENAME", std::to_string(mode), path);
        ASSERT_TRUE(name.has_value()) << "mode " << mode;
        EXPECT_FALSE(name->empty());
        EXPECT_NE(*name, "0") << "mode " << mode << " has no name of its own";
        const std::string section = "Mode" + std::to_string(mode);
        for (int key = 0; key < 126; ++key) {
            const std::string value = ReadPrivateProfileValue(section, std::to_string(key), path).value_or("");
            ASSERT_TRUE(parse(value, 4, v)) << section << " key " << key << ": \"" << value << "\"";
            for (int i = 0; i < 3; ++i)
                EXPECT_LE(v[i], 255) << section << " key " << key;
            EXPECT_LE(v[3], 1) << section << " key " << key;
        }
        EXPECT_TRUE(parse(ReadPrivateProfileValue(section, "tool", path).value_or(""), 1, v)) << section;
        for (const char* colour : {"jcolor", "color"}) {
            ASSERT_TRUE(parse(ReadPrivateProfileValue(section, colour, path).value_or(""), 3, v)) << section << " " << colour;
            for (int c : v)
                EXPECT_LE(c, 255);
        }
    }
}

} // namespace
