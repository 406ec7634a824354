#include "autoprofile/gui/AutoProfileDialog.h"

#include "base/ProgramPaths.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"
#include "skin/gui/SkinStyles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>

using namespace AutoProfileControl;

namespace {

constexpr const char* ProfileKeys[] = {"PROFILE_1", "PROFILE_2", "PROFILE_3"};
// Captions are drawn at this size, or smaller down to the minimum where a
// language's text is longer than its button.
constexpr double ButtonPointSize = 9;
constexpr double MinButtonPointSize = 6.5;
constexpr int ProfileColumnWidth = 120;

const QString FieldStyle =
    DarkFieldStyle() + QStringLiteral("QLineEdit:focus, QComboBox:focus { border-color: #ff8200; }");
const QString ListStyle = DarkTableStyle() + QStringLiteral("QTableView { outline: none; }");
const QString CheckStyle = QStringLiteral(
    "QCheckBox { background: transparent; color: #e4e4e4; spacing: 8px; }"
    "QCheckBox::indicator { width: 12px; height: 12px; border: 2px solid #8a9098; border-radius: 3px;"
    " background: #16181b; }"
    "QCheckBox::indicator:hover { border-color: #ff8200; }"
    "QCheckBox::indicator:checked { border-color: #ff8200; background: #ff8200; }");

QString Text(const char* key)
{
    return QString::fromStdString(LoadText(key));
}

void FitCaption(CPngButton* button)
{
    SkinTextStyle style = button->TextStyle();
    const QString family = ResolveSkinFontFamily(style.fontName);
    const int room = button->width() - 8;
    double size = ButtonPointSize;
    while (size > MinButtonPointSize &&
           QFontMetrics(SkinFont(family, size, false)).horizontalAdvance(button->text()) > room)
        size -= 0.5;
    if (style.pointSize != size) {
        style.pointSize = size;
        button->SetTextStyle(style);
    }
}

const char* ErrorKey(RuleError error)
{
    switch (error) {
    case RuleError::EmptyApplication:
        return "PROFILE_AUTO_ERR_EMPTY";
    case RuleError::ApplicationTooLong:
        return "PROFILE_AUTO_ERR_TOO_LONG";
    case RuleError::ControlCharacter:
        return "PROFILE_AUTO_ERR_CONTROL";
    case RuleError::TooManyRules:
        return "PROFILE_AUTO_ERR_TOO_MANY";
    default:
        return nullptr;
    }
}

} // namespace

AutoProfileDialog::AutoProfileDialog(AutoProfileController& controller, QWidget* parent)
    : CBaseDialog(parent, QString::fromStdString(g_paths.skinFolder + "AutoProfile.ini"),
                  QString::fromStdString(g_paths.skinFolder), Qt::Window),
      controller_(controller)
{
    setObjectName(QStringLiteral("AutoProfileDialog"));
    // Not modal: the owner clicks other applications' windows to pick them,
    // and nothing else of the program waits for this dialog.
    setModal(false);
    // A missing picture ends the program (SkinImages.h), as a skinned window
    // without its faces cannot be shown.
    const QPixmap down = Images().Pixmap(QStringLiteral("autoprofile_down.jpg"));
    faces_ = {Images().Pixmap(QStringLiteral("autoprofile_normal.jpg")),
              Images().Pixmap(QStringLiteral("autoprofile_over.jpg")), down,
              Images().Pixmap(QStringLiteral("autoprofile_disable.jpg")), down};
    CreateControls();
    Connect();
    // A child by name, so that a test can let a minute pass at once.
    pickTimeout_.setParent(this);
    pickTimeout_.setObjectName(QStringLiteral("pickTimeout"));
    pickTimeout_.setSingleShot(true);
    pickTimeout_.setInterval(60000);
    connect(&pickTimeout_, &QTimer::timeout, this, [this] {
        if (controller_.IsPicking())
            TogglePick();
    });
}

// The controller, a sibling under the main window, may be gone already; it
// drops a pick when it stops.
AutoProfileDialog::~AutoProfileDialog() = default;

