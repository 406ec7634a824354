#pragma once

#include <cstdint>

// What a key does, in the keyboard's three action bytes. Macro image events
// carry the class in bits 12..14 of their first word; key map entries carry
// it as their first byte (kind), so both decode through DecodeAction.
enum ActionClass : uint8_t {
    ActionNone = 0,
    ActionMouse = 1,
    ActionKeyboard = 2,
    ActionConsumer = 3,
    ActionSystem = 4,
    ActionMacroKey = 6,
};

struct MacroAction {
    uint8_t actionClass = ActionNone;
    uint8_t byte2 = 0;
    uint8_t byte3 = 0;
    bool operator==(const MacroAction&) const = default;
};

// The action a key code produces; never class 3 or 6. Keys without a device
// code, and the mouse codes 0xF6..0xF8 that no key has, give class 0.
MacroAction EncodeAction(uint16_t keyCode);

// The key code of an action, 0 when it names no key. Class 3 and 4 take
// byte2 as the low and byte3 as the high byte of a 16-bit usage.
uint16_t DecodeAction(uint8_t actionClass, uint8_t byte2, uint8_t byte3);
