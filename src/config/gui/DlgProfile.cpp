#include "config/gui/DlgProfile.h"

#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileList.h"
#include "config/gui/ProfileListModel.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinStyles.h"

#include <QDir>
#include <QFontMetrics>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

#include <algorithm>

namespace {

constexpr CBaseDialog::CaptionedButton Buttons[] = {
    {ProfileControl::New, "FUNC_ADD", "PROFILE_ADD", "PROFILE_ADD_TIP"},
    {ProfileControl::Load, "FUNC_LOAD", "PROFILE_LOAD", "PROFILE_LOAD_PROMPT"},
    {ProfileControl::Delete, "FUNC_DELETE", "PROFILE_DELETE", "PROFILE_DELETE_TIP"},
    {ProfileControl::Ok, "CONTROL_OK", "PROFILE_OK", nullptr},
    {ProfileControl::Cancel, "CONTROL_CANCEL", "PROFILE_CANCLE", nullptr},
    {ProfileControl::Apply, "CONTROL2_APPLY", "PROFILE_APPLY", nullptr},
};

// The column widths the list was designed with; the folder takes the rest.
constexpr int ActiveWidth = 60;
constexpr int NameWidth = 120;
constexpr int FolderWidth = 230;
// The header's padding of the style sheet below, both sides, and a little air.
constexpr int HeaderPadding = 20;
QString ListStyle(const QString& skinFolder)
{
    QString style = QStringLiteral(
        "QTableView { background: #141619; alternate-background-color: #191b1f; color: #d8dbe0;"
        " gridline-color: #2c3035; border: none; selection-background-color: #4a3420;"
        " selection-color: #ffffff; outline: 0; }"
        "QHeaderView::section { background: #2a2e34; color: #c8ccd2; border: none;"
        " border-right: 1px solid #1c1e22; padding: 3px 6px; }"
        "QTableView::indicator { width: 18px; height: 18px; }");
    // The tick's pictures belong to the skin; without them the style's own
    // check boxes stand in.
    return style + TickStyle(QStringLiteral("QTableView::indicator"), skinFolder) + ToolTipStyle();
}

} // namespace

CVarkelin_DlgProfile::CVarkelin_DlgProfile(QWidget* parent, std::function<void()> openHelp)
    : CBaseDialog(parent, QString::fromStdString(g_paths.profileIni), QString::fromStdString(g_paths.profileIniFolder)),
      openHelp_(std::move(openHelp))
{
    setObjectName(QStringLiteral("CVarkelin_DlgProfile"));
    setWindowModality(Qt::WindowModal);
    // Loaded once for the dialog's life, which is the program's; a missing
    // picture ends the program as every skin picture does.
    const QPixmap normal = Images().Pixmap(QStringLiteral("Profile_normal.jpg"));
    const QPixmap down = Images().Pixmap(QStringLiteral("Profile_down.jpg"));
    faces_ = {normal, Images().Pixmap(QStringLiteral("Profile_over.jpg")), down, down, normal};
    CreateControls();
    ApplyLanguage(GetLanguageIndex());
}

CVarkelin_DlgProfile::~CVarkelin_DlgProfile() = default;

void CVarkelin_DlgProfile::CreateControls()
{
    model_ = new ProfileListModel(this);
    list_ = AddControl<QTableView>(ProfileControl::List, "PROGRAM_LIST");
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setShowGrid(true);
    list_->setAlternatingRowColors(true);
    list_->setWordWrap(false);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setHighlightSections(false);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setColumnWidth(ProfileListModel::ActiveColumn, ActiveWidth);
    list_->setColumnWidth(ProfileListModel::NameColumn, NameWidth);
    list_->setColumnWidth(ProfileListModel::FolderColumn, FolderWidth);
    list_->setStyleSheet(ListStyle(ImageFolder()));
    connect(model_, &ProfileListModel::tickChanged, this, [this] { SetApplyEnabled(true); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CVarkelin_DlgProfile::UpdateDeleteButton);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &CVarkelin_DlgProfile::UpdateDeleteButton);

    // The title is a language text drawn over the skin's title bar.
    title_ = AddControl<QLabel>(ProfileControl::Title, "CONTROL_TITLE");
    title_->setStyleSheet(QStringLiteral("QLabel { color: #eceef1; background: transparent; }"));
    QFont titleFont = title_->font();
    titleFont.setPixelSize(15);
    titleFont.setBold(true);
    title_->setFont(titleFont);

    AddCaptionedButtons(Buttons, faces_);
    // The test button of the dialog's template: never shown, does nothing.
    auto* test = new CPngButton(this);
    test->setObjectName(QStringLiteral("1013"));
    test->hide();
    RegisterControl(ProfileControl::Test, test);

    connect(Button(ProfileControl::New), &QAbstractButton::clicked, this, &CVarkelin_DlgProfile::NewProfile);
    connect(Button(ProfileControl::Load), &QAbstractButton::clicked, this, &CVarkelin_DlgProfile::LoadProfile);
    connect(Button(ProfileControl::Delete), &QAbstractButton::clicked, this, &CVarkelin_DlgProfile::DeleteSelectedRow);
    connect(Button(ProfileControl::Apply), &QAbstractButton::clicked, this, &CVarkelin_DlgProfile::ApplyChanges);
    connect(Button(ProfileControl::Ok), &QAbstractButton::clicked, this, &CVarkelin_DlgProfile::accept);
    connect(Button(ProfileControl::Cancel), &QAbstractButton::clicked, this, &CVarkelin_DlgProfile::reject);
}

