#pragma once

#include <QObject>

#include <memory>

class X11TrayWatcher;

// The notification areas the desktop offers right now, followed as they come
// and go: a StatusNotifierItem host, known through the session bus's
// org.kde.StatusNotifierWatcher (KDE Plasma, GNOME with the AppIndicator
// extension), and an XEmbed tray on X11. Everything arrives as bus signals or
// X events; nothing is polled. Offscreen there is neither.
class TrayHosts : public QObject {
    Q_OBJECT
public:
    explicit TrayHosts(QObject* parent = nullptr);
    ~TrayHosts() override;

    // A watcher is on the bus and says a host has registered with it.
    bool HasStatusNotifierHost() const { return watcherPresent_ && hostRegistered_; }
    // A watcher is on the bus; its host may still be on its way (a panel
    // that is starting).
    bool HasStatusNotifierWatcher() const { return watcherPresent_; }
    bool HasXEmbedTray() const;
    // The bus has answered the first question (or there is no bus): until
    // then a host may be there that is not known yet.
    bool Settled() const { return settled_; }

    // Makes sure the watcher knows this process's StatusNotifierItems, for a
    // watcher that came back: Qt registers its icon again by itself, but a
    // watcher that takes its name before its object is there refuses that.
    void RegisterOurItems();

signals:
    void changed();

private slots:
    void QueryWatcher();

private:
    void SetWatcher(bool present, bool hostRegistered);

    std::unique_ptr<X11TrayWatcher> x11_;
    class QDBusServiceWatcher* busWatcher_ = nullptr;
    bool watcherPresent_ = false;
    bool hostRegistered_ = false;
    bool settled_ = false;
    // Answers to older questions are dropped: only the last one is current.
    int querySerial_ = 0;
};
