#include "common/TimeStamp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>

namespace {

// Pins the local time zone to UTC for the tests that compare with fixed texts.
class TimeStampTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        if (tz)
            saved_ = tz;
        hadTz_ = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (hadTz_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    std::string saved_;
    bool hadTz_ = false;
};

std::chrono::system_clock::time_point At(std::time_t seconds, int millis) {
    return std::chrono::system_clock::from_time_t(seconds) + std::chrono::milliseconds(millis);
}

TEST_F(TimeStampTest, FormatsDateTimeAndMilliseconds) {
    // 2026-12-06 13:45:07 UTC
    const std::time_t t = 1796564707;
    char out[kTimeStampSize];
    MakeTimeStampAt(out, true, At(t, 42));
    EXPECT_STREQ(out, "12/06/26 13:45:07.042");
    MakeTimeStampAt(out, true, At(t, 7));
    EXPECT_STREQ(out, "12/06/26 13:45:07.007");
    MakeTimeStampAt(out, false, At(t, 999));
    EXPECT_STREQ(out, "12/06/26 13:45:07");
    // Across the change of second and of day, and back: the date and time follow each moment.
    MakeTimeStampAt(out, true, At(t + 1, 0));
    EXPECT_STREQ(out, "12/06/26 13:45:08.000");
    MakeTimeStampAt(out, true, At(t + 36893, 5)); // 2026-12-07 00:00:00 UTC
    EXPECT_STREQ(out, "12/07/26 00:00:00.005");
    MakeTimeStampAt(out, true, At(t, 999));
    EXPECT_STREQ(out, "12/06/26 13:45:07.999");
}

TEST_F(TimeStampTest, NowHasTheFixedShape) {
    char out[kTimeStampSize];
    MakeTimeStamp(out, true);
    EXPECT_TRUE(std::regex_match(out, std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d)")))
        << out;
}

} // namespace
