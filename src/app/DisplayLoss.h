#pragma once

#include <functional>

// The display connection going away under the program (a session that ends,
// a display server that crashes). Qt's X11 platform plugin then warns and
// calls exit(1) from inside its event handling, with the device threads
// still running; the warning comes first and passes through Qt's message
// handler. There the program ends by its own path instead: stop() ends and
// joins its threads, one line on standard error says why, and the process
// ends with DisplayLostExitCode.

inline constexpr int DisplayLostExitCode = 1;

// From now on a message that Qt gives while the display connection is broken
// ends the program as above. stop runs once, on the thread that reports the
// loss; it may be the main thread stuck inside any window call, so it must
// not need the event loop.
void EndCleanlyOnDisplayLoss(std::function<void()> stop);
// The program ends by its own path from here on (its threads are stopped).
void StopWatchingDisplayLoss();
