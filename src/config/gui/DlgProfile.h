#pragma once

#include "skin/gui/BaseDialog.h"

#include <functional>

class CPngButton;
class ProfileListModel;
class QLabel;
class QTableView;

// Control ids of the profile manager.
namespace ProfileControl {
inline constexpr int Ok = 1, Cancel = 2;
inline constexpr int List = 1007, Load = 1008, New = 1010, Delete = 1011, Apply = 1012, Test = 1013;
// The language's title over the skin's title bar.
inline constexpr int Title = 1014;
} // namespace ProfileControl

// The profile manager: the keyboard's profiles and the owner's profile files
// in a report list; the ticked row is the profile to activate or the file to
// load into the keyboard. Laid out and faced from Skins/Profile.ini and
// Profile_normal/over/down.jpg (the pressed picture is also the disabled
// look). Created once with the main window's first request and shown
// window-modal over it; the open counter tells SelectProfile it is shown.
class CVarkelin_DlgProfile : public CBaseDialog {
    Q_OBJECT
public:
    // openHelp: what F1 does (the main window's help page).
    CVarkelin_DlgProfile(QWidget* parent, std::function<void()> openHelp);
    ~CVarkelin_DlgProfile() override;

    // The opening: the counter goes up, the list is filled anew with the
    // keyboard's three profiles (the active one ticked) and the files the
    // settings keep, Apply is disabled, and the window is shown.
    void Open();
    // Above 0 while the dialog is shown.
    int OpenCount() const { return openCount_; }
    // Changes the owner has not applied (the enabled state of Apply).
    bool HasChanges() const;
    // A profile switch made elsewhere: its row is ticked, Apply disabled.
    void ShowActiveProfile(int profile);
    void ApplyLanguage(int languageIndex);

    // The buttons' actions.
    void NewProfile();
    void LoadProfile();
    void DeleteSelectedRow();
    // ApplyProfileList's result; the active profile's row is ticked after.
    int ApplyChanges();

    ProfileListModel* Model() const { return model_; }
    QTableView* List() const { return list_; }
    QLabel* Title() const { return title_; }

signals:
    // After an Apply: the keyboard's active profile may have changed.
    void applied();

public slots:
    void accept() override;
    void reject() override;

protected:
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void SetApplyEnabled(bool enabled);
    // The selected row when it is one of the owner's files, else -1.
    int SelectedFileRow() const;
    void UpdateDeleteButton();
    void Close();

    std::function<void()> openHelp_;
    ProfileListModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QLabel* title_ = nullptr;
    SkinButtonFaces faces_;
    int openCount_ = 0;
};
