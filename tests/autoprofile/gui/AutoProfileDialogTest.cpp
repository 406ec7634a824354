// The automatic profiles dialog on the real skin and language files, with a
// controller whose watcher is a stand-in: editing the rules, what is saved
// and when, the notes it shows, and its captions in both languages.
#include "base/ProgramPaths.h"
#include "autoprofile/AutoProfileRules.h"
#include "autoprofile/gui/AutoProfileController.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinFont.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <utility>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace AutoProfileControl;

// The click a pick waits for, kept for the test to deliver.
struct PendingClick {
    ActiveWindowWatcher::ClickHandler handler;
};

class StandInWatcher final : public ActiveWindowWatcher {
public:
    StandInWatcher(Availability availability, PendingClick* click) : availability_(availability), click_(click) {}
    Availability GetAvailability() const override { return availability_; }
    void SetHandler(Handler) override {}
    void ReportCurrent() override {}
    bool CatchNextClick(ClickHandler handler) override
    {
        click_->handler = std::move(handler);
        return true;
    }
    void CancelClick() override { click_->handler = nullptr; }

private:
    Availability availability_;
    PendingClick* click_;
};

class NoSwitchHost final : public AutoProfileHost {
public:
    int32_t KnownProfile() override { return 0; }
    int32_t ReadActiveProfile() override { return 0; }
    bool IsBusy() override { return false; }
    bool HasUnappliedChanges() override { return false; }
    int32_t SwitchProfile(int32_t) override { return 1; }
};

class AutoProfileDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-autodialog-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        ResetProcessStateForTests();
        SetSettingsFolderForTests((dir / "cfg").string());
        SetProgramPathsForTests(RT604_DATA_DIR, (dir / "user").string());
        SetLanguageIndex(0);
    }
    void TearDown() override
    {
        dialog.reset();
        controller.reset();
        ResetProcessStateForTests();
        fs::remove_all(dir);
    }

    void Open(ActiveWindowWatcher::Availability availability = ActiveWindowWatcher::Availability::X11)
    {
        controller = std::make_unique<AutoProfileController>(std::make_unique<NoSwitchHost>());
        controller->SetWatcherFactory(
            [this, availability] { return std::make_unique<StandInWatcher>(availability, &click); });
        controller->Start();
        dialog = std::make_unique<AutoProfileDialog>(*controller);
        dialog->Open();
    }

    QLineEdit* Application() const { return static_cast<QLineEdit*>(dialog->Control(AutoProfileControl::Application)); }
    QComboBox* ProfileList() const { return static_cast<QComboBox*>(dialog->Control(Profile)); }
    QComboBox* DefaultList() const { return static_cast<QComboBox*>(dialog->Control(Default)); }
    QTableWidget* Rules() const { return static_cast<QTableWidget*>(dialog->Control(AutoProfileControl::Rules)); }
    QString Note() const { return static_cast<QLabel*>(dialog->Control(AutoProfileControl::Note))->text(); }

    void Add(const QString& application, int profile)
    {
        Application()->setText(application);
        ProfileList()->setCurrentIndex(profile);
        dialog->Button(AutoProfileControl::Add)->click();
    }

    std::vector<std::string> Shown() const
    {
        std::vector<std::string> rows;
        for (int r = 0; r < Rules()->rowCount(); ++r)
            rows.push_back(Rules()->item(r, 0)->text().toStdString() + "=" + Rules()->item(r, 1)->text().toStdString());
        return rows;
    }

    PendingClick click;
    fs::path dir;
    std::unique_ptr<AutoProfileController> controller;
    std::unique_ptr<AutoProfileDialog> dialog;
};

