#pragma once

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

// The one description of every skinned window: where each control sits and
// how its face looks. The layout files and every picture are drawn from it,
// so a button's face always lies exactly under the button.

// How a control is drawn into the full-window face pictures.
enum class Look {
    Widget,     // a real widget (list, edit, slider, label): nothing drawn
    KeyCap,     // keyboard key with its legend
    Plate,      // captioned button: the program draws the text
    Icon,       // button without caption: a glyph on a plate
    IconFlat,   // window control: glyph only, plate on hover and press
    IconText,   // button of a dialog without language texts: glyph and word
    IconCaption, // dialog button: glyph at the left, the program draws the caption
    Tab,        // tab of the key function editor
    Slant,      // the profile-manager tab with its slanted caption
    Led,        // lock indicator (always disabled: drawn lit in every state)
    Tray,       // decoration under other buttons (always disabled)
    Title,      // title picture of a dialog (always disabled)
    Panel,      // the key function editor's panel, drawn per tab
};

enum class Glyph {
    None, Menu, Help, Minimize, Close, Globe, Facebook, Twitter, Keyboard, Reset,
    Plus, Minus, Folder, NewFile, Trash, Check, Cross, Apply, Upload, Save,
    Bars1, Bars2, Bars3, Bars4,
};

// Which controls of a window are checked against each other for overlap.
enum class Layer {
    Key,        // key buttons: never overlap
    Control,    // every other placed control: never overlap (groups aside)
    Backdrop,   // lies under other controls by design
};

struct SkinControl {
    std::string key;
    QRect rect;
    Look look = Look::Widget;
    Layer layer = Layer::Control;
    QString legend;      // key legend, icon word or small caption drawn in
    QString subLegend;   // shifted legend of a key
    Glyph glyph = Glyph::None;
    // Controls that are shown one group at a time share an area; the empty
    // group is always shown.
    std::string group;
    bool accent = false; // a primary button
};

// Where an IconCaption button's glyph starts; the program's caption keeps
// to the right of it.
inline constexpr int IconCaptionGlyphLeft = 12;

// A control of the layout with the fields every window sets.
inline SkinControl Make(std::string key, QRect rect, Look look, Glyph glyph = Glyph::None,
                        QString legend = {}, std::string group = {})
{
    SkinControl c;
    c.key = std::move(key);
    c.rect = rect;
    c.look = look;
    c.glyph = glyph;
    c.legend = std::move(legend);
    c.group = std::move(group);
    return c;
}

// The state a full-window picture shows every button in.
enum class FaceState { Normal, Over, Down, Disabled, Colour0, Colour1 };

struct SkinWindow {
    std::string layoutFile; // "Main.ini"
    QSize size;
    std::string background; // "SCREEN"/"Main"
    std::string mask;       // "SCREEN"/"Mask"
    std::vector<SkinControl> controls;
    // Face positions in the arrow picture (main window only), key -> rect.
    std::vector<SkinControl> arrowFaces;
    // The window uses its pressed picture for disabled buttons too.
    bool downIsDisabled = false;

    const SkinControl* Find(const std::string& key) const;
};

SkinWindow MainWindowLayout();
SkinWindow CompositeLayout();
SkinWindow ProfileLayout();
SkinWindow UpdateLayout();

// Palette shared by every picture.
namespace Palette {
inline const QColor Window(27, 29, 33);
inline const QColor WindowTop(34, 37, 42);
inline const QColor Bar(21, 23, 26);
inline const QColor Card(33, 36, 41);
inline const QColor CardBorder(48, 52, 58);
inline const QColor Well(20, 22, 25);
inline const QColor Text(236, 238, 241);
inline const QColor TextDim(150, 156, 164);
inline const QColor Orange(255, 130, 0);
inline const QColor OrangeDown(255, 155, 4);
inline const QColor Disabled(127, 127, 127);
} // namespace Palette
