#include "ui/QtMainWindowLink.h"

#include "skin/gui/PngButton.h"
#include "ui/MainWindow.h"

bool QtMainWindowLink::IsApplyEnabled()
{
    return window_.IsApplyEnabled();
}

void QtMainWindowLink::SetApplyEnabled(bool enabled)
{
    window_.SetApplyEnabled(enabled);
}

void QtMainWindowLink::SetKeyButtonLook(uint16_t controlId, ButtonLook look, bool redrawNow)
{
    if (CPngButton* button = window_.Button(controlId))
        button->SetMark(look == ButtonLook::Assigned, redrawNow);
}

void QtMainWindowLink::SetKeyButtonPrompt(uint16_t controlId, const std::string& prompt)
{
    if (CPngButton* button = window_.Button(controlId))
        button->SetTooltip(QString::fromStdString(prompt), true);
}

void QtMainWindowLink::KeyButtonsRefreshed()
{
    window_.OnKeyButtonsRefreshed();
}

void QtMainWindowLink::SetProfileButton(const std::string& caption, const std::string& tooltip)
{
    window_.SetProfileButton(QString::fromStdString(caption), QString::fromStdString(tooltip));
}

bool QtMainWindowLink::IsKeyEditorOpen()
{
    return window_.IsKeyEditorOpen();
}

bool QtMainWindowLink::IsProfileDialogOpen()
{
    return window_.IsProfileDialogOpen();
}

bool QtMainWindowLink::ProfileDialogHasChanges()
{
    return window_.ProfileDialogHasChanges();
}

void QtMainWindowLink::ShowActiveProfileInDialog(int profile)
{
    window_.ShowActiveProfileInDialog(profile);
}
