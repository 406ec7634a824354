#include "support/ShellTestSupport.h"

#include "ui/ShellMessages.h"
#include "ui/TrayIcon.h"
#include "device/virtual/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "skin/IniFile.h"
#include "text/LanguageTexts.h"
#include "skin/gui/PngButton.h"
#include "skin/gui/SkinPlacement.h"
#include "support/FakeOpener.h"
#include "ui/MainWindow.h"

#include <QAction>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

namespace {

class MainWindowShellTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        SetLanguageIndex(0);
    }

    void TearDown() override
    {
        window_.reset();
        ShellTest::TearDown();
    }

    CVarkelinDlg& Make(VirtualKeyboard* keyboard = nullptr)
    {
        CVarkelinDlg::Options options;
        options.virtualKeyboard = keyboard;
        window_ = std::make_unique<CVarkelinDlg>(options);
        QObject::connect(window_.get(), &CVarkelinDlg::traced, [this](const QString& line) {
            trace_.push_back(line.toStdString());
        });
        window_->Initialise(nullptr);
        QCoreApplication::processEvents();
        return *window_;
    }

    std::vector<QString> TrayMenuTexts()
    {
        CTrayIcon* tray = window_->Tray();
        tray->RefreshMenu();
        std::vector<QString> texts;
        for (QAction* action : tray->Menu()->actions()) {
            if (!action->isSeparator())
                texts.push_back(action->text());
        }
        return texts;
    }

    static void PressKey(QWidget* target, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
        QCoreApplication::sendEvent(target, &release);
    }

    std::unique_ptr<CVarkelinDlg> window_;
    std::vector<std::string> trace_;
};

// The "KEY=x,y,width,height" lines of a skin file's [BUTTONINFO] section,
// read here line by line rather than through the program's own INI reader.
std::map<std::string, QRect> ButtonInfoPlaces(const std::string& path)
{
    std::map<std::string, QRect> places;
    std::ifstream file(path);
    std::string line;
    std::string section;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with('[')) {
            section = line;
            continue;
        }
        const size_t equals = line.find('=');
        if (section != "[BUTTONINFO]" || equals == std::string::npos || line.starts_with(';'))
            continue;
        std::istringstream numbers(line.substr(equals + 1));
        int x = 0, y = 0, width = 0, height = 0;
        char c1 = 0, c2 = 0, c3 = 0;
        if (numbers >> x >> c1 >> y >> c2 >> width >> c3 >> height && c1 == ',' && c2 == ',' && c3 == ',')
            places[line.substr(0, equals)] = QRect(x, y, width, height);
    }
    return places;
}

} // namespace

