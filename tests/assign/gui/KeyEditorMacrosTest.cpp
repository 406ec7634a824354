#include "KeyEditorTestSupport.h"

#include "actions/DeviceMacroImage.h"
#include "macro/MacroImage.h"
#include "macro/RecordDelaySetting.h"

using namespace CompositeControl;

namespace {

std::vector<MacroEvent> ManyEvents(size_t count)
{
    std::vector<MacroEvent> events(count);
    for (size_t i = 0; i < count; ++i)
        events[i] = {static_cast<uint32_t>(10 * (i % 100)), static_cast<uint16_t>(30 + i % 20),
                     static_cast<uint16_t>(i % 2)};
    return events;
}

} // namespace

TEST_F(KeyEditorTest, RenamingToAnotherMacrosNameGivesTheNextDefaultName)
{
    OpenOnMacros({{"Alpha", {}}, {"Beta", {}}});
    auto* list = Get<QComboBox>(MacroListBox);
    list->setCurrentIndex(1);
    ASSERT_EQ(editor->Macros().selected, 1);

    editor->MacroTab()->OnMacroNameEdited(QStringLiteral("alpha"));
    EXPECT_EQ(list->itemText(1).toStdString(), LoadText("MACRO_NEW_PREFIX") + "1");
    EXPECT_EQ(editor->Macros().macros[1].View().Name(), LoadText("MACRO_NEW_PREFIX") + "1");
    // Typing a name of one's own keeps it.
    list->lineEdit()->selectAll();
    TypeText(list->lineEdit(), QStringLiteral("Zed"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("Zed"));
    EXPECT_EQ(list->itemText(0), QStringLiteral("Alpha"));
    EXPECT_TRUE(editor->IsChanged());

    editor->Button(Ok)->click();
    EXPECT_EQ(DocumentMacroNames(), (std::vector<std::string>{"Alpha", "Zed"}));
}

TEST_F(KeyEditorTest, CancelAfterDeletingAMacroChangesNothing)
{
    PrepareKeyboard(0, {});
    Start();
    AddMacros({{"Alpha", {{100, 30, MacroPressed}}}, {"Beta", {}}});
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyA), AssignMacro, 1, 2), 1);
    const KeySlot before = DocumentSlot(0, KeyA);
    prompts.answerYes = true;

    OpenEditor(MacroOnlyControlId);
    editor->Button(DeleteMacro)->click();
    ASSERT_EQ(editor->Macros().macros.size(), 1u);
    EXPECT_EQ(prompts.questions.size(), 1u); // key A plays it
    editor->Button(Cancel)->click();

    EXPECT_EQ(DocumentMacroNames(), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(DocumentMacroEvents(0), (std::vector<MacroEvent>{{100, 30, MacroPressed}}));
    EXPECT_EQ(DocumentSlot(0, KeyA).bytes, before.bytes);
}

TEST_F(KeyEditorTest, HoldingAKeyWhileRecordingRecordsOnePressAndOneRelease)
{
    OpenOnMacros({{"Alpha", {}}}, 1);
    editor->Button(Record)->click();
    ASSERT_TRUE(editor->IsRecording());
    EXPECT_FALSE(editor->Button(NewMacro)->isEnabled());
    EXPECT_FALSE(Get<QComboBox>(MacroListBox)->isEnabled());

    now = 1200;
    SendKey(KEY_A, false);
    for (int i = 0; i < 10; ++i) {
        now += 33;
        RepeatKey(KEY_A);
    }
    now = 1700;
    SendKey(KEY_A, true);
    now = 1750;
    TapKey(KEY_VOLUMEDOWN, Qt::Key_VolumeDown); // passes, unrecorded
    editor->Button(Record)->click();
    EXPECT_FALSE(editor->IsRecording());
    EXPECT_TRUE(editor->Button(NewMacro)->isEnabled());

    EXPECT_EQ(Rows(), (std::vector<MacroEvent>{{500, 30, MacroPressed}, {0, 30, MacroReleased}}));
    EXPECT_EQ(editor->EventModel()->rowCount(), 2);
    EXPECT_EQ(editor->EventView()->selectionModel()->selectedRows().front().row(), 1);
}

