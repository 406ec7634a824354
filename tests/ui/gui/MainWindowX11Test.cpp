// The main window on a real X server with real keys and a real pointer
// (xdotool): the Tab order and its focus mark, Space and Enter on a focused
// button, and hover looks once a menu or a dialog has closed over a button.
// The runner test below starts the server and runs the OnTestDesktop tests
// inside it, in a child process (this program's application is an offscreen
// one, so run alone they skip).

#include "MainWindowTestSupport.h"

#include "ui/QtUserPrompts.h"
#include "assign/gui/CompositeDialog.h"
#include "config/gui/DlgProfile.h"
#include "support/DesktopChild.h"
#include "ui/LightingPanel.h"
#include "skin/gui/SkinColorBtn.h"

#include <QAbstractButton>
#include <QAction>
#include <QCursor>
#include <QElapsedTimer>
#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <set>

namespace {

// xdotool's --sync waits for the pointer to move, which it never does when it
// is there already: the wait would hold the event loop for half a minute.
std::string PointerTo(const QPoint& global)
{
    if (QCursor::pos() == global)
        return "";
    return "mousemove --sync " + std::to_string(global.x()) + " " + std::to_string(global.y()) + " ";
}

void MovePointer(const QPoint& global)
{
    const std::string move = PointerTo(global);
    if (!move.empty())
        Xdotool(move);
    SpinUntil([] { return false; }, 150);
}

QPoint CentreOf(const QWidget* widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

class MainWindowX11 : public MainWindowTest {
protected:
    void OpenShown()
    {
        PrepareKeyboard(0, {});
        Start();
        window->move(20, 20);
        window->OpenMainWindow();
        ASSERT_TRUE(SpinUntil([this] { return window->isActiveWindow(); }, 5000)) << "the window never got active";
        SpinUntil([] { return false; }, 200);
    }

    // One round of Tab from first: every reachable control once, with a
    // focus mark on the skin's buttons, and back to first. Returns the
    // controls in the order visited.
    std::vector<QWidget*> TabRound(QWidget* first)
    {
        const std::set<QWidget*> reachable = Reachable();
        std::vector<QWidget*> visited{first};
        for (size_t i = 0; i < reachable.size(); ++i) {
            QWidget* before = window->focusWidget();
            if (!Xdotool("key Tab")) {
                ADD_FAILURE() << "xdotool failed";
                break;
            }
            if (!SpinUntil([&] { return window->focusWidget() != before; }, 2000)) {
                ADD_FAILURE() << "Tab did not move on from " << before->objectName().toStdString();
                break;
            }
            visited.push_back(window->focusWidget());
            if (auto* button = qobject_cast<CPngButton*>(window->focusWidget())) {
                EXPECT_TRUE(button->IsFocusMarkShown()) << button->objectName().toStdString();
            }
        }
        // One round brings the focus back to where it started.
        EXPECT_EQ(visited.back(), first);
        visited.pop_back();
        EXPECT_EQ(std::set<QWidget*>(visited.begin(), visited.end()), reachable);
        EXPECT_EQ(visited.size(), reachable.size()) << "a control was visited twice";
        return visited;
    }

    // The focusable controls Tab must reach: shown, enabled, taking Tab.
    std::set<QWidget*> Reachable() const
    {
        std::set<QWidget*> widgets;
        for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus))
                widgets.insert(child);
        }
        return widgets;
    }
};

using MainWindowX11OnTestDesktop = OnTestDesktop<MainWindowX11>;

} // namespace

TEST(MainWindowX11Runner, KeyboardAndPointerOnARealXServer)
{
    RunTestsOnDesktop("MainWindowX11OnTestDesktop", {{"xdotool"}, {{"openbox"}}});
}

