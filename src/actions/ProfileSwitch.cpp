#include "actions/ProfileSwitch.h"

#include <mutex>

#include "base/MainWindowLink.h"
#include "base/UserPrompts.h"
#include "actions/ApplyChanges.h"
#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"
#include "actions/DeviceCapture.h"
#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "platform/AtomicFile.h"
#include "text/LanguageTexts.h"

namespace {

std::mutex g_menuLock;
ProfileMenu g_menu;

// The question is modal: a second switch asked for while it is on screen
// must not ask again underneath it.
bool g_asking = false;

void ReplaceDocumentWithDefault()
{
    DocumentLock lock;
    InstallDefaultDocument();
}

bool ReplaceDocumentFromFile(const std::string& path)
{
    DocumentLock lock;
    FreeDocumentStrings();
    FreeDocumentMacros();
    FreeDocumentBlock();
    // On failure the loader leaves the default document behind.
    return LoadDocumentFromFile(path) == 1;
}

} // namespace

int32_t ReloadFromDevice(bool keepApply)
{
    EnsureUserFolder();
    bool fromKeyboard = false;
    const int32_t profile = GetCurrentProfile();
    std::vector<uint8_t> captured;
    if (profile >= 0 && CaptureDeviceToBytes(captured) == 1) {
        // The document is what the keyboard holds even when the cache cannot
        // be written: a default document in its place would be applied over
        // the keyboard's own assignments at the next Apply.
        const std::string cache = ProfileCachePath(profile);
        int error = 0;
        if (!WriteFileAtomically(cache, std::span<const uint8_t>(captured), &error))
            ShowSaveFailure(cache, error);
        DocumentLock lock;
        FreeDocumentStrings();
        FreeDocumentMacros();
        FreeDocumentBlock();
        fromKeyboard = LoadDocumentFromBytes(captured) == 1;
    }
    if (!fromKeyboard)
        ReplaceDocumentWithDefault();
    {
        DocumentLock lock;
        RefreshKeyButtons();
    }
    if (!keepApply)
        MainWindow().SetApplyEnabled(false);
    return fromKeyboard ? 1 : 0;
}

int32_t SelectProfile(int32_t index)
{
    if (index >= GetProfileCount())
        index = 0;
    MainWindowLink& window = MainWindow();
    if (window.IsKeyEditorOpen()) {
        Prompts().ShowMessage(LoadText("PROFILE_SEELCT_PROMPT2"), MessageStyle::Normal);
        return 0;
    }
    const bool dialogOpen = window.IsProfileDialogOpen();
    const bool pending = (dialogOpen && window.ProfileDialogHasChanges()) || window.IsApplyEnabled();
    if (pending) {
        if (g_asking)
            return 0;
        g_asking = true;
        const bool apply = Prompts().AskYesNo(LoadText("PROFILE_SELECT_PROMPT"));
        g_asking = false;
        if (apply) {
            // The edits belong to the profile shown now: switching away before
            // the keyboard holds them would leave them to the wrong profile's
            // next Apply.
            if (ApplyChanges() != 1) {
                Prompts().ShowMessage(LoadText("PROFILE_SWITCH_NOT_APPLIED"), MessageStyle::Topmost);
                return 0;
            }
        } else {
            window.SetApplyEnabled(false);
            const int32_t current = GetCurrentProfile();
            if (current >= 0)
                ReplaceDocumentFromFile(ProfileCachePath(current));
        }
    }
    // A negative index asks for the refresh alone. A failed write may still
    // have reached the keyboard: it is asked again before anything is said.
    const bool switched = index < 0 || SetCurrentProfile(index) == 1 || GetCurrentProfile() == index;
    if (!switched)
        Prompts().ShowMessage(FormatText(LoadText("PROFILE_SWITCH_FAILED"), ProfileName(index)), MessageStyle::Topmost);
    else if (!pending && dialogOpen)
        window.ShowActiveProfileInDialog(index);
    // After a refusal the keyboard is asked again: the buttons, the menu and
    // the tray show the profile it still runs.
    ActivateProfileView(index);
    BuildProfileMenu(false);
    return switched ? 1 : 0;
}

void ActivateProfileView(int32_t)
{
    // The buttons follow the active profile, which SetCurrentProfile has
    // already made the index (or left as it was when the keyboard refused).
    DocumentLock lock;
    RefreshKeyButtons();
}

std::string ProfileName(int profile)
{
    static const char* const Keys[] = {"PROFILE_1", "PROFILE_2", "PROFILE_3"};
    if (profile < 0 || profile >= GetProfileCount())
        return LoadText("DEFAULT_PROFILE_NAME");
    return LoadText(Keys[profile]);
}

ProfileMenu BuildProfileMenu(bool)
{
    ProfileMenu menu;
    menu.items.push_back({ProfileMenuDefaultCommand, LoadText("DEFAULT_PROFILE_NAME"), false, false});
    menu.items.push_back({0, std::string(), true, false});
    for (int i = 0; i < GetProfileCount(); ++i)
        menu.items.push_back({ProfileMenuFirstProfileCommand + i, ProfileName(i), false, false});

    const int32_t profile = GetCurrentProfile();
    menu.checkedPosition = profile >= 0 ? profile + 2 : 0;
    if (menu.checkedPosition >= static_cast<int>(menu.items.size()))
        menu.checkedPosition = 0;
    ProfileMenuItem& checked = menu.items[static_cast<size_t>(menu.checkedPosition)];
    checked.checked = true;
    menu.caption = checked.text;
    menu.tooltip = LoadText("PROFILE_TIP") + checked.text;
    {
        std::lock_guard lock(g_menuLock);
        g_menu = menu;
    }
    MainWindow().SetProfileButton(menu.caption, menu.tooltip);
    return menu;
}

ProfileMenu CurrentProfileMenu()
{
    std::lock_guard lock(g_menuLock);
    return g_menu;
}

int32_t HandleProfileMenuCommand(int command)
{
    if (command < ProfileMenuDefaultCommand || command > ProfileMenuLastCommand)
        return 0;
    return SelectProfile(command - ProfileMenuFirstProfileCommand);
}
