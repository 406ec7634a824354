#include "ui/MainWindow.h"
#include "ui/DialogHost.h"
#include "ui/LightingPanel.h"

#include "ui/AboutDialog.h"
#include "ui/TrayIcon.h"
#include "assign/gui/CompositeDialog.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/QtLanguage.h"

#include <QLabel>

namespace {

struct ButtonText {
    int id;
    const char* key;
};

constexpr ButtonText CaptionTexts[] = {
    {MainControl::Profile1, "PROFILE_1"},     {MainControl::Profile2, "PROFILE_2"},
    {MainControl::Profile3, "PROFILE_3"},     {MainControl::Macro, "PROFILE_MACRO1"},
    {MainControl::Defaults, "PROFILE_DEFAULT1"}, {MainControl::Ok, "PROFILE_OK"},
    {MainControl::Cancel, "PROFILE_CANCLE"},  {MainControl::Apply, "PROFILE_APPLY"},
};

constexpr ButtonText TooltipTexts[] = {
    {MainControl::Minimize, "MAIN_MINIMIZE_PROMPT"}, {MainControl::Menu, "MAIN_MENU_PROMPT"},
    {MainControl::Close, "MAIN_CLOSE_PROMPT"},       {MainControl::Help, "MAIN_HELP_PROMPT"},
    {MainControl::Defaults, "PROFILE_DEFAULT"},      {MainControl::Macro, "PROFILE_MACRO"},
};

// The row's captions start at the profile buttons' size and may shrink to
// this where a language's words are long.
constexpr double LargeCaptionPoints = 10;
constexpr double SmallestCaptionPoints = 7;

} // namespace

void CVarkelinDlg::ApplyLanguage(int languageIndex)
{
    ApplyQtLanguage(languageIndex);
    if (about_)
        about_->ApplyLanguage(languageIndex);
    dialogs_->ApplyLanguage(languageIndex);
    if (keyEditor_)
        keyEditor_->ApplyLanguage(languageIndex);
    ApplyAutoProfileTexts();
    for (const ButtonText& text : TooltipTexts) {
        if (CPngButton* button = Button(text.id))
            button->SetTooltip(QString::fromStdString(LoadText(text.key, languageIndex)), true);
    }
    if (auto* rgb = qobject_cast<QLabel*>(Control(MainControl::RgbLabel)))
        rgb->setText(QStringLiteral("RGB"));
    lighting_->ApplyTexts(languageIndex);
    if (outsideChangeUnder_)
        ShowOutsideChangeNote(true);
    update();
    for (const ButtonText& text : CaptionTexts) {
        if (CPngButton* button = Button(text.id))
            button->setText(QString::fromStdString(LoadText(text.key, languageIndex)));
    }
    // The profile buttons, Macros and Defaults stand in one row: one size
    // for all, small enough for the longest of them.
    std::vector<CPngButton*> row;
    for (int id : {MainControl::Profile1, MainControl::Profile2, MainControl::Profile3, MainControl::Macro,
                   MainControl::Defaults}) {
        if (CPngButton* button = Button(id))
            row.push_back(button);
    }
    FitCaptionsTogether(row, LargeCaptionPoints, SmallestCaptionPoints);
    ApplyBehaviourTexts(languageIndex);
    // The effect names are language texts too; the keyboard is not asked
    // again for what it offers.
    if (Control(MainControl::EffectList))
        ShowLighting();
    setWindowTitle(CaptionText());
    tray_->RefreshTip();
}
