#include "MainWindowTestSupport.h"

#include "device/hid/CurrentHidBackend.h"
#include "ui/TrayIcon.h"
#include "assign/KeyAssignment.h"
#include "lighting/UserModePreset.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingState.h"
#include "lighting/UserModeFile.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfile.h"
#include "skin/gui/BitmapSlider.h"
#include "skin/gui/SkinColorBtn.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// Control ids of the lighting panel.
constexpr int EffectList = 1146, DirectionLeft = 1149, HxColour = 1155, HxSwitch = 1156, ViewSwitch = 1167;
constexpr int EffectLabel = 1171, BrightnessLabel = 1172, BrightnessSlider = 1178, SpeedSlider = 1179;
constexpr int FyColour = 1152, Green = 1196, UserColour = 1160, UserBase = 1162, UserModeList = 1198;
constexpr int ReportLabel = 1204;
constexpr int Report[] = {1147, 1168, 1169, 1170};

// The controls of each group, as the panel shows and hides them.
const std::vector<int> Brightness = {1172, 1178}, Speed = {1166, 1179}, Direction = {1148, 1149, 1150};
const std::vector<int> Hx = {1154, 1155, 1173, 1156}, Fy = {1151, 1152, 1176, 1175};
const std::vector<int> FourColours = {1194, 1195, 1196, 1197};
const std::vector<int> User = {1159, 1160, 1161, 1162, 1163, 1164, 1165, 1198};

constexpr int RightWin = 1087; // its key button

void Click(QWidget* widget, QPoint at)
{
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

void Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QCoreApplication::sendEvent(widget, &release);
    }
}

class LightingWindowTest : public MainWindowTest {
protected:
    std::vector<uint8_t> Record(int profile, size_t field, size_t count) const
    {
        const KeyboardMemories m = kb->Memories();
        auto at = m.params.begin() + 42 * profile + static_cast<std::ptrdiff_t>(field);
        return std::vector<uint8_t>(at, at + static_cast<std::ptrdiff_t>(count));
    }

    std::vector<uint8_t> KeyboardColour(int profile, int index) const
    {
        const KeyboardMemories m = kb->Memories();
        auto at = m.keyColors.begin() + profile * 512 + index * 3;
        return std::vector<uint8_t>(at, at + 3);
    }

    bool Shown(int id) const { return window->Control(id) && !window->Control(id)->isHidden(); }
    bool AllShown(const std::vector<int>& ids) const
    {
        return std::all_of(ids.begin(), ids.end(), [this](int id) { return Shown(id); });
    }
    bool NoneShown(const std::vector<int>& ids) const
    {
        return std::none_of(ids.begin(), ids.end(), [this](int id) { return Shown(id); });
    }
    QString Picture(int id) const { return window->Control(id)->property("picture").toString(); }
    QComboBox* List(int id) const { return static_cast<QComboBox*>(window->Control(id)); }

    void ChooseEffect(int code)
    {
        const int index = FindEffectIndex(code);
        ASSERT_GE(index, 0) << code;
        List(EffectList)->setCurrentIndex(index);
        emit List(EffectList)->activated(index);
    }

    std::string UserIni() const
    {
        std::string text;
        ReadWholeFile(g_paths.userIni, text, 1 << 20);
        return text;
    }

    size_t Overlaid() const
    {
        size_t n = 0;
        for (uint16_t id : KeyColourButtons())
            n += window->Button(id)->IsFrameOn();
        return n;
    }
};

