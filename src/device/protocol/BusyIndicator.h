#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

struct BusyIndicatorOwner;

// The progress picture an Apply shows while it writes to the keyboard, run by
// its own short thread: BusyShow (1025, or any other message) shows it,
// BusyHide (1026) hides it 100 ms later and ends the thread. The message
// queue exists as soon as Start returns.
//
// Letting go of the last copy of an indicator hides it as BusyHide does, so
// no thread is left waiting. When the thread cannot be created, Start
// returns an indicator that does nothing, so the Apply goes ahead without it.
class BusyIndicator {
public:
    static BusyIndicator Start();
    BusyIndicator() = default;

    void Post(uint32_t message);
    bool Running() const { return owner_ != nullptr; }

private:
    std::shared_ptr<BusyIndicatorOwner> owner_;
};

// Blocks until every busy-indicator thread has ended (shutdown and tests).
void WaitForBusyIndicators();
// Makes the next Start fail to create its thread, as when the system has no
// thread to give.
void FailNextBusyIndicatorStart();
// The pause before hiding; 100 ms unless a test shortens it.
inline constexpr std::chrono::milliseconds DefaultBusyHideDelay{100};
void SetBusyHideDelay(std::chrono::milliseconds delay);
