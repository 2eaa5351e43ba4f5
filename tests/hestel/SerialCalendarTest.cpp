#include "SerialCalendar.h"
#include "hestel.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

namespace chr = std::chrono;

// The date text of a serial number, through the export.
std::string DateOf(uint32_t seconds, unsigned char prefix = 0xFE) {
    unsigned char serial[5] = {prefix, static_cast<unsigned char>(seconds >> 24),
                               static_cast<unsigned char>(seconds >> 16),
                               static_cast<unsigned char>(seconds >> 8),
                               static_cast<unsigned char>(seconds)};
    char text[HESTEL_DATE_SIZE + 4];
    std::fill(std::begin(text), std::end(text), '#');
    HESTEL_GetDateOfSnr(serial, text, 0);
    EXPECT_EQ(text[HESTEL_DATE_SIZE - 1], '\0');
    EXPECT_EQ(text[HESTEL_DATE_SIZE], '#'); // nothing beyond the 20 bytes
    EXPECT_EQ(serial[0], 0);
    return text;
}

TEST(SerialCalendar, KnownDatesAndCounts) {
    EXPECT_EQ(DateOf(0), "01.01.2000 00:00:00");
    EXPECT_EQ(DateOf(0x07D3E800), "29.02.2004 00:00:00");
    EXPECT_EQ(DateOf(0x07D53980), "01.03.2004 00:00:00");
    EXPECT_EQ(DateOf(0x07D53980 - 1, 0x00), "29.02.2004 23:59:59");

    EXPECT_EQ(hestel::SecondsOfDate(2026, 12, 6, 13, 45, 7), 0x32A82363u);
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 6;
    local.tm_hour = 13;
    local.tm_min = 45;
    local.tm_sec = 7;
    EXPECT_EQ(hestel::SecondsOfLocalTime(local), 0x32A82363u);
}

TEST(SerialCalendar, LargestCountKeepsTheFourYearRuleAndFitsTheText) {
    // 2^32 - 1 seconds after 01.01.2000 is 07.02.2136 06:28:15 in the civil calendar; the
    // four-year rule also counts a 29.02.2100, one day more, so the text is a day earlier.
    EXPECT_EQ(DateOf(0xFFFFFFFFu), "06.02.2136 06:28:15");
}

// Every day of 2000 .. 2099 with a spread of times: the count agrees with the civil calendar
// and the date of that count is the same date and time again.
TEST(SerialCalendar, EveryDayOfTheCenturyRoundTrips) {
    const chr::sys_days epoch = chr::year{2000} / 1 / 1;
    const chr::sys_days end = chr::year{2100} / 1 / 1;
    int dayIndex = 0;
    char expected[32];
    for (chr::sys_days day = epoch; day < end; day += chr::days{1}, ++dayIndex) {
        const chr::year_month_day ymd{day};
        const int y = static_cast<int>(ymd.year());
        const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
        const int d = static_cast<int>(static_cast<unsigned>(ymd.day()));
        const auto civil = static_cast<uint32_t>((day - epoch).count()) * 86400u;
        const long long spread = dayIndex;
        const std::array<int, 4> times = {0, 86399, static_cast<int>(spread * 7919 % 86400),
                                          static_cast<int>((spread * 104729 + 43200) % 86400)};
        for (int t : times) {
            const int hh = t / 3600, mm = t / 60 % 60, ss = t % 60;
            const uint32_t count = hestel::SecondsOfDate(y, m, d, hh, mm, ss);
            ASSERT_EQ(count, civil + static_cast<uint32_t>(t)) << y << "-" << m << "-" << d;
            std::snprintf(expected, sizeof expected, "%02d.%02d.%04d %02d:%02d:%02d", d, m, y, hh,
                          mm, ss);
            ASSERT_EQ(DateOf(count), expected);
        }
    }
    EXPECT_EQ(dayIndex, 36525);
}

TEST(SerialCalendar, LocalTimeUsesTheLastTwoDigitsOfTheYear) {
    std::tm local{};
    local.tm_mday = 1;
    local.tm_year = 199; // 2099
    const uint32_t in2099 = hestel::SecondsOfLocalTime(local);
    EXPECT_EQ(in2099, hestel::SecondsOfDate(2099, 1, 1, 0, 0, 0));
    local.tm_year = 100; // 2000
    EXPECT_EQ(hestel::SecondsOfLocalTime(local), 0u);
}

} // namespace
