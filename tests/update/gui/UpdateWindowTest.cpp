// The firmware update window on the real main window against the virtual
// keyboard, with small scripts standing in for updaters.

#include "ui/gui/MainWindowTestSupport.h"

#include "ui/ShellMessages.h"
#include "assign/KeyAssignment.h"
#include "actions/ProfileImport.h"
#include "skin/gui/SkinPlacement.h"
#include "update/gui/DlgUpdate.h"
#include "update/FirmwareUpdate.h"
#include "update/gui/UpdaterLauncher.h"

#include "support/ShownToolTip.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QLabel>
#include <QStandardPaths>
#include <QToolTip>

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// Environment variables set for one test and put back afterwards.
class ScopedEnvironment {
public:
    void Set(const char* name, const std::string& value)
    {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class UpdateWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        savedFolder = QDir::currentPath();
        SetUpdaterPath(std::string());
        // A fresh account's desktop: the system's file types, but no
        // application that opens any of them.
        for (const char* sub : {"xdg/data", "xdg/config", "xdg/system"})
            fs::create_directories(dir / sub);
        if (fs::is_directory("/usr/share/mime"))
            fs::create_directory_symlink("/usr/share/mime", dir / "xdg/system/mime");
        environment = std::make_unique<ScopedEnvironment>();
        environment->Set("XDG_DATA_HOME", (dir / "xdg/data").string());
        environment->Set("XDG_CONFIG_HOME", (dir / "xdg/config").string());
        environment->Set("XDG_DATA_DIRS", (dir / "xdg/system").string());
        environment->Set("XDG_CONFIG_DIRS", (dir / "xdg/system").string());
        ::unsetenv("XDG_CURRENT_DESKTOP");
    }

    void TearDown() override
    {
        environment.reset();
        SetUpdaterPath(std::string());
        QDir::setCurrent(savedFolder);
        MainWindowTest::TearDown();
    }

