#pragma once

#include "device/protocol/DeviceEvents.h"

class CVarkelinDlg;
class UiDispatcher;

// The device threads' messages, carried to the main window's thread: the
// lost and reload messages, the hide and the tray picture are sent (the
// device thread waits until the window has handled them), and so is the
// owner's message about an unreadable factory map; the window-opening
// message, the end of the first scan, the notice timers and the busy picture
// are posted.
class QtDeviceEvents final : public DeviceEvents {
public:
    QtDeviceEvents(UiDispatcher& dispatcher, CVarkelinDlg& window);

    void DeviceLost() override;
    void HideMainWindow() override;
    void DefaultKeyMapUnreadable() override;
    void ReloadFromKeyboard() override;
    void OpenMainWindow() override;
    void FirstScanDone() override;
    void ArmTimer(int timerId) override;
    void SetTrayIcon(int iconId) override;
    void ShowBusyPicture(bool shown) override;

private:
    UiDispatcher& dispatcher_;
    CVarkelinDlg& window_;
};
