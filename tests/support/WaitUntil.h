#pragma once

// Core tests: waits for what another thread (the device threads, a keyboard
// behind the kernel) does in its own time. Qt tests use SpinUntil.h, which
// also runs the window thread's event loop.
#include <chrono>
#include <thread>

// Polls pred until it holds or the time is up; false when it never held.
template <typename Pred>
bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}
