#include "ui/LightingPanel.h"

#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileSwitch.h"
#include "lighting/UserModePreset.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "keys/KeyTable.h"
#include "lighting/EffectTable.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingHandlers.h"
#include "lighting/LightingState.h"
#include "lighting/UserModes.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/BitmapSlider.h"
#include "skin/gui/SkinColorBtn.h"

#include <QComboBox>
#include <QLineEdit>

// The per-key colours on the keyboard picture: overlays, painting, the user
// mode list and tools; and the panel's reloads that the window asks for
// (profile switch, connection, the keyboard's notices, restore defaults).

namespace {

using namespace LightingControl;

QColor ToQColor(Colour c)
{
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

} // namespace

void LightingPanel::SetKeyOverlay(int controlId, const QColor& colour, bool on)
{
    CPngButton* button = Button(controlId);
    if (!button)
        return;
    // A button repaints only when what it shows changes.
    if (button->IsFrameOn() == on && (!on || button->FrameColour() == colour))
        return;
    button->SetFrameColour(colour, on);
}

void LightingPanel::ClearKeyOverlays()
{
    ForgetShownFrame();
    for (uint16_t id : KeyColourButtons()) {
        SetKeyOverlay(id, QColor(), false);
        if (CPngButton* button = Button(id); button && button->IsMarked())
            button->SetMark(false, true);
    }
}

void LightingPanel::ShowKeyColours()
{
    ForgetShownFrame();
    const int profile = ViewedProfile();
    for (uint16_t id : KeyColourButtons())
        SetKeyOverlay(id, ToQColor(TableColour(profile, KeyColourIndexOf(id))), true);
}

void LightingPanel::PaintKeyButton(int controlId)
{
    if (!g_lighting.lightingView)
        return;
    const PaintResult painted = PaintKey(static_cast<uint16_t>(controlId));
    if (!painted.painted)
        return;
    // The G buttons share one light: all nine show the new colour.
    for (uint16_t id : KeyColourButtons()) {
        if (KeyColourIndexOf(id) == painted.index)
            SetKeyOverlay(id, ToQColor(painted.colour), true);
    }
    if (painted.deviceResult != 1)
        Prompts().ShowMessage(LoadText("MAIN_KEY_COLOUR_NOT_TAKEN"), MessageStyle::Topmost);
    else if (!painted.fileSaved)
        Prompts().ShowMessage(FormatText(LoadText("MAIN_USER_MODE_NOT_SAVED"), UserModeFilePath(ViewedProfile())),
                              MessageStyle::Normal);
}

void LightingPanel::ShowUserTools()
{
    if (auto* paint = static_cast<CSkinColorBtn*>(Control(UserColour)))
        paint->SetColour(ToQColor(g_userModes.tools.paintColour));
    if (auto* base = static_cast<CSkinColorBtn*>(Control(UserBase)))
        base->SetColour(ToQColor(g_userModes.tools.baseColour));
    SetPicture(UserTool1, g_userModes.tools.tool == 0 ? QStringLiteral("user1down.bmp") : QStringLiteral("user1up.bmp"));
    SetPicture(UserTool2, g_userModes.tools.tool == 1 ? QStringLiteral("user2down.bmp") : QStringLiteral("user2up.bmp"));
}

void LightingPanel::FillUserModeList(int count)
{
    auto* list = static_cast<QComboBox*>(Control(UserModeList));
    if (!list)
        return;
    fillingLists_ = true;
    list->clear();
    for (const std::string& name : UserModeNames(count))
        list->addItem(QString::fromStdString(name));
    list->setCurrentIndex(g_userModes.userMode < count ? g_userModes.userMode : -1);
    fillingLists_ = false;
}

void LightingPanel::OnTool(int tool)
{
    ChooseTool(tool);
    ShowUserTools();
}

void LightingPanel::OnUserModeChosen(int mode)
{
    if (fillingLists_)
        return;
    ChooseUserMode(mode);
    ShowUserTools();
    if (g_lighting.lightingView && UserEffectChosen())
        ShowKeyColours();
}

void LightingPanel::OnUserModeRenamed(const QString& text)
{
    auto* list = static_cast<QComboBox*>(Control(UserModeList));
    if (fillingLists_ || !list)
        return;
    const QString name = text.left(259);
    if (g_userModes.userMode < list->count())
        list->setItemText(g_userModes.userMode, name);
    RenameUserMode(name.toStdString());
}

void LightingPanel::ReloadAndShowLighting(bool sendKeyColours, bool startUp, bool refillModeList)
{
    ReloadLighting(startUp ? ReloadKind::StartUp : ReloadKind::Plain);
    if (OffersEffect(UserEffectCode)) {
        LoadUserModes(sendKeyColours ? LoadOnly::No : LoadOnly::Yes);
        if (refillModeList)
            FillUserModeList(ListedUserModes);
    }
    ShowLighting();
    if (!g_lighting.lightingView)
        return;
    // The effect may have changed on the keyboard meanwhile: colours of the
    // one before must not stay on keys its successor's preview leaves alone
    // (the G keys, right Win).
    if (UserEffectChosen())
        ShowKeyColours();
    else
        ClearKeyOverlays();
}

void LightingPanel::RestoreLightingDefaultsInView()
{
    // The keyboard's part (effect 1, the user colours of the viewed profile,
    // the factory record), then the panel shows what was written.
    if (auto* list = static_cast<QComboBox*>(Control(EffectList))) {
        fillingLists_ = true;
        list->setCurrentIndex(FindEffectIndex(1));
        fillingLists_ = false;
    }
    ClearKeyOverlays();
    RestoreLightingDefaults();
    if (OffersEffect(UserEffectCode))
        FillUserModeList(ListedUserModes);
    ShowLighting();
}

void LightingPanel::RestoreAllUserModes()
{
    // The keyboard has gone back to its factory state on its own; so do the
    // user mode files of its three profiles (their colours are loaded, the
    // keyboard already shows its own).
    std::array<uint8_t, DeviceInfoBytes> info{};
    const int32_t read = ReadDeviceInfo(info);
    const int active = read == 1 && info[DeviceInfoActiveProfile] < LightingProfiles ? info[DeviceInfoActiveProfile]
                                                                                      : ViewedProfile();
    SetViewedProfile(active);
    if (g_lighting.lightingView)
        SetLightingView(false);
    window_.showProfileSelected(GetCurrentProfile());
    if (OffersEffect(UserEffectCode)) {
        for (int profile = 0; profile < LightingProfiles; ++profile) {
            RestoreUserModesOfProfile(profile);
            FillUserModeList(ListedUserModesAfterReset);
        }
    }
    SetViewedProfile(active);
}