// Every control of the window sits where the skin puts it; a misspelt skin
// key would leave it at (1, 1), 1 x 1 and disabled.
TEST_F(MainWindowShellTest, EveryControlIsPlacedFromTheSkin)
{
    CVarkelinDlg& window = Make();
    EXPECT_TRUE(missingImages_.empty());
    const std::map<std::string, QRect> places = ButtonInfoPlaces(g_paths.mainSkinIni);
    ASSERT_FALSE(places.empty()) << g_paths.mainSkinIni;
    std::vector<std::pair<int, std::string>> expected;
    for (const ButtonKey& key : ButtonKeyTable) {
        char name[16];
        std::snprintf(name, sizeof name, "KEY_%03X", key.keyCode);
        expected.emplace_back(key.controlId, name);
    }
    for (size_t n = 0; n < MacroKeyButtons.size(); ++n)
        expected.emplace_back(MacroKeyButtons[n], "FUNC_G" + std::to_string(n + 1));
    for (int n = 0; n < 6; ++n)
        expected.emplace_back(MainControl::FirstD + n, "KEY_D" + std::to_string(n + 1));
    const std::pair<int, const char*> others[] = {
        {1174, "KEY_FN"}, {1135, "FUNC_PROFILE1"}, {1136, "FUNC_PROFILE2"}, {1137, "FUNC_PROFILE3"},
        {1005, "FUNC_PROFILES"}, {1007, "FUNC_MACRO"}, {1138, "FUNC_DEFAULT"}, {1139, "CONTROL_MENU"},
        {1006, "CONTROL2_APPLY"}, {1, "CONTROL_OK"}, {2, "CONTROL_CANCEL"}, {1122, "CONTROL_HELP"},
        {1123, "CONTROL_MINIMIZE"}, {1124, "CONTROL_CLOSE"}, {1147, "FUNC_REPORT1"}, {1168, "FUNC_REPORT2"},
        {1169, "FUNC_REPORT3"}, {1170, "FUNC_REPORT4"}, {1202, "CONTROL_LangCombo"}, {1121, "KORVEN_LINK"},
        {1219, "CONTROL_Network"}, {1220, "CONTROL_Facebook"}, {1221, "CONTROL_twitter"}, {1134, "KORVEN_VER"},
        {1125, "LOCK_CAPS"}, {1126, "LOCK_NUM"}, {1127, "LOCK_SCROLL"}, {1128, "LOCK_AB"}, {1129, "FLIP_0"},
        {1130, "FLIP_1"}, {1131, "FLIP_2"}, {1132, "LEFT_ARROW"}, {1133, "RIGHT_ARROW"}, {1208, "COLOR_R"},
        {1209, "COLOR_G"}, {1210, "COLOR_B"}, {1207, "CONTROL_RGBStatic"}, {1177, "CONTROL_JDTStatic"},
    };
    for (const auto& [id, key] : others)
        expected.emplace_back(id, key);

    for (const auto& [id, key] : expected) {
        SCOPED_TRACE(key);
        QWidget* control = window.Control(id);
        ASSERT_NE(control, nullptr);
        const auto found = places.find(key);
        ASSERT_NE(found, places.end()) << "not in the skin's [BUTTONINFO]";
        const QRect place = found->second;
        EXPECT_FALSE(place.x() == 1 && place.y() == 1) << "the skin's way of leaving a control out";
        EXPECT_EQ(control->geometry(), place);
        if (auto* button = qobject_cast<CPngButton*>(control)) {
            if (id != MainControl::LeftArrow && id != MainControl::RightArrow) {
                EXPECT_EQ(button->FaceOffsetX(), place.x());
                EXPECT_EQ(button->FaceOffsetY(), place.y());
            }
            EXPECT_FALSE(button->FacePixmap(CPngButton::Face::Normal).isNull());
        }
    }
    EXPECT_EQ(window.size(), window.Background().size());
    // Indicators and decoration never take a press; Apply starts disabled.
    for (int id : {1134, 1125, 1126, 1127, 1128, 1129, 1132, 1133, 1006})
        EXPECT_FALSE(window.Control(id)->isEnabled()) << id;
}

TEST_F(MainWindowShellTest, CaptionsTipAndMenuFollowTheLanguage)
{
    CVarkelinDlg& window = Make();
    EXPECT_EQ(window.windowTitle().toStdString(), LoadText("MAIN_CAPTION", 0));
    EXPECT_EQ(window.Button(MainControl::Profile1)->text().toStdString(), LoadText("PROFILE_1", 0));
    EXPECT_EQ(window.Button(MainControl::Cancel)->text().toStdString(), LoadText("PROFILE_CANCLE", 0));
    EXPECT_EQ(window.Button(MainControl::Close)->TooltipText().toStdString(), LoadText("MAIN_CLOSE_PROMPT", 0));
    // The keyboard's profiles and automatic profiles come first.
    EXPECT_EQ(TrayMenuTexts(), (std::vector<QString>{QString::fromStdString(LoadText("PROFILE_1", 0)),
                                                     QString::fromStdString(LoadText("PROFILE_2", 0)),
                                                     QString::fromStdString(LoadText("PROFILE_3", 0)),
                                                     QString::fromStdString(LoadText("MENU_AUTO_PROFILES", 0)),
                                                     QString::fromStdString(LoadText("MENU_11", 0)),
                                                     QString::fromStdString(LoadText("MENU_FIRMWARE_UPDATE", 0)),
                                                     QString::fromStdString(LoadText("MENU_22", 0)),
                                                     QString::fromStdString(LoadText("MENU_33", 0))}));
    EXPECT_EQ(window.TrayTipText().toStdString(),
              LoadText("KEYBOARD_TRAY_DESC", 0) + "\n" + LoadText("TRAY_TIP_DISCONNECTED", 0));

    // A language switch with a wrong tag is ignored.
    SetLanguageIndex(1);
    EXPECT_EQ(window.HandleMessage(MsgLanguage, TagOpen, 1), 0);
    EXPECT_EQ(window.Button(MainControl::Profile1)->text().toStdString(), LoadText("PROFILE_1", 0));
    EXPECT_EQ(window.HandleMessage(MsgLanguage, TagLanguage, 1), 1);
    EXPECT_NE(LoadText("PROFILE_1", 1), LoadText("PROFILE_1", 0));
    EXPECT_EQ(window.Button(MainControl::Profile1)->text().toStdString(), LoadText("PROFILE_1", 1));
    EXPECT_EQ(window.windowTitle().toStdString(), LoadText("MAIN_CAPTION", 1));
    // The menu takes its texts as it opens.
    EXPECT_EQ(TrayMenuTexts().front().toStdString(), LoadText("PROFILE_1", 1));
    EXPECT_EQ(TrayMenuTexts()[4].toStdString(), LoadText("MENU_11", 1));
}

