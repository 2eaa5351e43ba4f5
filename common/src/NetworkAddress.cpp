#include "common/NetworkAddress.h"

#include <cctype>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool AllOf(std::string_view text, bool (*allowed)(char)) {
    for (const char c : text) {
        if (!allowed(c)) {
            return false;
        }
    }
    return !text.empty();
}

bool NameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

// An IPv6 address, with a zone ("%eth0") if any.
bool AddressCharacter(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.' || c == '%' ||
           NameCharacter(c);
}

} // namespace

bool NetworkAddress::IsUrl(std::string_view text) {
    const auto scheme = text.find("://");
    return scheme != std::string_view::npos && scheme > 0 &&
           text.substr(0, scheme).find('/') == std::string_view::npos;
}

bool NetworkAddress::ParseHostPort(std::string_view text, std::string& host, unsigned& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view name = text.substr(0, colon);
    const std::string_view digits = text.substr(colon + 1);
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
        if (!AllOf(name, AddressCharacter) || name.find(':') == std::string_view::npos) {
            return false;
        }
    } else if (!AllOf(name, NameCharacter)) {
        return false;
    }
    if (digits.empty() || digits.size() > 5) {
        return false;
    }
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535) {
        return false;
    }
    host = name;
    port = value;
    return true;
}

std::optional<NetworkAddress> NetworkAddress::Parse(std::string_view text) {
    NetworkAddress address;
    if (StartsWithNoCase(text, "rfc2217://")) {
        address.mode = Mode::Rfc2217;
        text.remove_prefix(10);
    } else if (StartsWithNoCase(text, "tcp://")) {
        text.remove_prefix(6);
    } else {
        return std::nullopt;
    }
    if (!ParseHostPort(text, address.host, address.port) || address.port == 0) {
        return std::nullopt;
    }
    return address;
}

std::string NetworkAddress::Url() const {
    const bool v6 = host.find(':') != std::string::npos;
    return std::string(mode == Mode::Rfc2217 ? "rfc2217://" : "tcp://") + (v6 ? "[" : "") + host +
           (v6 ? "]" : "") + ":" + std::to_string(port);
}
