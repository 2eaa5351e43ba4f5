#include "common/TimeStamp.h"

#include <cstdio>
#include <ctime>

void MakeTimeStampAt(char* out, bool withMilliseconds, std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto sinceEpoch = when.time_since_epoch();
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const auto millis =
        static_cast<int>(duration_cast<milliseconds>(sinceEpoch - wholeSeconds).count());
    const std::time_t t = static_cast<std::time_t>(wholeSeconds.count());
    std::tm local{};
    localtime_r(&t, &local);
    const int n = static_cast<int>(std::strftime(out, kTimeStampSize, "%m/%d/%y %H:%M:%S", &local));
    if (withMilliseconds)
        std::snprintf(out + n, static_cast<std::size_t>(kTimeStampSize - n), ".%03d", millis);
}

void MakeTimeStamp(char* out, bool withMilliseconds) {
    MakeTimeStampAt(out, withMilliseconds, std::chrono::system_clock::now());
}
