#include "app/DisplayLoss.h"

#include "ui/EventLog.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

#ifdef RT604_HAVE_XCB_WINDOWS
#include <xcb/xcb.h>
#endif

namespace {

// A device thread can wait on a lock that a window call frozen by the loss
// holds; the process of a session that is gone must end all the same.
constexpr auto StopLimit = std::chrono::seconds(5);

std::mutex g_mutex; // guards everything below
QtMessageHandler g_previousHandler = nullptr;
std::function<void()> g_stop;
bool g_watching = false;
bool g_ending = false;
#ifdef RT604_HAVE_XCB_WINDOWS
xcb_connection_t* g_xcbConnection = nullptr;
#endif

// Asked of the connection itself rather than read from Qt's words: once
// broken, an xcb connection stays broken.
bool DisplayConnectionBroken()
{
#ifdef RT604_HAVE_XCB_WINDOWS
    return g_xcbConnection && xcb_connection_has_error(g_xcbConnection) != 0;
#else
    return false;
#endif
}

[[noreturn]] void EndProgram(std::function<void()> stop)
{
    LogEvent("display-lost");
    std::fputs("rt604: the connection to the display was lost; exiting\n", stderr);
    struct Progress {
        std::mutex mutex;
        std::condition_variable done;
        bool stopped = false;
    };
    auto progress = std::make_shared<Progress>();
    auto run = [stop = std::move(stop), progress] {
        stop();
        std::lock_guard lock(progress->mutex);
        progress->stopped = true;
        progress->done.notify_all();
    };
    try {
        std::thread(run).detach();
        std::unique_lock lock(progress->mutex);
        progress->done.wait_for(lock, StopLimit, [&] { return progress->stopped; });
    } catch (const std::system_error&) {
        run();
    }
    std::fflush(nullptr);
    // Not exit(): the windows and Qt's objects were never torn down, and the
    // static destructors must not meet them half-way.
    std::_Exit(DisplayLostExitCode);
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    std::unique_lock lock(g_mutex);
    if (g_watching && DisplayConnectionBroken()) {
        if (g_ending) {
            // Another thread is ending the process; Qt must not end it first.
            lock.unlock();
            for (;;)
                ::pause();
        }
        g_ending = true;
        std::function<void()> stop = g_stop;
        lock.unlock();
        EndProgram(std::move(stop));
    }
    const QtMessageHandler previous = g_previousHandler;
    lock.unlock();
    if (previous)
        previous(type, context, text);
}

} // namespace

void EndCleanlyOnDisplayLoss(std::function<void()> stop)
{
    std::lock_guard lock(g_mutex);
#if defined(RT604_HAVE_XCB_WINDOWS) && QT_CONFIG(xcb)
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        g_xcbConnection = x11->connection();
#endif
    g_stop = std::move(stop);
    if (!g_watching)
        g_previousHandler = qInstallMessageHandler(OnQtMessage);
    g_watching = true;
}

void StopWatchingDisplayLoss()
{
    std::lock_guard lock(g_mutex);
    if (!g_watching)
        return;
    g_watching = false;
    qInstallMessageHandler(g_previousHandler);
    g_stop = nullptr;
#ifdef RT604_HAVE_XCB_WINDOWS
    g_xcbConnection = nullptr; // Qt's, and gone with the application
#endif
}