TEST_F(MainWindowShellTest, VirtualKeyboardModeSaysSoAndOffersItsControls)
{
    VirtualKeyboard keyboard;
    CVarkelinDlg& window = Make(&keyboard);
    const std::string suffix = LoadText("VIRTUAL_KEYBOARD_SUFFIX", 0);
    ASSERT_FALSE(suffix.empty());
    EXPECT_EQ(window.windowTitle().toStdString(), LoadText("MAIN_CAPTION", 0) + suffix);
    EXPECT_EQ(window.TrayTipText().toStdString(),
              LoadText("KEYBOARD_TRAY_DESC", 0) + suffix + "\n" + LoadText("TRAY_TIP_DISCONNECTED", 0));
    const std::vector<QString> texts = TrayMenuTexts();
    ASSERT_EQ(texts.size(), 16u);
    EXPECT_EQ(texts[8].toStdString(), LoadText("MENU_VK_UNPLUG", 0));
    EXPECT_EQ(texts[10].toStdString(), LoadText("MENU_VK_LEAVE_LOADER", 0));
    EXPECT_EQ(texts[14].toStdString(), LoadText("MENU_VK_NOTICE_1810", 0));
    EXPECT_EQ(texts[15].toStdString(), LoadText("MENU_VK_EFFECT_KEY", 0));

    // The entries act on the keyboard; the one that cannot apply is disabled.
    auto actionFor = [&](int command) -> QAction* {
        window.Tray()->RefreshMenu();
        for (QAction* action : window.Tray()->Menu()->actions()) {
            if (action->data().toInt() == command)
                return action;
        }
        return nullptr;
    };
    ASSERT_TRUE(keyboard.IsPlugged());
    EXPECT_FALSE(actionFor(CmdVkPlug)->isEnabled());
    actionFor(CmdVkUnplug)->trigger();
    EXPECT_FALSE(keyboard.IsPlugged());
    EXPECT_FALSE(actionFor(CmdVkUnplug)->isEnabled());
    actionFor(CmdVkPlug)->trigger();
    EXPECT_TRUE(keyboard.IsPlugged());
    // The loader's entry is offered only while the keyboard is in its loader.
    EXPECT_FALSE(actionFor(CmdVkLeaveLoader)->isEnabled());
}

TEST_F(MainWindowShellTest, MessagesActOnlyWithTheirTags)
{
    CVarkelinDlg& window = Make();
    bool exitHandled = false;
    window.SetExitHandler([&] { exitHandled = true; });
    g_deviceConnected = 1;
    EXPECT_FALSE(window.isVisible());

    EXPECT_EQ(window.HandleMessage(MsgOpen, TagKill), 0);
    EXPECT_EQ(window.HandleMessage(MsgOpen, 0), 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.HandleMessage(MsgKill, TagOpen), 0);
    EXPECT_FALSE(window.IsExiting());
    EXPECT_EQ(window.HandleMessage(0x1234, TagOpen), 0);

    EXPECT_EQ(window.HandleMessage(MsgOpen, TagOpen), 1);
    EXPECT_TRUE(window.isVisible());
    // Opened, it is an ordinary window with a taskbar entry.
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(window.HandleMessage(MsgInit, TagOpen), 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.HandleMessage(MsgInit, TagInit), 1);
    EXPECT_FALSE(window.isVisible());

    EXPECT_EQ(window.HandleMessage(MsgKill, TagKill), 1);
    EXPECT_TRUE(window.IsExiting());
    EXPECT_TRUE(exitHandled);
    EXPECT_EQ(window.TrayIconId(), 0);
    // After Exit nothing opens the window again.
    window.HandleMessage(MsgOpen, TagOpen);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowShellTest, OpeningWithoutKeyboardShowsThePromptAndStaysHidden)
{
    CVarkelinDlg& window = Make();
    g_deviceConnected = 0;
    EXPECT_EQ(window.HandleMessage(MsgOpen, TagOpen), 1);
    EXPECT_FALSE(window.isVisible());
    ASSERT_NE(window.NoDevicePrompt(), nullptr);
    EXPECT_TRUE(window.NoDevicePrompt()->isVisible());
    EXPECT_EQ(window.NoDevicePrompt()->text().toStdString(), LoadText("MAIN_NO_DEVICE_PROMPT", 0));
    // Not modal: the message handler has returned and the program goes on.
    EXPECT_FALSE(window.NoDevicePrompt()->isModal());
    // The keyboard goes away: the monitor's message closes what is open.
    window.ShowAbout();
    ASSERT_NE(window.About(), nullptr);
    EXPECT_TRUE(window.About()->isVisible());
    EXPECT_EQ(window.HandleMessage(MsgDeviceLost, 0), 1);
    EXPECT_FALSE(window.About()->isVisible());
    SpinUntil([&] { return window.NoDevicePrompt() == nullptr; }, 1000);
    EXPECT_TRUE(window.NoDevicePrompt() == nullptr || !window.NoDevicePrompt()->isVisible());
}

