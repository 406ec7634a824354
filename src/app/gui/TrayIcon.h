#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QMenu;
class QSystemTrayIcon;

// The notification-area icon over Qt's tray icon. The menu is rebuilt from
// its item list each time it opens, after the menu callback has had its say
// (the main window sets the item texts there, so they follow the language).
// A desktop without a notification area gets no icon: Create fails and the
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

    // 1 when the icon is in the notification area.
    int Create(const QString& tip, int iconId);
    void SetIcon(int iconId);
    void SetTip(const QString& tip);
    void Remove();
    void SetMenuCallback(MenuCallback callback);
    // iconId 140 is the icon's own; mouse: what the shell reported.
    enum class Mouse { RightUp, LeftDoubleClick, Other };
    int OnTrayNotification(int iconId, Mouse mouse);

    bool IsAdded() const { return added_; }
    int ShownIcon() const { return shownIcon_; }
    QString Tip() const { return tip_; }
    // The menu, refilled from the items and the callback as it is each time
    // it opens.
    QMenu* Menu();
    void RefreshMenu();
    int DefaultCommand() const;

    static constexpr int IconId = 140;

private:
    void OnActivated(int reason);

    QSystemTrayIcon* tray_ = nullptr;
    bool added_ = false;
    int shownIcon_ = 0;
    QString tip_;
    int defaultCommand_ = 0;
    std::map<int, QIcon> pictures_;
    std::vector<MenuItem> items_;
    MenuCallback menuCallback_;
    CommandHandler commandHandler_;
    QMenu* menu_ = nullptr;
};
