#include "support/ShellTestSupport.h"

#include "ui/TrayIcon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

struct TrayFixture {
    TrayFixture()
    {
        tray.SetMenuItems({{32771, QStringLiteral("Open")}, {32773, QStringLiteral("About")}, {0, {}},
                           {32774, QStringLiteral("Exit")}});
        tray.SetCommandHandler([this](int command) { commands.push_back(command); });
    }
    CTrayIcon tray;
    std::vector<int> commands;
};

} // namespace

// Offscreen there is no notification area: the icon is not added and
// nothing fails. Picture and tip are kept for the icon a notification area
// may still bring.
TEST(TrayIconTest, WithoutANotificationAreaNothingIsAddedAndNothingFails)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    TrayFixture f;
    EXPECT_EQ(f.tray.Create(QStringLiteral("tip"), 128), 0);
    EXPECT_FALSE(f.tray.IsAdded());
    EXPECT_FALSE(f.tray.UsesStatusNotifier());
    f.tray.SetIcon(141);
    f.tray.SetTip(QStringLiteral("other"));
    EXPECT_EQ(f.tray.ShownIcon(), 141);
    EXPECT_EQ(f.tray.Tip(), QStringLiteral("other"));
    f.tray.Remove();
    EXPECT_FALSE(f.tray.IsAdded());
}

TEST(TrayIconTest, DoubleClickSendsTheDefaultCommand)
{
    TrayFixture f;
    EXPECT_EQ(f.tray.OnTrayNotification(CTrayIcon::IconId + 1, CTrayIcon::Mouse::LeftDoubleClick), 0);
    EXPECT_TRUE(f.commands.empty());
    EXPECT_EQ(f.tray.OnTrayNotification(CTrayIcon::IconId, CTrayIcon::Mouse::Other), 0);
    // A single click opens only on StatusNotifier desktops.
    EXPECT_EQ(f.tray.OnTrayNotification(CTrayIcon::IconId, CTrayIcon::Mouse::LeftClick), 0);
    EXPECT_EQ(f.tray.OnTrayNotification(CTrayIcon::IconId, CTrayIcon::Mouse::LeftDoubleClick), 1);
    f.tray.SetDefaultCommand(32773);
    f.tray.OnTrayNotification(CTrayIcon::IconId, CTrayIcon::Mouse::LeftDoubleClick);
    EXPECT_EQ(f.commands, (std::vector<int>{32771, 32773}));
}

TEST(TrayIconTest, MenuIsRefilledEachTimeWithTheCallbackLast)
{
    TrayFixture f;
    int calls = 0;
    f.tray.SetMenuCallback([&](QMenu* menu) {
        ++calls;
        menu->actions().first()->setText(QStringLiteral("Open #%1").arg(calls));
    });
    f.tray.RefreshMenu();
    f.tray.RefreshMenu();
    QMenu* menu = f.tray.Menu();
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Open #%1").arg(calls));
    // The default command is the bold one.
    EXPECT_EQ(menu->defaultAction(), actions[0]);
    EXPECT_TRUE(actions[0]->font().bold());
    actions[3]->trigger();
    EXPECT_EQ(f.commands, (std::vector<int>{32774}));
}

// A tip longer than the shell's 127 UTF-16 units keeps the lines that fit
// whole; no line is cut mid-word.
TEST(TrayIconTest, ALongTipIsCutOnlyAtTheEndOfALine)
{
    TrayFixture f;
    const QString first = QString(60, QLatin1Char('a'));
    const QString second = QStringLiteral("Красная ") + QString(58, QLatin1Char('b')); // 66 units: 60 + 1 + 66 = 127
    const QString third = QStringLiteral("dropped");
    const struct {
        const char* what;
        QString tip;
        QString kept;
    } cases[] = {
        {"fits", first + QLatin1Char('\n') + second, first + QLatin1Char('\n') + second},
        {"one line too many", first + QLatin1Char('\n') + second + QLatin1Char('\n') + third,
         first + QLatin1Char('\n') + second},
        {"a long last line", first + QLatin1Char('\n') + second + QLatin1Char('x'), first},
        {"one long line: cut at a space", QString(100, QLatin1Char('c')) + QStringLiteral(" ") + QString(40, QLatin1Char('d')),
         QString(100, QLatin1Char('c'))},
        // 13 units a word and its space, 26 bytes in UTF-8: nine words fit.
        {"one long Russian line: cut at a space", QStringLiteral("Автопрофиль: ").repeated(12),
         QStringLiteral("Автопрофиль: ").repeated(9).chopped(1)},
    };
    for (const auto& c : cases) {
        f.tray.SetTip(c.tip);
        EXPECT_EQ(f.tray.Tip(), c.kept) << c.what;
        EXPECT_LE(f.tray.Tip().size(), 127) << c.what;
        EXPECT_EQ(f.tray.Create(c.tip, 128), 0);
        EXPECT_EQ(f.tray.Tip(), c.kept) << c.what << " (Create)";
    }
}