TEST_F(MainWindowShellTest, CancelEnterEscapeAndCloseKeepTheProgramRunning)
{
    CVarkelinDlg& window = Make();
    g_deviceConnected = 1;
    window.OpenMainWindow();
    ASSERT_TRUE(window.isVisible());
    // Wherever the focus is, Enter and Escape neither end nor hide it.
    const std::vector<QWidget*> targets = {&window, window.Button(MainControl::Ok), window.Button(MainControl::Cancel),
                                           window.Control(MainControl::ColourR),
                                           window.Control(MainControl::LanguageList)};
    for (QWidget* target : targets) {
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            PressKey(target, key);
            EXPECT_TRUE(window.isVisible()) << target->objectName().toStdString() << " " << key;
        }
    }
    EXPECT_FALSE(window.IsExiting());
    EXPECT_EQ(window.result(), 0);
    window.close(); // the window manager's close
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsExiting());
    window.OpenMainWindow();
    window.Button(MainControl::Cancel)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.IsExiting());
    window.OpenMainWindow();
    window.Button(MainControl::Ok)->click();
    EXPECT_FALSE(window.isVisible());
    window.Button(MainControl::Close)->click();
    EXPECT_TRUE(window.IsExiting());
}

TEST_F(MainWindowShellTest, AboutBoxShowsItsFourTexts)
{
    CVarkelinDlg& window = Make();
    window.OnTrayCommand(CmdAbout);
    AboutDialog* about = window.About();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->windowTitle().toStdString(), LoadText("LANG_ABOUT_TITLE", 0));
    EXPECT_EQ(about->Introduction()->text().toStdString(), LoadText("GUANYU_JIESHAO", 0));
    EXPECT_EQ(about->Copyright()->text().toStdString(), LoadText("GUANYU_BANQUAN", 0));
    EXPECT_EQ(about->OkButton()->text().toStdString(), LoadText("LANG_ABOUT_OK", 0));
    // The language switch reaches the open box.
    SetLanguageIndex(1);
    window.HandleMessage(MsgLanguage, TagLanguage, 1);
    EXPECT_EQ(about->windowTitle().toStdString(), LoadText("LANG_ABOUT_TITLE", 1));
    about->OkButton()->click();
    EXPECT_FALSE(about->isVisible());
}

TEST_F(MainWindowShellTest, FlipSettingChoosesFunctionKeysOrDKeys)
{
    AppSettings().SetString("PROFILES", "Flip", "5");
    CVarkelinDlg& window = Make();
    for (int id = 1010; id <= 1013; ++id)
        EXPECT_FALSE(window.Button(id)->isEnabled()) << id;
    for (int id = 1016; id <= 1021; ++id)
        EXPECT_TRUE(window.Button(id)->isEnabled()) << id;
    window.Button(MainControl::Flip1)->click();
    EXPECT_EQ(AppSettings().GetString("PROFILES", "Flip").value_or(""), "0");
    EXPECT_TRUE(window.Button(1010)->isEnabled());
    EXPECT_FALSE(window.Button(1016)->isEnabled());
    // The arrows point the other way: their faces come from other places.
    const CIniFile ini(g_paths.mainSkinIni);
    const SkinRect down = ReadSkinRect(ini, "BUTTONINFO2", "DOWN_ARROW_LEFT1");
    EXPECT_EQ(window.Button(MainControl::LeftArrow)->FaceOffsetX(), down.x);
    window.Button(MainControl::Flip2)->click();
    EXPECT_EQ(AppSettings().GetString("PROFILES", "Flip").value_or(""), "1");
    const SkinRect up = ReadSkinRect(ini, "BUTTONINFO2", "UP_ARROW_LEFT1");
    EXPECT_EQ(window.Button(MainControl::LeftArrow)->FaceOffsetX(), up.x);
}

