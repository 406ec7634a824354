#include "ui/DialogHost.h"

#include "config/gui/DlgProfile.h"
#include "update/gui/DlgUpdate.h"

#include <QEvent>
#include <QWidget>

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

DialogHost::DialogHost(Window window) : QObject(window.widget), window_(std::move(window)) {}

void DialogHost::WatchClosing(QWidget* subWindow)
{
    // The sub-window may outlive this host while the window is destroyed.
    subWindow->installEventFilter(new HideWatcher(subWindow, window_.subWindowClosed));
}

void DialogHost::OpenProfileManager()
{
    if (!window_.mayOpen())
        return;
    window_.beforeOpen();
    if (!profileDialog_) {
        profileDialog_ = new CVarkelin_DlgProfile(window_.widget, window_.openHelp);
        connect(profileDialog_, &CVarkelin_DlgProfile::applied, this, &DialogHost::profilesApplied);
        WatchClosing(profileDialog_);
    }
    window_.trace("profile-manager");
    profileDialog_->Open();
}

void DialogHost::OpenFirmwareUpdate()
{
    if (!window_.mayOpen())
        return;
    window_.beforeOpen();
    if (!updateDialog_)
        updateDialog_ = new CVarkelin_DlgUpdate(window_.widget);
    window_.trace("firmware-update");
    updateDialog_->Open();
}

CVarkelin_DlgProfile* DialogHost::ProfileDialog() const
{
    return profileDialog_;
}

CVarkelin_DlgUpdate* DialogHost::UpdateDialog() const
{
    return updateDialog_;
}

bool DialogHost::IsProfileDialogOpen() const
{
    return profileDialog_ && profileDialog_->OpenCount() > 0;
}

bool DialogHost::ProfileDialogHasChanges() const
{
    return IsProfileDialogOpen() && profileDialog_->HasChanges();
}

void DialogHost::ShowActiveProfileInDialog(int profile)
{
    if (IsProfileDialogOpen())
        profileDialog_->ShowActiveProfile(profile);
}

void DialogHost::CloseAll()
{
    if (profileDialog_ && profileDialog_->isVisible())
        profileDialog_->reject();
    if (updateDialog_ && updateDialog_->isVisible())
        updateDialog_->reject();
}

void DialogHost::ApplyLanguage(int languageIndex)
{
    if (profileDialog_)
        profileDialog_->ApplyLanguage(languageIndex);
    if (updateDialog_)
        updateDialog_->ApplyLanguage(languageIndex);
}
