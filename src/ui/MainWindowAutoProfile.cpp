#include "ui/MainWindow.h"

#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "ui/TrayIcon.h"
#include "autoprofile/AutoProfileSwitcher.h"
#include "actions/DeviceCopy.h"
#include "actions/ProfileSwitch.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "keys/KeyTable.h"
#include "skin/gui/PngButton.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

// The tray's profile entries and automatic profiles: what the switcher may
// do to the window, when it must wait, and the marks that follow the
// keyboard's active profile wherever it was changed.

namespace {

class MainWindowAutoProfileHost final : public AutoProfileHost {
public:
    explicit MainWindowAutoProfileHost(CVarkelinDlg& window) : window_(window) {}

    int32_t KnownProfile() override { return g_currentProfile.load(); }
    int32_t ReadActiveProfile() override { return window_.FollowKeyboardProfile(); }
    bool IsBusy() override { return window_.IsAutoProfileBlocked(); }
    bool HasUnappliedChanges() override
    {
        MainWindowLink& link = MainWindow();
        return link.IsApplyEnabled() || (link.IsProfileDialogOpen() && link.ProfileDialogHasChanges());
    }
    int32_t SwitchProfile(int32_t profile) override { return window_.SwitchProfileAutomatically(profile); }
    void WaitChanged(AutoProfileWait, int32_t) override { window_.ShowAutoProfileWait(); }

private:
    CVarkelinDlg& window_;
};

bool IsProfileCommand(int command)
{
    return command >= ProfileMenuFirstProfileCommand && command < ProfileMenuFirstProfileCommand + 3;
}

} // namespace

void CVarkelinDlg::StartAutoProfiles()
{
    autoProfiles_ = new AutoProfileController(std::make_unique<MainWindowAutoProfileHost>(*this), this);
    connect(autoProfiles_, &AutoProfileController::switched, this,
            [this](int profile) { Trace("auto-profile " + std::to_string(profile + 1)); });
    autoProfiles_->Start();
}

void CVarkelinDlg::StopAutoProfiles()
{
    if (autoProfiles_)
        autoProfiles_->Stop();
    if (autoProfileDialog_)
        autoProfileDialog_->reject();
}

bool CVarkelinDlg::IsAutoProfileBlocked()
{
    // The one place that says the owner is busy with the configuration. A
    // modal window of ours (a question, a file choice) counts too: the
    // question it asks may be about the profile shown now.
    MainWindowLink& link = MainWindow();
    return exiting_ || IsApplying() || link.IsKeyEditorOpen() || link.IsProfileDialogOpen() ||
           QApplication::activeModalWidget() != nullptr;
}

int32_t CVarkelinDlg::FollowKeyboardProfile()
{
    // Never in the middle of an Apply (its writes are one group on the
    // keyboard) nor under an open editor, whose edits go to the profile it
    // was opened on.
    if (IsAutoProfileBlocked())
        return g_currentProfile.load();
    const int32_t before = g_currentProfile.load();
    const int32_t now = RereadCurrentProfile();
    if (now != before && now >= 0) {
        Trace("keyboard-profile " + std::to_string(now + 1));
        ActivateProfileView(now);
        BuildProfileMenu(false);
        ShowProfileSelected(now);
        // The lighting panel shows what the keyboard now plays; it already
        // shows that profile's key colours itself.
        SetViewedProfile(now);
        ReloadAndShowLighting(false);
    }
    return now;
}

int32_t CVarkelinDlg::SwitchProfileAutomatically(int32_t profile)
{
    const int32_t result = SelectProfileQuietly(profile);
    if (result != 1)
        return result;
    ShowProfileSelected(profile);
    // The window then looks as after the profile's button: its key buttons,
    // its lighting and its key colours on the keyboard. The owner is in the
    // other application; a lighting view left open shows the keys again.
    SetViewedProfile(profile);
    for (const ButtonKey& key : ButtonKeyTable) {
        if (CPngButton* button = Button(key.controlId))
            button->update();
    }
    for (uint16_t id : MacroKeyButtons) {
        if (CPngButton* button = Button(id))
            button->update();
    }
    ReloadAndShowLighting(true);
    if (IsLightingView())
        SetLightingView(false);
    return result;
}

void CVarkelinDlg::ResumeAutoProfile()
{
    if (autoProfiles_)
        autoProfiles_->Resume();
}

void CVarkelinDlg::ShowAutoProfileWait()
{
    if (tray_)
        tray_->SetTip(TrayTipText());
}

QString CVarkelinDlg::AutoProfileTipNote() const
{
    const QString note = autoProfiles_ ? autoProfiles_->WaitNote() : QString();
    return note.isEmpty() ? note : QStringLiteral("\n") + note;
}

void CVarkelinDlg::OnActiveProfileShown()
{
    UpdateTrayProfileMarks();
    // A profile that was switched or read again may be what a waiting
    // automatic switch needs to know.
    ResumeAutoProfile();
}

void CVarkelinDlg::UpdateTrayProfileMarks()
{
    if (!tray_)
        return;
    // The profile is known from the reload of a connection on (before the
    // connection counts as handled) until the keyboard is lost.
    const int32_t active = g_currentProfile.load();
    for (QAction* action : tray_->Menu()->actions()) {
        const int command = action->data().toInt();
        if (!IsProfileCommand(command))
            continue;
        action->setCheckable(true);
        action->setChecked(command - ProfileMenuFirstProfileCommand == active);
        action->setEnabled(active >= 0);
    }
}

void CVarkelinDlg::OnTrayProfile(int profile)
{
    // The question about unapplied changes, or the editor's refusal, comes
    // with the window it is about.
    MainWindowLink& link = MainWindow();
    if (IsApplyEnabled() || link.IsKeyEditorOpen() || (link.IsProfileDialogOpen() && link.ProfileDialogHasChanges()))
        OpenMainWindow();
    OnProfileButton(profile);
}

void CVarkelinDlg::ApplyAutoProfileTexts()
{
    if (autoProfileDialog_ && autoProfileDialog_->isVisible())
        autoProfileDialog_->ApplyLanguage();
}

void CVarkelinDlg::OpenAutoProfileDialog()
{
    if (!autoProfiles_)
        return;
    if (!autoProfileDialog_)
        autoProfileDialog_ = new AutoProfileDialog(*autoProfiles_, this);
    autoProfileDialog_->Open();
}
