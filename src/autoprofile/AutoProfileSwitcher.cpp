#include "autoprofile/AutoProfileSwitcher.h"

#include "device/protocol/ActiveProfile.h"
#include "device/protocol/DeviceState.h"
#include "actions/ProfileSwitch.h"

void AutoProfileSwitcher::SetSettings(const AutoProfileSettings& settings)
{
    settings_ = settings;
    Judge();
}

void AutoProfileSwitcher::OnActiveWindow(const WindowIdentity& window)
{
    lastWindow_ = window;
    Judge();
}

void AutoProfileSwitcher::Judge()
{
    if (!settings_.enabled) {
        Drop();
        return;
    }
    // Our own window, the desktop or no window at all say nothing about the
    // application the owner works with: the profile stays as it is, and a
    // switch that waits still waits (the owner may be here to apply).
    if (lastWindow_.kind != WindowIdentity::Kind::Application)
        return;
    const int32_t wanted = WantedProfile(settings_, lastWindow_);
    if (wanted == KeepProfile) {
        Drop();
        return;
    }
    pending_ = wanted;
    profileWhenWanted_ = host_.KnownProfile();
    TryPending();
}

void AutoProfileSwitcher::Resume()
{
    if (pending_ < 0)
        return;
    const int32_t known = host_.KnownProfile();
    if (known == pending_ || (profileWhenWanted_ >= 0 && known >= 0 && known != profileWhenWanted_)) {
        Drop();
        return;
    }
    TryPending();
}

void AutoProfileSwitcher::TryPending()
{
    if (pending_ < 0)
        return;
    if (host_.IsBusy()) {
        SetWait(AutoProfileWait::Busy);
        return;
    }
    const int32_t active = host_.ReadActiveProfile();
    if (active == pending_) {
        Drop();
        return;
    }
    if (active < 0) {
        SetWait(AutoProfileWait::Keyboard);
        return;
    }
    // From here on a change of the active profile is somebody else's choice.
    profileWhenWanted_ = active;
    if (host_.HasUnappliedChanges()) {
        SetWait(AutoProfileWait::Changes);
        return;
    }
    const int32_t target = pending_;
    // Cleared first: the switch refreshes the window, which may ask to
    // resume, and a failed switch must not be tried again and again.
    Drop();
    if (host_.SwitchProfile(target) == 1)
        ++switches_;
}

void AutoProfileSwitcher::SetWait(AutoProfileWait wait)
{
    const int32_t profile = wait == AutoProfileWait::None ? -1 : pending_;
    if (wait == wait_ && profile == waitProfile_)
        return;
    wait_ = wait;
    waitProfile_ = profile;
    host_.WaitChanged(wait_, waitProfile_);
}

void AutoProfileSwitcher::Drop()
{
    pending_ = -1;
    SetWait(AutoProfileWait::None);
}

int32_t SelectProfileQuietly(int32_t profile)
{
    if (SetCurrentProfile(profile) != 1)
        return 0;
    ActivateProfileView(profile);
    BuildProfileMenu(false);
    return 1;
}

int32_t RereadCurrentProfile()
{
    if (!g_deviceConnected.load())
        return -1;
    g_currentProfile = -1;
    return GetCurrentProfile();
}
