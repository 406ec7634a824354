#pragma once

#include <string>

// A trace of what the shell did, for tests and measurements that watch the
// program from outside: when RT604_EVENT_LOG names a file, each event is
// appended to it as one line ("window-shown", "tray-icon 141", "exit").
// Without the variable nothing is written. Safe on any thread.
void LogEvent(const std::string& line);
bool EventLogEnabled();
