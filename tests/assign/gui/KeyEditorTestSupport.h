#pragma once

// The key function editor of the real main window against the virtual
// keyboard. Keys reach it as the window system delivers them: key events
// whose native scan code is the Linux key code plus 8.

#include "ui/gui/MainWindowTestSupport.h"

#include "ui/ShellMessages.h"
#include "assign/KeyAssignment.h"
#include "assign/gui/CompositeDialog.h"
#include "assign/gui/MacroEventModel.h"
#include "keys/EvdevKeyTable.h"
#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"
#include "macro/RecordDelaySetting.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>

#include <linux/input-event-codes.h>

class KeyEditorTest : public MainWindowTest {
protected:
    Varkelin_DlgComposite* OpenEditor(int controlId)
    {
        window->OpenMainWindow();
        window->EditKey(controlId);
        editor = window->KeyEditor();
        EXPECT_TRUE(editor->IsOpen());
        editor->SetClock([this] { return now; });
        return editor;
    }
    Varkelin_DlgComposite* OpenEditorForKey(uint16_t keyCode) { return OpenEditor(ControlOf(keyCode)); }

    // A key event as the window system sends it: the shortcut check first,
    // then the event itself to the focused control.
    void SendKey(uint32_t evdev, bool released, bool autoRepeat = false, int qtKey = 0)
    {
        QWidget* target = editor->focusWidget() ? editor->focusWidget() : editor;
        const uint32_t native = evdev + XkbKeycodeOffset;
        if (!released) {
            QKeyEvent shortcut(QEvent::ShortcutOverride, qtKey, Qt::NoModifier, native, 0, 0, QString(), autoRepeat);
            QApplication::sendEvent(target, &shortcut);
        }
        QKeyEvent key(released ? QEvent::KeyRelease : QEvent::KeyPress, qtKey, Qt::NoModifier, native, 0, 0,
                      QString(), autoRepeat);
        QApplication::sendEvent(target, &key);
    }
    // Typing as a user does: one key event with its text per character.
    static void TypeText(QWidget* target, const QString& text)
    {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
    // One repeat of a held key as X11 (and Qt on Wayland) delivers it: a
    // release and a press, both marked as auto-repeat.
    void RepeatKey(uint32_t evdev, int qtKey = 0)
    {
        SendKey(evdev, true, true, qtKey);
        SendKey(evdev, false, true, qtKey);
    }
    void TapKey(uint32_t evdev, int qtKey = 0)
    {
        SendKey(evdev, false, false, qtKey);
        SendKey(evdev, true, false, qtKey);
    }

    // Macros in the document as the editor's apply would leave them.
    static void AddMacros(const std::vector<std::pair<std::string, std::vector<MacroEvent>>>& macros)
    {
        MacroList list = LoadMacroList();
        for (const auto& [name, events] : macros) {
            const int position = CreateMacro(list);
            ASSERT_GE(position, 0);
            list.macros[static_cast<size_t>(position)].View().SetName(name);
            list.rows = events;
        }
        ASSERT_EQ(ApplyMacroEdits(list), 1);
    }
    // The editor opened from the Macros button on these macros, with the
    // recorded-delays setting given (or, -1, as it is).
    void OpenOnMacros(const std::vector<std::pair<std::string, std::vector<MacroEvent>>>& macros,
                      int recordDelays = -1)
    {
        PrepareKeyboard(0, {});
        Start();
        if (recordDelays >= 0)
            WriteRecordDelaysSetting(recordDelays);
        AddMacros(macros);
        OpenEditor(MacroOnlyControlId);
    }
    static std::vector<std::string> DocumentMacroNames()
    {
        std::vector<std::string> names;
        DocumentLock lock;
        for (int k = 0; k < g_configDoc.macroCount; ++k)
            names.push_back(ConstMacroBlock(MacroBlockAt(g_configDoc, k)).Name());
        return names;
    }
    static std::vector<MacroEvent> DocumentMacroEvents(int position)
    {
        DocumentLock lock;
        return ConstMacroBlock(MacroBlockAt(g_configDoc, position)).Events();
    }

    template <typename T>
    T* Get(int id) const
    {
        return qobject_cast<T*>(editor->Control(id));
    }
    QString KeyFieldText() const { return Get<QLineEdit>(CompositeControl::KeyField)->text(); }
    const std::vector<MacroEvent>& Rows() const { return editor->Macros().rows; }

    Varkelin_DlgComposite* editor = nullptr;
    uint64_t now = 1000;
};