TEST_F(AutoProfileDialogTest, EditsAreKeptOnlyWhenTheOwnerPressesOk)
{
    AutoProfileSettings stored;
    stored.rules = {{"steam", 0}};
    ASSERT_TRUE(SaveAutoProfileSettings(stored));
    Open();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"steam=Profile 1"}));
    EXPECT_EQ(Note().toStdString(), LoadText("PROFILE_AUTO_HINT"));

    Add(QStringLiteral("game"), 2);
    Add(QStringLiteral("  code "), 1);
    Rules()->selectRow(2);
    dialog->Button(Up)->click();
    DefaultList()->setCurrentIndex(3);
    emit DefaultList()->activated(3);
    static_cast<QCheckBox*>(dialog->Control(Enable))->setChecked(false);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"steam=Profile 1", "code=Profile 2", "game=Profile 3"}));
    dialog->Button(Cancel)->click();
    EXPECT_EQ(LoadAutoProfileSettings(), stored);

    // Opened again it shows what is stored, not the edits given up.
    dialog->Open();
    EXPECT_EQ(Shown(), (std::vector<std::string>{"steam=Profile 1"}));
    Add(QStringLiteral("game"), 2);
    Rules()->selectRow(0);
    EXPECT_EQ(Application()->text(), QStringLiteral("steam")); // the selected rule, ready to change
    dialog->Button(Down)->click();
    Rules()->selectRow(0);
    dialog->Button(Remove)->click();
    DefaultList()->setCurrentIndex(2);
    emit DefaultList()->activated(2);
    dialog->Button(Ok)->click();
    EXPECT_FALSE(dialog->isVisible());
    AutoProfileSettings expected;
    expected.rules = {{"steam", 0}};
    expected.defaultProfile = 1;
    EXPECT_EQ(LoadAutoProfileSettings(), expected);
    EXPECT_EQ(controller->Switcher().Settings(), expected); // followed at once
}

TEST_F(AutoProfileDialogTest, AListedApplicationIsChangedNotAddedTwice)
{
    Open();
    Add(QStringLiteral("game"), 2);
    Application()->setText(QStringLiteral("GAME"));
    EXPECT_EQ(dialog->Button(AutoProfileControl::Add)->text().toStdString(), LoadText("PROFILE_AUTO_CHANGE"));
    Add(QStringLiteral("GAME"), 0);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"game=Profile 1"}));
    EXPECT_EQ(dialog->Button(AutoProfileControl::Add)->text().toStdString(), LoadText("PROFILE_AUTO_ADD"));

    // What cannot be a rule is refused with its reason, and nothing changes.
    Add(QStringLiteral("   "), 0);
    EXPECT_EQ(Note().toStdString(), LoadText("PROFILE_AUTO_ERR_EMPTY"));
    for (int i = 1; i < static_cast<int>(MaxAutoProfileRules); ++i)
        Add(QStringLiteral("app%1").arg(i), 0);
    EXPECT_EQ(Rules()->rowCount(), static_cast<int>(MaxAutoProfileRules));
    Add(QStringLiteral("one too many"), 0);
    EXPECT_EQ(Note().toStdString(), LoadText("PROFILE_AUTO_ERR_TOO_MANY"));
    EXPECT_EQ(Rules()->rowCount(), static_cast<int>(MaxAutoProfileRules));
}

