// The main window follows what rt604ctl changes on the keyboard it runs on:
// rt604ctl runs as its own process on the virtual keyboard's state file and
// tells the window through the instance socket, as with the real program.

#include "MainWindowTestSupport.h"

#include "app/InstanceEndpoint.h"
#include "assign/KeyAssignment.h"
#include "assign/gui/CompositeDialog.h"
#include "config/gui/DlgProfile.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "lighting/KeyColours.h"
#include "lighting/UserModeFile.h"
#include "platform/KeyboardChangeNotice.h"
#include "platform/SingleInstance.h"
#include "support/ScopedEnv.h"

#include <QLabel>
#include <QProcess>

namespace {

class MainWindowFollowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        std::filesystem::create_directories(dir / "run");
        runtime = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", (dir / "run").c_str());
        stateFile = Path("keyboard.state");
        windowStateFile = stateFile;
        std::string error;
        kb = OpenVirtualKeyboard(stateFile, VirtualKeyboardOptions{}, error);
        ASSERT_TRUE(kb) << error;
        SetHidBackend(kb.get());
    }

    void TearDown() override
    {
        endpoint.reset();
        lock.Release();
        MainWindowTest::TearDown();
        runtime.reset();
    }

    // The window as the program runs it: the instance lock held and the
    // endpoint handing messages to the window.
    void StartInstance()
    {
        Start();
        const std::string folder = InstanceRuntimeFolder();
        ASSERT_FALSE(folder.empty());
        ASSERT_TRUE(lock.TryAcquire(folder));
        endpoint = std::make_unique<InstanceEndpoint>();
        ASSERT_TRUE(endpoint->Listen(InstanceEndpointPath(folder, ::getpid()), [this](uint32_t m, uint32_t p) {
            return window->HandleMessage(m, p);
        }));
    }

    struct Run {
        int exitCode = -1;
        std::string errors;
    };

    // rt604ctl on the window's keyboard; the window's loop keeps running
    // meanwhile, as it would in its own process.
    Run Ctl(const QStringList& args, const std::string& state = {})
    {
        QProcess ctl;
        QStringList all = args;
        all << QString::fromStdString("--virtual-keyboard=" + (state.empty() ? stateFile : state));
        // The window's user folder is rt604ctl's too: the user mode files are
        // the same ones.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString((dir / "user").string()));
        ctl.setProcessEnvironment(env);
        ctl.start(QStringLiteral(RT604_BINARY_DIR "/bin/rt604ctl"), all);
        Run run;
        if (!ctl.waitForStarted(5000))
            return run;
        SpinUntil([&] { return ctl.state() == QProcess::NotRunning; }, 15000);
        run.exitCode = ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1;
        run.errors = ctl.readAllStandardError().toStdString();
        return run;
    }

    // A profile file whose first profile has Esc switched off, made by
    // rt604ctl export from the keyboard before the window meets it; the
    // keyboard is back to the factory state afterwards.
    std::string MakeImportFile()
    {
        const KeyboardMemories factory = kb->Memories();
        PrepareKeyboard(0, {{0, KeyEsc, AssignDisabled, 0}});
        const std::string file = Path("esc-off.vpf");
        EXPECT_EQ(Ctl({QStringLiteral("export"), QString::fromStdString(file)}).exitCode, 0);
        kb->SetMemories(factory);
        return file;
    }

    bool EscOffOnKeyboard() const { return !(KeyboardEntry(0, KeyEsc) == FactoryEntry(KeyEsc)); }

    std::unique_ptr<ScopedEnv> runtime;
    std::string stateFile;
    InstanceLock lock;
    std::unique_ptr<InstanceEndpoint> endpoint;
};

