#include "common/HexText.h"

#include "common/MessageHook.h"

#include <cctype>
#include <cmath>

namespace {

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (!IsHexDigit(c))
        return -1;
    return (std::toupper(static_cast<unsigned char>(c)) - 'A') + 10;
}

int HexTextToBytes(std::string text, unsigned char* bytes, int maxBytes, bool showMessage) {
    StripNonHex(text);
    if (text.size() % 2 != 0) {
        if (showMessage)
            ShowHelperMessage(kHexOddLengthMessage);
        return 0;
    }
    const auto count = static_cast<int>(text.size() / 2);
    if (count > maxBytes) {
        if (showMessage)
            ShowHelperMessage(kHexTooLongMessage);
        return 0;
    }
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(HexDigitValue(text[2 * i]) * 16 +
                                              HexDigitValue(text[2 * i + 1]));
    return count;
}

bool BytesToHexText(const unsigned char* bytes, std::string& text, int count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    text.clear();
    text.reserve(count > 0 ? static_cast<std::size_t>(count) * 2 : 0);
    for (int i = 0; i < count; ++i) {
        text.push_back(kDigits[bytes[i] >> 4]);
        text.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return true;
}

bool IsHexText(const std::string& text) {
    for (char c : text)
        if (!IsHexDigit(c))
            return false;
    return true;
}

void StripNonHex(std::string& text) {
    std::string digits;
    digits.reserve(text.size());
    for (char c : text)
        if (IsHexDigit(c))
            digits.push_back(c);
    text = std::move(digits);
}

bool BigEndianAsDouble(const unsigned char* bytes, int count, double* value) {
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += static_cast<double>(bytes[i]) * std::ldexp(1.0, 8 * (count - 1 - i));
    *value = sum;
    return true;
}
