#include "assign/gui/CompositeDialog.h"

#include "device/protocol/DeviceState.h"
#include "base/UserPrompts.h"
#include "assign/gui/MacroEventModel.h"
#include "assign/gui/MacroMemoryGauge.h"
#include "macro/MacroMemoryUse.h"
#include "actions/MacroEditing.h"
#include "macro/RecordDelaySetting.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

namespace {

using namespace CompositeControl;

// The pause before a new macro replaces an abandoned rename.
constexpr int RenameRetryMs = 16;

constexpr int EventButtons[] = {Record, DeleteEvent, ClearEvents, MoveTop, MoveUp, MoveDown, MoveBottom};

// The gauge's caption is drawn at this size, or smaller down to the minimum
// where a language's text is longer than its place.
constexpr double MemoryCaptionPointSize = 9.5;
constexpr double MinMemoryCaptionPointSize = 7;

} // namespace

void Varkelin_DlgComposite::FillMacroList()
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

void Varkelin_DlgComposite::StoreShownMacro()
{
    if (macros_.selected < 0 || static_cast<size_t>(macros_.selected) >= macros_.macros.size())
        return;
    macros_.macros[static_cast<size_t>(macros_.selected)].View().SetCycles(
        static_cast<uint8_t>(ClampCycles(playCount_->text().toStdString())));
    StoreSelectedEvents(macros_);
}

void Varkelin_DlgComposite::OnMacroSelected(int position)
{
    if (fillingMacroList_)
        return;
    EndCellEditing();
    StoreShownMacro();
    SelectMacro(macros_, position);
    ShowSelectedMacro();
}

void Varkelin_DlgComposite::ShowSelectedMacro()
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

void Varkelin_DlgComposite::UpdateMacroButtons()
{
    const bool selected = macros_.selected >= 0;
    for (int id : EventButtons)
        Button(id)->setEnabled(selected);
    const bool recording = recorder_.IsRecording();
    Button(NewMacro)->setEnabled(!recording);
    Button(DeleteMacro)->setEnabled(!recording);
    macroList_->setEnabled(!recording);
}

void Varkelin_DlgComposite::OnNewMacro()
{
    if (recorder_.IsRecording() || !IsOpen())
        return;
    EndCellEditing();
    StoreShownMacro();
    if (CreateMacro(macros_) < 0)
        return;
    fillingMacroList_ = true;
    macroList_->addItem(QString::fromStdString(macros_.macros.back().View().Name()));
    fillingMacroList_ = false;
    ShowSelectedMacro();
    SetChanged(true);
}

void Varkelin_DlgComposite::OnDeleteMacro()
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
    SetChanged(true);
}

void Varkelin_DlgComposite::OnMacroNameEdited(const QString& text)
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
        SetChanged(true);
        break;
    }
    case RenameResult::CreateInstead:
        macroList_->setEditText(QString::fromStdString(result.name));
        QTimer::singleShot(RenameRetryMs, this, &Varkelin_DlgComposite::OnNewMacro);
        break;
    case RenameResult::Ignored:
        break;
    }
    fillingMacroList_ = false;
    renaming_ = false;
    UpdateMacroButtons();
}

void Varkelin_DlgComposite::OnPlayCountEdited(const QString& text)
{
    const QString corrected = QString::number(ClampCycles(text.toStdString()));
    if (corrected != text)
        playCount_->setText(corrected);
    SetChanged(true);
}

int Varkelin_DlgComposite::SelectedEventRow() const
{
    const QModelIndexList rows = eventView_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void Varkelin_DlgComposite::SelectEventRow(int row)
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

void Varkelin_DlgComposite::EndCellEditing()
{
    for (QWidget* editor : eventView_->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->objectName().endsWith(QLatin1String("Editor")))
            continue;
        QMetaObject::invokeMethod(eventView_, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, editor));
        QMetaObject::invokeMethod(eventView_, "closeEditor", Qt::DirectConnection, Q_ARG(QWidget*, editor),
                                  Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
    }
}

void Varkelin_DlgComposite::OnDeleteEvent()
{
    const int row = SelectedEventRow();
    if (row < 0)
        return;
    EndCellEditing();
    if (!DeleteMacroEvent(macros_.rows, row))
        return;
    eventModel_->Reset();
    SelectEventRow(std::min(row, eventModel_->rowCount() - 1));
    SetChanged(true);
}

void Varkelin_DlgComposite::OnClearEvents()
{
    EndCellEditing();
    if (!ClearMacroEvents(macros_.rows))
        return;
    eventModel_->Reset();
    SetChanged(true);
}

