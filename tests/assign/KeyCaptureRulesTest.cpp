#include "assign/KeyCaptureRules.h"

#include <gtest/gtest.h>

TEST(KeyCaptureRules, WhatIsCapturedSwallowedOrLetThrough)
{
    const struct {
        const char* what;
        uint16_t keyCode;
        bool released, autoRepeat, pressSeen, keyboardChosen;
        bool passOn;
        uint16_t captured;
    } cases[] = {
        {"first press of A", 30, false, false, false, true, false, 30},
        {"Enter is a key like any other", 28, false, false, false, true, false, 28},
        {"auto-repeat", 30, false, true, true, true, false, 0},
        {"release", 30, true, false, true, true, false, 0},
        {"mouse chosen: swallowed, not taken", 30, false, false, false, false, false, 0},
        {"left Windows key even with the mouse chosen", 347, false, false, false, false, false, 347},
        {"right Windows key", 348, false, false, false, true, false, 348},
        {"application key", 349, false, false, false, false, false, 349},
        {"volume up passes", 304, false, false, false, true, true, 0},
        {"mute release passes", 288, true, false, true, true, true, 0},
        {"unknown key passes", 0, false, false, false, true, true, 0},
        {"Print Screen whose press never came", 311, true, false, false, true, false, 311},
        {"Print Screen release after its press", 311, true, false, true, true, false, 0},
        {"Print Screen held since before: its repeats' releases", 311, true, true, false, true, false, 0},
        {"repeat's release of A", 30, true, true, true, true, false, 0},
        {"other key's lonely release", 30, true, false, false, true, false, 0},
    };
    for (const auto& c : cases) {
        const KeyCaptureDecision d = DecideKeyCapture(c.keyCode, c.released, c.autoRepeat, c.pressSeen, c.keyboardChosen);
        EXPECT_EQ(d.passOn, c.passOn) << c.what;
        EXPECT_EQ(d.captured, c.captured) << c.what;
    }
}
