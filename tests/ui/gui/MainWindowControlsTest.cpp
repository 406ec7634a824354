#include "MainWindowTestSupport.h"

#include "assign/KeyAssignment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

void Type(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

bool FunctionKeysEnabled(CVarkelinDlg& window)
{
    for (int id = 1010; id <= 1013; ++id) {
        if (!window.Button(id)->isEnabled())
            return false;
    }
    return true;
}

bool DKeysEnabled(CVarkelinDlg& window)
{
    for (int id = MainControl::FirstD; id < MainControl::FirstD + 6; ++id) {
        if (!window.Button(id)->isEnabled())
            return false;
    }
    return true;
}

bool DKeysDisabled(CVarkelinDlg& window)
{
    for (int id = MainControl::FirstD; id < MainControl::FirstD + 6; ++id) {
        if (window.Button(id)->isEnabled())
            return false;
    }
    return true;
}

} // namespace

TEST_F(MainWindowTest, ColourFieldsTakeDigitsUpTo255)
{
    PrepareKeyboard(0, {});
    Start();
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"300", "255"}, {"255", "255"}, {"12a", "12"}, {"256", "255"}, {"7", "7"}};
    for (int id : {MainControl::ColourR, MainControl::ColourG, MainControl::ColourB}) {
        auto* field = qobject_cast<QLineEdit*>(window->Control(id));
        ASSERT_NE(field, nullptr);
        for (const auto& c : cases) {
            field->clear();
            Type(field, QString::fromLatin1(c.typed));
            EXPECT_EQ(field->text().toStdString(), c.shown) << c.typed;
        }
    }
}

TEST_F(MainWindowTest, StoredFlipOfFiveEnablesTheDKeysAndFlip1StoresZero)
{
    AppSettings().SetString("PROFILES", "Flip", "5");
    PrepareKeyboard(0, {});
    Start();
    EXPECT_TRUE(DKeysEnabled(*window));
    for (int id = 1010; id <= 1013; ++id)
        EXPECT_FALSE(window->Button(id)->isEnabled()) << id;

    // A whole-keyboard refresh keeps the flip as it is.
    window->Button(MainControl::Profile2)->click();
    EXPECT_TRUE(DKeysEnabled(*window));

    window->Button(MainControl::Flip1)->click();
    EXPECT_EQ(AppSettings().GetString("PROFILES", "Flip").value_or(""), "0");
    EXPECT_TRUE(FunctionKeysEnabled(*window));
    EXPECT_TRUE(DKeysDisabled(*window));

    window->Button(MainControl::Flip2)->click();
    EXPECT_EQ(AppSettings().GetString("PROFILES", "Flip").value_or(""), "1");
    EXPECT_TRUE(DKeysEnabled(*window));
}

TEST_F(MainWindowTest, KeyButtonPressChangesNothingUntilTheEditorExists)
{
    PrepareKeyboard(0, {});
    Start();
    KeyButton(KeyEsc)->click();
    window->Button(MacroKeyButtons[8])->click();
    window->Button(MainControl::Macro)->click();
    EXPECT_TRUE(kb->Requests().empty());
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(DocumentSlot(0, KeyEsc).Type(), AssignDefault);
}
