#include "MainWindowTestSupport.h"

#include "ui/TrayIcon.h"
#include "assign/KeyAssignment.h"
#include "actions/ProfileSwitch.h"

#include <QAction>
#include <QMenu>

namespace {

// Chooses the notification-area menu's entry for command, as the owner does.
bool ChooseTrayEntry(CVarkelinDlg& window, int command)
{
    window.Tray()->RefreshMenu();
    for (QAction* action : window.Tray()->Menu()->actions()) {
        if (action->data().toInt() == command && action->isEnabled()) {
            action->trigger();
            return true;
        }
    }
    return false;
}

} // namespace

// With --virtual-keyboard the tray menu is the keyboard's cable and its
// notices: each entry takes the program down the same path the real
// keyboard would.
TEST_F(MainWindowTest, VirtualKeyboardTrayEntriesTakeEveryConnectionPath)
{
    PrepareKeyboard(1, {{1, KeyEsc, AssignKey, KeyA}});
    Start(true);
    ASSERT_EQ(window->TrayIconId(), TrayIconConnected);
    window->OpenMainWindow();
    window->ShowAbout();
    ASSERT_TRUE(window->isVisible());

    // Unplugged: sub-windows close, the window hides, the icon goes grey, and
    // the entry that made it so is no longer offered.
    ASSERT_TRUE(ChooseTrayEntry(*window, CmdVkUnplug));
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconDisconnected; }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->About()->isVisible());
    EXPECT_FALSE(ChooseTrayEntry(*window, CmdVkUnplug));

    // Plugged in again: connected icon, the keyboard read back, the window
    // left hidden for the owner to open.
    ASSERT_TRUE(ChooseTrayEntry(*window, CmdVkPlug));
    ASSERT_TRUE(SpinUntil([this] {
        return g_deviceConnected.load() == 1 && window->TrayIconId() == TrayIconConnected;
    }));
    // The notices below need the reader back on the new node.
    ASSERT_TRUE(SpinUntil([this] { return ReaderOnTheKeyboard(); }));
    EXPECT_TRUE(ProfileShown(1));
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_FALSE(window->isVisible());

    // The status notices light the icon and put the connected one back.
    const struct {
        int command;
        int icon;
    } notices[] = {{CmdVkNotice1811, TrayIconSignalled}, {CmdVkNotice1810, TrayIconConnected},
                   {CmdVkNotice1811, TrayIconSignalled}, {CmdVkNotice1810, TrayIconConnected}};
    for (const auto& notice : notices) {
        ASSERT_TRUE(ChooseTrayEntry(*window, notice.command)) << notice.command;
        EXPECT_TRUE(SpinUntil([&] { return window->TrayIconId() == notice.icon; })) << notice.command;
    }

    // The keyboard's reset notice: the keyboard's factory memories read
    // back, its profile shown, nothing left to apply.
    bool reset = false;
    QObject::connect(window.get(), &CVarkelinDlg::traced, window.get(),
                     [&reset](const QString& line) { reset = reset || line == QLatin1String("keyboard-reset"); });
    ASSERT_TRUE(ChooseTrayEntry(*window, CmdVkNotice0402));
    ASSERT_TRUE(SpinUntil([&reset] { return reset; }));
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(DocumentSlot(1, KeyEsc).Type(), AssignDefault);
    EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked());
    EXPECT_TRUE(ProfileShown(0));
    EXPECT_EQ(window->TrayIconId(), TrayIconConnected);

    // The lighting notice is taken without disturbing anything else.
    ASSERT_TRUE(ChooseTrayEntry(*window, CmdVkNotice0401));
    SpinUntil([] { return false; }, 100);
    EXPECT_EQ(g_deviceConnected.load(), 1);
    EXPECT_EQ(window->TrayIconId(), TrayIconConnected);
}

// Without --virtual-keyboard the menu holds the profiles, automatic profiles,
// Open, Firmware update, About and Exit only, and the virtual keyboard's
// commands do nothing.
TEST_F(MainWindowTest, RealKeyboardTrayMenuHasNoVirtualEntries)
{
    PrepareKeyboard(0, {});
    Start(false);
    window->Tray()->RefreshMenu();
    std::vector<int> commands;
    for (QAction* action : window->Tray()->Menu()->actions()) {
        if (!action->isSeparator())
            commands.push_back(action->data().toInt());
    }
    EXPECT_EQ(commands, (std::vector<int>{ProfileMenuFirstProfileCommand, ProfileMenuFirstProfileCommand + 1,
                                          ProfileMenuFirstProfileCommand + 2, CmdAutoProfiles, CmdOpen,
                                          CmdFirmwareUpdate, CmdAbout, CmdExit}));
    window->OnTrayCommand(CmdVkUnplug);
    SpinUntil([] { return false; }, 50);
    EXPECT_TRUE(kb->IsPlugged());
    EXPECT_EQ(g_deviceConnected.load(), 1);
    EXPECT_EQ(window->TrayIconId(), TrayIconConnected);
}

// The tip says whether the keyboard is connected and, while the keyboard's
// status notice is on, what the red dot on the icon means; in both
// languages it fits whole in a tip.
TEST_F(MainWindowTest, TrayTipTellsTheConnectionAndTheStatusMark)
{
    PrepareKeyboard(0, {});
    Start(true);
    const auto tipLines = [this] { return window->Tray()->Tip().split(QLatin1Char('\n')); };
    const auto text = [](const char* key, int language = 0) { return QString::fromStdString(LoadText(key, language)); };
    ASSERT_EQ(tipLines().size(), 2);
    EXPECT_EQ(tipLines()[0], text("KEYBOARD_TRAY_DESC") + text("VIRTUAL_KEYBOARD_SUFFIX"));
    EXPECT_EQ(tipLines()[1], text("TRAY_TIP_CONNECTED"));

    kb->SendNotice(0x1811);
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconSignalled; }));
    ASSERT_EQ(tipLines().size(), 3);
    EXPECT_EQ(tipLines()[1], text("TRAY_TIP_CONNECTED"));
    EXPECT_EQ(tipLines()[2], text("TRAY_TIP_STATUS_MARK"));
    kb->SendNotice(0x1810);
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconConnected; }));
    EXPECT_EQ(tipLines().size(), 2);

    SetLanguageIndex(1);
    window->HandleMessage(0x5041, 0x4C414E47, 1);
    EXPECT_EQ(tipLines()[1], text("TRAY_TIP_CONNECTED", 1));
    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconDisconnected; }));
    ASSERT_EQ(tipLines().size(), 2);
    EXPECT_EQ(tipLines()[1], text("TRAY_TIP_DISCONNECTED", 1));

    // The longest tips, in both languages, are not cut.
    kb->Plug();
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconConnected; }));
    kb->SendNotice(0x1811);
    ASSERT_TRUE(SpinUntil([this] { return window->TrayIconId() == TrayIconSignalled; }));
    for (int language : {0, 1}) {
        SetLanguageIndex(language);
        window->HandleMessage(0x5041, 0x4C414E47, static_cast<uint32_t>(language));
        EXPECT_EQ(window->Tray()->Tip(), window->TrayTipText()) << language;
        EXPECT_EQ(tipLines().size(), 3) << language;
    }
}
