#include "ui/MainWindow.h"

#include "device/protocol/DeviceState.h"
#include "actions/DeviceCopy.h"
#include "config/gui/DlgProfile.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "update/gui/DlgUpdate.h"

#include <QAbstractButton>
#include <QEvent>
#include <QTimer>

// The two sub-windows the main window opens besides the key function editor:
// the profile manager from the profile banner (1005) and the firmware update
// window from command 32780.

namespace {

// Runs a function once the window it watches has been hidden.
class HideWatcher : public QObject {
public:
    HideWatcher(QObject* parent, std::function<void()> hidden) : QObject(parent), hidden_(std::move(hidden)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched == parent())
            hidden_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> hidden_;
};

} // namespace

void CVarkelinDlg::FollowKeyboardAfterClosing(QWidget* subWindow)
{
    // While the sub-window was open the profile could not be followed (its
    // edits belong to the profile it was opened on); another program may
    // have switched it meanwhile. Read once the window is gone for good.
    subWindow->installEventFilter(new HideWatcher(subWindow, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!exiting_ && g_deviceConnected.load())
                FollowKeyboardProfile();
        });
    }));
}

void CVarkelinDlg::InitialiseDialogs()
{
    connect(Button(MainControl::Profiles), &QAbstractButton::clicked, this, &CVarkelinDlg::OpenProfileManager);
}

void CVarkelinDlg::OpenProfileManager()
{
    if (exiting_)
        return;
    WaitForApply();
    if (!profileDialog_) {
        profileDialog_ = new CVarkelin_DlgProfile(this, [this] { OpenHelp(); });
        connect(profileDialog_, &CVarkelin_DlgProfile::applied, this, &CVarkelinDlg::OnProfilesApplied);
        FollowKeyboardAfterClosing(profileDialog_);
    }
    Trace("profile-manager");
    profileDialog_->Open();
}

void CVarkelinDlg::OpenFirmwareUpdate()
{
    if (exiting_)
        return;
    WaitForApply();
    if (!updateDialog_)
        updateDialog_ = new CVarkelin_DlgUpdate(this);
    Trace("firmware-update");
    updateDialog_->Open();
}

CVarkelin_DlgProfile* CVarkelinDlg::ProfileDialog() const
{
    return profileDialog_;
}

CVarkelin_DlgUpdate* CVarkelinDlg::UpdateDialog() const
{
    return updateDialog_;
}

bool CVarkelinDlg::IsProfileDialogOpen() const
{
    return profileDialog_ && profileDialog_->OpenCount() > 0;
}

bool CVarkelinDlg::ProfileDialogHasChanges() const
{
    return IsProfileDialogOpen() && profileDialog_->HasChanges();
}

void CVarkelinDlg::ShowActiveProfileInDialog(int profile)
{
    if (IsProfileDialogOpen())
        profileDialog_->ShowActiveProfile(profile);
}

void CVarkelinDlg::CloseDialogs()
{
    // As if each had been cancelled.
    if (profileDialog_ && profileDialog_->isVisible())
        profileDialog_->reject();
    if (updateDialog_ && updateDialog_->isVisible())
        updateDialog_->reject();
}

void CVarkelinDlg::ApplyDialogLanguage(int languageIndex)
{
    if (profileDialog_)
        profileDialog_->ApplyLanguage(languageIndex);
    if (updateDialog_)
        updateDialog_->ApplyLanguage(languageIndex);
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
