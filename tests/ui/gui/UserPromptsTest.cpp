#include "support/ShellTestSupport.h"

#include "ui/QtUserPrompts.h"
#include "ui/UiDispatcher.h"
#include "ui/WindowState.h"
#include "text/LanguageTexts.h"
#include "skin/gui/QtLanguage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <fstream>
#include <functional>
#include <thread>
#include <utility>

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

// Every box shows the icon of what it says and is a dialog of the window
// the owner works in: a title and a close button, nothing to minimise or
// maximise.
TEST_F(QtUserPromptsTest, BoxesCarryTheirIconAndAreDialogsOfTheShownWindow)
{
    QWidget main;
    main.show();
    g_mainWindow = &main;
    const struct {
        const char* what;
        std::function<void()> ask;
        QMessageBox::Icon icon;
    } cases[] = {
        {"message", [&] { prompts.ShowMessage("The file is not a profile file.", MessageStyle::Normal); },
         QMessageBox::Information},
        {"device write", [&] { prompts.ShowMessage("The keyboard refused.", MessageStyle::Topmost); },
         QMessageBox::Warning},
        {"question", [&] { prompts.AskYesNo("Apply the changes?"); }, QMessageBox::Question},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::WindowFlags flags;
        QWidget* parent = nullptr;
        Answerer<QMessageBox> answerer([&](QMessageBox* box) {
            icon = box->icon();
            flags = box->windowFlags();
            parent = box->parentWidget();
            box->done(0);
        });
        c.ask();
        EXPECT_EQ(answerer.Count(), 1);
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
        EXPECT_EQ(parent, &main);
    }
    g_mainWindow = nullptr;
}

// The file dialogs write sizes, types and dates as the chosen language does,
// not as the desktop's locale or Qt's catalogue, and their columns are wide
// enough for them.
TEST_F(QtUserPromptsTest, FileDialogsWriteSizesAndDatesInTheChosenLanguage)
{
    std::filesystem::create_directories(dir_ / "Backups");
    const QString file = QString::fromStdString((dir_ / "Gaming.vpf").string());
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(QByteArray(32832, '\0')), 32832);
        ASSERT_TRUE(out.setFileTime(QDateTime(QDate(2026, 3, 14), QTime(9, 26)), QFileDevice::FileModificationTime));
    }
    FileChoice choice;
    choice.filter = "(*.vpf)|*.vpf|(*.*)|*.*||";
    choice.initialName = dir_.string() + "/*.vpf";
    const struct {
        int language;
        const char* size;
        const char* date;
        const char* type;
        const char* folderType;
    } cases[] = {{1, "32,06 KiB", "14.03.2026 09:26", "Файл VPF", "Папка"},
                 {0, "32.06 KiB", "3/14/26 9:26 AM", "VPF file", "Folder"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        SetLanguageIndex(c.language);
        ApplyQtLanguage(c.language);
        QString size, date, type, folderType;
        int sizeRoom = 0, dateRoom = 0, sizeNeeds = 0, dateNeeds = 0;
        bool rowSeen = false;
        Answerer<QFileDialog> answerer([&](QFileDialog* dialog) {
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            if (!view)
                return;
            QAbstractItemModel* model = view->model();
            for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
                const QModelIndex name = model->index(row, 0, view->rootIndex());
                if (name.data().toString() == QStringLiteral("Backups"))
                    folderType = name.siblingAtColumn(2).data().toString();
                if (name.data().toString() != QStringLiteral("Gaming.vpf") || folderType.isEmpty())
                    continue;
                // The header fits its columns to the rows a moment after
                // they come, once the dialog's event loop runs again.
                if (!std::exchange(rowSeen, true))
                    return;
                type = name.siblingAtColumn(2).data().toString();
                size = name.siblingAtColumn(1).data().toString();
                date = name.siblingAtColumn(3).data().toString();
                const QFontMetrics metrics(view->font());
                sizeNeeds = metrics.horizontalAdvance(size);
                dateNeeds = metrics.horizontalAdvance(date);
                sizeRoom = view->header()->sectionSize(1);
                dateRoom = view->header()->sectionSize(3);
                dialog->reject();
                return;
            }
        });
        EXPECT_FALSE(prompts.ChooseOpenFile(choice).has_value());
        EXPECT_EQ(size, QString::fromUtf8(c.size));
        EXPECT_EQ(date, QString::fromUtf8(c.date));
        EXPECT_EQ(type, QString::fromUtf8(c.type));
        EXPECT_EQ(folderType, QString::fromUtf8(c.folderType));
        EXPECT_GT(sizeRoom, sizeNeeds);
        EXPECT_GT(dateRoom, dateNeeds);
    }
}
