#include "assign/gui/CompositeMacroTab.h"

#include "actions/MacroApply.h"
#include "actions/MacroEditing.h"
#include "assign/gui/CompositeControls.h"
#include "assign/gui/MacroEventModel.h"
#include "assign/gui/MacroMemoryGauge.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "device/protocol/DeviceState.h"
#include "macro/MacroMemoryUse.h"
#include "macro/RecordDelaySetting.h"
#include "skin/gui/PngButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

namespace {

using namespace CompositeControl;

// The pause before a new macro replaces an abandoned rename.
constexpr int RenameRetryMs = 16;

constexpr int EventButtons[] = {Record, DeleteEvent, ClearEvents, MoveTop, MoveUp, MoveDown, MoveBottom};

} // namespace

void CompositeMacroTab::Open()
{
    playCount_->setText(QStringLiteral("1"));
    recorder_.Stop();
    FillMacroList();
    recordDelays_->setChecked(ReadRecordDelaysSetting() == 1);
}

void CompositeMacroTab::Clear()
{
    macros_ = ::MacroList();
    eventModel_->Reset();
    fillingMacroList_ = true;
    macroList_->clear();
    fillingMacroList_ = false;
}

void CompositeMacroTab::FillMacroList()
{
    macros_ = LoadMacroList();
    fillingMacroList_ = true;
    macroList_->clear();
    for (const MacroCopy& copy : macros_.macros)
        macroList_->addItem(QString::fromStdString(copy.View().Name()));
    macroList_->setCurrentIndex(-1);
    fillingMacroList_ = false;
    eventModel_->Reset();
    UpdateMacroButtons();
}

void CompositeMacroTab::ShowMacroOfKey(uint32_t macroId)
{
    int position = 0;
    for (size_t k = 0; macroId != 0 && k < macros_.macros.size(); ++k) {
        if (macros_.macros[k].View().MacroId() == macroId) {
            position = static_cast<int>(k);
            break;
        }
    }
    OnMacroSelected(macros_.macros.empty() ? -1 : position);
}

uint16_t CompositeMacroTab::ChosenMacroId() const
{
    const int position = macros_.selected;
    return position >= 0 ? GetMacroIdAt(position) : 0;
}

uint16_t CompositeMacroTab::Cycles() const
{
    return static_cast<uint16_t>(ClampCycles(playCount_->text().toStdString()));
}

int32_t CompositeMacroTab::StoreEdits()
{
    EndCellEditing();
    StopRecording();
    StoreShownMacro();
    return ApplyMacroEdits(macros_);
}

void CompositeMacroTab::StoreShownMacro()
{
    if (macros_.selected < 0 || static_cast<size_t>(macros_.selected) >= macros_.macros.size())
        return;
    macros_.macros[static_cast<size_t>(macros_.selected)].View().SetCycles(
        static_cast<uint8_t>(ClampCycles(playCount_->text().toStdString())));
    StoreSelectedEvents(macros_);
}

void CompositeMacroTab::OnMacroSelected(int position)
{
    if (fillingMacroList_)
        return;
    EndCellEditing();
    StoreShownMacro();
    SelectMacro(macros_, position);
    ShowSelectedMacro();
}

void CompositeMacroTab::ShowSelectedMacro()
{
    fillingMacroList_ = true;
    macroList_->setCurrentIndex(macros_.selected);
    if (macros_.selected < 0)
        macroList_->setEditText(QString());
    fillingMacroList_ = false;
    if (macros_.selected >= 0)
        playCount_->setText(QString::number(macros_.macros[static_cast<size_t>(macros_.selected)].View().Cycles()));
    eventModel_->Reset();
    UpdateMacroButtons();
}

void CompositeMacroTab::UpdateMacroButtons()
{
    const bool selected = macros_.selected >= 0;
    for (int id : EventButtons)
        Button(id)->setEnabled(selected);
    const bool recording = recorder_.IsRecording();
    Button(NewMacro)->setEnabled(!recording);
    Button(DeleteMacro)->setEnabled(!recording);
    macroList_->setEnabled(!recording);
}

void CompositeMacroTab::OnNewMacro()
{
    if (recorder_.IsRecording() || !links_.isOpen())
        return;
    EndCellEditing();
    StoreShownMacro();
    if (CreateMacro(macros_) < 0)
        return;
    fillingMacroList_ = true;
    macroList_->addItem(QString::fromStdString(macros_.macros.back().View().Name()));
    fillingMacroList_ = false;
    ShowSelectedMacro();
    links_.changed();
}

