#include "ui/LightingPanel.h"

#include "lighting/EffectTable.h"
#include "lighting/LightingHandlers.h"
#include "lighting/LightingState.h"
#include "text/LanguageTexts.h"
#include "skin/gui/BaseDialog.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinPlacement.h"
#include "skin/gui/BitmapSlider.h"
#include "skin/gui/SkinColorBtn.h"

#include <QComboBox>

// Showing the lighting state on the panel: the effect list, the groups the
// chosen effect has, sliders, direction, colours, multicolour, the four
// colour pictures, the report rate and the lighting view switch. Pictures
// that act as buttons change their picture file with the state.

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

// A code the keyboard offers without a name of its own (none of the effect
// table's) still gets a line that says what it is.
QString EffectName(int code)
{
    const std::string number = FormatText(LoadText("MAIN_EFFECT_NUMBER"), std::to_string(code));
    const std::string name = LoadModeTextOr(std::to_string(code), number);
    return QString::fromStdString(name.empty() ? number : name);
}

} // namespace

bool LightingPanel::IsLightingView() const
{
    return g_lighting.lightingView;
}

void LightingPanel::SetPicture(int id, const QString& name)
{
    CPngButton* button = Button(id);
    if (!button)
        return;
    const QPixmap picture = Picture(name);
    button->SetFaces(0, 0, picture, picture, picture, picture, picture, true);
    button->setProperty("picture", name);
}

void LightingPanel::SetViewedProfile(int profile)
{
    viewedProfile_ = profile;
    g_lighting.viewedProfile = profile;
}

void LightingPanel::ShowLighting()
{
    // 1. The effect list: the keyboard's codes by their names.
    BuildEffectList();
    if (auto* list = static_cast<QComboBox*>(Control(EffectList))) {
        fillingLists_ = true;
        list->clear();
        for (const EffectListEntry& entry : g_lighting.effectList)
            list->addItem(EffectName(entry.code));
        list->setCurrentIndex(FindEffectIndex(g_lighting.effectCode));
        fillingLists_ = false;
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

void LightingPanel::ShowReportRate()
{
    for (size_t n = 0; n < ReportButtons.size(); ++n) {
        if (CPngButton* button = Button(ReportButtons[n]))
            button->SetMark(static_cast<int>(n) == g_lighting.reportRate, true);
    }
}

void LightingPanel::ShowSliders()
{
    if (auto* brightness = static_cast<CBitmapSlider*>(Control(BrightnessSlider))) {
        brightness->SetPosition(g_lighting.brightness);
        brightness->SetTrackPicture(Picture(QStringLiteral("%1.bmp").arg(brightness->Position())));
    }
    if (auto* speed = static_cast<CBitmapSlider*>(Control(SpeedSlider))) {
        speed->SetPosition(PositionFromSpeed(g_lighting.speed));
        speed->SetTrackPicture(Picture(QStringLiteral("%1.bmp").arg(6 + speed->Position())));
    }
}

void LightingPanel::ShowMulticolourSwitches()
{
    const QString name = g_lighting.multicolour ? QStringLiteral("sjsdown.bmp") : QStringLiteral("sjsup.bmp");
    SetPicture(HxSwitch, name);
    SetPicture(FySwitch, name);
}

void LightingPanel::ShowColourChoice()
{
    for (int n = 0; n < 4; ++n) {
        const QString base = QString::fromLatin1(ColourPictureNames[n]);
        SetPicture(ColourPictures[static_cast<size_t>(n)],
                   base + (n == g_lighting.colourChoice ? QStringLiteral("ok.bmp") : QStringLiteral(".bmp")));
    }
}

void LightingPanel::ShowDirectionPictures(int code)
{
    const DirectionFiles files = FilesOf(DirectionPicturesOf(code));
    const bool forward = g_lighting.direction == DirectionForward;
    SetPicture(DirectionLeft, QString::fromLatin1(forward ? files.leftPressed : files.leftNormal));
    SetPicture(DirectionRight, QString::fromLatin1(forward ? files.rightNormal : files.rightPressed));
}

void LightingPanel::PlaceDirectionGroup(int code)
{
    const std::string suffix = DirectionKeySuffix(code);
    const struct {
        int id;
        const char* key;
    } parts[] = {{DirectionLabel, "CONTROL_BLFXStatic"}, {DirectionLeft, "CONTROL_BLFXLStaPic"},
                 {DirectionRight, "CONTROL_BLFXRStaPic"}};
    for (const auto& part : parts) {
        if (QWidget* control = Control(part.id))
            MoveControl(control, window_.dialog->Ini(), "BUTTONINFO", part.key + suffix);
    }
}

void LightingPanel::HideLightingGroups()
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

void LightingPanel::ShowEffectGroups(int code)
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
