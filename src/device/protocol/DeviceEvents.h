#pragma once

#include <cstdint>

// What the device threads ask of the main window and the tray icon. The Qt
// side implements it; the default does nothing.
//
// "Sent" calls return only once the window has done the work: the Qt
// implementation marshals them to the user-interface thread and blocks until
// they are handled, so the monitor waits exactly as it must. "Posted" calls
// and the rest must not block for long; they are called from the device
// threads.

// Tray icon ids.
inline constexpr int TrayIconDisconnected = 128;
inline constexpr int TrayIconConnected = 141;
inline constexpr int TrayIconSignalled = 142; // notice 0x1811; never remembered

// One-shot timers (period 0) the notices arm on the main window.
inline constexpr int TimerReloadLighting = 1051; // notice 0x0401
inline constexpr int TimerKeyboardReset = 1053;  // notice 0x0402

// Busy indicator thread messages.
inline constexpr uint32_t BusyShow = 1025;
inline constexpr uint32_t BusyHide = 1026;

class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;
    // Message 0x4753, sent when the keyboard is lost: close every sub-window
    // and take the keyboard focus back.
    virtual void DeviceLost() {}
    // Follows DeviceLost.
    virtual void HideMainWindow() {}
    // Sent when the keyboard is found but its factory key map could not be
    // read (the previous one is kept): tell the owner that restoring default
    // keys may not work until a reconnection. The connection goes on once
    // the owner has read it.
    virtual void DefaultKeyMapUnreadable() {}
    // Message 0x5452 "PROF", sent when the keyboard is found: rebuild the
    // configuration from the keyboard, show its profile and its lighting.
    virtual void ReloadFromKeyboard() {}
    // Message 0x5350 "OPEN", posted: open the main window.
    virtual void OpenMainWindow() {}
    // Posted once the monitor's first look for the keyboard is over (found
    // or not), so that an OPEN held until then can be answered.
    virtual void FirstScanDone() {}
    // Arms a one-shot timer of the main window (TimerReloadLighting,
    // TimerKeyboardReset), whose handler does the work on its own thread.
    virtual void ArmTimer(int /*timerId*/) {}
    virtual void SetTrayIcon(int /*iconId*/) {}
    // true: show the progress picture and start its 50 ms timer 1050;
    // false: stop the timer and hide the picture.
    virtual void ShowBusyPicture(bool /*shown*/) {}
};

// The receiver in use; a do-nothing one unless one was set.
DeviceEvents& Events();
// nullptr restores the default. The caller keeps ownership and keeps it alive
// until the device threads are stopped.
void SetDeviceEvents(DeviceEvents* events);
