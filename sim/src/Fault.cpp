#include "kestra/Fault.h"

#include <charconv>

namespace kestra {

namespace {

template <typename T> bool ParseNumber(std::string_view text, T& value, int base) {
    if (text.empty()) {
        return false;
    }
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::optional<Fault> ParseFault(std::string_view name) {
    Fault fault;
    if (name == "silent") {
        fault.kind = FaultKind::Silent;
    } else if (name == "checksum") {
        fault.kind = FaultKind::Checksum;
    } else if (name == "busaddr") {
        fault.kind = FaultKind::BusAddress;
    } else if (name == "command") {
        fault.kind = FaultKind::Command;
    } else if (name == "short") {
        fault.kind = FaultKind::Short;
    } else if (name == "late") {
        fault.kind = FaultKind::Late;
    } else if (name.starts_with("late=")) {
        unsigned ms = 0;
        if (!ParseNumber(name.substr(5), ms, 10) || ms > 60000) {
            return std::nullopt;
        }
        fault.kind = FaultKind::Late;
        fault.delay = std::chrono::milliseconds(ms);
    } else if (name.starts_with("status=")) {
        std::string_view hex = name.substr(7);
        unsigned value = 0;
        if (hex.size() != 2 || !ParseNumber(hex, value, 16)) {
            return std::nullopt;
        }
        fault.kind = FaultKind::Status;
        fault.status = static_cast<std::uint8_t>(value);
    } else {
        return std::nullopt;
    }
    return fault;
}

Bytes ApplyFault(const Fault& fault, const Bytes& answer) {
    if (answer.size() < kMinAnswer) {
        return answer;
    }
    Bytes bytes = answer;
    auto reseal = [&bytes] { bytes.back() = Checksum(bytes.data(), bytes.size() - 1); };
    switch (fault.kind) {
    case FaultKind::Silent:
        return {};
    case FaultKind::Checksum:
        bytes.back() = static_cast<std::uint8_t>(~bytes.back());
        break;
    case FaultKind::BusAddress:
        bytes[1] = static_cast<std::uint8_t>(bytes[1] + 1);
        reseal();
        break;
    case FaultKind::Command:
        bytes[2] = static_cast<std::uint8_t>(bytes[2] ^ 0x80);
        reseal();
        break;
    case FaultKind::Short:
        bytes.pop_back();
        break;
    case FaultKind::Late:
        break;
    case FaultKind::Status: {
        Answer replaced{fault.status, {}};
        if (fault.status == status::kOk) {
            replaced.data.assign(answer.begin() + 4, answer.end() - 1);
        }
        return BuildAnswer(answer[1], answer[2], replaced);
    }
    }
    return bytes;
}

} // namespace kestra
