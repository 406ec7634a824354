#include "KeyEditorTestSupport.h"

#include "platform/OnScreenKeyboard.h"

#include <QScreen>

#include <csignal>
#include <fstream>

using namespace CompositeControl;

TEST_F(KeyEditorTest, ADefaultKeyOpensOnTheSingleKeyTabAndCapturesEnterWithoutClosing)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyEsc);

    EXPECT_EQ(editor->ChosenType(), AssignDefault);
    EXPECT_TRUE(editor->Button(TabKey)->IsMarked());
    EXPECT_TRUE(Get<QRadioButton>(KeyboardChoice)->isChecked());
    EXPECT_FALSE(Get<QRadioButton>(MouseChoice)->isChecked());
    EXPECT_TRUE(KeyFieldText().isEmpty());
    EXPECT_TRUE(Get<QLineEdit>(KeyField)->isVisible());
    EXPECT_FALSE(Get<QTableView>(EventList)->isVisible());
    EXPECT_FALSE(editor->IsChanged());

    TapKey(KEY_ENTER, Qt::Key_Return);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->CapturedKey(), 28);
    EXPECT_EQ(KeyFieldText(), QString::fromStdString(GetKeyName(28)));
    EXPECT_EQ(editor->ChosenType(), AssignKey);
    EXPECT_TRUE(editor->IsChanged());
    // Escape is captured too and closes nothing.
    TapKey(KEY_ESC, Qt::Key_Escape);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->CapturedKey(), 1);
}

TEST_F(KeyEditorTest, AWheelDownKeyOpensWithTheMouseChoice)
{
    PrepareKeyboard(0, {{0, KeyQ, AssignKey, KeyCodes::WheelDown}});
    Start();
    OpenEditorForKey(KeyQ);

    EXPECT_EQ(editor->ChosenType(), AssignKey);
    EXPECT_TRUE(Get<QRadioButton>(MouseChoice)->isChecked());
    EXPECT_FALSE(Get<QRadioButton>(KeyboardChoice)->isChecked());
    EXPECT_EQ(Get<QComboBox>(MouseList)->currentIndex(), 4);
    EXPECT_TRUE(Get<QComboBox>(MouseList)->isEnabled());
    EXPECT_FALSE(Get<QLineEdit>(KeyField)->isEnabled());
}

// The editor is reused for every key: a key captured in an earlier opening
// (Tab, then Cancel) is neither shown nor stored in a later one.
TEST_F(KeyEditorTest, TheKeyFieldShowsWhatApplyStoresAfterAnEarlierCapture)
{
    PrepareKeyboard(0, {{0, KeyQ, AssignKey, KeyCodes::WheelDown}, {0, KeyF5, AssignMedia, 2}});
    Start();
    OpenEditorForKey(KeyEsc);
    TapKey(KEY_TAB, Qt::Key_Tab);
    ASSERT_EQ(KeyFieldText(), QString::fromStdString(GetKeyName(15)));
    editor->Button(Cancel)->click();

    // A mouse action: the field names it, as the KB choice would store it too.
    OpenEditorForKey(KeyQ);
    EXPECT_TRUE(Get<QRadioButton>(MouseChoice)->isChecked());
    EXPECT_EQ(KeyFieldText(), QString::fromStdString(GetKeyName(KeyCodes::WheelDown)));
    Get<QRadioButton>(KeyboardChoice)->click();
    EXPECT_EQ(KeyFieldText(), QString::fromStdString(GetKeyName(KeyCodes::WheelDown)));
    editor->Button(Ok)->click();

    // A multimedia key switched to the single-key tab has no key yet.
    OpenEditorForKey(KeyF5);
    editor->Button(TabKey)->click();
    EXPECT_TRUE(KeyFieldText().isEmpty());
    editor->Button(Ok)->click();

    ASSERT_EQ(window->RunApply(), 1);
    EXPECT_EQ(KeyboardEntry(0, KeyQ), (KeyMapEntry{0x01, 0x05, 0xFF}));
    EXPECT_EQ(KeyboardEntry(0, KeyF5), (KeyMapEntry{0x02, 0x02, 0x3E}));
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{0x02, 0x02, 0x29}));
}

