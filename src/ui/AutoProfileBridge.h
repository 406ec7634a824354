#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

class AutoProfileController;
class AutoProfileDialog;
class QWidget;

// Automatic profiles seen from the main window: the switcher's controller
// with the window as its host, and the dialog that edits the rules, a child
// of the window created on first use.
class AutoProfileBridge : public QObject {
    Q_OBJECT
public:
    // What the switcher may ask and do of the window.
    struct Window {
        QWidget* widget = nullptr;
        // The keyboard's active profile, read anew; -1 without a keyboard.
        std::function<int32_t()> readActiveProfile;
        // The owner is busy with the configuration: nothing switches.
        std::function<bool()> isBusy;
        std::function<bool()> hasUnappliedChanges;
        // Makes the profile active without a question; 1 done, 0 not.
        std::function<int32_t(int32_t)> switchProfile;
        // The wait's note changed (the tray tip shows it).
        std::function<void()> waitChanged;
    };

    explicit AutoProfileBridge(Window window);

    void Start();
    // Nothing switches any more and the dialog closes (program exit).
    void Stop();
    // Something a waiting switch waits for may have ended.
    void Resume();
    // The wait's note on a line of its own, or nothing.
    QString TipNote() const;
    void OpenDialog();
    void ApplyTexts();
    AutoProfileController* Controller() const { return controller_; }
    AutoProfileDialog* Dialog() const { return dialog_; }

signals:
    void switched(int profile);

private:
    Window window_;
    AutoProfileController* controller_ = nullptr;
    AutoProfileDialog* dialog_ = nullptr;
};