void CompositeMacroTab::OnDeleteMacro()
{
    if (recorder_.IsRecording() || macros_.selected < 0)
        return;
    EndCellEditing();
    const int position = macros_.selected;
    // The other macros keep what was typed for them; this one goes.
    if (!DeleteSelectedMacro(macros_))
        return;
    fillingMacroList_ = true;
    macroList_->removeItem(position);
    fillingMacroList_ = false;
    ShowSelectedMacro();
    links_.changed();
}

void CompositeMacroTab::OnMacroNameEdited(const QString& text)
{
    if (renaming_ || recorder_.IsRecording())
        return;
    const bool wasEmpty = macros_.macros.empty();
    const int cursor = macroList_->lineEdit()->cursorPosition();
    if (!wasEmpty)
        StoreShownMacro();
    const RenameResult result = RenameSelectedMacro(macros_, text.toStdString());
    renaming_ = true;
    fillingMacroList_ = true;
    switch (result.outcome) {
    case RenameResult::Renamed: {
        const QString name = QString::fromStdString(result.name);
        if (wasEmpty) {
            macroList_->addItem(name);
            macroList_->setCurrentIndex(0);
            playCount_->setText(QStringLiteral("1"));
            eventModel_->Reset();
        } else {
            macroList_->setItemText(macros_.selected, name);
        }
        macroList_->setEditText(name);
        macroList_->lineEdit()->setCursorPosition(name == text ? cursor : static_cast<int>(name.size()));
        links_.changed();
        break;
    }
    case RenameResult::CreateInstead:
        macroList_->setEditText(QString::fromStdString(result.name));
        QTimer::singleShot(RenameRetryMs, this, &CompositeMacroTab::OnNewMacro);
        break;
    case RenameResult::Ignored:
        break;
    }
    fillingMacroList_ = false;
    renaming_ = false;
    UpdateMacroButtons();
}

void CompositeMacroTab::OnPlayCountEdited(const QString& text)
{
    const QString corrected = QString::number(ClampCycles(text.toStdString()));
    if (corrected != text)
        playCount_->setText(corrected);
    links_.changed();
}

int CompositeMacroTab::SelectedEventRow() const
{
    const QModelIndexList rows = eventView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CompositeMacroTab::SelectEventRow(int row)
{
    if (row < 0 || row >= eventModel_->rowCount()) {
        eventView_->clearSelection();
        return;
    }
    const QModelIndex index = eventModel_->index(row, 0);
    eventView_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    eventView_->scrollTo(index);
}

void CompositeMacroTab::EndCellEditing()
{
    for (QWidget* editor : eventView_->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->objectName().endsWith(QLatin1String("Editor")))
            continue;
        QMetaObject::invokeMethod(eventView_, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, editor));
        QMetaObject::invokeMethod(eventView_, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget*, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    }
}

void CompositeMacroTab::OnDeleteEvent()
{
    const int row = SelectedEventRow();
    if (row < 0)
        return;
    EndCellEditing();
    if (!DeleteMacroEvent(macros_.rows, row))
        return;
    eventModel_->Reset();
    SelectEventRow(std::min(row, eventModel_->rowCount() - 1));
    links_.changed();
}

void CompositeMacroTab::OnClearEvents()
{
    EndCellEditing();
    if (!ClearMacroEvents(macros_.rows))
        return;
    eventModel_->Reset();
    links_.changed();
}

void CompositeMacroTab::OnMoveEvent(int controlId)
{
    const int row = SelectedEventRow();
    if (row < 0)
        return;
    EndCellEditing();
    const MoveTarget target = controlId == MoveTop ? MoveTarget::Top
                              : controlId == MoveUp ? MoveTarget::Up
                              : controlId == MoveDown ? MoveTarget::Down
                                                      : MoveTarget::Bottom;
    const int to = MoveMacroEvent(macros_.rows, row, target);
    if (to < 0)
        return;
    // Only the rows between the two places changed.
    emit eventModel_->dataChanged(eventModel_->index(std::min(row, to), 0),
                                  eventModel_->index(std::max(row, to), MacroEventModel::ColumnCount - 1));
    SelectEventRow(to);
    eventView_->setFocus();
    if (to != row)
        links_.changed();
}

bool CompositeMacroTab::ConfirmMacroMemory()
{
    EndCellEditing();
    StopRecording();
    const MacroMemoryUse use = MeasureMacroMemory(macros_, g_macroCapacity.load());
    // Without a capacity nothing can be judged (and nothing is written).
    if (use.capacity == 0 || use.fit != MacroFit::TooLarge)
        return true;
    return Prompts().AskYesNo(MacroMemoryGauge::TooLargeQuestion(use, languageIndex_).toStdString());
}
