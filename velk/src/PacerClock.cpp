#include "PacerClock.h"

#include <thread>

namespace {

class RealClock final : public PacerClock {
public:
    Instant Now() override {
        using namespace std::chrono;
        const auto wall = system_clock::now().time_since_epoch();
        return {static_cast<std::time_t>(floor<seconds>(wall).count()), steady_clock::now()};
    }
    void SleepFor(std::chrono::steady_clock::duration wait) override {
        std::this_thread::sleep_for(wait);
    }
};

} // namespace

PacerClock& PacerClock::Real() {
    static RealClock clock;
    return clock;
}
