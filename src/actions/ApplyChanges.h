#pragma once

#include <chrono>
#include <cstdint>

class MainWindowLink;

// The main window's Apply: when changes are pending, saves the document into
// the profile cache and writes it to the keyboard (the current profile's key
// map, or all three after a macro that keys used was deleted), with the busy
// indicator showing meanwhile. Apply is disabled only when both the save and
// the write succeeded. Runs on the user-interface thread.
// 1 when nothing was pending or everything was written; 0 otherwise.
// window: the window whose Apply flag is read and cleared; MainWindow()
// without it. The window's worker thread passes its own link, so no other
// caller's view of the window changes while the Apply runs.
//
// Before anything is saved or sent: when the document's macros fit the
// keyboard only without their names and some name would be lost (one the
// keyboard could not give back after reconnecting), asks
// "MACRO_MEMORY_NAMES_CONFIRM" first; No sends and saves nothing, leaves
// Apply enabled and returns 0. Yes is remembered for that very list of names,
// so later Applies of other changes do not ask again.
int32_t ApplyChanges(MainWindowLink& window);
int32_t ApplyChanges();

// Forgets the names whose loss the owner accepted (a new session starts).
void ForgetAcceptedNameLoss();

// How long after its start the Apply shows the busy indicator (it is hidden
// 100 ms after the end). The work starts at once; an Apply that finishes
// sooner waits for the picture to have been shown. 100 ms unless a test
// shortens it.
inline constexpr std::chrono::milliseconds DefaultApplyShowDelay{100};
void SetApplyShowDelay(std::chrono::milliseconds delay);
