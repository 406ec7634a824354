#include "ui/MainWindow.h"
#include "ui/LightingPanel.h"

#include "device/protocol/DeviceState.h"
#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileSwitch.h"
#include "device/protocol/DeviceEvents.h"
#include "lighting/EffectTable.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinStyles.h"

#include <QAbstractButton>
#include <QTimer>

// What the device threads ask of the window: the reload when the keyboard
// is found, taking the focus back when it is lost, and the timers the
// keyboard's notices arm.

void CVarkelinDlg::InitialiseBehaviour()
{
    connect(Button(MainControl::Defaults), &QAbstractButton::clicked, this, &CVarkelinDlg::RestoreDefaults);
    connect(Button(MainControl::Menu), &QAbstractButton::clicked, this, &CVarkelinDlg::ShowButtonMenu);
    // The language list and the colour fields are plain system controls on
    // the skin's dark picture; they take its colours.
    const QString fieldStyle = QStringLiteral(
        "QComboBox, QLineEdit { background: #16181b; color: #eceef1; border: 1px solid #41464e;"
        " border-radius: 5px; padding: 1px 8px; selection-background-color: #ff8200; }"
        "QComboBox:focus, QLineEdit:focus { border-color: #ff8200; }"
        "QComboBox::drop-down { border: none; width: 20px; }"
        "QComboBox QAbstractItemView { background: #16181b; color: #eceef1;"
        " selection-background-color: #ff8200; }");
    for (int id : {MainControl::LanguageList, MainControl::ColourR, MainControl::ColourG, MainControl::ColourB}) {
        if (QWidget* field = Control(id))
            field->setStyleSheet(fieldStyle + DropDownArrowStyle(ImageFolder()) + ToolTipStyle());
    }
    progressTimer_ = new QTimer(this);
    progressTimer_->setObjectName(QStringLiteral("ProgressTimer"));
    connect(progressTimer_, &QTimer::timeout, this, &CVarkelinDlg::StepProgress);
    BuildProfileMenu(true);
    InitialiseDialogs();
}

void CVarkelinDlg::OnReloadFromDevice()
{
    // The monitor waits for this; an Apply under way finishes first, so the
    // document is not rebuilt under its feet.
    WaitForApply();
    ReloadFromDevice(false);
    const int32_t active = GetCurrentProfile();
    ShowProfileSelected(active);
    SetViewedProfile(active >= 0 ? active : 0);
    BuildProfileMenu(false);
    ReloadAndShowLighting(true);
    if (OffersEffect(UserEffectCode))
        ComputeMarks();
}

void CVarkelinDlg::OnDeviceLost()
{
    if (QWidget* effects = Control(MainControl::EffectList))
        effects->setFocus();
    if (QWidget* profile1 = Control(MainControl::Profile1))
        profile1->setFocus();
}

void CVarkelinDlg::OnTimer(int timerId)
{
    // A profile chosen on the keyboard itself comes with a notice.
    if (timerId == TimerReloadLighting)
        FollowKeyboardProfile();
    if (timerId == TimerKeyboardReset) {
        if (IsApplying()) {
            keyboardResetPending_ = true; // done when the Apply ends
            return;
        }
        ResetKeyboardProfiles();
    } else if (timerId == TimerReloadLighting) {
        ReloadAndShowLighting(false);
    }
}

void CVarkelinDlg::ResetKeyboardProfiles()
{
    // The keyboard went back to its factory state. It is the master copy, so
    // the document, the cache file and the buttons are rebuilt from what it
    // now holds, as at a connection: clearing only the document's keys would
    // leave its macros and the old cache file behind, which a later discard
    // reloads. Nothing is left to apply.
    // The reset may have changed the keyboard's active profile: ask again.
    g_currentProfile = -1;
    ReloadFromDevice(false);
    const int32_t active = GetCurrentProfile();
    ShowProfileSelected(active);
    SetViewedProfile(active >= 0 ? active : 0);
    {
        DocumentLock lock;
        RefreshKeyButtons();
    }
    BuildProfileMenu(false);
    // The lighting half: the user mode files of every profile from the
    // preset, then the keyboard's lighting as it now is.
    lighting_->RestoreAllUserModes();
    ReloadAndShowLighting(false, false, false);
    Trace("keyboard-reset");
}
