#pragma once

#include <QPalette>

// The skins' dark look for everything Qt draws by itself: message boxes,
// menus, file dialogs, the About box and tooltips. The skinned windows draw
// their own pictures and keep them.
QPalette SkinPalette();
// Sets the style and the palette on the application, once, before the first
// window: a desktop's light theme must not turn the program's boxes white.
void ApplySkinPalette();
