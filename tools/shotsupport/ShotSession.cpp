#include "ShotSession.h"

#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "config/ConfigDocument.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/DeviceMonitor.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

void Spin(int ms, const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !(done && done())) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

ShotOptions::ShotOptions(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; i += 2)
        values_.insert(QString::fromLocal8Bit(argv[i]), QString::fromLocal8Bit(argv[i + 1]));
}

QString ShotOptions::Value(const char* name, const QString& fallback) const
{
    return values_.value(QString::fromLatin1(name), fallback);
}

bool ShotOptions::Complete(const char* usage) const
{
    if (!Data().isEmpty() && !Out().isEmpty())
        return true;
    std::fputs(usage, stderr);
    return false;
}

ShotProgram::Home::Home()
{
    setenv("XDG_DATA_HOME", qPrintable(dir.filePath(QStringLiteral("data"))), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(dir.filePath(QStringLiteral("config"))), 1);
}

ShotProgram::ShotProgram(int& argc, char** argv, const QString& data, int languageIndex) : app_(argc, argv)
{
    QApplication::setQuitOnLastWindowClosed(false);
    ComputeProgramPaths((data + QStringLiteral("/rt604")).toStdString());
    SetLanguageIndex(languageIndex);
}

void SetStartProfile(VirtualKeyboard& kb, int profile)
{
    KeyboardMemories m = kb.Memories();
    m.deviceInfo[10] = static_cast<uint8_t>(profile);
    kb.SetMemories(m);
}

uint16_t ControlOf(uint16_t keyCode)
{
    for (const ButtonKey& key : ButtonKeyTable) {
        if (key.keyCode == keyCode)
            return key.controlId;
    }
    return 0;
}

QRect UniteTooltips(QRect area, int margin)
{
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->inherits("QTipLabel"))
            area = area.united(top->frameGeometry().adjusted(-margin, -margin, margin, margin));
    }
    return area;
}

bool SaveShot(QScreen* screen, const QRect& area, const QString& path, const char* tool)
{
    const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!shot.save(path)) {
        std::fprintf(stderr, "%s: cannot save %s\n", tool, qPrintable(path));
        return false;
    }
    return true;
}

ShotSession::Backend::Backend(VirtualKeyboard& kb)
{
    SetHidBackend(&kb);
    g_noAutoOpen = 1;
}

ShotSession::ShotSession(VirtualKeyboard& kb, const CVarkelinDlg::Options& options, const char* tool)
    : backend_(kb),
      window_(std::make_unique<CVarkelinDlg>(options)),
      events_(dispatcher_, *window_),
      prompts_(dispatcher_),
      link_(*window_)
{
    SetPrompts(&prompts_);
    SetMainWindowLink(&link_);
    window_->Initialise([this] {
        SetDeviceEvents(&events_);
        threads_ = StartDeviceThreads();
    });
    // Connected and handled: the flag comes first, the window's reload and
    // the tray icon after it.
    const auto handled = [this] {
        return g_deviceConnected.load() == 1 && window_->TrayIconId() == TrayIconConnected;
    };
    Spin(5000, handled);
    if (!handled())
        std::fprintf(stderr, "%s: the virtual keyboard did not connect\n", tool);
}

ShotSession::~ShotSession()
{
    Close();
}

void ShotSession::Close()
{
    if (!open_)
        return;
    open_ = false;
    dispatcher_.Close();
    if (threads_)
        StopDeviceThreads();
    SetDeviceEvents(nullptr);
    SetMainWindowLink(nullptr);
    SetPrompts(nullptr);
    window_.reset();
    ShutdownDocuments();
    SetHidBackend(nullptr);
}
