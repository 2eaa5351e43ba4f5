#pragma once
// The control lines a test or a person types while the bus runs.

#include "kestra/Bus.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestra {

/// Executes control lines on a bus. Every line is answered with "ok" or "error: " and the
/// reason; `state` prints its blocks first. Blank lines and lines starting with "#" get no
/// answer.
///
///     tag TYPE SERIAL [ADDRESS]   a fresh TTA..TTD transponder with the 10-digit hex serial
///                                 number enters the field (of one reader, or of all)
///     tag none [ADDRESS]          the field is emptied
///     fault NAME [COUNT]          the next COUNT answers (default 1) are faulty; NAME is
///                                 silent, checksum, busaddr, command, short, late[=MS] or
///                                 status=XX; "fault none" clears a pending fault
///     state [ADDRESS]             EEPROM blocks 0..2 as "block B: XX XX ..." lines, then
///                                 "dropped N" when the channel counts the frames the line
///                                 dropped because the host did not read them
///     input BITS [ADDRESS]        input 1, input 2 and the sabotage input (bits 0..2, hex)
///     memory AREA BLOCK COUNT [ADDRESS]
///                                 COUNT blocks of the transponder's public, config or
///                                 secret memory as "block B: XX XX XX XX" lines
///     memory id [ADDRESS]         the identifier as "id BITS: XX ..."
class ControlChannel {
public:
    /// `dropped`, when given, is the line's count of dropped frames (it must outlive this).
    explicit ControlChannel(Bus& bus, const std::uint64_t* dropped = nullptr)
        : bus_(bus), dropped_(dropped) {}

    /// The answer to `line` at `now`, each answer line ending in "\n"; empty for blank and
    /// comment lines.
    std::string Execute(std::string_view line, TimePoint now);

private:
    std::string Memory(const std::vector<std::string_view>& words);

    Bus& bus_;
    const std::uint64_t* dropped_;
};

} // namespace kestra