// Tab visits every control once per round, the keyboard first and the title
// bar's buttons last, with a focus mark once the keyboard is used; Space and
// Enter press the focused button; Enter and Escape do nothing elsewhere.
TEST_F(MainWindowX11OnTestDesktop, TabSpaceAndEnter)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    OpenShown();
    QWidget* first = window->focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, window->Control(MacroKeyButtons[0]));
    // Opened with the mouse: the focus is there, its mark is not.
    EXPECT_FALSE(window->Button(MacroKeyButtons[0])->IsFocusMarkShown());

    window->SetApplyEnabled(true); // so that Apply takes part too
    const std::vector<QWidget*> visited = TabRound(first);
    const auto at = [&](int id) {
        return std::find(visited.begin(), visited.end(), window->Control(id)) - visited.begin();
    };
    EXPECT_LT(at(MacroKeyButtons[8]), at(ControlOf(KeyEsc)));
    EXPECT_LT(at(ControlOf(KeyEsc)), at(ControlOf(KeyF5)));
    EXPECT_LT(at(ControlOf(KeyF5)), at(ControlOf(KeyQ)));
    EXPECT_LT(at(ControlOf(KeyQ)), at(ControlOf(KeyA)));
    EXPECT_LT(at(ControlOf(KeyA)), at(MainControl::Profile1));
    EXPECT_LT(at(MainControl::Profile1), at(LightingControl::ViewSwitch));
    EXPECT_LT(at(LightingControl::ViewSwitch), at(MainControl::Apply));
    EXPECT_LT(at(MainControl::Apply), at(MainControl::Ok));
    EXPECT_LT(at(MainControl::Ok), at(MainControl::Cancel));
    EXPECT_LT(at(MainControl::Cancel), at(MainControl::Close));

    // The lighting view: its lists, sliders, pictures and colour buttons
    // come between the profiles and Apply, and they too in reading order.
    window->SetLightingView(true);
    ASSERT_TRUE(SpinUntil([this] { return window->Control(LightingControl::BrightnessSlider)->isVisible(); }));
    first->setFocus(Qt::TabFocusReason);
    const std::vector<QWidget*> lit = TabRound(first);
    const auto litAt = [&](int id) {
        return std::find(lit.begin(), lit.end(), window->Control(id)) - lit.begin();
    };
    for (int id : {LightingControl::EffectList, LightingControl::BrightnessSlider, LightingControl::SpeedSlider,
                   LightingControl::ViewSwitch, LightingControl::ReportButtons[0]}) {
        ASSERT_LT(litAt(id), static_cast<long>(lit.size())) << "Tab never reached " << id;
    }
    EXPECT_LT(litAt(MainControl::Profile1), litAt(LightingControl::EffectList));
    EXPECT_LT(litAt(LightingControl::EffectList), litAt(LightingControl::BrightnessSlider));
    EXPECT_LT(litAt(LightingControl::BrightnessSlider), litAt(MainControl::Apply));

    // Enter on a focused colour button opens the colour chooser; Escape
    // closes the chooser, not the window.
    QWidget* colourButton = nullptr;
    for (int id : {LightingControl::HxColour, LightingControl::FyColour, LightingControl::UserColour}) {
        if (window->Control(id)->isVisible() && window->Control(id)->isEnabled())
            colourButton = window->Control(id);
    }
    if (colourButton) {
        colourButton->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(Xdotool("key Return"));
        EXPECT_TRUE(SpinUntil([this] { return window->ColourChooser()->isVisible(); }, 3000))
            << "Enter did not open the colour chooser";
        ASSERT_TRUE(Xdotool("key Escape"));
        EXPECT_TRUE(SpinUntil([this] { return !window->ColourChooser()->isVisible(); }, 3000));
        EXPECT_TRUE(window->isVisible());
    }
    window->SetLightingView(false);

    // Space and Enter on a focused profile button switch the profile.
    window->Button(MainControl::Profile2)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(Xdotool("key space"));
    EXPECT_TRUE(SpinUntil([this] { return ProfileShown(1); }, 3000)) << "Space did not press Profile 2";
    window->Button(MainControl::Profile3)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(Xdotool("key Return"));
    EXPECT_TRUE(SpinUntil([this] { return ProfileShown(2); }, 3000)) << "Enter did not press Profile 3";

    // Escape on a button, Enter and Escape in a field: the window stays.
    ASSERT_TRUE(Xdotool("key Escape"));
    SpinUntil([] { return false; }, 300);
    EXPECT_TRUE(window->isVisible());
    auto* field = static_cast<QLineEdit*>(window->Control(MainControl::ColourR));
    if (field->isVisible()) {
        field->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(Xdotool("key Return Escape"));
        SpinUntil([] { return false; }, 300);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(ProfileShown(2));
    }
}