// The owner holds Shift+A and makes another window active: the releases go
// there, so the macro gets them when the editor stops being active, and A
// pressed again back in the editor is a stroke of its own.
TEST_F(KeyEditorTest, KeysHeldWhenAnotherWindowBecomesActiveAreReleasedInTheMacro)
{
    OpenOnMacros({{"Alpha", {}}}, 1);
    editor->Button(Record)->click();
    now = 1100;
    SendKey(KEY_LEFTSHIFT, false);
    now = 1200;
    SendKey(KEY_A, false);
    now = 1500;
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(editor, &deactivate);
    now = 3000;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(editor, &activate);
    SendKey(KEY_A, false);
    now = 3100;
    SendKey(KEY_A, true);
    editor->Button(Record)->click();
    EXPECT_EQ(Rows(), (std::vector<MacroEvent>{{100, 42, MacroPressed},
                                               {300, 30, MacroPressed},
                                               {0, 30, MacroReleased},
                                               {1500, 42, MacroReleased},
                                               {100, 30, MacroPressed},
                                               {0, 30, MacroReleased}}));
}

TEST_F(KeyEditorTest, WithoutRecordedDelaysEveryRecordedEventGetsFifty)
{
    OpenOnMacros({{"Alpha", {}}}, 0);
    EXPECT_FALSE(Get<QCheckBox>(RecordDelays)->isChecked());
    editor->Button(Record)->click();
    now = 1013;
    SendKey(KEY_LEFTSHIFT, false);
    now = 1377;
    TapKey(KEY_Q);
    now = 2999;
    SendKey(KEY_LEFTSHIFT, true);
    TapKey(KEY_LEFTMETA, Qt::Key_Meta);
    editor->Button(Record)->click();

    ASSERT_EQ(Rows().size(), 6u);
    for (size_t i = 0; i + 1 < Rows().size(); ++i)
        EXPECT_EQ(Rows()[i].delay, FixedRecordDelay) << "row " << i;
    EXPECT_EQ(Rows()[4], (MacroEvent{FixedRecordDelay, KeyCodes::LeftWin, MacroPressed}));
    EXPECT_EQ(Rows()[5].keyCode, KeyCodes::LeftWin);

    // The check box flips the stored setting.
    Get<QCheckBox>(RecordDelays)->click();
    EXPECT_EQ(ReadRecordDelaysSetting(), 1);
}

// Starting and stopping a recording moves the focus nowhere: the macro
// list, disabled meanwhile, has it back afterwards instead of the play count.
TEST_F(KeyEditorTest, RecordingLeavesTheFocusWhereItWas)
{
    OpenOnMacros({{"Alpha", {}}});
    QWidget* const places[] = {Get<QComboBox>(MacroListBox), Get<QLineEdit>(PlayCount), editor->EventView()};
    for (QWidget* place : places) {
        const std::string name = place->objectName().toStdString();
        place->setFocus(Qt::MouseFocusReason);
        ASSERT_EQ(editor->focusWidget(), place) << name;
        editor->Button(Record)->click();
        ASSERT_TRUE(editor->IsRecording());
        QWidget* during = editor->focusWidget();
        EXPECT_TRUE(during == place || (during == nullptr && !place->isEnabled()))
            << name << ": the focus went to " << (during ? during->objectName().toStdString() : "nothing");
        TapKey(KEY_Z);
        editor->Button(Record)->click();
        EXPECT_EQ(editor->focusWidget(), place) << name;
    }
    EXPECT_EQ(Rows().size(), 6u);
    EXPECT_EQ(Get<QLineEdit>(PlayCount)->text(), QStringLiteral("1"));
}