TEST_F(MainWindowShellTest, ColourFieldsTakeDigitsUpTo255)
{
    CVarkelinDlg& window = Make();
    auto* red = static_cast<QLineEdit*>(window.Control(MainControl::ColourR));
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"300", "255"}, {"12a", "12"}, {"255", "255"}, {"256", "255"}, {"x", ""}};
    for (const auto& c : cases) {
        red->clear();
        red->setFocus();
        for (const char* p = c.typed; *p; ++p) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QLatin1Char(*p)));
            QCoreApplication::sendEvent(red, &press);
        }
        EXPECT_EQ(red->text().toStdString(), c.shown) << c.typed;
    }
}

TEST_F(MainWindowShellTest, HelpOpensTheInstalledHelpPage)
{
    CVarkelinDlg& window = Make();
    FakeOpener opener(dir_ / "bin");
    window.Button(MainControl::Help)->click();
    ASSERT_TRUE(opener.WaitFor(1));
    ASSERT_EQ(opener.Opened().size(), 1u);
    EXPECT_EQ(opener.Opened()[0], g_paths.helpFolder + "index.html");
    EXPECT_TRUE(std::filesystem::exists(opener.Opened()[0]));
}

TEST_F(MainWindowShellTest, TrayIconChangesOnlyWhenTheIdDiffers)
{
    CVarkelinDlg& window = Make();
    EXPECT_EQ(window.TrayIconId(), TrayIconDisconnected);
    trace_.clear();
    window.SetTrayIcon(TrayIconDisconnected);
    window.SetTrayIcon(TrayIconConnected);
    window.SetTrayIcon(TrayIconConnected);
    window.SetTrayIcon(TrayIconSignalled);
    EXPECT_EQ(window.TrayIconId(), TrayIconSignalled);
    EXPECT_EQ(trace_, (std::vector<std::string>{"tray-icon 141", "tray-icon 142"}));
}


// The captions of the window as the skin's text styles say: the profile
// buttons and the macro button larger, the version left-aligned in its own
// font, the profile manager's caption slanted and bold; the key and G
// buttons draw no text (their faces carry the legends).
TEST_F(MainWindowShellTest, CaptionsUseTheirFontsSizesFormatsAndColours)
{
    CVarkelinDlg& window = Make();
    const struct {
        int id;
        double size;
        const char* font;
        unsigned format;
        int angle;
    } cases[] = {
        {MainControl::Profile1, 10, "Arial Unicode MS", 37, 0},
        {MainControl::Profile2, 10, "Arial Unicode MS", 37, 0},
        {MainControl::Profile3, 10, "Arial Unicode MS", 37, 0},
        {MainControl::Macro, 10, "Arial Unicode MS", 37, 0},
        // Defaults stands in the row of Macros and shares its size.
        {MainControl::Defaults, 10, "Arial Unicode MS", 37, 0},
        {MainControl::Apply, 8, "Arial Unicode MS", 37, 0},
        {MainControl::Ok, 8, "Arial Unicode MS", 37, 0},
        {MainControl::Cancel, 8, "Arial Unicode MS", 37, 0},
        {MainControl::Version, 8, "Verdana Unicode MS", 36, 0},
        {MainControl::Profiles, 10, "Arial Unicode MS", 40, 268},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const CPngButton* button = window.Button(c.id);
        ASSERT_NE(button, nullptr);
        const SkinTextStyle& style = button->TextStyle();
        EXPECT_TRUE(style.on);
        EXPECT_EQ(style.pointSize, c.size);
        EXPECT_EQ(style.fontName.toStdString(), c.font);
        EXPECT_EQ(style.format, c.format);
        EXPECT_EQ(style.normal, QColor(255, 255, 255));
        EXPECT_EQ(style.over, QColor(255, 130, 0));
        EXPECT_EQ(style.down, QColor(255, 155, 4));
        EXPECT_EQ(style.disabled, QColor(127, 127, 127));
        EXPECT_EQ(style.marked, QColor(255, 255, 255));
        EXPECT_EQ(button->TextAngle(), c.angle);
        EXPECT_EQ(button->TextAngleFlag(), c.angle != 0);
    }
    EXPECT_TRUE(window.Button(MainControl::Version)->text().isEmpty());
    EXPECT_EQ(window.Button(MainControl::Link)->text().toStdString(), g_paths.linkAddress);
    for (const ButtonKey& key : ButtonKeyTable)
        EXPECT_FALSE(window.Button(key.controlId)->TextStyle().on) << key.controlId;
    for (uint16_t id : MacroKeyButtons)
        EXPECT_FALSE(window.Button(id)->TextStyle().on) << id;
}

