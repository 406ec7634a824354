// The profile manager on the real main window against the virtual keyboard.

#include "ui/gui/MainWindowTestSupport.h"

#include "ui/ShellMessages.h"
#include "actions/ProfileList.h"
#include "actions/ProfileSwitch.h"
#include "config/gui/DlgProfile.h"
#include "config/gui/ProfileListModel.h"
#include "lighting/LightingState.h"
#include "skin/gui/SkinPlacement.h"
#include "support/FakeOpener.h"
#include "support/ShownToolTip.h"
#include "update/gui/DlgUpdate.h"
#include "skin/gui/BitmapSlider.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTableView>

#include <fstream>

namespace {

constexpr int BrightnessSlider = 1178;

class ProfileManagerTest : public MainWindowTest {
protected:
    // Opens the manager from the profile banner, as the owner does.
    CVarkelin_DlgProfile* OpenManager()
    {
        window->Button(MainControl::Profiles)->click();
        CVarkelin_DlgProfile* dialog = window->ProfileDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    // The keyboard running profile, the program started, the manager open.
    CVarkelin_DlgProfile* OpenManagerOn(int profile)
    {
        PrepareKeyboard(profile, {});
        Start();
        return OpenManager();
    }

    // The owner clicks the tick of a row.
    static void Tick(CVarkelin_DlgProfile* dialog, int row, bool on = true)
    {
        ProfileListModel* model = dialog->Model();
        model->setData(model->index(row, ProfileListModel::ActiveColumn), on ? Qt::Checked : Qt::Unchecked,
                       Qt::CheckStateRole);
    }

    static std::vector<bool> Ticks(CVarkelin_DlgProfile* dialog)
    {
        ProfileListModel* model = dialog->Model();
        std::vector<bool> ticks;
        for (int r = 0; r < model->rowCount(); ++r)
            ticks.push_back(model->data(model->index(r, 0), Qt::CheckStateRole).toInt() == Qt::Checked);
        return ticks;
    }

    static QString Cell(CVarkelin_DlgProfile* dialog, int row, int column)
    {
        return dialog->Model()->data(dialog->Model()->index(row, column)).toString();
    }

    static QString Header(CVarkelin_DlgProfile* dialog, int column)
    {
        return dialog->Model()->headerData(column, Qt::Horizontal).toString();
    }

    static void Select(CVarkelin_DlgProfile* dialog, int row)
    {
        dialog->List()->selectRow(row);
    }

    static std::optional<std::string> Setting(const std::string& name)
    {
        return AppSettings().GetString("PROFILES", name);
    }

    static QString Text(const char* key, int language = 0)
    {
        return QString::fromStdString(LoadText(key, language));
    }
};

TEST_F(ProfileManagerTest, ListsTheProfilesTicksTheActiveOneAndWearsTheSkin)
{
    CVarkelin_DlgProfile* dialog = OpenManagerOn(1);
    ASSERT_NE(dialog, nullptr);

    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->OpenCount(), 1);
    EXPECT_TRUE(window->IsProfileDialogOpen());
    ASSERT_EQ(dialog->Model()->rowCount(), 3);
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(dialog->HasChanges());
    EXPECT_FALSE(dialog->Button(ProfileControl::Apply)->isEnabled());
    EXPECT_EQ(dialog->Model()->columnCount(), 3);
    EXPECT_EQ(Header(dialog, 0), QStringLiteral("Active"));
    EXPECT_EQ(Header(dialog, 1), QStringLiteral("Name"));
    EXPECT_EQ(Header(dialog, 2), QStringLiteral("Folder"));
    // The keyboard's own profiles, not a file of its cache.
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(Cell(dialog, r, 1), Text(r == 0 ? "PROFILE_1" : r == 1 ? "PROFILE_2" : "PROFILE_3"));
        EXPECT_EQ(Cell(dialog, r, 2), QStringLiteral("On the keyboard"));
    }
    EXPECT_EQ(dialog->List()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(dialog->List()->showGrid());

    // Every control where Profile.ini puts it; the window is its picture.
    const CIniFile ini(g_paths.profileIni);
    const struct {
        QWidget* control;
        const char* key;
    } placed[] = {{dialog->List(), "PROGRAM_LIST"},
                  {dialog->Button(ProfileControl::New), "FUNC_ADD"},
                  {dialog->Button(ProfileControl::Load), "FUNC_LOAD"},
                  {dialog->Button(ProfileControl::Delete), "FUNC_DELETE"},
                  {dialog->Button(ProfileControl::Ok), "CONTROL_OK"},
                  {dialog->Button(ProfileControl::Cancel), "CONTROL_CANCEL"},
                  {dialog->Button(ProfileControl::Apply), "CONTROL2_APPLY"},
                  {dialog->Title(), "CONTROL_TITLE"}};
    for (const auto& p : placed) {
        const SkinRect rect = ReadSkinRect(ini, "BUTTONINFO", p.key);
        EXPECT_FALSE(rect.IsUnplaced()) << p.key;
        EXPECT_EQ(p.control->geometry(), rect.Rect()) << p.key;
    }
    EXPECT_EQ(dialog->size(), dialog->Background().size());
    EXPECT_FALSE(dialog->Button(ProfileControl::Test)->isVisible());
    EXPECT_EQ(dialog->Button(ProfileControl::New)->text(), Text("PROFILE_ADD"));
    EXPECT_EQ(dialog->Button(ProfileControl::Cancel)->text(), Text("PROFILE_CANCLE"));
    EXPECT_EQ(dialog->Title()->text(), Text("PROFILE_MANAGER_TITLE"));

    // In Russian everything the owner reads is Russian.
    SetLanguageIndex(1);
    window->HandleMessage(MsgLanguage, TagLanguage, 1);
    EXPECT_EQ(Header(dialog, 0), Text("PROFILE_COLUMN_ACTIVE", 1));
    EXPECT_NE(Header(dialog, 0), QStringLiteral("Active"));
    EXPECT_EQ(Cell(dialog, 0, 1), Text("PROFILE_1", 1));
    EXPECT_EQ(Cell(dialog, 0, 2), Text("PROFILE_ON_KEYBOARD", 1));
    EXPECT_EQ(dialog->Button(ProfileControl::Load)->text(), Text("PROFILE_LOAD", 1));
    EXPECT_EQ(dialog->Title()->text(), Text("PROFILE_MANAGER_TITLE", 1));
    SetLanguageIndex(0);
}

// A language file from before the column titles had keys still gets titles:
// the fixed ones it was made for.
TEST_F(ProfileManagerTest, ColumnTitlesFallBackToTheFixedTextsOfOlderLanguageFiles)
{
    namespace fs = std::filesystem;
    const fs::path data = dir / "data";
    fs::create_directories(data);
    for (const auto& entry : fs::directory_iterator(RT604_DATA_DIR)) {
        if (entry.path().filename() != "Lang0409.ini")
            fs::create_symlink(entry.path(), data / entry.path().filename());
    }
    std::ifstream in(std::string(RT604_DATA_DIR) + "/Lang0409.ini");
    std::ofstream out(data / "Lang0409.ini");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("PROFILE_COLUMN_", 0) != 0)
            out << line << '\n';
    }
    out.close();
    SetProgramPathsForTests(data.string(), g_paths.userFolder);

    ProfileListModel model;
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("激活"));
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("名称"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QString::fromUtf8("路径"));
}

