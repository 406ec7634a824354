#pragma once

#include "assign/gui/CompositeTab.h"

#include <cstdint>

class QComboBox;
class QLineEdit;
class QRadioButton;

// The single-key tab: the key captured from the keyboard, or a mouse action
// chosen from a list.
class CompositeKeyTab : public CompositeTab {
    Q_OBJECT
public:
    explicit CompositeKeyTab(CBaseDialog& dialog);

    // The mouse actions in the current language, the choice kept (or the
    // first one).
    void FillMouseList();
    // Keyboard (the captured key) or mouse (the list's action).
    void SetKeyChoice(bool keyboard);
    bool IsKeyboardChoice() const;
    // The field shows the key's name, or nothing for 0.
    void ShowKey(uint16_t keyCode);
    // Chooses the list's entry for a mouse action's code; false when the
    // code is no mouse action.
    bool SelectMouseAction(uint16_t keyCode);
    // The chosen mouse action's code.
    uint16_t MouseActionCode() const;
    void ResetMouseList();

    QLineEdit* KeyField() const { return keyField_; }
    QComboBox* MouseList() const { return mouseList_; }
    QRadioButton* KeyboardChoice() const { return keyboardChoice_; }
    QRadioButton* MouseChoice() const { return mouseChoice_; }

signals:
    // The owner clicked a choice.
    void keyboardChosen();
    void mouseChosen();
    // The owner picked another mouse action.
    void mouseActionPicked();

private:
    QRadioButton* keyboardChoice_ = nullptr;
    QRadioButton* mouseChoice_ = nullptr;
    QLineEdit* keyField_ = nullptr;
    QComboBox* mouseList_ = nullptr;
};