TEST_F(AutoProfileDialogTest, ADesktopThatHidesTheActiveWindowIsSaidSo)
{
    const struct {
        ActiveWindowWatcher::Availability availability;
        const char* note;
        bool canPick;
    } cases[] = {
        {ActiveWindowWatcher::Availability::Unavailable, "PROFILE_AUTO_UNAVAILABLE", false},
        {ActiveWindowWatcher::Availability::XWayland, "PROFILE_AUTO_XWAYLAND", true},
        {ActiveWindowWatcher::Availability::X11, "PROFILE_AUTO_HINT", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        dialog.reset();
        Open(c.availability);
        EXPECT_EQ(Note().toStdString(), LoadText(c.note));
        auto* note = static_cast<QLabel*>(dialog->Control(AutoProfileControl::Note));
        EXPECT_LE(note->heightForWidth(note->width()), note->height()); // every line shows
        EXPECT_EQ(dialog->Button(Pick)->isEnabled(), c.canPick);
        // Rules can still be kept for a desktop that tells.
        Add(QStringLiteral("game"), 1);
        dialog->Button(Ok)->click();
        EXPECT_EQ(LoadAutoProfileSettings().rules.size(), 1u);
        // Nothing fails where nothing can be watched: the watch just stays off.
        EXPECT_EQ(controller->IsWatching(), c.availability != ActiveWindowWatcher::Availability::Unavailable);
    }
}

// The switch's box shows a tick when on, as the profile manager's list does,
// not only a filled square.
TEST_F(AutoProfileDialogTest, TheSwitchShowsATickWhenOn)
{
    Open();
    auto* enable = static_cast<QCheckBox*>(dialog->Control(Enable));
    QStyleOptionButton option;
    option.initFrom(enable);
    const QRect box = enable->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, enable);
    ASSERT_GE(box.width(), 12);
    // Pixels of one kind inside the box: lit ones of the box, dark strokes
    // of the tick.
    const auto inside = [&](const std::function<bool(const QColor&)>& kind) {
        const QImage image = enable->grab().toImage();
        int count = 0;
        for (int y = box.top() + 4; y <= box.bottom() - 4; ++y) {
            for (int x = box.left() + 4; x <= box.right() - 4; ++x)
                count += kind(QColor(image.pixel(x, y))) ? 1 : 0;
        }
        return count;
    };
    const auto darkInside = [&] { return inside([](const QColor& c) { return c.lightness() < 70; }); };
    const auto litInside = [&] { return inside([](const QColor& c) { return c.red() > 200; }); };
    enable->setChecked(true);
    EXPECT_GT(litInside(), 4) << "the box is lit";
    EXPECT_GT(darkInside(), 4) << "a tick is drawn in it";
    enable->setChecked(false);
    EXPECT_EQ(litInside(), 0);
}

TEST_F(AutoProfileDialogTest, EveryCaptionIsInTheChosenLanguageAndFitsItsButton)
{
    for (int language : {0, 1}) {
        SCOPED_TRACE(language);
        SetLanguageIndex(language);
        dialog.reset();
        Open();
        EXPECT_EQ(static_cast<QLabel*>(dialog->Control(Title))->text().toStdString(), LoadText("PROFILE_AUTO_TITLE"));
        EXPECT_EQ(ProfileList()->itemText(2).toStdString(), LoadText("PROFILE_3"));
        EXPECT_EQ(DefaultList()->itemText(0).toStdString(), LoadText("PROFILE_AUTO_KEEP"));
        EXPECT_EQ(Rules()->horizontalHeaderItem(0)->text().toStdString(), LoadText("PROFILE_AUTO_COLUMN_APPLICATION"));
        // Texts of the plain controls are not cut off either (the check box's
        // square and the field's margins take some of their width).
        auto* enable = static_cast<QCheckBox*>(dialog->Control(Enable));
        EXPECT_LE(enable->fontMetrics().horizontalAdvance(enable->text()) + 24, enable->width());
        EXPECT_LE(Application()->fontMetrics().horizontalAdvance(Application()->placeholderText()) + 20,
                  Application()->width());
        auto* caption = static_cast<QLabel*>(dialog->Control(DefaultCaption));
        EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()), caption->width());
        for (int id : {Pick, AutoProfileControl::Add, Up, Down, Remove, Ok, Cancel}) {
            CPngButton* button = dialog->Button(id);
            ASSERT_NE(button, nullptr);
            EXPECT_FALSE(button->text().isEmpty());
            EXPECT_FALSE(button->text().contains(QStringLiteral("#Error")));
            const QFont font = SkinFont(ResolveSkinFontFamily(button->TextStyle().fontName),
                                        button->TextStyle().pointSize, false);
            EXPECT_LE(QFontMetrics(font).horizontalAdvance(button->text()), button->width() - 4)
                << button->text().toStdString();
            // Placed from the skin: a button the layout misses is disabled at (1, 1).
            EXPECT_NE(button->pos(), QPoint(1, 1)) << button->objectName().toStdString();
        }
    }
    SetLanguageIndex(0);
}

} // namespace

