#include "base/MainWindowLink.h"

#include <atomic>

namespace {
HeadlessMainWindow g_headless;
std::atomic<MainWindowLink*> g_window{nullptr};
} // namespace

MainWindowLink& MainWindow()
{
    MainWindowLink* window = g_window.load();
    return window ? *window : g_headless;
}

void SetMainWindowLink(MainWindowLink* window)
{
    g_window.store(window);
}
