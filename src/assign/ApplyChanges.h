#pragma once

#include <chrono>
#include <cstdint>

// The main window's Apply: when changes are pending, saves the document into
// the profile cache and writes it to the keyboard (the current profile's key
// map, or all three after a macro that keys used was deleted), with the busy
// indicator showing meanwhile. Apply is disabled only when both the save and
// the write succeeded. Runs on the user-interface thread.
// 1 when nothing was pending or everything was written; 0 otherwise.
int32_t ApplyChanges();

// How long after its start the Apply shows the busy indicator (it is hidden
// 100 ms after the end). The work starts at once; an Apply that finishes
// sooner waits for the picture to have been shown. 100 ms unless a test
// shortens it.
void SetApplyShowDelay(std::chrono::milliseconds delay);
