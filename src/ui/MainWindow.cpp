#include "ui/MainWindow.h"
#include "ui/LightingPanel.h"

#include "device/protocol/DeviceState.h"
#include "ui/WindowState.h"
#include "base/ProgramPaths.h"
#include "ui/ApplyRunner.h"
#include "ui/EventLog.h"
#include "ui/ShellMessages.h"
#include "config/ConfigDocument.h"
#include "actions/ProfileFileActions.h"
#include "text/LanguageTexts.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

namespace {

// At most this many characters of the skin's link, as its buffer allowed.
constexpr int MaxLinkChars = 259;

} // namespace

CVarkelinDlg::CVarkelinDlg(const Options& options, QWidget* parent)
    : CBaseDialog(parent, QString::fromStdString(g_paths.mainSkinIni), QString::fromStdString(g_paths.skinFolder),
                  Qt::Tool),
      options_(options)
{
    setObjectName(QStringLiteral("CVarkelinDlg"));
    // What the instance search of other programs looks for.
    setProperty("userData", MainWindowMarker);
    applyRunner_ = new ApplyRunner(this);
    dialogs_ = CreateDialogHost();
    autoProfiles_ = CreateAutoProfileBridge();
    tray_ = CreateWindowTray();
    lighting_ = CreateLightingPanel();
    connect(applyRunner_, &ApplyRunner::finished, this, &CVarkelinDlg::OnApplyFinished);
}

CVarkelinDlg::~CVarkelinDlg()
{
    // An Apply still running ends while the window is whole; what follows an
    // Apply is not done any more.
    disconnect(applyRunner_, nullptr, this, nullptr);
    delete applyRunner_;
    if (g_mainWindow.load() == this)
        g_mainWindow = nullptr;
    delete about_;
    delete noDevicePrompt_;
}

void CVarkelinDlg::Initialise(const std::function<void()>& startDeviceThreads)
{
    // The window has no system menu on this platform: About lives in the
    // notification-area menu.
    setWindowIcon(QApplication::windowIcon());
    g_mainWindow = this;
    g_currentProfile = -1;
    if (startDeviceThreads)
        startDeviceThreads();

    InitDocument();
    SetApplyEnabled(false);

    LoadFaceImages();
    const std::string link = Ini().GetString("SCREEN", "Link").value_or(std::string());
    if (!link.empty())
        g_paths.linkAddress = QString::fromStdString(link).left(MaxLinkChars).toStdString();
    CreateControls();
    lighting_->CreateControls();
    InitialiseBehaviour();

    EnsureUserFolder();
    ReloadAndShowLighting(false, true);

    setWindowTitle(CaptionText());
    tray_->Create();
    StartAutoProfiles();
    Trace("tray-icon " + std::to_string(tray_->IconId()));

    // The window is never shown by start-up; the INIT message it posts to
    // itself hides it the way the first paints once had to.
    QTimer::singleShot(0, this, [this] { HandleMessage(MsgInit, TagInit); });

    const int language = GetLanguageIndex();
    ApplyLanguage(language);
    auto* list = static_cast<QComboBox*>(Control(MainControl::LanguageList));
    list->addItem(QString::fromStdString(LoadText("ENGINSH_6")));
    list->addItem(QString::fromStdString(LoadText("RUSSIAN_7")));
    list->setCurrentIndex(language);
    connect(list, &QComboBox::activated, this, [this](int index) {
        SetLanguageIndex(index);
        HandleMessage(MsgLanguage, TagLanguage, static_cast<uint32_t>(index));
    });

    MarkPendingControls();
    ArrangeTabOrder();
    Trace("initialised");
}
