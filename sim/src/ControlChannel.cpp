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

std::string Error(std::string_view reason) {
    return "error: " + std::string(reason) + "\n";
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        out += hex;
    }
    return out;
}

std::optional<Transponder::Area> ParseArea(std::string_view name) {
    if (name == "public") {
        return Transponder::Area::Public;
    }
    if (name == "config") {
        return Transponder::Area::Config;
    }
    if (name == "secret") {
        return Transponder::Area::Secret;
    }
    return std::nullopt;
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
        auto serial = ParseSerialNumber(words[2]);
        if (!serial) {
            return Error("the serial number is 10 hex digits");
        }
        bus_.PutTransponder(Transponder(*type, *serial), target, now);
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
            const Block& bytes = reader.GetEeprom()[block];
            out += "block " + std::to_string(block) + ":" + HexBytes(bytes.data(), bytes.size()) +
                   "\n";
        }
        if (dropped_ != nullptr) {
            out += "dropped " + std::to_string(*dropped_) + "\n";
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
    if (command == "memory") {
        return Memory(words);
    }
    return Error("unknown command " + std::string(command));
}

std::string ControlChannel::Memory(const std::vector<std::string_view>& words) {
    const bool id = words.size() >= 2 && words[1] == "id";
    // A plain value and a flag rather than an optional: GCC's thread-sanitizer build takes the
    // optional's value for uninitialised where it is read behind the flag.
    Transponder::Area area = Transponder::Area::Public;
    bool haveArea = false;
    if (auto parsed = words.size() >= 2 ? ParseArea(words[1]) : std::nullopt) {
        area = *parsed;
        haveArea = true;
    }
    const std::size_t addressAt = id ? 2 : 4;
    unsigned first = 0;
    unsigned count = 0;
    unsigned address = 0;
    bool valid = (id || (haveArea && words.size() >= 4 && ParseUnsigned(words[2], first, 10) &&
                         ParseUnsigned(words[3], count, 10))) &&
                 words.size() <= addressAt + 1 &&
                 (words.size() == addressAt ||
                  (ParseUnsigned(words[addressAt], address, 10) && address <= 253 &&
                   bus_.Find(static_cast<std::uint8_t>(address)) != nullptr));
    if (!valid) {
        return Error("usage: memory public|config|secret BLOCK COUNT [ADDRESS] | memory id "
                     "[ADDRESS]");
    }
    const Reader& reader = words.size() == addressAt
                               ? bus_.Readers().front()
                               : *bus_.Find(static_cast<std::uint8_t>(address));
    const Transponder* tag = reader.GetField().Tag();
    if (tag == nullptr) {
        return Error("no transponder in the field");
    }
    if (id) {
        Bytes bytes = tag->Id();
        return "id " + std::to_string(tag->IdBits()) + ":" + HexBytes(bytes.data(), bytes.size()) +
               "\nok\n";
    }
    auto blocks = tag->Read(area, first, count);
    if (!blocks || count == 0) {
        return Error("the " + std::string(words[1]) + " memory has " +
                     std::to_string(tag->Blocks(area)) + " blocks");
    }
    std::string out;
    for (unsigned i = 0; i < count; ++i) {
        out += "block " + std::to_string(first + i) + ":" +
               HexBytes(blocks->data() + i * Transponder::kBlockBytes, Transponder::kBlockBytes) +
               "\n";
    }
    return out + "ok\n";
}

} // namespace kestra