namespace {

// Only the button under the pointer may look hovered; after a menu or a
// dialog closes the pointer may rest anywhere, without moving again.
std::vector<std::string> StuckHovers(const QWidget& window)
{
    const QPoint pointer = QCursor::pos();
    std::vector<std::string> stuck;
    for (const QWidget* widget : window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const auto* button = qobject_cast<const CPngButton*>(widget);
        if (!button || !button->IsHovered())
            continue;
        const bool underPointer = QApplication::widgetAt(pointer) == button;
        if (!underPointer)
            stuck.push_back(button->objectName().toStdString());
    }
    return stuck;
}

// A timer of a modal window's own event loop: once the modal window in front
// is of type T, is on the screen and has stayed where it is (the window
// manager may still move it after it shows), clicks at the point where()
// gives on it. A click that a busy server lets land before the window is
// really there is followed by Escape while the window stays open.
template <typename T>
class ClickInModal {
public:
    explicit ClickInModal(std::function<QPoint(T*)> where) : where_(std::move(where))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(50);
    }
    bool Clicked() const { return clicked_; }

private:
    static constexpr qint64 SteadyMs = 150;
    static constexpr qint64 RetryMs = 1000;

    void Tick()
    {
        // The modal window in front: a box an earlier step left open must
        // not take the click meant for this one.
        auto* candidate = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!candidate || !candidate->isVisible() || !candidate->windowHandle() ||
            !candidate->windowHandle()->isExposed())
            return;
        const QPoint at = where_(candidate);
        if (at.isNull())
            return;
        if (at != seenAt_) {
            seenAt_ = at;
            steady_.start();
            return;
        }
        if (steady_.elapsed() < SteadyMs || (clicked_ && sinceClick_.elapsed() < RetryMs))
            return;
        sinceClick_.start();
        if (clicked_) {
            // Qt may still place a window its manager moved (a box without
            // a title bar) where it was first mapped, so the point misses:
            // Escape answers every one of these windows as Cancel or No.
            Xdotool("key Escape");
            return;
        }
        clicked_ = true;
        Xdotool(PointerTo(at) + "click 1");
    }

    std::function<QPoint(T*)> where_;
    QTimer timer_;
    QPoint seenAt_;
    QElapsedTimer steady_;
    QElapsedTimer sinceClick_;
    bool clicked_ = false;
};

} // namespace

