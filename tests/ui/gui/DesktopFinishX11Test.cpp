// Message boxes and the automatic profiles' Pick window under a real window
// manager: Xvfb with openbox, a clock that takes no focus (xclock), real
// clicks from xdotool. The runner test below starts the desktop and runs the
// OnTestDesktop tests inside it, in a child process (this program's
// application is an offscreen one, so run alone they skip).

#include "MainWindowTestSupport.h"

#include "support/DesktopChild.h"

#include "ui/QtUserPrompts.h"
#include "autoprofile/gui/AutoProfileDialog.h"
#include "platform/gui/X11ActiveWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <xcb/xcb.h>

namespace {

// Reads the X server as another client would: what the window manager
// wrote on a window, and windows of a plain application.
class XClient {
public:
    XClient() : connection_(xcb_connect(nullptr, nullptr)) {}
    ~XClient() { xcb_disconnect(connection_); }
    bool Ok() const { return !xcb_connection_has_error(connection_); }

    // A CARDINAL list property, empty when missing.
    std::vector<uint32_t> Cardinals(uint32_t window, const char* name)
    {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, Atom(name), XCB_ATOM_CARDINAL, 0, 16), nullptr);
        std::vector<uint32_t> values;
        if (reply && reply->format == 32) {
            const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
            values.assign(data, data + xcb_get_property_value_length(reply) / 4);
        }
        std::free(reply);
        return values;
    }

    // A window of some application with WM_CLASS and no focus hints (so
    // it takes the focus), mapped for the window manager to frame.
    uint32_t CreateApplicationWindow(const std::string& instance, const std::string& windowClass)
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 240, 160, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        const std::string value = instance + '\0' + windowClass + '\0';
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<uint32_t>(value.size()), value.data());
        xcb_map_window(connection_, window);
        xcb_flush(connection_);
        return window;
    }

    // Whether the pointer is free: a grab held by another client refuses ours.
    bool PointerFree()
    {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(
            connection_,
            xcb_grab_pointer(connection_, 0, screen->root, XCB_EVENT_MASK_BUTTON_PRESS, XCB_GRAB_MODE_ASYNC,
                             XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
            nullptr);
        const bool free = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        return free;
    }

private:
    xcb_atom_t Atom(const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(reply);
        return atom;
    }

    xcb_connection_t* connection_;
};

class DesktopFinishX11 : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        ASSERT_TRUE(x.Ok());
    }

    static void Settle(int ms = 300) { SpinUntil([] { return false; }, ms); }

    // The automatic profiles' dialog, open and active; nullptr (and a
    // failure said) otherwise.
    AutoProfileDialog* OpenActiveAutoProfileDialog()
    {
        PrepareKeyboard(0, {});
        Start();
        window->OpenAutoProfileDialog();
        AutoProfileDialog* dialog = window->AutoProfileWindow();
        if (!dialog) {
            ADD_FAILURE() << "the dialog did not open";
            return nullptr;
        }
        if (!SpinUntil([&] { return dialog->isActiveWindow(); }, 5000)) {
            ADD_FAILURE() << "the dialog never got active";
            return nullptr;
        }
        Settle();
        return dialog;
    }

    XClient x;
};

using DesktopFinishX11OnTestDesktop = OnTestDesktop<DesktopFinishX11>;

} // namespace

TEST(DesktopFinishX11Runner, OpenboxClockAndClicks)
{
    RunTestsOnDesktop("DesktopFinishX11OnTestDesktop",
                      {{"xdotool", "openbox", "xclock"}, {{"openbox"}, {"xclock", "-geometry", "160x160+1000+60"}}});
}

// Openbox puts its minimise and maximise buttons on every title bar, and a
// box minimised away leaves the main window waiting for it: the boxes come
// without openbox's title bar (its frame extents show none).
TEST_F(DesktopFinishX11OnTestDesktop, MessageBoxesCarryNoMinimiseOrMaximiseButton)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    ASSERT_TRUE(SpinUntil([this] { return window->isActiveWindow(); }, 5000)) << "the window never got active";
    UiDispatcher promptDispatcher;
    QtUserPrompts realPrompts(promptDispatcher);
    for (bool question : {true, false}) {
        SCOPED_TRACE(question ? "a question" : "a message");
        std::vector<uint32_t> extents;
        bool parented = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (!box || !box->isVisible())
                    continue;
                // Openbox writes the extents once it has framed the box.
                extents = x.Cardinals(static_cast<uint32_t>(box->winId()), "_NET_FRAME_EXTENTS");
                if (extents.size() != 4)
                    return;
                parented = box->parentWidget() == window.get();
                look.stop();
                box->reject();
                return;
            }
        });
        look.start(100);
        if (question)
            realPrompts.AskYesNo("Restore the default function of every key in this profile?");
        else
            realPrompts.ShowMessage("The keyboard did not take the change.", MessageStyle::Topmost);
        ASSERT_EQ(extents.size(), 4u) << "openbox never framed the box";
        EXPECT_EQ(extents[2], 0u) << "a title bar, with openbox's minimise and maximise buttons";
        EXPECT_TRUE(parented) << "the box belongs to the main window";
    }
    promptDispatcher.Close();
}

