// Opens the profile manager or the firmware update window over the real main
// window, against the virtual keyboard, and saves a picture of the screen
// around it.
//
//   rt604dialogshot --data <build>/bin --out shot.png --scene profiles|update
//       [--language 0|1]
//
// profiles: the keyboard's three profiles (the second active), a profile file
//           added with Load and selected, a kept file that is missing, Apply
//           enabled
// update:   an updater chosen from the Package folder, the pointer on Update

#include "ShotSession.h"

#include "actions/ProfileList.h"
#include "config/gui/DlgProfile.h"
#include "config/gui/ProfileListModel.h"
#include "device/virtual/VirtualKeyboard.h"
#include "skin/gui/PngButton.h"
#include "update/gui/DlgUpdate.h"
#include "update/FirmwareUpdate.h"

#include <QApplication>
#include <QEnterEvent>
#include <QTableView>

#include <cstdio>

int main(int argc, char** argv)
{
    const ShotOptions options(argc, argv);
    const QString scene = options.Value("--scene", QStringLiteral("profiles"));
    const int language = options.Value("--language").toInt() == 1 ? 1 : 0;
    if (!options.Complete("usage: rt604dialogshot --data <build>/bin --out <file.png> --scene profiles|update "
                          "[--language 0|1]\n"))
        return 2;
    const QString out = options.Out();

    ShotProgram program(argc, argv, options.Data(), language);

    VirtualKeyboard kb;
    SetStartProfile(kb, 1);
    ShotSession session(kb, CVarkelinDlg::Options{&kb}, "rt604dialogshot");
    CVarkelinDlg* window = &session.Window();
    window->move(40, 40);
    window->OpenMainWindow();
    Spin(300);
    QWidget* shown = nullptr;
    if (scene == QLatin1String("update")) {
        // Shown as an installed program would show it; the file need not exist
        // for the picture.
        SetUpdaterPath("/usr/share/orvan-rt604/Package/rt604-update");
        window->OpenFirmwareUpdate();
        CVarkelin_DlgUpdate* dialog = window->UpdateDialog();
        dialog->move(window->geometry().center() - dialog->rect().center());
        // The pointer over Update shows its hover face and its tooltip.
        CPngButton* update = dialog->Button(UpdateControl::Update);
        QCursor::setPos(update->mapToGlobal(update->rect().center()));
        QEnterEvent enter(update->rect().center(), update->mapTo(dialog, update->rect().center()),
                          update->mapToGlobal(update->rect().center()));
        QCoreApplication::sendEvent(update, &enter);
        shown = dialog;
    } else {
        window->OpenProfileManager();
        CVarkelin_DlgProfile* dialog = window->ProfileDialog();
        dialog->move(window->geometry().center() - dialog->rect().center());
        const std::string file = program.HomeFile(QStringLiteral("Tournament.vpf")).toStdString();
        CreateNewProfileFile(file);
        dialog->Model()->AddRow(ProfileRowForFile(file));
        // A kept file that has gone since, as the owner finds it later.
        dialog->Model()->AddRow(ProfileRowForFile(program.HomeFile(QStringLiteral("Old league.vpf")).toStdString()));
        dialog->List()->selectRow(3);
        dialog->Button(ProfileControl::Apply)->setEnabled(true);
        shown = dialog;
    }
    Spin(500);

    const QRect area = UniteTooltips(shown->frameGeometry().adjusted(-8, -8, 8, 8), 8);
    const bool saved = SaveShot(shown->screen(), area, out, "rt604dialogshot");

    session.Close();
    return saved ? 0 : 1;
}
