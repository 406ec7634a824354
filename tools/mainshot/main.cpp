// Runs the real main window against the virtual keyboard, as the program does
// with --virtual-keyboard, and saves a picture of the screen around it.
//
//   rt604mainshot --data <build>/bin --out main.png
//       [--scene default|assigned|russian|busy]
//
// default:  the factory keyboard, profile 1
// assigned: profile 3 with assigned keys, the tooltip of one of them shown
// russian:  the same keyboard in Russian, with a tooltip
// busy:     the busy picture of an Apply
// outside-change[-ru]: unapplied changes kept after another program changed
//           the keyboard's keys, with the note above Apply
// lighting-N[-ru][-chooser]: the lighting view with effect N chosen (20:
//           keys painted by hand in the user-defined effect), in Russian with
//           -ru, the colour chooser open with -chooser

#include "ShotSession.h"

#include "config/DeviceKeyMap.h"
#include "assign/KeyAssignment.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "platform/KeyboardChangeNotice.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinColorBtn.h"
#include "ui/LightingPanel.h"

#include <QApplication>
#include <QToolTip>

#include <algorithm>
#include <cstdio>

namespace {

struct Assignment {
    uint16_t keyCode;
    uint16_t type;
    uint32_t value;
};

// Esc types A, F5 does nothing, Caps Lock is a left Ctrl, Q the left mouse
// button, W mutes the sound, G1 does nothing.
const Assignment Assigned[] = {
    {1, AssignKey, 30},          {63, AssignDisabled, 0}, {58, AssignKey, KeyCodes::LeftCtrl},
    {16, AssignKey, KeyCodes::MouseLeft}, {17, AssignMedia, 7}, {512, AssignDisabled, 0},
};

void PrepareKeyboard(VirtualKeyboard& kb, int profile)
{
    KeyboardMemories m = kb.Memories();
    m.deviceInfo[10] = static_cast<uint8_t>(profile);
    const std::vector<uint16_t> codes = FactoryKeyCodes(m.productId);
    const size_t bytes = static_cast<size_t>(m.keyMapBytes);
    std::span<uint8_t> map(m.keyMaps.data() + bytes * static_cast<size_t>(profile), bytes);
    for (const Assignment& a : Assigned) {
        auto it = std::find(codes.begin(), codes.end(), a.keyCode);
        if (it == codes.end())
            continue;
        const int position = static_cast<int>(it - codes.begin());
        KeySlot slot;
        slot.SetType(a.type);
        slot.SetValue(a.value);
        WriteKeyMapEntry(map, position, EncodeSlot(slot, ReadKeyMapEntry(m.defaultKeyMap, position), 0));
    }
    kb.SetMemories(m);
}

// Paints a pattern by hand, as an owner would with the panel's tools: WASD
// and the arrows red, the digits amber, then a new blue base colour (the
// preset's keys in the old one follow it) and Space and the G keys in it.
void PaintKeys(CVarkelinDlg& window)
{
    auto choose = [&](int button, QRgb colour) { static_cast<CSkinColorBtn*>(window.Control(button))->Choose(colour & 0xFFFFFF); };
    auto press = [&](uint16_t keyCode) {
        for (const ButtonKey& key : ButtonKeyTable) {
            if (key.keyCode == keyCode)
                window.OnKeyButton(key.controlId);
        }
    };
    constexpr int PaintColour = 1160, BaseColour = 1162, PaintTool = 1164, BaseTool = 1165;
    window.Button(PaintTool)->click();
    choose(PaintColour, qRgb(255, 40, 0));
    for (uint16_t key : {17, 30, 31, 32, 328, 331, 336, 333})
        press(key);
    choose(PaintColour, qRgb(255, 170, 0));
    for (uint16_t key = 2; key <= 11; ++key)
        press(key);
    choose(BaseColour, qRgb(20, 90, 255));
    window.Button(BaseTool)->click();
    press(57);
    window.OnKeyButton(MacroKeyButtons[0]);
    window.Button(PaintTool)->click();
    choose(PaintColour, qRgb(255, 40, 0));
}

} // namespace

int main(int argc, char** argv)
{
    const ShotOptions options(argc, argv);
    const QString scene = options.Value("--scene", QStringLiteral("default"));
    if (!options.Complete(
            "usage: rt604mainshot --data <build>/bin --out <file.png> [--scene default|assigned|russian|busy]\n"))
        return 2;
    const QString out = options.Out();

    const bool lighting = scene.startsWith(QLatin1String("lighting-"));
    const int lightingEffect = lighting ? scene.section(QLatin1Char('-'), 1, 1).toInt() : 0;
    const bool russian = scene == QLatin1String("russian") || scene.contains(QLatin1String("-ru"));
    const bool outside = scene.startsWith(QLatin1String("outside-change"));
    ShotProgram program(argc, argv, options.Data(), russian ? 1 : 0);

    VirtualKeyboard kb;
    const bool assigned = scene != QLatin1String("default") && !lighting && !outside;
    if (assigned)
        PrepareKeyboard(kb, 2);
    ShotSession session(kb, CVarkelinDlg::Options{}, "rt604mainshot");
    CVarkelinDlg* window = &session.Window();
    window->move(40, 40);
    window->OpenMainWindow();
    Spin(400);

    QRect area = window->frameGeometry().adjusted(-8, -8, 8, 8);
    if (scene == QLatin1String("assigned") || scene == QLatin1String("russian")) {
        const uint16_t key = scene == QLatin1String("russian") ? 58 : 1;
        CPngButton* button = window->Button(ControlOf(key));
        const QPoint at = button->mapToGlobal(button->rect().center() + QPoint(6, 10));
        QToolTip::showText(at, button->TooltipText(), button);
        Spin(400);
        area = UniteTooltips(area, 8);
    } else if (lighting) {
        window->SetLightingView(true);
        window->Lighting()->OnEffectChosen(FindEffectIndex(lightingEffect));
        if (lightingEffect == 20)
            PaintKeys(*window);
        Spin(1500);
        if (scene.endsWith(QLatin1String("-chooser"))) {
            // The colour chooser of the paint colour, open over the window.
            static_cast<QAbstractButton*>(window->Control(1160))->click();
            Spin(300);
            if (QWidget* chooser = window->ColourChooser())
                area = area.united(chooser->frameGeometry().adjusted(-8, -8, 8, 8));
        }
    } else if (outside) {
        window->SetApplyEnabled(true);
        window->HandleMessage(MsgKeyboardChanged, EncodeKeyboardChange(KeyboardPart::KeyMap, 0));
        Spin(300);
    } else if (scene == QLatin1String("busy")) {
        window->ShowBusyPicture(true);
        Spin(230);
    }
    const bool saved = SaveShot(window->screen(), area, out, "rt604mainshot");

    QToolTip::hideText();
    session.Close();
    return saved ? 0 : 1;
}
