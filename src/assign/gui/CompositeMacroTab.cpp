#include "assign/gui/CompositeMacroTab.h"

#include "actions/MacroEditing.h"
#include "assign/gui/CompositeControls.h"
#include "assign/gui/MacroEventModel.h"
#include "assign/gui/MacroMemoryGauge.h"
#include "device/protocol/DeviceState.h"
#include "macro/MacroMemoryUse.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"
#include "text/LanguageTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

using namespace CompositeControl;

namespace {

// The play count field takes at most this many characters; longer pastes are
// cut by the field before they are read.
constexpr int MaxPlayCountChars = 6;

// Width of each event-list column in the dialog's units.
constexpr int EventColumnUnits = 63;

// The gauge's caption is drawn at this size, or smaller down to the minimum
// where a language's text is longer than its place.
constexpr double MemoryCaptionPointSize = 9.5;
constexpr double MinMemoryCaptionPointSize = 7;

// A column is as wide as its title needs, at least the given width.
int ColumnWidth(const QHeaderView* header, const QString& title, int least)
{
    return std::max(least, header->fontMetrics().horizontalAdvance(title) + 18);
}

} // namespace

CompositeMacroTab::CompositeMacroTab(CBaseDialog& dialog, const QPixmap* set, Links links)
    : CompositeTab(dialog), links_(std::move(links))
{
    setObjectName(QStringLiteral("MacroTab"));
    eventModel_ = new MacroEventModel(macros_.rows, this);
    eventDelegate_ = new MacroEventDelegate(this);
    Add<QLabel>(MacroNameCaption, "MARCO_NAME_SETTING");
    macroList_ = Add<QComboBox>(MacroListBox, "FUNC_MACRO_LIST");
    macroList_->setEditable(true);
    macroList_->setInsertPolicy(QComboBox::NoInsert);
    macroList_->setMaxVisibleItems(14);
    macroList_->lineEdit()->setMaxLength(static_cast<int>(MaxMacroNameUnits));
    AddButton(NewMacro, "FUNC_MACRO_ADD", set);
    AddButton(DeleteMacro, "FUNC_MACRO_DELETE", set);
    Add<QLabel>(PlayCountCaption, "FUNC_MACRO_CYCLES_PROMPT");
    playCount_ = Add<QLineEdit>(CompositeControl::PlayCount, "FUNC_MACRO_CYCLES");
    playCount_->setMaxLength(MaxPlayCountChars);
    playCount_->setAlignment(Qt::AlignCenter);
    eventView_ = Add<QTableView>(EventList, "FUNC_MACRO_LIST2");
    eventView_->setModel(eventModel_);
    eventView_->setItemDelegate(eventDelegate_);
    eventView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    eventView_->setSelectionMode(QAbstractItemView::SingleSelection);
    eventView_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked);
    eventView_->setShowGrid(true);
    eventView_->setWordWrap(false);
    eventView_->verticalHeader()->hide();
    // Every row has the same height: the view never measures 4000 rows.
    eventView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    eventView_->verticalHeader()->setDefaultSectionSize(20);
    eventView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    eventView_->horizontalHeader()->setHighlightSections(false);
    eventView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The key name takes what the direction and the delay leave.
    eventView_->horizontalHeader()->setSectionResizeMode(MacroEventModel::KeyColumn, QHeaderView::Stretch);
    eventView_->setColumnWidth(MacroEventModel::DirectionColumn, EventColumnUnits);
    eventView_->setColumnWidth(MacroEventModel::DelayColumn, EventColumnUnits + 20);
    AddButton(Record, "FUNC_MACRO_RECORD", set);
    AddButton(DeleteEvent, "FUNC_MACRO_DELETE2", set);
    AddButton(ClearEvents, "FUNC_MACRO_CLEAR", set);
    AddButton(MoveTop, "FUNC_MACRO_UP_TOP", set);
    AddButton(MoveUp, "FUNC_MACRO_UP", set);
    AddButton(MoveDown, "FUNC_MACRO_DOWN", set);
    AddButton(MoveBottom, "FUNC_MACRO_DOWN_BOTTOM", set);
    recordDelays_ = Add<QCheckBox>(CompositeControl::RecordDelays, "FUNC_MACRO_RECORD_DELAY");
    Add<QLabel>(RecordDelaysCaption, "FUNC_MACRO_RECORD_DELAY2");
    gaugeCaption_ = Add<QLabel>(MemoryCaption, "FUNC_MACRO_MEMORY_PROMPT");
    gauge_ = new MacroMemoryGauge(dialog.Images(), this);
    gauge_->setObjectName(QStringLiteral("FUNC_MACRO_MEMORY"));
    Keep(MemoryGauge, gauge_);
    gaugePlaced_ = !dialog.PlaceInWindow(gauge_, "FUNC_MACRO_MEMORY").IsUnplaced() &&
                   !ReadSkinRect(dialog.Ini(), "BUTTONINFO", "FUNC_MACRO_MEMORY_PROMPT").IsUnplaced();
    ConnectControls();
}

