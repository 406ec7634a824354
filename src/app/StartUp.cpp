#include "app/StartUp.h"

#include "actions/KeyboardBusyNotice.h"
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/virtual/SaveFailureNotice.h"
#include "platform/SingleInstance.h"
#include "base/UserPrompts.h"
#include "app/CommandLine.h"
#include "app/DisplayLoss.h"
#include "ui/EventLog.h"
#include "ui/QtDeviceEvents.h"
#include "ui/QtMainWindowLink.h"
#include "ui/QtUserPrompts.h"
#include "app/InstanceEndpoint.h"
#include "ui/UiDispatcher.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/hid/HidBackend.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "text/LanguageTexts.h"
#include "skin/gui/SkinPalette.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT (a logout, a service manager, Ctrl+C) end the program
// the way Exit does, so the shutdown order holds for them too.
void HandleTerminationSignals(CVarkelinDlg& window)
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        LogEvent("signal");
        window.ExitProgram();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The companion program beside ours, started hidden; whether it starts or
// not changes nothing.
void StartCompanionProgram()
{
    const QString program = QString::fromStdString(g_paths.residentProgram);
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable())
        return;
    QProcess companion;
    companion.setProgram(program);
    companion.setStandardInputFile(QProcess::nullDevice());
    companion.setStandardOutputFile(QProcess::nullDevice());
    companion.setStandardErrorFile(QProcess::nullDevice());
    companion.setWorkingDirectory(info.absolutePath());
    if (companion.startDetached())
        LogEvent("companion-started");
}

std::string VirtualKeyboardStateFile(const CommandLine& line)
{
    if (!line.virtualKeyboardFile.empty())
        return line.virtualKeyboardFile;
    return g_paths.userFolder + "/virtual-keyboard.state";
}

// The virtual keyboard on its state file, shared with rt604ctl; nothing
// (the reason printed) when the file is something else, which stays as it is.
std::unique_ptr<VirtualKeyboard> StartVirtualKeyboard(const CommandLine& line)
{
    const std::string file = VirtualKeyboardStateFile(line);
    QDir().mkpath(QFileInfo(QString::fromStdString(file)).absolutePath());
    std::string error;
    std::unique_ptr<VirtualKeyboard> keyboard = OpenVirtualKeyboard(file, VirtualKeyboardOptions{}, error);
    if (!keyboard) {
        std::fprintf(stderr, "rt604: %s\n", error.c_str());
        return nullptr;
    }
    TellStateFileProblems(*keyboard, file);
    LogEvent("virtual-keyboard " + file);
    return keyboard;
}

