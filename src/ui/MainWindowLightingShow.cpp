#include "ui/MainWindow.h"
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
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinPlacement.h"
#include "skin/gui/BitmapSlider.h"
#include "skin/gui/SkinColorBtn.h"

#include <QComboBox>

// Showing the lighting state on the panel and the handlers of its controls:
// the effect list, sliders, direction, colours, multicolour, the four colour
// pictures, the report rate and the lighting view switch. Each handler
// writes the keyboard through the core (LightingHandlers.h) and then shows
// the new state.

namespace {

using namespace LightingControl;

struct DirectionFiles {
    const char* leftNormal;
    const char* leftPressed;
    const char* rightNormal;
    const char* rightPressed;
};

DirectionFiles FilesOf(DirectionPictures set)
{
    switch (set) {
    case DirectionPictures::UpDown: return {"upup.bmp", "updown.bmp", "downup.bmp", "downdown.bmp"};
    case DirectionPictures::SpreadConverge:
        return {"kuosan.bmp", "kuosandown.bmp", "julong.bmp", "julongdown.bmp"};
    case DirectionPictures::LeftRight: break;
    }
    return {"leftup.bmp", "leftdown.bmp", "rightup.bmp", "rightdown.bmp"};
}

constexpr const char* ColourPictureNames[] = {"hong", "huang", "lv", "lan"};

QColor ToQColor(Colour c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

Colour FromQColor(const QColor& c)
{
    return MakeColour(static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()));
}

// A code the keyboard offers without a name of its own (none of the effect
// table's) still gets a line that says what it is.
QString EffectName(int code)
{
    const std::string number = FormatText(LoadText("MAIN_EFFECT_NUMBER"), std::to_string(code));
    const std::string name = LoadModeTextOr(std::to_string(code), number);
    return QString::fromStdString(name.empty() ? number : name);
}

} // namespace

bool CVarkelinDlg::IsLightingView() const
{
    return g_lighting.lightingView;
}

void CVarkelinDlg::SetViewedProfile(int profile)
{
    viewedProfile_ = profile;
    g_lighting.viewedProfile = profile;
}

void CVarkelinDlg::ShowLighting()
{
    // 1. The effect list: the keyboard's codes by their names.
    BuildEffectList();
    if (auto* list = static_cast<QComboBox*>(Control(EffectList))) {
        lighting_->fillingLists = true;
        list->clear();
        for (const EffectListEntry& entry : g_lighting.effectList)
            list->addItem(EffectName(entry.code));
        list->setCurrentIndex(FindEffectIndex(g_lighting.effectCode));
        lighting_->fillingLists = false;
    }
    ShowReportRate();
    ShowSliders();
    for (int id : {HxColour, FyColour}) {
        if (auto* button = static_cast<CSkinColorBtn*>(Control(id)))
            button->SetColour(ToQColor(g_lighting.effectColour));
    }
    ShowMulticolourSwitches();
    if (g_lighting.colourChoice < 0 || g_lighting.colourChoice > MaxColourChoice)
        g_lighting.colourChoice = 0;
    ShowColourChoice();
    ShowDirectionPictures(g_lighting.effectCode);
    ShowUserTools();
    SetPicture(ViewSwitch, g_lighting.lightingView ? QStringLiteral("dengdown.bmp") : QStringLiteral("dengup.bmp"));
    if (g_lighting.lightingView)
        ShowEffectGroups(g_lighting.effectCode);
    else
        HideLightingGroups();
    PlaceDirectionGroup(g_lighting.effectCode);
    UpdatePreviewTimer();
}

void CVarkelinDlg::ShowReportRate()
{
    for (size_t n = 0; n < ReportButtons.size(); ++n) {
        if (CPngButton* button = Button(ReportButtons[n]))
            button->SetMark(static_cast<int>(n) == g_lighting.reportRate, true);
    }
}

void CVarkelinDlg::ShowSliders()
{
    if (auto* brightness = static_cast<CBitmapSlider*>(Control(BrightnessSlider))) {
        brightness->SetPosition(g_lighting.brightness);
        brightness->SetTrackPicture(LightingPicture(QStringLiteral("%1.bmp").arg(brightness->Position())));
    }
    if (auto* speed = static_cast<CBitmapSlider*>(Control(SpeedSlider))) {
        speed->SetPosition(PositionFromSpeed(g_lighting.speed));
        speed->SetTrackPicture(LightingPicture(QStringLiteral("%1.bmp").arg(6 + speed->Position())));
    }
}

void CVarkelinDlg::ShowMulticolourSwitches()
{
    const QString name = g_lighting.multicolour ? QStringLiteral("sjsdown.bmp") : QStringLiteral("sjsup.bmp");
    SetPicture(HxSwitch, name);
    SetPicture(FySwitch, name);
}

void CVarkelinDlg::ShowColourChoice()
{
    for (int n = 0; n < 4; ++n) {
        const QString base = QString::fromLatin1(ColourPictureNames[n]);
        SetPicture(ColourPictures[static_cast<size_t>(n)],
                   base + (n == g_lighting.colourChoice ? QStringLiteral("ok.bmp") : QStringLiteral(".bmp")));
    }
}

