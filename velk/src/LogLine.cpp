#include "LogLine.h"

#include "common/TimeStamp.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

LogLine::LogLine(char* record, std::size_t size) : record_(record), size_(size) {
    char stamp[kTimeStampSize] = {};
    MakeTimeStamp(stamp, true);
    record_[0] = '\0';
    Append(stamp);
}

void LogLine::Append(const char* text) {
    const std::size_t room = size_ - 1 - length_;
    const std::size_t n = std::min(std::strlen(text), room);
    std::memcpy(record_ + length_, text, n);
    length_ += n;
    record_[length_] = '\0';
}

void LogLine::AppendCode(int code) {
    char number[16];
    std::snprintf(number, sizeof number, "%d", code);
    Append(number);
}

void LogLine::AppendHexBytes(const unsigned char* bytes, int count) {
    length_ +=
        static_cast<std::size_t>(HexWithBlanks(bytes, count, record_ + length_, size_ - length_));
}

int HexWithBlanks(const unsigned char* bytes, int count, char* text, std::size_t size) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::size_t n = 0;
    for (int i = 0; i < count; ++i) {
        const char triple[3] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 0x0F], ' '};
        for (char c : triple) {
            if (n + 1 >= size)
                break;
            text[n++] = c;
        }
    }
    if (size > 0)
        text[n] = '\0';
    return static_cast<int>(n);
}
