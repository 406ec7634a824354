#pragma once

#include <functional>
#include <string>

class VirtualKeyboard;

// The window's way of telling the owner about saves it makes by itself (a
// setting changed by a click, the virtual keyboard's state) that failed: a
// message through the prompts ("MAIN_PROMPT_SAVE_FAILED" with the file and
// the reason), as often as SaveReport.h lets one through.
//
// post carries the message to the thread that shows messages and returns at
// once: failures are heard on the saving thread, which may hold the device
// link's locks and must not wait for the owner to close a box.
using PostWork = std::function<void(std::function<void()>)>;
void TellSaveFailuresThrough(PostWork post);
// Back to standard error.
void StopTellingSaveFailures();

// The virtual keyboard's state-file problems (a save or a lock that failed:
// the keyboard then refused the change) are told the same way, under the
// state file's path.
void TellStateFileProblems(VirtualKeyboard& keyboard, const std::string& stateFile);
