#pragma once

#include "assign/gui/CompositeTab.h"
#include "macro/MacroList.h"
#include "macro/MacroRecorder.h"

#include <QPointer>

#include <cstdint>
#include <functional>

class MacroEventDelegate;
class MacroEventModel;
class MacroMemoryGauge;
class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QTableView;

// The macro tab: the macro list with its name field, the play count, the
// event list and its buttons, the recorder's switches and the memory gauge,
// and what they do. It owns the working copies of all macros (read from the
// document when the editor opens, written back by its OK or Apply) and the
// recorder; the editor hands it the keys while it records.
//
// Split by job: CompositeMacroTab.cpp makes the controls and their texts;
// CompositeMacroEditing.cpp edits the list, the names and the events;
// CompositeMacroRecording.cpp records.
class CompositeMacroTab : public CompositeTab {
    Q_OBJECT
public:
    // What the tab needs of the editor around it.
    struct Links {
        // The editor is open for a key (a new macro needs one).
        std::function<bool()> isOpen;
        // A monotonic millisecond clock for recording.
        std::function<uint64_t()> now;
        // The owner changed something that OK or Apply would store.
        std::function<void()> changed;
        // A recording started or stopped: the editor takes or gives back
        // the keyboard.
        std::function<void()> recordingChanged;
    };

    // set: the macro buttons' pictures (normal, over, down, disabled).
    CompositeMacroTab(CBaseDialog& dialog, const QPixmap* set, Links links);

    QComboBox* MacroList() const { return macroList_; }
    QLineEdit* PlayCount() const { return playCount_; }
    QTableView* EventView() const { return eventView_; }
    MacroEventModel* EventModel() const { return eventModel_; }
    QCheckBox* RecordDelays() const { return recordDelays_; }
    MacroMemoryGauge* Gauge() const { return gauge_; }
    QLabel* GaugeCaption() const { return gaugeCaption_; }
    // Skins made before the gauge have no place for it: it stays hidden.
    bool GaugePlaced() const { return gaugePlaced_; }
    // The working copies.
    const ::MacroList& Macros() const { return macros_; }
    bool IsRecording() const { return recorder_.IsRecording(); }

    // The editor opens: fresh working copies from the document, none shown,
    // play count 1, not recording.
    void Open();
    // The editor closed: the working copies are dropped.
    void Clear();
    // Shows the macro a key plays: the first one when no macro has the id,
    // none when there are no macros.
    void ShowMacroOfKey(uint32_t macroId);
    // What a key assigned to the shown macro stores: its id in the document
    // (0 when none is shown) and the play count.
    uint16_t ChosenMacroId() const;
    uint16_t Cycles() const;
    // Ends the cell editing and the recording, and writes the working
    // copies to the document (ApplyMacroEdits' result).
    int32_t StoreEdits();
    // Before OK or Apply: false when the owner chose to keep editing macros
    // that do not fit the keyboard at all.
    bool ConfirmMacroMemory();
    // The texts of the current language (the editor sets the captions).
    void ApplyLanguage(int languageIndex);
    // The gauge and its caption follow the working copies.
    void UpdateMemoryGauge();
    // A cell editor's text goes into its row and the editor closes.
    void EndCellEditing();

    // The commands, as their controls run them.
    void OnNewMacro();
    void OnDeleteMacro();
    void OnMacroSelected(int position);
    void OnMacroNameEdited(const QString& text);
    void OnPlayCountEdited(const QString& text);
    void OnDeleteEvent();
    void OnClearEvents();
    void OnMoveEvent(int controlId);
    void ToggleRecording();
    void StopRecording();
    void OnRecordDelays();

    // A key event while recording (keyCode 0 for a key without a code).
    void RecordKey(QKeyEvent* event, uint16_t keyCode, bool released);
    // Another window became active: the keys down now will be released
    // there, so the macro gets their releases now.
    void ReleaseHeldKeys();

private:
    // CompositeMacroTab.cpp
    void ConnectControls();
    void ApplyRecordButtonTexts();

    // CompositeMacroEditing.cpp
    void FillMacroList();
    void ShowSelectedMacro();
    void StoreShownMacro();
    void UpdateMacroButtons();
    void SelectEventRow(int row);
    int SelectedEventRow() const;

    // CompositeMacroRecording.cpp
    void AddRecordedStep(const RecordStep& step);

    Links links_;
    int languageIndex_ = 0;
    ::MacroList macros_;
    MacroRecorder recorder_;
    QPointer<QWidget> focusBeforeRecording_;
    // The row of the release recorded last, -1 when the last event was none.
    int lastReleaseRow_ = -1;
    bool fillingMacroList_ = false;
    bool renaming_ = false;

    MacroEventModel* eventModel_ = nullptr;
    MacroEventDelegate* eventDelegate_ = nullptr;
    QComboBox* macroList_ = nullptr;
    QLineEdit* playCount_ = nullptr;
    QTableView* eventView_ = nullptr;
    QCheckBox* recordDelays_ = nullptr;
    MacroMemoryGauge* gauge_ = nullptr;
    QLabel* gaugeCaption_ = nullptr;
    bool gaugePlaced_ = false;
};
