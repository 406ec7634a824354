#include "ShellTestSupport.h"

#include "app/gui/QtUserPrompts.h"
#include "app/gui/UiDispatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <thread>

namespace {

// Answers each dialog of type T that opens, from inside its own event
// loop, as an owner would: look at it, then press something.
template <typename T>
class Answerer {
public:
    // answer is called again while the dialog stays open (a file dialog may
    // still be settling its folder when first answered).
    explicit Answerer(std::function<void(T*)> answer) : answer_(std::move(answer))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<T*>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                if (!answered_.contains(dialog))
                    answered_.push_back(dialog);
                answer_(dialog);
                return;
            }
        });
        timer_.start(10);
    }
    int Count() const { return static_cast<int>(answered_.size()); }

private:
    std::function<void(T*)> answer_;
    QTimer timer_;
    QList<QPointer<T>> answered_;
};

// Types a name into the dialog's name field and presses its accept button,
// as selectFile() leaves a focused field alone.
void TypeFileName(QFileDialog* dialog, const std::string& path)
{
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromStdString(path));
    QMetaObject::invokeMethod(dialog, "accept");
}

class QtUserPromptsTest : public ShellTest {
protected:
    UiDispatcher dispatcher;
    QtUserPrompts prompts{dispatcher};
};

} // namespace

// Questions are Yes/No boxes whose default button is No: an owner who only
// presses Enter never agrees to anything.
TEST_F(QtUserPromptsTest, QuestionsOfferYesAndNoWithNoAsDefault)
{
    struct Seen {
        QString text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    } seen;
    const struct {
        QMessageBox::StandardButton press; // NoButton: the default one
        bool answer;
    } cases[] = {{QMessageBox::NoButton, false}, {QMessageBox::Yes, true}, {QMessageBox::No, false}};
    for (const auto& c : cases) {
        Answerer<QMessageBox> answerer([&](QMessageBox* box) {
            seen.text = box->text();
            seen.buttons = box->standardButtons();
            seen.defaultButton = box->standardButton(box->defaultButton());
            QAbstractButton* press = c.press == QMessageBox::NoButton ? box->defaultButton() : box->button(c.press);
            press->click();
        });
        EXPECT_EQ(prompts.AskYesNo("Restore the defaults?"), c.answer) << c.press;
        EXPECT_EQ(answerer.Count(), 1);
        EXPECT_EQ(seen.text, QStringLiteral("Restore the defaults?"));
        EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(seen.defaultButton, QMessageBox::No);
    }
}

// Messages about a device write stay above every other window; others do not.
TEST_F(QtUserPromptsTest, DeviceWriteMessagesStayOnTop)
{
    const struct {
        MessageStyle style;
        bool onTop;
    } cases[] = {{MessageStyle::Topmost, true}, {MessageStyle::Normal, false}};
    for (const auto& c : cases) {
        bool onTop = !c.onTop;
        QString text;
        QMessageBox::StandardButtons buttons;
        Answerer<QMessageBox> answerer([&](QMessageBox* box) {
            onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            text = box->text();
            buttons = box->standardButtons();
            box->defaultButton() ? box->defaultButton()->click() : box->accept();
        });
        prompts.ShowMessage("The keyboard did not take the change.", c.style);
        EXPECT_EQ(answerer.Count(), 1);
        EXPECT_EQ(onTop, c.onTop);
        EXPECT_EQ(text, QStringLiteral("The keyboard did not take the change."));
        EXPECT_EQ(buttons, QMessageBox::Ok);
    }
}

// The device monitor asks from its own thread: the box opens on the window's
// thread and the answer travels back to the asking thread.
TEST_F(QtUserPromptsTest, QuestionFromAnotherThreadIsAnsweredOnTheWindowThread)
{
    QThread* boxThread = nullptr;
    Answerer<QMessageBox> answerer([&](QMessageBox* box) {
        boxThread = box->thread();
        box->button(QMessageBox::Yes)->click();
    });
    std::atomic<int> answer{-1};
    std::thread asker([&] { answer = prompts.AskYesNo("Load the keyboard's defaults?") ? 1 : 0; });
    EXPECT_TRUE(SpinUntil([&] { return answer.load() != -1; }));
    asker.join();
    EXPECT_EQ(answer.load(), 1);
    EXPECT_EQ(boxThread, QThread::currentThread());

    // After shutdown has begun nobody is there to answer: the default, at once.
    dispatcher.Close();
    std::thread late([&] { answer = prompts.AskYesNo("Anyone?") ? 1 : 0; });
    late.join();
    EXPECT_EQ(answer.load(), 0);
    EXPECT_EQ(answerer.Count(), 1);
}

// The profile files' dialogs: the filter of the window, an existing file to
// open, a file to save with the overwrite question kept.
TEST_F(QtUserPromptsTest, FileDialogsUseTheFilterAndReturnTheChoice)
{
    const std::string existing = (dir_ / "saved.vpf").string();
    std::ofstream(existing) << "x";
    FileChoice choice;
    choice.filter = "(*.vpf)|*.vpf|(*.*)|*.*||";
    choice.initialName = "*.vpf";

    QStringList filters;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    {
        Answerer<QFileDialog> answerer([&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            mode = dialog->acceptMode();
            TypeFileName(dialog, existing);
        });
        const std::optional<std::string> chosen = prompts.ChooseOpenFile(choice);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, existing);
    }
    EXPECT_EQ(filters, (QStringList{QStringLiteral("(*.vpf)"), QStringLiteral("(*.*)")}));
    EXPECT_EQ(mode, QFileDialog::AcceptOpen);

    choice.confirmOverwrite = true;
    choice.defaultExtension = "vpf";
    bool confirms = false;
    {
        Answerer<QFileDialog> answerer([&](QFileDialog* dialog) {
            filters = dialog->nameFilters();
            mode = dialog->acceptMode();
            confirms = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->reject();
        });
        EXPECT_FALSE(prompts.ChooseSaveFile(choice).has_value());
    }
    EXPECT_EQ(mode, QFileDialog::AcceptSave);
    EXPECT_TRUE(confirms);
    EXPECT_EQ(filters, (QStringList{QStringLiteral("(*.vpf)"), QStringLiteral("(*.*)")}));

    // A new name without its extension gets it.
    const std::string fresh = (dir_ / "fresh").string();
    {
        Answerer<QFileDialog> answerer([&](QFileDialog* dialog) {
            TypeFileName(dialog, fresh);
        });
        const std::optional<std::string> chosen = prompts.ChooseSaveFile(choice);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, fresh + ".vpf");
    }
}
