#pragma once

#include "autoprofile/AutoProfileRules.h"
#include "platform/ActiveWindow.h"

#include <cstdint>

// Decides when the keyboard follows the active window. A switch is made only
// when the wanted profile differs from the keyboard's; it never interrupts
// the owner's work (an editor, the profile manager or an Apply) and never
// asks about unapplied changes: it waits instead, and is made once what
// held it back has ended, unless the owner has chosen a profile meanwhile.

enum class AutoProfileWait {
    None,
    Busy,     // an editor, the profile manager or an Apply is under way
    Changes,  // changes not yet applied to the keyboard
    Keyboard, // no keyboard, or it does not say its profile
};

// What the switcher needs of the program. The main window implements it;
// tests implement it with a few fields.
class AutoProfileHost {
public:
    virtual ~AutoProfileHost() = default;
    // The active profile as last known, without asking the keyboard; -1
    // when unknown.
    virtual int32_t KnownProfile() = 0;
    // The keyboard's active profile, asked anew (a profile chosen on the
    // keyboard or by rt604ctl is seen); -1 without a keyboard.
    virtual int32_t ReadActiveProfile() = 0;
    virtual bool IsBusy() = 0;
    virtual bool HasUnappliedChanges() = 0;
    // Makes the profile active without any question; 1 done, 0 not.
    virtual int32_t SwitchProfile(int32_t profile) = 0;
    // The wait began, changed or ended (AutoProfileWait::None).
    virtual void WaitChanged(AutoProfileWait /*wait*/, int32_t /*profile*/) {}
};

class AutoProfileSwitcher {
public:
    explicit AutoProfileSwitcher(AutoProfileHost& host) : host_(host) {}

    // New rules: the last active window is judged again by them.
    void SetSettings(const AutoProfileSettings& settings);
    const AutoProfileSettings& Settings() const { return settings_; }

    // The active window changed.
    void OnActiveWindow(const WindowIdentity& window);
    // Something that held a switch back may have ended: try it again. A
    // switch is dropped when the active profile changed by other means since
    // it was wanted (the owner chose one himself).
    void Resume();

    AutoProfileWait Waiting() const { return wait_; }
    // The profile a waiting switch will make active; -1 when none waits.
    int32_t PendingProfile() const { return pending_; }
    const WindowIdentity& LastWindow() const { return lastWindow_; }
    // Switches made, for traces and benchmarks.
    uint64_t SwitchCount() const { return switches_; }

private:
    void Judge();
    void TryPending();
    void SetWait(AutoProfileWait wait);
    void Drop();

    AutoProfileHost& host_;
    AutoProfileSettings settings_;
    WindowIdentity lastWindow_;
    int32_t pending_ = -1;
    int32_t profileWhenWanted_ = -1;
    AutoProfileWait wait_ = AutoProfileWait::None;
    int32_t waitProfile_ = -1;
    uint64_t switches_ = 0;
};

// The switch the main window makes for the switcher: the keyboard's active
// profile, the key buttons and the profile menu, as SelectProfile does when
// nothing is pending, but without its questions. 1 done, 0 not.
int32_t SelectProfileQuietly(int32_t profile);
// Forgets the cached active profile and asks the keyboard; -1 without one.
int32_t RereadCurrentProfile();
