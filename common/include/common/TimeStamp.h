#pragma once
// The protocol time stamp: local "MM/DD/YY HH:MM:SS", optionally ".mmm".

#include <chrono>

/// Room for the longest time stamp and its NUL (the callers' buffers hold at least this).
inline constexpr int kTimeStampSize = 22;

/// out := local date MM/DD/YY, a blank, local time HH:MM:SS and, with `withMilliseconds`,
/// "." and the milliseconds of the current second as three digits. `out` holds at least
/// kTimeStampSize characters.
void MakeTimeStamp(char* out, bool withMilliseconds);

/// The same for a given moment; MakeTimeStamp uses the system clock's now. The local date and
/// time of the last second stamped are kept per thread, so a change of the time zone shows from
/// the next second on.
void MakeTimeStampAt(char* out, bool withMilliseconds, std::chrono::system_clock::time_point when);
