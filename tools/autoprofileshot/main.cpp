// Runs the real main window against the virtual keyboard and saves pictures
// of the tray menu with the keyboard's profiles and of the automatic
// profiles dialog, in one language.
//
//   rt604autoprofileshot --data <build>/bin --out <folder> [--language en|ru]
//
// Saves autoprofile-tray-<language>.png, autoprofile-dialog-<language>.png,
// autoprofile-pick-<language>.png and autoprofile-unavailable-<language>.png.

#include "app/AppState.h"
#include "app/MainWindowLink.h"
#include "app/ProgramPaths.h"
#include "app/gui/QtDeviceEvents.h"
#include "app/gui/QtMainWindowLink.h"
#include "app/gui/QtUserPrompts.h"
#include "app/gui/TrayIcon.h"
#include "app/gui/UiDispatcher.h"
#include "config/AutoProfileRules.h"
#include "config/ConfigDocument.h"
#include "config/gui/AutoProfileController.h"
#include "config/gui/AutoProfileDialog.h"
#include "device/DeviceMonitor.h"
#include "device/VirtualKeyboard.h"
#include "platform/gui/X11ActiveWindow.h"
#include "skin/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTableWidget>
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

bool Save(const QRect& area, const QString& path)
{
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!shot.save(path)) {
        std::fprintf(stderr, "rt604autoprofileshot: cannot save %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QString data, out, language = QStringLiteral("en");
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (name == QLatin1String("--data"))
            data = value;
        else if (name == QLatin1String("--out"))
            out = value;
        else if (name == QLatin1String("--language"))
            language = value;
    }
    if (data.isEmpty() || out.isEmpty()) {
        std::fputs("usage: rt604autoprofileshot --data <build>/bin --out <folder> [--language en|ru]\n", stderr);
        return 2;
    }

    // The user's folders of a fresh account, so nothing of the real one is read.
    QTemporaryDir home;
    setenv("XDG_DATA_HOME", qPrintable(home.filePath(QStringLiteral("data"))), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.filePath(QStringLiteral("config"))), 1);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ComputeProgramPaths((data + QStringLiteral("/rt604")).toStdString());
    SetLanguageIndex(language == QLatin1String("ru") ? 1 : 0);

    AutoProfileSettings rules;
    rules.rules = {{"dota2", 2}, {"Code", 1}, {"steam", 2}, {"firefox-esr", 0}};
    rules.defaultProfile = 0;
    SaveAutoProfileSettings(rules);

    VirtualKeyboard kb;
    KeyboardMemories m = kb.Memories();
    m.deviceInfo[10] = 1;
    kb.SetMemories(m);
    SetHidBackend(&kb);
    g_app.noAutoOpen = 1;
    UiDispatcher dispatcher;
    auto window = std::make_unique<CVarkelinDlg>(CVarkelinDlg::Options{});
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
        std::fputs("rt604autoprofileshot: the virtual keyboard did not connect\n", stderr);
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

    dispatcher.Close();
    if (threads)
        StopDeviceThreads();
    SetDeviceEvents(nullptr);
    SetMainWindowLink(nullptr);
    SetPrompts(nullptr);
    window.reset();
    ShutdownDocuments();
    SetHidBackend(nullptr);
    return ok ? 0 : 1;
}
