#include "autoprofile/gui/AutoProfileController.h"

#include "platform/SettingsStore.h"
#include "platform/gui/X11ActiveWindow.h"
#include "text/LanguageTexts.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace {

constexpr const char* ProfileNames[] = {"PROFILE_1", "PROFILE_2", "PROFILE_3"};

} // namespace

AutoProfileController::AutoProfileController(std::unique_ptr<AutoProfileHost> host, QObject* parent)
    : QObject(parent), host_(std::move(host)), switcher_(*this),
      factory_([] { return CreateX11ActiveWindowWatcher(); })
{
}

AutoProfileController::~AutoProfileController()
{
    Stop();
}

void AutoProfileController::SetWatcherFactory(WatcherFactory factory)
{
    factory_ = std::move(factory);
}

void AutoProfileController::Start()
{
    if (started_)
        return;
    started_ = true;
    FollowSettingsFile();
    switcher_.SetSettings(LoadAutoProfileSettings());
    UpdateWatching();
}

void AutoProfileController::Stop()
{
    started_ = false;
    pick_ = nullptr;
    watcher_.reset();
    if (filtering_) {
        qApp->removeEventFilter(this);
        filtering_ = false;
    }
    delete files_;
    files_ = nullptr;
}

void AutoProfileController::FollowSettingsFile()
{
    // The folder is watched, not only the file: settings are saved by
    // renaming a new file over the old one, which a watch on the file alone
    // loses, and the file may not exist yet.
    const QString folder = QString::fromStdString(SettingsFolder());
    QDir().mkpath(folder);
    files_ = new QFileSystemWatcher(this);
    files_->addPath(folder);
    const QString file = QString::fromStdString(AppSettings().Path());
    if (QFileInfo::exists(file))
        files_->addPath(file);
    const auto changed = [this, file] {
        if (QFileInfo::exists(file) && !files_->files().contains(file))
            files_->addPath(file);
        // A save touches the folder more than once; one reload does.
        if (reloadQueued_)
            return;
        reloadQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            reloadQueued_ = false;
            ReloadSettings();
        });
    };
    connect(files_, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(files_, &QFileSystemWatcher::fileChanged, this, changed);
}

void AutoProfileController::ReloadSettings()
{
    if (!started_)
        return;
    const AutoProfileSettings settings = LoadAutoProfileSettings();
    if (settings == switcher_.Settings())
        return;
    // With a watcher running the new rules judge the window it saw last; a
    // watcher that starts now reports the active window itself.
    switcher_.SetSettings(settings);
    UpdateWatching();
}

void AutoProfileController::UpdateWatching()
{
    const bool wanted = started_ && (switcher_.Settings().InUse() || pick_);
    if (!wanted) {
        if (watcher_ && handling_) {
            // Not from inside the watcher's own handler.
            QTimer::singleShot(0, this, [this] { UpdateWatching(); });
            return;
        }
        if (watcher_) {
            watcher_.reset();
            // A window seen before the watch stopped says nothing later on.
            switcher_.OnActiveWindow(WindowIdentity{});
        }
        return;
    }
    if (watcher_)
        return;
    watcher_ = factory_();
    availability_ = watcher_->GetAvailability();
    availabilityKnown_ = true;
    if (availability_ == ActiveWindowWatcher::Availability::Unavailable) {
        // Nothing to watch here; nothing fails either.
        watcher_.reset();
        return;
    }
    watcher_->SetHandler([this](const WindowIdentity& window) { OnActiveWindow(window); });
    // The window active when the watch starts was not clicked after a pick
    // began (on XWayland it may be an X11 window the owner left long ago).
    reportingCurrent_ = true;
    watcher_->ReportCurrent();
    reportingCurrent_ = false;
}

void AutoProfileController::OnActiveWindow(const WindowIdentity& window)
{
    handling_ = true;
    HandleActiveWindow(window);
    handling_ = false;
}

void AutoProfileController::HandleActiveWindow(const WindowIdentity& window)
{
    if (pick_ && !reportingCurrent_ && window.kind == WindowIdentity::Kind::Application)
        EndPick(PickOutcome::Picked, window);
    switcher_.OnActiveWindow(window);
}

