// The macro tab's memory gauge follows every edit of the working copies, and
// the owner is warned before macros that do not fit reach the document or
// names are dropped on the way to the keyboard.
#include "KeyEditorTestSupport.h"

#include "assign/gui/MacroMemoryGauge.h"
#include "device/hid/CurrentHidBackend.h"
#include "macro/MacroImage.h"

using namespace CompositeControl;

namespace {

class KeyEditorGaugeTest : public KeyEditorTest {
protected:
    // A keyboard whose macro memory holds 128 bytes.
    void SetUp() override
    {
        KeyEditorTest::SetUp();
        VirtualKeyboardOptions options;
        options.macroUnits = 1;
        SetHidBackend(nullptr);
        kb = std::make_unique<VirtualKeyboard>(options);
        SetHidBackend(kb.get());
        PrepareKeyboard(0, {});
        Start();
        ASSERT_EQ(g_macroCapacity.load(), 128u);
    }

    MacroMemoryGauge* Gauge() const { return editor->MacroTab()->Gauge(); }
    QString Caption() const { return Get<QLabel>(MemoryCaption)->text(); }
    std::pair<uint32_t, uint32_t> Sizes() const
    {
        return {Gauge()->Use().sizes.withNames, Gauge()->Use().sizes.withoutNames};
    }

    void RecordTaps(int taps)
    {
        editor->Button(Record)->click();
        for (int i = 0; i < taps; ++i) {
            now += 100;
            TapKey(KEY_B);
        }
        editor->Button(Record)->click();
    }

    void Rename(const QString& name)
    {
        QLineEdit* field = Get<QComboBox>(MacroListBox)->lineEdit();
        field->selectAll();
        TypeText(field, name);
    }

    // The keyboard's image header: length and names flag.
    std::pair<uint16_t, uint16_t> KeyboardImage() const
    {
        const KeyboardMemories m = kb->Memories();
        return {ReadU16(m.macroMemory.data(), ImageLengthOffset), ReadU16(m.macroMemory.data(), ImageNamesFlagOffset)};
    }

