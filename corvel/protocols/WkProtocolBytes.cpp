#include "WkProtocolBytes.h"

#include "common/HexText.h"

#include <cstdio>

int WkProtocolBytes::Parse(const std::string& text, Buffer& bytes, std::string* problem) {
    std::string digits = text;
    StripNonHex(digits);
    if (digits.empty()) {
        return 0;
    }
    const int count = HexTextToBytes(digits, bytes.data(), kMaxBytes, false);
    if (count == 0 && problem != nullptr) {
        *problem = digits.size() % 2 != 0 ? kHexOddLengthMessage : kHexTooLongMessage;
    }
    return count;
}

std::string WkProtocolBytes::ToText(const unsigned char* bytes, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        if (i > 0) {
            text += ' ';
        }
        text += pair;
    }
    return text;
}

std::string WkProtocolBytes::WithChecksum(const std::string& text) {
    Buffer bytes{};
    int count = Parse(text, bytes);
    if (count == 0) {
        return text;
    }
    const bool hasPlace = count >= 2 && bytes[0] == count;
    if (!hasPlace) {
        if (count >= kMaxBytes) {
            return text;
        }
        ++count;
    }
    unsigned char sum = 0;
    for (int i = 0; i < count - 1; ++i) {
        sum ^= bytes[static_cast<std::size_t>(i)];
    }
    bytes[static_cast<std::size_t>(count - 1)] = sum;
    return ToText(bytes.data(), count);
}
