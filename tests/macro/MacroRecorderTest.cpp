#include "macro/MacroRecorder.h"

#include "macro/MacroEditing.h"

#include <gtest/gtest.h>

namespace {

// Feeds key events to a recorder and adds what it records to an event list,
// as the editor does.
struct Recording {
    explicit Recording(bool delays, uint64_t start = 1000) : recordDelays(delays) { recorder.Start(start); }

    bool Key(uint16_t code, bool released, uint64_t at, bool repeat = false)
    {
        const RecordStep step = recorder.OnKey(code, released, repeat, at);
        for (const RecordedEvent& e : step.events)
            selected = AddRecordedEvent(rows, selected, e, recordDelays);
        return step.passOn;
    }

    MacroRecorder recorder;
    std::vector<MacroEvent> rows;
    int selected = -1;
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
    // send a release/press pair, both marked; some systems send marked
    // presses only, or presses of a key already down without a mark.
    enum class Repeats { MarkedPairs, MarkedPresses, UnmarkedPresses };
    const struct {
        const char* what;
        Repeats repeats;
    } cases[] = {
        {"release/press pairs, both marked", Repeats::MarkedPairs},
        {"marked presses", Repeats::MarkedPresses},
        {"unmarked presses of a key already down", Repeats::UnmarkedPresses},
    };
    for (const auto& c : cases) {
        for (uint16_t code : {uint16_t{30}, uint16_t{311}}) {
            Recording r(true);
            r.Key(code, false, 1000);
            // 1.5 s held: the first repeat after 660 ms, then 25 a second.
            for (uint64_t t = 1660; t < 2500; t += 40) {
                if (c.repeats == Repeats::MarkedPairs)
                    r.Key(code, true, t, true);
                r.Key(code, false, t, c.repeats != Repeats::UnmarkedPresses);
            }
            r.Key(code, true, 2500);
            const std::vector<MacroEvent> expected = {{1500, code, MacroPressed}, {0, code, MacroReleased}};
            EXPECT_EQ(r.rows, expected) << c.what << ", key " << code;
        }
    }
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