CPngButton* AutoProfileDialog::AddFacedButton(int id, const char* skinKey)
{
    CPngButton* button = AddButton(id, skinKey, faces_);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void AutoProfileDialog::CreateControls()
{
    auto* title = AddControl<QLabel>(Title, "CONTROL_TITLE");
    title->setStyleSheet(QStringLiteral("color: #eceef1; background: transparent;"));
    title->setFont(SkinFont(ResolveSkinFontFamily(QStringLiteral("Arial Unicode MS")), 11.5, true));
    AddFacedButton(Close, "CONTROL_CLOSE");

    enable_ = AddControl<QCheckBox>(Enable, "FUNC_AUTO_ENABLE");
    // The skin's tick, as in the profile manager's list.
    enable_->setStyleSheet(CheckStyle + TickStyle(QStringLiteral("QCheckBox::indicator"), ImageFolder()) +
                           ToolTipStyle());
    application_ = AddControl<QLineEdit>(Application, "FUNC_AUTO_APPLICATION");
    application_->setMaxLength(static_cast<int>(MaxApplicationChars));
    profile_ = AddControl<QComboBox>(Profile, "FUNC_AUTO_PROFILE");
    for (int i = 0; i < 3; ++i)
        profile_->addItem(QString());
    const QString fieldStyle = FieldStyle + DropDownArrowStyle(ImageFolder()) + ToolTipStyle();
    for (QWidget* field : {static_cast<QWidget*>(application_), static_cast<QWidget*>(profile_)})
        field->setStyleSheet(fieldStyle);

    rules_ = AddControl<QTableWidget>(Rules, "FUNC_AUTO_RULES");
    rules_->setColumnCount(2);
    rules_->setStyleSheet(ListStyle + ToolTipStyle());
    rules_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rules_->setSelectionMode(QAbstractItemView::SingleSelection);
    rules_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rules_->setAlternatingRowColors(true);
    rules_->setShowGrid(false);
    rules_->setWordWrap(false);
    rules_->verticalHeader()->setVisible(false);
    rules_->verticalHeader()->setDefaultSectionSize(24);
    rules_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    rules_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    rules_->horizontalHeader()->resizeSection(1, ProfileColumnWidth);
    rules_->horizontalHeader()->setHighlightSections(false);

    auto* defaultCaption = AddControl<QLabel>(DefaultCaption, "FUNC_AUTO_DEFAULT_CAPTION");
    defaultCaption->setStyleSheet(QStringLiteral("color: #e4e4e4; background: transparent;"));
    default_ = AddControl<QComboBox>(Default, "FUNC_AUTO_DEFAULT");
    default_->setStyleSheet(fieldStyle);
    for (int i = 0; i < 4; ++i)
        default_->addItem(QString());
    note_ = AddControl<QLabel>(Note, "FUNC_AUTO_NOTE");
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    note_->setStyleSheet(QStringLiteral("color: #969ca4; background: transparent;"));

    for (int id : {Pick, Add, Up, Down, Remove, Ok, Cancel}) {
        static const std::map<int, const char*> keys = {
            {Pick, "FUNC_AUTO_PICK"}, {Add, "FUNC_AUTO_ADD"}, {Up, "FUNC_AUTO_UP"}, {Down, "FUNC_AUTO_DOWN"},
            {Remove, "FUNC_AUTO_REMOVE"}, {Ok, "CONTROL_OK"}, {Cancel, "CONTROL_CANCEL"}};
        AddFacedButton(id, keys.at(id))->SetTextStyle(MainCaptionStyle(ButtonPointSize));
    }
}

void AutoProfileDialog::Connect()
{
    connect(Button(Close), &QAbstractButton::clicked, this, &AutoProfileDialog::reject);
    connect(Button(Cancel), &QAbstractButton::clicked, this, &AutoProfileDialog::reject);
    connect(Button(Ok), &QAbstractButton::clicked, this, &AutoProfileDialog::accept);
    connect(Button(Add), &QAbstractButton::clicked, this, &AutoProfileDialog::AddFromFields);
    connect(Button(Remove), &QAbstractButton::clicked, this, &AutoProfileDialog::RemoveSelected);
    connect(Button(Up), &QAbstractButton::clicked, this, [this] { MoveSelected(-1); });
    connect(Button(Down), &QAbstractButton::clicked, this, [this] { MoveSelected(1); });
    connect(Button(Pick), &QAbstractButton::clicked, this, &AutoProfileDialog::TogglePick);
    connect(application_, &QLineEdit::returnPressed, this, &AutoProfileDialog::AddFromFields);
    connect(application_, &QLineEdit::textChanged, this, [this] { UpdateAddCaption(); });
    connect(rules_, &QTableWidget::itemSelectionChanged, this, &AutoProfileDialog::ShowSelection);
    connect(enable_, &QCheckBox::toggled, this, [this](bool on) { settings_.enabled = on; });
    connect(default_, &QComboBox::activated, this,
            [this](int index) { settings_.defaultProfile = index == 0 ? KeepProfile : index - 1; });
}

void AutoProfileDialog::Open()
{
    if (!isVisible()) {
        settings_ = LoadAutoProfileSettings();
        enable_->setChecked(settings_.enabled);
        default_->setCurrentIndex(settings_.defaultProfile == KeepProfile ? 0 : settings_.defaultProfile + 1);
        application_->clear();
        profile_->setCurrentIndex(0);
        FillRules(-1);
        const bool watchable = controller_.Availability() != ActiveWindowWatcher::Availability::Unavailable;
        Button(Pick)->setEnabled(watchable);
    }
    ApplyLanguage();
    ShowStandingNote();
    show();
    raise();
    activateWindow();
}

void AutoProfileDialog::ApplyLanguage()
{
    static_cast<QLabel*>(Control(Title))->setText(Text("PROFILE_AUTO_TITLE"));
    enable_->setText(Text("PROFILE_AUTO_ENABLE"));
    application_->setPlaceholderText(Text("PROFILE_AUTO_APPLICATION"));
    for (int i = 0; i < 3; ++i) {
        profile_->setItemText(i, ProfileName(i));
        default_->setItemText(i + 1, ProfileName(i));
    }
    default_->setItemText(0, Text("PROFILE_AUTO_KEEP"));
    rules_->setHorizontalHeaderLabels({Text("PROFILE_AUTO_COLUMN_APPLICATION"), Text("PROFILE_AUTO_COLUMN_PROFILE")});
    static_cast<QLabel*>(Control(DefaultCaption))->setText(Text("PROFILE_AUTO_DEFAULT"));
    const struct {
        int id;
        const char* key;
    } captions[] = {{Pick, "PROFILE_AUTO_PICK"}, {Up, "PROFILE_AUTO_UP"}, {Down, "PROFILE_AUTO_DOWN"},
                    {Remove, "PROFILE_AUTO_REMOVE"}, {Ok, "PROFILE_OK"}, {Cancel, "PROFILE_CANCLE"}};
    for (const auto& caption : captions) {
        Button(caption.id)->setText(Text(caption.key));
        FitCaption(Button(caption.id));
    }
    FillRules(SelectedRow());
    UpdateAddCaption();
}

QString AutoProfileDialog::ProfileName(int profile) const
{
    return profile >= 0 && profile < 3 ? Text(ProfileKeys[profile]) : QString();
}

void AutoProfileDialog::FillRules(int selectRow)
{
    const QSignalBlocker quiet(rules_);
    rules_->clearSelection();
    rules_->setRowCount(static_cast<int>(settings_.rules.size()));
    for (int row = 0; row < rules_->rowCount(); ++row) {
        const AutoProfileRule& rule = settings_.rules[static_cast<size_t>(row)];
        rules_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(rule.application)));
        rules_->setItem(row, 1, new QTableWidgetItem(ProfileName(rule.profile)));
    }
    if (selectRow >= 0 && selectRow < rules_->rowCount()) {
        rules_->selectRow(selectRow);
        rules_->scrollToItem(rules_->item(selectRow, 0));
    }
    const bool selected = SelectedRow() >= 0;
    Button(Remove)->setEnabled(selected);
    Button(Up)->setEnabled(selected && SelectedRow() > 0);
    Button(Down)->setEnabled(selected && SelectedRow() + 1 < rules_->rowCount());
}