TEST_F(KeyEditorTest, TheRecordDelaysBoxShowsWhatTheSettingsHold)
{
    OpenOnMacros({{"Alpha", {}}}, 0);
    auto* box = Get<QCheckBox>(RecordDelays);
    ASSERT_FALSE(box->isChecked());

    // The settings file cannot be written (a folder stands in its place).
    const std::string path = AppSettings().Path();
    std::filesystem::remove(path);
    std::filesystem::create_directories(path);
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(prompts.messages, std::vector<std::string>{FormatText(LoadText("MACRO_ACTION_RECORD_DELAY_SAVE_FAILED"), path)});
    std::filesystem::remove_all(path);
}

TEST_F(KeyEditorTest, AMacroOfFourThousandEventsTakesNoMore)
{
    OpenOnMacros({{"Full", ManyEvents(MaxMacroEvents)}});
    ASSERT_EQ(editor->EventModel()->rowCount(), MaxMacroEvents);
    editor->EventView()->selectRow(10);
    editor->Button(Record)->click();
    TapKey(KEY_B);
    editor->Button(Record)->click();
    EXPECT_EQ(Rows(), ManyEvents(MaxMacroEvents));
    EXPECT_FALSE(editor->IsChanged());
}

TEST_F(KeyEditorTest, EventsMoveDeleteAndAreEditedInTheirCells)
{
    OpenOnMacros({{"Big", ManyEvents(MaxMacroEvents)}});
    QTableView* view = editor->EventView();
    const std::vector<MacroEvent> original = ManyEvents(MaxMacroEvents);

    view->selectRow(3);
    editor->Button(MoveBottom)->click();
    EXPECT_EQ(Rows().back(), original[3]);
    EXPECT_EQ(view->selectionModel()->selectedRows().front().row(), MaxMacroEvents - 1);
    editor->Button(MoveTop)->click();
    EXPECT_EQ(Rows().front(), original[3]);
    editor->Button(MoveDown)->click();
    EXPECT_EQ(Rows()[1], original[3]);
    editor->Button(MoveUp)->click();
    EXPECT_EQ(Rows()[0], original[3]);
    editor->Button(DeleteEvent)->click();
    EXPECT_EQ(Rows().size(), static_cast<size_t>(MaxMacroEvents - 1));
    EXPECT_EQ(Rows()[0], original[0]);

    // The delay cell: digits only, at most 40000, rounded down to tens.
    const QModelIndex delay = editor->EventModel()->index(0, MacroEventModel::DelayColumn);
    view->setCurrentIndex(delay);
    view->edit(delay);
    auto* field = view->viewport()->findChild<QLineEdit*>(QStringLiteral("DelayEditor"));
    ASSERT_NE(field, nullptr);
    field->setText(QStringLiteral("1234"));
    editor->ApplyKeyFunction(); // ends the editing, storing the cell
    EXPECT_EQ(Rows()[0].delay, 1230u);
    EXPECT_EQ(DocumentMacroEvents(0)[0].delay, 1230u);
    EXPECT_TRUE(editor->EventModel()->setData(delay, QStringLiteral("99999999"), Qt::EditRole));
    EXPECT_EQ(Rows()[0].delay, MaxMacroDelay);
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back(), FormatText(LoadText("MACRO_ACTION_ERR_DELAY_MAX"), 40000));

    // The key cell offers the key list; the direction cell the two arrows.
    const QModelIndex key = editor->EventModel()->index(1, MacroEventModel::KeyColumn);
    view->setCurrentIndex(key);
    view->edit(key);
    auto* keys = view->viewport()->findChild<QComboBox*>(QStringLiteral("KeyEditor"));
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->count(), 105);
    EXPECT_EQ(keys->currentIndex(), KeyCodeToListCode(Rows()[1].keyCode));
    keys->setCurrentIndex(KeyCodeToListCode(48));
    editor->ApplyKeyFunction();
    EXPECT_EQ(Rows()[1].keyCode, 48);
    EXPECT_EQ(key.data().toString().toStdString(), GetKeyName(48));
    const QModelIndex direction = editor->EventModel()->index(1, MacroEventModel::DirectionColumn);
    const uint16_t was = Rows()[1].direction;
    EXPECT_TRUE(editor->EventModel()->setData(direction, was == 0 ? 1 : 0, Qt::EditRole));
    EXPECT_NE(Rows()[1].direction, was);
    EXPECT_FALSE(editor->EventModel()->setData(direction, was == 0 ? 1 : 0, Qt::EditRole)) << "same value";

    prompts.answerYes = true;
    editor->Button(ClearEvents)->click();
    EXPECT_TRUE(Rows().empty());
}