TEST_F(ProfileManagerTest, TickingAnotherProfileAndApplySwitchesTheKeyboardAndWritesTheSettings)
{
    PrepareKeyboard(0, {});
    // The third profile's lighting has brightness 1, the others the factory 4.
    KeyboardMemories memories = kb->Memories();
    memories.params[42 * 2 + 1] = 1;
    kb->SetMemories(memories);
    Start();
    window->OpenMainWindow();
    CVarkelin_DlgProfile* dialog = OpenManager();
    ASSERT_NE(dialog, nullptr);

    Tick(dialog, 2);
    // One ticked row at a time.
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{false, false, true}));
    EXPECT_TRUE(dialog->HasChanges());
    EXPECT_TRUE(window->ProfileDialogHasChanges());
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);

    dialog->Button(ProfileControl::Apply)->click();

    EXPECT_EQ(kb->Memories().ActiveProfile(), 2);
    // No file of the owner's: no rows kept, and none for the keyboard's.
    EXPECT_EQ(Setting("PROFILE00"), "0");
    EXPECT_FALSE(Setting("PROFILE01").has_value());
    EXPECT_FALSE(dialog->HasChanges());
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_TRUE(dialog->isVisible());
    // The main window follows: its profile buttons and the banner.
    EXPECT_TRUE(ProfileShown(2));
    EXPECT_EQ(window->ViewedProfile(), 2);
    EXPECT_EQ(window->Button(MainControl::Profiles)->text(), Text("PROFILE_3"));
    // And so does its lighting panel: the third profile's record is shown
    // and every lighting control now writes into it.
    EXPECT_EQ(g_lighting.viewedProfile, 2);
    EXPECT_EQ(static_cast<CBitmapSlider*>(window->Control(BrightnessSlider))->Position(), 1);

    dialog->Button(ProfileControl::Ok)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->OpenCount(), 0);
    EXPECT_FALSE(window->IsProfileDialogOpen());
}

