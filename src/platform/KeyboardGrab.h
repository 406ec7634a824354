#pragma once

#include <cstdint>
#include <memory>

// While the key function editor captures a key or records a macro and is
// the active window it takes the whole keyboard, so that keys the desktop
// would act on (the Super keys opening a menu, Alt+Tab) reach the editor
// instead. The window system side implements this; where no grab can be had
// (a Wayland session, a test without a display) Grab() says so and the
// editor works with the keys its window receives.
class KeyboardGrab {
public:
    virtual ~KeyboardGrab() = default;

    // True when the keyboard is now (or already was) grabbed.
    virtual bool Grab() = 0;
    virtual void Release() = 0;
    virtual bool IsGrabbed() const = 0;
    // False where no grab can be had at all.
    virtual bool CanGrab() const = 0;
    // Hands a key the editor does not take (a media key) on to the desktop as
    // a press and a release, as if the grab had not been there. evdevCode is
    // the key's Linux code. Nothing happens without a grab: the desktop then
    // saw the key itself.
    virtual void PassOn(uint32_t evdevCode) = 0;
};

// No grab at all: what tests and platforms without one get.
class NoKeyboardGrab final : public KeyboardGrab {
public:
    bool Grab() override { return false; }
    void Release() override {}
    bool IsGrabbed() const override { return false; }
    bool CanGrab() const override { return false; }
    void PassOn(uint32_t) override {}
};
