#include "app/gui/TrayIcon.h"

#include <QAction>
#include <QCursor>
#include <QFont>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

// The shell's limit for a tip, terminator included.
constexpr int MaxTipChars = 127;

} // namespace

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {}

CTrayIcon::~CTrayIcon()
{
    Remove();
}

void CTrayIcon::SetIconPicture(int iconId, const QIcon& picture)
{
    pictures_[iconId] = picture;
}

QIcon CTrayIcon::IconPicture(int iconId) const
{
    const auto picture = pictures_.find(iconId);
    return picture == pictures_.end() ? QIcon() : picture->second;
}

void CTrayIcon::SetMenuItems(std::vector<MenuItem> items)
{
    items_ = std::move(items);
}

void CTrayIcon::SetCommandHandler(CommandHandler handler)
{
    commandHandler_ = std::move(handler);
}

void CTrayIcon::SetDefaultCommand(int command)
{
    defaultCommand_ = command;
}

int CTrayIcon::DefaultCommand() const
{
    if (defaultCommand_ != 0)
        return defaultCommand_;
    for (const MenuItem& item : items_) {
        if (item.command != 0)
            return item.command;
    }
    return 0;
}

int CTrayIcon::Create(const QString& tip, int iconId)
{
    if (added_)
        return 1;
    tip_ = tip.left(MaxTipChars);
    shownIcon_ = iconId;
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return 0;
    tray_ = new QSystemTrayIcon(this);
    auto picture = pictures_.find(iconId);
    if (picture != pictures_.end())
        tray_->setIcon(picture->second);
    tray_->setToolTip(tip_);
    tray_->setContextMenu(Menu());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(static_cast<int>(reason)); });
    tray_->show();
    added_ = tray_->isVisible();
    if (!added_) {
        delete tray_;
        tray_ = nullptr;
    }
    return added_ ? 1 : 0;
}

void CTrayIcon::SetIcon(int iconId)
{
    if (!added_)
        return;
    shownIcon_ = iconId;
    auto picture = pictures_.find(iconId);
    if (picture != pictures_.end())
        tray_->setIcon(picture->second);
}

void CTrayIcon::SetTip(const QString& tip)
{
    if (!added_)
        return;
    tip_ = tip.left(MaxTipChars);
    tray_->setToolTip(tip_);
}

void CTrayIcon::Remove()
{
    if (tray_) {
        tray_->hide();
        delete tray_;
        tray_ = nullptr;
    }
    added_ = false;
}

void CTrayIcon::SetMenuCallback(MenuCallback callback)
{
    menuCallback_ = std::move(callback);
}

QMenu* CTrayIcon::Menu()
{
    if (!menu_) {
        menu_ = new QMenu();
        connect(this, &QObject::destroyed, menu_, &QObject::deleteLater);
        // Filled as it opens, so its texts follow a language change.
        connect(menu_, &QMenu::aboutToShow, this, &CTrayIcon::RefreshMenu);
        connect(menu_, &QMenu::triggered, this, [this](QAction* action) {
            const int command = action->data().toInt();
            if (command != 0 && commandHandler_)
                commandHandler_(command);
        });
        RefreshMenu();
    }
    return menu_;
}

void CTrayIcon::RefreshMenu()
{
    QMenu* menu = Menu();
    menu->clear();
    const int defaultCommand = DefaultCommand();
    for (const MenuItem& item : items_) {
        if (item.command == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.text);
        action->setData(item.command);
        if (item.command == defaultCommand) {
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
            menu->setDefaultAction(action);
        }
    }
    if (menuCallback_)
        menuCallback_(menu);
}

int CTrayIcon::OnTrayNotification(int iconId, Mouse mouse)
{
    if (iconId != IconId)
        return 0;
    if (mouse == Mouse::RightUp) {
        Menu()->popup(QCursor::pos());
        return 1;
    }
    if (mouse == Mouse::LeftDoubleClick) {
        const int command = DefaultCommand();
        if (command != 0 && commandHandler_)
            commandHandler_(command);
        return 1;
    }
    return 0;
}

void CTrayIcon::OnActivated(int reason)
{
    // The right-click menu is the tray's context menu, shown by Qt itself
    // (an exported menu on StatusNotifier desktops); only the double click
    // is ours to handle.
    if (static_cast<QSystemTrayIcon::ActivationReason>(reason) == QSystemTrayIcon::DoubleClick)
        OnTrayNotification(IconId, Mouse::LeftDoubleClick);
    else
        OnTrayNotification(IconId, Mouse::Other);
}
