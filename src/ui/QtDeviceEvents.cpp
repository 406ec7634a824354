#include "ui/QtDeviceEvents.h"

#include "base/UserPrompts.h"
#include "text/LanguageTexts.h"
#include "ui/ShellMessages.h"
#include "ui/UiDispatcher.h"
#include "ui/MainWindow.h"

#include <QTimer>

QtDeviceEvents::QtDeviceEvents(UiDispatcher& dispatcher, CVarkelinDlg& window)
    : dispatcher_(dispatcher), window_(window)
{
}

void QtDeviceEvents::DeviceLost()
{
    dispatcher_.Send([this] { window_.HandleMessage(MsgDeviceLost, 0); });
}

void QtDeviceEvents::HideMainWindow()
{
    dispatcher_.Send([this] { window_.HideMainWindow(); });
}

void QtDeviceEvents::DefaultKeyMapUnreadable()
{
    // The prompts carry the box to the window's thread and wait for the owner.
    Prompts().ShowMessage(LoadText("MAIN_DEFAULT_MATRIX_PROMPT"), MessageStyle::Normal);
}

void QtDeviceEvents::ReloadFromKeyboard()
{
    dispatcher_.Send([this] { window_.HandleMessage(MsgReload, TagReload); });
}

void QtDeviceEvents::OpenMainWindow()
{
    dispatcher_.Post([this] { window_.HandleMessage(MsgOpen, TagOpen); });
}

void QtDeviceEvents::FirstScanDone()
{
    dispatcher_.Post([this] { window_.OnFirstScanDone(); });
}

void QtDeviceEvents::ArmTimer(int timerId)
{
    // A one-shot timer of period 0: its handler runs on the window's thread
    // once the events already queued there are done.
    dispatcher_.Post([this, timerId] {
        QTimer::singleShot(0, &window_, [this, timerId] { window_.OnTimer(timerId); });
    });
}

void QtDeviceEvents::SetTrayIcon(int iconId)
{
    dispatcher_.Send([this, iconId] { window_.SetTrayIcon(iconId); });
}

void QtDeviceEvents::ShowBusyPicture(bool shown)
{
    dispatcher_.Post([this, shown] { window_.ShowBusyPicture(shown); });
}