void CVarkelinDlg::ShowDirectionPictures(int code)
{
    const DirectionFiles files = FilesOf(DirectionPicturesOf(code));
    const bool forward = g_lighting.direction == DirectionForward;
    SetPicture(DirectionLeft, QString::fromLatin1(forward ? files.leftPressed : files.leftNormal));
    SetPicture(DirectionRight, QString::fromLatin1(forward ? files.rightNormal : files.rightPressed));
}

void CVarkelinDlg::PlaceDirectionGroup(int code)
{
    const std::string suffix = DirectionKeySuffix(code);
    const struct {
        int id;
        const char* key;
    } parts[] = {{DirectionLabel, "CONTROL_BLFXStatic"}, {DirectionLeft, "CONTROL_BLFXLStaPic"},
                 {DirectionRight, "CONTROL_BLFXRStaPic"}};
    for (const auto& part : parts) {
        if (QWidget* control = Control(part.id))
            MoveControl(control, Ini(), "BUTTONINFO", part.key + suffix);
    }
}

void CVarkelinDlg::HideLightingGroups()
{
    const LightingGroups groups;
    for (const std::vector<int>* group : {&groups.brightness, &groups.speed, &groups.direction, &groups.hx, &groups.fy,
                                          &groups.fourColours, &groups.user}) {
        for (int id : *group) {
            if (QWidget* control = Control(id))
                control->hide();
        }
    }
    if (QWidget* list = Control(EffectList))
        list->hide();
}

void CVarkelinDlg::ShowEffectGroups(int code)
{
    const LightingGroups groups;
    const EffectInfo* effect = FindEffect(code);
    auto show = [this](const std::vector<int>& group, bool shown) {
        for (int id : group) {
            if (QWidget* control = Control(id))
                control->setVisible(shown);
        }
    };
    // A code without a row shows no group of its own; the list stays, so
    // another effect can still be chosen.
    show(groups.brightness, effect && effect->brightness);
    show(groups.speed, effect && effect->speed);
    show(groups.direction, effect && effect->direction);
    const ColourGroup colour = effect ? effect->colour : ColourGroup::None;
    show(groups.hx, colour == ColourGroup::Hx);
    show(groups.fy, colour == ColourGroup::Fy);
    show(groups.fourColours, colour == ColourGroup::FourColours);
    show(groups.user, colour == ColourGroup::User);
    if (QWidget* list = Control(EffectList))
        list->show();
}

void CVarkelinDlg::OnEffectChosen(int listIndex)
{
    if (lighting_->fillingLists || listIndex < 0 || listIndex >= static_cast<int>(g_lighting.effectList.size()))
        return;
    const int code = g_lighting.effectList[static_cast<size_t>(listIndex)].code;
    if (auto* list = static_cast<QComboBox*>(Control(EffectList)); list && list->currentIndex() != listIndex) {
        lighting_->fillingLists = true;
        list->setCurrentIndex(listIndex);
        lighting_->fillingLists = false;
    }
    ClearKeyOverlays();
    PlaceDirectionGroup(code);
    ShowDirectionPictures(code);
    SelectEffect(listIndex);
    ShowEffectGroups(code);
    if (code == UserEffectCode)
        ShowKeyColours();
}

void CVarkelinDlg::OnSlider(int controlId, int position)
{
    auto* slider = static_cast<CBitmapSlider*>(Control(controlId));
    if (!slider || position < 0 || position > MaxLevel)
        return;
    if (controlId == BrightnessSlider) {
        slider->SetTrackPicture(LightingPicture(QStringLiteral("%1.bmp").arg(position)));
        SetBrightness(position);
    } else if (controlId == SpeedSlider) {
        slider->SetTrackPicture(LightingPicture(QStringLiteral("%1.bmp").arg(6 + position)));
        SetSpeedPosition(position);
    }
}

void CVarkelinDlg::OnDirection(uint8_t value)
{
    SetDirection(value);
    ShowDirectionPictures(g_lighting.effectCode);
}

void CVarkelinDlg::OnColourButton(int controlId, const QColor& colour)
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

void CVarkelinDlg::OnMulticolourSwitch()
{
    ToggleMulticolour();
    ShowMulticolourSwitches();
}

void CVarkelinDlg::OnColourChoice(int choice)
{
    SetColourChoice(choice);
    ShowColourChoice();
}

void CVarkelinDlg::OnReportRate(int rate)
{
    SetReportRate(rate);
    ShowReportRate();
}

void CVarkelinDlg::SetLightingView(bool on)
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
    Trace(on ? "lighting-view on" : "lighting-view off");
}

bool CVarkelinDlg::IsPreviewRunning() const
{
    return lighting_ && lighting_->IsPreviewRunning();
}

void CVarkelinDlg::UpdatePreviewTimer()
{
    if (lighting_)
        lighting_->SetPreviewWanted(g_lighting.lightingView && isVisible() && !isMinimized() && !exiting_);
}
