#pragma once
// A parameter descriptor names a value in a byte image: "CC BB PP LL bb nn" - command code
// (hex), block, byte position, byte length, lowest bit and bit count (all decimal).

#include <cstdint>
#include <optional>
#include <string_view>

/// How a descriptor's block and position become a byte index.
enum class WkAddressing {
    Block16, ///< block x 16 + position: reader configuration and command parameters
    Block4,  ///< block x 4 + position: transponder memory images
};

/// The six fields of a parameter descriptor.
struct WkParamDescriptor {
    int command = 0;  ///< CC, read as hex; the accessors ignore it
    int block = 0;    ///< BB
    int position = 0; ///< PP
    int length = 0;   ///< LL, bytes
    int lowBit = 0;   ///< bb, lowest bit of a bit field (0 = least significant)
    int bitCount = 0; ///< nn, 0 = the whole LL bytes

    /// Reads `text` as "%x %d %d %d %d %d". Returns nothing when a field is missing or when
    /// block, position, length, lowest bit or bit count is negative.
    static std::optional<WkParamDescriptor> Parse(std::string_view text);

    /// The byte index in the given family (64 bits, so that no field value can overflow).
    std::int64_t Index(WkAddressing family) const {
        const std::int64_t blockSize = family == WkAddressing::Block16 ? 16 : 4;
        return static_cast<std::int64_t>(block) * blockSize + position;
    }
};
