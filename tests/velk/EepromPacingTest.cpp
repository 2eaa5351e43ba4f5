// EEPROM pacing through the command exports, on a clock the test sets: writes within one
// calendar second are 50 ms apart, other commands do not count, a new second starts afresh.
#include "TestHooks.h"
#include "VelkTestSupport.h"

#include <chrono>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Duration = std::chrono::steady_clock::duration;

/// A clock that moves only when told; a sleep is recorded and moves the monotonic time.
class SetClock final : public PacerClock {
public:
    Instant Now() override { return now; }
    void SleepFor(Duration wait) override {
        sleeps.push_back(wait);
        now.monotonic += wait;
    }
    void Advance(Duration by) { now.monotonic += by; }

    Instant now{1'700'000'000, std::chrono::steady_clock::time_point(1000s)};
    std::vector<Duration> sleeps;
};

const Bytes kEEAnswer{0x05, 0x00, 0x40, 0x00, 0x45};
const Bytes kReadAnswer{0x05, 0x00, 0x74, 0x00, 0x71};
const Bytes kBlockAnswer{0x05, 0x00, 0x82, 0x00, 0x87};

class EepromPacingTest : public VelkTest {
protected:
    void SetUp() override {
        VelkTest::SetUp();
        velktest::UsePacerClock(clock_);
        reader_ = NewReader();
    }
    void TearDown() override {
        velktest::UseRealPacerClock();
        VelkTest::TearDown();
    }

    /// One paced write; returns the sleeps it made.
    std::vector<Duration> Write() {
        clock_.sleeps.clear();
        fakesorn::QueueAnswer(kEEAnswer);
        EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader_, 0, 1), 0);
        return clock_.sleeps;
    }

    SetClock clock_;
    int reader_ = 0;
};

using Sleeps = std::vector<Duration>;

TEST_F(EepromPacingTest, WritesInOneSecondAreFiftyMillisecondsApart) {
    EXPECT_EQ(Write(), Sleeps{}); // the first write after loading never waits
    EXPECT_EQ(Write(), Sleeps{50ms});
    clock_.Advance(49ms);
    EXPECT_EQ(Write(), Sleeps{1ms});
    clock_.Advance(50ms);
    EXPECT_EQ(Write(), Sleeps{});

    // A failed exchange ends a paced exchange all the same.
    fakesorn::QueueTransceiveResult(-1030);
    EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader_, 0, 1), -1030);
    EXPECT_EQ(Write(), Sleeps{50ms});
}

TEST_F(EepromPacingTest, OtherCommandsBetweenWritesChangeNothing) {
    Write();
    clock_.Advance(10ms);
    unsigned char inputs = 0;
    fakesorn::QueueAnswer(kReadAnswer);
    ASSERT_EQ(VELK_0x74_ReadInp(reader_, 0, &inputs), 0);
    fakesorn::QueueAnswer(kBlockAnswer); // the block write is not paced
    ASSERT_EQ(VELK_0x82_WriteEEBlock(reader_, 0, 0, "", 0), 0);
    EXPECT_TRUE(clock_.sleeps.empty());
    EXPECT_EQ(Write(), Sleeps{40ms});
}

TEST_F(EepromPacingTest, AWriteInANewSecondIsNotHeld) {
    Write();
    clock_.Advance(5ms);
    clock_.now.second += 1;
    EXPECT_EQ(Write(), Sleeps{});
    EXPECT_EQ(Write(), Sleeps{50ms}); // and the new second paces from there
}

TEST_F(EepromPacingTest, NoClockJumpHoldsAWriteLongerThanTheGap) {
    const std::vector<std::time_t> wallJumps{-86400, -1, 0, 1, 86400};
    const std::vector<Duration> monotonicSteps{0ms, 10ms, 49ms, 1h, -1h};
    for (const std::time_t wall : wallJumps) {
        for (const Duration step : monotonicSteps) {
            Write();
            clock_.now.second += wall;
            clock_.Advance(step);
            for (const Duration slept : Write())
                EXPECT_LE(slept, 50ms) << "wall jump " << wall << " s, monotonic step "
                                       << std::chrono::duration<double>(step).count() << " s";
        }
    }
}

} // namespace
