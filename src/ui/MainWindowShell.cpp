#include "ui/MainWindow.h"

#include "device/protocol/DeviceState.h"
#include "base/ProgramPaths.h"
#include "ui/AboutDialog.h"
#include "ui/AddressPrompt.h"
#include "ui/DialogHost.h"
#include "ui/EventLog.h"
#include "ui/LightingPanel.h"
#include "ui/QtUserPrompts.h"
#include "ui/ShellMessages.h"
#include "ui/TrayIcon.h"
#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "device/protocol/DeviceMonitor.h"
#include "platform/KeyboardChangeNotice.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinColorBtn.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

bool IsSwallowedKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

bool IsArrowKey(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

} // namespace

int32_t CVarkelinDlg::HandleMessage(uint32_t message, uint32_t tag, uint32_t param)
{
    switch (message) {
    case MsgInit:
        if (tag != TagInit)
            return 0;
        HideMainWindow();
        return 1;
    case MsgOpen:
        if (tag != TagOpen)
            return 0;
        Trace("message OPEN");
        // A second start in the same instant as this one: whether the
        // keyboard is there is not known yet, and "no keyboard" would be
        // wrong when the monitor is about to find it.
        if (FirstScanPending()) {
            openAfterFirstScan_ = true;
            Trace("open-held");
            return 1;
        }
        OpenMainWindow();
        return 1;
    case MsgKill:
        if (tag != TagKill)
            return 0;
        Trace("message KILL");
        ExitProgram();
        return 1;
    case MsgReload:
        if (tag != TagReload)
            return 0;
        Trace("message PROF");
        OnReloadFromDevice();
        return 1;
    case MsgLanguage:
        if (tag != TagLanguage)
            return 0;
        ApplyLanguage(param == 1 ? 1 : 0);
        // A language switch is one of the moments the keyboard's lighting is
        // read again: what it shows may have changed without a notice.
        if (g_deviceConnected.load() && !exiting_)
            ReloadAndShowLighting(false);
        return 1;
    case MsgFirmwareUpdate:
        if (tag != TagFirmwareUpdate)
            return 0;
        Trace("message UPDT");
        OnMenuCommand(CmdFirmwareUpdate);
        return 1;
    case MsgKeyboardChanged:
        return OnKeyboardChanged(tag);
    case MsgDeviceLost:
        Trace("message DEVICE-LOST");
        CloseSubWindows();
        OnDeviceLost();
        return 1;
    default:
        return 0;
    }
}

void CVarkelinDlg::OpenMainWindow()
{
    if (exiting_)
        return;
    if (!g_deviceConnected.load()) {
        // Not modal: a second start that asked for the window must not
        // wait for the owner to read this.
        if (!noDevicePrompt_) {
            noDevicePrompt_ = new QMessageBox(QMessageBox::Information, QString(),
                                              QString::fromStdString(LoadText("MAIN_NO_DEVICE_PROMPT")),
                                              QMessageBox::Ok);
            MakeMessageBoxDialog(*noDevicePrompt_, false);
            noDevicePrompt_->setAttribute(Qt::WA_DeleteOnClose);
            noDevicePrompt_->setModal(false);
        }
        noDevicePrompt_->show();
        noDevicePrompt_->raise();
        Trace("no-device-prompt");
        return;
    }
    // Living hidden it was a tool window without a taskbar entry; opened,
    // it is an ordinary window.
    if (windowFlags() & Qt::Tool) {
        setWindowFlags((windowFlags() & ~Qt::Tool) | Qt::Window);
        setProperty("userData", MainWindowMarker);
    }
    showNormal();
    raise();
    activateWindow();
}

void CVarkelinDlg::OnFirstScanDone()
{
    if (std::exchange(openAfterFirstScan_, false))
        OpenMainWindow();
}

void CVarkelinDlg::HideMainWindow()
{
    hide();
    SetKeyboardCues(this, false);
    Trace("window-hidden");
}

void CVarkelinDlg::MinimiseMainWindow()
{
    showMinimized();
}

