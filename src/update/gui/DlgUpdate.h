#pragma once

#include "skin/gui/BaseDialog.h"
#include "update/gui/UpdaterLauncher.h"

#include <memory>

class CPngButton;
class QComboBox;
class QLabel;

// Control ids of the firmware update window.
namespace UpdateControl {
inline constexpr int Update = 1147, PathBox = 1178, Label = 1179, CancelUpdate = 1180, Open = 1181, Backup = 1182;
// The skin's close button in the title bar: the window's own close.
inline constexpr int Close = 1183;
// The language's title over the skin's title bar.
inline constexpr int Title = 1184;
} // namespace UpdateControl

// The firmware update window: choose an updater, back up the configuration,
// switch the keyboard to its loader and start the updater. Laid out from
// Skins/UpdateDlg.ini and faced from update_normal.jpg and update_over.jpg;
// shown window-modal over the main window when command 32780 arrives.
class CVarkelin_DlgUpdate : public CBaseDialog {
    Q_OBJECT
public:
    explicit CVarkelin_DlgUpdate(QWidget* parent, std::unique_ptr<UpdaterLauncher> launcher = {});
    ~CVarkelin_DlgUpdate() override;

    // Shows the window with the updater chosen before (if any).
    void Open();
    void ApplyLanguage(int languageIndex);

    // The buttons' actions.
    void ChooseFile();
    void Update();
    void CancelUpdate();
    void Backup();

    QComboBox* PathBox() const { return pathBox_; }
    QLabel* Label() const { return label_; }
    QLabel* Title() const { return title_; }

private:
    void CreateControls();
    void ShowPath();

    std::unique_ptr<UpdaterLauncher> launcher_;
    QComboBox* pathBox_ = nullptr;
    QLabel* label_ = nullptr;
    QLabel* title_ = nullptr;
    SkinButtonFaces faces_;
};
