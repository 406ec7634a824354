#pragma once

#include "autoprofile/AutoProfileRules.h"
#include "skin/gui/BaseDialog.h"

#include <QTimer>

class AutoProfileController;
class CPngButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// Controls of the automatic profiles dialog, by id.
namespace AutoProfileControl {
inline constexpr int Title = 1, Close = 2, Enable = 3, Application = 4, Profile = 5, Pick = 6, Add = 7;
inline constexpr int Rules = 8, Up = 9, Down = 10, Remove = 11, DefaultCaption = 12, Default = 13;
inline constexpr int Note = 14, Ok = 15, Cancel = 16;
} // namespace AutoProfileControl

// The rules of automatic profiles on the skin ("Skins/AutoProfile.ini"): the
// rule list in order, a field and a profile for the rule being added (typed,
// or picked from the next window the owner clicks), the profile for every
// other application, and the switch that turns it all off. OK saves to the
// settings store and the running program follows at once.
class AutoProfileDialog : public CBaseDialog {
    Q_OBJECT
public:
    AutoProfileDialog(AutoProfileController& controller, QWidget* parent = nullptr);
    ~AutoProfileDialog() override;

    // Shows the stored rules; a dialog already open is brought forward as
    // it is.
    void Open();
    void ApplyLanguage();

    // The settings as edited so far.
    const AutoProfileSettings& Edited() const { return settings_; }

public slots:
    void accept() override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    CPngButton* AddFacedButton(int id, const char* skinKey);
    void Connect();
    void FillRules(int selectRow);
    void ShowSelection();
    void UpdateAddCaption();
    void AddFromFields();
    void RemoveSelected();
    void MoveSelected(int by);
    void TogglePick();
    void SetNote(const QString& text);
    void ShowStandingNote();
    int SelectedRow() const;
    QString ProfileName(int profile) const;
    bool ApplicationListed() const;

    AutoProfileController& controller_;
    AutoProfileSettings settings_;
    SkinButtonFaces faces_;
    QLineEdit* application_ = nullptr;
    QComboBox* profile_ = nullptr;
    QComboBox* default_ = nullptr;
    QCheckBox* enable_ = nullptr;
    QTableWidget* rules_ = nullptr;
    QLabel* note_ = nullptr;
    QTimer pickTimeout_;
};
