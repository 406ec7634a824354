#include "assign/gui/CompositeKeyTab.h"

#include "assign/gui/CompositeControls.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "text/LanguageTexts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

CompositeKeyTab::CompositeKeyTab(CBaseDialog& dialog) : CompositeTab(dialog)
{
    setObjectName(QStringLiteral("KeyTab"));
    Add<QLabel>(CompositeControl::SingleCaption, "TISHI_SINGLE_STATIC");
    keyboardChoice_ = Add<QRadioButton>(CompositeControl::KeyboardChoice, "FUNC_KEY_RADIO_KB");
    Add<QLabel>(CompositeControl::KeyboardCaption, "FUNC_KEY_RADIO_KB_STATIC");
    keyField_ = Add<QLineEdit>(CompositeControl::KeyField, "FUNC_KEY_INPUT");
    keyField_->setReadOnly(true);
    keyField_->setAlignment(Qt::AlignCenter);
    mouseChoice_ = Add<QRadioButton>(CompositeControl::MouseChoice, "FUNC_KEY_RADIO_MOU");
    Add<QLabel>(CompositeControl::MouseCaption, "FUNC_KEY_RADIO_MOU_STATIC");
    mouseList_ = Add<QComboBox>(CompositeControl::MouseList, "FUNC_KEY_MOUSE_SELECT");
    for (QRadioButton* choice : {keyboardChoice_, mouseChoice_})
        choice->setAutoExclusive(false);
    connect(keyboardChoice_, &QAbstractButton::clicked, this, &CompositeKeyTab::keyboardChosen);
    connect(mouseChoice_, &QAbstractButton::clicked, this, &CompositeKeyTab::mouseChosen);
    connect(mouseList_, &QComboBox::activated, this, &CompositeKeyTab::mouseActionPicked);
}

void CompositeKeyTab::FillMouseList()
{
    const int chosen = mouseList_->currentIndex();
    mouseList_->clear();
    for (const MouseAction& action : MouseActions)
        mouseList_->addItem(QString::fromStdString(LoadText(action.languageKey)));
    mouseList_->setCurrentIndex(std::max(0, chosen));
}

void CompositeKeyTab::SetKeyChoice(bool keyboard)
{
    keyField_->setEnabled(keyboard);
    mouseList_->setEnabled(!keyboard);
    keyboardChoice_->setChecked(keyboard);
    mouseChoice_->setChecked(!keyboard);
}

bool CompositeKeyTab::IsKeyboardChoice() const
{
    return keyboardChoice_->isChecked();
}

void CompositeKeyTab::ShowKey(uint16_t keyCode)
{
    keyField_->setText(keyCode != 0 ? QString::fromStdString(GetKeyName(keyCode)) : QString());
}

bool CompositeKeyTab::SelectMouseAction(uint16_t keyCode)
{
    int mouseItem = -1;
    for (size_t item = 0; item < MouseActions.size(); ++item) {
        if (MouseActions[item].keyCode == keyCode)
            mouseItem = static_cast<int>(item);
    }
    if (mouseItem >= 0)
        mouseList_->setCurrentIndex(mouseItem);
    return mouseItem >= 0;
}

uint16_t CompositeKeyTab::MouseActionCode() const
{
    const int item = std::clamp(mouseList_->currentIndex(), 0, static_cast<int>(MouseActions.size()) - 1);
    return MouseActions[static_cast<size_t>(item)].keyCode;
}

void CompositeKeyTab::ResetMouseList()
{
    mouseList_->setCurrentIndex(0);
}
