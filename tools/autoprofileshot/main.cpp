// Runs the real main window against the virtual keyboard and saves pictures
// of the tray menu with the keyboard's profiles and of the automatic
// profiles dialog, in one language.
//
//   rt604autoprofileshot --data <build>/bin --out <folder> [--language en|ru]
//
// Saves autoprofile-tray-<language>.png, autoprofile-dialog-<language>.png,
// autoprofile-pick-<language>.png and autoprofile-unavailable-<language>.png.

#include "ShotSession.h"

#include "ui/TrayIcon.h"
#include "autoprofile/AutoProfileRules.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "device/virtual/VirtualKeyboard.h"
#include "platform/gui/X11ActiveWindow.h"
#include "skin/gui/PngButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTableWidget>

#include <cstdio>

namespace {

bool Save(const QRect& area, const QString& path)
{
    return SaveShot(QGuiApplication::primaryScreen(), area, path, "rt604autoprofileshot");
}

} // namespace

int main(int argc, char** argv)
{
    const ShotOptions options(argc, argv);
    const QString language = options.Value("--language", QStringLiteral("en"));
    if (!options.Complete("usage: rt604autoprofileshot --data <build>/bin --out <folder> [--language en|ru]\n"))
        return 2;
    const QString out = options.Out();

    ShotProgram program(argc, argv, options.Data(), language == QLatin1String("ru") ? 1 : 0);

    AutoProfileSettings rules;
    rules.rules = {{"dota2", 2}, {"Code", 1}, {"steam", 2}, {"firefox-esr", 0}};
    rules.defaultProfile = 0;
    SaveAutoProfileSettings(rules);

    VirtualKeyboard kb;
    SetStartProfile(kb, 1);
    ShotSession session(kb, CVarkelinDlg::Options{}, "rt604autoprofileshot");
    CVarkelinDlg* window = &session.Window();
    Spin(200);

    bool ok = true;
    const QString suffix = QStringLiteral("-%1.png").arg(language);

    // The tray menu as it opens, the pointer over the automatic profiles entry.
    QMenu* menu = window->Tray()->Menu();
    window->Tray()->RefreshMenu();
    menu->popup(QPoint(60, 40));
    Spin(300, [menu] { return menu->isVisible(); });
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == CmdAutoProfiles)
            menu->setActiveAction(action);
    }
    Spin(200);
    ok = Save(menu->frameGeometry().adjusted(-20, -20, 20, 20), out + QStringLiteral("/autoprofile-tray") + suffix) && ok;
    menu->hide();

    // The dialog with its rules, the second one chosen for a change.
    window->OpenAutoProfileDialog();
    AutoProfileDialog* dialog = window->AutoProfileWindow();
    dialog->move(40, 40);
    Spin(200);
    static_cast<QTableWidget*>(dialog->Control(AutoProfileControl::Rules))->selectRow(1);
    Spin(200);
    const QRect area = dialog->frameGeometry().adjusted(-12, -12, 12, 12);
    ok = Save(area, out + QStringLiteral("/autoprofile-dialog") + suffix) && ok;
    // The switch on: the skin's tick, as in the profile manager's list.
    static_cast<QCheckBox*>(dialog->Control(AutoProfileControl::Enable))->setChecked(true);
    Spin(200);
    ok = Save(area, out + QStringLiteral("/finish-autoprofile-tick") + suffix) && ok;

    // Picking the application of the next window clicked.
    static_cast<QLineEdit*>(dialog->Control(AutoProfileControl::Application))->clear();
    dialog->Button(AutoProfileControl::Pick)->click();
    Spin(200);
    ok = Save(area, out + QStringLiteral("/autoprofile-pick") + suffix) && ok;
    dialog->reject();

    // A desktop that does not tell the active window (Wayland without X11).
    window->AutoProfiles()->Stop();
    auto lone = std::make_unique<AutoProfileController>(nullptr);
    lone->SetWatcherFactory([] { return CreateX11ActiveWindowWatcher("unix:/nonexistent"); });
    AutoProfileDialog unavailable(*lone);
    unavailable.Open();
    unavailable.move(40, 40);
    Spin(300);
    ok = Save(unavailable.frameGeometry().adjusted(-12, -12, 12, 12),
              out + QStringLiteral("/autoprofile-unavailable") + suffix) && ok;
    unavailable.hide();

    session.Close();
    return ok ? 0 : 1;
}
