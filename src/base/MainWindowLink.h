#pragma once

#include <cstdint>
#include <map>
#include <string>

// What the core needs of the main window: its "changed" flag (the Apply
// button's enabled state), the looks and prompts of its key buttons, and
// which of its sub-windows are open. The Qt main window implements it; the
// headless one below keeps the same state in memory for tests and tools.

enum class ButtonLook {
    Default,  // the key does its own function
    Assigned, // the key carries an assignment
};

class MainWindowLink {
public:
    virtual ~MainWindowLink() = default;

    virtual bool IsApplyEnabled() = 0;
    virtual void SetApplyEnabled(bool enabled) = 0;

    // Key buttons and G buttons, addressed by control id (ButtonKeyTable,
    // MacroKeyButtons). redrawNow asks for an immediate repaint.
    virtual void SetKeyButtonLook(uint16_t controlId, ButtonLook look, bool redrawNow) = 0;
    virtual void SetKeyButtonPrompt(uint16_t controlId, const std::string& prompt) = 0;
    // Called once after a whole-keyboard refresh so the window repaints.
    virtual void KeyButtonsRefreshed() = 0;

    virtual bool IsKeyEditorOpen() = 0;
    virtual bool IsProfileDialogOpen() = 0;

    // The profile manager dialog while it is open: whether it holds changes
    // not yet applied (its Apply is enabled), and showing a profile as the
    // active one (its row ticked, its Apply disabled).
    virtual bool ProfileDialogHasChanges() { return false; }
    virtual void ShowActiveProfileInDialog(int /*profile*/) {}
    // The profile button's caption and tooltip.
    virtual void SetProfileButton(const std::string& /*caption*/, const std::string& /*tooltip*/) {}
};

// Keeps the window's state in memory; what every caller sees when no real
// window is attached.
class HeadlessMainWindow : public MainWindowLink {
public:
    bool IsApplyEnabled() override { return applyEnabled; }
    void SetApplyEnabled(bool enabled) override { applyEnabled = enabled; }
    void SetKeyButtonLook(uint16_t controlId, ButtonLook look, bool) override { looks[controlId] = look; }
    void SetKeyButtonPrompt(uint16_t controlId, const std::string& prompt) override { prompts[controlId] = prompt; }
    void KeyButtonsRefreshed() override { ++refreshCount; }
    bool IsKeyEditorOpen() override { return keyEditorOpen; }
    bool IsProfileDialogOpen() override { return profileDialogOpen; }
    bool ProfileDialogHasChanges() override { return profileDialogChanged; }
    void ShowActiveProfileInDialog(int profile) override
    {
        dialogTickedRow = profile;
        profileDialogChanged = false;
    }
    void SetProfileButton(const std::string& caption, const std::string& tooltip) override
    {
        profileButtonCaption = caption;
        profileButtonTooltip = tooltip;
    }

    bool applyEnabled = false;
    bool keyEditorOpen = false;
    bool profileDialogOpen = false;
    bool profileDialogChanged = false;
    int dialogTickedRow = -1;
    std::string profileButtonCaption;
    std::string profileButtonTooltip;
    int refreshCount = 0;
    std::map<uint16_t, ButtonLook> looks;
    std::map<uint16_t, std::string> prompts;
};

MainWindowLink& MainWindow();
// nullptr restores the built-in headless window. The caller keeps ownership.
void SetMainWindowLink(MainWindowLink* window);
