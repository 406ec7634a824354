// What the key editor's lists and captions look like to the owner: drop-down
// lists that look like lists, the key cell's list of a sensible height, and
// tab captions of one size in every language.
#include "KeyEditorTestSupport.h"

#include "support/ButtonCaptions.h"

#include <QAbstractItemView>
#include <QImage>
#include <QMouseEvent>
#include <QScreen>

using namespace CompositeControl;

namespace {

// Pixels clearly lighter than the dark field in the list's right end, where
// the arrow belongs.
int BrightPixelsAtTheRightEnd(QComboBox* list)
{
    const QImage image = list->grab().toImage();
    int bright = 0;
    for (int y = 3; y < image.height() - 3; ++y) {
        for (int x = image.width() - 20; x < image.width() - 3; ++x)
            bright += QColor(image.pixel(x, y)).lightness() > 120 ? 1 : 0;
    }
    return bright;
}

void ClickMiddle(QWidget* target)
{
    const QPointF at = QRectF(target->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

} // namespace

TEST_F(KeyEditorTest, DropDownListsShowAnArrowAndOpenFromAClickAnywhere)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyF5);
    const struct {
        int tab;
        int list;
        const char* name;
    } lists[] = {{TabKey, MouseList, "mouse"},
                 {TabMacro, MacroListBox, "macro"},
                 {TabMedia, MediaList, "media"},
                 {TabFunction, FunctionList, "function"}};
    for (const auto& l : lists) {
        SCOPED_TRACE(l.name);
        editor->Button(l.tab)->click();
        if (l.list == MacroListBox)
            editor->Button(NewMacro)->click();
        if (l.list == MouseList)
            Get<QRadioButton>(MouseChoice)->click();
        auto* list = Get<QComboBox>(l.list);
        ASSERT_TRUE(list->isVisible());
        ASSERT_TRUE(list->isEnabled());
        EXPECT_GT(BrightPixelsAtTheRightEnd(list), 6) << "no arrow drawn";
        // A click in the middle, on the text, opens the list.
        list->clearFocus();
        ClickMiddle(list->lineEdit() ? static_cast<QWidget*>(list->lineEdit()) : list);
        EXPECT_TRUE(list->view()->isVisible());
        list->hidePopup();
    }
    // Once the macro name's field has the focus, a click places the caret
    // for renaming.
    editor->Button(TabMacro)->click();
    auto* macros = Get<QComboBox>(MacroListBox);
    editor->activateWindow();
    QApplication::processEvents();
    macros->lineEdit()->setFocus();
    ASSERT_TRUE(macros->lineEdit()->hasFocus());
    ClickMiddle(macros->lineEdit());
    EXPECT_FALSE(macros->view()->isVisible());
}

TEST_F(KeyEditorTest, TheKeyCellOpensAListOfSensibleHeight)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyF5);
    editor->Button(TabMacro)->click();
    editor->Button(NewMacro)->click();
    editor->Button(Record)->click();
    now += 100;
    TapKey(KEY_B);
    editor->Button(Record)->click();
    ASSERT_EQ(editor->EventModel()->rowCount(), 2);

    QTableView* view = editor->EventView();
    const QModelIndex key = editor->EventModel()->index(0, MacroEventModel::KeyColumn);
    view->setCurrentIndex(key);
    view->edit(key);
    auto* keys = view->viewport()->findChild<QComboBox*>(QStringLiteral("KeyEditor"));
    ASSERT_NE(keys, nullptr);
    keys->showPopup();
    QWidget* popup = keys->view()->window();
    ASSERT_TRUE(popup->isVisible());
    const int row = keys->view()->sizeHintForRow(0);
    ASSERT_GT(row, 0);
    // Its own rows at most, with a frame: not 105 keys the height of the screen.
    EXPECT_LE(popup->height(), keys->maxVisibleItems() * row + 12);
    EXPECT_LT(popup->height(), keys->screen()->geometry().height() / 2);
    keys->hidePopup();
}

TEST_F(KeyEditorTest, TabCaptionsShareOneSizeThatFitsInEveryLanguage)
{
    PrepareKeyboard(0, {});
    Start();
    OpenEditorForKey(KeyF5);
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        window->ApplyLanguage(language);
        ExpectOneCaptionSizeThatFits({editor->Button(TabKey), editor->Button(TabMacro), editor->Button(TabMedia),
                                      editor->Button(TabFunction)});
    }
    window->ApplyLanguage(0);
}

// The Key field names a mouse action whole in every language: a longer name
// than the field holds was shown scrolled to its end ("редняя кнопка мыши").
TEST_F(KeyEditorTest, TheKeyFieldShowsAMouseActionsWholeName)
{
    const uint16_t actions[] = {KeyCodes::MouseLeft, KeyCodes::MouseRight, KeyCodes::MouseMiddle, KeyCodes::WheelUp,
                                KeyCodes::WheelDown};
    std::vector<KeyboardAssignment> keys;
    const uint16_t onKeys[] = {KeyQ, KeyEsc, KeyF5, KeyA, 15}; // 15: Tab
    for (size_t n = 0; n < std::size(actions); ++n)
        keys.push_back({0, onKeys[n], AssignKey, actions[n]});
    PrepareKeyboard(0, keys);
    Start();
    for (int language : {0, 1}) {
        window->ApplyLanguage(language);
        for (size_t n = 0; n < std::size(actions); ++n) {
            SCOPED_TRACE(std::to_string(language) + " " + GetKeyName(actions[n]));
            OpenEditorForKey(onKeys[n]);
            auto* field = Get<QLineEdit>(KeyField);
            ASSERT_EQ(field->text(), QString::fromStdString(GetKeyName(actions[n])));
            // QLineEdit keeps a few pixels of margin inside its frame.
            EXPECT_LE(QFontMetricsF(field->font()).horizontalAdvance(field->text()), field->width() - 8);
            editor->Button(Cancel)->click();
        }
    }
    window->ApplyLanguage(0);
}
