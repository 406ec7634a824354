#pragma once

// The lighting panel of the main window: its control ids, the groups that
// show and hide together, and the part that keeps its pictures and runs the
// effect preview on the key buttons.

#include "lighting/EffectPreview.h"

#include <QObject>
#include <QPixmap>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class CBitmapSlider;
class CColourChooser;
class CPngButton;
class CSkinColorBtn;
class QComboBox;
class QLabel;
class QTimer;
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

// The panel's pictures and the effect preview. The preview ticks only while
// the window says it is wanted (the lighting view is on and the window is on
// screen), so a window in the notification area wakes nobody.
class LightingPanel : public QObject {
public:
    explicit LightingPanel(QObject* parent = nullptr);

    // Loads every picture of the panel from the skin, once.
    void LoadPictures(SkinImageCache& images);
    // A null picture when the skin lacks it (the control shows nothing).
    QPixmap Picture(const QString& name) const;

    // The buttons of the preview's keys, in its order, and what clears their
    // colours when the preview stops painting them.
    void SetPreviewKeys(const std::array<CPngButton*, PreviewKeyCount>& keys, std::function<void()> clearOverlays);
    void SetPreviewWanted(bool wanted);
    bool IsPreviewRunning() const;
    void StopPreview();
    // One step of the preview from the lighting state, painted on the keys.
    void PreviewTick();
    // The key buttons show something else than the preview now: its next
    // frame paints them whole.
    void ForgetShownFrame() { shownFrame_.paint = PreviewPaint::Keep; }

    CColourChooser* chooser = nullptr;
    // The list is being filled by the program, not chosen by the user.
    bool fillingLists = false;

private:
    std::vector<std::pair<QString, QPixmap>> pictures_;
    QTimer* previewTimer_ = nullptr;
    // The effect preview's memory, and the frame the key buttons show (its
    // paint is Keep when they show something else).
    PreviewState preview_;
    PreviewFrame shownFrame_;
    std::array<CPngButton*, PreviewKeyCount> previewKeys_{};
    std::function<void()> clearOverlays_;
};
