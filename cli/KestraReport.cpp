#include "KestraReport.h"

#include <cctype>

std::string HexText(std::span<const unsigned char> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::vector<unsigned char> ParseHex(const std::vector<std::string>& words) {
    std::vector<unsigned char> bytes;
    for (const std::string& word : words) {
        std::string digits;
        for (char c : word) {
            if (std::isspace(static_cast<unsigned char>(c))) {
                continue;
            }
            if (!std::isxdigit(static_cast<unsigned char>(c))) {
                throw KestraError(kExitUsage, "'" + word + "' is not hex");
            }
            digits += c;
        }
        if (digits.size() % 2 != 0) {
            throw KestraError(kExitUsage, "'" + word + "' is not whole bytes of hex");
        }
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            bytes.push_back(
                static_cast<unsigned char>(std::stoul(digits.substr(i, 2), nullptr, 16)));
        }
    }
    return bytes;
}
