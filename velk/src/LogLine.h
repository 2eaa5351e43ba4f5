#pragma once
// Builds a protocol log line into a fixed record, cutting at the record's size.

#include <cstddef>

class LogLine {
public:
    /// Starts the line with the time stamp (MM/DD/YY HH:MM:SS.mmm).
    LogLine(char* record, std::size_t size);

    void Append(const char* text);
    void AppendCode(int code);
    /// "%02X " for each byte.
    void AppendHexBytes(const unsigned char* bytes, int count);

    int Length() const { return static_cast<int>(length_); }

private:
    char* record_;
    std::size_t size_;
    std::size_t length_ = 0;
};

/// text := "%02X " for each byte, cut to size - 1 characters. Returns the text length.
int HexWithBlanks(const unsigned char* bytes, int count, char* text, std::size_t size);