TEST_F(MainWindowFollowTest, TheWindowShowsWhatRt604ctlChanged)
{
    const std::string importFile = MakeImportFile();
    PrepareKeyboard(0, {});
    StartInstance();
    window->OpenMainWindow();
    ASSERT_TRUE(ProfileShown(0));
    ASSERT_FALSE(KeyButton(KeyEsc)->IsMarked());
    ASSERT_NE(g_lighting.effectCode, 17);

    const struct {
        const char* what;
        QStringList args;
        std::function<bool()> shown;
    } cases[] = {
        {"profile 2", {"profile", "2"},
         [&] {
             return ProfileShown(1) && window->ViewedProfile() == 1 &&
                    window->Button(MainControl::Profiles)->text().toStdString() == LoadText("PROFILE_2");
         }},
        {"profile 1 again", {"profile", "1"}, [&] { return ProfileShown(0); }},
        {"import", {"import", QString::fromStdString(importFile)},
         [&] { return KeyButton(KeyEsc)->IsMarked() && DocumentSlot(0, KeyEsc).Type() == AssignDisabled; }},
        {"lighting", {"lighting", "1", "effect=17"}, [&] { return g_lighting.effectCode == 17; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Run run = Ctl(c.args);
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        EXPECT_EQ(run.errors, "") << "a window that answers is not worth a word";
        EXPECT_TRUE(SpinUntil(c.shown, 3000));
    }
    // Key colours: the owner changed profile 1's user mode file by hand and
    // sends it with rt604ctl.
    const Colour teal = MakeColour(0x00, 0x80, 0x80);
    ASSERT_NE(TableColour(0, 110), teal);
    ASSERT_TRUE(WriteKeyColour(0, g_userModes.userMode, 110, teal, 0));
    const Run run = Ctl({"key-colours", "1"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_TRUE(SpinUntil([&] { return TableColour(0, 110) == teal; }, 3000));

    EXPECT_EQ(window->IsApplyEnabled(), false);
    EXPECT_FALSE(window->IsOutsideChangeNoted());
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(MainWindowFollowTest, AWindowOnAnotherKeyboardIsLeftAlone)
{
    PrepareKeyboard(0, {});
    StartInstance();
    // Another state file, another keyboard: its profile switch is not ours.
    const std::string other = Path("other.state");
    const Run run = Ctl({"profile", "2"}, other);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    SpinUntil([] { return false; }, 100);
    EXPECT_TRUE(ProfileShown(0));
    EXPECT_EQ(window->HandleMessage(MsgKeyboardChanged,
                                    EncodeKeyboardChange(KeyboardPart::Profile, KeyboardIdentity(other))),
              0);
}

TEST_F(MainWindowFollowTest, UnappliedChangesAreKeptAndApplyAsksBeforeWritingOverTheOtherProgram)
{
    const std::string importFile = MakeImportFile();
    PrepareKeyboard(0, {});
    StartInstance();
    window->OpenMainWindow();
    // The owner's own change, not applied yet: Q switched off.
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyQ), AssignDisabled, 0, 0), 1);
    ASSERT_TRUE(window->IsApplyEnabled());

    ASSERT_EQ(Ctl({"import", QString::fromStdString(importFile)}).exitCode, 0);
    ASSERT_TRUE(SpinUntil([&] { return window->IsOutsideChangeNoted(); }, 3000));
    ASSERT_TRUE(window->OutsideChangeNote());
    EXPECT_TRUE(window->OutsideChangeNote()->isVisible());
    EXPECT_EQ(window->OutsideChangeNote()->text().toStdString(), LoadText("MAIN_OUTSIDE_CHANGE_NOTE"));
    EXPECT_TRUE(window->IsApplyEnabled());
    EXPECT_EQ(DocumentSlot(0, KeyQ).Type(), AssignDisabled) << "the owner's change is kept";
    EXPECT_TRUE(EscOffOnKeyboard());

    // No: the keyboard keeps the other program's change, the window the owner's.
    prompts.answerYes = false;
    EXPECT_EQ(window->RunApply(), 0);
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], LoadText("MAIN_OUTSIDE_CHANGE_PROMPT"));
    EXPECT_TRUE(EscOffOnKeyboard());
    EXPECT_EQ(KeyboardEntry(0, KeyQ), FactoryEntry(KeyQ));
    EXPECT_TRUE(window->IsApplyEnabled());
    EXPECT_TRUE(window->OutsideChangeNote()->isVisible());

    // Yes: the owner's document goes to the keyboard, the note goes away.
    prompts.answerYes = true;
    EXPECT_EQ(window->RunApply(), 1);
    EXPECT_EQ(prompts.questions.size(), 2u);
    EXPECT_FALSE(KeyboardEntry(0, KeyQ) == FactoryEntry(KeyQ));
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_FALSE(window->IsOutsideChangeNoted());
    EXPECT_FALSE(window->OutsideChangeNote()->isVisible());
}

TEST_F(MainWindowFollowTest, KeptChangesThatAreDiscardedMakeWayForWhatTheKeyboardHolds)
{
    const std::string importFile = MakeImportFile();
    PrepareKeyboard(0, {});
    StartInstance();
    window->OpenMainWindow();
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyQ), AssignDisabled, 0, 0), 1);
    ASSERT_EQ(Ctl({"import", QString::fromStdString(importFile)}).exitCode, 0);
    ASSERT_TRUE(SpinUntil([&] { return window->IsOutsideChangeNoted(); }, 3000));

    // A profile switch whose question about the unapplied changes is
    // answered No throws them away: the document is the keyboard's again,
    // not the cache the window made before the import.
    prompts.answerYes = false;
    window->Button(MainControl::Profile2)->click();
    ASSERT_TRUE(SpinUntil([&] { return ProfileShown(1); }, 3000));
    EXPECT_TRUE(SpinUntil([&] { return DocumentSlot(0, KeyEsc).Type() == AssignDisabled; }, 3000));
    EXPECT_NE(DocumentSlot(0, KeyQ).Type(), AssignDisabled);
    EXPECT_FALSE(window->IsOutsideChangeNoted());
    EXPECT_FALSE(window->OutsideChangeNote()->isVisible());
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_TRUE(EscOffOnKeyboard());
}

TEST_F(MainWindowFollowTest, AnOpenEditorOrProfileManagerSeesTheChangeWhenItCloses)
{
    const std::string importFile = MakeImportFile();
    PrepareKeyboard(0, {});
    StartInstance();
    window->OpenMainWindow();
    const std::vector<SubWindowCase> cases = SubWindowsThatHoldChangesBack();
    const KeyboardMemories factory = kb->Memories();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kb->SetMemories(factory);
        window->OnReloadFromDevice();
        ASSERT_FALSE(KeyButton(KeyEsc)->IsMarked());
        c.open();
        ASSERT_EQ(Ctl({"import", QString::fromStdString(importFile)}).exitCode, 0);
        SpinUntil([] { return false; }, 100);
        EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked()) << "not under the open window";
        c.close();
        EXPECT_TRUE(SpinUntil([&] { return KeyButton(KeyEsc)->IsMarked(); }, 3000));
    }
    EXPECT_TRUE(prompts.questions.empty());
}

} // namespace
