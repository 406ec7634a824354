#include "assign/KeyCaptureRules.h"

#include "keys/KeyTable.h"
#include "keys/MediaTable.h"

KeyCaptureDecision DecideKeyCapture(uint16_t keyCode, bool released, bool autoRepeat, bool pressSeen,
                                    bool keyboardChosen)
{
    KeyCaptureDecision decision;
    if (keyCode == 0 || IsMediaKeyCode(keyCode)) {
        decision.passOn = true;
        return decision;
    }
    const bool systemKey =
        keyCode == KeyCodes::LeftWin || keyCode == KeyCodes::RightWin || keyCode == KeyCodes::App;
    const bool firstPress = !released && !autoRepeat;
    // A marked release is half of a held key's repeat, not the key's end.
    const bool lonelyRelease = released && !autoRepeat && !pressSeen && NeedsSyntheticPress(keyCode) == 1;
    if ((firstPress || lonelyRelease) && (keyboardChosen || systemKey))
        decision.captured = keyCode;
    return decision;
}