// Only the owner's files can be removed: the keyboard's profiles are always
// there. Every file removed and applied keeps no rows and the profile.
TEST_F(ProfileManagerTest, RemovingEveryFileAndApplyWritesZeroRowsAndKeepsTheProfile)
{
    ASSERT_EQ(CreateNewProfileFile(Path("a.vpf")), 1);
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE01", Path("a.vpf")));
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE02", Path("b.vpf")));
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE00", "2"));
    CVarkelin_DlgProfile* dialog = OpenManagerOn(1);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->Model()->rowCount(), 5);

    // Nothing selected, or a profile of the keyboard's: nothing removed.
    dialog->Button(ProfileControl::Delete)->click();
    EXPECT_FALSE(dialog->Button(ProfileControl::Delete)->isEnabled());
    for (int r = 0; r < 3; ++r) {
        Select(dialog, r);
        EXPECT_FALSE(dialog->Button(ProfileControl::Delete)->isEnabled());
        dialog->DeleteSelectedRow();
    }
    EXPECT_EQ(dialog->Model()->rowCount(), 5);
    EXPECT_FALSE(dialog->HasChanges());
    for (int n = 0; n < 2; ++n) {
        Select(dialog, 3);
        EXPECT_TRUE(dialog->Button(ProfileControl::Delete)->isEnabled());
        dialog->Button(ProfileControl::Delete)->click();
    }
    EXPECT_EQ(dialog->Model()->rowCount(), 3);
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(dialog->HasChanges());
    Tick(dialog, 1, false);

    dialog->Button(ProfileControl::Apply)->click();

    EXPECT_EQ(Setting("PROFILE00"), "0");
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 1);
    EXPECT_TRUE(ProfileShown(1));
    EXPECT_TRUE(std::filesystem::exists(Path("a.vpf")));
}