TEST_F(LightingWindowTest, ViewSwitchShowsTheEffectsGroupsAndRemembersTheChoice)
{
    PrepareKeyboard(0, {{0, KeyEsc, AssignKey, KeyA}});
    Start();
    // Off: every lighting group is hidden, the list included; the effect
    // label, the switch and the report rate stay.
    EXPECT_FALSE(window->IsLightingView());
    EXPECT_FALSE(Shown(EffectList));
    EXPECT_TRUE(NoneShown(Brightness) && NoneShown(Speed) && NoneShown(Hx) && NoneShown(User));
    EXPECT_TRUE(Shown(EffectLabel) && Shown(ViewSwitch) && Shown(ReportLabel) && Shown(Report[0]));
    EXPECT_EQ(Picture(ViewSwitch), QStringLiteral("dengup.bmp"));
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked());

    window->Button(ViewSwitch)->click();
    EXPECT_TRUE(window->IsLightingView());
    EXPECT_EQ(Picture(ViewSwitch), QStringLiteral("dengdown.bmp"));
    EXPECT_EQ(UserIni(), "[KEYCOLOR]\nDengCheck=1\n");
    // Effect 1 (the factory's): brightness, speed, direction and its colour.
    EXPECT_TRUE(Shown(EffectList));
    EXPECT_TRUE(AllShown(Brightness) && AllShown(Speed) && AllShown(Direction) && AllShown(Hx));
    EXPECT_TRUE(NoneShown(Fy) && NoneShown(FourColours) && NoneShown(User));
    EXPECT_FALSE(KeyButton(KeyEsc)->IsMarked()) << "the key function marks give way to the lighting";

    // The arrow keys do not step through the effect list (each step would
    // write the keyboard).
    kb->ClearFrameLog();
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Right}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(List(EffectList), &press);
    }
    EXPECT_EQ(List(EffectList)->currentIndex(), FindEffectIndex(1));
    EXPECT_TRUE(kb->Requests().empty());

    // Effect 6: no speed, no direction, the other colour group.
    ChooseEffect(6);
    EXPECT_TRUE(AllShown(Brightness) && AllShown(Fy));
    EXPECT_TRUE(NoneShown(Speed) && NoneShown(Direction) && NoneShown(Hx));
    ChooseEffect(17);
    EXPECT_TRUE(AllShown(FourColours) && NoneShown(Fy));
    ChooseEffect(20);
    EXPECT_TRUE(AllShown(User) && NoneShown(FourColours) && NoneShown(Speed));
    EXPECT_EQ(Overlaid(), KeyColourButtons().size()) << "every key shows its own colour";

    window->Button(ViewSwitch)->click();
    EXPECT_FALSE(window->IsLightingView());
    EXPECT_EQ(UserIni(), "[KEYCOLOR]\nDengCheck=0\n");
    EXPECT_FALSE(Shown(EffectList));
    EXPECT_TRUE(NoneShown(Brightness) && NoneShown(User));
    EXPECT_EQ(Overlaid(), 0u);
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked()) << "the key functions come back";
}

TEST_F(LightingWindowTest, PreviewRunsOnlyWhileTheLightingViewIsOnScreen)
{
    PrepareKeyboard(0, {});
    Start();
    window->SetLightingView(true);
    EXPECT_FALSE(window->IsPreviewRunning()) << "hidden in the notification area";
    window->OpenMainWindow();
    ASSERT_TRUE(SpinUntil([this] { return window->isVisible(); }));
    EXPECT_TRUE(window->IsPreviewRunning());
    window->SetLightingView(false);
    EXPECT_FALSE(window->IsPreviewRunning());
    window->SetLightingView(true);
    EXPECT_TRUE(window->IsPreviewRunning());
    window->HideMainWindow();
    EXPECT_FALSE(window->IsPreviewRunning());
    window->OpenMainWindow();
    EXPECT_TRUE(window->IsPreviewRunning());
    window->showMinimized();
    SpinUntil([this] { return window->isMinimized(); }, 500);
    if (window->isMinimized()) {
        EXPECT_FALSE(window->IsPreviewRunning());
    }
}

// Counts the paints of the key buttons.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