    CVarkelin_DlgUpdate* OpenUpdateWindow()
    {
        window->OnTrayCommand(CmdFirmwareUpdate);
        CVarkelin_DlgUpdate* dialog = window->UpdateDialog();
        EXPECT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog && dialog->isVisible());
        return dialog;
    }

    // A shell script that records each run (its arguments) in record.
    std::string RecorderScript(const std::string& name, const std::string& record) const
    {
        const std::string path = Path(name);
        std::ofstream(path) << "#!/bin/sh\necho \"ran $*\" >> '" << record << "'\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }

    static std::string ReadText(const std::string& path)
    {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static bool WaitForFile(const std::string& path)
    {
        return SpinUntil([&] { return !ReadText(path).empty(); }, 10000);
    }

    std::string Said(UpdateText text, const std::string& path = {}) const
    {
        return FormatText(UpdateMessage(text), path);
    }

    QString savedFolder;
    std::unique_ptr<ScopedEnvironment> environment;
};

TEST_F(UpdateWindowTest, OpensFromTheTrayAndTheMessageAndWearsTheSkinInBothLanguages)
{
    Start();
    EXPECT_EQ(window->HandleMessage(MsgFirmwareUpdate, TagOpen), 0);
    EXPECT_EQ(window->UpdateDialog(), nullptr);
    EXPECT_EQ(window->HandleMessage(MsgFirmwareUpdate, TagFirmwareUpdate), 1);
    CVarkelin_DlgUpdate* dialog = window->UpdateDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    dialog->Button(UpdateControl::Close)->click();
    EXPECT_FALSE(dialog->isVisible());
    dialog = OpenUpdateWindow();

    const CIniFile ini(g_paths.updateIni);
    const struct {
        QWidget* control;
        const char* key;
    } placed[] = {{dialog->PathBox(), "CONTROL_UPCombox"},
                  {dialog->Label(), "CONTROL_UPStatic"},
                  {dialog->Button(UpdateControl::Update), "CONTROL_UPButton"},
                  {dialog->Button(UpdateControl::CancelUpdate), "CONTROL_CUPButton"},
                  {dialog->Button(UpdateControl::Open), "CONTROL_OPENButton"},
                  {dialog->Button(UpdateControl::Backup), "CONTROL_BACKUPButton"},
                  {dialog->Title(), "CONTROL_TITLE"}};
    for (const auto& p : placed) {
        const SkinRect rect = ReadSkinRect(ini, "BUTTONINFO", p.key);
        EXPECT_FALSE(rect.IsUnplaced()) << p.key;
        EXPECT_EQ(p.control->geometry(), rect.Rect()) << p.key;
    }
    EXPECT_EQ(dialog->size(), dialog->Background().size());

    for (int language : {0, 1}) {
        SetLanguageIndex(language);
        window->HandleMessage(MsgLanguage, TagLanguage, static_cast<uint32_t>(language));
        EXPECT_EQ(dialog->Title()->text().toStdString(), LoadText("UPDATE_TITLE", language));
        EXPECT_EQ(dialog->Label()->text().toStdString(), LoadText("UPDATE_LABEL", language));
        EXPECT_EQ(dialog->Button(UpdateControl::Update)->text().toStdString(), LoadText("UPDATE_START", language));
        EXPECT_EQ(dialog->Button(UpdateControl::Backup)->TooltipText().toStdString(),
                  LoadText("UPDATE_BACKUP_TIP", language));
    }
    EXPECT_NE(LoadText("UPDATE_START", 0), LoadText("UPDATE_START", 1));
    SetLanguageIndex(0);
}

// The buttons' tooltips are dark like every other, though the window's
// style sheet makes its labels (and a tooltip is one) see-through.
TEST_F(UpdateWindowTest, ButtonTooltipsAreDark)
{
    Start();
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();
    CPngButton* backup = dialog->Button(UpdateControl::Backup);
    const QPointF at(8, 8);
    // The tip is shown where the pointer is, and only over the button.
    QCursor::setPos(backup->mapToGlobal(at.toPoint()));
    QEnterEvent enter(at, backup->mapToGlobal(at), backup->mapToGlobal(at));
    QApplication::sendEvent(backup, &enter);
    QWidget* tip = ShownToolTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_LT(MeanLightness(tip), 80);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(backup, &leave);
    QToolTip::hideText();
}

TEST_F(UpdateWindowTest, UpdateWithNoFileSaysSoAndSendsNothing)
{
    Start();
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();
    for (const std::string& path : {std::string(), Path("no-such-updater")}) {
        SetUpdaterPath(path);
        prompts.ClearMessages();
        dialog->Button(UpdateControl::Update)->click();
        ASSERT_EQ(prompts.messages.size(), 1u) << path;
        EXPECT_EQ(prompts.messages[0], Said(UpdateText::WrongFile));
    }
    EXPECT_TRUE(kb->Requests().empty());
    EXPECT_TRUE(kb->IsPlugged());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(UpdateWindowTest, UpdateWithoutAKeyboardSaysTheLoaderCannotBeReachedAndStartsNothing)
{
    Start();
    const std::string record = Path("ran.txt");
    SetUpdaterPath(RecorderScript("updater.sh", record));
    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();

    dialog->Button(UpdateControl::Update)->click();

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], Said(UpdateText::NoLoader));
    EXPECT_EQ(prompts.styles[0], MessageStyle::Topmost);
    SpinUntil([] { return false; }, 300);
    EXPECT_FALSE(fs::exists(record));
    // Nothing was started, so the choice stays for the next try.
    EXPECT_EQ(UpdaterPath(), Path("updater.sh"));
    EXPECT_TRUE(dialog->isVisible());
}

