#include "ui/WindowTray.h"

#include "device/protocol/DeviceState.h"
#include "base/ProgramPaths.h"
#include "device/protocol/DeviceEvents.h"
#include "ui/TrayIcon.h"
#include "actions/ProfileSwitch.h"
#include "device/virtual/VirtualKeyboard.h"
#include "text/LanguageTexts.h"

#include <QAction>
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

bool IsProfileCommand(int command)
{
    return command >= ProfileMenuFirstProfileCommand && command < ProfileMenuFirstProfileCommand + 3;
}

} // namespace

WindowTray::WindowTray(Window window) : QObject(window.owner), window_(std::move(window)) {}

void WindowTray::Create()
{
    tray_ = new CTrayIcon(window_.owner);
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
    if (window_.virtualKeyboard) {
        items.push_back({0, {}});
        for (int command : {CmdVkUnplug, CmdVkPlug, CmdVkLeaveLoader, CmdVkNotice0401, CmdVkNotice0402,
                            CmdVkNotice1811, CmdVkNotice1810, CmdVkEffectKey})
            items.push_back({command, {}});
    }
    tray_->SetMenuItems(std::move(items));
    // A double click opens the window; it must not switch to profile 1.
    tray_->SetDefaultCommand(CmdOpen);
    tray_->SetMenuCallback([this](QMenu* menu) { FillMenu(menu); });
    tray_->SetCommandHandler(window_.command);
    // The icon may come later than this (a panel that starts after the
    // program at login) and go and come back with the panel.
    connect(tray_, &CTrayIcon::availabilityChanged, this, [this](bool added) {
        window_.trace(added ? std::string("tray-added ") + (tray_->UsesStatusNotifier() ? "sni" : "xembed")
                    : std::string("tray-lost"));
    });
    iconId_ = TrayIconDisconnected;
    const int created = tray_->Create(TipText(), TrayIconDisconnected);
    window_.trace(created ? "tray-created" : "tray-unavailable");
}

QString WindowTray::TipText() const
{
    // What the icon's picture means, in words: the connection, and the mark
    // the keyboard's status notice puts on it.
    QString tip = QString::fromStdString(LoadText("KEYBOARD_TRAY_DESC"));
    if (window_.virtualKeyboard)
        tip += QString::fromStdString(LoadText("VIRTUAL_KEYBOARD_SUFFIX"));
    const bool connected = iconId_ == TrayIconConnected || iconId_ == TrayIconSignalled;
    tip += QLatin1Char('\n') + QString::fromStdString(LoadText(connected ? "TRAY_TIP_CONNECTED" : "TRAY_TIP_DISCONNECTED"));
    if (iconId_ == TrayIconSignalled)
        tip += QLatin1Char('\n') + QString::fromStdString(LoadText("TRAY_TIP_STATUS_MARK"));
    return tip + window_.tipNote();
}

void WindowTray::FillMenu(QMenu* menu)
{
    // The profile may have been changed on the keyboard or by rt604ctl
    // since it was last read.
    window_.menuOpening();
    for (QAction* action : menu->actions()) {
        const int command = action->data().toInt();
        for (const MenuText& text : TrayMenuTexts) {
            if (text.command == command)
                action->setText(QString::fromStdString(LoadText(text.key)));
        }
        if (window_.virtualKeyboard) {
            const bool plugged = window_.virtualKeyboard->IsPlugged();
            if (command == CmdVkUnplug)
                action->setEnabled(plugged);
            else if (command == CmdVkPlug)
                action->setEnabled(!plugged);
            else if (command == CmdVkLeaveLoader)
                action->setEnabled(window_.virtualKeyboard->InLoader());
        }
    }
    UpdateProfileMarks();
}

void WindowTray::SetIcon(int iconId)
{
    if (iconId == iconId_)
        return;
    // The status notices (142 and back) are notices too: the keyboard may
    // have changed its profile. Read once the notice thread has moved on.
    if (iconId == TrayIconSignalled || iconId_ == TrayIconSignalled)
        QTimer::singleShot(0, this, [this] { window_.statusMarkChanged(); });
    iconId_ = iconId;
    if (tray_) {
        tray_->SetIcon(iconId);
        tray_->SetTip(TipText());
    }
    window_.trace("tray-icon " + std::to_string(iconId));
}

void WindowTray::Remove()
{
    if (tray_)
        tray_->Remove();
    iconId_ = 0;
}

void WindowTray::RefreshTip()
{
    if (tray_)
        tray_->SetTip(TipText());
}

void WindowTray::UpdateProfileMarks()
{
    if (!tray_)
        return;
    // The profile is known from the reload of a connection on (before the
    // connection counts as handled) until the keyboard is lost.
    const int32_t active = g_currentProfile.load();
    for (QAction* action : tray_->Menu()->actions()) {
        const int command = action->data().toInt();
        if (!IsProfileCommand(command))
            continue;
        action->setCheckable(true);
        action->setChecked(command - ProfileMenuFirstProfileCommand == active);
        action->setEnabled(active >= 0);
    }
}
