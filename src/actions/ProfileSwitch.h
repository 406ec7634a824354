#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Following and changing the keyboard's active profile from the main window.

// Rebuilds the document from the keyboard: its key maps and macros are
// captured into the profile cache and loaded from there; when the keyboard
// does not answer (or the capture fails) the document becomes the default
// one. Then the key buttons show the active profile and, unless keepApply is
// set, Apply is disabled. 1 when the document came from the keyboard, 0 when
// it is the default one.
int32_t ReloadFromDevice(bool keepApply);

// Switches the keyboard to profile index (3 or more: profile 0; negative:
// no switch, only the refresh). Refused with "PROFILE_SEELCT_PROMPT2" while
// the key function editor is open. With unapplied changes it asks
// "PROFILE_SELECT_PROMPT": Yes applies them first, No discards them by
// reloading the profile cache; an Apply that fails stops the switch
// ("PROFILE_SWITCH_NOT_APPLIED"). A switch the keyboard did not take is told
// ("PROFILE_SWITCH_FAILED"). Then the key buttons and the profile menu
// follow the profile the keyboard runs. 1 switched, 0 not.
int32_t SelectProfile(int32_t index);

// The key buttons show the document's slots of the active profile.
void ActivateProfileView(int32_t index);

// The profile menu, as data the main window shows: "DEFAULT_PROFILE_NAME"
// (command 9000), a separator, then one item per profile (9001..9003) with
// the profile's own name (ProfileName; the cache file's name would be the same
// "$Profile0" for all three). The checked item is the active profile's, or the
// first when none is known; its text is the profile button's caption.
inline constexpr int ProfileMenuDefaultCommand = 9000;
inline constexpr int ProfileMenuFirstProfileCommand = 9001;
inline constexpr int ProfileMenuLastCommand = 9200;

// A keyboard profile's name in the current language: the text of
// "PROFILE_1", "PROFILE_2" or "PROFILE_3"; "DEFAULT_PROFILE_NAME" for any
// other index.
std::string ProfileName(int profile);

struct ProfileMenuItem {
    int command = 0; // 0 for the separator
    std::string text;
    bool separator = false;
    bool checked = false;
};

struct ProfileMenu {
    std::vector<ProfileMenuItem> items;
    int checkedPosition = 0;
    std::string caption; // the profile button's text
    std::string tooltip; // "PROFILE_TIP" followed by the caption
};

// Builds (create) or refills the menu, and gives the profile button its
// caption and tooltip through the main window link.
ProfileMenu BuildProfileMenu(bool create);
// The menu as last built.
ProfileMenu CurrentProfileMenu();
// A menu command 9000..9200 reaching the main window: SelectProfile with
// command - 9001. Other commands do nothing and give 0.
int32_t HandleProfileMenuCommand(int command);