    static std::string Filled(const char* key, const std::string& p2, const std::string& p3)
    {
        QString text = QString::fromStdString(LoadText(key));
        text.replace(QLatin1String("%2"), QString::fromStdString(p2));
        text.replace(QLatin1String("%3"), QString::fromStdString(p3));
        return text.toStdString();
    }
};

TEST_F(KeyEditorGaugeTest, TheGaugeFollowsEveryEditOfTheMacros)
{
    OpenEditor(MacroOnlyControlId);
    ASSERT_FALSE(Gauge()->isHidden());
    ASSERT_FALSE(Get<QLabel>(MemoryCaption)->isHidden());
    EXPECT_EQ(Caption(), QStringLiteral("Memory: 16 of 128 bytes (without names: 16)"));

    // Each step: the sizes by hand (16 + 2N header, 4 + 4 per event per
    // macro, 2 per name unit with names) and the fit they make.
    const std::string prefix = LoadText("MACRO_NEW_PREFIX"); // "Macro"
    ASSERT_EQ(prefix, "Macro");
    editor->Button(NewMacro)->click();
    EXPECT_EQ(Sizes(), std::make_pair(34u, 22u));
    RecordTaps(1);
    EXPECT_EQ(Sizes(), std::make_pair(42u, 30u));
    Rename(QStringLiteral("Jump"));
    EXPECT_EQ(Sizes(), std::make_pair(38u, 30u));
    EXPECT_EQ(Caption(), QStringLiteral("Memory: 38 of 128 bytes (without names: 30)"));
    EXPECT_EQ(Gauge()->Use().fit, MacroFit::WithNames);
    EXPECT_EQ(Get<QLabel>(MemoryCaption)->palette().color(QPalette::WindowText), QColor(228, 228, 228));
    // The bar: 30 and 38 of 128 bytes over its 128 pixels.
    ASSERT_EQ(Gauge()->width(), 128);
    EXPECT_EQ(Gauge()->SolidWidth(), 30);
    EXPECT_EQ(Gauge()->NamesWidth(), 38);

    editor->EventView()->selectRow(0);
    editor->Button(DeleteEvent)->click();
    EXPECT_EQ(Sizes(), std::make_pair(34u, 26u));

    // A name of 60 units only fits without names.
    Rename(QString(60, QLatin1Char('n')));
    EXPECT_EQ(Sizes(), std::make_pair(146u, 26u));
    EXPECT_EQ(Gauge()->Use().fit, MacroFit::WithoutNames);
    EXPECT_EQ(Caption(), QStringLiteral("Without names: 26 of 128 bytes (with names: 146)"));
    EXPECT_NE(Get<QLabel>(MemoryCaption)->palette().color(QPalette::WindowText), QColor(228, 228, 228));
    EXPECT_EQ(Gauge()->SolidWidth(), 26);
    EXPECT_EQ(Gauge()->NamesWidth(), 128) << "the names run past the end";
    EXPECT_TRUE(Gauge()->toolTip().contains(QStringLiteral("146")));

    // A second macro with 26 events: 20 + (4 + 4) + (4 + 104) = 136.
    editor->Button(NewMacro)->click();
    RecordTaps(13);
    EXPECT_EQ(Sizes().second, 136u);
    EXPECT_EQ(Gauge()->Use().fit, MacroFit::TooLarge);
    EXPECT_EQ(Caption(), QStringLiteral("Too large: 136 of 128 bytes even without names"));
    EXPECT_EQ(Gauge()->SolidWidth(), 128);

    // Clearing its events, then deleting it, comes back down.
    prompts.answerYes = true;
    editor->Button(ClearEvents)->click();
    EXPECT_EQ(Sizes().second, 32u);
    EXPECT_EQ(Gauge()->Use().fit, MacroFit::WithoutNames);
    editor->Button(DeleteMacro)->click();
    EXPECT_EQ(Sizes(), std::make_pair(146u, 26u));

    // Switching back to the first macro and back shows its rows' count.
    RecordTaps(2);
    EXPECT_EQ(Sizes(), std::make_pair(162u, 42u));
    Get<QComboBox>(MacroListBox)->setCurrentIndex(0);
    EXPECT_EQ(Sizes(), std::make_pair(162u, 42u));

    // The caption follows the language.
    window->ApplyLanguage(1);
    EXPECT_EQ(Caption(), QStringLiteral("Без имён: 42 из 128 байт (с именами: 162)"));
    window->ApplyLanguage(0);
}

TEST_F(KeyEditorGaugeTest, TheGaugeBelongsToTheMacroTab)
{
    OpenEditorForKey(KeyA);
    EXPECT_TRUE(Gauge()->isHidden());
    EXPECT_TRUE(Get<QLabel>(MemoryCaption)->isHidden());
    editor->Button(TabMacro)->click();
    EXPECT_FALSE(Gauge()->isHidden());
    EXPECT_FALSE(Get<QLabel>(MemoryCaption)->isHidden());
    editor->Button(TabMedia)->click();
    EXPECT_TRUE(Gauge()->isHidden());
}

// Macros that do not fit even without names: the editor's Apply and OK ask
// before they enter the document; the main window's Apply then sends nothing.
TEST_F(KeyEditorGaugeTest, MacrosThatDoNotFitAreQuestionedBeforeTheyAreApplied)
{
    OpenEditor(MacroOnlyControlId);
    editor->Button(NewMacro)->click();
    RecordTaps(30); // 18 + 4 + 240 = 262 bytes without the name
    ASSERT_EQ(Gauge()->Use().fit, MacroFit::TooLarge);
    const std::string question = Filled("MACRO_MEMORY_FULL_CONFIRM", "128", "262");
    ASSERT_EQ(question.find('%'), std::string::npos);

    editor->Button(Apply)->click();
    EXPECT_EQ(prompts.questions, std::vector<std::string>{question});
    EXPECT_TRUE(DocumentMacroNames().empty()) << "No keeps the document as it was";
    EXPECT_TRUE(editor->IsChanged());
    editor->Button(Ok)->click();
    EXPECT_EQ(prompts.questions.size(), 2u);
    EXPECT_TRUE(editor->IsOpen()) << "No goes back to editing";
    EXPECT_TRUE(DocumentMacroNames().empty());
    EXPECT_FALSE(window->IsApplyEnabled());

    prompts.answerYes = true;
    editor->Button(Ok)->click();
    EXPECT_EQ(prompts.questions.size(), 3u);
    EXPECT_FALSE(editor->IsOpen());
    EXPECT_EQ(DocumentMacroNames().size(), 1u);
    ASSERT_TRUE(window->IsApplyEnabled());

    const KeyboardMemories before = kb->Memories();
    kb->ClearFrameLog();
    prompts.ClearMessages();
    EXPECT_EQ(window->RunApply(), 0);
    EXPECT_TRUE(kb->Requests().empty()) << "nothing is sent";
    EXPECT_EQ(kb->Memories(), before);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{LoadText("EXTRA_MACRO_TOO_LONG")});
    EXPECT_EQ(prompts.questions.size(), 3u) << "the main window's Apply does not ask again";
    EXPECT_TRUE(window->IsApplyEnabled());
}