TEST_F(MainWindowShellTest, TooltipsFollowTheLanguage)
{
    CVarkelinDlg& window = Make();
    const struct {
        int id;
        const char* key;
    } tips[] = {
        {MainControl::Help, "MAIN_HELP_PROMPT"},   {MainControl::Minimize, "MAIN_MINIMIZE_PROMPT"},
        {MainControl::Menu, "MAIN_MENU_PROMPT"},   {MainControl::Close, "MAIN_CLOSE_PROMPT"},
        {MainControl::Defaults, "PROFILE_DEFAULT"}, {MainControl::Macro, "PROFILE_MACRO"},
    };
    for (int language : {0, 1, 0}) {
        SetLanguageIndex(language);
        ASSERT_EQ(window.HandleMessage(MsgLanguage, TagLanguage, static_cast<uint32_t>(language)), 1);
        for (const auto& tip : tips) {
            const std::string text = LoadText(tip.key, language);
            ASSERT_FALSE(text.empty()) << tip.key;
            EXPECT_NE(text, "#Error") << tip.key;
            EXPECT_EQ(window.Button(tip.id)->TooltipText().toStdString(), text) << tip.key << " " << language;
            EXPECT_TRUE(window.Button(tip.id)->TooltipActive()) << tip.key;
        }
    }
}

// Icon ids 128, 141 and 142 show the skin's three tray pictures, each its own.
TEST_F(MainWindowShellTest, TrayPicturesComeFromTheSkin)
{
    CVarkelinDlg& window = Make();
    std::vector<QImage> shown;
    for (int id : {TrayIconDisconnected, TrayIconConnected, TrayIconSignalled}) {
        SCOPED_TRACE(id);
        const QImage file(QString::fromStdString(g_paths.skinFolder + "tray_" + std::to_string(id) + ".png"));
        ASSERT_FALSE(file.isNull());
        const QIcon icon = window.Tray()->IconPicture(id);
        ASSERT_FALSE(icon.isNull());
        const QImage picture = icon.pixmap(file.size()).toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(picture, file.convertToFormat(QImage::Format_ARGB32));
        for (const QImage& other : shown)
            EXPECT_NE(picture, other);
        shown.push_back(picture);
    }
}

