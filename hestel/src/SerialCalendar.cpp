#include "SerialCalendar.h"

#include <cstdio>

namespace hestel {

namespace {

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int kMonthLength[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr uint32_t kSecondsPerDay = 86400;

bool IsLeapYear(int year) {
    return (year - 2000) % 4 == 0;
}

int DaysInYear(int year) {
    return IsLeapYear(year) ? 366 : 365;
}

int DaysInMonth(int year, int month) {
    return month == 2 && IsLeapYear(year) ? 29 : kMonthLength[month - 1];
}

} // namespace

uint32_t SecondsOfDate(int year, int month, int day, int hour, int minute, int second) {
    // (year - 1997) / 4 counts the leap days of the years before `year`, 2000 included.
    int days = kDaysBeforeMonth[month - 1] + (year - 2000) * 365 + (year - 1997) / 4 + day - 1;
    if (IsLeapYear(year) && month > 2)
        ++days;
    return static_cast<uint32_t>(days) * kSecondsPerDay + static_cast<uint32_t>(hour) * 3600 +
           static_cast<uint32_t>(minute) * 60 + static_cast<uint32_t>(second);
}

uint32_t SecondsOfLocalTime(const std::tm& local) {
    const int twoDigitYear = ((local.tm_year % 100) + 100) % 100;
    return SecondsOfDate(2000 + twoDigitYear, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec);
}

std::tm LocalTimeNow() {
    // Date and time come from the same reading, so a call just before midnight cannot pair
    // the old date with the new day's time.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void DateTextOfSeconds(uint32_t seconds, char* text) {
    uint32_t v = seconds;
    const unsigned second = v % 60;
    v /= 60;
    const unsigned minute = v % 60;
    v /= 60;
    const unsigned hour = v % 24;
    auto days = static_cast<int>(v / 24);

    int year = 2000;
    while (days >= DaysInYear(year)) {
        days -= DaysInYear(year);
        ++year;
    }
    int month = 1;
    while (days >= DaysInMonth(year, month)) {
        days -= DaysInMonth(year, month);
        ++month;
    }
    const int day = days + 1;
    // The largest count reaches the year 2136: every field fits its width.
    std::snprintf(text, 20, "%02u.%02u.%04u %02u:%02u:%02u", static_cast<unsigned>(day) % 100,
                  static_cast<unsigned>(month) % 100, static_cast<unsigned>(year) % 10000, hour,
                  minute, second);
}

} // namespace hestel
