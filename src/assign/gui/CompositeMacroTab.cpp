#include "assign/gui/CompositeMacroTab.h"

#include "actions/MacroEditing.h"
#include "assign/gui/CompositeControls.h"
#include "assign/gui/MacroEventModel.h"
#include "assign/gui/MacroMemoryGauge.h"

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

} // namespace

CompositeMacroTab::CompositeMacroTab(CBaseDialog& dialog, const QPixmap* set, MacroEventModel* events,
                                     MacroEventDelegate* delegate)
    : CompositeTab(dialog)
{
    setObjectName(QStringLiteral("MacroTab"));
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
    eventView_->setModel(events);
    eventView_->setItemDelegate(delegate);
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
}