TEST_F(MainWindowShellTest, MinimiseButtonSendsTheOpenWindowToTheTaskbar)
{
    CVarkelinDlg& window = Make();
    g_deviceConnected = 1;
    window.OpenMainWindow();
    ASSERT_TRUE(window.isVisible());
    ASSERT_FALSE(window.isMinimized());
    window.Button(MainControl::Minimize)->click();
    EXPECT_TRUE(window.isMinimized());
    EXPECT_FALSE(window.IsExiting());
    // Opening it again brings it back.
    window.OpenMainWindow();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

// F1 opens the help page wherever the focus is.
TEST_F(MainWindowShellTest, F1OpensTheHelpPageFromAnyControl)
{
    CVarkelinDlg& window = Make();
    g_deviceConnected = 1;
    window.OpenMainWindow();
    FakeOpener opener(dir_ / "bin");
    const std::vector<QWidget*> targets = {&window, window.Control(MainControl::ColourG),
                                           window.Control(MainControl::LanguageList),
                                           window.Button(MainControl::Profile2)};
    for (QWidget* target : targets)
        PressKey(target, Qt::Key_F1);
    ASSERT_TRUE(opener.WaitFor(targets.size()));
    ASSERT_EQ(opener.Opened().size(), targets.size());
    for (const std::string& page : opener.Opened())
        EXPECT_EQ(page, g_paths.helpFolder + "index.html");
}

// The link button opens the skin's address and shows it; the three vendor
// buttons open their own pages.
TEST_F(MainWindowShellTest, LinksOpenTheirAddressesInTheBrowser)
{
    CVarkelinDlg& window = Make();
    const std::string skinLink = CIniFile(g_paths.mainSkinIni).GetString("SCREEN", "Link").value_or("");
    ASSERT_FALSE(skinLink.empty());
    EXPECT_EQ(g_paths.linkAddress, skinLink);
    FakeOpener opener(dir_ / "bin");
    for (int id : {MainControl::Link, MainControl::Network, MainControl::Facebook, MainControl::Twitter})
        window.Button(id)->click();
    ASSERT_TRUE(opener.WaitFor(4));
    // Each address goes to an opener process of its own, so they may be
    // recorded in any order.
    const std::vector<std::string> opened = opener.Opened();
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_NE(std::find(opened.begin(), opened.end(), skinLink), opened.end());
    for (size_t i = 0; i < opened.size(); ++i) {
        EXPECT_EQ(opened[i].rfind("https://", 0), 0u) << opened[i];
        for (size_t j = 0; j < i; ++j)
            EXPECT_NE(opened[i], opened[j]) << i << " " << j;
    }
}

// Some pictures lie under other controls: the disabled AB tray under the G
// keys, the disabled Flip0 strip under F1 to F4 and D1 to D6, the arrows over
// Flip1 and Flip2. Whatever paints last, the upper controls must show their
// own faces, not the picture beneath.
TEST_F(MainWindowShellTest, PicturesUnderOtherControlsNeverCoverThem)
{
    const QImage normal =
        QImage(QString::fromStdString(g_paths.skinFolder + "main_normal.jpg")).convertToFormat(QImage::Format_RGB32);
    const QImage disabled =
        QImage(QString::fromStdString(g_paths.skinFolder + "main_disable.jpg")).convertToFormat(QImage::Format_RGB32);
    const QImage arrows =
        QImage(QString::fromStdString(g_paths.skinFolder + "Arrow.jpg")).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(normal.isNull());
    ASSERT_FALSE(arrows.isNull());
    for (const char* flip : {"0", "1"}) {
        SCOPED_TRACE(flip);
        AppSettings().SetString("PROFILES", "Flip", flip);
        CVarkelinDlg& window = Make();
        const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shown.size(), normal.size());

        std::vector<int> onTop(MacroKeyButtons.begin(), MacroKeyButtons.end());
        for (int id = 1010; id <= 1013; ++id)
            onTop.push_back(id);
        for (int id = MainControl::FirstD; id < MainControl::FirstD + 6; ++id)
            onTop.push_back(id);
        for (int id : onTop) {
            const CPngButton* button = window.Button(id);
            const QRect place = button->geometry();
            const QImage& face = button->isEnabled() ? normal : disabled;
            EXPECT_EQ(shown.copy(place), face.copy(place)) << id << (button->isEnabled() ? " enabled" : " disabled");
        }
        // The pictures beneath really differ there, or this proves nothing.
        const QRect g1 = window.Button(MacroKeyButtons[0])->geometry();
        EXPECT_NE(normal.copy(g1), disabled.copy(g1));

        for (int id : {MainControl::LeftArrow, MainControl::RightArrow}) {
            const CPngButton* arrow = window.Button(id);
            const QRect place = arrow->geometry();
            const QRect face(arrow->FaceOffsetX(), arrow->FaceOffsetY(), place.width(), place.height());
            ASSERT_TRUE(arrows.rect().contains(face)) << id;
            EXPECT_EQ(shown.copy(place), arrows.copy(face)) << id;
        }
    }
}

// Exit reached with no event loop running (a test, or a KILL handled before
// start-up enters its loop) must not leave a quit behind that ends every
// later loop, such as a message box's, at once.
TEST_F(MainWindowShellTest, ExitOutsideTheEventLoopLeavesLaterLoopsRunning)
{
    CVarkelinDlg& window = Make();
    window.ExitProgram();
    ASSERT_TRUE(window.IsExiting());
    QEventLoop loop;
    QTimer::singleShot(20, &loop, [&loop] { loop.exit(7); });
    EXPECT_EQ(loop.exec(), 7);
}

