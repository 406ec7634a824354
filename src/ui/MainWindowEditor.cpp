#include "ui/MainWindow.h"
#include "ui/DialogHost.h"

#include "assign/gui/CompositeDialog.h"
#include "platform/gui/X11KeyboardGrab.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"

// The key function editor: one instance beside the window, created the first
// time a key is clicked and reused for every key after that.

Varkelin_DlgComposite* CVarkelinDlg::KeyEditor()
{
    if (!keyEditor_) {
        keyEditor_ = new Varkelin_DlgComposite(this);
        keyEditor_->SetKeyboardGrab(CreateKeyboardGrab(keyEditor_));
        keyEditor_->SetButtonLookHandler([this](int, bool selected) {
            // The button that was clicked stays pressed while its editor is
            // open and comes back up when it closes: G9 and the macro button
            // open the same editor, and only the one clicked may look pressed.
            if (CPngButton* button = Button(editorOpener_))
                button->setDown(selected);
        });
        connect(keyEditor_, &Varkelin_DlgComposite::helpRequested, this, &CVarkelinDlg::OpenHelp);
        dialogs_->WatchClosing(keyEditor_);
    }
    return keyEditor_;
}

void CVarkelinDlg::EditKey(int controlId, int openerId)
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
    editorOpener_ = openerId ? openerId : controlId;
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
