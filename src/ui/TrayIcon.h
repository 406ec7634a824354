#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QMenu;
class QSystemTrayIcon;
class QTimer;
class TrayHosts;

// The notification-area icon over Qt's tray icon. The menu is rebuilt from
// its item list each time it opens, after the menu callback has had its say
// (the main window sets the item texts there, so they follow the language).
//
// The icon is made once the desktop offers a notification area, and not
// before: Qt picks between a StatusNotifierItem and an XEmbed icon when the
// first one is made and keeps that choice for the whole process, so an icon
// made at login before the panel is up would stay an XEmbed icon on a
// StatusNotifierItem desktop. Once made, Qt registers it again when the panel
// restarts. A desktop without a notification area gets no icon and the
// program runs on without it.
class CTrayIcon : public QObject {
    Q_OBJECT
public:
    struct MenuItem {
        int command = 0; // 0: separator
        QString text;
    };
    using MenuCallback = std::function<void(QMenu* menu)>;
    // Where chosen menu commands and the double click's command go.
    using CommandHandler = std::function<void(int command)>;

    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Icon pictures by id (128, 141, 142 for the main window).
    void SetIconPicture(int iconId, const QIcon& picture);
    // The picture shown for iconId; a null icon when none was given.
    QIcon IconPicture(int iconId) const;
    void SetMenuItems(std::vector<MenuItem> items);
    void SetCommandHandler(CommandHandler handler);
    // The command of a double click, shown bold; 0: the first item.
    void SetDefaultCommand(int command);

    // 1 when the icon is in the notification area now; 0 when it is not
    // (yet): it comes by itself once a notification area appears.
    int Create(const QString& tip, int iconId);
    void SetIcon(int iconId);
    // A tip longer than the shell takes (127 UTF-16 units) keeps only the
    // lines that fit whole.
    void SetTip(const QString& tip);
    void Remove();
    void SetMenuCallback(MenuCallback callback);
    // iconId 140 is the icon's own; mouse: what the shell reported.
    // LeftClick is a StatusNotifierItem activation (those desktops have no
    // double click); an XEmbed tray's single click is Other.
    enum class Mouse { RightUp, LeftDoubleClick, LeftClick, Other };
    int OnTrayNotification(int iconId, Mouse mouse);

    bool IsAdded() const { return added_; }
    // The icon is a StatusNotifierItem (false: an XEmbed icon, or none yet).
    bool UsesStatusNotifier() const { return tray_ && statusNotifier_; }
    int ShownIcon() const { return shownIcon_; }
    QString Tip() const { return tip_; }
    // The menu, refilled from the items and the callback as it is each time
    // it opens.
    QMenu* Menu();
    void RefreshMenu();
    int DefaultCommand() const;

    static constexpr int IconId = 140;
    // How long a desktop whose bus has a StatusNotifierWatcher but no host
    // yet is given to bring its panel up before its XEmbed tray is taken.
    static constexpr int HostGraceMs = 5000;

signals:
    // The icon came into a notification area or went out of it.
    void availabilityChanged(bool added);

private:
    void OnActivated(int reason);
    void OnHostsChanged();
    void MakeIcon(bool statusNotifier);

    QSystemTrayIcon* tray_ = nullptr;
    TrayHosts* hosts_ = nullptr;
    QTimer* hostGrace_ = nullptr;
    bool created_ = false;
    bool statusNotifier_ = false;
    bool hostGraceStarted_ = false;
    bool added_ = false;
    bool wasAdded_ = false;
    int shownIcon_ = 0;
    QString tip_;
    int defaultCommand_ = 0;
    std::map<int, QIcon> pictures_;
    std::vector<MenuItem> items_;
    MenuCallback menuCallback_;
    CommandHandler commandHandler_;
    QMenu* menu_ = nullptr;
};
