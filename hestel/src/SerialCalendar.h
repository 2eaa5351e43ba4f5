#pragma once
// The seconds count of a serial number and the calendar behind it: days from 01.01.2000
// (day 0), a leap year every fourth year from 2000 on, which holds for 2000 to 2099.

#include <cstdint>
#include <ctime>

namespace hestel {

/// Seconds since 01.01.2000 00:00:00 of the given date and time, year 2000 to 2099,
/// month 1 to 12, day 1 to 31.
uint32_t SecondsOfDate(int year, int month, int day, int hour, int minute, int second);

/// The same for a broken-down local time; the year is 2000 + its last two digits, as the
/// two-digit date text of the C library gives it.
uint32_t SecondsOfLocalTime(const std::tm& local);

/// The local date and time of now, both taken from one reading of the clock.
std::tm LocalTimeNow();

/// text := "DD.MM.YYYY HH:MM:SS" of a seconds count, with its NUL (20 bytes). Counts beyond
/// 2099 go on with the same leap-year rule, so that every count has one text.
void DateTextOfSeconds(uint32_t seconds, char* text);

} // namespace hestel