// Panels, task switchers and the About box draw the window icon at 16 to 64
// pixels: keeping those sizes only spares holding a 256-pixel picture (and
// sending it to the X server). Empty when the picture cannot be read.
QIcon ApplicationIcon(const QString& path)
{
    QIcon icon;
    const QImage picture(path);
    if (picture.isNull())
        return icon;
    for (int side : {16, 24, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(
            picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    return icon;
}

// A start that cannot run says why: on standard error always, and in a
// message where there is a screen to show it on (an autostart has no
// terminal). Nothing else may have been created yet.
void TellStartProblem(int argc, char** argv, const std::string& text)
{
    std::fprintf(stderr, "rt604: %s\n", text.c_str());
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool screen = (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) &&
                        !(platform && std::string(platform).rfind("offscreen", 0) == 0);
    if (!screen)
        return;
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(LoadText("MAIN_CAPTION")),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

} // namespace

int RunProgram(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const CommandLine line = ParseCommandLine(args);
    if (line.help) {
        std::fputs(CommandLineHelp("rt604").c_str(), stdout);
        return 0;
    }

    std::string programFile = RunningProgramFile();
    if (programFile.empty() && argc > 0)
        programFile = argv[0];
    ComputeProgramPaths(programFile);
    LogEvent("started " + std::to_string(::getpid()));
    g_noAutoOpen = line.start ? 1 : 0;

    // The lock comes first, before any window or device: of two starts at
    // the same instant, the one that loses it waits for the winner to
    // listen and hands it its wish instead of opening a second icon and a
    // second channel to the keyboard.
    std::string folderProblem;
    const std::string runtimeFolder = InstanceRuntimeFolder(&folderProblem);
    if (runtimeFolder.empty()) {
        // Without a folder of our own there is no telling whether an instance
        // runs: two would both drive the keyboard.
        LogEvent("no-private-folder");
        TellStartProblem(argc, argv,
                         FormatText(LoadTextOr("MAIN_INSTANCE_FOLDER_PROMPT",
                                               "The program cannot make sure that it runs only once, so it does not "
                                               "start: %s"),
                                    folderProblem));
        return 1;
    }
    if (!folderProblem.empty()) {
        // Someone else took our usual place: worth knowing, no reason to stop.
        std::fprintf(stderr, "rt604: %s\n", folderProblem.c_str());
        LogEvent("private-folder-moved");
    }
    const HandOver handOver = HandOverFor(line);
    InstanceLock instanceLock;
    switch (TakeLockOrHandOver(instanceLock, runtimeFolder, g_paths.programFileName, handOver.message)) {
    case StartRole::Instance:
        break;
    case StartRole::HandedOver:
        LogEvent(std::string(handOver.name) + "-sent");
        return 0;
    case StartRole::NotAnswering: {
        // One instance runs; a second would talk to the keyboard beside it.
        LogEvent("instance-not-answering");
        const pid_t holder = InstanceLockHolder(runtimeFolder);
        TellStartProblem(argc, argv,
                         FormatText(LoadTextOr("MAIN_INSTANCE_NOT_ANSWERING_PROMPT",
                                               "The program already runs (process %s) but does not answer. End "
                                               "that process, then start the program again."),
                                    holder > 0 ? std::to_string(holder) : std::string("?")));
        return 1;
    }
    case StartRole::Unlocked:
        // Someone holds the lock, but it is no instance of ours: run without it.
        LogEvent("lock-held-elsewhere");
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvan RT-604"));
    QApplication::setDesktopFileName(QStringLiteral("orvan-rt604"));
    // The window hides instead of closing, and dialogs close while it is
    // hidden: only Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    ApplySkinPalette();
    const QString appIcon = QDir(QString::fromStdString(g_paths.skinFolder)).filePath(QStringLiteral("app.png"));
    if (QFileInfo::exists(appIcon))
        QApplication::setWindowIcon(ApplicationIcon(appIcon));

    // Listening before the window is built keeps a second start's wait
    // short; what it sends meanwhile is handled once the window exists.
    InstanceEndpoint endpoint;
    if (!runtimeFolder.empty()) {
        const std::string endpointPath = InstanceEndpointPath(runtimeFolder, ::getpid());
        if (endpointPath.empty() || !endpoint.Listen(endpointPath)) {
            // Not worth stopping for: the program works, only a second start
            // cannot hand this one its wish.
            std::fprintf(stderr, "rt604: cannot listen for later starts at %s; this instance runs on, but starting "
                                 "the program again will not reach it\n",
                         endpointPath.empty() ? (runtimeFolder + " (no socket path fits)").c_str()
                                              : endpointPath.c_str());
            LogEvent("endpoint-failed");
        }
    }
    StartCompanionProgram();

    std::unique_ptr<VirtualKeyboard> virtualKeyboard;
    if (line.virtualKeyboard) {
        virtualKeyboard = StartVirtualKeyboard(line);
        if (!virtualKeyboard)
            return 1;
        SetHidBackend(virtualKeyboard.get());
    }

    UiDispatcher dispatcher;
    TellSaveFailuresThrough([&dispatcher](std::function<void()> work) { dispatcher.Post(std::move(work)); });
    TellKeyboardBusyThrough([&dispatcher](std::function<void()> work) { dispatcher.Post(std::move(work)); });
    CVarkelinDlg::Options options;
    options.virtualKeyboard = virtualKeyboard.get();
    if (virtualKeyboard)
        options.virtualStateFile = VirtualKeyboardStateFile(line);
    auto window = std::make_unique<CVarkelinDlg>(options);
    QtDeviceEvents events(dispatcher, *window);
    QtUserPrompts prompts(dispatcher);
    QtMainWindowLink link(*window);
    SetPrompts(&prompts);
    SetMainWindowLink(&link);

    endpoint.SetHandler([&window](uint32_t message, uint32_t param) { return window->HandleMessage(message, param); });
    window->SetExitHandler([&] {
        endpoint.Close();
        instanceLock.Release();
    });
    HandleTerminationSignals(*window);

    bool threadsStarted = false;
    // Nothing the device threads ask of the window runs from here on, and
    // none of them waits for it any more.
    auto stopDeviceWork = [&] {
        dispatcher.Close();
        StopTellingSaveFailures();
        StopTellingKeyboardBusy();
        if (threadsStarted)
            StopDeviceThreads();
        LogEvent("device-threads-stopped");
    };
    EndCleanlyOnDisplayLoss(stopDeviceWork);
    window->Initialise([&] {
        SetDeviceEvents(&events);
        threadsStarted = StartDeviceThreads();
        LogEvent(threadsStarted ? "device-threads-started" : "device-threads-failed");
    });

    if (line.firmwareUpdate)
        QTimer::singleShot(0, window.get(), [&window] { window->HandleMessage(MsgFirmwareUpdate, TagFirmwareUpdate); });
    if (!window->IsExiting())
        QApplication::exec();
    if (!window->IsExiting())
        window->ExitProgram();

    stopDeviceWork();
    StopWatchingDisplayLoss();
    SetDeviceEvents(nullptr);
    SetPrompts(nullptr);
    SetMainWindowLink(nullptr);
    window.reset();
    SetHidBackend(nullptr);
    LogEvent("exit");
    return 0;
}
