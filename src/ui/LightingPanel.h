#pragma once

// The lighting panel of the main window: its control ids, the groups that
// show and hide together, and the part that owns the panel's controls.

#include "lighting/EffectPreview.h"

#include <QObject>
#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class CBaseDialog;
class CColourChooser;
class CPngButton;
class QColor;
class QTimer;
class QWidget;
class SkinImageCache;

namespace LightingControl {
inline constexpr int EffectList = 1146, DirectionLabel = 1148, DirectionLeft = 1149, DirectionRight = 1150;
inline constexpr int FyLabel = 1151, FyColour = 1152, HxLabel = 1154, HxColour = 1155, HxSwitch = 1156;
inline constexpr int UserColourLabel = 1159, UserColour = 1160, UserBaseLabel = 1161, UserBase = 1162;
inline constexpr int UserToolLabel = 1163, UserTool1 = 1164, UserTool2 = 1165;
inline constexpr int SpeedLabel = 1166, ViewSwitch = 1167, EffectLabel = 1171, BrightnessLabel = 1172;
inline constexpr int HxSwitchLabel = 1173, FySwitch = 1175, FySwitchLabel = 1176;
inline constexpr int BrightnessSlider = 1178, SpeedSlider = 1179;
inline constexpr int Red = 1194, Yellow = 1195, Green = 1196, Blue = 1197;
inline constexpr int UserModeList = 1198, ReportLabel = 1204;
inline constexpr std::array<int, 4> ReportButtons = {1147, 1168, 1169, 1170};
inline constexpr std::array<int, 4> ColourPictures = {Red, Yellow, Green, Blue};
} // namespace LightingControl

// The control groups of the panel that show and hide together.
struct LightingGroups {
    std::vector<int> brightness{LightingControl::BrightnessLabel, LightingControl::BrightnessSlider};
    std::vector<int> speed{LightingControl::SpeedLabel, LightingControl::SpeedSlider};
    std::vector<int> direction{LightingControl::DirectionLabel, LightingControl::DirectionLeft,
                               LightingControl::DirectionRight};
    std::vector<int> hx{LightingControl::HxLabel, LightingControl::HxColour, LightingControl::HxSwitchLabel,
                        LightingControl::HxSwitch};
    std::vector<int> fy{LightingControl::FyLabel, LightingControl::FyColour, LightingControl::FySwitchLabel,
                        LightingControl::FySwitch};
    std::vector<int> fourColours{LightingControl::Red, LightingControl::Yellow, LightingControl::Green,
                                 LightingControl::Blue};
    std::vector<int> user{LightingControl::UserColourLabel, LightingControl::UserColour,
                          LightingControl::UserBaseLabel,   LightingControl::UserBase,
                          LightingControl::UserToolLabel,   LightingControl::UserTool1,
                          LightingControl::UserTool2,       LightingControl::UserModeList};
};

// The main window's lighting panel: it makes its controls on the window from
// the skin, shows the keyboard's lighting on them, writes each change of the
// owner's through the core (LightingHandlers.h), paints the per-key colours
// and the effect preview on the window's key buttons, and keeps the profile
// whose lighting is shown. The window's controls are found by id through the
// dialog it is given; everything else it needs of the window goes through
// Window.
//
// LightingPanel.cpp keeps the pictures and runs the preview, which ticks only
// while the lighting view is on and the window on screen, so a window in the
// notification area wakes nobody. LightingPanelControls.cpp makes the
// controls and their texts, LightingPanelShow.cpp shows the state,
// LightingPanelHandlers.cpp handles the controls, LightingPanelKeyColours.cpp
// the per-key colours, user modes and the reloads.
class LightingPanel : public QObject {
public:
    // What the panel needs of the window.
    struct Window {
        // The window: the panel's controls are its children, placed from its
        // layout and kept under its ids beside the key buttons.
        CBaseDialog* dialog = nullptr;
        // Shown, not minimised and not ending: the preview may tick.
        std::function<bool()> isOnScreen;
        // The profile buttons mark this profile as the one the keyboard runs.
        std::function<void(int)> showProfileSelected;
        std::function<void(const std::string&)> trace;
    };

    explicit LightingPanel(Window window);

    // Makes the panel's controls once the window's key buttons exist.
    void CreateControls();
    void ApplyTexts(int languageIndex);
    CColourChooser* ColourChooser() const { return chooser_; }

    // The profile whose lighting the panel shows and edits (0..2).
    int ViewedProfile() const { return viewedProfile_; }
    void SetViewedProfile(int profile);
    void ShowLighting();
    // ReloadLighting, the viewed profile's user modes (sent to the keyboard
    // or only loaded, the mode list refilled unless told to keep it) and
    // ShowLighting.
    void ReloadAndShowLighting(bool sendKeyColours, bool startUp = false, bool refillModeList = true);
    void RestoreLightingDefaultsInView();
    // The keyboard went back to its factory state: so do the user mode files
    // of its profiles.
    void RestoreAllUserModes();

    // The handlers of the controls.
    void OnEffectChosen(int listIndex);
    // The slider message 0x28D1: control id and position.
    void OnSlider(int controlId, int position);
    void OnDirection(uint8_t value);
    void OnColourButton(int controlId, const QColor& colour);
    void OnMulticolourSwitch();
    void OnColourChoice(int choice);
    void OnReportRate(int rate);
    void OnTool(int tool);
    void OnUserModeChosen(int mode);
    void OnUserModeRenamed(const QString& text);
    void SetLightingView(bool on);
    bool IsLightingView() const;
    // A key button pressed in the lighting view takes the paint colour.
    void PaintKeyButton(int controlId);

    // The window was shown, hidden, minimised or is ending: the preview runs
    // or stops with it.
    void UpdatePreviewTimer();
    bool IsPreviewRunning() const;
    void StopPreview();
    // One step of the preview from the lighting state, painted on the keys.
    void PreviewTick();

private:
    QWidget* Control(int id) const;
    CPngButton* Button(int id) const;

    // LightingPanel.cpp
    // Loads every picture of the panel from the skin, once.
    void LoadPictures(SkinImageCache& images);
    // A null picture when the skin lacks it (the control shows nothing).
    QPixmap Picture(const QString& name) const;
    // The key buttons show something else than the preview now: its next
    // frame paints them whole.
    void ForgetShownFrame() { shownFrame_.paint = PreviewPaint::Keep; }

    // LightingPanelShow.cpp
    void SetPicture(int id, const QString& name);
    void ShowEffectGroups(int code);
    void HideLightingGroups();
    void PlaceDirectionGroup(int code);
    void ShowDirectionPictures(int code);
    void ShowMulticolourSwitches();
    void ShowColourChoice();
    void ShowReportRate();
    void ShowSliders();

    // LightingPanelKeyColours.cpp
    void ShowUserTools();
    void FillUserModeList(int count);
    void ClearKeyOverlays();
    void ShowKeyColours();
    void SetKeyOverlay(int controlId, const QColor& colour, bool on);

    Window window_;
    int viewedProfile_ = 0;
    CColourChooser* chooser_ = nullptr;
    // The list is being filled by the program, not chosen by the user.
    bool fillingLists_ = false;
    std::vector<std::pair<QString, QPixmap>> pictures_;
    QTimer* previewTimer_ = nullptr;
    // The effect preview's memory, and the frame the key buttons show (its
    // paint is Keep when they show something else).
    PreviewState preview_;
    PreviewFrame shownFrame_;
    std::array<CPngButton*, PreviewKeyCount> previewKeys_{};
};
