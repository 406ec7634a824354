#pragma once

#include <cstdint>

// What the key function editor does with one key event while its single-key
// tab captures keys. The window system layer turns the event into a key code
// first (EvdevKeyTable.h).
struct KeyCaptureDecision {
    // The event goes on to the desktop (media keys, keys the table does not
    // know); otherwise the editor swallows it.
    bool passOn = false;
    // The key code that becomes the captured key, 0 for none.
    uint16_t captured = 0;
};

// keyCode 0 and the media keys pass on. Everything else is swallowed; a first
// press (no auto-repeat) becomes the captured key when the KB choice is
// checked, and so does the release (no auto-repeat) of a key whose press
// never arrived when that key is one the system may report only as released
// (Print Screen and the like). The Windows and application keys are captured
// whatever the KB choice says: the desktop would act on them otherwise.
KeyCaptureDecision DecideKeyCapture(uint16_t keyCode, bool released, bool autoRepeat, bool pressSeen,
                                    bool keyboardChosen);
