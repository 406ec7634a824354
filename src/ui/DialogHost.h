#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

class CVarkelin_DlgProfile;
class CVarkelin_DlgUpdate;
class QWidget;

// The sub-windows the main window opens besides the key function editor: the
// profile manager and the firmware update window, each created on first use
// as a child of the window.
class DialogHost : public QObject {
    Q_OBJECT
public:
    // What the host needs of the window.
    struct Window {
        QWidget* widget = nullptr;
        // False once the window is ending: nothing opens any more.
        std::function<bool()> mayOpen;
        // Runs before a sub-window opens (a running Apply ends first).
        std::function<void()> beforeOpen;
        std::function<void()> openHelp;
        std::function<void(const std::string&)> trace;
        // A sub-window has gone for good (see WatchClosing).
        std::function<void()> subWindowClosed;
    };

    explicit DialogHost(Window window);

    void OpenProfileManager();
    void OpenFirmwareUpdate();
    CVarkelin_DlgProfile* ProfileDialog() const;
    CVarkelin_DlgUpdate* UpdateDialog() const;
    bool IsProfileDialogOpen() const;
    bool ProfileDialogHasChanges() const;
    void ShowActiveProfileInDialog(int profile);
    // As if each had been cancelled.
    void CloseAll();
    void ApplyLanguage(int languageIndex);
    // Tells subWindowClosed each time subWindow is hidden.
    void WatchClosing(QWidget* subWindow);

signals:
    // The profile manager's Apply rebuilt the document from the keyboard.
    void profilesApplied();

private:
    Window window_;
    QPointer<CVarkelin_DlgProfile> profileDialog_;
    QPointer<CVarkelin_DlgUpdate> updateDialog_;
};
