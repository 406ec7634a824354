#include "ui/MainWindow.h"

#include "base/ProgramPaths.h"
#include "ui/AddressPrompt.h"
#include "keys/KeyTable.h"
#include "platform/SettingsStore.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"
#include "skin/gui/SkinPlacement.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <cstdio>
#include <iterator>
#include <vector>

namespace {

// The image-faced buttons of the window other than the keys: control id,
// skin key, the caption of the window template (the language texts replace
// the visible ones).
struct FacedControl {
    int id;
    const char* skinKey;
    const char* caption;
};

constexpr FacedControl FacedControls[] = {
    {1174, "KEY_FN", "Fn"},
    {1135, "FUNC_PROFILE1", "Profile1"},
    {1136, "FUNC_PROFILE2", "Profile2"},
    {1137, "FUNC_PROFILE3", "Profile3"},
    {1005, "FUNC_PROFILES", ""},
    {1007, "FUNC_MACRO", ""},
    {1138, "FUNC_DEFAULT", ""},
    {1139, "CONTROL_MENU", "Button Menu"},
    {1006, "CONTROL2_APPLY", "Apply"},
    {1, "CONTROL_OK", "OK"},
    {2, "CONTROL_CANCEL", "Cancel"},
    {1122, "CONTROL_HELP", "Help"},
    {1123, "CONTROL_MINIMIZE", "Minimize"},
    {1124, "CONTROL_CLOSE", "Close"},
    {1147, "FUNC_REPORT1", "report1"},
    {1168, "FUNC_REPORT2", "report2"},
    {1169, "FUNC_REPORT3", "report3"},
    {1170, "FUNC_REPORT4", "report4"},
    {1121, "KORVEN_LINK", ""},
    {1219, "CONTROL_Network", ""},
    {1220, "CONTROL_Facebook", "FACEBOOK"},
    {1221, "CONTROL_twitter", "TWITTER"},
    {1134, "KORVEN_VER", ""},
    {1125, "LOCK_CAPS", "Caps"},
    {1126, "LOCK_NUM", "Num"},
    {1127, "LOCK_SCROLL", "Scroll"},
    {1128, "LOCK_AB", "AB"},
    {1129, "FLIP_0", "Flip0"},
    {1130, "FLIP_1", "Flip1"},
    {1131, "FLIP_2", "Flip2"},
};

// Pictures that are never pressed: indicators and decoration.
constexpr int DisabledPictures[] = {1134, 1125, 1126, 1127, 1128, 1129};

// The vendor's pages; installation data, like the link of the skin.
constexpr const char* NetworkAddress = "https://www.orvan-gear.example/";
constexpr const char* FacebookAddress = "https://www.facebook.com/orvangear";
constexpr const char* TwitterAddress = "https://twitter.com/orvangear";

constexpr const char* ColourFaceNames[] = {"main_color0.jpg", "main_color1.jpg"};
// Hover, pressed (and marked), disabled.
constexpr const char* StateFaceNames[] = {"main_over.jpg", "main_down.jpg", "main_disable.jpg"};

QString KeySkinName(uint16_t keyCode)
{
    char name[16];
    std::snprintf(name, sizeof name, "KEY_%03X", static_cast<unsigned>(keyCode));
    return QString::fromLatin1(name);
}

CPngButton::FaceCut StateFace(const SkinImageCache& images, CPngButton::Face face, const QRect& place)
{
    using Face = CPngButton::Face;
    // A marked button shows its pressed face.
    const char* name = face == Face::Over ? StateFaceNames[0] : face == Face::Disabled ? StateFaceNames[2]
                                                                                       : StateFaceNames[1];
    CPngButton::FaceCut cut;
    QImage part = LoadSkinImagePart(images.FullPath(QString::fromLatin1(name)), place, &cut.origin);
    // Three bytes a pixel as it comes: the raster engine draws it as it is.
    if (!part.isNull())
        cut.pixmap = QPixmap::fromImage(std::move(part), Qt::NoFormatConversion);
    return cut;
}

} // namespace

