#include "WkVersionText.h"

namespace {

int LeadingNumber(const std::string& digits) {
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

int VersionNumber(const std::string& text) {
    std::string digits;
    for (std::size_t pos : {0u, 1u, 3u, 4u, 6u, 7u}) {
        if (pos >= text.size()) {
            break;
        }
        digits += text[pos];
    }
    return LeadingNumber(digits);
}

int MajorVersion(const std::string& text) {
    return LeadingNumber(text.substr(0, 2));
}

bool IsOlderVersion(const std::string& actual, const std::string& needed) {
    return VersionNumber(actual) < VersionNumber(needed);
}