// Macros that fit only without names: the editor applies without asking (its
// gauge says it); the main window's Apply asks before anything is sent.
TEST_F(KeyEditorGaugeTest, DroppedNamesAreQuestionedBeforeTheMainApplySendsAnything)
{
    OpenEditorForKey(KeyF5);
    editor->Button(TabMacro)->click();
    editor->Button(NewMacro)->click();
    Rename(QStringLiteral("Jump"));
    RecordTaps(1);
    editor->Button(Ok)->click();
    EXPECT_TRUE(prompts.questions.empty());
    ASSERT_EQ(window->RunApply(), 1);
    EXPECT_TRUE(prompts.questions.empty()) << "it fits with its name";
    EXPECT_EQ(KeyboardImage(), std::make_pair(uint16_t{38}, uint16_t{1}));

    OpenEditorForKey(KeyF5);
    Rename(QString(60, QLatin1Char('n')));
    ASSERT_EQ(Gauge()->Use().fit, MacroFit::WithoutNames);
    editor->Button(Ok)->click();
    EXPECT_TRUE(prompts.questions.empty()) << "the editor does not ask";
    ASSERT_TRUE(window->IsApplyEnabled());

    const KeyboardMemories before = kb->Memories();
    kb->ClearFrameLog();
    EXPECT_EQ(window->RunApply(), 0);
    EXPECT_EQ(prompts.questions,
              std::vector<std::string>{FormatText(LoadText("MACRO_MEMORY_NAMES_CONFIRM"), std::string("150"))});
    EXPECT_TRUE(kb->Requests().empty()) << "No sends nothing";
    EXPECT_EQ(kb->Memories(), before);
    EXPECT_TRUE(window->IsApplyEnabled());

    prompts.answerYes = true;
    EXPECT_EQ(window->RunApply(), 1);
    EXPECT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(KeyboardImage(), std::make_pair(uint16_t{30}, uint16_t{0}));
    EXPECT_EQ(KeyboardEntry(0, KeyF5), (KeyMapEntry{5, 1, 0}));
    EXPECT_FALSE(window->IsApplyEnabled());
}

// The question before names are dropped and the gauge write one number
// alike, grouped as each language groups thousands.
TEST_F(KeyEditorGaugeTest, TheQuestionAndTheGaugeWriteTheirNumbersAlike)
{
    OpenEditorForKey(KeyF5);
    editor->Button(TabMacro)->click();
    for (const char letter : {'a', 'b'}) {
        editor->Button(NewMacro)->click();
        Rename(QString(static_cast<qsizetype>(MaxMacroNameUnits), QLatin1Char(letter)));
        RecordTaps(1);
    }
    ASSERT_EQ(Gauge()->Use().fit, MacroFit::WithoutNames);
    ASSERT_EQ(Sizes().first, 1040u);

    const struct {
        int language;
        const char* withNames;
    } cases[] = {{0, "1,040"}, {1, "1\u00A0040"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        window->ApplyLanguage(c.language);
        EXPECT_TRUE(Caption().contains(QString::fromUtf8(c.withNames))) << Caption().toStdString();
    }
    window->ApplyLanguage(0);
    editor->Button(Ok)->click();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        SetLanguageIndex(c.language);
        prompts.questions.clear();
        EXPECT_EQ(window->RunApply(), 0);
        ASSERT_EQ(prompts.questions.size(), 1u);
        EXPECT_NE(prompts.questions[0].find(c.withNames), std::string::npos) << prompts.questions[0];
    }
    SetLanguageIndex(0);
    window->ApplyLanguage(0);
}

} // namespace
