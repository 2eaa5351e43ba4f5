#pragma once
// When a reader in auto-answer mode sends its protocols, and what they hold.

#include "kestra/FactoryConfig.h"
#include "kestra/FrameAssembler.h"
#include "kestra/Transponder.h"

#include <optional>

namespace kestra {

/// Auto-answer mode is configuration block 0:
/// - byte 0: bit 0 serial number, bit 1 identifier, bit 2 data blocks are sent; bit 3 the
///   transponder is halted after its protocols; bit 4 set = send once per presence, clear =
///   repeat while the transponder stays; bit 5 the serial number in BCD instead of binary;
///   bit 6 set = the bare data, clear = the data inside an answer frame;
/// - byte 1: protocols per presence (0 counts as 1), bytes 2-3: gap between them (x 5 ms);
/// - bytes 4-5: first data block and block count (bits 0..2) from public (bit 7 clear) or
///   secret data; byte 6 bit 0: the asynchronous interface (the serial line) is chosen;
/// - bytes 9-10: lock time before a transponder that stays is reported again (x 5 ms).
/// The schedule runs on the caller's clock, so it can be driven by tests.
class AutoAnswer {
public:
    /// True when `block0` asks for protocols on the serial line.
    static bool Enabled(const Block& block0);

    /// The protocol for `tag` as `block0` chooses, sent from bus address `address`.
    static Bytes BuildProtocol(const Block& block0, const Transponder& tag, std::uint8_t address);

    /// A transponder entered the field at `now`: the first protocol is due at once.
    void Start(TimePoint now, const Block& block0);

    /// The transponder left the field: nothing more is due.
    void Stop() { next_.reset(); }

    /// When the next protocol is due, or nothing.
    std::optional<TimePoint> Due() const { return next_; }

    /// When a protocol is due at `now`, advances the schedule and returns true; `burstDone`
    /// tells that it was the last one of its group (the moment to halt the transponder).
    bool Take(TimePoint now, const Block& block0, bool& burstDone);

private:
    std::optional<TimePoint> next_;
    unsigned remaining_ = 0;
};

} // namespace kestra