// A pick takes the window clicked: a click on the desktop waits on, a
// window that never takes the focus is named with the reason, a click on
// the program's own window ends the pick, and an application is picked.
// Escape ends a pick (and lets the pointer go) before it closes the dialog.
TEST_F(AutoProfileDialogTest, APickEndsAsTheClickedWindowDeserves)
{
    Open();
    const auto window = [](WindowIdentity::Kind kind, const std::string& windowClass) {
        WindowIdentity identity;
        identity.kind = kind;
        identity.windowClass = windowClass;
        return identity;
    };
    const struct {
        const char* what;
        WindowIdentity clicked;
        bool takesFocus;
        bool stillPicking;
        std::string note;
        std::string application;
    } cases[] = {
        {"the desktop", window(WindowIdentity::Kind::Desktop, "Desktop"), true, true,
         LoadText("PROFILE_AUTO_PICK_PROMPT"), ""},
        {"a clock", window(WindowIdentity::Kind::Application, "XClock"), false, false,
         FormatText(LoadText("PROFILE_AUTO_PICK_NO_FOCUS"), "XClock"), ""},
        {"our own window", window(WindowIdentity::Kind::OwnProgram, "Rt604"), true, false,
         LoadText("PROFILE_AUTO_HINT"), ""},
        {"an application", window(WindowIdentity::Kind::Application, "Gimp"), true, false,
         FormatText(LoadText("PROFILE_AUTO_PICKED"), "Gimp"), "Gimp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Application()->clear();
        dialog->Button(Pick)->click();
        ASSERT_TRUE(click.handler) << "no click is awaited";
        const ActiveWindowWatcher::ClickHandler clicked = std::exchange(click.handler, nullptr);
        clicked(c.clicked, c.takesFocus);
        EXPECT_EQ(controller->IsPicking(), c.stillPicking);
        EXPECT_EQ(dialog->Button(Pick)->IsMarked(), c.stillPicking);
        EXPECT_EQ(static_cast<bool>(click.handler), c.stillPicking) << "the pointer is held only while picking";
        EXPECT_EQ(Note().toStdString(), c.note);
        EXPECT_EQ(Application()->text().toStdString(), c.application);
        if (!c.stillPicking)
            continue;
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &escape);
        EXPECT_FALSE(controller->IsPicking());
        EXPECT_FALSE(click.handler);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(Note().toStdString(), LoadText("PROFILE_AUTO_HINT"));
    }
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &escape);
    EXPECT_FALSE(dialog->isVisible());
}

// Nobody clicking for a minute has forgotten the pick: it ends, the pointer
// is let go and the note says what the dialog is for again. A pick ended
// earlier leaves no minute running to end the next one.
TEST_F(AutoProfileDialogTest, APickNobodyAnswersEndsAfterAMinute)
{
    Open();
    auto* minute = dialog->findChild<QTimer*>(QStringLiteral("pickTimeout"));
    ASSERT_NE(minute, nullptr);
    EXPECT_FALSE(minute->isActive());
    dialog->Button(Pick)->click();
    ASSERT_TRUE(click.handler);
    EXPECT_TRUE(minute->isActive());
    EXPECT_TRUE(minute->isSingleShot());
    EXPECT_EQ(minute->interval(), 60000);

    minute->start(0); // the minute is up
    QElapsedTimer waited;
    waited.start();
    while (controller->IsPicking() && waited.elapsed() < 2000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(controller->IsPicking());
    EXPECT_FALSE(dialog->Button(Pick)->IsMarked());
    EXPECT_FALSE(click.handler) << "the pointer is still held";
    EXPECT_EQ(Note().toStdString(), LoadText("PROFILE_AUTO_HINT"));
    EXPECT_TRUE(dialog->isVisible());

    // Ended by a click, by Escape or by the Pick button: no minute left.
    WindowIdentity gimp;
    gimp.kind = WindowIdentity::Kind::Application;
    gimp.windowClass = "Gimp";
    const std::function<void()> ends[] = {
        [&] { std::exchange(click.handler, nullptr)(gimp, true); },
        [&] {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(dialog.get(), &escape);
        },
        [&] { dialog->Button(Pick)->click(); },
    };
    for (const auto& end : ends) {
        dialog->Button(Pick)->click();
        ASSERT_TRUE(minute->isActive());
        end();
        EXPECT_FALSE(controller->IsPicking());
        EXPECT_FALSE(minute->isActive());
    }
}
