#pragma once
// A reader's view of a transponder code, written apart from the library's encoder: the 64
// bits as one number, checked field by field from the most significant end.

#include <array>
#include <cstdint>
#include <optional>

namespace codetest {

/// The serial number carried by `code`, or nothing when a header bit, a row parity, a column
/// parity or the stop bit is wrong.
inline std::optional<std::array<unsigned char, 5>>
DecodeTransponderCode(const unsigned char* code) {
    uint64_t word = 0;
    for (int i = 0; i < 8; ++i)
        word = (word << 8) | code[i];
    if ((word >> 55) != 0x1FF || (word & 1) != 0)
        return std::nullopt;
    std::array<unsigned char, 5> serial{};
    unsigned columns = 0;
    for (int row = 0; row < 10; ++row) {
        const auto group = static_cast<unsigned>((word >> (50 - 5 * row)) & 0x1F);
        const unsigned nibble = group >> 1;
        unsigned ones = 0;
        for (unsigned rest = nibble; rest != 0; rest >>= 1)
            ones += rest & 1;
        if ((group & 1) != ones % 2)
            return std::nullopt;
        columns ^= nibble;
        serial[row / 2] |= static_cast<unsigned char>(row % 2 == 0 ? nibble << 4 : nibble);
    }
    if (((word >> 1) & 0xF) != columns)
        return std::nullopt;
    return serial;
}

} // namespace codetest
