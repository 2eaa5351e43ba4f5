#include "common/HexText.h"

#include "common/MessageHook.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

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

bool IsHexSeparator(char c) {
    return c == ' ' || c == '\t' || c == '-' || c == ':' || c == ',';
}

std::optional<HexTextFault> ReadHexFrame(std::string_view text, std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> read;
    std::size_t first = 0; // where the byte being read began
    int high = -1;         // its first digit, -1 between bytes
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit >= 0) {
            if (high < 0) {
                high = digit;
                first = i;
            } else {
                read.push_back(static_cast<unsigned char>(16 * high + digit));
                high = -1;
            }
        } else if (!IsHexSeparator(text[i])) {
            return HexTextFault{HexTextFault::Kind::BadCharacter, i};
        } else if (high >= 0) {
            return HexTextFault{HexTextFault::Kind::LoneDigit, first};
        }
    }
    if (high >= 0) {
        return HexTextFault{HexTextFault::Kind::LoneDigit, first};
    }
    bytes.insert(bytes.end(), read.begin(), read.end());
    return std::nullopt;
}

std::optional<HexTextFault> FindNonHexDigit(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsHexDigit(text[i])) {
            return HexTextFault{HexTextFault::Kind::BadCharacter, i};
        }
    }
    return std::nullopt;
}

std::string HexTextFaultMessage(std::string_view text, const HexTextFault& fault) {
    const std::size_t at = std::min(fault.position, text.empty() ? 0 : text.size() - 1);
    std::string marked(text.substr(0, at));
    std::string shown;
    if (at < text.size()) {
        marked += "[" + std::string(1, text[at]) + "]" + std::string(text.substr(at + 1));
        const auto c = static_cast<unsigned char>(text[at]);
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", c);
        shown = std::isprint(c) != 0 ? "\"" + std::string(1, text[at]) + "\"" : code;
    }
    const std::string where = "Character " + std::to_string(at + 1) + " (" + shown + ")";
    const std::string what = fault.kind == HexTextFault::Kind::LoneDigit
                                 ? " starts a byte whose second hex digit is missing."
                                 : " is not a hex digit.";
    return "No Hex String\n\n" + marked + "\n\n" + where + what;
}
