#include "ui/MainWindow.h"
#include "ui/LightingPanel.h"

#include "base/UserPrompts.h"
#include "assign/KeyAssignment.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileSwitch.h"
#include "keys/KeyTable.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"

namespace {

constexpr int ProfileButtons[] = {MainControl::Profile1, MainControl::Profile2, MainControl::Profile3};

} // namespace

void CVarkelinDlg::ShowProfileSelected(int profile)
{
    for (int n = 0; n < 3; ++n) {
        if (CPngButton* button = Button(ProfileButtons[n]))
            button->SetMark(n == profile, true);
    }
}

void CVarkelinDlg::OnProfileButton(int profile)
{
    WaitForApply();
    SetViewedProfile(profile);
    ReloadAndShowLighting(true);
    if (IsLightingView())
        SetLightingView(false);
    if (GetCurrentProfile() == profile)
        return;
    if (SelectProfile(profile) == 0) {
        // Not switched (refused, or the keyboard did not take it): the
        // window shows again the profile the keyboard runs.
        const int32_t active = GetCurrentProfile();
        if (active >= 0) {
            ShowProfileSelected(active);
            SetViewedProfile(active);
            ReloadAndShowLighting(false);
        }
        return;
    }
    const int32_t active = GetCurrentProfile();
    ShowProfileSelected(active >= 0 ? active : profile);
    for (const ButtonKey& key : ButtonKeyTable) {
        if (CPngButton* button = Button(key.controlId))
            button->update();
    }
    for (uint16_t id : MacroKeyButtons) {
        if (CPngButton* button = Button(id))
            button->update();
    }
}

void CVarkelinDlg::SetProfileButton(const QString& caption, const QString& tooltip)
{
    // Called after every switch and every reload: the tray marks follow.
    OnActiveProfileShown();
    CPngButton* button = Button(MainControl::Profiles);
    if (!button)
        return;
    button->setText(caption);
    button->SetTooltip(tooltip, true);
}

void CVarkelinDlg::RestoreDefaults()
{
    WaitForApply();
    if (Prompts().AskYesNo(LoadText("MAIN_PROMPT_DEFAULT"))) {
        ResetProfileKeys(-1);
        if (IsLightingView())
            lighting_->RestoreLightingDefaultsInView();
        RunApply();
    }
    // Either way the window goes back to the first profile.
    OnProfileButton(0);
}