void CVarkelin_DlgProfile::ApplyLanguage(int languageIndex)
{
    const QString title = QString::fromStdString(LoadText("PROFILE_MANAGER_TITLE", languageIndex));
    setWindowTitle(title);
    title_->setText(title);
    ApplyCaptionedButtonTexts(Buttons, languageIndex);
    model_->RetranslateTexts();
    // A title longer than the tick's column (in Russian) widens it.
    const QString active = model_->headerData(ProfileListModel::ActiveColumn, Qt::Horizontal).toString();
    const int titleWidth = list_->horizontalHeader()->fontMetrics().horizontalAdvance(active) + HeaderPadding;
    list_->setColumnWidth(ProfileListModel::ActiveColumn, std::max(ActiveWidth, titleWidth));
}

void CVarkelin_DlgProfile::Open()
{
    if (openCount_ == 0)
        ++openCount_;
    ApplyLanguage(GetLanguageIndex());
    // The active profile is asked of the keyboard (or its cache); unknown,
    // no row is ticked.
    // The owner's files come back from the settings, each looked for anew.
    model_->SetRows(ProfileManagerRows(), -1);
    model_->TickProfile(GetCurrentProfile());
    SetApplyEnabled(false);
    UpdateDeleteButton();
    show();
    raise();
    activateWindow();
}

bool CVarkelin_DlgProfile::HasChanges() const
{
    const CPngButton* apply = Button(ProfileControl::Apply);
    return apply && apply->isEnabled();
}

void CVarkelin_DlgProfile::SetApplyEnabled(bool enabled)
{
    Button(ProfileControl::Apply)->setEnabled(enabled);
}

void CVarkelin_DlgProfile::ShowActiveProfile(int profile)
{
    if (profile >= 0)
        model_->TickProfile(profile);
    SetApplyEnabled(false);
}

void CVarkelin_DlgProfile::NewProfile()
{
    const std::optional<std::string> path = Prompts().ChooseSaveFile(NewProfileFileChoice());
    if (!path)
        return;
    // A row for a file that could not be written would list nothing.
    if (CreateNewProfileFile(*path) != 1) {
        Prompts().ShowMessage(FormatText(LoadText("PROFILE_NEW_FAILED"), *path), MessageStyle::Normal);
        return;
    }
    model_->AddRow(ProfileRowForFile(*path));
    SetApplyEnabled(true);
}

void CVarkelin_DlgProfile::LoadProfile()
{
    const std::optional<std::string> path = Prompts().ChooseOpenFile(LoadProfileFileChoice());
    if (!path)
        return;
    const ProfileFault fault = CheckProfileFileToAdd(*path);
    if (fault != ProfileFault::None) {
        Prompts().ShowMessage(ProfileLoadRefusal(*path, fault), MessageStyle::Normal);
        return;
    }
    model_->AddRow(ProfileRowForFile(*path));
    SetApplyEnabled(true);
}

void CVarkelin_DlgProfile::DeleteSelectedRow()
{
    const int row = SelectedFileRow();
    if (row < 0)
        return;
    // The file stays on disk; only the row goes.
    model_->RemoveRow(row);
    SetApplyEnabled(true);
}

int CVarkelin_DlgProfile::SelectedFileRow() const
{
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return -1;
    const int row = selected.first().row();
    // The keyboard's profiles are always there; only the owner's files go.
    const std::vector<ProfileRow>& rows = model_->Rows();
    return row < static_cast<int>(rows.size()) && rows[static_cast<size_t>(row)].profile < 0 ? row : -1;
}

void CVarkelin_DlgProfile::UpdateDeleteButton()
{
    Button(ProfileControl::Delete)->setEnabled(SelectedFileRow() >= 0);
}

int CVarkelin_DlgProfile::ApplyChanges()
{
    const int32_t result = ApplyProfileList(model_->Rows(), model_->TickedRow());
    // Whatever became of the owner's tick, the list shows the profile the
    // keyboard runs; only rows that could not be kept leave Apply to retry.
    model_->TickProfile(GetCurrentProfile());
    SetApplyEnabled(result == ProfileListNotSaved);
    emit applied();
    return result;
}

void CVarkelin_DlgProfile::accept()
{
    ApplyChanges();
    Close();
    CBaseDialog::accept();
}

void CVarkelin_DlgProfile::reject()
{
    Close();
    CBaseDialog::reject();
}

void CVarkelin_DlgProfile::Close()
{
    SetApplyEnabled(false);
    if (openCount_ > 0)
        --openCount_;
}

bool CVarkelin_DlgProfile::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        if (openHelp_)
            openHelp_();
        return true;
    }
    return CBaseDialog::event(event);
}
