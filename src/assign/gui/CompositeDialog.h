#pragma once

#include "assign/gui/CompositeControls.h"
#include "assign/gui/CompositeMacroTab.h"
#include "skin/gui/BaseDialog.h"

#include <QElapsedTimer>
#include <QPixmap>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

class CompositeKeyTab;
class CompositeTab;
class CompositeListTab;
class CPngButton;
class KeyboardGrab;
class MacroEventModel;
class QKeyEvent;
class QLabel;
class QTableView;

// The main window's macro-edit button opens the editor as G9 does.
inline constexpr int MacroOnlyControlId = 1143;

// The key function editor and macro editor: what one key does in the current
// profile (its own function, another key or a mouse action, a macro, a
// multimedia or keyboard function). Skinned from Skins/Composite.ini. One
// instance lives beside the main window and is reused for every key; it is
// modal while shown.
//
// Split by concern: CompositeDialog.cpp builds, places, opens, closes and
// applies; CompositeTabs.cpp switches the tabs and captures single keys.
// Each tab is a part of the window of its own (CompositeKeyTab,
// CompositeMacroTab, and CompositeListTab twice) holding its controls. The
// macro tab also owns the working copies of the macros and the recorder:
// the editor asks it which macro the key plays, stores its copies on OK or
// Apply, and hands it the keyboard's keys while it records.
class Varkelin_DlgComposite : public CBaseDialog {
    Q_OBJECT
public:
    // keyRect: the clicked button's rectangle on the screen, for placement.
    explicit Varkelin_DlgComposite(QWidget* parent = nullptr);
    ~Varkelin_DlgComposite() override;

    // Opens the editor for a main-window key button or G button (an id in
    // neither table does nothing and returns false). The dialog is shown
    // modal and returns at once; it is placed beside keyRect (screen
    // coordinates), or centred for G9 and the macro button.
    bool EditKey(int controlId, const QRect& keyRect);
    // Closes like Cancel when open.
    void CloseKeyEditor();
    bool IsOpen() const { return openCounter_ > 0; }
    int OpenCounter() const { return openCounter_; }
    // Re-applies every text (the "LANG" message).
    void ApplyLanguage(int languageIndex);
    // The main window's button that opened the editor gets its pressed look
    // while the editor is open; the window supplies how.
    void SetButtonLookHandler(std::function<void(int controlId, bool selected)> handler)
    {
        buttonLook_ = std::move(handler);
    }
    // The window system's keyboard grab; the default has none.
    void SetKeyboardGrab(std::unique_ptr<KeyboardGrab> grab);
    // A monotonic millisecond clock for recording (tests drive their own).
    void SetClock(std::function<uint64_t()> clock) { clock_ = std::move(clock); }

    // State, for the main window and tests.
    uint16_t ChosenType() const { return chosenType_; }
    uint16_t CapturedKey() const { return capturedKey_; }
    uint16_t KeyIndex() const { return keyIndex_; }
    int ControlId() const { return controlId_; }
    bool IsMacroOnly() const { return macroOnly_; }
    bool IsChanged() const;
    bool IsCapturing() const { return capturing_; }
    bool IsRecording() const { return macroTab_->IsRecording(); }
    bool IsKeyboardGrabbed() const;
    CompositeMacroTab* MacroTab() const { return macroTab_; }
    const MacroList& Macros() const { return macroTab_->Macros(); }
    QTableView* EventView() const { return macroTab_->EventView(); }
    MacroEventModel* EventModel() const { return macroTab_->EventModel(); }

    // The commands, as their buttons run them. ApplyKeyFunction stores
    // without asking; the Apply and OK buttons first ask when the macros do
    // not fit the keyboard at all (OnApplyButton, accept).
    void ApplyKeyFunction();
    void OnApplyButton();
    void OnTab(int tabId);
    void OnClear();
    void OnKeyboardChoice();
    void OnMouseChoice();
    void OnOnScreenKeyboard();

    // Where the editor would be placed for a button rectangle on a screen
    // (macro-only: centred).
    static QPoint Placement(const QRect& screen, const QRect& key, const QSize& dialog, bool centred);

signals:
    // F1 while not recording: the main window's help.
    void helpRequested();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public slots:
    void accept() override;
    void reject() override;

private:
    // CompositeDialog.cpp
    void LoadPictures();
    void CreateControls();
    CPngButton* AddFacedButton(int id, const char* skinKey, const QPixmap* set);
    // The tabs, by the tab button's id.
    CompositeTab* Tab(int tabId) const;
    void StyleControls();
    void ConnectControls();
    void FillLists();
    void Open();
    void Close();
    void SetChanged(bool changed);
    void SetStatus(const QString& text);

    // CompositeTabs.cpp
    void SwitchTab(bool initial);
    void ShowTabControls();
    void SetKeyChoice(bool keyboard);
    void ShowCapturedKey();
    void StartCapture();
    void StopCapture();
    // Takes the keyboard (event filter and grab) while capturing or
    // recording in a shown window, the grab only while the window is
    // active; gives it back otherwise.
    void UpdateKeyboardTaking();
    // True when the event was the editor's (captured, recorded or swallowed).
    bool HandleKeyEvent(QKeyEvent* event);
    void CaptureKey(QKeyEvent* event, uint16_t keyCode, bool released);

    uint16_t layer_ = 0;
    uint16_t keyIndex_ = 0;
    int controlId_ = 0;
    bool macroOnly_ = false;
    uint16_t chosenType_ = 0;
    uint16_t capturedKey_ = 0;
    uint32_t slotValue_ = 0;
    bool firstMacroSwitch_ = true;
    int openCounter_ = 0;
    int languageIndex_ = 0;

    bool capturing_ = false;
    std::set<uint16_t> captureDown_;
    std::unique_ptr<KeyboardGrab> grab_;
    std::function<uint64_t()> clock_;
    QElapsedTimer monotonic_;
    std::function<void(int, bool)> buttonLook_;

    // The picture sets: key, macro, macro2, media, function; each normal,
    // over, down, disabled.
    QPixmap key_[4], macro_[4], macro2_[4], media_[4], function_[4];
    CompositeKeyTab* keyTab_ = nullptr;
    CompositeMacroTab* macroTab_ = nullptr;
    CompositeListTab* mediaTab_ = nullptr;
    CompositeListTab* functionTab_ = nullptr;
    QLabel* status_ = nullptr;
};
