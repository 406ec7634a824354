#include "SkinLayout.h"

SkinWindow CompositeLayout()
{
    SkinWindow w;
    w.layoutFile = "Composite.ini";
    w.size = QSize(560, 460);
    w.background = "composite_back.jpg";
    w.mask = "composite_mask.png";
    auto& c = w.controls;

    // The panel lies under every control of the tabs.
    SkinControl mask = Make("CONTROL_MASK", QRect(16, 94, 528, 310), Look::Panel);
    mask.layer = Layer::Backdrop;
    c.push_back(mask);

    SkinControl title = Make("CONTROL_TITLE", QRect(16, 9, 300, 30), Look::Title);
    title.layer = Layer::Control;
    c.push_back(title);
    c.push_back(Make("CONTROL_OSK", QRect(508, 10, 36, 28), Look::Icon, Glyph::Keyboard));

    c.push_back(Make("CONTROL_KEY", QRect(16, 56, 118, 39), Look::Tab));
    c.push_back(Make("CONTROL_MACRO", QRect(138, 56, 118, 39), Look::Tab));
    c.push_back(Make("CONTROL_MEDIA", QRect(260, 56, 118, 39), Look::Tab));
    c.push_back(Make("CONTROL_FUNCTION", QRect(382, 56, 118, 39), Look::Tab));
    c.push_back(Make("CONTROL_CLEAR", QRect(504, 56, 40, 34), Look::Icon, Glyph::Reset));

    // Caption common to every tab.
    c.push_back(Make("KEY_SETTING", QRect(32, 104, 496, 22), Look::Widget));

    // Single key.
    c.push_back(Make("TISHI_SINGLE_STATIC", QRect(32, 132, 496, 22), Look::Widget, Glyph::None, {}, "KEYTAB"));
    c.push_back(Make("FUNC_KEY_RADIO_KB", QRect(40, 175, 20, 20), Look::Widget, Glyph::None, {}, "KEYTAB"));
    c.push_back(Make("FUNC_KEY_RADIO_KB_STATIC", QRect(66, 173, 190, 24), Look::Widget, Glyph::None, {}, "KEYTAB"));
    c.push_back(Make("FUNC_KEY_INPUT", QRect(40, 206, 220, 40), Look::Widget, Glyph::None, {}, "KEYTAB"));
    c.push_back(Make("FUNC_KEY_RADIO_MOU", QRect(292, 175, 20, 20), Look::Widget, Glyph::None, {}, "KEYTAB"));
    c.push_back(Make("FUNC_KEY_RADIO_MOU_STATIC", QRect(318, 173, 190, 24), Look::Widget, Glyph::None, {}, "KEYTAB"));
    c.push_back(Make("FUNC_KEY_MOUSE_SELECT", QRect(292, 210, 220, 32), Look::Widget, Glyph::None, {}, "KEYTAB"));

    // Macro.
    c.push_back(Make("MARCO_NAME_SETTING", QRect(32, 132, 200, 22), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_LIST", QRect(32, 156, 200, 30), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_ADD", QRect(238, 156, 30, 30), Look::Icon, Glyph::Plus, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_DELETE", QRect(272, 156, 30, 30), Look::Icon, Glyph::Minus, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_CYCLES_PROMPT", QRect(340, 160, 120, 22), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_CYCLES", QRect(468, 156, 60, 30), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_LIST2", QRect(32, 194, 300, 144), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_RECORD", QRect(340, 194, 188, 30), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.back().accent = true;
    c.push_back(Make("FUNC_MACRO_DELETE2", QRect(340, 232, 92, 28), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_CLEAR", QRect(436, 232, 92, 28), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_UP_TOP", QRect(340, 268, 92, 28), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_UP", QRect(436, 268, 92, 28), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_DOWN", QRect(340, 302, 92, 28), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_DOWN_BOTTOM", QRect(436, 302, 92, 28), Look::Plate, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_RECORD_DELAY", QRect(36, 346, 18, 18), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_RECORD_DELAY2", QRect(60, 344, 272, 22), Look::Widget, Glyph::None, {}, "MACROTAB"));
    // The macro memory gauge on the tab's lowest line: its caption, then the
    // bar, which ends under the right edge of the buttons above it.
    c.push_back(Make("FUNC_MACRO_MEMORY_PROMPT", QRect(32, 372, 360, 24), Look::Widget, Glyph::None, {}, "MACROTAB"));
    c.push_back(Make("FUNC_MACRO_MEMORY", QRect(400, 379, 128, 10), Look::Widget, Glyph::None, {}, "MACROTAB"));

    // Multimedia and keyboard functions.
    c.push_back(Make("MEDIA_SETTING_TISHI", QRect(32, 132, 496, 22), Look::Widget, Glyph::None, {}, "MEDIATAB"));
    c.push_back(Make("FUNC_MEDIA_SELECT", QRect(40, 172, 300, 32), Look::Widget, Glyph::None, {}, "MEDIATAB"));
    c.push_back(Make("FUNCTION_KEY_SETTING_TISHI", QRect(32, 132, 496, 22), Look::Widget, Glyph::None, {}, "FUNCTAB"));
    c.push_back(Make("FUNC_FUNCTION_SELECT", QRect(40, 172, 300, 32), Look::Widget, Glyph::None, {}, "FUNCTAB"));

    // The editor's status line, shown when it cannot take the whole keyboard.
    c.push_back(Make("CONTROL_STATUS", QRect(16, 412, 228, 40), Look::Widget));
    c.push_back(Make("CONTROL_OK", QRect(252, 416, 92, 32), Look::Plate));
    c.push_back(Make("CONTROL_CANCEL", QRect(352, 416, 92, 32), Look::Plate));
    c.push_back(Make("CONTROL_APPLY", QRect(452, 416, 92, 32), Look::Plate));
    c.back().accent = true;
    return w;
}