int AutoProfileDialog::SelectedRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = rules_->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void AutoProfileDialog::ShowSelection()
{
    const int row = SelectedRow();
    if (row >= 0 && row < static_cast<int>(settings_.rules.size())) {
        const AutoProfileRule& rule = settings_.rules[static_cast<size_t>(row)];
        application_->setText(QString::fromStdString(rule.application));
        profile_->setCurrentIndex(rule.profile);
    }
    FillRules(row);
    UpdateAddCaption();
}

bool AutoProfileDialog::ApplicationListed() const
{
    AutoProfileSettings probe = settings_;
    const size_t before = probe.rules.size();
    size_t index = 0;
    // The same test AddRule makes: a name it would change in place.
    return AddRule(probe, {application_->text().toStdString(), 0}, &index) == RuleError::None &&
           probe.rules.size() == before;
}

void AutoProfileDialog::UpdateAddCaption()
{
    CPngButton* add = Button(Add);
    add->setText(Text(ApplicationListed() ? "PROFILE_AUTO_CHANGE" : "PROFILE_AUTO_ADD"));
    FitCaption(add);
}

void AutoProfileDialog::AddFromFields()
{
    size_t index = 0;
    const RuleError error =
        AddRule(settings_, {application_->text().toStdString(), profile_->currentIndex()}, &index);
    if (const char* key = ErrorKey(error)) {
        SetNote(Text(key));
        return;
    }
    application_->clear();
    FillRules(static_cast<int>(index));
    UpdateAddCaption();
    ShowStandingNote();
}