// The whole update: the loader frame goes out, the updater starts detached
// and the window closes; the keyboard leaves the bus and, once its loader is
// done (here: the virtual keyboard's tray entry), is found again.
TEST_F(UpdateWindowTest, UpdateSendsTheLoaderFrameStartsTheUpdaterAndTheKeyboardComesBack)
{
    PrepareKeyboard(1, {});
    Start(true);
    const std::string record = Path("ran.txt");
    prompts.openPath = RecorderScript("updater.sh", record);
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();
    dialog->Button(UpdateControl::Open)->click();
    ASSERT_EQ(UpdaterPath(), Path("updater.sh"));
    EXPECT_EQ(dialog->PathBox()->currentText().toStdString(), Path("updater.sh"));

    dialog->Button(UpdateControl::Update)->click();

    const std::vector<Frame> requests = kb->Requests();
    ASSERT_EQ(requests.size(), 1u);
    Frame loader{};
    loader[0] = 0x04;
    loader[3] = 0xEE;
    loader[4] = 0xEE;
    EXPECT_EQ(requests[0], loader);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(UpdaterPath().empty());
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(ReadText(record), "ran \n"); // no arguments

    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    EXPECT_TRUE(kb->InLoader());
    EXPECT_EQ(window->TrayIconId(), TrayIconDisconnected);
    window->OnTrayCommand(CmdVkLeaveLoader);
    ASSERT_TRUE(SpinUntil([this] { return g_deviceConnected.load() == 1 && window->TrayIconId() == TrayIconConnected; }));
    EXPECT_TRUE(ProfileShown(1));
}

// An executable that cannot run: the keyboard is already in its loader, and
// the message says how to bring it back.
TEST_F(UpdateWindowTest, AnUpdaterThatDoesNotStartLeavesTheKeyboardInItsLoaderAndSaysHowToBringItBack)
{
    Start();
    const std::string path = Path("broken-updater");
    std::ofstream(path) << "\x7f" "garbage, neither a program nor a script";
    ::chmod(path.c_str(), 0755);
    SetUpdaterPath(path);
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();

    dialog->Button(UpdateControl::Update)->click();

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], Said(UpdateText::StartFailed, path));
    EXPECT_NE(prompts.messages[0].find(path), std::string::npos);
    EXPECT_NE(prompts.messages[0].find("unplug it and plug it back in"), std::string::npos);
    EXPECT_EQ(CountRequests(0xEE), 1u);
    EXPECT_TRUE(kb->InLoader());
    // It got as far as starting the file: the choice is used up.
    EXPECT_TRUE(UpdaterPath().empty());
}

// A file that is no program and that no application opens is refused before
// the keyboard is switched: nothing would take over from its loader.
TEST_F(UpdateWindowTest, ANonProgramWithoutAHandlerIsRefusedBeforeTheKeyboardLeaves)
{
    Start();
    const std::string path = Path("firmware.txt");
    std::ofstream(path) << "release notes\n";
    SetUpdaterPath(path);
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();

    dialog->Button(UpdateControl::Update)->click();

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], Said(UpdateText::NotStartable, path));
    EXPECT_TRUE(kb->Requests().empty());
    EXPECT_TRUE(kb->IsPlugged());
    EXPECT_FALSE(kb->InLoader());
    EXPECT_EQ(UpdaterPath(), path);
}

// Any other file goes to the desktop's handler for its type, here a desktop
// entry that records what it was given.
TEST_F(UpdateWindowTest, ANonProgramOpensWithTheDesktopsHandler)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        << "xdg-utils is missing: tools/install-deps.sh installs it";
    const std::string record = Path("handler-ran.txt");
    const std::string handler = RecorderScript("handler.sh", record);
    fs::create_directories(dir / "xdg/data/applications");
    std::ofstream(dir / "xdg/data/applications/rt604-test-handler.desktop")
        << "[Desktop Entry]\nType=Application\nName=Updater stand-in\nExec=" << handler
        << " %f\nMimeType=text/plain;\n";
    std::ofstream(dir / "xdg/config/mimeapps.list") << "[Default Applications]\ntext/plain=rt604-test-handler.desktop\n";
    // xdg-open hands files to desktop entries only inside a graphical session.
    environment->Set("DISPLAY", ":97");
    const std::string path = Path("firmware.txt");
    std::ofstream(path) << "release notes\n";
    EXPECT_FALSE(IsExecutableFile(path));
    EXPECT_EQ(DesktopHandlerFor(path), "rt604-test-handler.desktop");

    Start();
    SetUpdaterPath(path);
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();
    dialog->Button(UpdateControl::Update)->click();

    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(CountRequests(0xEE), 1u);
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(WaitForFile(record));
    EXPECT_EQ(ReadText(record), "ran " + path + "\n");
}

