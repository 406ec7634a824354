#include "ui/MainWindow.h"

#include "device/protocol/ActiveProfile.h"
#include "device/protocol/DeviceState.h"
#include "skin/gui/PngButton.h"
#include "ui/DialogHost.h"

#include <QAbstractButton>
#include <QTimer>

// The window's side of its sub-windows (the DialogHost part): when they may
// open, and what follows when one closes or applies.

DialogHost* CVarkelinDlg::CreateDialogHost()
{
    DialogHost::Window window;
    window.widget = this;
    window.mayOpen = [this] { return !exiting_; };
    window.beforeOpen = [this] { WaitForApply(); };
    window.openHelp = [this] { OpenHelp(); };
    window.trace = [this](const std::string& line) { Trace(line); };
    // While a sub-window was open the profile could not be followed (its
    // edits belong to the profile it was opened on); another program may
    // have switched it meanwhile. Read once the window is gone for good.
    window.subWindowClosed = [this] {
        QTimer::singleShot(0, this, [this] {
            if (!exiting_ && g_deviceConnected.load())
                FollowKeyboardProfile();
            // What another program changed meanwhile, the same way.
            FollowOutsideChanges();
        });
    };
    auto* host = new DialogHost(std::move(window));
    connect(host, &DialogHost::profilesApplied, this, &CVarkelinDlg::OnProfilesApplied);
    return host;
}

void CVarkelinDlg::InitialiseDialogs()
{
    connect(Button(MainControl::Profiles), &QAbstractButton::clicked, this, &CVarkelinDlg::OpenProfileManager);
}

void CVarkelinDlg::OpenProfileManager()
{
    dialogs_->OpenProfileManager();
}

void CVarkelinDlg::OpenFirmwareUpdate()
{
    dialogs_->OpenFirmwareUpdate();
}

CVarkelin_DlgProfile* CVarkelinDlg::ProfileDialog() const
{
    return dialogs_->ProfileDialog();
}

CVarkelin_DlgUpdate* CVarkelinDlg::UpdateDialog() const
{
    return dialogs_->UpdateDialog();
}

bool CVarkelinDlg::IsProfileDialogOpen() const
{
    return dialogs_->IsProfileDialogOpen();
}

bool CVarkelinDlg::ProfileDialogHasChanges() const
{
    return dialogs_->ProfileDialogHasChanges();
}

void CVarkelinDlg::ShowActiveProfileInDialog(int profile)
{
    dialogs_->ShowActiveProfileInDialog(profile);
}

void CVarkelinDlg::OnProfilesApplied()
{
    // The manager's Apply rebuilt the document from the keyboard; the
    // profile buttons and the lighting panel follow the profile the keyboard
    // now runs, as they do after a profile button.
    const int32_t active = GetCurrentProfile();
    ShowProfileSelected(active);
    SetViewedProfile(active >= 0 ? active : 0);
    ReloadAndShowLighting(true);
}
