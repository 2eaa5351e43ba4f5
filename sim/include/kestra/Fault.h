#pragma once
// Faults the bus puts into its answers on request.

#include "kestra/Frame.h"

#include <chrono>
#include <optional>
#include <string_view>

namespace kestra {

/// How an answer goes wrong. The reader still executes the request; only its answer is
/// lost, corrupted or delayed on the way back, as on a noisy line.
enum class FaultKind {
    Silent,     ///< no answer at all
    Checksum,   ///< the checksum byte is inverted
    BusAddress, ///< the answer names another bus address
    Command,    ///< the answer repeats another command byte
    Short,      ///< the last byte (the checksum) is missing
    Late,       ///< the whole answer comes after a delay
    Status,     ///< the answer carries the given status byte (and no data unless it is 0x00)
};

struct Fault {
    FaultKind kind = FaultKind::Silent;
    std::uint8_t status = 0;
    std::chrono::milliseconds delay{1000};
};

/// "silent", "checksum", "busaddr", "command", "short", "late", "late=MS" or "status=XX"
/// (XX two hex digits), or nothing for any other text.
std::optional<Fault> ParseFault(std::string_view name);

/// The bytes that leave the reader instead of the well-formed `answer` frame; empty for
/// Silent. Late leaves the bytes as they are (the caller delays them).
Bytes ApplyFault(const Fault& fault, const Bytes& answer);

} // namespace kestra
