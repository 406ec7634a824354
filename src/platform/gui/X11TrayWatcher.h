#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

class QSocketNotifier;

// Follows whether an XEmbed notification area runs on the X server: the
// owner of the screen's "_NET_SYSTEM_TRAY_S<n>" selection. A tray announces
// itself with a MANAGER message on the root window and goes with its window,
// so both are events: nothing is polled. The watcher has an X connection of
// its own, so the event masks Qt keeps on its connection stay untouched.
class X11TrayWatcher : public QObject {
    Q_OBJECT
public:
    // Null when the program does not run on X11 (or X11 support is not built).
    static std::unique_ptr<X11TrayWatcher> Create(QObject* parent = nullptr);
    ~X11TrayWatcher() override;

    bool Present() const { return owner_ != 0; }

signals:
    // The tray came, went, or another tray took over.
    void changed(bool present);

private:
    X11TrayWatcher(struct xcb_connection_t* connection, int screen, QObject* parent);
    void Refresh();
    void Drain();

    struct xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
    uint32_t selection_ = 0;
    uint32_t manager_ = 0;
    uint32_t owner_ = 0;
    QSocketNotifier* notifier_ = nullptr;
};