TEST_F(KeyEditorTest, TheWindowsKeyIsCapturedEvenWithTheMouseChosenAndApplyStoresTheMouse)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyA);
    Get<QRadioButton>(MouseChoice)->click();
    Get<QComboBox>(MouseList)->setCurrentIndex(1);

    TapKey(KEY_A); // an ordinary key is swallowed but not taken with the mouse chosen
    EXPECT_EQ(editor->CapturedKey(), 0);
    TapKey(KEY_LEFTMETA, Qt::Key_Meta);
    EXPECT_EQ(editor->CapturedKey(), KeyCodes::LeftWin);
    EXPECT_EQ(KeyFieldText(), QString::fromStdString(GetKeyName(KeyCodes::LeftWin)));

    editor->Button(Apply)->click();
    const KeySlot slot = DocumentSlot(0, KeyA);
    EXPECT_EQ(slot.Type(), AssignKey);
    EXPECT_EQ(slot.Value(), KeyCodes::MouseRight);
    EXPECT_TRUE(window->IsApplyEnabled());
}

TEST_F(KeyEditorTest, MediaKeysAutoRepeatsAndReleasesAreNotCaptured)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyA);
    TapKey(KEY_VOLUMEUP, Qt::Key_VolumeUp);
    TapKey(KEY_MUTE, Qt::Key_VolumeMute);
    EXPECT_EQ(editor->CapturedKey(), 0);
    EXPECT_FALSE(editor->IsChanged());

    SendKey(KEY_B, false);
    RepeatKey(KEY_B);
    SendKey(KEY_C, true); // a release whose press came before the capture
    RepeatKey(KEY_B);
    SendKey(KEY_B, true);
    EXPECT_EQ(editor->CapturedKey(), 48);
    // Print Screen held since before the capture: its repeats take nothing.
    RepeatKey(KEY_SYSRQ);
    EXPECT_EQ(editor->CapturedKey(), 48);
    // Print Screen whose press never arrives is taken from its release.
    SendKey(KEY_SYSRQ, true);
    EXPECT_EQ(editor->CapturedKey(), KeyCodes::PrintScreen);
}

TEST_F(KeyEditorTest, WithoutAGrabTheStatusLineSaysSoWhileCapturing)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyA);
    auto* status = Get<QLabel>(Status);
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(editor->IsKeyboardGrabbed());
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->text().toStdString(), LoadText("COMPOSITE_NO_GRAB"));
    // The macro tab captures nothing: nothing to say there.
    editor->Button(TabMacro)->click();
    EXPECT_FALSE(status->isVisible());
}

// The line sits in a small corner beside OK: a longer text loses its first
// and last lines.
TEST_F(KeyEditorTest, TheNoGrabStatusFitsItsLineInEveryLanguage)
{
    PrepareKeyboard(0, {});
    Start();
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        SetLanguageIndex(language);
        OpenEditorForKey(KeyA);
        auto* status = Get<QLabel>(Status);
        ASSERT_NE(status, nullptr);
        ASSERT_EQ(status->text().toStdString(), LoadText("COMPOSITE_NO_GRAB", language));
        EXPECT_LE(status->heightForWidth(status->width()), status->height());
        editor->Button(Cancel)->click();
    }
    SetLanguageIndex(0);
}

TEST_F(KeyEditorTest, G9AndTheMacroButtonOpenCentredOnTheMacroTabAlone)
{
    PrepareKeyboard(0, {});
    Start();
    for (bool macroButton : {false, true}) {
        window->OpenMainWindow();
        if (macroButton)
            window->Button(MainControl::Macro)->click();
        else
            window->EditKey(MacroOnlyControlId);
        editor = window->KeyEditor();
        ASSERT_TRUE(editor->IsOpen());
        EXPECT_TRUE(editor->IsMacroOnly());
        EXPECT_EQ(editor->ChosenType(), AssignMacro);
        EXPECT_TRUE(editor->Button(TabMacro)->IsMarked());
        for (int id : {TabKey, TabMedia, TabFunction, Clear})
            EXPECT_FALSE(editor->Button(id)->isEnabled()) << id;
        EXPECT_FALSE(Get<QLabel>(SingleCaption)->isVisible());
        EXPECT_EQ(Get<QLabel>(SettingCaption)->text().toStdString(), LoadText("MACRO_EDIT_TISHI"));
        const QRect screen = editor->screen()->geometry();
        EXPECT_EQ(editor->pos(), Varkelin_DlgComposite::Placement(screen, QRect(), editor->size(), true));
        EXPECT_EQ(editor->pos().x(), screen.x() + (screen.width() - editor->width()) / 2);
        editor->Button(TabKey)->click(); // disabled: nothing happens
        EXPECT_EQ(editor->ChosenType(), AssignMacro);
        editor->Button(Cancel)->click();
        EXPECT_FALSE(editor->IsOpen());
    }
}

