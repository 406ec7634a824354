#pragma once

#include "ui/AboutDialog.h"
#include "ui/WindowTray.h"
#include "device/protocol/DeviceEvents.h"
#include "skin/gui/BaseDialog.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class CColourChooser;
class CPngButton;
class AutoProfileController;
class ApplyRunner;
class AutoProfileDialog;
class AutoProfileBridge;
class CTrayIcon;
class LightingPanel;
class CVarkelin_DlgProfile;
class CVarkelin_DlgUpdate;
class DialogHost;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class VirtualKeyboard;
class Varkelin_DlgComposite;

// Control ids of the main window that the shell itself uses.
namespace MainControl {
inline constexpr int Ok = 1, Cancel = 2;
inline constexpr int Profiles = 1005, Apply = 1006, Macro = 1007;
inline constexpr int Link = 1121, Help = 1122, Minimize = 1123, Close = 1124;
inline constexpr int LockCaps = 1125, LockNum = 1126, LockScroll = 1127, LockAB = 1128;
inline constexpr int Flip0 = 1129, Flip1 = 1130, Flip2 = 1131, LeftArrow = 1132, RightArrow = 1133;
inline constexpr int Version = 1134, Profile1 = 1135, Profile2 = 1136, Profile3 = 1137;
inline constexpr int Defaults = 1138, Menu = 1139, EffectList = 1146;
inline constexpr int Report1 = 1147, Report2 = 1168, Report3 = 1169, Report4 = 1170;
inline constexpr int Fn = 1174, Progress = 1177, LanguageList = 1202, RgbLabel = 1207;
inline constexpr int ColourR = 1208, ColourG = 1209, ColourB = 1210;
inline constexpr int Network = 1219, Facebook = 1220, Twitter = 1221;
inline constexpr int FirstD = 1016; // D1..D6 are 1016..1021
} // namespace MainControl

// The main window: the keyboard picture with one button per key and the
// controls around it, all placed and faced from Skins/Main.ini. It lives
// hidden in the notification area; messages from the device threads and
// from other instances arrive through HandleMessage on its own thread.
//
// It wires parts with small interfaces: ApplyRunner (the Apply's worker),
// LightingPanel (the lighting controls, the per-key colours and the effect
// preview), WindowTray, the AutoProfileBridge and the DialogHost (profile
// manager, update window); each reaches the window through callbacks the
// window's Create* gives it (MainWindowLighting.cpp for the panel).
// Its own work: MainWindowControls.cpp creates and places the controls,
// MainWindowShell.cpp shows, hides, exits and takes messages, the tray's
// commands in MainWindowTray.cpp, texts in MainWindowLanguage.cpp, keys,
// profiles, Apply and device messages in MainWindowKeys/Profiles/Apply/
// Reload.cpp.
class CVarkelinDlg : public CBaseDialog {
    Q_OBJECT
public:
    struct Options {
        // The --virtual-keyboard mode: caption, tip and tray menu say so and
        // the menu can unplug and plug it and make it send its notices.
        VirtualKeyboard* virtualKeyboard = nullptr;
        // Its state file: rt604ctl names the keyboard it changed by it.
        std::string virtualStateFile;
    };

    explicit CVarkelinDlg(const Options& options, QWidget* parent = nullptr);
    ~CVarkelinDlg() override;

    // The initialisation steps after construction, in their order; the
    // device threads are started by startDeviceThreads where they belong
    // (after the window is known, before the document exists).
    void Initialise(const std::function<void()>& startDeviceThreads);

    // One entry for every private message; returns 1 when acted on, 0 when
    // the tag did not match or the message is unknown. User-interface thread.
    int32_t HandleMessage(uint32_t message, uint32_t tag, uint32_t param = 0);

    void OpenMainWindow();
    // The device monitor's first scan is over: an OPEN held for it is
    // answered now (MainWindowShell.cpp).
    void OnFirstScanDone();
    void HideMainWindow();
    void MinimiseMainWindow();
    void ExitProgram();
    void ShowAbout();
    void OpenHelp();
    // Closes the About box, the profile manager and the key function editor
    // as if each had been cancelled.
    void CloseSubWindows();
    void OnTrayCommand(int command);

    // Shows the tray picture (TrayIconDisconnected, TrayIconConnected,
    // TrayIconSignalled); nothing when that id is already shown.
    void SetTrayIcon(int iconId);
    int TrayIconId() const;
    CTrayIcon* Tray() const;

