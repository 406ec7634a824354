#include "ui/MainWindow.h"

#include "device/protocol/ActiveProfile.h"
#include "actions/ProfileImport.h"
#include "actions/ProfileSwitch.h"
#include "text/LanguageTexts.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

namespace {

struct MenuEntry {
    int command;
    const char* key;
};

// The button menu's entries; their texts are set each time it opens. About
// is here too, so it is at hand on a desktop without a notification area.
constexpr MenuEntry ButtonMenuEntries[] = {
    {CmdImportProfile, "MENU_1"},
    {CmdExportProfile, "MENU_2"},
    {CmdAutoProfiles, "MENU_AUTO_PROFILES"},
    {0, nullptr},
    {CmdAbout, "MENU_22"},
};

} // namespace

void CVarkelinDlg::ShowButtonMenu()
{
    if (!buttonMenu_) {
        buttonMenu_ = new QMenu(this);
        buttonMenu_->setObjectName(QStringLiteral("ButtonMenu"));
        for (const MenuEntry& entry : ButtonMenuEntries) {
            if (entry.command == 0)
                buttonMenu_->addSeparator();
            else
                buttonMenu_->addAction(QString())->setData(entry.command);
        }
        connect(buttonMenu_, &QMenu::aboutToShow, this, [this] {
            for (QAction* action : buttonMenu_->actions()) {
                for (const MenuEntry& entry : ButtonMenuEntries) {
                    if (entry.command != 0 && action->data().toInt() == entry.command)
                        action->setText(QString::fromStdString(LoadText(entry.key)));
                }
            }
        });
        connect(buttonMenu_, &QMenu::triggered, this,
                [this](QAction* action) { OnMenuCommand(action->data().toInt()); });
    }
    // Opened from the keyboard the pointer may be anywhere, and on Wayland
    // its place is not known at all: the menu then hangs below its button.
    QPoint at = QCursor::pos();
    if (QWidget* button = Control(MainControl::Menu); button && !button->rect().contains(button->mapFromGlobal(at)))
        at = button->mapToGlobal(QPoint(0, button->height()));
    buttonMenu_->popup(at);
}

void CVarkelinDlg::OnMenuCommand(int command)
{
    WaitForApply();
    if (command == CmdImportProfile) {
        ImportProfileFromUser();
    } else if (command == CmdExportProfile) {
        ExportProfileToUser();
    } else if (command == CmdAutoProfiles) {
        OpenAutoProfileDialog();
    } else if (command >= ProfileMenuDefaultCommand && command <= ProfileMenuLastCommand) {
        if (HandleProfileMenuCommand(command) == 1)
            ShowProfileSelected(GetCurrentProfile());
    } else if (command == CmdFirmwareUpdate) {
        OpenFirmwareUpdate();
    } else if (command == CmdAbout) {
        ShowAbout();
    }
}
