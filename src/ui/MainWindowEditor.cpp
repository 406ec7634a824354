#include "ui/MainWindow.h"

#include "assign/gui/CompositeDialog.h"
#include "platform/gui/X11KeyboardGrab.h"
#include "skin/LanguageTexts.h"
#include "skin/gui/PngButton.h"

// The key function editor: one instance beside the window, created the first
// time a key is clicked and reused for every key after that.

Varkelin_DlgComposite* CVarkelinDlg::KeyEditor()
{
    if (!keyEditor_) {
        keyEditor_ = new Varkelin_DlgComposite(this);
        keyEditor_->SetKeyboardGrab(CreateKeyboardGrab(keyEditor_));
        keyEditor_->SetButtonLookHandler([this](int controlId, bool selected) {
            // The clicked button stays pressed while its editor is open.
            if (CPngButton* button = Button(controlId == MacroOnlyControlId && !selected ? MainControl::Macro : controlId))
                button->setDown(selected);
            if (controlId == MacroOnlyControlId) {
                if (CPngButton* macro = Button(MainControl::Macro))
                    macro->setDown(false);
            }
        });
        connect(keyEditor_, &Varkelin_DlgComposite::helpRequested, this, &CVarkelinDlg::OpenHelp);
    }
    return keyEditor_;
}

void CVarkelinDlg::EditKey(int controlId)
{
    // The editor changes the document: an Apply under way finishes first.
    WaitForApply();
    Varkelin_DlgComposite* editor = KeyEditor();
    if (editor->IsOpen())
        return;
    QRect keyRect;
    if (CPngButton* button = Button(controlId))
        keyRect = QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
    Trace("key-editor " + std::to_string(controlId));
    editor->EditKey(controlId, keyRect);
}

void CVarkelinDlg::CloseKeyEditor()
{
    if (keyEditor_)
        keyEditor_->CloseKeyEditor();
}

bool CVarkelinDlg::IsKeyEditorOpen() const
{
    return keyEditor_ && keyEditor_->IsOpen();
}