void CVarkelinDlg::ExitProgram()
{
    if (exiting_)
        return;
    exiting_ = true;
    WaitForApply();
    StopAutoProfiles();
    Trace("exit-program");
    HideMainWindow();
    CloseSubWindows();
    if (exitHandler_)
        exitHandler_(); // releases the single-instance lock and endpoint
    Trace("instance-released");
    tray_->Remove();
    Trace("tray-removed");
    SetApplyEnabled(false);
    ShutdownDocuments();
    Trace("documents-freed");
    lighting_->StopPreview();
    done(QDialog::Accepted);
    Trace("dialog-ended");
    // Told to quit with no loop running, Qt would end every later loop at
    // once (message boxes, file dialogs); start-up does not enter its loop
    // when the window has already ended.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void CVarkelinDlg::ShowAbout()
{
    if (!about_) {
        about_ = new AboutDialog(this);
        about_->setWindowFlag(Qt::Window);
    }
    about_->ApplyLanguage(GetLanguageIndex());
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void CVarkelinDlg::OpenHelp()
{
    const QString page = QDir(QString::fromStdString(g_paths.helpFolder)).filePath(QStringLiteral("index.html"));
    Trace("help " + page.toStdString());
    OpenAddressOrExplain(page, this);
}

void CVarkelinDlg::CloseSubWindows()
{
    if (about_ && about_->isVisible())
        about_->reject();
    // In the order the program's shutdown closes them: the profile manager
    // (and the update window), then the key function editor.
    dialogs_->CloseAll();
    CloseKeyEditor();
    if (noDevicePrompt_)
        noDevicePrompt_->close();
    // An open colour chooser answers nothing.
    if (CColourChooser* chooser = ColourChooser())
        chooser->hide();
    Trace("subwindows-closed");
}

bool CVarkelinDlg::IsApplyEnabled() const
{
    return applyEnabled_;
}

void CVarkelinDlg::SetApplyEnabled(bool enabled)
{
    applyEnabled_ = enabled;
    if (CPngButton* apply = Button(MainControl::Apply))
        apply->setEnabled(enabled);
    if (!enabled)
        ResumeAutoProfile();
    if (!enabled && outsideChangeUnder_) {
        // The kept changes are gone (applied or discarded): the window shows
        // the keyboard again, with what the other program left there.
        ShowOutsideChangeNote(false);
        outsidePending_ |= KeyboardPart::KeyMap;
        QueueOutsideFollow(0);
    }
}

QString CVarkelinDlg::CaptionText() const
{
    QString caption = QString::fromStdString(LoadText("MAIN_CAPTION"));
    if (IsVirtual())
        caption += QString::fromStdString(LoadText("VIRTUAL_KEYBOARD_SUFFIX"));
    return caption;
}

void CVarkelinDlg::accept()
{
    OnApply();
    HideMainWindow();
}

void CVarkelinDlg::reject()
{
    HideMainWindow();
}

void CVarkelinDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape would end the dialog; they do nothing here, except
    // that Enter presses a button that has the keyboard focus.
    QWidget* effects = Control(MainControl::EffectList);
    if (IsSwallowedKey(event->key()) || (IsArrowKey(event->key()) && effects && focusWidget() == effects)) {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat())
            PressFocusedButton();
        event->accept();
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

void CVarkelinDlg::keyReleaseEvent(QKeyEvent* event)
{
    if (IsSwallowedKey(event->key())) {
        event->accept();
        return;
    }
    CBaseDialog::keyReleaseEvent(event);
}

bool CVarkelinDlg::event(QEvent* event)
{
    // Children pass Enter and Escape up as shortcuts of the dialog's default
    // buttons; stop them before they get that far.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (IsSwallowedKey(key->key())) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1) {
            OpenHelp();
            return true;
        }
    }
    return CBaseDialog::event(event);
}

void CVarkelinDlg::closeEvent(QCloseEvent* event)
{
    // The window manager's close is the Cancel of a dialog: hide, keep living.
    event->ignore();
    if (!exiting_)
        HideMainWindow();
}

void CVarkelinDlg::showEvent(QShowEvent* event)
{
    CBaseDialog::showEvent(event);
    Trace("window-shown");
    lighting_->UpdatePreviewTimer();
}

void CVarkelinDlg::hideEvent(QHideEvent* event)
{
    CBaseDialog::hideEvent(event);
    lighting_->UpdatePreviewTimer();
}

void CVarkelinDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        Trace("window-minimised");
    if (event->type() == QEvent::WindowStateChange)
        lighting_->UpdatePreviewTimer();
    CBaseDialog::changeEvent(event);
}

void CVarkelinDlg::Trace(const std::string& line)
{
    LogEvent(line);
    emit traced(QString::fromStdString(line));
}