void AutoProfileController::EndPick(PickOutcome outcome, const WindowIdentity& window)
{
    PickHandler pick = std::move(pick_);
    pick_ = nullptr;
    if (watcher_)
        watcher_->CancelClick();
    pick(outcome, window);
    // The watcher may have been there for the pick alone.
    UpdateWatching();
}

// The click names the window directly, also one that never becomes active;
// where clicks cannot be caught, the next active window is picked alone.
void AutoProfileController::CatchClick()
{
    if (watcher_ && watcher_->GetAvailability() == ActiveWindowWatcher::Availability::X11) {
        watcher_->CatchNextClick([this](const WindowIdentity& window, bool takesFocus) {
            handling_ = true;
            OnClicked(window, takesFocus);
            handling_ = false;
        });
    }
}

void AutoProfileController::OnClicked(const WindowIdentity& window, bool takesFocus)
{
    if (!pick_)
        return;
    switch (window.kind) {
    case WindowIdentity::Kind::Application:
        EndPick(takesFocus ? PickOutcome::Picked : PickOutcome::RefusesFocus, window);
        break;
    case WindowIdentity::Kind::OwnProgram:
        EndPick(PickOutcome::Ended, window);
        break;
    case WindowIdentity::Kind::None:
    case WindowIdentity::Kind::Desktop:
        CatchClick();
        break;
    }
}

void AutoProfileController::Resume()
{
    if (!started_ || resumeQueued_ || switcher_.PendingProfile() < 0)
        return;
    resumeQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        resumeQueued_ = false;
        if (started_)
            switcher_.Resume();
    });
}

ActiveWindowWatcher::Availability AutoProfileController::Availability()
{
    if (watcher_)
        return watcher_->GetAvailability();
    if (!availabilityKnown_) {
        availability_ = factory_()->GetAvailability();
        availabilityKnown_ = true;
    }
    return availability_;
}

void AutoProfileController::PickNextWindow(PickHandler handler)
{
    pick_ = std::move(handler);
    UpdateWatching();
    CatchClick();
}

void AutoProfileController::CancelPick()
{
    pick_ = nullptr;
    if (watcher_)
        watcher_->CancelClick();
    UpdateWatching();
}

QString AutoProfileController::WaitNote() const
{
    const int32_t profile = switcher_.PendingProfile();
    if (profile < 0 || profile > 2)
        return {};
    const char* key = nullptr;
    if (switcher_.Waiting() == AutoProfileWait::Changes)
        key = "PROFILE_AUTO_WAIT_CHANGES";
    else if (switcher_.Waiting() == AutoProfileWait::Busy)
        key = "PROFILE_AUTO_WAIT_BUSY";
    if (!key)
        return {};
    return QString::fromStdString(FormatText(LoadText(key), LoadText(ProfileNames[profile])));
}

bool AutoProfileController::eventFilter(QObject* watched, QEvent* event)
{
    // Installed only while a switch waits for the owner: a dialog of the
    // program that closes (the key editor, the profile manager, a question)
    // may be what it waited for. Tooltips and menus come and go too often
    // to be worth a look.
    if (event->type() == QEvent::Hide && qobject_cast<QDialog*>(watched))
        Resume();
    return QObject::eventFilter(watched, event);
}

int32_t AutoProfileController::KnownProfile()
{
    return host_->KnownProfile();
}

int32_t AutoProfileController::ReadActiveProfile()
{
    return host_->ReadActiveProfile();
}

bool AutoProfileController::IsBusy()
{
    return host_->IsBusy();
}

bool AutoProfileController::HasUnappliedChanges()
{
    return host_->HasUnappliedChanges();
}

int32_t AutoProfileController::SwitchProfile(int32_t profile)
{
    const int32_t result = host_->SwitchProfile(profile);
    if (result == 1)
        emit switched(profile);
    return result;
}

void AutoProfileController::WaitChanged(AutoProfileWait wait, int32_t profile)
{
    const bool wantFilter = wait == AutoProfileWait::Busy || wait == AutoProfileWait::Changes;
    if (wantFilter != filtering_) {
        if (wantFilter)
            qApp->installEventFilter(this);
        else
            qApp->removeEventFilter(this);
        filtering_ = wantFilter;
    }
    host_->WaitChanged(wait, profile);
    emit waitChanged();
}
