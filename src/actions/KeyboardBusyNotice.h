#pragma once

#include "platform/LockHolder.h"

#include <functional>
#include <string>

// Tells the owner when something they asked for was not sent because another
// program kept the keyboard busy for the whole wait. The message goes out
// through `post` (to the window's thread), so that it is shown after the
// action that gave up has let go of everything; gives-up that follow before
// it is shown are told once.
void TellKeyboardBusyThrough(std::function<void(std::function<void()>)> post);
void StopTellingKeyboardBusy();

// The message, in the current language, naming the holder.
std::string KeyboardBusyText(const LockHolder& holder);