// The rows the owner adds stay when the manager is opened again, a file
// that went away shown as missing rather than dropped.
TEST_F(ProfileManagerTest, AddedRowsStayAcrossOpeningsAndMissingFilesShow)
{
    CVarkelin_DlgProfile* dialog = OpenManagerOn(0);
    ASSERT_NE(dialog, nullptr);
    prompts.savePath = Path("fresh.vpf");
    dialog->Button(ProfileControl::New)->click();
    ASSERT_EQ(CreateNewProfileFile(Path("second.vpf")), 1);
    prompts.openPath = Path("second.vpf");
    dialog->Button(ProfileControl::Load)->click();
    ASSERT_EQ(dialog->Model()->rowCount(), 5);
    dialog->Button(ProfileControl::Ok)->click();
    ASSERT_FALSE(dialog->isVisible());

    dialog = OpenManager();
    ASSERT_EQ(dialog->Model()->rowCount(), 5);
    EXPECT_EQ(Cell(dialog, 3, 1), QStringLiteral("fresh"));
    EXPECT_EQ(Cell(dialog, 4, 1), QStringLiteral("second"));
    EXPECT_EQ(Cell(dialog, 4, 2), QString::fromStdString(dir.string() + "/"));
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{true, false, false, false, false}));
    dialog->Button(ProfileControl::Cancel)->click();

    // What the manager opens with is read from the settings file each time
    // (a restart reads it the same way, ProfileListTest), and each file is
    // looked for anew.
    std::filesystem::remove(Path("fresh.vpf"));
    dialog = OpenManager();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->Model()->rowCount(), 5);
    EXPECT_EQ(Cell(dialog, 3, 1), QStringLiteral("fresh"));
    EXPECT_EQ(Cell(dialog, 3, 2), QString::fromStdString("Missing: " + dir.string() + "/"));
    EXPECT_EQ(dialog->Model()->data(dialog->Model()->index(3, 1), Qt::ToolTipRole).toString(),
              QString::fromStdString("This file is no longer there: " + Path("fresh.vpf")));
    EXPECT_TRUE(dialog->Model()->data(dialog->Model()->index(3, 2), Qt::ForegroundRole).isValid());
    EXPECT_EQ(Cell(dialog, 4, 1), QStringLiteral("second"));
    EXPECT_FALSE(dialog->Model()->data(dialog->Model()->index(4, 1), Qt::ForegroundRole).isValid());
    SetLanguageIndex(1);
    window->HandleMessage(MsgLanguage, TagLanguage, 1);
    EXPECT_EQ(Cell(dialog, 3, 2), QString::fromStdString("Файла нет: " + dir.string() + "/"));
    SetLanguageIndex(0);
}

// A ticked file is loaded into the keyboard as Import does; afterwards the
// tick is back on the profile the keyboard runs.
TEST_F(ProfileManagerTest, TickingAFileAndApplyLoadsItIntoTheKeyboard)
{
    // Profile 2's A is off on the keyboard; the file is a fresh one, with
    // every key doing its own function.
    PrepareKeyboard(0, {{1, KeyA, 1, 0}});
    ASSERT_NE(KeyboardEntry(1, KeyA), FactoryEntry(KeyA));
    ASSERT_EQ(CreateNewProfileFile(Path("plain.vpf")), 1);
    Start();
    CVarkelin_DlgProfile* dialog = OpenManager();
    ASSERT_NE(dialog, nullptr);
    prompts.openPath = Path("plain.vpf");
    dialog->Button(ProfileControl::Load)->click();
    Tick(dialog, 3);

    dialog->Button(ProfileControl::Apply)->click();

    EXPECT_EQ(KeyboardEntry(1, KeyA), FactoryEntry(KeyA));
    EXPECT_EQ(DocumentSlot(1, KeyA).Type(), 0);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{true, false, false, false}));
    EXPECT_FALSE(dialog->HasChanges());
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(Setting("PROFILE01"), Path("plain.vpf"));

    // A file gone since is refused with the reason; the keyboard's maps and
    // macros are not touched.
    std::filesystem::remove(Path("plain.vpf"));
    kb->ClearFrameLog();
    Tick(dialog, 3);
    dialog->Button(ProfileControl::Apply)->click();
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>{Path("plain.vpf") + " cannot be loaded into the keyboard:\nfile does not exist"});
    EXPECT_EQ(CountRequests(CmdWriteKeyMap), 0u);
    EXPECT_EQ(CountRequests(CmdWriteMacroMemory), 0u);
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{true, false, false, false}));
}

// The keyboard refuses the switch: the manager and the main window keep
// showing the profile it runs, and the owner is told.
TEST_F(ProfileManagerTest, ASwitchTheKeyboardRefusesIsToldAndNotShown)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    CVarkelin_DlgProfile* dialog = OpenManager();
    ASSERT_NE(dialog, nullptr);
    Tick(dialog, 2);
    kb->RefuseNextRequests(0xFF, 1);

    dialog->Button(ProfileControl::Apply)->click();

    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "The keyboard did not switch to Profile 3. It keeps its active profile.");
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{true, false, false}));
    EXPECT_FALSE(dialog->HasChanges());
    EXPECT_TRUE(ProfileShown(0));
    EXPECT_EQ(window->ViewedProfile(), 0);
    EXPECT_EQ(window->Button(MainControl::Profiles)->text(), Text("PROFILE_1"));
}

