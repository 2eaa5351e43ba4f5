#include "common/TimeStamp.h"

#include <cstdio>
#include <cstring>
#include <ctime>

void MakeTimeStampAt(char* out, bool withMilliseconds, std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto sinceEpoch = when.time_since_epoch();
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const auto millis =
        static_cast<int>(duration_cast<milliseconds>(sinceEpoch - wholeSeconds).count());
    const std::time_t t = static_cast<std::time_t>(wholeSeconds.count());
    // Every protocol line takes a stamp; the date and time of the last second are kept, so
    // only the milliseconds are written again within the same second.
    constexpr std::size_t kSecondsPart = 17; // "MM/DD/YY HH:MM:SS"
    thread_local std::time_t cachedSecond = -1;
    thread_local char cachedText[kTimeStampSize] = {};
    if (t != cachedSecond) {
        std::tm local{};
        localtime_r(&t, &local);
        if (std::strftime(cachedText, sizeof cachedText, "%m/%d/%y %H:%M:%S", &local) !=
            kSecondsPart)
            std::snprintf(cachedText, sizeof cachedText, "00/00/00 00:00:00");
        cachedSecond = t;
    }
    std::memcpy(out, cachedText, kSecondsPart);
    out[kSecondsPart] = '\0';
    if (withMilliseconds) {
        out[kSecondsPart] = '.';
        out[kSecondsPart + 1] = static_cast<char>('0' + millis / 100);
        out[kSecondsPart + 2] = static_cast<char>('0' + millis / 10 % 10);
        out[kSecondsPart + 3] = static_cast<char>('0' + millis % 10);
        out[kSecondsPart + 4] = '\0';
    }
}

void MakeTimeStamp(char* out, bool withMilliseconds) {
    MakeTimeStampAt(out, withMilliseconds, std::chrono::system_clock::now());
}