void AutoProfileDialog::RemoveSelected()
{
    const int row = SelectedRow();
    if (row < 0 || RemoveRule(settings_, static_cast<size_t>(row)) != RuleError::None)
        return;
    application_->clear();
    FillRules(std::min(row, static_cast<int>(settings_.rules.size()) - 1));
    UpdateAddCaption();
}

void AutoProfileDialog::MoveSelected(int by)
{
    const int row = SelectedRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= static_cast<int>(settings_.rules.size()))
        return;
    std::swap(settings_.rules[static_cast<size_t>(row)], settings_.rules[static_cast<size_t>(to)]);
    FillRules(to);
}

void AutoProfileDialog::TogglePick()
{
    if (controller_.IsPicking()) {
        pickTimeout_.stop();
        controller_.CancelPick();
        Button(Pick)->SetMark(false);
        ShowStandingNote();
        return;
    }
    Button(Pick)->SetMark(true);
    SetNote(Text("PROFILE_AUTO_PICK_PROMPT"));
    // Nobody clicking for a minute has forgotten the pick, and the pointer
    // is not kept from the desktop for ever.
    pickTimeout_.start();
    controller_.PickNextWindow([this, self = QPointer<AutoProfileDialog>(this)](
                                   AutoProfileController::PickOutcome outcome, const WindowIdentity& window) {
        if (!self)
            return;
        pickTimeout_.stop();
        Button(Pick)->SetMark(false);
        if (outcome == AutoProfileController::PickOutcome::Ended) {
            ShowStandingNote();
            return;
        }
        if (outcome == AutoProfileController::PickOutcome::RefusesFocus) {
            SetNote(QString::fromStdString(FormatText(LoadText("PROFILE_AUTO_PICK_NO_FOCUS"), window.PreferredName())));
            return;
        }
        application_->setText(QString::fromStdString(window.PreferredName()));
        UpdateAddCaption();
        QString picked = QString::fromStdString(window.PreferredName());
        if (!window.executable.empty() && window.executable != window.PreferredName())
            picked += QStringLiteral(" (%1)").arg(QString::fromStdString(window.executable));
        SetNote(QString::fromStdString(FormatText(LoadText("PROFILE_AUTO_PICKED"), picked.toStdString())));
        raise();
        activateWindow();
    });
}

void AutoProfileDialog::SetNote(const QString& text)
{
    note_->setText(text);
}

void AutoProfileDialog::ShowStandingNote()
{
    switch (controller_.Availability()) {
    case ActiveWindowWatcher::Availability::Unavailable:
        SetNote(Text("PROFILE_AUTO_UNAVAILABLE"));
        break;
    case ActiveWindowWatcher::Availability::XWayland:
        SetNote(Text("PROFILE_AUTO_XWAYLAND"));
        break;
    case ActiveWindowWatcher::Availability::X11:
        SetNote(Text("PROFILE_AUTO_HINT"));
        break;
    }
}

void AutoProfileDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape ends a pick first, the dialog only after.
    if (event->key() == Qt::Key_Escape && controller_.IsPicking()) {
        TogglePick();
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

void AutoProfileDialog::accept()
{
    pickTimeout_.stop();
    controller_.CancelPick();
    Button(Pick)->SetMark(false);
    if (!SaveAutoProfileSettings(settings_)) {
        SetNote(Text("PROFILE_AUTO_SAVE_FAILED"));
        return;
    }
    // At once, not when the file watch notices: the window active now is
    // judged by the new rules before anything else happens.
    controller_.ReloadSettings();
    CBaseDialog::accept();
}

void AutoProfileDialog::reject()
{
    pickTimeout_.stop();
    controller_.CancelPick();
    Button(Pick)->SetMark(false);
    CBaseDialog::reject();
}