// The face pictures are window-sized JPEGs without alpha; three bytes a
// pixel instead of four keep the resident program smaller, and the raster
// engine draws them as they are.
QPixmap CVarkelinDlg::LoadFacePicture(const QString& name)
{
    QImage image = LoadSkinImage(Images().FullPath(name));
    if (image.isNull())
        return QPixmap();
    if (!image.hasAlphaChannel())
        image.convertTo(QImage::Format_RGB888);
    return QPixmap::fromImage(std::move(image), Qt::NoFormatConversion);
}

void CVarkelinDlg::LoadFaceImages()
{
    // The colour-view pair is only drawn while the lighting view is on, and
    // the hover, pressed and disabled faces only once the window paints: a
    // program that stays in the notification area never holds these
    // window-sized pictures. They are checked now all the same (a damaged
    // picture must end the program at start-up, not later) and decoded
    // again when first needed.
    for (const char* name : ColourFaceNames)
        LoadFacePicture(QString::fromLatin1(name));
    for (const char* name : StateFaceNames)
        LoadFacePicture(QString::fromLatin1(name));
    // Two sets of the same four pictures: the key buttons and the others
    // take theirs from separate sets, so one can later be swapped for the
    // colour view without touching the other. Both share one decoded copy.
    // The normal face is normally the background too, decoded once by the
    // dialog's cache.
    faceNormal_ = Images().Pixmap(QStringLiteral("main_normal.jpg"));
    faceNormal2_ = faceNormal_;
    arrowImage_ = Images().Pixmap(QStringLiteral("Arrow.jpg"));
}

void CVarkelinDlg::EnsureFacePictures()
{
    if (stateFaceSourcesSet_)
        return;
    stateFaceSourcesSet_ = true;
    // Buttons cover about half of the window, and at any time only a few
    // show anything but their normal face: each decodes the part of the
    // hover, pressed or disabled picture under it when it shows that face,
    // and holds only that one. Buttons placed elsewhere (the arrows) keep
    // the pictures they were given.
    const qint64 normalKey = faceNormal_.cacheKey();
    for (const auto& [id, widget] : controls_) {
        auto* button = qobject_cast<CPngButton*>(widget);
        if (button && button->FacePixmap(CPngButton::Face::Normal).cacheKey() == normalKey)
            button->SetFaceSource([this](CPngButton::Face face, const QRect& place) { return StateFace(Images(), face, place); });
    }
}

void CVarkelinDlg::paintEvent(QPaintEvent* event)
{
    // The window paints before its buttons do, so they have every face by
    // the time they are drawn.
    EnsureFacePictures();
    CBaseDialog::paintEvent(event);
}

QPixmap CVarkelinDlg::ColourFace(int index)
{
    QPixmap& face = index == 0 ? colour0_ : colour1_;
    if (face.isNull())
        face = LoadFacePicture(QString::fromLatin1(ColourFaceNames[index == 0 ? 0 : 1]));
    return face;
}

