#pragma once

#include "base/MainWindowLink.h"

class CVarkelinDlg;

// The core's view of the main window: its Apply flag and its key buttons.
// User-interface thread only, as every caller of these is.
class QtMainWindowLink final : public MainWindowLink {
public:
    explicit QtMainWindowLink(CVarkelinDlg& window) : window_(window) {}

    bool IsApplyEnabled() override;
    void SetApplyEnabled(bool enabled) override;
    void SetKeyButtonLook(uint16_t controlId, ButtonLook look, bool redrawNow) override;
    void SetKeyButtonPrompt(uint16_t controlId, const std::string& prompt) override;
    void KeyButtonsRefreshed() override;
    bool IsKeyEditorOpen() override;
    bool IsProfileDialogOpen() override;
    bool ProfileDialogHasChanges() override;
    void ShowActiveProfileInDialog(int profile) override;
    void SetProfileButton(const std::string& caption, const std::string& tooltip) override;

private:
    CVarkelinDlg& window_;
};
