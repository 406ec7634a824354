#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class CTrayIcon;
class QMenu;
class VirtualKeyboard;

// Commands of the notification-area menu.
inline constexpr int CmdOpen = 32771;
inline constexpr int CmdAbout = 32773;
inline constexpr int CmdExit = 32774;
// The button menu's commands: import and export a profile file.
inline constexpr int CmdImportProfile = 32776;
inline constexpr int CmdExportProfile = 32777;
// Opens the firmware update window (tray menu, rt604 --firmware-update).
inline constexpr int CmdFirmwareUpdate = 32780;
// Opens the automatic profiles dialog (button menu and tray menu).
inline constexpr int CmdAutoProfiles = 32800;
// The virtual keyboard's own entries (--virtual-keyboard only).
inline constexpr int CmdVkUnplug = 32790;
inline constexpr int CmdVkPlug = 32791;
inline constexpr int CmdVkNotice0401 = 32792;
inline constexpr int CmdVkNotice0402 = 32793;
inline constexpr int CmdVkNotice1811 = 32794;
inline constexpr int CmdVkNotice1810 = 32795;
inline constexpr int CmdVkLeaveLoader = 32796;
inline constexpr int CmdVkEffectKey = 32797;

// The main window's icon in the notification area: its pictures, its tip,
// and its menu with the keyboard's profiles marked by the active one.
class WindowTray : public QObject {
    Q_OBJECT
public:
    // What the tray needs of the window.
    struct Window {
        QObject* owner = nullptr;
        // The --virtual-keyboard mode's keyboard, or nullptr.
        VirtualKeyboard* virtualKeyboard = nullptr;
        // The menu is about to open: the active profile may have changed on
        // the keyboard since it was last read.
        std::function<void()> menuOpening;
        std::function<void(int)> command;
        // The automatic switch's wait, a line of the tip, or nothing.
        std::function<QString()> tipNote;
        // The status mark came or went: the keyboard may have changed its
        // profile.
        std::function<void()> statusMarkChanged;
        std::function<void(const std::string&)> trace;
    };

    explicit WindowTray(Window window);

    // Puts the icon in the notification area, showing TrayIconDisconnected.
    void Create();
    // Takes the icon away for good (program exit).
    void Remove();
    // Shows the picture (TrayIconDisconnected, TrayIconConnected,
    // TrayIconSignalled); nothing when that id is already shown.
    void SetIcon(int iconId);
    int IconId() const { return iconId_; }
    CTrayIcon* Icon() const { return tray_; }
    QString TipText() const;
    // The tip's texts or notes changed.
    void RefreshTip();
    void UpdateProfileMarks();

private:
    void FillMenu(QMenu* menu);

    Window window_;
    CTrayIcon* tray_ = nullptr;
    int iconId_ = 0;
};