CPngButton* CVarkelinDlg::AddFacedButton(int id, const std::string& skinKey, const QString& text)
{
    CPngButton* button = AddButton(id, skinKey, {faceNormal2_, faceOver2_, faceDown2_, faceDisabled2_, faceDown2_});
    button->setText(text);
    button->setProperty("controlId", id);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void CVarkelinDlg::CreateControls()
{
    const SkinButtonFaces keyFaces{faceNormal_, faceOver_, faceDown_, faceDisabled_, faceDown_};
    for (const ButtonKey& key : ButtonKeyTable) {
        CPngButton* button = AddButton(key.controlId, KeySkinName(key.keyCode).toStdString(), keyFaces);
        button->setProperty("controlId", key.controlId);
        button->setAccessibleName(QString::fromUtf8(KeyRecordOf(key.keyCode).label));
        button->setFocusPolicy(Qt::TabFocus);
    }
    for (size_t n = 0; n < MacroKeyButtons.size(); ++n) {
        const std::string skinKey = "FUNC_G" + std::to_string(n + 1);
        CPngButton* button = AddFacedButton(MacroKeyButtons[n], skinKey, QStringLiteral("G%1").arg(n + 1));
        button->SetTextStyle(SkinTextStyle{}); // the face shows the legend
    }
    for (int n = 0; n < 6; ++n)
        AddFacedButton(MainControl::FirstD + n, "KEY_D" + std::to_string(n + 1), QStringLiteral("D%1").arg(n + 1));
    for (const FacedControl& control : FacedControls)
        AddFacedButton(control.id, control.skinKey, QString::fromLatin1(control.caption));
    for (int id : DisabledPictures)
        Button(id)->setEnabled(false);

    // The arrows sit over Flip1 and Flip2 and show the arrow picture.
    for (int id : {MainControl::LeftArrow, MainControl::RightArrow}) {
        auto* arrow = new CPngButton(this);
        arrow->setObjectName(id == MainControl::LeftArrow ? QStringLiteral("LEFT_ARROW") : QStringLiteral("RIGHT_ARROW"));
        arrow->setEnabled(false);
        arrow->setAttribute(Qt::WA_TransparentForMouseEvents);
        RegisterControl(id, arrow);
    }
    PlaceArrows();

    AddControl<QComboBox>(MainControl::LanguageList, "CONTROL_LangCombo");

    const struct {
        int id;
        const char* key;
    } colourFields[] = {{MainControl::ColourR, "COLOR_R"}, {MainControl::ColourG, "COLOR_G"}, {MainControl::ColourB, "COLOR_B"}};
    for (const auto& field : colourFields)
        AddControl<QLineEdit>(field.id, field.key)->setMaxLength(3);
    AddControl<QLabel>(MainControl::RgbLabel, "CONTROL_RGBStatic")->setText(QStringLiteral("RGB"));
    AddControl<QLabel>(MainControl::Progress, "CONTROL_JDTStatic")->hide();

    // Some pictures lie under other controls (the AB tray under the G keys,
    // Flip0 under F1-F4 and D1-D6, the Enter key's corner under "]", the
    // arrows over Flip1 and Flip2); the stacking order of the widgets keeps
    // the upper ones drawn on top whatever repaints.
    Button(MainControl::LockAB)->lower();
    Button(MainControl::Flip0)->lower();
    if (CPngButton* bracket = Button(1055))
        bracket->raise();
    Button(MainControl::LeftArrow)->raise();
    Button(MainControl::RightArrow)->raise();

    StyleCaptions();
    ConnectControls();
    ApplyFlip();
    SetApplyEnabled(applyEnabled_);
}

void CVarkelinDlg::StyleCaptions()
{
    const SkinTextStyle large = MainCaptionStyle(10);
    const SkinTextStyle small = MainCaptionStyle(8);
    // Defaults stands next to Macros and takes its size (the language
    // sets the row's size once the texts are known).
    for (int id : {MainControl::Profile1, MainControl::Profile2, MainControl::Profile3, MainControl::Macro,
                   MainControl::Defaults})
        Button(id)->SetTextStyle(large);
    for (int id : {MainControl::Apply, MainControl::Ok, MainControl::Cancel, MainControl::Link})
        Button(id)->SetTextStyle(small);
    Button(MainControl::Version)->SetTextStyle(
        MainCaptionStyle(8, DtLeft | DtVCenter | DtSingleLine, QStringLiteral("Verdana Unicode MS")));
    CPngButton* profiles = Button(MainControl::Profiles);
    profiles->SetTextStyle(MainCaptionStyle(10, DtLeft | DtBottom | DtSingleLine));
    profiles->SetTextAngle(268, true);
    // Faces of these carry their own glyphs; their template captions are
    // names, not texts to draw.
    Button(MainControl::Link)->setText(QString::fromStdString(g_paths.linkAddress));
}

void CVarkelinDlg::ConnectControls()
{
    using namespace MainControl;
    connect(Button(Ok), &QAbstractButton::clicked, this, &CVarkelinDlg::accept);
    connect(Button(Cancel), &QAbstractButton::clicked, this, &CVarkelinDlg::reject);
    connect(Button(Apply), &QAbstractButton::clicked, this, &CVarkelinDlg::OnApply);
    connect(Button(Help), &QAbstractButton::clicked, this, &CVarkelinDlg::OpenHelp);
    connect(Button(Minimize), &QAbstractButton::clicked, this, &CVarkelinDlg::MinimiseMainWindow);
    connect(Button(Close), &QAbstractButton::clicked, this, &CVarkelinDlg::ExitProgram);
    connect(Button(Link), &QAbstractButton::clicked, this,
            [this] { OpenAddress(QString::fromStdString(g_paths.linkAddress)); });
    connect(Button(Network), &QAbstractButton::clicked, this, [this] { OpenAddress(QString::fromLatin1(NetworkAddress)); });
    connect(Button(Facebook), &QAbstractButton::clicked, this, [this] { OpenAddress(QString::fromLatin1(FacebookAddress)); });
    connect(Button(Twitter), &QAbstractButton::clicked, this, [this] { OpenAddress(QString::fromLatin1(TwitterAddress)); });
    connect(Button(Flip1), &QAbstractButton::clicked, this, &CVarkelinDlg::ToggleFlip);
    connect(Button(Flip2), &QAbstractButton::clicked, this, &CVarkelinDlg::ToggleFlip);
    connect(Button(Macro), &QAbstractButton::clicked, this, [this] { EditKey(MacroKeyButtons[8], Macro); });

    for (const ButtonKey& key : ButtonKeyTable)
        connect(Button(key.controlId), &QAbstractButton::clicked, this, [this, id = key.controlId] { OnKeyButton(id); });
    for (uint16_t id : MacroKeyButtons)
        connect(Button(id), &QAbstractButton::clicked, this, [this, id] { OnKeyButton(id); });
    const int profileIds[] = {Profile1, Profile2, Profile3};
    for (int n = 0; n < 3; ++n)
        connect(Button(profileIds[n]), &QAbstractButton::clicked, this, [this, n] { OnProfileButton(n); });

    for (int id : {ColourR, ColourG, ColourB}) {
        auto* edit = static_cast<QLineEdit*>(Control(id));
        connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
            QString digits;
            for (QChar c : text) {
                if (c.isDigit() && c.unicode() < 128)
                    digits += c;
            }
            if (!digits.isEmpty() && digits.toInt() >= 256)
                digits = QStringLiteral("255");
            if (digits != text)
                edit->setText(digits);
        });
    }
}

