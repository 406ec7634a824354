#pragma once

#include <atomic>
#include <cstdint>

// The application state every subsystem shares. Each field has one writer at
// a time (the user-interface thread, or the device monitor through its
// connection handler); atomics keep the cross-thread reads well defined.
struct AppState {
    // Opaque handles of the main window; the Qt side decides what they are.
    std::atomic<void*> mainWindowHandle{nullptr};
    std::atomic<void*> mainWindow{nullptr};
    std::atomic<int32_t> leftArrowShown{0};
    std::atomic<int32_t> rightArrowShown{0};
    // 1: the main window is not opened by itself when the keyboard is found.
    std::atomic<int32_t> noAutoOpen{0};
    // Opaque single-instance lock, when this process holds it.
    std::atomic<void*> instanceMutex{nullptr};
    // The keyboard's active profile 0..2, or -1 while it has not reported it.
    std::atomic<int32_t> currentProfile{-1};
    // Bytes of macro memory the keyboard offers.
    std::atomic<uint32_t> macroCapacity{0};
    // The connection state that was last handled.
    std::atomic<int32_t> deviceConnected{0};
};

extern AppState g_app;
