#include "ui/MainWindow.h"

#include "base/ProgramPaths.h"
#include "ui/EventLog.h"
#include "ui/TrayIcon.h"
#include "actions/ProfileSwitch.h"
#include "device/virtual/VirtualKeyboard.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

namespace {

struct MenuText {
    int command;
    const char* key;
};

// The menu's texts, by command, replaced each time it opens.
constexpr MenuText TrayMenuTexts[] = {
    {CmdOpen, "MENU_11"},
    {CmdAbout, "MENU_22"},
    {CmdExit, "MENU_33"},
    {ProfileMenuFirstProfileCommand, "PROFILE_1"},
    {ProfileMenuFirstProfileCommand + 1, "PROFILE_2"},
    {ProfileMenuFirstProfileCommand + 2, "PROFILE_3"},
    {CmdAutoProfiles, "MENU_AUTO_PROFILES"},
    {CmdFirmwareUpdate, "MENU_FIRMWARE_UPDATE"},
    {CmdVkUnplug, "MENU_VK_UNPLUG"},
    {CmdVkPlug, "MENU_VK_PLUG"},
    {CmdVkNotice0401, "MENU_VK_NOTICE_0401"},
    {CmdVkNotice0402, "MENU_VK_NOTICE_0402"},
    {CmdVkNotice1811, "MENU_VK_NOTICE_1811"},
    {CmdVkNotice1810, "MENU_VK_NOTICE_1810"},
    {CmdVkLeaveLoader, "MENU_VK_LEAVE_LOADER"},
    {CmdVkEffectKey, "MENU_VK_EFFECT_KEY"},
};

} // namespace

void CVarkelinDlg::CreateTray()
{
    tray_ = new CTrayIcon(this);
    const QDir skins(QString::fromStdString(g_paths.skinFolder));
    for (int id : {TrayIconDisconnected, TrayIconConnected, TrayIconSignalled}) {
        const QString file = skins.filePath(QStringLiteral("tray_%1.png").arg(id));
        // A missing tray picture is no reason to end: the program's own icon
        // stands in.
        tray_->SetIconPicture(id, QFileInfo::exists(file) ? QIcon(file) : QApplication::windowIcon());
    }
    // The keyboard's profiles first, marked by the active one.
    std::vector<CTrayIcon::MenuItem> items = {{ProfileMenuFirstProfileCommand, {}},
                                              {ProfileMenuFirstProfileCommand + 1, {}},
                                              {ProfileMenuFirstProfileCommand + 2, {}},
                                              {CmdAutoProfiles, {}},
                                              {0, {}},
                                              {CmdOpen, {}},
                                              {CmdFirmwareUpdate, {}},
                                              {CmdAbout, {}},
                                              {CmdExit, {}}};
    if (IsVirtual()) {
        items.push_back({0, {}});
        for (int command : {CmdVkUnplug, CmdVkPlug, CmdVkLeaveLoader, CmdVkNotice0401, CmdVkNotice0402,
                            CmdVkNotice1811, CmdVkNotice1810, CmdVkEffectKey})
            items.push_back({command, {}});
    }
    tray_->SetMenuItems(std::move(items));
    // A double click opens the window; it must not switch to profile 1.
    tray_->SetDefaultCommand(CmdOpen);
    tray_->SetMenuCallback([this](QMenu* menu) { FillTrayMenu(menu); });
    tray_->SetCommandHandler([this](int command) { OnTrayCommand(command); });
    // The icon may come later than this (a panel that starts after the
    // program at login) and go and come back with the panel.
    connect(tray_, &CTrayIcon::availabilityChanged, this, [this](bool added) {
        Trace(added ? std::string("tray-added ") + (tray_->UsesStatusNotifier() ? "sni" : "xembed")
                    : std::string("tray-lost"));
    });
    const int created = tray_->Create(TrayTipText(), TrayIconDisconnected);
    Trace(created ? "tray-created" : "tray-unavailable");
}

QString CVarkelinDlg::TrayTipText() const
{
    // What the icon's picture means, in words: the connection, and the mark
    // the keyboard's status notice puts on it.
    QString tip = QString::fromStdString(LoadText("KEYBOARD_TRAY_DESC"));
    if (IsVirtual())
        tip += QString::fromStdString(LoadText("VIRTUAL_KEYBOARD_SUFFIX"));
    const bool connected = trayIconId_ == TrayIconConnected || trayIconId_ == TrayIconSignalled;
    tip += QLatin1Char('\n') + QString::fromStdString(LoadText(connected ? "TRAY_TIP_CONNECTED" : "TRAY_TIP_DISCONNECTED"));
    if (trayIconId_ == TrayIconSignalled)
        tip += QLatin1Char('\n') + QString::fromStdString(LoadText("TRAY_TIP_STATUS_MARK"));
    return tip + AutoProfileTipNote();
}

void CVarkelinDlg::FillTrayMenu(QMenu* menu)
{
    // The profile may have been changed on the keyboard or by rt604ctl
    // since it was last read.
    FollowKeyboardProfile();
    for (QAction* action : menu->actions()) {
        const int command = action->data().toInt();
        for (const MenuText& text : TrayMenuTexts) {
            if (text.command == command)
                action->setText(QString::fromStdString(LoadText(text.key)));
        }
        if (options_.virtualKeyboard) {
            const bool plugged = options_.virtualKeyboard->IsPlugged();
            if (command == CmdVkUnplug)
                action->setEnabled(plugged);
            else if (command == CmdVkPlug)
                action->setEnabled(!plugged);
            else if (command == CmdVkLeaveLoader)
                action->setEnabled(options_.virtualKeyboard->InLoader());
        }
    }
    UpdateTrayProfileMarks();
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

void CVarkelinDlg::SetTrayIcon(int iconId)
{
    if (iconId == trayIconId_)
        return;
    // The status notices (142 and back) are notices too: the keyboard may
    // have changed its profile. Read once the notice thread has moved on.
    if (iconId == TrayIconSignalled || trayIconId_ == TrayIconSignalled)
        QTimer::singleShot(0, this, [this] { FollowKeyboardProfile(); });
    trayIconId_ = iconId;
    if (tray_) {
        tray_->SetIcon(iconId);
        tray_->SetTip(TrayTipText());
    }
    Trace("tray-icon " + std::to_string(iconId));
}
