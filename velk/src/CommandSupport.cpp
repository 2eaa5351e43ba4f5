#include "CommandSupport.h"

#include <cstdio>
#include <cstring>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void AppendInputBytes(Bytes& data, const char* input, int count, int hexFlag) {
    if (hexFlag == 0) {
        data.insert(data.end(), reinterpret_cast<const unsigned char*>(input),
                    reinterpret_cast<const unsigned char*>(input) + count);
        return;
    }
    // A short text stops at its NUL: the missing pairs count as 0 instead of reading past it.
    const char* p = input;
    for (int i = 0; i < count; ++i) {
        int value = 0;
        const int high = *p != '\0' ? HexDigit(p[0]) : -1;
        if (high >= 0) {
            value = high;
            const int low = HexDigit(p[1]);
            if (low >= 0)
                value = value * 16 + low;
        }
        for (int k = 0; k < 2 && *p != '\0'; ++k)
            ++p;
        data.push_back(static_cast<unsigned char>(value));
    }
}

void WriteOutputBytes(const unsigned char* bytes, int count, int hexFlag, char* output) {
    if (hexFlag != 0) {
        for (int i = 0; i < count; ++i)
            std::snprintf(output + 2 * i, 3, "%02X", bytes[i]);
        output[2 * count] = '\0';
    } else {
        std::memcpy(output, bytes, static_cast<std::size_t>(count));
        output[count] = '\0';
    }
}

void AppendWord(Bytes& data, int value) {
    data.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
    data.push_back(static_cast<unsigned char>(value & 0xFF));
}

Bytes OversizedRequest() {
    return Bytes(kMaxRequestData + 1, 0);
}

bool WordsInRange(std::initializer_list<int> values) {
    for (int v : values) {
        if (v < 0 || v > 0xFFFF)
            return false;
    }
    return true;
}

void DecodeSerialNumber(const CommandAnswer& answer, unsigned char* transponderType,
                        char* serialNumber, int hexFlag) {
    *transponderType = answer.data[0];
    WriteOutputBytes(answer.data + 1, 5, hexFlag, serialNumber);
}