void CompositeMacroTab::ConnectControls()
{
    connect(Button(NewMacro), &QAbstractButton::clicked, this, &CompositeMacroTab::OnNewMacro);
    connect(Button(DeleteMacro), &QAbstractButton::clicked, this, &CompositeMacroTab::OnDeleteMacro);
    connect(macroList_, &QComboBox::currentIndexChanged, this, &CompositeMacroTab::OnMacroSelected);
    connect(macroList_->lineEdit(), &QLineEdit::textEdited, this, &CompositeMacroTab::OnMacroNameEdited);
    connect(playCount_, &QLineEdit::textEdited, this, &CompositeMacroTab::OnPlayCountEdited);
    connect(Button(DeleteEvent), &QAbstractButton::clicked, this, &CompositeMacroTab::OnDeleteEvent);
    connect(Button(ClearEvents), &QAbstractButton::clicked, this, &CompositeMacroTab::OnClearEvents);
    for (int move : {MoveTop, MoveUp, MoveDown, MoveBottom})
        connect(Button(move), &QAbstractButton::clicked, this, [this, move] { OnMoveEvent(move); });
    connect(Button(Record), &QAbstractButton::clicked, this, &CompositeMacroTab::ToggleRecording);
    connect(recordDelays_, &QAbstractButton::clicked, this, &CompositeMacroTab::OnRecordDelays);
    eventModel_->SetChangedHandler([this] { links_.changed(); });
    eventDelegate_->SetDelayEditStarted([this] { StopRecording(); });
}

void CompositeMacroTab::ApplyLanguage(int languageIndex)
{
    languageIndex_ = languageIndex;
    // Its caption is the static beside it.
    recordDelays_->setText(QString());
    eventModel_->SetHeaders(QString::fromStdString(LoadText("MACRO_KEYS_TISHI", languageIndex_)),
                            QString::fromStdString(LoadText("MACRO_ACTION_TISHI", languageIndex_)),
                            QString::fromStdString(LoadText("MACRO_DELAY_MS", languageIndex_)));
    eventModel_->LanguageChanged();
    QHeaderView* header = eventView_->horizontalHeader();
    eventView_->setColumnWidth(MacroEventModel::DirectionColumn,
                               ColumnWidth(header, eventModel_->headerData(MacroEventModel::DirectionColumn,
                                                                           Qt::Horizontal, Qt::DisplayRole).toString(),
                                           EventColumnUnits));
    eventView_->setColumnWidth(MacroEventModel::DelayColumn,
                               ColumnWidth(header, eventModel_->headerData(MacroEventModel::DelayColumn,
                                                                           Qt::Horizontal, Qt::DisplayRole).toString(),
                                           EventColumnUnits + 20));
    ApplyRecordButtonTexts();
}

void CompositeMacroTab::ApplyRecordButtonTexts()
{
    CPngButton* record = Button(Record);
    const bool recording = recorder_.IsRecording();
    record->setText(QString::fromStdString(
        LoadText(recording ? "MACRO_ACTION_STOP_RECORD1" : "MACRO_ACTION_RECORD", languageIndex_)));
    record->SetTooltip(QString::fromStdString(
                           LoadText(recording ? "MACRO_ACTION_STOP_RECORD" : "MACRO_ACTION_RECORD", languageIndex_)),
                       true);
    record->SetMark(recording, true);
}

void CompositeMacroTab::UpdateMemoryGauge()
{
    const MacroMemoryUse use = MeasureMacroMemory(macros_, g_macroCapacity.load());
    gauge_->SetUse(use);
    const QString caption = MacroMemoryGauge::Caption(use, languageIndex_);
    const QString tip = MacroMemoryGauge::Tooltip(use, languageIndex_);
    if (gaugeCaption_->text() != caption) {
        const QString family = ResolveSkinFontFamily(QStringLiteral("Arial Unicode MS"));
        double size = MemoryCaptionPointSize;
        while (size > MinMemoryCaptionPointSize &&
               QFontMetrics(SkinFont(family, size, false)).horizontalAdvance(caption) > gaugeCaption_->width())
            size -= 0.5;
        gaugeCaption_->setFont(SkinFont(family, size, false));
        gaugeCaption_->setText(caption);
    }
    QPalette palette = gaugeCaption_->palette();
    palette.setColor(QPalette::WindowText, MacroMemoryGauge::CaptionColour(use));
    gaugeCaption_->setPalette(palette);
    gaugeCaption_->setToolTip(tip);
    gauge_->setToolTip(tip);
}
