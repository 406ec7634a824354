#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "macro/MacroBlock.h"

// The pause every recorded event gets while delays are not recorded.
inline constexpr uint32_t FixedRecordDelay = 50;
// The pause between an inserted press and the release it stands before.
inline constexpr uint32_t SyntheticPressDelay = 2;

// One event to add to the event list, with the time since the event before it.
struct RecordedEvent {
    uint32_t rawDelay = 0;
    uint16_t keyCode = 0;
    uint16_t direction = MacroPressed;
};

// What one key event means to a recording.
struct RecordStep {
    // The event goes on to the desktop: key code 0 or a media key.
    bool passOn = false;
    // What to add, in order (nothing for an auto-repeat).
    std::vector<RecordedEvent> events;
    // The release added last was half of a repeat: take it back
    // (RetractRecordedEvent).
    bool retractRelease = false;
};

// The recording state of the editor (the recording flag, the time of the last
// recorded key and the keys seen pressed), and the rules that turn key events
// into macro events. Times are milliseconds of a monotonic clock.
class MacroRecorder {
public:
    void Start(uint64_t nowMs);
    void Stop();
    bool IsRecording() const { return recording_; }

    // A key event while recording. Media keys and unknown keys pass on.
    // Auto-repeated presses and releases, and presses of a key already down,
    // add nothing. A release whose press never arrived (some keys are
    // reported only as released) gets a press before it; where both arrive,
    // exactly one press and one release are recorded. Nothing happens while
    // not recording.
    // eventTime is the window system's time stamp of the event (0 for none):
    // a press stamped like the release of the same key just before it is the
    // second half of a repeat the window system did not mark, and that
    // release is taken back.
    RecordStep OnKey(uint16_t keyCode, bool released, bool autoRepeat, uint64_t nowMs, uint64_t eventTime = 0);
    // Releases for the keys still down, in key code order: the keyboard went
    // to another window, where their releases will arrive.
    RecordStep ReleaseHeldKeys(uint64_t nowMs);

private:
    bool recording_ = false;
    uint64_t lastTick_ = 0;
    std::set<uint16_t> down_;
    // The release recorded last, while no other event has followed it.
    struct LastRelease {
        uint16_t keyCode = 0;
        uint64_t eventTime = 0;
        uint64_t tickBefore = 0;
    } lastRelease_;
};

// Adds one recorded event to an event list: the pause is rawDelay when delays
// are recorded, else FixedRecordDelay; the event goes after selectedRow (at
// the end when none is selected) with the delay shifting of InsertMacroEvent.
// Returns the new row, or -1 when the list already holds 4000 events.
int AddRecordedEvent(std::vector<MacroEvent>& rows, int selectedRow, const RecordedEvent& event, bool recordDelays);

// Takes back the event AddRecordedEvent put at row: the event before it gets
// its pause back. False when there is no such row.
bool RetractRecordedEvent(std::vector<MacroEvent>& rows, int row);
