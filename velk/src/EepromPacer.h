#pragma once
// Keeps EEPROM writes at least 50 ms apart within one calendar second. A reader needs that
// long to store a value; across a change of the second no wait is made, as the readers'
// own timing restarts there.

#include <chrono>
#include <ctime>
#include <mutex>

class EepromPacer {
public:
    static constexpr std::chrono::milliseconds kGap{50};

    /// The stored second starts at construction (library load); the stored counter starts
    /// at the clock's epoch, so the first write never waits.
    EepromPacer();

    /// Sleeps for the rest of the 50 ms when the last paced exchange ended in the current
    /// calendar second fewer than 50 ms ago.
    void WaitBeforeWrite();

    /// Records the end of a paced exchange (called right after the transceive returns).
    void MarkExchangeEnd();

private:
    std::mutex mutex_;
    std::time_t lastSecond_;
    std::chrono::steady_clock::time_point lastEnd_{};
};
