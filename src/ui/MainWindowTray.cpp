#include "ui/MainWindow.h"

#include "ui/TrayIcon.h"
#include "ui/WindowTray.h"
#include "actions/ProfileSwitch.h"
#include "device/virtual/VirtualKeyboard.h"

// The window's side of its tray (the WindowTray part): what each command of
// the menu does.

WindowTray* CVarkelinDlg::CreateWindowTray()
{
    WindowTray::Window window;
    window.owner = this;
    window.virtualKeyboard = options_.virtualKeyboard;
    window.menuOpening = [this] { FollowKeyboardProfile(); };
    window.command = [this](int command) { OnTrayCommand(command); };
    window.tipNote = [this] { return AutoProfileTipNote(); };
    window.statusMarkChanged = [this] { FollowKeyboardProfile(); };
    window.trace = [this](const std::string& line) { Trace(line); };
    return new WindowTray(std::move(window));
}

void CVarkelinDlg::SetTrayIcon(int iconId)
{
    tray_->SetIcon(iconId);
}

int CVarkelinDlg::TrayIconId() const
{
    return tray_->IconId();
}

CTrayIcon* CVarkelinDlg::Tray() const
{
    return tray_->Icon();
}

QString CVarkelinDlg::TrayTipText() const
{
    return tray_->TipText();
}

void CVarkelinDlg::OnTrayCommand(int command)
{
    Trace("tray-command " + std::to_string(command));
    VirtualKeyboard* keyboard = options_.virtualKeyboard;
    switch (command) {
    case CmdOpen:
        OpenMainWindow();
        return;
    case CmdAbout:
        ShowAbout();
        return;
    case CmdExit:
        ExitProgram();
        return;
    case CmdAutoProfiles:
        OpenAutoProfileDialog();
        return;
    case CmdFirmwareUpdate:
        OpenFirmwareUpdate();
        return;
    default:
        break;
    }
    if (command >= ProfileMenuFirstProfileCommand && command < ProfileMenuFirstProfileCommand + 3) {
        OnTrayProfile(command - ProfileMenuFirstProfileCommand);
        return;
    }
    if (!keyboard)
        return;
    switch (command) {
    case CmdVkUnplug:
        keyboard->Unplug();
        break;
    case CmdVkPlug:
        keyboard->Plug();
        break;
    case CmdVkLeaveLoader:
        keyboard->LeaveLoader();
        break;
    case CmdVkNotice0401:
        keyboard->SendNotice(0x0401);
        break;
    case CmdVkNotice0402:
        keyboard->SendNotice(0x0402);
        break;
    case CmdVkNotice1811:
        keyboard->SendNotice(0x1811);
        break;
    case CmdVkNotice1810:
        keyboard->SendNotice(0x1810);
        break;
    case CmdVkEffectKey:
        keyboard->ChangeLightingOnKeyboard();
        break;
    default:
        break;
    }
}

