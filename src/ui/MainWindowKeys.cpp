#include "ui/MainWindow.h"
#include "ui/LightingPanel.h"

#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"
#include "actions/ProfileSwitch.h"

// Key buttons: their looks and prompts come from the core (KeyAssignment.h)
// through the window's link; the window redraws and re-applies the flip
// setting after every whole-keyboard refresh.

void CVarkelinDlg::OnKeyButton(int controlId)
{
    Trace("key-button " + std::to_string(controlId));
    // In the lighting view a press paints the key's colour (only while the
    // per-key colour effect is chosen); otherwise it opens the key function
    // editor for the key.
    if (IsLightingView()) {
        lighting_->PaintKeyButton(controlId);
        return;
    }
    EditKey(controlId);
}

void CVarkelinDlg::OnKeyButtonsRefreshed()
{
    // Some refreshes enable buttons that the flip setting keeps disabled
    // (F1 to F4 or D1 to D6).
    ApplyFlip();
    update();
}

void CVarkelinDlg::ApplyBehaviourTexts(int)
{
    // The prompts are built from texts too (key names, "KEY_PROMPT_...").
    WaitForApply();
    {
        DocumentLock lock;
        if (g_configDoc.block)
            RefreshKeyDescriptions();
    }
    BuildProfileMenu(false);
}
