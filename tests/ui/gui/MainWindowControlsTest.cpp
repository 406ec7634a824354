#include "MainWindowTestSupport.h"

#include "device/virtual/SaveFailureNotice.h"
#include "assign/KeyAssignment.h"
#include "platform/FileLock.h"
#include "support/FakeOpener.h"
#include "ui/LightingPanel.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QMessageBox>
#include <QTimer>
#include <QKeyEvent>
#include <QLineEdit>

#include <optional>
#include <set>

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

// A flip the settings cannot keep is told once, however often it is
// clicked; the window still flips.
TEST_F(MainWindowTest, AFlipThatCannotBeSavedIsToldOnce)
{
    const std::string lock = FileUpdateLock::LockPathFor(AppSettings().Path());
    std::filesystem::create_directories(lock); // refused even by root
    TellSaveFailuresThrough([this](std::function<void()> work) { dispatcher.Post(std::move(work)); });
    PrepareKeyboard(0, {});
    Start();
    window->Button(MainControl::Flip1)->click();
    window->Button(MainControl::Flip2)->click();
    window->Button(MainControl::Flip1)->click();
    EXPECT_TRUE(FunctionKeysEnabled(*window));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    StopTellingSaveFailures();
    std::lock_guard guard(prompts.mutex);
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>{"The file could not be written: " + AppSettings().Path()
                                       + " (is a folder, not a file)"});
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

// No button is silently inert: one that has nothing to do yet is disabled,
// with a tooltip saying its feature comes later. D1 to D6 follow the flip
// switch instead.
TEST_F(MainWindowTest, ButtonsWithoutAFeatureAreDisabledWithATooltip)
{
    PrepareKeyboard(0, {});
    Start();
    std::set<int> pending;
    for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        auto* button = qobject_cast<CPngButton*>(child);
        if (!button)
            continue;
        const int id = button->property("controlId").toInt();
        if (button->property("pendingFeature").toBool()) {
            pending.insert(id);
            EXPECT_FALSE(button->isEnabled()) << id;
            EXPECT_EQ(button->TooltipText().toStdString(), LoadText("MAIN_LATER_PROMPT")) << id;
            EXPECT_TRUE(button->TooltipActive()) << id;
        } else if (button->isEnabled() && !(id >= MainControl::FirstD && id < MainControl::FirstD + 6)) {
            EXPECT_TRUE(button->HasClickReceivers()) << "inert button " << id << " "
                                                     << button->objectName().toStdString();
        }
    }
    // The lighting panel gave the report rate, the Fn key and its own
    // pictures their work: nothing waits any more, and they are enabled.
    EXPECT_EQ(pending, std::set<int>{});
    for (int id : {MainControl::Report1, MainControl::Report2, MainControl::Report3, MainControl::Report4,
                   MainControl::Fn, LightingControl::ViewSwitch}) {
        ASSERT_NE(window->Button(id), nullptr) << id;
        EXPECT_TRUE(window->Button(id)->isEnabled()) << id;
        EXPECT_TRUE(window->Button(id)->HasClickReceivers()) << id;
    }
}

// Help and the links say where to go when nothing can open them.
TEST_F(MainWindowTest, HelpAndLinksGiveTheAddressWhenNothingOpensIt)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    FakeOpener noOpener(dir / "bin", nullptr);
    const auto prompt = [] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(top);
            if (box && box->objectName() == QLatin1String("AddressPrompt") && box->isVisible())
                return box;
        }
        return static_cast<QMessageBox*>(nullptr);
    };
    const struct {
        int button;
        QString address;
    } cases[] = {
        {MainControl::Help,
         QDir(QString::fromStdString(g_paths.helpFolder)).filePath(QStringLiteral("index.html"))},
        {MainControl::Link, QString::fromStdString(g_paths.linkAddress)},
    };
    for (const auto& c : cases) {
        window->Button(c.button)->click();
        ASSERT_TRUE(SpinUntil([&] { return prompt() != nullptr; })) << c.button;
        EXPECT_TRUE(prompt()->text().endsWith(c.address)) << prompt()->text().toStdString();
        EXPECT_EQ(prompt()->parentWidget(), window.get());
        prompt()->close();
        SpinUntil([&] { return prompt() == nullptr; });
    }
}

