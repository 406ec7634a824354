#pragma once

#include "autoprofile/AutoProfileSwitcher.h"
#include "platform/ActiveWindow.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QFileSystemWatcher;

// Automatic profiles in the running program: the rules from the settings
// store (followed when another program, rt604ctl for one, changes them),
// the active-window watcher, and the switcher that decides. The watcher runs
// only while the rules can switch something, so a program without rules
// keeps no X connection and gets no wakeups from it. A switch that waits is
// tried again when a window of the program closes or the host says that an
// Apply ended or the changes were applied or discarded (Resume).
class AutoProfileController : public QObject, private AutoProfileHost {
    Q_OBJECT
public:
    using WatcherFactory = std::function<std::unique_ptr<ActiveWindowWatcher>()>;
    enum class PickOutcome {
        Picked,       // window is the application chosen
        RefusesFocus, // window was clicked but never takes the focus
        Ended,        // the owner clicked back into this program
    };
    using PickHandler = std::function<void(PickOutcome outcome, const WindowIdentity& window)>;

    // host does the switching; the controller owns it.
    AutoProfileController(std::unique_ptr<AutoProfileHost> host, QObject* parent = nullptr);
    ~AutoProfileController() override;

    // Where watchers come from (default: the X11 one on $DISPLAY). Set
    // before Start.
    void SetWatcherFactory(WatcherFactory factory);

    // Reads the settings, follows their file and, when the rules are in use,
    // starts watching the active window.
    void Start();
    // Stops everything; nothing switches afterwards (program exit).
    void Stop();
    // The settings changed (the dialog saved them, or their file changed).
    void ReloadSettings();
    // Tries a waiting switch again, once the events being handled are done.
    void Resume();

    // Whether the active window can be watched here; asks the window system
    // once (the first time, without a watcher running).
    ActiveWindowWatcher::Availability Availability();
    // The next application window the owner clicks, or that becomes active,
    // goes to handler (clicks on the desktop are passed over; windows of
    // this program end the pick).
    void PickNextWindow(PickHandler handler);
    void CancelPick();
    bool IsPicking() const { return static_cast<bool>(pick_); }

    const AutoProfileSwitcher& Switcher() const { return switcher_; }
    bool IsWatching() const { return watcher_ != nullptr; }
    // The watcher in use, or nullptr.
    const ActiveWindowWatcher* Watcher() const { return watcher_.get(); }
    // Why a switch waits, for the tray tip; empty when none waits (or it
    // waits for the keyboard, which the tray icon shows already).
    QString WaitNote() const;

signals:
    // The wait began, changed or ended.
    void waitChanged();
    // The switcher made the keyboard change profile.
    void switched(int profile);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // AutoProfileHost, passed on to the host with the wait kept here.
    int32_t KnownProfile() override;
    int32_t ReadActiveProfile() override;
    bool IsBusy() override;
    bool HasUnappliedChanges() override;
    int32_t SwitchProfile(int32_t profile) override;
    void WaitChanged(AutoProfileWait wait, int32_t profile) override;

    void FollowSettingsFile();
    void UpdateWatching();
    void OnActiveWindow(const WindowIdentity& window);
    void HandleActiveWindow(const WindowIdentity& window);
    void CatchClick();
    void OnClicked(const WindowIdentity& window, bool takesFocus);
    void EndPick(PickOutcome outcome, const WindowIdentity& window);

    std::unique_ptr<AutoProfileHost> host_;
    AutoProfileSwitcher switcher_;
    WatcherFactory factory_;
    std::unique_ptr<ActiveWindowWatcher> watcher_;
    QFileSystemWatcher* files_ = nullptr;
    PickHandler pick_;
    bool started_ = false;
    bool resumeQueued_ = false;
    bool reloadQueued_ = false;
    bool filtering_ = false;
    bool handling_ = false; // inside the watcher's handler
    bool reportingCurrent_ = false;
    bool availabilityKnown_ = false;
    ActiveWindowWatcher::Availability availability_ = ActiveWindowWatcher::Availability::Unavailable;
};
