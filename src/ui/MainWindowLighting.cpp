#include "ui/MainWindow.h"

#include "ui/LightingPanel.h"

// The window's side of its lighting panel (the LightingPanel part): what the
// panel may ask of the window, and the calls other parts of the window and
// the tests make through it.

LightingPanel* CVarkelinDlg::CreateLightingPanel()
{
    LightingPanel::Window window;
    window.dialog = this;
    window.isOnScreen = [this] { return isVisible() && !isMinimized() && !exiting_; };
    window.showProfileSelected = [this](int profile) { ShowProfileSelected(profile); };
    window.trace = [this](const std::string& line) { Trace(line); };
    return new LightingPanel(std::move(window));
}

int CVarkelinDlg::ViewedProfile() const
{
    return lighting_->ViewedProfile();
}

void CVarkelinDlg::SetViewedProfile(int profile)
{
    lighting_->SetViewedProfile(profile);
}

void CVarkelinDlg::ShowLighting()
{
    lighting_->ShowLighting();
}

void CVarkelinDlg::ReloadAndShowLighting(bool sendKeyColours, bool startUp, bool refillModeList)
{
    lighting_->ReloadAndShowLighting(sendKeyColours, startUp, refillModeList);
}

void CVarkelinDlg::SetLightingView(bool on)
{
    lighting_->SetLightingView(on);
}

bool CVarkelinDlg::IsLightingView() const
{
    return lighting_->IsLightingView();
}

CColourChooser* CVarkelinDlg::ColourChooser() const
{
    return lighting_->ColourChooser();
}

bool CVarkelinDlg::IsPreviewRunning() const
{
    return lighting_->IsPreviewRunning();
}
