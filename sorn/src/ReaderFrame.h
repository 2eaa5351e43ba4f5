#pragma once
// The reader frame as Sorn's exchanges know it: LEN (the length of the whole frame) first,
// the bus address and the command byte next, and last the XOR of every byte before it.

#include <cstddef>
#include <optional>
#include <span>

namespace sorn {

struct FrameSpan {
    std::size_t at;
    std::size_t length;
};

// The first whole frame in `bytes` whose LEN (at least 5, an answer's smallest) and checksum
// hold. While a frame that starts earlier may still be arriving, nothing is found yet;
// `silent` says that no more bytes are coming, so such a start is no frame.
std::optional<FrameSpan> FindFrame(std::span<const unsigned char> bytes, bool silent);

// True when the bytes sent are a request frame: the first byte is their count.
bool IsRequestFrame(std::span<const unsigned char> request);

// True when `answer` is a whole frame answering `request`: the same command byte, from the
// bus address asked (any address for the broadcast addresses 254 and 255).
bool Answers(std::span<const unsigned char> request, std::span<const unsigned char> answer);

} // namespace sorn