TEST_F(KeyEditorTest, TypedPlayCountsNamesAndPastesStayInRange)
{
    PrepareKeyboard(0, {});
    Start();
    AddMacros({{"Alpha", {}}});
    OpenEditorForKey(KeyA);
    editor->Button(TabMacro)->click();
    auto* count = Get<QLineEdit>(PlayCount);
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"abc", "1"}, {"0", "1"}, {"-7", "1"}, {"99999999", "255"}, {"256", "255"}, {"42", "42"}};
    for (const auto& c : cases) {
        count->selectAll();
        count->insert(QString::fromLatin1(c.typed));
        EXPECT_EQ(count->text().toStdString(), c.shown) << c.typed;
    }
    count->selectAll();
    count->insert(QStringLiteral("300"));
    EXPECT_EQ(count->text(), QStringLiteral("255"));

    const QString huge(200000, QLatin1Char('x'));
    QLineEdit* name = Get<QComboBox>(MacroListBox)->lineEdit();
    name->selectAll();
    name->insert(huge);
    editor->MacroTab()->OnMacroNameEdited(huge);
    EXPECT_EQ(editor->Macros().macros[0].View().NameLength(), MaxMacroNameUnits);

    editor->Button(Ok)->click();
    EXPECT_EQ(DocumentSlot(0, KeyA).Type(), AssignMacro);
    EXPECT_EQ(DocumentSlot(0, KeyA).Identity(), 255);
    DocumentLock lock;
    EXPECT_EQ(ConstMacroBlock(MacroBlockAt(g_configDoc, 0)).Cycles(), 255);
    EXPECT_EQ(ConstMacroBlock(MacroBlockAt(g_configDoc, 0)).Name(), std::string(MaxMacroNameUnits, 'x'));
}

// What the owner chose is what the keyboard holds after both Applies: the key
// map entries and the macro memory.
TEST_F(KeyEditorTest, AfterBothAppliesTheKeyboardHoldsExactlyTheChoice)
{
    PrepareKeyboard(0, {});
    Start();
    WriteRecordDelaysSetting(1);

    OpenEditorForKey(KeyEsc);
    TapKey(KEY_B);
    editor->Button(Ok)->click();

    OpenEditorForKey(KeyF5);
    editor->Button(TabMacro)->click();
    editor->Button(NewMacro)->click();
    ASSERT_EQ(editor->Macros().macros.size(), 1u);
    editor->Button(Record)->click();
    now = 1100;
    SendKey(KEY_A, false);
    now = 1230;
    SendKey(KEY_A, true);
    editor->Button(Record)->click();
    auto* count = Get<QLineEdit>(PlayCount);
    count->selectAll();
    count->insert(QStringLiteral("3"));
    editor->Button(Ok)->click();
    EXPECT_TRUE(window->IsApplyEnabled());

    ASSERT_EQ(window->RunApply(), 1);
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{2, 2, 0x05}));
    EXPECT_EQ(KeyboardEntry(0, KeyF5), (KeyMapEntry{5, 1, 0}));
    EXPECT_EQ(KeyboardEntry(0, KeyA), FactoryEntry(KeyA));
    const std::vector<uint8_t> area = DecodeMacroImage(std::span<const uint8_t>(kb->Memories().macroMemory));
    ASSERT_EQ(area.size(), MacroBlockSize);
    ConstMacroBlock macro(area.data());
    EXPECT_EQ(macro.Cycles(), 3);
    EXPECT_EQ(macro.Events(), (std::vector<MacroEvent>{{130, 30, MacroPressed}, {0, 30, MacroReleased}}));
}
