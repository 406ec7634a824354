#pragma once

#include "platform/KeyboardGrab.h"

#include <memory>

class QWidget;

// The keyboard grab of the window system the program runs on: an active
// keyboard grab on X11 (it takes the Super keys from the desktop too), none
// elsewhere. window is the top-level window that receives the keys.
std::unique_ptr<KeyboardGrab> CreateKeyboardGrab(QWidget* window);
