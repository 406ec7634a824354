#include "PreviewContent.h"

#include <QHash>
#include <QRegularExpression>

namespace {

PreviewContent Caption(const char* text, double size = 8)
{
    PreviewContent c;
    c.text = QString::fromUtf8(text);
    c.pointSize = size;
    return c;
}

PreviewContent Of(PreviewKind kind, const char* text = "")
{
    PreviewContent c;
    c.kind = kind;
    c.text = QString::fromUtf8(text);
    return c;
}

PreviewContent Picture(const char* file)
{
    PreviewContent c;
    c.kind = PreviewKind::Picture;
    c.picture = QString::fromLatin1(file);
    return c;
}

PreviewContent Colour(QColor colour)
{
    PreviewContent c;
    c.kind = PreviewKind::ColourButton;
    c.colour = colour;
    return c;
}

PreviewContent Disabled()
{
    PreviewContent c;
    c.disabled = true;
    return c;
}

const QHash<QString, PreviewContent>& MainContent()
{
    static const QHash<QString, PreviewContent> table = [] {
        QHash<QString, PreviewContent> t;
        t["FUNC_PROFILE1"] = Caption("Profile 1", 10);
        t["FUNC_PROFILE2"] = Caption("Profile 2", 10);
        t["FUNC_PROFILE3"] = Caption("Profile 3", 10);
        t["FUNC_MACRO"] = Caption("Macros", 10);
        t["FUNC_DEFAULT"] = Caption("Defaults");
        t["CONTROL2_APPLY"] = Caption("Apply");
        t["CONTROL_OK"] = Caption("OK");
        t["CONTROL_CANCEL"] = Caption("Cancel");
        PreviewContent profiles = Caption("Profile 1", 10);
        profiles.format = 40;
        profiles.angle = 268;
        t["FUNC_PROFILES"] = profiles;
        PreviewContent version = Caption("Version 0.1.0");
        version.font = QStringLiteral("Verdana Unicode MS");
        version.format = 36;
        version.disabled = true;
        t["KORVEN_VER"] = version;
        PreviewContent link = Caption("https://www.orvan-gear.example/rt604");
        link.format = 36;
        t["KORVEN_LINK"] = link;
        for (const char* k : {"LOCK_CAPS", "LOCK_NUM", "LOCK_SCROLL", "LOCK_AB", "FLIP_0"})
            t[k] = Disabled();
        t["CONTROL_LangCombo"] = Of(PreviewKind::Combo, "English");
        t["CONTROL_XGcombox"] = Of(PreviewKind::Combo, "Wave");
        t["CONTROL_umCombo"] = Of(PreviewKind::Combo, "Sunset Gradient");
        t["CONTROL_DengStatic"] = Of(PreviewKind::Label, "Lighting effect");
        t["CONTROL_LightStatic"] = Of(PreviewKind::Label, "Brightness");
        t["CONTROL_SpeedStatic"] = Of(PreviewKind::Label, "Speed");
        for (const char* k : {"CONTROL_BLFXStatic", "CONTROL_BLFXStatic2", "CONTROL_BLFXStatic3"})
            t[k] = Of(PreviewKind::Label, "Direction");
        for (const char* k : {"CONTROL_HXysStatic", "CONTROL_FYYSStatic", "CONTROL_USERysStatic"})
            t[k] = Of(PreviewKind::Label, "Colour");
        for (const char* k : {"CONTROL_HXsjsStatic", "CONTROL_FYSJSStatic"})
            t[k] = Of(PreviewKind::Label, "Multicolour");
        t["CONTROL_USERjsStatic"] = Of(PreviewKind::Label, "Base colour");
        t["CONTROL_USERgjStatic"] = Of(PreviewKind::Label, "Tool");
        t["CONTROL_UsbStatic"] = Of(PreviewKind::Label, "Report rate");
        t["CONTROL_RGBStatic"] = Of(PreviewKind::Label, "RGB");
        t["COLOR_R"] = Of(PreviewKind::Edit, "255");
        t["COLOR_G"] = Of(PreviewKind::Edit, "130");
        t["COLOR_B"] = Of(PreviewKind::Edit, "0");
        t["CONTROL_DengStaPic"] = Picture("dengdown.bmp");
        t["CONTROL_LightSlider"] = Picture("4.bmp");
        t["CONTROL_SpeedSlider"] = Picture("9.bmp");
        t["CONTROL_BLFXLStaPic"] = Picture("leftdown.bmp");
        t["CONTROL_BLFXRStaPic"] = Picture("rightup.bmp");
        t["CONTROL_BLFXLStaPic2"] = Picture("leftup.bmp");
        t["CONTROL_BLFXRStaPic2"] = Picture("rightdown.bmp");
        t["CONTROL_BLFXLStaPic3"] = Picture("updown.bmp");
        t["CONTROL_BLFXRStaPic3"] = Picture("downup.bmp");
        t["CONTROL_HXsjsStaPic"] = Picture("sjsdown.bmp");
        t["CONTROL_FYSJSStaPic"] = Picture("sjsup.bmp");
        t["CONTROL_HONGPIC"] = Picture("hongok.bmp");
        t["CONTROL_HUANGPIC"] = Picture("huang.bmp");
        t["CONTROL_LVPIC"] = Picture("lv.bmp");
        t["CONTROL_LANPIC"] = Picture("lan.bmp");
        t["CONTROL_USERgjStaPic1"] = Picture("user1down.bmp");
        t["CONTROL_USERgjStaPic2"] = Picture("user2up.bmp");
        t["CONTROL_JDTStatic"] = Picture("jdt4.bmp");
        t["CONTROL_HXysButton"] = Colour(QColor(255, 130, 0));
        t["CONTROL_FYYSButton"] = Colour(QColor(0, 200, 255));
        t["CONTROL_USERysButton"] = Colour(QColor(255, 60, 0));
        t["CONTROL_USERjsButton"] = Colour(QColor(30, 60, 110));
        return t;
    }();
    return table;
}

const QHash<QString, PreviewContent>& CompositeContent()
{
    static const QHash<QString, PreviewContent> table = [] {
        QHash<QString, PreviewContent> t;
        PreviewContent mask = Disabled();
        t["CONTROL_MASK"] = mask;
        t["CONTROL_TITLE"] = Disabled();
        t["CONTROL_KEY"] = Caption("Single key");
        t["CONTROL_MACRO"] = Caption("Macro");
        t["CONTROL_MEDIA"] = Caption("Multimedia");
        t["CONTROL_FUNCTION"] = Caption("Function");
        t["CONTROL_OK"] = Caption("OK");
        t["CONTROL_CANCEL"] = Caption("Cancel");
        t["CONTROL_APPLY"] = Caption("Apply");
        t["FUNC_MACRO_RECORD"] = Caption("Record");
        t["FUNC_MACRO_DELETE2"] = Caption("Delete");
        t["FUNC_MACRO_CLEAR"] = Caption("Clear");
        t["FUNC_MACRO_UP_TOP"] = Caption("To top");
        t["FUNC_MACRO_UP"] = Caption("Up");
        t["FUNC_MACRO_DOWN"] = Caption("Down");
        t["FUNC_MACRO_DOWN_BOTTOM"] = Caption("To bottom");
        t["KEY_SETTING"] = Of(PreviewKind::Label, "Choose what the key does");
        t["TISHI_SINGLE_STATIC"] = Of(PreviewKind::Label, "Press a key on the keyboard, or choose a mouse action.");
        t["FUNC_KEY_RADIO_KB"] = Of(PreviewKind::Radio);
        t["FUNC_KEY_RADIO_MOU"] = Of(PreviewKind::Radio);
        t["FUNC_KEY_RADIO_KB_STATIC"] = Of(PreviewKind::Label, "Keyboard key");
        t["FUNC_KEY_RADIO_MOU_STATIC"] = Of(PreviewKind::Label, "Mouse action");
        t["FUNC_KEY_INPUT"] = Of(PreviewKind::Edit, "Left Ctrl");
        t["FUNC_KEY_MOUSE_SELECT"] = Of(PreviewKind::Combo, "Left button");
        t["MARCO_NAME_SETTING"] = Of(PreviewKind::Label, "Macro");
        t["FUNC_MACRO_LIST"] = Of(PreviewKind::Combo, "Macro 1");
        t["FUNC_MACRO_CYCLES_PROMPT"] = Of(PreviewKind::Label, "Repeat count");
        t["FUNC_MACRO_CYCLES"] = Of(PreviewKind::Edit, "1");
        t["FUNC_MACRO_LIST2"] = Of(PreviewKind::List, "Key|Action|Delay;Ctrl|↓|50;C|↓|30;C|↑|20;Ctrl|↑|10");
        t["FUNC_MACRO_RECORD_DELAY"] = Of(PreviewKind::Check);
        t["FUNC_MACRO_RECORD_DELAY2"] = Of(PreviewKind::Label, "Record delays");
        t["FUNC_MACRO_MEMORY_PROMPT"] = Of(PreviewKind::Label, "Memory: 106 of 8,192 bytes (without names: 66)");
        t["FUNC_MACRO_MEMORY"] = Picture("macro_memory_track.png");
        t["MEDIA_SETTING_TISHI"] = Of(PreviewKind::Label, "Choose a multimedia function");
        t["FUNC_MEDIA_SELECT"] = Of(PreviewKind::Combo, "Play/Pause");
        t["FUNCTION_KEY_SETTING_TISHI"] = Of(PreviewKind::Label, "Choose a keyboard function");
        t["FUNC_FUNCTION_SELECT"] = Of(PreviewKind::Combo, "Lock the Windows key");
        return t;
    }();
    return table;
}

// A dialog button whose picture draws its glyph at the left.
PreviewContent GlyphCaption(const char* text)
{
    PreviewContent c = Caption(text, 9);
    c.textLeft = 34;
    return c;
}

PreviewContent Title(const char* text)
{
    return Of(PreviewKind::Label, text);
}

const QHash<QString, PreviewContent>& ProfileContent()
{
    static const QHash<QString, PreviewContent> table = [] {
        QHash<QString, PreviewContent> t;
        t["CONTROL_TITLE"] = Title("Profiles");
        t["PROGRAM_LIST"] = Of(PreviewKind::List,
                               "Active|Name|Folder;✔|Profile 1|/home/user/.local/share/Orvan RT-604/;"
                               " |Profile 2|/home/user/.local/share/Orvan RT-604/; |Profile 3|/home/user/.local/share/Orvan RT-604/");
        t["FUNC_ADD"] = GlyphCaption("New");
        t["FUNC_LOAD"] = GlyphCaption("Add file");
        t["FUNC_DELETE"] = GlyphCaption("Remove");
        t["CONTROL_OK"] = GlyphCaption("OK");
        t["CONTROL_CANCEL"] = GlyphCaption("Cancel");
        t["CONTROL2_APPLY"] = GlyphCaption("Apply");
        return t;
    }();
    return table;
}

const QHash<QString, PreviewContent>& UpdateContent()
{
    static const QHash<QString, PreviewContent> table = [] {
        QHash<QString, PreviewContent> t;
        t["CONTROL_TITLE"] = Title("Firmware update");
        t["CONTROL_UPStatic"] = Of(PreviewKind::Label, "Updater program:");
        t["CONTROL_UPCombox"] = Of(PreviewKind::Combo, "/usr/share/orvan-rt604/Package/rt604-update");
        t["CONTROL_OPENButton"] = GlyphCaption("Choose");
        t["CONTROL_BACKUPButton"] = GlyphCaption("Back up");
        t["CONTROL_UPButton"] = GlyphCaption("Update");
        t["CONTROL_CUPButton"] = GlyphCaption("Cancel");
        return t;
    }();
    return table;
}

} // namespace

PreviewContent ContentOf(const QString& layout, const QString& key)
{
    const QHash<QString, PreviewContent>* tables[] = {&MainContent(), &CompositeContent(), &ProfileContent(),
                                                      &UpdateContent()};
    const int first = layout.startsWith(QLatin1String("Main"))        ? 0
                      : layout.startsWith(QLatin1String("Composite")) ? 1
                      : layout.startsWith(QLatin1String("Profile"))   ? 2
                                                                      : 3;
    const auto it = tables[first]->find(key);
    if (it != tables[first]->end())
        return *it;
    return {};
}
