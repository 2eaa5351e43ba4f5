#pragma once
// Keeps EEPROM writes at least 50 ms apart within one calendar second. A reader needs that
// long to store a value; across a change of the second no wait is made, as the readers'
// own timing restarts there.

#include "PacerClock.h"

#include <chrono>
#include <ctime>
#include <mutex>

class EepromPacer {
public:
    static constexpr std::chrono::milliseconds kGap{50};

    /// The stored second starts at construction (library load); no exchange has ended yet,
    /// so the first write never waits.
    explicit EepromPacer(PacerClock& clock = PacerClock::Real());

    /// Sleeps for the rest of the 50 ms when the last paced exchange ended in the current
    /// calendar second fewer than 50 ms ago. The clock is read once for the decision; whatever
    /// it reads, the wait is never longer than 50 ms.
    void WaitBeforeWrite();

    /// Records the end of a paced exchange (called right after the transceive returns).
    void MarkExchangeEnd();

    /// Replaces the clock and starts over as at construction (tests).
    void UseClock(PacerClock& clock);

private:
    std::mutex mutex_;
    PacerClock* clock_;
    std::time_t lastSecond_;
    std::chrono::steady_clock::time_point lastEnd_{};
    bool ended_ = false;
};
