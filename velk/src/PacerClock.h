#pragma once
// The clock of the EEPROM pacing: the calendar second and a monotonic time, read together, and
// a sleep. The library uses the real clock; tests set their own.

#include <chrono>
#include <ctime>

class PacerClock {
public:
    /// One reading of the clock.
    struct Instant {
        /// The calendar second (the wall clock in whole seconds since the epoch).
        std::time_t second = 0;
        /// Monotonic time for the gap between writes: never jumps with the wall clock.
        std::chrono::steady_clock::time_point monotonic{};
    };

    virtual ~PacerClock() = default;

    virtual Instant Now() = 0;
    virtual void SleepFor(std::chrono::steady_clock::duration wait) = 0;

    /// The process's real clock. The second comes from the fine wall clock (the one the
    /// protocol lines are stamped with), not from the tick-coarse std::time, so a line stamped
    /// in a new second is never paced as if it were in the old one.
    static PacerClock& Real();
};
