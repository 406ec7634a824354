#include "ui/LightingPanel.h"

#include "lighting/KeyColours.h"
#include "lighting/LightingHandlers.h"
#include "lighting/LightingRecord.h"
#include "lighting/LightingState.h"
#include "text/LanguageTexts.h"
#include "skin/gui/BaseDialog.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinImages.h"
#include "skin/gui/SkinPlacement.h"
#include "skin/gui/SkinStyles.h"
#include "skin/gui/BitmapSlider.h"
#include "skin/gui/SkinColorBtn.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

// Creating the lighting panel's controls on the window from the skin: its
// labels, the effect and user mode lists, the sliders, the colour buttons and
// the pictures that act as buttons, and the texts of section "LIGHT".

namespace {

using namespace LightingControl;

constexpr const char* Section = "BUTTONINFO";

struct LabelControl {
    int id;
    const char* skinKey;
    const char* textKey; // section "LIGHT"
};

constexpr LabelControl Labels[] = {
    {ReportLabel, "CONTROL_UsbStatic", "Usb"},      {EffectLabel, "CONTROL_DengStatic", "Deng"},
    {BrightnessLabel, "CONTROL_LightStatic", "Light"}, {DirectionLabel, "CONTROL_BLFXStatic", "FX"},
    {SpeedLabel, "CONTROL_SpeedStatic", "Speed"},    {FyLabel, "CONTROL_FYYSStatic", "Color"},
    {HxLabel, "CONTROL_HXysStatic", "Color"},        {UserColourLabel, "CONTROL_USERysStatic", "Color"},
    {UserBaseLabel, "CONTROL_USERjsStatic", "JColor"}, {HxSwitchLabel, "CONTROL_HXsjsStatic", "DC"},
    {FySwitchLabel, "CONTROL_FYSJSStatic", "DC"},    {UserToolLabel, "CONTROL_USERgjStatic", "Tool"},
};

struct PictureControl {
    int id;
    const char* skinKey;
};

// Pictures that act as buttons; their picture files change with the state.
constexpr PictureControl Pictures[] = {
    {ViewSwitch, "CONTROL_DengStaPic"},  {DirectionLeft, "CONTROL_BLFXLStaPic"},
    {DirectionRight, "CONTROL_BLFXRStaPic"}, {HxSwitch, "CONTROL_HXsjsStaPic"},
    {FySwitch, "CONTROL_FYSJSStaPic"},   {Red, "CONTROL_HONGPIC"},
    {Yellow, "CONTROL_HUANGPIC"},        {Green, "CONTROL_LVPIC"},
    {Blue, "CONTROL_LANPIC"},            {UserTool1, "CONTROL_USERgjStaPic1"},
    {UserTool2, "CONTROL_USERgjStaPic2"},
};

struct ColourControl {
    int id;
    const char* skinKey;
};

constexpr ColourControl ColourButtons[] = {
    {HxColour, "CONTROL_HXysButton"},
    {FyColour, "CONTROL_FYYSButton"},
    {UserColour, "CONTROL_USERysButton"},
    {UserBase, "CONTROL_USERjsButton"},
};

const char* const ListStyle =
    "QComboBox { background: #16181b; color: #eceef1; border: 1px solid #41464e; border-radius: 5px;"
    " padding: 1px 8px; selection-background-color: #ff8200; }"
    "QComboBox:focus, QComboBox:hover { border-color: #ff8200; }"
    "QComboBox::drop-down { border: none; width: 20px; }"
    "QComboBox QAbstractItemView { background: #16181b; color: #eceef1; border: 1px solid #41464e;"
    " selection-background-color: #ff8200; outline: none; }"
    "QLineEdit { background: transparent; color: #eceef1; border: none; selection-background-color: #ff8200; }";

const char* const LabelStyle = "QLabel { color: #eceef1; background: transparent; }";

// The arrow keys never reach the effect list: each step through it would
// write another effect to the keyboard. Its popup list still takes them.
class SwallowArrowKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down)
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void LightingPanel::CreateControls()
{
    CBaseDialog* const window = window_.dialog;
    LoadPictures(window->Images());
    for (size_t k = 0; k < PreviewKeyCount; ++k)
        previewKeys_[k] = Button(PreviewKeyControls[k]);
    // The keys on top of the stacking order: a key the preview recolours is
    // then checked against the few controls above it, not against every
    // control of the window. Nothing else overlaps them but "]" over Enter.
    // A key's face covers it whole, so the window need not paint its picture
    // behind the keys either: a tick repaints small areas, key by key.
    for (uint16_t id : KeyColourButtons()) {
        if (CPngButton* key = Button(id)) {
            key->raise();
            key->SetOpaque(true);
        }
    }
    if (CPngButton* bracket = Button(1055))
        bracket->raise();

    for (const LabelControl& label : Labels) {
        auto* widget = new QLabel(window);
        widget->setObjectName(QString::fromLatin1(label.skinKey));
        widget->setStyleSheet(QString::fromLatin1(LabelStyle));
        widget->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        window->RegisterControl(label.id, widget);
        PlaceControl(widget, window->Ini(), Section, label.skinKey);
    }

    for (const PictureControl& picture : Pictures) {
        auto* button = new CPngButton(window);
        button->setObjectName(QString::fromLatin1(picture.skinKey));
        button->setProperty("controlId", picture.id);
        button->setFocusPolicy(Qt::TabFocus);
        button->setCursor(Qt::PointingHandCursor);
        window->RegisterControl(picture.id, button);
        PlaceControl(button, window->Ini(), Section, picture.skinKey);
    }

    auto* effects = new QComboBox(window);
    effects->setObjectName(QStringLiteral("CONTROL_XGcombox"));
    effects->setStyleSheet(QString::fromLatin1(ListStyle) + DropDownArrowStyle(window->ImageFolder()));
    effects->setMaxVisibleItems(20);
    effects->installEventFilter(new SwallowArrowKeys(effects));
    window->RegisterControl(EffectList, effects);
    PlaceControl(effects, window->Ini(), Section, "CONTROL_XGcombox");

    auto* modes = new QComboBox(window);
    modes->setObjectName(QStringLiteral("CONTROL_umCombo"));
    modes->setEditable(true);
    modes->setInsertPolicy(QComboBox::NoInsert);
    modes->setStyleSheet(QString::fromLatin1(ListStyle) + DropDownArrowStyle(window->ImageFolder()));
    modes->lineEdit()->setMaxLength(259);
    window->RegisterControl(UserModeList, modes);
    PlaceControl(modes, window->Ini(), Section, "CONTROL_umCombo");

    const struct {
        int id;
        const char* key;
    } sliders[] = {{BrightnessSlider, "CONTROL_LightSlider"}, {SpeedSlider, "CONTROL_SpeedSlider"}};
    for (const auto& s : sliders) {
        auto* slider = new CBitmapSlider(s.id, MaxLevel + 1, window);
        slider->setObjectName(QString::fromLatin1(s.key));
        window->RegisterControl(s.id, slider);
        PlaceControl(slider, window->Ini(), Section, s.key);
    }

    chooser_ = new CColourChooser(window);
    QList<QPixmap> swatches;
    for (int n = 1; n <= 8; ++n)
        swatches.push_back(Picture(QStringLiteral("Color%1.bmp").arg(n)));
    chooser_->SetSwatches(swatches);
    for (const ColourControl& c : ColourButtons) {
        auto* button = new CSkinColorBtn(c.id, chooser_, window);
        button->setObjectName(QString::fromLatin1(c.skinKey));
        // "Automatic" is white for the effect colour, black for the tools.
        button->SetAutomaticColour(c.id == HxColour || c.id == FyColour ? Qt::white : Qt::black);
        window->RegisterControl(c.id, button);
        PlaceControl(button, window->Ini(), Section, c.skinKey);
    }

    // The panel starts as the lighting view off shows it.
    SetPicture(ViewSwitch, QStringLiteral("dengup.bmp"));
    HideLightingGroups();

    // Handlers.
    connect(effects, &QComboBox::activated, this, &LightingPanel::OnEffectChosen);
    for (int id : {BrightnessSlider, SpeedSlider})
        connect(static_cast<CBitmapSlider*>(Control(id)), &CBitmapSlider::positionChanged, this, &LightingPanel::OnSlider);
    connect(Button(ViewSwitch), &QAbstractButton::clicked, this, [this] { SetLightingView(!IsLightingView()); });
    connect(Button(DirectionLeft), &QAbstractButton::clicked, this, [this] { OnDirection(DirectionForward); });
    connect(Button(DirectionRight), &QAbstractButton::clicked, this, [this] { OnDirection(DirectionBackward); });
    for (int id : {HxSwitch, FySwitch})
        connect(Button(id), &QAbstractButton::clicked, this, &LightingPanel::OnMulticolourSwitch);
    for (int n = 0; n < 4; ++n)
        connect(Button(ColourPictures[static_cast<size_t>(n)]), &QAbstractButton::clicked, this, [this, n] { OnColourChoice(n); });
    for (int n = 0; n < 4; ++n)
        connect(Button(ReportButtons[static_cast<size_t>(n)]), &QAbstractButton::clicked, this, [this, n] { OnReportRate(n); });
    connect(Button(UserTool1), &QAbstractButton::clicked, this, [this] { OnTool(0); });
    connect(Button(UserTool2), &QAbstractButton::clicked, this, [this] { OnTool(1); });
    for (const ColourControl& c : ColourButtons)
        connect(static_cast<CSkinColorBtn*>(Control(c.id)), &CSkinColorBtn::colourChosen, this, &LightingPanel::OnColourButton);
    connect(modes, &QComboBox::activated, this, &LightingPanel::OnUserModeChosen);
    connect(modes->lineEdit(), &QLineEdit::textEdited, this, &LightingPanel::OnUserModeRenamed);
    if (CPngButton* fn = Button(FnButtonId))
        connect(fn, &QAbstractButton::clicked, this, [this] { PaintKeyButton(FnButtonId); });
}

void LightingPanel::ApplyTexts(int languageIndex)
{
    for (const LabelControl& label : Labels) {
        if (auto* widget = qobject_cast<QLabel*>(Control(label.id)))
            widget->setText(QString::fromStdString(LoadLightText(label.textKey, languageIndex)));
    }
    // What each report rate means, in the buttons' tooltips.
    const char* const rateTexts[] = {"MAIN_REPORT_RATE1", "MAIN_REPORT_RATE2", "MAIN_REPORT_RATE3",
                                     "MAIN_REPORT_RATE4"};
    for (size_t n = 0; n < ReportButtons.size(); ++n) {
        if (CPngButton* button = Button(ReportButtons[n]))
            button->SetTooltip(QString::fromStdString(LoadText(rateTexts[n], languageIndex)), true);
    }
    if (chooser_)
        chooser_->SetTexts(QString::fromStdString(LoadText("MAIN_COLOUR_AUTOMATIC", languageIndex)),
                           QString::fromStdString(LoadText("PROFILE_OK", languageIndex)));
}
