#include "kestra/ControlChannel.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace kestra {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t start = line.find_first_not_of(" \t\r", i);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = line.find_first_of(" \t\r", start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        words.push_back(line.substr(start, end - start));
        i = end;
    }
    return words;
}

bool ParseUnsigned(std::string_view text, unsigned& value, int base) {
    if (text.empty()) {
        return false;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseSerial(std::string_view text, SerialNumber& serial) {
    if (text.size() != 2 * serial.size()) {
        return false;
    }
    for (std::size_t i = 0; i < serial.size(); ++i) {
        unsigned byte = 0;
        if (!ParseUnsigned(text.substr(2 * i, 2), byte, 16)) {
            return false;
        }
        serial[i] = static_cast<std::uint8_t>(byte);
    }
    return true;
}

std::string Error(std::string_view reason) {
    return "error: " + std::string(reason) + "\n";
}

} // namespace

std::string ControlChannel::Execute(std::string_view line, TimePoint now) {
    std::vector<std::string_view> words = Words(line);
    if (words.empty() || words[0].front() == '#') {
        return {};
    }
    std::string_view command = words[0];

    // The optional trailing bus address of tag, state and input.
    auto address = [&](std::size_t at, std::optional<std::uint8_t>& out) {
        if (words.size() <= at) {
            return true;
        }
        unsigned value = 0;
        if (words.size() > at + 1 || !ParseUnsigned(words[at], value, 10) || value > 253 ||
            bus_.Find(static_cast<std::uint8_t>(value)) == nullptr) {
            return false;
        }
        out = static_cast<std::uint8_t>(value);
        return true;
    };

    if (command == "tag") {
        std::optional<std::uint8_t> target;
        if (words.size() >= 2 && words[1] == "none") {
            if (!address(2, target)) {
                return Error("usage: tag none [ADDRESS]");
            }
            bus_.PutTransponder(std::nullopt, target, now);
            return "ok\n";
        }
        if (words.size() < 3 || !address(3, target)) {
            return Error("usage: tag TTA|TTB|TTC|TTD SERIAL [ADDRESS]");
        }
        auto type = ParseTransponderType(words[1]);
        if (!type) {
            return Error("unknown transponder type " + std::string(words[1]));
        }
        SerialNumber serial{};
        if (!ParseSerial(words[2], serial)) {
            return Error("the serial number is 10 hex digits");
        }
        bus_.PutTransponder(Transponder(*type, serial), target, now);
        return "ok\n";
    }
    if (command == "fault") {
        if (words.size() < 2 || words.size() > 3) {
            return Error("usage: fault NAME [COUNT]");
        }
        if (words[1] == "none") {
            bus_.SetFault(Fault{}, 0);
            return "ok\n";
        }
        auto fault = ParseFault(words[1]);
        if (!fault) {
            return Error("unknown fault " + std::string(words[1]));
        }
        unsigned count = 1;
        if (words.size() == 3 && (!ParseUnsigned(words[2], count, 10) || count == 0)) {
            return Error("the count is a number from 1");
        }
        bus_.SetFault(*fault, count);
        return "ok\n";
    }
    if (command == "state") {
        std::optional<std::uint8_t> target;
        if (!address(1, target)) {
            return Error("usage: state [ADDRESS]");
        }
        const Reader& reader = target ? *bus_.Find(*target) : bus_.Readers().front();
        std::string out;
        for (std::size_t block = 0; block < kConfigBlocks; ++block) {
            out += "block " + std::to_string(block) + ":";
            for (std::uint8_t byte : reader.GetEeprom()[block]) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", byte);
                out += hex;
            }
            out += "\n";
        }
        return out + "ok\n";
    }
    if (command == "input") {
        unsigned bits = 0;
        std::optional<std::uint8_t> target;
        if (words.size() < 2 || !ParseUnsigned(words[1], bits, 16) || bits > 7 ||
            !address(2, target)) {
            return Error("usage: input BITS [ADDRESS]");
        }
        for (Reader& reader : bus_.Readers()) {
            if (!target || reader.Address() == *target) {
                reader.SetInputs(static_cast<std::uint8_t>(bits));
            }
        }
        return "ok\n";
    }
    return Error("unknown command " + std::string(command));
}

} // namespace kestra
