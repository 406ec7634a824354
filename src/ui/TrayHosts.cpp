#include "ui/TrayHosts.h"

#include "platform/gui/X11TrayWatcher.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString WatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
// Item ids looked for: Qt counts them up from 1, one per tray icon made.
constexpr int MaxItemIds = 16;

// Platforms with no desktop to show an icon on (tests, remote runs).
bool HasNoDesktop()
{
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

} // namespace

TrayHosts::TrayHosts(QObject* parent) : QObject(parent)
{
    if (HasNoDesktop()) {
        settled_ = true;
        return;
    }
    x11_ = X11TrayWatcher::Create();
    if (x11_)
        connect(x11_.get(), &X11TrayWatcher::changed, this, &TrayHosts::changed);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        settled_ = true;
        return;
    }
    busWatcher_ = new QDBusServiceWatcher(WatcherService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(busWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHosts::QueryWatcher);
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus.connect(WatcherService, WatcherPath, WatcherInterface, QString::fromLatin1(signal), this,
                    SLOT(QueryWatcher()));
    QueryWatcher();
}

TrayHosts::~TrayHosts() = default;

bool TrayHosts::HasXEmbedTray() const
{
    return x11_ && x11_->Present();
}

void TrayHosts::QueryWatcher()
{
    const int serial = ++querySerial_;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Only a watcher that already runs is asked about its host: a call to a
    // name the bus can activate would start one.
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << WatcherService;
    // Asynchronous: a hung watcher must not hang the window.
    auto* ownerCall = new QDBusPendingCallWatcher(bus.asyncCall(hasOwner), this);
    connect(ownerCall, &QDBusPendingCallWatcher::finished, this, [this, serial](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<bool> owned = *call;
        if (serial != querySerial_)
            return;
        if (owned.isError() || !owned.value()) {
            SetWatcher(false, false);
            return;
        }
        QDBusMessage get = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        get << WatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
        auto* hostCall = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
        connect(hostCall, &QDBusPendingCallWatcher::finished, this, [this, serial](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusPendingReply<QDBusVariant> host = *call;
            if (serial != querySerial_)
                return;
            SetWatcher(true, !host.isError() && host.value().variant().toBool());
        });
    });
}

void TrayHosts::RegisterOurItems()
{
    // Qt gives each of its StatusNotifierItems a bus connection of its own,
    // named after the item's id ("org.kde.StatusNotifierItem-<pid>-<n>"),
    // and registers the connection's unique name with the watcher.
    QStringList ours;
    const qint64 pid = QCoreApplication::applicationPid();
    for (int n = 1; n <= MaxItemIds; ++n) {
        const QDBusConnection item(QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(pid).arg(n));
        if (item.isConnected() && item.objectRegisteredAt(QStringLiteral("/StatusNotifierItem")))
            ours << item.baseService();
    }
    if (ours.isEmpty())
        return;
    QDBusMessage get = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << WatcherInterface << QStringLiteral("RegisteredStatusNotifierItems");
    auto* itemsCall = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(itemsCall, &QDBusPendingCallWatcher::finished, this, [ours](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> items = *call;
        const QStringList registered = items.isError() ? QStringList() : items.value().variant().toStringList();
        for (const QString& name : ours) {
            // Watchers list an item as its bus name, with or without its path.
            const bool known = std::any_of(registered.begin(), registered.end(), [&name](const QString& item) {
                return item == name || item.startsWith(name + QLatin1Char('/'));
            });
            if (known)
                continue;
            QDBusMessage add = QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherInterface,
                                                              QStringLiteral("RegisterStatusNotifierItem"));
            add << name;
            QDBusConnection::sessionBus().asyncCall(add);
        }
    });
}

void TrayHosts::SetWatcher(bool present, bool hostRegistered)
{
    const bool wasSettled = settled_;
    settled_ = true;
    if (wasSettled && present == watcherPresent_ && hostRegistered == hostRegistered_)
        return;
    watcherPresent_ = present;
    hostRegistered_ = hostRegistered;
    emit changed();
}