TEST_F(LightingWindowTest, PreviewAnimatesTheKeysAndRepaintsOnlyWhatChanged)
{
    PrepareKeyboard(0, {});
    PrepareRecord(0, 0, {1, 4, 2, 0, 1}); // the column wave, multicolour
    Start();
    window->OpenMainWindow();
    window->SetLightingView(true);
    ASSERT_TRUE(SpinUntil([this] { return Overlaid() >= 106; }, 2000));
    EXPECT_FALSE(window->Button(MacroKeyButtons[0])->IsFrameOn()) << "the G keys are not part of the animation";
    const QColor before = KeyButton(KeyEsc)->FrameColour();
    ASSERT_TRUE(SpinUntil([&] { return KeyButton(KeyEsc)->FrameColour() != before; }, 2000)) << "the wave moves";

    // The static effect in one colour: after its first tick nothing changes,
    // so nothing repaints.
    ChooseEffect(6);
    static_cast<CSkinColorBtn*>(window->Control(FyColour))->Choose(0x3366FF);
    ASSERT_TRUE(SpinUntil([this] { return KeyButton(KeyEsc)->FrameColour() == QColor(0x33, 0x66, 0xFF); }, 2000));
    PaintCounter counter;
    for (uint16_t id : KeyColourButtons())
        window->Button(id)->installEventFilter(&counter);
    // The change to the new colour repaints the keys once, whenever the
    // window gets round to it (under load, after this point); from then on
    // the ticks, one every 50 ms, paint nothing for six of them and more.
    bool quiet = false;
    QElapsedTimer waited;
    waited.start();
    while (!quiet && waited.elapsed() < 5000) {
        const int before = counter.paints;
        quiet = !SpinUntil([&] { return counter.paints != before; }, 300);
    }
    EXPECT_TRUE(quiet) << counter.paints << " paints, never 300 ms without one";

    // An effect without animation takes the overlays away.
    ChooseEffect(7);
    EXPECT_TRUE(SpinUntil([this] { return Overlaid() == 0u; })) << Overlaid();
    for (uint16_t id : KeyColourButtons())
        window->Button(id)->removeEventFilter(&counter);
}

TEST_F(LightingWindowTest, ConnectionShowsTheActiveProfilesLightingAndSendsItsKeyColours)
{
    // Profile 1 active: effect 17, brightness 2, speed 1, direction 0xFF,
    // multicolour off, colour (10, 20, 30), report rate 7, colour choice 2.
    PrepareKeyboard(1, {});
    PrepareRecord(1, 0, {17, 2, 1, 0xFF, 0, 10, 20, 30});
    PrepareRecord(1, 15, {7, 0, 2});
    Start();

    EXPECT_EQ(window->ViewedProfile(), 1);
    EXPECT_EQ(List(EffectList)->currentText().toStdString(), LoadModeText("17"));
    EXPECT_EQ(List(EffectList)->count(), 19);
    const auto* brightness = static_cast<CBitmapSlider*>(window->Control(BrightnessSlider));
    const auto* speed = static_cast<CBitmapSlider*>(window->Control(SpeedSlider));
    EXPECT_EQ(brightness->Position(), 2);
    EXPECT_EQ(speed->Position(), 4) << "speed 1 shows at position 5 - 1";
    EXPECT_EQ(Picture(Green), QStringLiteral("lvok.bmp"));
    EXPECT_EQ(Picture(DirectionLeft), QStringLiteral("leftdown.bmp"));
    EXPECT_EQ(Picture(HxSwitch), QStringLiteral("sjsup.bmp"));
    EXPECT_EQ(static_cast<CSkinColorBtn*>(window->Control(HxColour))->Colour(), QColor(10, 20, 30));
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(window->Button(Report[n])->IsMarked(), n == 3) << n;
    // The keyboard keeps its rate 7 until a report button is clicked.
    EXPECT_EQ(Record(1, 15, 1), std::vector<uint8_t>{7});

    // The keyboard offers effect 20: the viewed profile's user modes were
    // read and their colours sent (one group of eight frames).
    EXPECT_EQ(List(UserModeList)->count(), 3);
    EXPECT_EQ(List(UserModeList)->itemText(0).toStdString(), ReadModeName(1, 0));
    const Colour escColour = TableColour(1, 0);
    EXPECT_EQ(KeyboardColour(1, 0), (std::vector<uint8_t>{RedOf(escColour), GreenOf(escColour), BlueOf(escColour)}));
}

