#include "EepromPacer.h"

#include <algorithm>

EepromPacer::EepromPacer(PacerClock& clock) : clock_(&clock), lastSecond_(clock.Now().second) {}

void EepromPacer::WaitBeforeWrite() {
    std::chrono::steady_clock::duration wait{};
    PacerClock* clock = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const PacerClock::Instant now = clock_->Now();
        if (!ended_ || now.second != lastSecond_)
            return;
        // A monotonic clock never runs backwards; the clamp keeps the wait within the gap
        // even if one did.
        const auto elapsed =
            std::max(now.monotonic - lastEnd_, std::chrono::steady_clock::duration{});
        if (elapsed >= kGap)
            return;
        wait = kGap - elapsed;
        clock = clock_;
    }
    clock->SleepFor(wait);
}

void EepromPacer::MarkExchangeEnd() {
    std::lock_guard<std::mutex> lock(mutex_);
    const PacerClock::Instant now = clock_->Now();
    lastSecond_ = now.second;
    lastEnd_ = now.monotonic;
    ended_ = true;
}

void EepromPacer::UseClock(PacerClock& clock) {
    std::lock_guard<std::mutex> lock(mutex_);
    clock_ = &clock;
    lastSecond_ = clock.Now().second;
    ended_ = false;
}
