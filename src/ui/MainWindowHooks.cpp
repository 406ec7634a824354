#include "ui/MainWindow.h"

#include "app/gui/EventLog.h"

#include <QLabel>

// The behaviour of the keys, profiles, Apply and lighting fills these in;
// until then the window only shows and hides.

void CVarkelinDlg::OnReloadFromDevice()
{
    LogEvent("reload");
}

void CVarkelinDlg::OnDeviceLost()
{
    setFocus();
}

void CVarkelinDlg::OnApply()
{
}

void CVarkelinDlg::OnKeyButton(int controlId)
{
    LogEvent("key-button " + std::to_string(controlId));
}

void CVarkelinDlg::OnProfileButton(int profile)
{
    LogEvent("profile-button " + std::to_string(profile));
}

void CVarkelinDlg::OnPreviewTick()
{
}

void CVarkelinDlg::OnTimer(int timerId)
{
    LogEvent("timer " + std::to_string(timerId));
}

void CVarkelinDlg::ShowBusyPicture(bool shown)
{
    if (QWidget* picture = Control(MainControl::Progress))
        picture->setVisible(shown);
}
