#include "assign/gui/CompositeMacroTab.h"

#include "assign/gui/MacroEventModel.h"
#include "macro/RecordDelaySetting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>

void CompositeMacroTab::ToggleRecording()
{
    if (!recorder_.IsRecording()) {
        if (macros_.selected < 0)
            return;
        EndCellEditing();
        recorder_.Start(links_.now());
        // The macro list is disabled while recording; left focused, Qt would
        // hand its focus on to the next control (the play count), where the
        // owner's typing would land once the recording ends.
        focusBeforeRecording_ = window()->focusWidget();
        if (focusBeforeRecording_ &&
            (focusBeforeRecording_ == macroList_ || macroList_->isAncestorOf(focusBeforeRecording_)))
            focusBeforeRecording_->clearFocus();
    } else {
        recorder_.Stop();
    }
    ApplyRecordButtonTexts();
    UpdateMacroButtons();
    links_.recordingChanged();
    if (!recorder_.IsRecording() && focusBeforeRecording_ && !window()->focusWidget() &&
        focusBeforeRecording_->isEnabled() && focusBeforeRecording_->isVisible())
        focusBeforeRecording_->setFocus(Qt::OtherFocusReason);
}

void CompositeMacroTab::StopRecording()
{
    if (recorder_.IsRecording())
        ToggleRecording();
}

void CompositeMacroTab::RecordKey(QKeyEvent* event, uint16_t keyCode, bool released)
{
    const RecordStep step = recorder_.OnKey(keyCode, released, event->isAutoRepeat(), links_.now(),
                                            static_cast<uint64_t>(event->timestamp()));
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

void CompositeMacroTab::ReleaseHeldKeys()
{
    if (recorder_.IsRecording())
        AddRecordedStep(recorder_.ReleaseHeldKeys(links_.now()));
}

void CompositeMacroTab::AddRecordedStep(const RecordStep& step)
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
        links_.changed();
}

void CompositeMacroTab::OnRecordDelays()
{
    recordDelays_->setChecked(WriteRecordDelaysSetting(recordDelays_->isChecked() ? 1 : 0) == 1);
}
