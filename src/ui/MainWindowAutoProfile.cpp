#include "ui/MainWindow.h"

#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "ui/WindowTray.h"
#include "autoprofile/AutoProfileSwitcher.h"
#include "actions/ProfileSwitch.h"
#include "ui/AutoProfileBridge.h"
#include "keys/KeyTable.h"
#include "skin/gui/PngButton.h"

#include <QApplication>

// The tray's profile entries and automatic profiles: what the switcher may
// do to the window, when it must wait, and the marks that follow the
// keyboard's active profile wherever it was changed.

AutoProfileBridge* CVarkelinDlg::CreateAutoProfileBridge()
{
    AutoProfileBridge::Window window;
    window.widget = this;
    window.readActiveProfile = [this] { return FollowKeyboardProfile(); };
    window.isBusy = [this] { return IsAutoProfileBlocked(); };
    window.hasUnappliedChanges = [] {
        MainWindowLink& link = MainWindow();
        return link.IsApplyEnabled() || (link.IsProfileDialogOpen() && link.ProfileDialogHasChanges());
    };
    window.switchProfile = [this](int32_t profile) { return SwitchProfileAutomatically(profile); };
    window.waitChanged = [this] { ShowAutoProfileWait(); };
    auto* bridge = new AutoProfileBridge(std::move(window));
    connect(bridge, &AutoProfileBridge::switched, this,
            [this](int profile) { Trace("auto-profile " + std::to_string(profile + 1)); });
    return bridge;
}

void CVarkelinDlg::StartAutoProfiles()
{
    autoProfiles_->Start();
}

void CVarkelinDlg::StopAutoProfiles()
{
    autoProfiles_->Stop();
}

AutoProfileController* CVarkelinDlg::AutoProfiles() const
{
    return autoProfiles_->Controller();
}

AutoProfileDialog* CVarkelinDlg::AutoProfileWindow() const
{
    return autoProfiles_->Dialog();
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
    autoProfiles_->Resume();
}

void CVarkelinDlg::ShowAutoProfileWait()
{
    tray_->RefreshTip();
}

QString CVarkelinDlg::AutoProfileTipNote() const
{
    return autoProfiles_->TipNote();
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
    tray_->UpdateProfileMarks();
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
    autoProfiles_->ApplyTexts();
}

void CVarkelinDlg::OpenAutoProfileDialog()
{
    autoProfiles_->OpenDialog();
}