void Varkelin_DlgComposite::OnMoveEvent(int controlId)
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
        SetChanged(true);
}

void Varkelin_DlgComposite::ApplyRecordButtonTexts()
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

void Varkelin_DlgComposite::ToggleRecording()
{
    if (!recorder_.IsRecording()) {
        if (macros_.selected < 0)
            return;
        EndCellEditing();
        recorder_.Start(clock_());
        // The macro list is disabled while recording; left focused, Qt would
        // hand its focus on to the next control (the play count), where the
        // owner's typing would land once the recording ends.
        focusBeforeRecording_ = focusWidget();
        if (focusBeforeRecording_ &&
            (focusBeforeRecording_ == macroList_ || macroList_->isAncestorOf(focusBeforeRecording_)))
            focusBeforeRecording_->clearFocus();
    } else {
        recorder_.Stop();
    }
    ApplyRecordButtonTexts();
    UpdateMacroButtons();
    UpdateKeyboardTaking();
    if (!recorder_.IsRecording() && focusBeforeRecording_ && !focusWidget() &&
        focusBeforeRecording_->isEnabled() && focusBeforeRecording_->isVisible())
        focusBeforeRecording_->setFocus(Qt::OtherFocusReason);
}

void Varkelin_DlgComposite::StopRecording()
{
    if (recorder_.IsRecording())
        ToggleRecording();
}

void Varkelin_DlgComposite::RecordKey(QKeyEvent* event, uint16_t keyCode, bool released)
{
    const RecordStep step =
        recorder_.OnKey(keyCode, released, event->isAutoRepeat(), clock_(), static_cast<uint64_t>(event->timestamp()));
    if (step.retractRelease) {
        const int row = lastReleaseRow_;
        lastReleaseRow_ = -1;
        if (RetractRecordedEvent(macros_.rows, row)) {
            eventModel_->Reset();
            SelectEventRow(row - 1);
        }
        return;
    }
    AddRecordedStep(step);
}

void Varkelin_DlgComposite::ReleaseHeldKeys()
{
    captureDown_.clear();
    if (recorder_.IsRecording())
        AddRecordedStep(recorder_.ReleaseHeldKeys(clock_()));
}

void Varkelin_DlgComposite::AddRecordedStep(const RecordStep& step)
{
    lastReleaseRow_ = -1;
    bool added = false;
    for (const RecordedEvent& recorded : step.events) {
        const int row = AddRecordedEvent(macros_.rows, SelectedEventRow(), recorded, recordDelays_->isChecked());
        if (row < 0)
            break;
        eventModel_->RowInserted(row);
        SelectEventRow(row);
        added = true;
        lastReleaseRow_ = recorded.direction == MacroReleased ? row : -1;
    }
    if (added)
        SetChanged(true);
}

void Varkelin_DlgComposite::OnRecordDelays()
{
    recordDelays_->setChecked(WriteRecordDelaysSetting(recordDelays_->isChecked() ? 1 : 0) == 1);
}

void Varkelin_DlgComposite::UpdateMemoryGauge()
{
    const MacroMemoryUse use = MeasureMacroMemory(macros_, g_macroCapacity.load());
    memoryGauge_->SetUse(use);
    const QString caption = MacroMemoryGauge::Caption(use, languageIndex_);
    const QString tip = MacroMemoryGauge::Tooltip(use, languageIndex_);
    if (memoryCaption_->text() != caption) {
        const QString family = ResolveSkinFontFamily(QStringLiteral("Arial Unicode MS"));
        double size = MemoryCaptionPointSize;
        while (size > MinMemoryCaptionPointSize &&
               QFontMetrics(SkinFont(family, size, false)).horizontalAdvance(caption) > memoryCaption_->width())
            size -= 0.5;
        memoryCaption_->setFont(SkinFont(family, size, false));
        memoryCaption_->setText(caption);
    }
    QPalette palette = memoryCaption_->palette();
    palette.setColor(QPalette::WindowText, MacroMemoryGauge::CaptionColour(use));
    memoryCaption_->setPalette(palette);
    memoryCaption_->setToolTip(tip);
    memoryGauge_->setToolTip(tip);
}

bool Varkelin_DlgComposite::ConfirmMacroMemory()
{
    EndCellEditing();
    StopRecording();
    const MacroMemoryUse use = MeasureMacroMemory(macros_, g_macroCapacity.load());
    // Without a capacity nothing can be judged (and nothing is written).
    if (use.capacity == 0 || use.fit != MacroFit::TooLarge)
        return true;
    return Prompts().AskYesNo(MacroMemoryGauge::TooLargeQuestion(use, languageIndex_).toStdString());
}