int CVarkelinDlg::FlipSetting() const
{
    const std::string value = AppSettings().GetString("PROFILES", "Flip").value_or("0");
    return std::atoi(value.c_str());
}

void CVarkelinDlg::ApplyFlip()
{
    const bool flipped = FlipSetting() != 0;
    for (int id = 1010; id <= 1013; ++id)
        Button(id)->setEnabled(!flipped);
    for (int id = MainControl::FirstD; id < MainControl::FirstD + 6; ++id)
        Button(id)->setEnabled(flipped);
}

void CVarkelinDlg::ToggleFlip()
{
    AppSettings().SetString("PROFILES", "Flip", FlipSetting() == 0 ? "1" : "0");
    ApplyFlip();
    PlaceArrows();
}

void CVarkelinDlg::PlaceArrows()
{
    const bool up = FlipSetting() != 0;
    if (CPngButton* left = Button(MainControl::LeftArrow))
        PlaceArrow(left, Ini(), "LEFT_ARROW", "BUTTONINFO2", up ? "UP_ARROW_LEFT1" : "DOWN_ARROW_LEFT1", arrowImage_);
    if (CPngButton* right = Button(MainControl::RightArrow))
        PlaceArrow(right, Ini(), "RIGHT_ARROW", "BUTTONINFO2", up ? "UP_ARROW_RIGHT1" : "DOWN_ARROW_RIGHT1",
                   arrowImage_);
}

void CVarkelinDlg::OpenAddress(const QString& address)
{
    Trace("open " + address.toStdString());
    OpenAddressOrExplain(address, this);
}