// A cell's tooltip (a missing file's) is dark like every other, though the
// manager's style sheet styles its list.
TEST_F(ProfileManagerTest, CellTooltipsAreDark)
{
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE01", Path("gone.vpf")));
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE00", "1"));
    CVarkelin_DlgProfile* dialog = OpenManagerOn(0);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->Model()->rowCount(), 4);
    QTableView* view = dialog->List();
    const QPoint at = view->visualRect(dialog->Model()->index(3, 1)).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    QWidget* tip = ShownToolTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_LT(MeanLightness(tip), 80);
    QToolTip::hideText();
}

TEST_F(ProfileManagerTest, NewAndLoadAddRowsAndLoadRefusesABrokenFileNamingTheReason)
{
    CVarkelin_DlgProfile* dialog = OpenManagerOn(0);
    ASSERT_NE(dialog, nullptr);

    prompts.savePath = Path("fresh.vpf");
    dialog->Button(ProfileControl::New)->click();
    ASSERT_EQ(prompts.choices.size(), 1u);
    EXPECT_EQ(prompts.choices[0].initialName, g_paths.userFolder + LoadText("PROFILE_NEW"));
    EXPECT_TRUE(prompts.choices[0].confirmOverwrite);
    EXPECT_EQ(CheckProfileFileToAdd(Path("fresh.vpf")), ProfileFault::None);
    ASSERT_EQ(dialog->Model()->rowCount(), 4);
    EXPECT_EQ(Cell(dialog, 3, 1), QStringLiteral("fresh"));
    EXPECT_EQ(Cell(dialog, 3, 2), QString::fromStdString(dir.string() + "/"));
    EXPECT_TRUE(dialog->HasChanges());

    // A file that is not a profile file is not listed; the owner is told
    // which file and why.
    { std::ofstream(Path("notes.vpf")) << "not a profile"; }
    prompts.openPath = Path("notes.vpf");
    dialog->Button(ProfileControl::Load)->click();
    ASSERT_EQ(prompts.choices.size(), 2u);
    EXPECT_EQ(prompts.choices[1].initialName, g_paths.userFolder + "/*.vpf");
    EXPECT_EQ(dialog->Model()->rowCount(), 4);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], ProfileLoadRefusal(Path("notes.vpf"), ProfileFault::TooShort));
    EXPECT_NE(prompts.messages[0].find(Path("notes.vpf")), std::string::npos);

    prompts.openPath = Path("gone.vpf");
    dialog->Button(ProfileControl::Load)->click();
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1], ProfileLoadRefusal(Path("gone.vpf"), ProfileFault::Missing));

    prompts.openPath = Path("fresh.vpf");
    dialog->Button(ProfileControl::Load)->click();
    EXPECT_EQ(dialog->Model()->rowCount(), 5);
    EXPECT_EQ(prompts.messages.size(), 2u);

    // A file that cannot be written is said so and not listed.
    prompts.savePath = Path("no/such/folder/new.vpf");
    dialog->Button(ProfileControl::New)->click();
    ASSERT_EQ(prompts.messages.size(), 3u);
    EXPECT_EQ(prompts.messages[2], FormatText(LoadText("PROFILE_NEW_FAILED"), Path("no/such/folder/new.vpf")));
    EXPECT_EQ(dialog->Model()->rowCount(), 5);

    // Cancelled dialogs add nothing.
    prompts.openPath.reset();
    prompts.savePath.reset();
    dialog->Button(ProfileControl::Load)->click();
    dialog->Button(ProfileControl::New)->click();
    EXPECT_EQ(dialog->Model()->rowCount(), 5);
    EXPECT_EQ(prompts.messages.size(), 3u);

    dialog->Button(ProfileControl::Apply)->click();
    EXPECT_EQ(Setting("PROFILE00"), "2");
    EXPECT_EQ(Setting("PROFILE01"), Path("fresh.vpf"));
    EXPECT_EQ(Setting("PROFILE02"), Path("fresh.vpf"));
}

