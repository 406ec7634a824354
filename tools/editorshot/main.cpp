// Runs the real main window against the virtual keyboard, opens the key
// function editor on one tab and saves a picture of the editor.
//
//   rt604editorshot --data <build>/bin --out editor.png
//       [--tab key|mouse|macro|media|function|macro-only|recording] [--lang en|ru]
//       [--memory fits|names|full]
//
// key:        Esc, captured as A
// mouse:      Q, the wheel down
// macro:      F5 playing a macro of a few events, one of three macros
// media:      W, mute
// function:   Caps Lock, a keyboard function
// macro-only: the macro button (G9's editor), centred
// recording:  the macro tab while recording
//
// --memory shows the macro tab with three more macros of long names and many
// events, on a keyboard whose macro memory holds them with their names
// (fits), only without them (names) or not at all (full).

#include "ShotSession.h"

#include "assign/KeyAssignment.h"
#include "assign/gui/CompositeDialog.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"
#include "skin/gui/PngButton.h"

#include <QApplication>
#include <QTableView>

#include <cstdio>

namespace {

// Three macros; the second types "Hi" with pauses.
uint16_t AddMacros()
{
    MacroList list = LoadMacroList();
    for (int n = 0; n < 3; ++n)
        CreateMacro(list);
    list.macros[1].View().SetName("Greeting");
    SelectMacro(list, 1);
    list.rows = {{30, KeyCodes::LeftShift, MacroPressed}, {40, 35, MacroPressed}, {20, 35, MacroReleased},
                 {60, KeyCodes::LeftShift, MacroReleased}, {50, 23, MacroPressed}, {120, 23, MacroReleased},
                 {200, KeyCodes::MouseLeft, MacroPressed}, {0, KeyCodes::MouseLeft, MacroReleased}};
    list.macros[1].View().SetCycles(3);
    ApplyMacroEdits(list);
    return list.macros[1].View().MacroId();
}

// Long names and many events: 1,044 bytes without the names, 1,290 with
// (1,294 with the Russian default names).
void AddLargeMacros()
{
    MacroList list = LoadMacroList();
    const struct {
        const char* name;
        int events;
    } macros[] = {{"Build order: barracks, supply depot, refinery", 120},
                  {"Quick chat: well played, good game", 80},
                  {"Reload and switch weapon", 40}};
    for (const auto& m : macros) {
        const int position = CreateMacro(list);
        list.macros[static_cast<size_t>(position)].View().SetName(m.name);
        for (int i = 0; i < m.events; ++i)
            list.rows.push_back({static_cast<uint32_t>(20 + 10 * (i % 7)), static_cast<uint16_t>(16 + i / 2 % 10),
                                 static_cast<uint16_t>(i % 2 == 0 ? MacroPressed : MacroReleased)});
    }
    ApplyMacroEdits(list);
}

// Keyboard memories (in 128-byte units) for the three states of the gauge.
uint8_t MemoryUnits(const QString& memory)
{
    if (memory == QLatin1String("names"))
        return 9;
    if (memory == QLatin1String("full"))
        return 8;
    return 16;
}

} // namespace

int main(int argc, char** argv)
{
    const ShotOptions options(argc, argv);
    QString tab = options.Value("--tab", QStringLiteral("key"));
    const QString lang = options.Value("--lang", QStringLiteral("en"));
    const QString memory = options.Value("--memory");
    if (!options.Complete("usage: rt604editorshot --data <build>/bin --out <file.png> [--tab ...] [--lang en|ru]\n"))
        return 2;
    const QString out = options.Out();

    ShotProgram program(argc, argv, options.Data(), lang == QLatin1String("ru") ? 1 : 0);

    VirtualKeyboardOptions keyboard;
    if (!memory.isEmpty()) {
        keyboard.macroUnits = MemoryUnits(memory);
        tab = QStringLiteral("macro");
    }
    VirtualKeyboard kb(keyboard);
    ShotSession session(kb, CVarkelinDlg::Options{}, "rt604editorshot");
    CVarkelinDlg* window = &session.Window();
    window->move(20, 20);
    window->OpenMainWindow();
    Spin(300);

    const uint16_t macroId = AddMacros();
    if (!memory.isEmpty())
        AddLargeMacros();
    StoreKeyAssignment(KeyCodeToIndex(1), AssignKey, 30, 0);
    StoreKeyAssignment(KeyCodeToIndex(16), AssignKey, KeyCodes::WheelDown, 0);
    StoreKeyAssignment(KeyCodeToIndex(63), AssignMacro, macroId, 3);
    StoreKeyAssignment(KeyCodeToIndex(17), AssignMedia, 7, 0);
    StoreKeyAssignment(KeyCodeToIndex(58), AssignFunction, 2, 0);

    uint16_t key = 1;
    if (tab == QLatin1String("mouse"))
        key = 16;
    else if (tab == QLatin1String("macro") || tab == QLatin1String("recording"))
        key = 63;
    else if (tab == QLatin1String("media"))
        key = 17;
    else if (tab == QLatin1String("function"))
        key = 58;
    if (tab == QLatin1String("macro-only"))
        window->Button(MainControl::Macro)->click();
    else
        window->EditKey(ControlOf(key));
    Varkelin_DlgComposite* editor = window->KeyEditor();
    Spin(400);
    if (tab == QLatin1String("recording")) {
        editor->EventView()->selectRow(3);
        editor->MacroTab()->ToggleRecording();
        Spin(200);
    }
    const QRect area = editor->frameGeometry().adjusted(-6, -6, 6, 6);
    const bool saved = SaveShot(editor->screen(), area, out, "rt604editorshot");

    editor->CloseKeyEditor();
    session.Close();
    return saved ? 0 : 1;
}