TEST_F(LightingWindowTest, ControlsWriteTheViewedProfilesRecord)
{
    PrepareKeyboard(2, {});
    Start();
    window->OpenMainWindow();
    window->SetLightingView(true);
    kb->ClearFrameLog();

    // A click on the speed slider's second position: speed 5 - 1 = 4.
    auto* speed = static_cast<CBitmapSlider*>(window->Control(SpeedSlider));
    Click(speed, QPoint(speed->width() * 3 / 12, speed->height() / 2));
    EXPECT_EQ(speed->Position(), 1);
    EXPECT_EQ(Record(2, 2, 1), std::vector<uint8_t>{4});
    EXPECT_EQ(speed->TrackPicture().cacheKey(), window->Images().Pixmap(QStringLiteral("7.bmp")).cacheKey());

    // A colour from the chooser's first swatch turns multicolour off.
    static_cast<QAbstractButton*>(window->Control(HxColour))->click();
    ASSERT_TRUE(window->ColourChooser()->isVisible());
    window->ColourChooser()->ChooseSwatch(0);
    const QImage swatch = window->Images().Image(QStringLiteral("Color1.bmp"));
    const QColor expected = swatch.pixelColor(swatch.width() / 2, swatch.height() / 2);
    EXPECT_EQ(Record(2, 4, 4), (std::vector<uint8_t>{0, static_cast<uint8_t>(expected.red()),
                                                     static_cast<uint8_t>(expected.green()),
                                                     static_cast<uint8_t>(expected.blue())}));
    EXPECT_EQ(Picture(HxSwitch), QStringLiteral("sjsup.bmp"));
    EXPECT_EQ(static_cast<CSkinColorBtn*>(window->Control(FyColour))->Colour(), expected);

    window->Button(HxSwitch)->click();
    EXPECT_EQ(Record(2, 4, 1), std::vector<uint8_t>{1});
    window->Button(Report[2])->click();
    EXPECT_EQ(Record(2, 15, 1), std::vector<uint8_t>{2});
    EXPECT_TRUE(window->Button(Report[2])->IsMarked());
    EXPECT_FALSE(window->Button(Report[0])->IsMarked());
    window->Button(DirectionLeft)->click();
    EXPECT_EQ(Record(2, 3, 1), std::vector<uint8_t>{0xFF});
    // Nothing reached the other profiles.
    EXPECT_EQ(Record(0, 0, 8), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(LightingWindowTest, KeyPressesPaintOnlyInTheUserEffect)
{
    PrepareKeyboard(0, {});
    Start();
    window->SetLightingView(true);
    ChooseEffect(5);
    kb->ClearFrameLog();
    KeyButton(KeyEsc)->click();
    EXPECT_EQ(CountRequests(CmdWriteKeyColors), 0u) << "effect 5 is not the user-defined one";

    ChooseEffect(20);
    g_userModes.tools = UserTools{0, MakeColour(0, 0, 0), MakeColour(0x12, 0x34, 0x56)};
    kb->ClearFrameLog();
    KeyButton(KeyEsc)->click();
    window->Button(MacroKeyButtons[2])->click(); // G3
    window->Button(MainControl::Fn)->click();
    EXPECT_EQ(CountRequests(CmdWriteKeyColors), 3u);
    for (int index : {0, 125, 110})
        EXPECT_EQ(KeyboardColour(0, index), (std::vector<uint8_t>{0x12, 0x34, 0x56})) << index;
    for (uint16_t g : MacroKeyButtons)
        EXPECT_EQ(window->Button(g)->FrameColour(), QColor(0x12, 0x34, 0x56)) << g;
    EXPECT_EQ(ReadKeyColour(0, g_userModes.userMode, 110), (KeyColourEntry{MakeColour(0x12, 0x34, 0x56), 0}));

    // The base colour button recolours what was painted with the base tool.
    window->Button(1165)->click(); // tool 2: the base colour
    KeyButton(KeyQ)->click();
    auto* base = static_cast<CSkinColorBtn*>(window->Control(UserBase));
    base->Choose(0x00FF00);
    EXPECT_EQ(KeyboardColour(0, 43), (std::vector<uint8_t>{0, 0xFF, 0}));
    EXPECT_EQ(KeyButton(KeyQ)->FrameColour(), QColor(0, 255, 0));
    EXPECT_EQ(KeyboardColour(0, 0), (std::vector<uint8_t>{0x12, 0x34, 0x56})) << "Esc was painted with the paint colour";

    // The macro button is no key: it opens the key function editor for G9
    // in either view, and paints nothing.
    kb->ClearFrameLog();
    window->Button(MainControl::Macro)->click();
    EXPECT_EQ(CountRequests(CmdWriteKeyColors), 0u);
    EXPECT_TRUE(window->IsKeyEditorOpen());
    window->CloseKeyEditor();
}

// Colours the keyboard refused stay off the picture, and the owner is told.
TEST_F(LightingWindowTest, ColoursTheKeyboardRefusedAreNotShown)
{
    PrepareKeyboard(0, {});
    Start();
    window->SetLightingView(true);
    ChooseEffect(20);
    g_userModes.tools = UserTools{1, MakeColour(0, 0, 200), MakeColour(0x12, 0x34, 0x56)};
    KeyButton(KeyQ)->click(); // the base colour
    ASSERT_EQ(KeyButton(KeyQ)->FrameColour(), QColor(0, 0, 200));
    window->Button(1164)->click(); // tool 1: the paint colour
    ASSERT_TRUE(prompts.messages.empty());

    kb->RefuseNextRequestsOf(CmdWriteKeyColors, StatusRefused);
    KeyButton(KeyQ)->click();
    EXPECT_EQ(KeyButton(KeyQ)->FrameColour(), QColor(0, 0, 200));
    EXPECT_EQ(KeyboardColour(0, 43), (std::vector<uint8_t>{0, 0, 200}));
    EXPECT_EQ(prompts.messages, std::vector<std::string>{LoadText("MAIN_KEY_COLOUR_NOT_TAKEN")});

    prompts.ClearMessages();
    kb->RefuseNextRequestsOf(CmdWriteKeyColors, StatusRefused);
    auto* base = static_cast<CSkinColorBtn*>(window->Control(UserBase));
    base->Choose(0x00FF00);
    EXPECT_EQ(base->Colour(), QColor(0, 0, 200));
    EXPECT_EQ(KeyButton(KeyQ)->FrameColour(), QColor(0, 0, 200));
    EXPECT_EQ(KeyboardColour(0, 43), (std::vector<uint8_t>{0, 0, 200}));
    EXPECT_EQ(prompts.messages, std::vector<std::string>{LoadText("MAIN_BASE_COLOUR_NOT_TAKEN")});
}

TEST_F(LightingWindowTest, LosingTheKeyboardClosesAnOpenColourChooser)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    window->SetLightingView(true);
    static_cast<QAbstractButton*>(window->Control(HxColour))->click();
    ASSERT_TRUE(window->ColourChooser()->isVisible());
    kb->Unplug();
    ASSERT_TRUE(SpinUntil([this] { return ConnectionHandled(0); }));
    EXPECT_FALSE(window->ColourChooser()->isVisible());
}

TEST_F(LightingWindowTest, UserModesAreChosenAndRenamedFromTheirList)
{
    PrepareKeyboard(0, {});
    Start();
    window->SetLightingView(true);
    ChooseEffect(20);
    QComboBox* modes = List(UserModeList);
    ASSERT_EQ(modes->count(), 3);
    modes->setCurrentIndex(2);
    emit modes->activated(2);
    EXPECT_EQ(ReadUserMode(0), 2);
    const Colour esc = ReadKeyColour(0, 2, 0).colour;
    EXPECT_EQ(KeyboardColour(0, 0), (std::vector<uint8_t>{RedOf(esc), GreenOf(esc), BlueOf(esc)}));
    EXPECT_EQ(KeyButton(KeyEsc)->FrameColour(), QColor(RedOf(esc), GreenOf(esc), BlueOf(esc)));

    const std::string first = ReadModeName(0, 0);
    modes->lineEdit()->setText(QString());
    Type(modes->lineEdit(), QStringLiteral("Night"));
    EXPECT_EQ(ReadModeName(0, 2), "Night");
    EXPECT_EQ(modes->itemText(2), QStringLiteral("Night"));
    EXPECT_EQ(ReadModeName(0, 0), first);
}

TEST_F(LightingWindowTest, RestoreDefaultsInTheLightingViewWritesTheFactoryRecord)
{
    PrepareKeyboard(0, {});
    PrepareRecord(0, 0, {6, 1, 5, 0xFF, 0, 1, 2, 3});
    PrepareRecord(0, 15, {3, 0, 2});
    Start();
    window->SetLightingView(true);
    // The viewed profile's user mode file was painted over.
    ASSERT_TRUE(WriteFileAtomically(UserModeFilePath(0), std::string("[Mode0]\n0=1,1,1,0\n")));
    IniCache::Instance().Clear();
    prompts.answerYes = true;
    window->Button(MainControl::Defaults)->click();

    const std::vector<uint8_t> factory = {1, 4, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                          0, 0, 0, 0, 0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Record(0, 0, 35), factory);
    std::string preset;
    ASSERT_TRUE(ReadWholeFile(g_paths.presetPrefix + "3.userd", preset, 1 << 20));
    std::string file;
    ASSERT_TRUE(ReadWholeFile(UserModeFilePath(0), file, 1 << 20));
    EXPECT_EQ(file, preset);
    // Like the Profile1 button, restore ends with profile 1 shown and the
    // lighting view off.
    EXPECT_EQ(window->ViewedProfile(), 0);
    EXPECT_FALSE(window->IsLightingView());
    EXPECT_EQ(static_cast<CBitmapSlider*>(window->Control(BrightnessSlider))->Position(), 4);
}

TEST_F(LightingWindowTest, RestoreDefaultsOutsideTheLightingViewLeavesTheLightingAlone)
{
    PrepareKeyboard(0, {});
    PrepareRecord(0, 0, {6, 1, 5});
    Start();
    prompts.answerYes = true;
    window->Button(MainControl::Defaults)->click();
    EXPECT_EQ(Record(0, 0, 3), (std::vector<uint8_t>{6, 1, 5}));
    EXPECT_EQ(CountRequests(CmdWriteParams), 0u);
}

TEST_F(LightingWindowTest, LightingNoticeReloadsWhatTheKeyboardChangedOnItsOwn)
{
    PrepareKeyboard(0, {});
    Start(true);
    ASSERT_EQ(List(EffectList)->currentText().toStdString(), LoadModeText("1"));
    // The owner presses the keyboard's effect key, from the tray as with
    // --virtual-keyboard.
    window->OnTrayCommand(CmdVkEffectKey);
    ASSERT_TRUE(SpinUntil([this] { return List(EffectList)->currentText().toStdString() == LoadModeText("2"); }));
    EXPECT_EQ(g_lighting.effectCode, 2);
    EXPECT_EQ(CountRequests(CmdWriteParams), 0u) << "a reload writes nothing";
}

TEST_F(LightingWindowTest, ResetNoticeRestoresEveryProfilesUserModesWithoutAsking)
{
    PrepareKeyboard(1, {{1, KeyEsc, AssignKey, KeyA}});
    PrepareRecord(1, 0, {9});
    Start();
    window->SetLightingView(true);
    for (int p = 0; p < 3; ++p)
        ASSERT_TRUE(WriteFileAtomically(UserModeFilePath(p), "[PRESENTMODE]\nmode=2\n"));
    IniCache::Instance().Clear();

    bool reset = false;
    QObject::connect(window.get(), &CVarkelinDlg::traced, window.get(),
                     [&reset](const QString& line) { reset = reset || line == QLatin1String("keyboard-reset"); });
    kb->SendNotice(0x0402); // the keyboard is back to its factory memories
    ASSERT_TRUE(SpinUntil([&reset] { return reset; }));
    EXPECT_FALSE(window->IsApplyEnabled()) << "the document follows the keyboard: nothing to apply";
    ASSERT_TRUE(SpinUntil([] { return g_lighting.effectCode == 1; }));
    std::string preset;
    ASSERT_TRUE(ReadWholeFile(g_paths.presetPrefix + "3.userd", preset, 1 << 20));
    for (int p = 0; p < 3; ++p) {
        std::string file;
        ASSERT_TRUE(ReadWholeFile(UserModeFilePath(p), file, 1 << 20));
        EXPECT_EQ(file, preset) << p;
    }
    EXPECT_TRUE(prompts.questions.empty()) << "the reset is not undone by a question";
    EXPECT_EQ(DocumentSlot(1, KeyEsc).Type(), AssignDefault);
    EXPECT_FALSE(window->IsLightingView());
    EXPECT_EQ(window->ViewedProfile(), 0);
    EXPECT_EQ(List(UserModeList)->count(), 10);
    EXPECT_EQ(List(EffectList)->currentText().toStdString(), LoadModeText("1"));
}

TEST_F(LightingWindowTest, LanguageSwitchRetextsTheLightingPanel)
{
    PrepareKeyboard(0, {});
    Start();
    auto label = [this](int id) { return static_cast<QLabel*>(window->Control(id))->text().toStdString(); };
    EXPECT_EQ(label(BrightnessLabel), LoadLightText("Light", 0));
    EXPECT_EQ(List(EffectList)->currentText().toStdString(), LoadModeText("1", 0));
    EXPECT_EQ(window->Button(Report[0])->TooltipText().toStdString(), LoadText("MAIN_REPORT_RATE1", 0));
    // Another program changes the effect; no notice tells the window.
    KeyboardMemories m = kb->Memories();
    m.params[0] = 5;
    kb->SetMemories(m);
    kb->ClearFrameLog();

    auto* languages = static_cast<QComboBox*>(window->Control(MainControl::LanguageList));
    languages->setCurrentIndex(1);
    emit languages->activated(1);
    EXPECT_EQ(label(BrightnessLabel), LoadLightText("Light", 1));
    EXPECT_NE(label(BrightnessLabel), LoadLightText("Light", 0));
    EXPECT_EQ(label(ReportLabel), LoadLightText("Usb", 1));
    EXPECT_EQ(List(EffectList)->itemText(FindEffectIndex(20)).toStdString(), LoadModeText("20", 1));
    EXPECT_EQ(window->Button(Report[3])->TooltipText().toStdString(), LoadText("MAIN_REPORT_RATE4", 1));
    // The switch reads the keyboard's lighting again, and writes nothing.
    EXPECT_EQ(List(EffectList)->currentText().toStdString(), LoadModeText("5", 1));
    EXPECT_EQ(g_lighting.effectCode, 5);
    EXPECT_EQ(CountRequests(CmdReadParams), 3u);
    EXPECT_EQ(CountRequests(CmdWriteParams) + CountRequests(CmdWriteKeyColors) + CountRequests(CmdWriteKeyMap), 0u);
}

// The keyboard's effect key (or rt604ctl and its notice) takes the keyboard
// away from the user-defined effect: the keys the new effect's preview does
// not paint lose their custom colours too.
TEST_F(LightingWindowTest, AReloadAwayFromTheUserEffectTakesItsKeyColoursOffThePicture)
{
    PrepareKeyboard(0, {});
    PrepareRecord(0, 0, {20});
    Start(true);
    window->OpenMainWindow();
    window->SetLightingView(true);
    ASSERT_EQ(g_lighting.effectCode, 20);
    ASSERT_EQ(Overlaid(), KeyColourButtons().size());

    window->OnTrayCommand(CmdVkEffectKey);
    ASSERT_TRUE(SpinUntil([] { return g_lighting.effectCode != 20; }));
    SpinUntil([] { return false; }, 200); // a few preview steps
    ASSERT_TRUE(window->IsPreviewRunning());
    for (uint16_t g : MacroKeyButtons)
        EXPECT_FALSE(window->Button(g)->IsFrameOn()) << g;
    EXPECT_FALSE(window->Button(RightWin)->IsFrameOn());

    // And back: the custom colours return.
    KeyboardMemories m = kb->Memories();
    m.params[0] = 20;
    kb->SetMemories(m);
    kb->SendNotice(0x0401);
    ASSERT_TRUE(SpinUntil([] { return g_lighting.effectCode == 20; }));
    EXPECT_EQ(Overlaid(), KeyColourButtons().size());
}

// Codes the keyboard offers beyond the effect table (19, above 20) have a
// name in the list; choosing one writes nothing and shows no group, while
// the list stays to choose another effect.
TEST_F(LightingWindowTest, EffectsWithoutARowAreNamedAndShowNoGroup)
{
    VirtualKeyboardOptions options;
    options.effectCodes = std::array<uint8_t, 32>{1, 19, 0xFE, 5, 21, 20};
    kb = std::make_unique<VirtualKeyboard>(options);
    SetHidBackend(kb.get());
    PrepareKeyboard(0, {});
    PrepareRecord(0, 0, {21});
    Start();
    window->SetLightingView(true);
    const std::vector<std::string> names = {"Wave", "Effect 19", "Breathing", "Effect 21", "Custom"};
    ASSERT_EQ(List(EffectList)->count(), 5);
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(List(EffectList)->itemText(n).toStdString(), names[static_cast<size_t>(n)]);
    EXPECT_EQ(List(EffectList)->currentIndex(), 3) << "the record's code 21 is shown by its name";
    const std::vector<std::vector<int>> groups = {Brightness, Speed, Direction, Hx, Fy, FourColours, User};
    auto noGroup = [&] {
        return std::all_of(groups.begin(), groups.end(), [&](const std::vector<int>& g) { return NoneShown(g); });
    };
    EXPECT_TRUE(noGroup());
    EXPECT_TRUE(Shown(EffectList));

    ChooseEffect(5);
    EXPECT_TRUE(AllShown(Brightness) && AllShown(Hx));
    kb->ClearFrameLog();
    ChooseEffect(19);
    EXPECT_EQ(CountRequests(CmdWriteParams), 0u);
    EXPECT_TRUE(noGroup());
    EXPECT_TRUE(Shown(EffectList)) << "another effect can still be chosen";

    SetLanguageIndex(1);
    window->HandleMessage(0x5041, 0x4C414E47, 1);
    EXPECT_EQ(List(EffectList)->itemText(1).toStdString(), LoadModeText("19", 1));
    EXPECT_EQ(List(EffectList)->itemText(3).toStdString(), FormatText(LoadText("MAIN_EFFECT_NUMBER", 1), "21"));
    EXPECT_FALSE(List(EffectList)->itemText(3).isEmpty());
}

// Turning the view on asks SelectProfile first; refused (here: the key
// function editor is open), the window stays in the key view throughout:
// the flag, the switch, the groups, the setting and what a key press does.
TEST_F(LightingWindowTest, ViewSwitchRefusedBySelectProfileLeavesTheKeyView)
{
    PrepareKeyboard(0, {{0, KeyEsc, AssignKey, KeyA}});
    Start();
    window->OpenMainWindow();
    window->EditKey(ControlOf(KeyQ));
    ASSERT_TRUE(window->IsKeyEditorOpen());
    kb->ClearFrameLog();

    window->SetLightingView(true);
    EXPECT_FALSE(window->IsLightingView());
    EXPECT_EQ(prompts.messages, std::vector<std::string>{LoadText("PROFILE_SEELCT_PROMPT2")});
    EXPECT_EQ(Picture(ViewSwitch), QStringLiteral("dengup.bmp"));
    EXPECT_FALSE(Shown(EffectList));
    EXPECT_TRUE(NoneShown(Brightness) && NoneShown(Hx));
    EXPECT_EQ(UserIni().find("DengCheck=1"), std::string::npos);
    EXPECT_FALSE(window->IsPreviewRunning());
    EXPECT_TRUE(kb->Requests().empty());

    window->CloseKeyEditor();
    EXPECT_TRUE(KeyButton(KeyEsc)->IsMarked()) << "the key functions stay shown";
    KeyButton(KeyEsc)->click();
    EXPECT_TRUE(window->IsKeyEditorOpen()) << "a key press edits the key";
    window->CloseKeyEditor();
}

} // namespace
