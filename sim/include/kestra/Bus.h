#pragma once
// A serial bus of simulated readers: who answers a request, with which bytes and when.

#include "kestra/Fault.h"
#include "kestra/Reader.h"

#include <optional>
#include <vector>

namespace kestra {

/// Bytes a reader puts on the line at `at`, at its line speed and frame.
struct Emission {
    TimePoint at{};
    Bytes bytes;
    unsigned baud = 9600;
    bool parity = true;
    bool unasked = false; ///< an auto-answer protocol, not the answer to a request
};

/// The readers on one line. The bus does no I/O: it is given each complete frame with the
/// moment it arrived and the host's line speed, and returns what goes back; auto-answer
/// protocols are collected with TakeDue on the same clock.
class Bus {
public:
    /// Adds a reader; false when another reader already has its bus address.
    bool AddReader(Reader reader);

    std::vector<Reader>& Readers() { return readers_; }
    const std::vector<Reader>& Readers() const { return readers_; }

    /// The reader with bus address `address`, or null.
    Reader* Find(std::uint8_t address);

    /// A frame arrived complete at `now` while the host's line ran at `lineBaud` (0 when the
    /// speed cannot be seen, as on a real device, where a wrong speed garbles the bytes
    /// instead). The first reader the frame is addressed to, listening at that speed,
    /// executes it; its answer passes the pending fault, if any. Frames with a wrong LEN or
    /// checksum are ignored, as readers ignore them.
    std::optional<Emission> OnFrame(const Bytes& frame, TimePoint now, unsigned lineBaud);

    /// The next `count` answers suffer `fault` (count 0 clears it).
    void SetFault(const Fault& fault, unsigned count);

    /// Answers still to be spoiled by the pending fault.
    unsigned FaultsLeft() const { return faultCount_; }

    /// Puts `tag` into the field of the reader at `address`, or of every reader.
    void PutTransponder(const std::optional<Transponder>& tag, std::optional<std::uint8_t> address,
                        TimePoint now);

    /// When the next auto-answer protocol is due, or nothing.
    std::optional<TimePoint> NextDue() const;

    /// The auto-answer protocols due at `now`.
    std::vector<Emission> TakeDue(TimePoint now);

private:
    std::vector<Reader> readers_;
    Fault fault_;
    unsigned faultCount_ = 0;
};

} // namespace kestra
