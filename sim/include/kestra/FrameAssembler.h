#pragma once
// Cuts the byte stream from the host into frames by their LEN byte.

#include "kestra/Frame.h"

#include <chrono>
#include <optional>

namespace kestra {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

/// Collects bytes until LEN of them have arrived. A frame that stays incomplete for longer
/// than the gap time is dropped, so the reader finds the next frame start after line noise
/// or a host that gave up halfway; a LEN byte below kMinRequest is dropped at once.
class FrameAssembler {
public:
    explicit FrameAssembler(std::chrono::nanoseconds gap) : gap_(gap) {}

    /// Adds one byte that arrived at `at`. Returns the frame this byte completes, if any.
    std::optional<Bytes> Feed(std::uint8_t byte, TimePoint at);

    /// Drops a partial frame whose last byte is older than the gap time at `now`.
    void Expire(TimePoint now);

    /// True while a frame is partly received.
    bool Pending() const { return !partial_.empty(); }

    /// When a partial frame will be dropped (meaningful only while Pending()).
    TimePoint Deadline() const { return last_ + gap_; }

private:
    std::chrono::nanoseconds gap_;
    Bytes partial_;
    TimePoint last_{};
};

} // namespace kestra
