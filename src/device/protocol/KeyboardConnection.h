#pragma once

#include <cstdint>

// What the program takes from a keyboard when it connects, once the monitor
// (or rt604ctl) has g_configChannel open on the keyboard's vendor
// collection. Tests that open the channel themselves call the same.

// Takes the model the channel's product id names: the key count and key-map
// size every key-map transfer uses. false, with nothing changed, when the id
// names no model. The caller marks the device connected before the reads
// below: the monitor's connection handler does it itself, to see the change.
bool TakeKeyboardModel();

// The reads ConnectKeyboard makes; each is 1 when done, or the read's result.
struct KeyboardConnectReads {
    int32_t defaultKeyMap = 0; // the factory key map, kept as the default map
    int32_t deviceInfo = 0;    // the information block, for the macro capacity
    bool Done() const { return defaultKeyMap == 1 && deviceInfo == 1; }
};

// The connection handler's work for a keyboard just connected (after
// TakeKeyboardModel): reads its factory key map into the default map and the
// macro memory's capacity from its information block. Both are read even when
// the first fails; what a read did not get stays as it was.
KeyboardConnectReads ConnectKeyboard();
