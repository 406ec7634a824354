#include "macro/MacroRecorder.h"

#include "keys/MediaTable.h"
#include "macro/MacroList.h"

#include <algorithm>
#include <limits>

void MacroRecorder::Start(uint64_t nowMs)
{
    recording_ = true;
    lastTick_ = nowMs;
    down_.clear();
    lastRelease_ = {};
}

void MacroRecorder::Stop()
{
    recording_ = false;
    down_.clear();
    lastRelease_ = {};
}

RecordStep MacroRecorder::OnKey(uint16_t keyCode, bool released, bool autoRepeat, uint64_t nowMs, uint64_t eventTime)
{
    RecordStep step;
    if (keyCode == 0 || IsMediaKeyCode(keyCode)) {
        step.passOn = true;
        return step;
    }
    if (!recording_)
        return step;
    // A held key comes back as release/press pairs, both marked as repeats
    // (X11, and Qt's own repeats on Wayland): neither half is a real stroke.
    if (autoRepeat || (!released && down_.count(keyCode) != 0))
        return step;
    // Qt on X11 marks a pair only when the press is already queued behind
    // the release; the server stamps both halves alike, which no two real
    // strokes are.
    if (!released && eventTime != 0 && lastRelease_.keyCode == keyCode && lastRelease_.eventTime == eventTime) {
        step.retractRelease = true;
        down_.insert(keyCode);
        lastTick_ = lastRelease_.tickBefore;
        lastRelease_ = {};
        return step;
    }
    lastRelease_ = {};
    // A clock that went backwards must not turn into a pause of 49 days.
    const uint64_t elapsed = nowMs >= lastTick_ ? nowMs - lastTick_ : 0;
    const uint32_t rawDelay = static_cast<uint32_t>(std::min<uint64_t>(elapsed, std::numeric_limits<uint32_t>::max()));
    const uint64_t tickBefore = lastTick_;
    lastTick_ = std::max(lastTick_, nowMs);
    if (!released) {
        down_.insert(keyCode);
        step.events.push_back({rawDelay, keyCode, MacroPressed});
        return step;
    }
    if (down_.erase(keyCode) == 0) {
        // The press never came: it takes the pause since the last key, and
        // the release follows it closely, as the key was really pressed then.
        step.events.push_back({rawDelay, keyCode, MacroPressed});
        step.events.push_back({SyntheticPressDelay, keyCode, MacroReleased});
        return step;
    }
    lastRelease_ = {keyCode, eventTime, tickBefore};
    step.events.push_back({rawDelay, keyCode, MacroReleased});
    return step;
}

RecordStep MacroRecorder::ReleaseHeldKeys(uint64_t nowMs)
{
    RecordStep step;
    lastRelease_ = {};
    if (!recording_)
        return step;
    for (uint16_t keyCode : down_) {
        const uint64_t elapsed = nowMs >= lastTick_ ? nowMs - lastTick_ : 0;
        step.events.push_back(
            {static_cast<uint32_t>(std::min<uint64_t>(elapsed, std::numeric_limits<uint32_t>::max())), keyCode,
             MacroReleased});
        lastTick_ = std::max(lastTick_, nowMs);
    }
    down_.clear();
    return step;
}

int AddRecordedEvent(std::vector<MacroEvent>& rows, int selectedRow, const RecordedEvent& event, bool recordDelays)
{
    MacroEvent macroEvent;
    macroEvent.delay = recordDelays ? std::min(event.rawDelay, MaxMacroDelay) : FixedRecordDelay;
    macroEvent.keyCode = event.keyCode;
    macroEvent.direction = event.direction;
    return InsertMacroEvent(rows, selectedRow, macroEvent);
}

bool RetractRecordedEvent(std::vector<MacroEvent>& rows, int row)
{
    if (row < 0 || static_cast<size_t>(row) >= rows.size())
        return false;
    const auto at = static_cast<size_t>(row);
    // Undoes InsertMacroEvent's shifting: the pause it gave away comes back.
    if (at > 0)
        rows[at - 1].delay = rows[at].delay;
    rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
    return true;
}