// Menus and dialogs that open over the window's buttons (the button menu,
// the restore-defaults question, the key editor) leave no hover look behind
// when they close, wherever the pointer then rests.
TEST_F(MainWindowX11OnTestDesktop, HoverDoesNotStickAfterAMenuOrADialog)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    UiDispatcher promptDispatcher;
    QtUserPrompts realPrompts(promptDispatcher);
    OpenShown();
    SetPrompts(&realPrompts);
    const auto settle = [] { SpinUntil([] { return false; }, 300); };

    // The button menu, closed with Escape and then with a click on an entry.
    CPngButton* menuButton = window->Button(MainControl::Menu);
    for (bool choose : {false, true}) {
        SCOPED_TRACE(choose ? "menu entry chosen" : "menu closed with Escape");
        MovePointer(CentreOf(menuButton));
        ASSERT_TRUE(SpinUntil([&] { return menuButton->IsHovered(); }, 2000));
        ASSERT_TRUE(Xdotool("click 1"));
        QMenu* menu = nullptr;
        ASSERT_TRUE(SpinUntil([&] { return (menu = window->ButtonMenu()) && menu->isVisible(); }, 3000));
        QAction* about = menu->actions().last();
        MovePointer(menu->mapToGlobal(menu->actionGeometry(about).center()));
        ASSERT_TRUE(Xdotool(choose ? "click 1" : "key Escape"));
        ASSERT_TRUE(SpinUntil([&] { return !menu->isVisible(); }, 3000));
        settle();
        EXPECT_EQ(StuckHovers(*window), std::vector<std::string>{});
        if (choose) {
            ASSERT_TRUE(window->About() && window->About()->isVisible());
            window->About()->reject();
            settle();
            EXPECT_EQ(StuckHovers(*window), std::vector<std::string>{});
        }
    }

    // Restore defaults asks first, in a modal box; its No is clicked and the
    // pointer rests there.
    CPngButton* defaults = window->Button(MainControl::Defaults);
    MovePointer(CentreOf(defaults));
    ASSERT_TRUE(SpinUntil([&] { return defaults->IsHovered(); }, 2000));
    {
        ClickInModal<QMessageBox> answer([](QMessageBox* box) {
            QAbstractButton* no = box->button(QMessageBox::No);
            return no ? CentreOf(no) : QPoint();
        });
        ASSERT_TRUE(Xdotool("click 1"));
        ASSERT_TRUE(SpinUntil([&] { return answer.Clicked(); }, 5000)) << "no question came";
    }
    settle();
    EXPECT_EQ(StuckHovers(*window), std::vector<std::string>{});

    // The key editor opens beside the key and is closed with its Cancel.
    CPngButton* esc = KeyButton(KeyEsc);
    MovePointer(CentreOf(esc));
    ASSERT_TRUE(SpinUntil([&] { return esc->IsHovered(); }, 2000));
    {
        ClickInModal<Varkelin_DlgComposite> cancel([](Varkelin_DlgComposite* editor) {
            QWidget* button = editor->Button(CompositeControl::Cancel);
            return button && button->isVisible() ? CentreOf(button) : QPoint();
        });
        ASSERT_TRUE(Xdotool("click 1"));
        ASSERT_TRUE(SpinUntil([&] { return cancel.Clicked(); }, 5000)) << "no key editor came";
        ASSERT_TRUE(SpinUntil([this] { return !window->IsKeyEditorOpen(); }, 3000));
    }
    settle();
    EXPECT_EQ(StuckHovers(*window), std::vector<std::string>{});

    // The profile manager opens over the profile banner; its Cancel closes it.
    CPngButton* banner = window->Button(MainControl::Profiles);
    MovePointer(CentreOf(banner));
    ASSERT_TRUE(SpinUntil([&] { return banner->IsHovered(); }, 2000));
    {
        ClickInModal<CVarkelin_DlgProfile> cancel([](CVarkelin_DlgProfile* dialog) {
            QWidget* button = dialog->Button(ProfileControl::Cancel);
            return button && button->isVisible() ? CentreOf(button) : QPoint();
        });
        ASSERT_TRUE(Xdotool("click 1"));
        ASSERT_TRUE(SpinUntil([&] { return cancel.Clicked(); }, 5000)) << "no profile manager came";
        ASSERT_TRUE(SpinUntil([this] { return !window->IsProfileDialogOpen(); }, 3000));
    }
    settle();
    EXPECT_EQ(StuckHovers(*window), std::vector<std::string>{});

    // Cancel hides the window under the pointer; opened again with the
    // pointer elsewhere, it shows no hover.
    CPngButton* cancelButton = window->Button(MainControl::Cancel);
    MovePointer(CentreOf(cancelButton));
    ASSERT_TRUE(SpinUntil([&] { return cancelButton->IsHovered(); }, 2000));
    ASSERT_TRUE(Xdotool("click 1"));
    ASSERT_TRUE(SpinUntil([this] { return !window->isVisible(); }, 3000));
    MovePointer(QPoint(1200, 1000));
    window->OpenMainWindow();
    ASSERT_TRUE(SpinUntil([this] { return window->isVisible(); }, 3000));
    settle();
    EXPECT_EQ(StuckHovers(*window), std::vector<std::string>{});
    SetPrompts(&prompts);
    promptDispatcher.Close();
}
