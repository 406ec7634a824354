#include "assign/gui/CompositeDialog.h"

#include "base/UserPrompts.h"
#include "assign/KeyAssignment.h"
#include "assign/KeyCaptureRules.h"
#include "assign/gui/CompositeKeyTab.h"
#include "assign/gui/CompositeListTab.h"
#include "assign/gui/CompositeMacroTab.h"
#include "keys/EvdevKeyTable.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "platform/KeyboardGrab.h"
#include "platform/OnScreenKeyboard.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>

namespace {

using namespace CompositeControl;

constexpr int TabIds[] = {TabKey, TabMacro, TabMedia, TabFunction};

bool IsEnterOrEscape(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

void Varkelin_DlgComposite::SwitchTab(bool initial)
{
    const QPixmap* panelSet = key_;
    switch (chosenType_) {
    case AssignMacro:
        panelSet = macroOnly_ ? macro2_ : macro_;
        StopCapture();
        if (initial) {
            macroTab_->ShowMacroOfKey(slotValue_);
            firstMacroSwitch_ = false;
        } else if (firstMacroSwitch_) {
            firstMacroSwitch_ = false;
            if (slotValue_ == 0 && !macroTab_->Macros().macros.empty())
                macroTab_->OnMacroSelected(0);
        }
        break;
    case AssignMedia:
    case AssignFunction: {
        panelSet = chosenType_ == AssignMedia ? media_ : function_;
        StopCapture();
        macroTab_->StopRecording();
        if (initial)
            (chosenType_ == AssignMedia ? mediaTab_ : functionTab_)->Choose(slotValue_);
        break;
    }
    default:
        macroTab_->StopRecording();
        StartCapture();
        if (initial)
            capturedKey_ = chosenType_ == AssignKey ? static_cast<uint16_t>(std::min<uint32_t>(slotValue_, 0xFFFF)) : 0;
        if (chosenType_ == AssignKey) {
            SetKeyChoice(!keyTab_->SelectMouseAction(capturedKey_));
        } else if (initial) {
            SetKeyChoice(true);
        }
        ShowCapturedKey();
        break;
    }
    CPngButton* panel = Button(Panel);
    panel->SetFaceImages(panelSet[0], panelSet[0], panelSet[0], panelSet[0], panelSet[0], false);
    panel->update();
    ShowTabControls();
}

void Varkelin_DlgComposite::ShowTabControls()
{
    const int tab = chosenType_ == AssignMacro ? TabMacro
                    : chosenType_ == AssignMedia ? TabMedia
                    : chosenType_ == AssignFunction ? TabFunction
                                                    : TabKey;
    // Hide first, so two tabs' controls are never shown at once.
    for (int id : TabIds)
        Tab(id)->Show(false);
    Tab(tab)->Show(true);
    if (macroOnly_) {
        for (int id : {SingleCaption, MediaCaption, FunctionCaption})
            Control(id)->hide();
    }
    if (!macroTab_->GaugePlaced()) {
        Control(MemoryGauge)->hide();
        Control(MemoryCaption)->hide();
    }
    for (int id : TabIds)
        Button(id)->SetMark(id == tab, true);
}

void Varkelin_DlgComposite::OnTab(int tabId)
{
    if (macroOnly_ && tabId != TabMacro)
        return;
    uint16_t type = chosenType_;
    switch (tabId) {
    case TabKey:
        if (chosenType_ != AssignMacro && chosenType_ != AssignMedia && chosenType_ != AssignFunction)
            return;
        type = AssignKey;
        break;
    case TabMacro: type = AssignMacro; break;
    case TabMedia: type = AssignMedia; break;
    case TabFunction: type = AssignFunction; break;
    default: return;
    }
    if (type == chosenType_)
        return;
    chosenType_ = type;
    SwitchTab(false);
    SetChanged(true);
}

void Varkelin_DlgComposite::OnClear()
{
    if (macroOnly_)
        return;
    OnTab(TabKey);
    if (chosenType_ != AssignKey)
        return;
    capturedKey_ = 0;
    ShowCapturedKey();
    chosenType_ = AssignDefault;
    SetKeyChoice(true);
    SetChanged(true);
}

void Varkelin_DlgComposite::SetKeyChoice(bool keyboard)
{
    keyTab_->SetKeyChoice(keyboard);
}

void Varkelin_DlgComposite::ShowCapturedKey()
{
    // The field is what the KB choice stores; the editor is reused, so a
    // key captured the last time it was open must not linger here.
    keyTab_->ShowKey(capturedKey_);
}

void Varkelin_DlgComposite::OnKeyboardChoice()
{
    SetKeyChoice(true);
    chosenType_ = AssignKey;
    SetChanged(true);
}

void Varkelin_DlgComposite::OnMouseChoice()
{
    SetKeyChoice(false);
    chosenType_ = AssignKey;
    SetChanged(true);
}

void Varkelin_DlgComposite::StartCapture()
{
    capturing_ = true;
    captureDown_.clear();
    UpdateKeyboardTaking();
}

void Varkelin_DlgComposite::StopCapture()
{
    capturing_ = false;
    captureDown_.clear();
    UpdateKeyboardTaking();
}

void Varkelin_DlgComposite::UpdateKeyboardTaking()
{
    const bool wanted = isVisible() && (capturing_ || macroTab_->IsRecording());
    if (!wanted) {
        qApp->removeEventFilter(this);
        grab_->Release();
        SetStatus(QString());
        return;
    }
    qApp->installEventFilter(this);
    // The desktop keeps its keyboard while the owner works elsewhere; the
    // editor takes it back when it is active again.
    bool grabbed = false;
    if (isActiveWindow())
        grabbed = grab_->Grab();
    else
        grab_->Release();
    if (grabbed || (!isActiveWindow() && grab_->CanGrab())) {
        SetStatus(QString());
    } else {
        // No grab (a Wayland session, no X server): the keys this window
        // receives are still taken, but the desktop sees the others first.
        SetStatus(QString::fromStdString(LoadText("COMPOSITE_NO_GRAB", languageIndex_)));
    }
}

bool Varkelin_DlgComposite::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // A list's popup takes the keyboard grab while it is open and gives it
    // back to nobody when it closes: take it again.
    if (type == QEvent::Hide && grab_->IsGrabbed()) {
        auto* popup = qobject_cast<QWidget*>(watched);
        if (popup && popup->isWindow() && popup->windowType() == Qt::Popup && popup->window() != this)
            QTimer::singleShot(0, this, [this] {
                grab_->Release();
                UpdateKeyboardTaking();
            });
    }
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride) &&
        (capturing_ || macroTab_->IsRecording()) && isVisible()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        // Only keys meant for this window, or any while the keyboard is ours.
        if (widget && (widget->window() == this || grab_->IsGrabbed())) {
            // The cell editors of the event list keep their keys.
            QTableView* eventView = macroTab_->EventView();
            if (widget->window() == this && eventView->isAncestorOf(widget) && widget != eventView &&
                !macroTab_->IsRecording())
                return false;
            auto* key = static_cast<QKeyEvent*>(event);
            if (type == QEvent::ShortcutOverride) {
                // Accepting it turns the key into a plain key event; no
                // shortcut or default button sees it.
                const uint16_t code = KeyCodeFromNativeScanCode(key->nativeScanCode());
                if (code != 0 && !IsMediaKeyCode(code)) {
                    key->accept();
                    return true;
                }
                return false;
            }
            return HandleKeyEvent(key);
        }
    }
    return CBaseDialog::eventFilter(watched, event);
}

