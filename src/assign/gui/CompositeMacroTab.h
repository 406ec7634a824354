#pragma once

#include "assign/gui/CompositeTab.h"

class MacroEventDelegate;
class MacroEventModel;
class MacroMemoryGauge;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

// The macro tab's controls: the macro list with its name field, the play
// count, the event list and its buttons, the recorder's switches and the
// memory gauge. What they do to the working copies is the editor's
// (CompositeMacros.cpp): it holds the copies and the recorder.
class CompositeMacroTab : public CompositeTab {
    Q_OBJECT
public:
    // set: the macro buttons' pictures (normal, over, down, disabled).
    CompositeMacroTab(CBaseDialog& dialog, const QPixmap* set, MacroEventModel* events, MacroEventDelegate* delegate);

    QComboBox* MacroList() const { return macroList_; }
    QLineEdit* PlayCount() const { return playCount_; }
    QTableView* EventView() const { return eventView_; }
    QCheckBox* RecordDelays() const { return recordDelays_; }
    MacroMemoryGauge* Gauge() const { return gauge_; }
    QLabel* GaugeCaption() const { return gaugeCaption_; }
    // Skins made before the gauge have no place for it: it stays hidden.
    bool GaugePlaced() const { return gaugePlaced_; }

private:
    QComboBox* macroList_ = nullptr;
    QLineEdit* playCount_ = nullptr;
    QTableView* eventView_ = nullptr;
    QCheckBox* recordDelays_ = nullptr;
    MacroMemoryGauge* gauge_ = nullptr;
    QLabel* gaugeCaption_ = nullptr;
    bool gaugePlaced_ = false;
};
