#include "ui/LightingPanel.h"

#include "base/UserPrompts.h"
#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileSwitch.h"
#include "lighting/UserModePreset.h"
#include "lighting/EffectTable.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingHandlers.h"
#include "lighting/LightingState.h"
#include "text/LanguageTexts.h"
#include "skin/gui/BitmapSlider.h"
#include "skin/gui/SkinColorBtn.h"

#include <QComboBox>

// The handlers of the panel's controls: the effect list, sliders, direction,
// colours, multicolour, the four colour pictures, the report rate and the
// lighting view switch. Each writes the keyboard through the core
// (LightingHandlers.h) and then shows the new state.

namespace {

using namespace LightingControl;

Colour FromQColor(const QColor& c)
{
    return MakeColour(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

} // namespace

void LightingPanel::OnEffectChosen(int listIndex)
{
    if (fillingLists_ || listIndex < 0 || listIndex >= static_cast<int>(g_lighting.effectList.size()))
        return;
    const int code = g_lighting.effectList[static_cast<size_t>(listIndex)].code;
    if (auto* list = static_cast<QComboBox*>(Control(EffectList)); list && list->currentIndex() != listIndex) {
        fillingLists_ = true;
        list->setCurrentIndex(listIndex);
        fillingLists_ = false;
    }
    ClearKeyOverlays();
    PlaceDirectionGroup(code);
    ShowDirectionPictures(code);
    SelectEffect(listIndex);
    ShowEffectGroups(code);
    if (code == UserEffectCode)
        ShowKeyColours();
}

void LightingPanel::OnSlider(int controlId, int position)
{
    auto* slider = static_cast<CBitmapSlider*>(Control(controlId));
    if (!slider || position < 0 || position > MaxLevel)
        return;
    if (controlId == BrightnessSlider) {
        slider->SetTrackPicture(Picture(QStringLiteral("%1.bmp").arg(position)));
        SetBrightness(position);
    } else if (controlId == SpeedSlider) {
        slider->SetTrackPicture(Picture(QStringLiteral("%1.bmp").arg(6 + position)));
        SetSpeedPosition(position);
    }
}

void LightingPanel::OnDirection(uint8_t value)
{
    SetDirection(value);
    ShowDirectionPictures(g_lighting.effectCode);
}

void LightingPanel::OnColourButton(int controlId, const QColor& colour)
{
    const Colour value = FromQColor(colour);
    switch (controlId) {
    case HxColour:
    case FyColour:
        SetEffectColour(value);
        ShowMulticolourSwitches();
        for (int id : {HxColour, FyColour})
            static_cast<CSkinColorBtn*>(Control(id))->SetColour(colour);
        break;
    case UserColour:
        SetPaintColour(value);
        ShowUserTools();
        break;
    case UserBase: {
        // The tools and the keys show what the keyboard holds, taken or not.
        const int32_t result = ApplyBaseColour(value);
        ShowUserTools();
        if (g_lighting.lightingView && UserEffectChosen())
            ShowKeyColours();
        if (result == KeyColoursNotSaved)
            Prompts().ShowMessage(FormatText(LoadText("MAIN_USER_MODE_NOT_SAVED"), UserModeFilePath(ViewedProfile())),
                                  MessageStyle::Normal);
        else if (result < 0 || (result == 0 && value != g_userModes.tools.baseColour))
            Prompts().ShowMessage(LoadText("MAIN_BASE_COLOUR_NOT_TAKEN"), MessageStyle::Topmost);
        break;
    }
    default:
        break;
    }
}

void LightingPanel::OnMulticolourSwitch()
{
    ToggleMulticolour();
    ShowMulticolourSwitches();
}

void LightingPanel::OnColourChoice(int choice)
{
    SetColourChoice(choice);
    ShowColourChoice();
}

void LightingPanel::OnReportRate(int rate)
{
    SetReportRate(rate);
    ShowReportRate();
}

void LightingPanel::SetLightingView(bool on)
{
    if (on) {
        g_lighting.lightingView = true;
        // The key buttons are about to show the keyboard's lighting, so the
        // window first settles which profile it shows (and unapplied key
        // changes), as a profile switch does.
        if (SelectProfile(GetCurrentProfile()) == 0) {
            // Refused: the view stays as it was.
            g_lighting.lightingView = false;
            return;
        }
        WriteLightingViewSetting(true);
        SetPicture(ViewSwitch, QStringLiteral("dengdown.bmp"));
        ClearKeyOverlays();
        ShowEffectGroups(g_lighting.effectCode);
        if (g_lighting.effectCode == UserEffectCode)
            ShowKeyColours();
    } else {
        g_lighting.lightingView = false;
        WriteLightingViewSetting(false);
        SetPicture(ViewSwitch, QStringLiteral("dengup.bmp"));
        ClearKeyOverlays();
        {
            DocumentLock lock;
            RefreshKeyButtons();
        }
        HideLightingGroups();
    }
    UpdatePreviewTimer();
    window_.trace(on ? "lighting-view on" : "lighting-view off");
}