    // The colour-view faces of the key buttons (0: main_color0.jpg,
    // 1: main_color1.jpg), decoded on first use.
    QPixmap ColourFace(int index);
    bool IsApplyEnabled() const;
    void SetApplyEnabled(bool enabled);
    void ApplyLanguage(int languageIndex);
    // The caption with the virtual keyboard's suffix when there is one.
    QString CaptionText() const;
    QString TrayTipText() const;
    bool IsVirtual() const { return options_.virtualKeyboard != nullptr; }
    // Called when the window has ended (Exit, Close, KILL).
    void SetExitHandler(std::function<void()> handler) { exitHandler_ = std::move(handler); }
    bool IsExiting() const { return exiting_; }
    AboutDialog* About() const { return about_; }
    QMessageBox* NoDevicePrompt() const { return noDevicePrompt_; }
    int FlipSetting() const;

    // The behaviour of the controls and of the device messages.
    void OnReloadFromDevice();
    void OnDeviceLost();
    void OnApply();
    void OnKeyButton(int controlId);
    // The key function editor (MainWindowEditor.cpp): opens it for a key
    // button or G button, closes it like Cancel, tells whether it is open.
    // openerId: the button clicked, when another than the key's (the macro
    // button opens G9's editor); it looks pressed while the editor is open.
    void EditKey(int controlId, int openerId = 0);
    void CloseKeyEditor();
    bool IsKeyEditorOpen() const;
    Varkelin_DlgComposite* KeyEditor();
    void OnProfileButton(int profile);
    void OnTimer(int timerId);
    void ShowBusyPicture(bool shown);

    // Reports what the shell did: to the event log (RT604_EVENT_LOG) and
    // as the traced signal.
    void Trace(const std::string& line);

signals:
    void traced(const QString& line);

public:

    // The behaviour of the keys, profiles, Apply and the button menu
    // (MainWindowKeys.cpp, MainWindowProfiles.cpp, MainWindowApply.cpp,
    // MainWindowImportExport.cpp, MainWindowReload.cpp).
    void InitialiseBehaviour();
    // The profile whose lighting the window shows and edits (0..2).
    int ViewedProfile() const;
    // Apply with the busy indicator; the window keeps painting meanwhile.
    // 1 when nothing was pending or everything was written.
    int32_t RunApply();
    // Returns once a running Apply has ended (at once when none runs).
    void WaitForApply();
    bool IsApplying() const;
    void RestoreDefaults();
    void ShowButtonMenu();
    void OnMenuCommand(int command);
    QMenu* ButtonMenu() const { return buttonMenu_; }
    void SetProfileButton(const QString& caption, const QString& tooltip);
    void OnKeyButtonsRefreshed();

    // Profiles from the tray and automatic profiles (MainWindowAutoProfile.cpp).
    void StartAutoProfiles();
    // Nothing switches any more and the dialog closes (program exit).
    void StopAutoProfiles();
    AutoProfileController* AutoProfiles() const;
    void OpenAutoProfileDialog();
    AutoProfileDialog* AutoProfileWindow() const;
    // A tray profile entry: SelectProfile as the profile buttons run it,
    // with the window opened first when it has a question to ask.
    void OnTrayProfile(int profile);
    // The owner is busy with the configuration (an editor, the profile
    // manager, an Apply or one of our modal windows): nothing switches.
    bool IsAutoProfileBlocked();
    // Asks the keyboard for its active profile and shows it when it changed
    // (a profile chosen on the keyboard or by rt604ctl); the profile, or -1.
    int32_t FollowKeyboardProfile();
    int32_t SwitchProfileAutomatically(int32_t profile);
    // Something a waiting automatic switch waits for may have ended.
    void ResumeAutoProfile();
    void ShowAutoProfileWait();
    QString AutoProfileTipNote() const;
    void OnActiveProfileShown();
    void UpdateTrayProfileMarks();
    void ApplyAutoProfileTexts();
    void ApplyBehaviourTexts(int languageIndex);
    int ProgressFrame() const { return progressFrame_; }