// SelectProfile while the manager is open: the manager follows the switch;
// with changes of its own not applied, the owner is asked first.
TEST_F(ProfileManagerTest, SelectProfileWhileTheManagerIsOpen)
{
    CVarkelin_DlgProfile* dialog = OpenManagerOn(0);
    ASSERT_NE(dialog, nullptr);

    ASSERT_EQ(SelectProfile(2), 1);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 2);
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{false, false, true}));
    EXPECT_FALSE(dialog->HasChanges());
    EXPECT_TRUE(prompts.questions.empty());

    Tick(dialog, 0);
    ASSERT_TRUE(dialog->HasChanges());
    prompts.answerYes = false;
    ASSERT_EQ(SelectProfile(1), 1);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], LoadText("PROFILE_SELECT_PROMPT"));
    EXPECT_EQ(kb->Memories().ActiveProfile(), 1);

    // Closed, the manager no longer counts.
    dialog->Button(ProfileControl::Cancel)->click();
    prompts.questions.clear();
    Tick(dialog, 2); // a change in a closed dialog is nobody's
    EXPECT_FALSE(window->IsProfileDialogOpen());
    ASSERT_EQ(SelectProfile(0), 1);
    EXPECT_TRUE(prompts.questions.empty());
}

// The key function editor holds a key of the shown profile: no switch until
// it is closed.
TEST_F(ProfileManagerTest, SelectProfileIsRefusedWhileTheKeyEditorIsOpen)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    window->EditKey(ControlOf(KeyEsc));
    ASSERT_TRUE(window->IsKeyEditorOpen());

    EXPECT_EQ(SelectProfile(2), 0);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], LoadText("PROFILE_SEELCT_PROMPT2"));
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 0);

    window->CloseKeyEditor();
    ASSERT_FALSE(window->IsKeyEditorOpen());
    EXPECT_EQ(SelectProfile(2), 1);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 2);
}

TEST_F(ProfileManagerTest, CancelAndEscapeChangeNothingAndF1OpensTheHelp)
{
    CVarkelin_DlgProfile* dialog = OpenManagerOn(1);
    ASSERT_NE(dialog, nullptr);

    {
        // The help opens with the desktop's opener.
        FakeOpener opener(dir / "bin");
        for (QWidget* target : {static_cast<QWidget*>(dialog), static_cast<QWidget*>(dialog->List())}) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &press);
        }
        ASSERT_TRUE(opener.WaitFor(2));
        const std::vector<std::string> opened = opener.Opened();
        ASSERT_EQ(opened.size(), 2u);
        for (const std::string& address : opened)
            EXPECT_EQ(address, g_paths.helpFolder + "index.html");
    }

    Tick(dialog, 2);
    dialog->Button(ProfileControl::Cancel)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->OpenCount(), 0);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 1);
    EXPECT_FALSE(Setting("PROFILE00").has_value());

    // Opened again it starts afresh; Escape is Cancel.
    dialog = OpenManager();
    EXPECT_EQ(Ticks(dialog), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(dialog->OpenCount(), 1);
    Tick(dialog, 0);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog, &escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->OpenCount(), 0);
    EXPECT_EQ(kb->Memories().ActiveProfile(), 1);
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
}

// Both sub-windows close, as if cancelled, when the keyboard goes away and
// when the program exits.
TEST_F(ProfileManagerTest, KeyboardLossClosesTheManagerAndTheUpdateWindow)
{
    CVarkelin_DlgProfile* dialog = OpenManagerOn(0);
    ASSERT_NE(dialog, nullptr);
    Tick(dialog, 1);
    window->OnTrayCommand(CmdFirmwareUpdate);
    ASSERT_NE(window->UpdateDialog(), nullptr);
    ASSERT_TRUE(window->UpdateDialog()->isVisible());

    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->OpenCount(), 0);
    EXPECT_FALSE(window->UpdateDialog()->isVisible());
    EXPECT_FALSE(Setting("PROFILE00").has_value());

    kb->Plug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(1); }));
    OpenManager();
    window->HandleMessage(MsgFirmwareUpdate, TagFirmwareUpdate);
    window->ExitProgram();
    EXPECT_FALSE(window->ProfileDialog()->isVisible());
    EXPECT_FALSE(window->UpdateDialog()->isVisible());
}

} // namespace

