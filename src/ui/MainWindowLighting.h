#pragma once

// The lighting panel's controls and ids, shared by the files that make up
// the main window's lighting behaviour (MainWindowLighting*.cpp). Only those
// files include it.

#include "lighting/EffectPreview.h"

#include <QPixmap>
#include <QString>

#include <array>
#include <vector>

class CBitmapSlider;
class CColourChooser;
class CPngButton;
class CSkinColorBtn;
class QComboBox;
class QLabel;

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

// What the window keeps for its lighting panel.
struct LightingPanel {
    CColourChooser* chooser = nullptr;
    // The pictures of the panel by file name, loaded once at start-up; a
    // missing one is a null picture (the control shows nothing).
    std::vector<std::pair<QString, QPixmap>> pictures;
    // The list is being filled by the program, not chosen by the user.
    bool fillingLists = false;
    // The effect preview's memory, and the frame the key buttons show (its
    // paint is Keep when they show something else).
    PreviewState preview;
    PreviewFrame shownFrame;
    // The buttons of the preview's keys, in its order.
    std::array<CPngButton*, PreviewKeyCount> previewKeys{};
    uint64_t previewTicks = 0;
};
