#include "MainWindowTestSupport.h"

#include "assign/KeyAssignment.h"

#include <QLabel>
#include <QTimer>

TEST_F(MainWindowTest, ApplyWithNothingPendingSendsNothing)
{
    PrepareKeyboard(0, {});
    Start();
    ASSERT_FALSE(window->IsApplyEnabled());

    EXPECT_EQ(window->RunApply(), 1);
    EXPECT_TRUE(kb->Requests().empty());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MainWindowTest, OkAppliesAndHidesCancelOnlyHides)
{
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    ASSERT_TRUE(window->isVisible());
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);

    window->Button(MainControl::Cancel)->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->IsApplyEnabled());
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), FactoryEntry(KeyEsc));

    window->OpenMainWindow();
    window->Button(MainControl::Ok)->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{0, 0, 0}));
}

TEST_F(MainWindowTest, ApplyFailureKeepsApplyEnabled)
{
    PrepareKeyboard(0, {});
    Start();
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    kb->RefuseNextRequests(0xFE, 1000);

    EXPECT_EQ(window->RunApply(), 0);
    EXPECT_TRUE(window->IsApplyEnabled());
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), FactoryEntry(KeyEsc));
}

// The busy picture appears about the show delay after the Apply starts, stays
// until about the hide delay after it ends, and moves meanwhile: the window
// keeps handling its events while the keyboard is written.
TEST_F(MainWindowTest, BusyPictureRunsWhileTheApplyWritesAndTheWindowStaysResponsive)
{
    constexpr int ShowDelayMs = 40;
    constexpr int HideDelayMs = 60;
    SetApplyShowDelay(std::chrono::milliseconds(ShowDelayMs));
    SetBusyHideDelay(std::chrono::milliseconds(HideDelayMs));
    PrepareKeyboard(0, {});
    Start();
    window->OpenMainWindow();
    QWidget* picture = window->Control(MainControl::Progress);
    ASSERT_NE(picture, nullptr);
    ASSERT_FALSE(picture->isVisible());
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    // A slow keyboard: every report costs a few milliseconds on the bus.
    kb->SetReportLatency(std::chrono::microseconds(8000));

    QElapsedTimer clock;
    qint64 shownAt = -1;
    qint64 hiddenAt = -1;
    int ticksDuringApply = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++ticksDuringApply;
        if (shownAt < 0 && picture->isVisible())
            shownAt = clock.elapsed();
    });
    probe.start(5);
    clock.start();
    const int framesBefore = window->ProgressFrame();
    ASSERT_EQ(window->RunApply(), 1);
    const qint64 endedAt = clock.elapsed();
    const int framesAtEnd = window->ProgressFrame();
    probe.stop();
    ASSERT_TRUE(SpinUntil([&] { return !picture->isVisible(); }));
    hiddenAt = clock.elapsed();

    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{0, 0, 0}));
    ASSERT_GT(endedAt, ShowDelayMs + 100) << "the Apply must last long enough to watch";
    ASSERT_GE(shownAt, 0) << "the picture was not shown while the Apply ran";
    EXPECT_GE(shownAt, ShowDelayMs - 5);
    EXPECT_LT(shownAt, ShowDelayMs + 200); // generous: the machine may be busy
    EXPECT_GE(hiddenAt, endedAt + HideDelayMs - 5);
    EXPECT_GT(ticksDuringApply, 5);
    EXPECT_NE(framesAtEnd, framesBefore);
    auto* label = qobject_cast<QLabel*>(picture);
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(label->pixmap().isNull());
    EXPECT_FALSE(window->IsApplyEnabled());
}

// The Apply's worker reaches the window through a link of its own: the rest
// of the program (device messages, the editors) keeps seeing the window's
// link while the keyboard is written, and the Apply still clears the flag.
TEST_F(MainWindowTest, TheProgramsWindowLinkStaysTheWindowsWhileTheApplyRuns)
{
    PrepareKeyboard(0, {});
    Start();
    ASSERT_EQ(&MainWindow(), link.get());
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    kb->SetReportLatency(std::chrono::microseconds(8000));

    int looksDuringApply = 0;
    int otherLinks = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!window->IsApplying())
            return;
        ++looksDuringApply;
        if (&MainWindow() != link.get())
            ++otherLinks;
    });
    probe.start(5);
    ASSERT_EQ(window->RunApply(), 1);
    probe.stop();

    ASSERT_GT(looksDuringApply, 3) << "the Apply must last long enough to watch";
    EXPECT_EQ(otherLinks, 0);
    EXPECT_EQ(&MainWindow(), link.get());
    EXPECT_FALSE(window->IsApplyEnabled());
    EXPECT_EQ(KeyboardEntry(0, KeyEsc), (KeyMapEntry{0, 0, 0}));
}

// A wait that starts while another waits for the same Apply (a device
// message handled during the Apply) and the outer wait both return once it
// ends; what ends with it runs once.
TEST_F(MainWindowTest, WaitsNestedInTheApplyAllReturnWhenItEnds)
{
    PrepareKeyboard(0, {});
    Start();
    ASSERT_EQ(StoreKeyAssignment(KeyCodeToIndex(KeyEsc), AssignDisabled, 0, 0), 1);
    kb->SetReportLatency(std::chrono::microseconds(8000));

    bool nestedWaited = false;
    bool applyingAfterNestedWait = true;
    QTimer::singleShot(20, window.get(), [&] {
        if (!window->IsApplying())
            return;
        nestedWaited = true;
        window->WaitForApply();
        applyingAfterNestedWait = window->IsApplying();
    });
    ASSERT_EQ(window->RunApply(), 1);

    ASSERT_TRUE(nestedWaited) << "the Apply must last long enough to wait within it";
    EXPECT_FALSE(applyingAfterNestedWait);
    EXPECT_FALSE(window->IsApplying());
    EXPECT_FALSE(window->IsApplyEnabled());
}