TEST(KeyEditorPlacement, BesideTheKeyWhereItFits)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize dialog(560, 460);
    const struct {
        const char* where;
        QRect key;
        QPoint expected;
    } cases[] = {
        {"room right and below", QRect(100, 100, 40, 40), QPoint(140, 140)},
        {"near the right edge: left", QRect(1700, 100, 40, 40), QPoint(1140, 140)},
        {"near the bottom: above", QRect(100, 900, 40, 40), QPoint(140, 440)},
        {"bottom right corner: left and above", QRect(1700, 900, 40, 40), QPoint(1140, 440)},
        {"right fits but neither below nor above: left", QRect(100, 300, 40, 500), QPoint(140, 800)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Varkelin_DlgComposite::Placement(screen, c.key, dialog, false), c.expected) << c.where;
    // Nowhere fits: below and right of the key anyway.
    EXPECT_EQ(Varkelin_DlgComposite::Placement(QRect(0, 0, 500, 400), QRect(200, 150, 40, 40), dialog, false),
              QPoint(240, 190));
    EXPECT_EQ(Varkelin_DlgComposite::Placement(screen, QRect(1700, 900, 40, 40), dialog, true), QPoint(680, 310));
}

TEST_F(KeyEditorTest, OpensBesideTheClickedKey)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyEsc);
    CPngButton* key = KeyButton(KeyEsc);
    const QRect keyRect(key->mapToGlobal(QPoint(0, 0)), key->size());
    EXPECT_EQ(editor->pos(),
              Varkelin_DlgComposite::Placement(editor->screen()->geometry(), keyRect, editor->size(), false));
    EXPECT_TRUE(key->isDown());
    editor->Button(Cancel)->click();
    EXPECT_FALSE(key->isDown());
}

TEST_F(KeyEditorTest, TheTabsStoreEachKindOfAssignment)
{
    PrepareKeyboard(0, {{0, KeyA, AssignMedia, 7}, {0, KeyQ, AssignFunction, 3}});
    Start();
    OpenEditorForKey(KeyA);
    EXPECT_EQ(editor->ChosenType(), AssignMedia);
    EXPECT_EQ(Get<QComboBox>(MediaList)->currentIndex(), 7);
    EXPECT_TRUE(Get<QComboBox>(MediaList)->isVisible());
    Get<QComboBox>(MediaList)->setCurrentIndex(6);
    editor->Button(Ok)->click();
    EXPECT_FALSE(editor->IsOpen());
    EXPECT_EQ(DocumentSlot(0, KeyA).Value(), 6u);

    OpenEditorForKey(KeyQ);
    EXPECT_EQ(editor->ChosenType(), AssignFunction);
    EXPECT_EQ(Get<QComboBox>(FunctionList)->currentIndex(), 3);
    editor->Button(TabMedia)->click();
    EXPECT_EQ(editor->ChosenType(), AssignMedia);
    EXPECT_TRUE(editor->IsChanged());
    editor->Button(TabFunction)->click();
    Get<QComboBox>(FunctionList)->setCurrentIndex(10);
    editor->Button(Apply)->click();
    EXPECT_EQ(DocumentSlot(0, KeyQ).Type(), AssignFunction);
    EXPECT_EQ(DocumentSlot(0, KeyQ).Value(), 10u);
    // Clear gives the key back its own function.
    editor->Button(Clear)->click();
    EXPECT_EQ(editor->ChosenType(), AssignDefault);
    EXPECT_TRUE(KeyFieldText().isEmpty());
    editor->Button(Ok)->click();
    EXPECT_EQ(DocumentSlot(0, KeyQ).Type(), AssignDefault);
}

TEST_F(KeyEditorTest, ADisabledKeyFromTheKeyboardIsKeptByAnApplyThatChangedNothing)
{
    PrepareKeyboard(0, {{0, KeyA, AssignDisabled, 0}});
    Start();
    OpenEditorForKey(KeyA);
    editor->ApplyKeyFunction();
    EXPECT_EQ(DocumentSlot(0, KeyA).Type(), AssignDisabled);
}