// Open: a cancelled file dialog clears the choice; either way the current
// folder is the package folder afterwards. The window's own close keeps the
// choice, Cancel update forgets it.
TEST_F(UpdateWindowTest, OpenCancelledClearsThePathAndStillSetsTheCurrentFolder)
{
    Start();
    ASSERT_TRUE(fs::is_directory(g_paths.packageFolder)) << g_paths.packageFolder;
    const std::string package = fs::canonical(g_paths.packageFolder).string();
    SetUpdaterPath(Path("old-choice"));
    QDir::setCurrent(QDir::rootPath());
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();
    EXPECT_EQ(dialog->PathBox()->currentText().toStdString(), Path("old-choice"));

    prompts.openPath.reset();
    dialog->Button(UpdateControl::Open)->click();

    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_EQ(prompts.choices[0].initialName, g_paths.packageFolder);
    EXPECT_EQ(prompts.choices[0].filter, "(*)|*|(*.exe)|*.exe||");
    EXPECT_TRUE(UpdaterPath().empty());
    EXPECT_TRUE(dialog->PathBox()->currentText().isEmpty());
    EXPECT_EQ(fs::canonical(QDir::currentPath().toStdString()).string(), package);

    QDir::setCurrent(QDir::rootPath());
    prompts.openPath = Path("chosen");
    dialog->Button(UpdateControl::Open)->click();
    EXPECT_EQ(UpdaterPath(), Path("chosen"));
    EXPECT_EQ(fs::canonical(QDir::currentPath().toStdString()).string(), package);

    dialog->Button(UpdateControl::Close)->click();
    EXPECT_FALSE(dialog->isVisible());
    dialog = OpenUpdateWindow();
    EXPECT_EQ(dialog->PathBox()->currentText().toStdString(), Path("chosen"));
    dialog->Button(UpdateControl::CancelUpdate)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(UpdaterPath().empty());
}

TEST_F(UpdateWindowTest, BackupWritesWhatExportWrites)
{
    PrepareKeyboard(2, {{0, KeyEsc, AssignKey, KeyA}, {2, KeyQ, AssignDisabled, 0}});
    Start();
    CVarkelin_DlgUpdate* dialog = OpenUpdateWindow();
    prompts.savePath = Path("backup.vpf");

    dialog->Button(UpdateControl::Backup)->click();

    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_EQ(prompts.choices[0].filter, ExportFileChoice().filter);
    EXPECT_EQ(prompts.choices[0].initialName, "*.vpf");
    EXPECT_TRUE(prompts.choices[0].confirmOverwrite);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], Said(UpdateText::BackupDone));
    ASSERT_EQ(ExportProfileFile(Path("export.vpf")), 1);
    std::ifstream backup(Path("backup.vpf"), std::ios::binary), exported(Path("export.vpf"), std::ios::binary);
    const std::string backupBytes((std::istreambuf_iterator<char>(backup)), std::istreambuf_iterator<char>());
    const std::string exportBytes((std::istreambuf_iterator<char>(exported)), std::istreambuf_iterator<char>());
    EXPECT_EQ(backupBytes.size(), 32832u);
    EXPECT_EQ(backupBytes, exportBytes);

    prompts.savePath = Path("no/such/folder/backup.vpf");
    dialog->Button(UpdateControl::Backup)->click();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1], Said(UpdateText::BackupFailed));
    // Nothing chosen: nothing said.
    prompts.savePath.reset();
    dialog->Button(UpdateControl::Backup)->click();
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_TRUE(kb->IsPlugged());
}

} // namespace
