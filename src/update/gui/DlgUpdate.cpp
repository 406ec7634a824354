#include "update/gui/DlgUpdate.h"

#include "base/ProgramPaths.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinStyles.h"
#include "update/FirmwareUpdate.h"
#include "update/gui/UpdaterLauncher.h"

#include <QComboBox>
#include <QLabel>

namespace {

constexpr CBaseDialog::CaptionedButton Buttons[] = {
    {UpdateControl::Open, "CONTROL_OPENButton", "UPDATE_OPEN", "UPDATE_OPEN_TIP"},
    {UpdateControl::Backup, "CONTROL_BACKUPButton", "UPDATE_BACKUP", "UPDATE_BACKUP_TIP"},
    {UpdateControl::Update, "CONTROL_UPButton", "UPDATE_START", "UPDATE_START_TIP"},
    {UpdateControl::CancelUpdate, "CONTROL_CUPButton", "UPDATE_CANCEL", "UPDATE_CANCEL_TIP"},
    {UpdateControl::Close, "CONTROL_CLOSE", nullptr, "UPDATE_CLOSE_TIP"},
};

const char* const FieldStyle =
    "QLabel { color: #dfe2e6; background: transparent; }"
    "QComboBox { background: #16181b; color: #eceef1; border: 1px solid #41464e;"
    " border-radius: 5px; padding: 1px 8px; selection-background-color: #ff8200; }"
    "QComboBox:disabled { color: #8a9099; }"
    "QComboBox::drop-down { border: none; width: 0px; }";

} // namespace

CVarkelin_DlgUpdate::CVarkelin_DlgUpdate(QWidget* parent, std::unique_ptr<UpdaterLauncher> launcher)
    : CBaseDialog(parent, QString::fromStdString(g_paths.updateIni), QString::fromStdString(g_paths.updateIniFolder)),
      launcher_(launcher ? std::move(launcher) : std::make_unique<DesktopUpdaterLauncher>())
{
    setObjectName(QStringLiteral("CVarkelin_DlgUpdate"));
    setWindowModality(Qt::WindowModal);
    const QPixmap normal = Images().Pixmap(QStringLiteral("update_normal.jpg"));
    const QPixmap over = Images().Pixmap(QStringLiteral("update_over.jpg"));
    // Two pictures only: pressed looks like hovered, disabled like normal.
    faces_ = {normal, over, over, normal, normal};
    CreateControls();
    ApplyLanguage(GetLanguageIndex());
}

CVarkelin_DlgUpdate::~CVarkelin_DlgUpdate() = default;

void CVarkelin_DlgUpdate::CreateControls()
{
    // The tooltips are labels too: the sheet's own rule keeps them dark.
    setStyleSheet(QString::fromLatin1(FieldStyle) + ToolTipStyle());
    title_ = AddControl<QLabel>(UpdateControl::Title, "CONTROL_TITLE");
    title_->setStyleSheet(QStringLiteral("QLabel { color: #eceef1; }"));
    QFont titleFont = title_->font();
    titleFont.setPixelSize(15);
    titleFont.setBold(true);
    title_->setFont(titleFont);

    label_ = AddControl<QLabel>(UpdateControl::Label, "CONTROL_UPStatic");
    // A list of one entry, the chosen file; it is shown, not edited: the
    // file is chosen with Open.
    pathBox_ = AddControl<QComboBox>(UpdateControl::PathBox, "CONTROL_UPCombox");
    pathBox_->setFocusPolicy(Qt::NoFocus);

    AddCaptionedButtons(Buttons, faces_);
    connect(Button(UpdateControl::Open), &QAbstractButton::clicked, this, &CVarkelin_DlgUpdate::ChooseFile);
    connect(Button(UpdateControl::Backup), &QAbstractButton::clicked, this, &CVarkelin_DlgUpdate::Backup);
    connect(Button(UpdateControl::Update), &QAbstractButton::clicked, this, &CVarkelin_DlgUpdate::Update);
    connect(Button(UpdateControl::CancelUpdate), &QAbstractButton::clicked, this, &CVarkelin_DlgUpdate::CancelUpdate);
    connect(Button(UpdateControl::Close), &QAbstractButton::clicked, this, &CVarkelin_DlgUpdate::reject);
}

void CVarkelin_DlgUpdate::ApplyLanguage(int languageIndex)
{
    const QString title = QString::fromStdString(LoadText("UPDATE_TITLE", languageIndex));
    setWindowTitle(title);
    title_->setText(title);
    label_->setText(QString::fromStdString(LoadText("UPDATE_LABEL", languageIndex)));
    pathBox_->setPlaceholderText(QString::fromStdString(LoadText("UPDATE_NO_FILE", languageIndex)));
    ApplyCaptionedButtonTexts(Buttons, languageIndex);
}

void CVarkelin_DlgUpdate::Open()
{
    ApplyLanguage(GetLanguageIndex());
    ShowPath();
    show();
    raise();
    activateWindow();
}

void CVarkelin_DlgUpdate::ShowPath()
{
    pathBox_->clear();
    const std::string path = UpdaterPath();
    if (!path.empty()) {
        pathBox_->addItem(QString::fromStdString(path));
        pathBox_->setCurrentIndex(0);
    }
    pathBox_->setToolTip(QString::fromStdString(path));
    pathBox_->repaint();
}

void CVarkelin_DlgUpdate::ChooseFile()
{
    ChooseUpdater();
    ShowPath();
}

void CVarkelin_DlgUpdate::Update()
{
    const UpdateOutcome outcome = StartUpdate(*launcher_);
    ShowPath();
    if (outcome == UpdateOutcome::Started)
        accept();
}

void CVarkelin_DlgUpdate::CancelUpdate()
{
    SetUpdaterPath(std::string());
    ShowPath();
    reject();
}

void CVarkelin_DlgUpdate::Backup()
{
    BackupConfiguration();
}