bool Varkelin_DlgComposite::HandleKeyEvent(QKeyEvent* event)
{
    const uint16_t code = KeyCodeFromNativeScanCode(event->nativeScanCode());
    const bool released = event->type() == QEvent::KeyRelease;
    if (code != 0 && IsMediaKeyCode(code)) {
        // Media keys keep working. Without a grab the desktop saw them
        // already; under one it did not, so they are handed on once
        // released (and swallowed here, so no control acts on them).
        if (!grab_->IsGrabbed())
            return false;
        if (released && !event->isAutoRepeat())
            grab_->PassOn(KeyCodeToEvdev(code));
        return true;
    }
    if (macroTab_->IsRecording()) {
        macroTab_->RecordKey(event, code, released);
        return code != 0;
    }
    if (capturing_) {
        CaptureKey(event, code, released);
        return code != 0;
    }
    return false;
}

void Varkelin_DlgComposite::CaptureKey(QKeyEvent* event, uint16_t keyCode, bool released)
{
    const bool pressSeen = captureDown_.count(keyCode) != 0;
    // A held key's repeats leave it down.
    if (!event->isAutoRepeat()) {
        if (!released)
            captureDown_.insert(keyCode);
        else
            captureDown_.erase(keyCode);
    }
    const KeyCaptureDecision decision =
        DecideKeyCapture(keyCode, released, event->isAutoRepeat(), pressSeen, keyTab_->IsKeyboardChoice());
    if (decision.captured == 0)
        return;
    capturedKey_ = decision.captured;
    ShowCapturedKey();
    chosenType_ = AssignKey;
    SetChanged(true);
}

bool Varkelin_DlgComposite::event(QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsEnterOrEscape(key->key())) {
            event->accept();
            return true;
        }
    }
    // A menu or list that closed may have taken the keyboard grab with it;
    // another window that became active must get its keys.
    if ((event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) && isVisible()) {
        // The keys down now will be released in the other window.
        if (event->type() == QEvent::WindowDeactivate) {
            captureDown_.clear();
            macroTab_->ReleaseHeldKeys();
        }
        UpdateKeyboardTaking();
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        if (!macroTab_->IsRecording())
            emit helpRequested();
        return true;
    }
    return CBaseDialog::event(event);
}

void Varkelin_DlgComposite::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape neither close the editor nor press a button.
    if (IsEnterOrEscape(event->key())) {
        event->accept();
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

void Varkelin_DlgComposite::keyReleaseEvent(QKeyEvent* event)
{
    if (IsEnterOrEscape(event->key())) {
        event->accept();
        return;
    }
    CBaseDialog::keyReleaseEvent(event);
}

void Varkelin_DlgComposite::OnOnScreenKeyboard()
{
    switch (StartOnScreenKeyboard()) {
    case OnScreenKeyboardResult::Started:
    case OnScreenKeyboardResult::AlreadyRunning:
        break;
    case OnScreenKeyboardResult::NotInstalled:
        Prompts().ShowMessage(LoadText("COMPOSITE_NO_OSK", languageIndex_), MessageStyle::Normal);
        break;
    case OnScreenKeyboardResult::Failed:
        Prompts().ShowMessage(LoadText("COMPOSITE_OSK_FAILED", languageIndex_), MessageStyle::Normal);
        break;
    }
}
