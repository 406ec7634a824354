#include "ui/TrayIcon.h"

#include "ui/TrayHosts.h"
#include "skin/gui/SkinStyles.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

// The shell's tip holds 128 UTF-16 units with its terminator.
constexpr int MaxTipChars = 127;

// A line cut mid-word says something else than the whole line, or nothing:
// a tip too long keeps its first lines whole and drops the rest. Only a
// first line that alone is too long is cut, at its last space that fits.
QString FitTip(const QString& tip)
{
    if (tip.size() <= MaxTipChars)
        return tip;
    QString fitted;
    for (const QString& line : tip.split(QLatin1Char('\n'))) {
        const QString longer = fitted.isEmpty() ? line : fitted + QLatin1Char('\n') + line;
        if (longer.size() > MaxTipChars)
            break;
        fitted = longer;
    }
    if (fitted.isEmpty()) {
        fitted = tip.left(MaxTipChars);
        const qsizetype space = fitted.lastIndexOf(QLatin1Char(' '));
        if (space > 0)
            fitted.truncate(space);
    }
    return fitted;
}

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
    tip_ = FitTip(tip);
    shownIcon_ = iconId;
    if (!created_) {
        created_ = true;
        hosts_ = new TrayHosts(this);
        connect(hosts_, &TrayHosts::changed, this, &CTrayIcon::OnHostsChanged);
        hostGrace_ = new QTimer(this);
        hostGrace_->setSingleShot(true);
        hostGrace_->setInterval(HostGraceMs);
        connect(hostGrace_, &QTimer::timeout, this, &CTrayIcon::OnHostsChanged);
        OnHostsChanged();
    }
    return added_ ? 1 : 0;
}

void CTrayIcon::OnHostsChanged()
{
    if (!hosts_)
        return;
    if (!tray_ && hosts_->Settled()) {
        if (hosts_->HasStatusNotifierHost()) {
            hostGrace_->stop();
            MakeIcon(true);
        } else if (hosts_->HasXEmbedTray()) {
            // A watcher without its host is a panel on its way up (KDE starts
            // its watcher first): an XEmbed icon now would stay one.
            if (!hosts_->HasStatusNotifierWatcher() || (!hostGrace_->isActive() && hostGraceStarted_)) {
                MakeIcon(false);
            } else if (!hostGrace_->isActive()) {
                hostGraceStarted_ = true;
                hostGrace_->start();
            }
        }
    }
    const bool added = tray_ && (statusNotifier_ ? hosts_->HasStatusNotifierHost() : hosts_->HasXEmbedTray());
    if (added == added_)
        return;
    added_ = added;
    if (added_ && statusNotifier_ && wasAdded_)
        hosts_->RegisterOurItems(); // the panel came back
    wasAdded_ = wasAdded_ || added_;
    emit availabilityChanged(added_);
}

void CTrayIcon::MakeIcon(bool statusNotifier)
{
    statusNotifier_ = statusNotifier;
    tray_ = new QSystemTrayIcon(this);
    auto picture = pictures_.find(shownIcon_);
    if (picture != pictures_.end())
        tray_->setIcon(picture->second);
    tray_->setToolTip(tip_);
    tray_->setContextMenu(Menu());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(static_cast<int>(reason)); });
    // Shown for good: Qt puts it back by itself when the panel restarts.
    tray_->show();
    // The XEmbed icon is a widget of Qt's own that shows the tip as its
    // tooltip; the sheet keeps that tip dark like every other.
    if (!statusNotifier) {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->inherits("QSystemTrayIconSys"))
                widget->setStyleSheet(ToolTipStyle());
        }
    }
}

void CTrayIcon::SetIcon(int iconId)
{
    // Kept while no notification area is there, so the icon appears with
    // the right picture.
    shownIcon_ = iconId;
    if (!tray_)
        return;
    auto picture = pictures_.find(iconId);
    if (picture != pictures_.end())
        tray_->setIcon(picture->second);
}

void CTrayIcon::SetTip(const QString& tip)
{
    tip_ = FitTip(tip);
    if (tray_)
        tray_->setToolTip(tip_);
}

void CTrayIcon::Remove()
{
    delete hosts_;
    hosts_ = nullptr;
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
    if (mouse == Mouse::LeftDoubleClick || (mouse == Mouse::LeftClick && UsesStatusNotifier())) {
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
    // (an exported menu on StatusNotifier desktops). A StatusNotifier host
    // reports a click as Trigger and never a double click; an XEmbed tray
    // reports both, and there the double click is the one that opens.
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::DoubleClick:
        OnTrayNotification(IconId, Mouse::LeftDoubleClick);
        break;
    case QSystemTrayIcon::Trigger:
        OnTrayNotification(IconId, UsesStatusNotifier() ? Mouse::LeftClick : Mouse::Other);
        break;
    default:
        OnTrayNotification(IconId, Mouse::Other);
        break;
    }
}
