#include "macro/MacroRecorder.h"

#include "macro/MacroList.h"

#include <gtest/gtest.h>

namespace {

// Feeds key events to a recorder and adds what it records to an event list,
// as the editor does.
struct Recording {
    explicit Recording(bool delays, uint64_t start = 1000) : recordDelays(delays) { recorder.Start(start); }

    bool Key(uint16_t code, bool released, uint64_t at, bool repeat = false, uint64_t stamp = 0)
    {
        const RecordStep step = recorder.OnKey(code, released, repeat, at, stamp);
        if (step.retractRelease && RetractRecordedEvent(rows, lastRelease))
            selected = lastRelease - 1;
        lastRelease = -1;
        for (const RecordedEvent& e : step.events) {
            selected = AddRecordedEvent(rows, selected, e, recordDelays);
            lastRelease = e.direction == MacroReleased ? selected : -1;
        }
        return step.passOn;
    }

    MacroRecorder recorder;
    std::vector<MacroEvent> rows;
    int selected = -1;
    int lastRelease = -1;
    bool recordDelays;
};

} // namespace

TEST(MacroRecorder, MeasuredPausesFollowTheirEvents)
{
    Recording r(true);
    r.Key(30, false, 1500); // the pause before the first key is dropped
    r.Key(30, true, 1620);
    r.Key(48, false, 1820);
    r.Key(48, true, 1900);
    const std::vector<MacroEvent> expected = {
        {120, 30, MacroPressed}, {200, 30, MacroReleased}, {80, 48, MacroPressed}, {0, 48, MacroReleased}};
    EXPECT_EQ(r.rows, expected);
}

TEST(MacroRecorder, HoldingAKeyRecordsOnePressAndOneRelease)
{
    // How a held key's repeats arrive: X11 (and Qt's own repeats on Wayland)
    // send a release/press pair, both marked, but Qt on X11 leaves a pair
    // unmarked when the press was not yet queued behind the release (the
    // server stamps both halves alike); some systems send marked presses
    // only, or presses of a key already down without a mark.
    enum class Repeats { MarkedPairs, SomePairsUnmarked, MarkedPresses, UnmarkedPresses };
    const struct {
        const char* what;
        Repeats repeats;
    } cases[] = {
        {"release/press pairs, both marked", Repeats::MarkedPairs},
        {"every third pair unmarked, stamped alike", Repeats::SomePairsUnmarked},
        {"marked presses", Repeats::MarkedPresses},
        {"unmarked presses of a key already down", Repeats::UnmarkedPresses},
    };
    for (const auto& c : cases) {
        for (uint16_t code : {uint16_t{30}, uint16_t{311}}) {
            Recording r(true);
            const uint64_t serverTime = 7'000'000;
            r.Key(code, false, 1000, false, serverTime);
            // 1.5 s held: the first repeat after 660 ms, then 25 a second;
            // the events reach the recorder a few ms apart.
            int pair = 0;
            for (uint64_t t = 1660; t < 2500; t += 40, ++pair) {
                const uint64_t stamp = serverTime + t - 1000;
                switch (c.repeats) {
                case Repeats::MarkedPairs:
                case Repeats::SomePairsUnmarked: {
                    const bool marked = c.repeats == Repeats::MarkedPairs || pair % 3 != 1;
                    r.Key(code, true, t, marked, stamp);
                    r.Key(code, false, t + 3, marked, stamp);
                    break;
                }
                case Repeats::MarkedPresses: r.Key(code, false, t, true, stamp); break;
                case Repeats::UnmarkedPresses: r.Key(code, false, t, false, stamp); break;
                }
            }
            r.Key(code, true, 2500, false, serverTime + 1500);
            const std::vector<MacroEvent> expected = {{1500, code, MacroPressed}, {0, code, MacroReleased}};
            EXPECT_EQ(r.rows, expected) << c.what << ", key " << code;
        }
    }
}

TEST(MacroRecorder, QuickStrokesOfOneKeyAreAllRecorded)
{
    // Strokes stamped apart, and events without stamps (0), are real ones
    // however close they come.
    for (uint64_t stamp : {uint64_t{0}, uint64_t{5000}}) {
        Recording r(false);
        r.Key(30, false, 1000, false, stamp);
        r.Key(30, true, 1030, false, stamp == 0 ? 0 : stamp + 30);
        r.Key(30, false, 1031, false, stamp == 0 ? 0 : stamp + 31);
        r.Key(30, true, 1060, false, stamp == 0 ? 0 : stamp + 60);
        EXPECT_EQ(r.rows.size(), 4u) << "stamp " << stamp;
    }
    // A press stamped like the release of another key is a stroke of its own.
    Recording r(true);
    r.Key(30, false, 1000, false, 5000);
    r.Key(30, true, 1100, false, 5100);
    r.Key(48, false, 1100, false, 5100);
    r.Key(48, true, 1200, false, 5200);
    const std::vector<MacroEvent> expected = {
        {100, 30, MacroPressed}, {0, 30, MacroReleased}, {100, 48, MacroPressed}, {0, 48, MacroReleased}};
    EXPECT_EQ(r.rows, expected);
}