// With nothing animating, the shown window has no timer running: an idle
// window does not wake the machine.
TEST_F(MainWindowTest, AnIdleShownWindowRunsNoTimer)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    ASSERT_TRUE(window->isVisible());
    SpinUntil([] { return false; }, 300);
    std::vector<std::string> running;
    for (const QTimer* timer : window->findChildren<QTimer*>()) {
        if (timer->isActive())
            running.push_back(timer->objectName().toStdString() + " every " + std::to_string(timer->interval()) +
                              " ms");
    }
    EXPECT_EQ(running, std::vector<std::string>{});
}

// The hover, pressed and disabled faces are window-sized pictures: a window
// that stays in the notification area never decodes them, and a shown one
// holds, of each button, only the part of the picture of the face it shows
// now, pixel for pixel the picture's (a marked button shows its pressed
// face).
TEST_F(MainWindowTest, StateFacesAreDecodedOnlyForTheFaceEachButtonShows)
{
    using Face = CPngButton::Face;
    PrepareKeyboard(0, {});
    Start();
    ASSERT_FALSE(window->isVisible());
    const Face stateFaces[] = {Face::Over, Face::Down, Face::Disabled, Face::Marked};
    const std::vector<int> buttons = {ControlOf(KeyEsc), ControlOf(KeyF5), MainControl::Apply, MacroKeyButtons[0],
                                      MainControl::FirstD, MainControl::Profile1};
    for (int id : buttons)
        for (Face face : stateFaces)
            EXPECT_TRUE(window->Button(id)->FacePixmap(face).isNull()) << id;

    window->OpenMainWindow();
    CPngButton* profile = window->Button(MainControl::Profile1);
    ASSERT_TRUE(SpinUntil([&] { return !profile->FacePixmap(Face::Marked).isNull(); }));

    auto showsPicturePart = [this](CPngButton* button, Face face, const char* file) {
        const QRect place(button->FaceOffsetX(), button->FaceOffsetY(), button->width(), button->height());
        const QPixmap pixmap = button->FacePixmap(face);
        const QImage expected = QImage(window->Images().FullPath(QString::fromLatin1(file)))
                                    .copy(place)
                                    .convertToFormat(QImage::Format_RGB32);
        return pixmap.size() == button->size() && button->FaceOrigin(face) == place.topLeft()
               && pixmap.toImage().convertToFormat(QImage::Format_RGB32) == expected;
    };
    auto holdsOnly = [&](CPngButton* button, std::optional<Face> shown) {
        for (Face face : stateFaces)
            if (face != shown && !button->FacePixmap(face).isNull())
                return false;
        return true;
    };
    EXPECT_TRUE(showsPicturePart(profile, Face::Marked, "main_down.jpg"));
    CPngButton* unflipped = window->Button(MainControl::FirstD);
    ASSERT_FALSE(unflipped->isEnabled());
    EXPECT_TRUE(showsPicturePart(unflipped, Face::Disabled, "main_disable.jpg"));
    EXPECT_TRUE(holdsOnly(unflipped, Face::Disabled));

    for (int id : buttons) {
        CPngButton* button = window->Button(id);
        if (!button->isEnabled() || button->IsMarked())
            continue;
        EXPECT_TRUE(holdsOnly(button, std::nullopt)) << id;
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(button->mapToGlobal(QPoint(2, 2))));
        QApplication::sendEvent(button, &enter);
        button->repaint();
        EXPECT_TRUE(showsPicturePart(button, Face::Over, "main_over.jpg")) << id;
        button->setDown(true);
        button->repaint();
        EXPECT_TRUE(showsPicturePart(button, Face::Down, "main_down.jpg")) << id;
        EXPECT_TRUE(holdsOnly(button, Face::Down)) << id;
        button->setDown(false);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        button->repaint();
        EXPECT_TRUE(holdsOnly(button, std::nullopt)) << id;
    }

    // Of all the window's buttons drawn on its picture, none holds a face
    // it does not show.
    for (QWidget* child : window->findChildren<CPngButton*>()) {
        auto* button = static_cast<CPngButton*>(child);
        if (button->FacePixmap(Face::Normal).size() != window->size())
            continue;
        EXPECT_TRUE(holdsOnly(button, button->CurrentFace())) << button->objectName().toStdString();
    }
}
