#pragma once

#include <atomic>

class QWidget;

// The main window once it is initialised, until it is destroyed: what the
// owner's message boxes and file dialogs are parented on when no other
// window of ours is active. Written on the user-interface thread only.
extern std::atomic<QWidget*> g_mainWindow;