TEST(MacroRecorder, KeysDownWhenTheKeyboardGoesElsewhereAreReleased)
{
    Recording r(true);
    r.Key(42, false, 1000);
    r.Key(30, false, 1100);
    const RecordStep step = r.recorder.ReleaseHeldKeys(1400);
    for (const RecordedEvent& e : step.events)
        r.selected = AddRecordedEvent(r.rows, r.selected, e, true);
    // Back in the window, A is pressed afresh and released.
    r.Key(30, false, 2000);
    r.Key(30, true, 2100);
    // The releases come 300 ms after the last key, together.
    const std::vector<MacroEvent> expected = {{100, 42, MacroPressed}, {300, 30, MacroPressed},
                                              {0, 30, MacroReleased},  {600, 42, MacroReleased},
                                              {100, 30, MacroPressed}, {0, 30, MacroReleased}};
    EXPECT_EQ(r.rows, expected);
}

TEST(MacroRecorder, WithoutRecordedDelaysEveryEventGetsFiftyIncludingAnInsertedPress)
{
    Recording r(false);
    r.Key(30, false, 1003);
    r.Key(30, true, 1777);
    r.Key(311, true, 9000); // its press never arrived
    ASSERT_EQ(r.rows.size(), 4u);
    for (size_t i = 0; i + 1 < r.rows.size(); ++i)
        EXPECT_EQ(r.rows[i].delay, FixedRecordDelay) << "row " << i;
    EXPECT_EQ(r.rows[2], (MacroEvent{FixedRecordDelay, 311, MacroPressed}));
    EXPECT_EQ(r.rows[3].keyCode, 311);
    EXPECT_EQ(r.rows[3].direction, MacroReleased);
}

TEST(MacroRecorder, APressIsInsertedOnlyWhereTheReleaseCameAlone)
{
    Recording r(true);
    // Print Screen reported with both: exactly one press and one release.
    r.Key(311, false, 1100);
    r.Key(311, true, 1180);
    // A release alone (a key the system reports only so): a press first,
    // which takes the pause since the last key, then the release 2 ms later.
    r.Key(113, true, 1500);
    const std::vector<MacroEvent> expected = {{80, 311, MacroPressed},
                                              {320, 311, MacroReleased},
                                              {SyntheticPressDelay, 113, MacroPressed},
                                              {0, 113, MacroReleased}};
    EXPECT_EQ(r.rows, expected);
}

TEST(MacroRecorder, MediaAndUnknownKeysPassOnUnrecorded)
{
    Recording r(true);
    EXPECT_TRUE(r.Key(304, false, 1100));
    EXPECT_TRUE(r.Key(304, true, 1150));
    EXPECT_TRUE(r.Key(0, false, 1200));
    EXPECT_FALSE(r.Key(347, false, 1300));
    EXPECT_FALSE(r.Key(347, true, 1400));
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.rows[0], (MacroEvent{100, 347, MacroPressed}));
}

TEST(MacroRecorder, AFullListTakesNothingMore)
{
    Recording r(true);
    r.rows.assign(MaxMacroEvents, MacroEvent{10, 30, MacroPressed});
    r.selected = 17;
    r.Key(48, false, 1100);
    r.Key(48, true, 1200);
    EXPECT_EQ(r.rows.size(), static_cast<size_t>(MaxMacroEvents));
    EXPECT_EQ(r.rows[17], (MacroEvent{10, 30, MacroPressed}));
}

TEST(MacroRecorder, PausesStayWithinWhatAnEditorAccepts)
{
    Recording r(true);
    r.Key(30, false, 1000);
    r.Key(30, true, 1000 + 3'600'000); // an hour later
    r.Key(48, false, 500);              // a clock that went back
    ASSERT_EQ(r.rows.size(), 3u);
    EXPECT_EQ(r.rows[0].delay, MaxMacroDelay);
    EXPECT_EQ(r.rows[1].delay, 0u);
}

TEST(MacroRecorder, NothingIsRecordedOnceStopped)
{
    Recording r(true);
    r.recorder.Stop();
    EXPECT_FALSE(r.Key(30, false, 1100));
    EXPECT_TRUE(r.rows.empty());
    EXPECT_FALSE(r.recorder.IsRecording());
}

TEST(MacroRecorder, RecordedEventsGoAfterTheSelectedOne)
{
    Recording r(true);
    r.rows = {{500, 30, MacroPressed}, {700, 30, MacroReleased}};
    r.selected = 0;
    r.Key(48, false, 1040);
    const std::vector<MacroEvent> expected = {{40, 30, MacroPressed}, {500, 48, MacroPressed}, {700, 30, MacroReleased}};
    EXPECT_EQ(r.rows, expected);
    EXPECT_EQ(r.selected, 1);
}