// Pick window takes the window the owner clicks: a clock that never takes
// the focus is named and refused with the reason, a click back in the
// dialog ends the pick, and an ordinary window is picked.
TEST_F(DesktopFinishX11OnTestDesktop, PickWindowSaysWhyAClockCannotBePicked)
{
    const uint32_t notepad = x.CreateApplicationWindow("notepad", "Notepad");
    Settle(500);
    // Away from where the dialog will open.
    ASSERT_TRUE(Xdotool("windowmove --sync " + std::to_string(notepad) + " 20 780"));
    AutoProfileDialog* dialog = OpenActiveAutoProfileDialog();
    ASSERT_NE(dialog, nullptr);
    auto* application = static_cast<QLineEdit*>(dialog->Control(AutoProfileControl::Application));
    auto* note = static_cast<QLabel*>(dialog->Control(AutoProfileControl::Note));
    CPngButton* pick = dialog->Button(AutoProfileControl::Pick);
    const QPoint inDialog = note->mapToGlobal(note->rect().center());
    const std::string clock = "--window $(xdotool search --class XClock | head -1) 80 80";

    const struct {
        const char* what;
        std::string click;
        std::string note;
        QString application;
    } steps[] = {
        {"a clock takes no focus", "mousemove --sync " + clock + " click 1",
         FormatText(LoadText("PROFILE_AUTO_PICK_NO_FOCUS"), "XClock"), QString()},
        {"a click back in the dialog ends the pick",
         "mousemove --sync " + std::to_string(inDialog.x()) + " " + std::to_string(inDialog.y()) + " click 1",
         LoadText("PROFILE_AUTO_HINT"), QString()},
        {"an ordinary window is picked", "mousemove --sync --window " + std::to_string(notepad) + " 60 60 click 1",
         FormatText(LoadText("PROFILE_AUTO_PICKED"), "Notepad"), QStringLiteral("Notepad")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        pick->click();
        ASSERT_TRUE(pick->IsMarked());
        Settle();
        EXPECT_FALSE(x.PointerFree()) << "the click is caught while picking";
        ASSERT_TRUE(Xdotool(step.click));
        EXPECT_TRUE(SpinUntil([&] { return !pick->IsMarked(); }, 3000)) << "the pick goes on";
        EXPECT_EQ(note->text().toStdString(), step.note);
        EXPECT_EQ(application->text(), step.application);
        // The pointer is the owner's again: nothing holds it.
        EXPECT_TRUE(x.PointerFree());
    }
    dialog->reject();
}

// The on/off switch follows real clicks on its box and on its caption, and
// the dialog stays open through them.
TEST_F(DesktopFinishX11OnTestDesktop, TheSwitchTogglesUnderRealClicks)
{
    AutoProfileDialog* dialog = OpenActiveAutoProfileDialog();
    ASSERT_NE(dialog, nullptr);
    auto* enable = static_cast<QCheckBox*>(dialog->Control(AutoProfileControl::Enable));
    const bool before = enable->isChecked();
    const QPoint box = enable->mapToGlobal(QPoint(10, enable->height() / 2));
    const QPoint caption = enable->mapToGlobal(QPoint(80, enable->height() / 2));
    bool expected = before;
    // Each twice; a pointer already there would keep xdotool's --sync waiting.
    for (const QPoint& at : {box, box + QPoint(1, 0), caption, caption + QPoint(1, 0)}) {
        ASSERT_TRUE(Xdotool("mousemove --sync " + std::to_string(at.x()) + " " + std::to_string(at.y()) +
                            " sleep 0.2 click 1"));
        expected = !expected;
        EXPECT_TRUE(SpinUntil([&] { return enable->isChecked() == expected; }, 2000))
            << "a click at " << at.x() << "," << at.y() << " did not toggle the switch";
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->Edited().enabled, expected);
        Settle();
    }
    dialog->reject();
}