    // The lighting panel, its controls' handlers and state
    // (LightingPanel.h); the window's callers reach it through these.
    LightingPanel* Lighting() const { return lighting_; }
    void ShowLighting();
    // See LightingPanel::ReloadAndShowLighting.
    void ReloadAndShowLighting(bool sendKeyColours, bool startUp = false, bool refillModeList = true);
    void SetLightingView(bool on);
    bool IsLightingView() const;
    CColourChooser* ColourChooser() const;
    // Whether the preview timer runs (the lighting view is on and the window
    // shown).
    bool IsPreviewRunning() const;
    void SetViewedProfile(int profile);
    // The profile manager (button 1005) and the firmware update window
    // (command 32780), created on first use (MainWindowDialogs.cpp).
    void OpenProfileManager();
    void OpenFirmwareUpdate();
    CVarkelin_DlgProfile* ProfileDialog() const;
    CVarkelin_DlgUpdate* UpdateDialog() const;
    bool IsProfileDialogOpen() const;
    bool ProfileDialogHasChanges() const;
    void ShowActiveProfileInDialog(int profile);

    // Another program changed the keyboard (MainWindowFollow.cpp): the
    // message from rt604ctl, then the re-reading of the parts it names,
    // held while an editor, the profile manager, an Apply or a question is
    // open. Unapplied key changes are kept; the note says the keyboard
    // changed underneath and Apply asks before it writes over it.
    int32_t OnKeyboardChanged(uint32_t param);
    void FollowOutsideChanges();
    bool IsOutsideChangeNoted() const { return outsideChangeUnder_; }
    QLabel* OutsideChangeNote() const { return outsideNote_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

public slots:
    void accept() override;
    void reject() override;

private:
    // MainWindowControls.cpp
    void LoadFaceImages();
    void EnsureFacePictures();
    QPixmap LoadFacePicture(const QString& name);
    void CreateControls();
    CPngButton* AddFacedButton(int id, const std::string& skinKey, const QString& text);
    void StyleCaptions();
    void ConnectControls();
    void ApplyFlip();
    void ToggleFlip();
    void PlaceArrows();
    void OpenAddress(const QString& address);
    // MainWindowLighting.cpp
    LightingPanel* CreateLightingPanel();
    // MainWindowDialogs.cpp
    DialogHost* CreateDialogHost();
    void InitialiseDialogs();
    void OnProfilesApplied();
    // MainWindowKeyboard.cpp
    void ArrangeTabOrder();
    void MarkPendingControls();
    bool PressFocusedButton();
    // MainWindowTray.cpp
    WindowTray* CreateWindowTray();
    // MainWindowFollow.cpp
    void QueueOutsideFollow(int delayMs);
    void ShowOutsideChangeNote(bool shown);
    bool MayWriteOverOutsideChange();

    Options options_;
    QPixmap faceNormal_, faceOver_, faceDown_, faceDisabled_;
    QPixmap faceNormal2_, faceOver2_, faceDown2_, faceDisabled2_;
    bool stateFaceSourcesSet_ = false;
    QPixmap arrowImage_, colour0_, colour1_;
    WindowTray* tray_ = nullptr; // a child of the window
    QPointer<AboutDialog> about_;
    QPointer<QMessageBox> noDevicePrompt_;
    DialogHost* dialogs_ = nullptr; // a child of the window
    QPointer<Varkelin_DlgComposite> keyEditor_;
    int editorOpener_ = 0;
    bool applyEnabled_ = false;
    bool exiting_ = false;
    bool openAfterFirstScan_ = false;
    std::function<void()> exitHandler_;

    // The behaviour's state.
    void ShowProfileSelected(int profile);
    void StepProgress();
    void ResetKeyboardProfiles();
    QMenu* buttonMenu_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    int progressFrame_ = 0;
    // What ends with every Apply: a keyboard reset that waited for it, and
    // the automatic switch.
    void OnApplyFinished();
    ApplyRunner* applyRunner_ = nullptr; // a child of the window
    AutoProfileBridge* CreateAutoProfileBridge();
    AutoProfileBridge* autoProfiles_ = nullptr; // a child of the window
    bool keyboardResetPending_ = false;
    LightingPanel* lighting_ = nullptr; // a child of the window
    // Parts another program changed that are still to be read again.
    uint32_t outsidePending_ = 0;
    bool outsideFollowQueued_ = false;
    bool outsideChangeUnder_ = false;
    QLabel* outsideNote_ = nullptr; // a child of the window
};
