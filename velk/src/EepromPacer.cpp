#include "EepromPacer.h"

#include <thread>

EepromPacer::EepromPacer() : lastSecond_(std::time(nullptr)) {}

void EepromPacer::WaitBeforeWrite() {
    std::chrono::steady_clock::duration wait{};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (std::time(nullptr) != lastSecond_)
            return;
        const auto elapsed = std::chrono::steady_clock::now() - lastEnd_;
        if (elapsed >= kGap)
            return;
        wait = kGap - elapsed;
    }
    std::this_thread::sleep_for(wait);
}

void EepromPacer::MarkExchangeEnd() {
    std::lock_guard<std::mutex> lock(mutex_);
    lastSecond_ = std::time(nullptr);
    lastEnd_ = std::chrono::steady_clock::now();
}
