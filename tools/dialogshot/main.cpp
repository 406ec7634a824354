// Opens the profile manager or the firmware update window over the real main
// window, against the virtual keyboard, and saves a picture of the screen
// around it.
//
//   rt604dialogshot --data <build>/bin --out shot.png --scene profiles|update
//       [--language 0|1]
//
// profiles: the keyboard's three profiles (the second active), a profile file
//           added with Load and selected, Apply enabled
// update:   an updater chosen from the Package folder, the pointer on Update

#include "app/AppState.h"
#include "app/MainWindowLink.h"
#include "app/ProgramPaths.h"
#include "app/gui/QtDeviceEvents.h"
#include "app/gui/QtMainWindowLink.h"
#include "app/gui/QtUserPrompts.h"
#include "app/gui/UiDispatcher.h"
#include "config/ConfigDocument.h"
#include "config/ProfileList.h"
#include "config/gui/DlgProfile.h"
#include "config/gui/ProfileListModel.h"
#include "device/DeviceMonitor.h"
#include "device/VirtualKeyboard.h"
#include "skin/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "ui/MainWindow.h"
#include "update/DlgUpdate.h"
#include "update/FirmwareUpdate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

void Spin(int ms, const std::function<bool()>& done = {})
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !(done && done())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QString data, out, scene = QStringLiteral("profiles");
    int language = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (name == QLatin1String("--data"))
            data = value;
        else if (name == QLatin1String("--out"))
            out = value;
        else if (name == QLatin1String("--scene"))
            scene = value;
        else if (name == QLatin1String("--language"))
            language = value.toInt() == 1 ? 1 : 0;
    }
    if (data.isEmpty() || out.isEmpty()) {
        std::fputs("usage: rt604dialogshot --data <build>/bin --out <file.png> --scene profiles|update "
                   "[--language 0|1]\n",
                   stderr);
        return 2;
    }

    // The user's folders of a fresh account, so nothing of the real one is read.
    QTemporaryDir home;
    setenv("XDG_DATA_HOME", qPrintable(home.filePath(QStringLiteral("data"))), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.filePath(QStringLiteral("config"))), 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ComputeProgramPaths((data + QStringLiteral("/rt604")).toStdString());
    SetLanguageIndex(language);

    VirtualKeyboard kb;
    KeyboardMemories m = kb.Memories();
    m.deviceInfo[10] = 1;
    kb.SetMemories(m);
    SetHidBackend(&kb);

    g_app.noAutoOpen = 1;
    UiDispatcher dispatcher;
    auto window = std::make_unique<CVarkelinDlg>(CVarkelinDlg::Options{&kb});
    QtDeviceEvents events(dispatcher, *window);
    QtUserPrompts prompts(dispatcher);
    QtMainWindowLink link(*window);
    SetPrompts(&prompts);
    SetMainWindowLink(&link);
    bool threads = false;
    window->Initialise([&] {
        SetDeviceEvents(&events);
        threads = StartDeviceThreads();
    });
    Spin(5000, [] { return g_app.deviceConnected.load() == 1; });
    if (g_app.deviceConnected.load() != 1)
        std::fputs("rt604dialogshot: the virtual keyboard did not connect\n", stderr);
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
        const std::string file = home.filePath(QStringLiteral("Tournament.vpf")).toStdString();
        CreateNewProfileFile(file);
        dialog->Model()->AddRow(ProfileRowForFile(file));
        dialog->List()->selectRow(3);
        dialog->Button(ProfileControl::Apply)->setEnabled(true);
        shown = dialog;
    }
    Spin(500);

    QRect area = shown->frameGeometry().adjusted(-8, -8, 8, 8);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->inherits("QTipLabel"))
            area = area.united(top->frameGeometry().adjusted(-8, -8, 8, 8));
    }
    const QPixmap shot = shown->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const bool saved = shot.save(out);

    dispatcher.Close();
    if (threads)
        StopDeviceThreads();
    SetDeviceEvents(nullptr);
    SetMainWindowLink(nullptr);
    SetPrompts(nullptr);
    window.reset();
    ShutdownDocuments();
    SetHidBackend(nullptr);
    if (!saved) {
        std::fprintf(stderr, "rt604dialogshot: cannot save %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
