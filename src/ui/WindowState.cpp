#include "ui/WindowState.h"

std::atomic<QWidget*> g_mainWindow{nullptr};