TEST_F(KeyEditorTest, TheWindowClosesTheEditorRefusesAProfileSwitchAndForwardsTheLanguage)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyEsc);
    EXPECT_TRUE(link->IsKeyEditorOpen());

    window->OnProfileButton(1);
    EXPECT_EQ(g_currentProfile.load(), 0);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back(), LoadText("PROFILE_SEELCT_PROMPT2"));

    window->HandleMessage(MsgLanguage, TagLanguage, 1);
    EXPECT_EQ(editor->Button(TabKey)->text().toStdString(), LoadText("SINGLE_KEY", 1));
    EXPECT_NE(LoadText("SINGLE_KEY", 1), LoadText("SINGLE_KEY", 0));
    window->HandleMessage(MsgLanguage, TagLanguage, 0);

    window->CloseSubWindows();
    EXPECT_FALSE(editor->IsOpen());
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(link->IsKeyEditorOpen());
    window->OnProfileButton(1);
    EXPECT_TRUE(SpinUntil([] { return g_currentProfile.load() == 1; }));
}

TEST_F(KeyEditorTest, TheOnScreenKeyboardStartsOnceOrSaysItIsMissing)
{
    namespace fs = std::filesystem;
    PrepareKeyboard(0, {});
    Start();
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    ::setenv("PATH", bin.c_str(), 1);
    OpenEditorForKey(KeyEsc);

    editor->Button(OnScreenKeyboard)->click();
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back(), LoadText("COMPOSITE_NO_OSK"));

    const fs::path marker = dir / "started";
    {
        std::ofstream script(bin / "onboard");
        script << "#!/bin/sh\necho $$ >> '" << marker.string() << "'\nexec 0<&-\nwhile :; do sleep 0.05; done\n";
    }
    fs::permissions(bin / "onboard", fs::perms::owner_all);
    const size_t messages = prompts.messages.size();
    editor->Button(OnScreenKeyboard)->click();
    ASSERT_TRUE(SpinUntil([&] { return fs::exists(marker) && fs::file_size(marker) > 0; }));
    ASSERT_TRUE(SpinUntil([] { return IsProgramRunning("onboard"); }));
    editor->Button(OnScreenKeyboard)->click();
    SpinUntil([] { return false; }, 200);
    ::setenv("PATH", savedPath.c_str(), 1);

    std::ifstream pids(marker);
    std::vector<int> started;
    for (int pid = 0; pids >> pid;)
        started.push_back(pid);
    for (int pid : started)
        ::kill(pid, SIGKILL);
    EXPECT_EQ(started.size(), 1u) << "started twice";
    EXPECT_EQ(prompts.messages.size(), messages);
}

// The tabs are parts as large as the window: a press anywhere on a shown
// control, a tab's or the window's own, must reach that control and not the
// part lying over it, on every tab.
TEST_F(KeyEditorTest, EveryShownControlTakesThePressesOnItsPlaceOnEveryTab)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyEsc);
    const int ids[] = {OnScreenKeyboard, TabKey, TabMacro, TabMedia, TabFunction, Clear, Ok, Cancel, Apply,
                       KeyboardChoice, KeyField, MouseChoice, MouseList, MacroListBox, NewMacro, DeleteMacro,
                       PlayCount, EventList, Record, DeleteEvent, ClearEvents, MoveTop, MoveUp, MoveDown,
                       MoveBottom, RecordDelays, MediaList, FunctionList};
    for (int tab : {TabKey, TabMacro, TabMedia, TabFunction}) {
        editor->OnTab(tab);
        int shown = 0;
        for (int id : ids) {
            QWidget* control = editor->Control(id);
            ASSERT_NE(control, nullptr) << id;
            if (!control->isVisible())
                continue;
            ++shown;
            const QPoint centre = control->mapTo(editor, control->rect().center());
            QWidget* hit = editor->childAt(centre);
            EXPECT_TRUE(hit == control || control->isAncestorOf(hit))
                << "tab " << tab << ", control " << id << " is covered by "
                << (hit ? hit->objectName().toStdString() : std::string("nothing"));
        }
        EXPECT_GE(shown, 10) << "tab " << tab;
    }
}
