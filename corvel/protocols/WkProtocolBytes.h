#pragma once
// The hex texts of the protocol and macro editors as bytes: the bytes a send takes, the
// checksum the edit dialog completes.

#include <array>
#include <string>

class WkProtocolBytes {
public:
    /// The most bytes a protocol may have.
    static constexpr int kMaxBytes = 256;
    /// One more than kMaxBytes: the reader library writes the checksum behind the bytes.
    using Buffer = std::array<unsigned char, kMaxBytes + 1>;

    /// The bytes of `text`'s hex digits (other characters are skipped). 0 when there are no
    /// digits, an odd number of them or more than kMaxBytes bytes; for the last two `problem`
    /// (may be null) gets the text to show the user.
    static int Parse(const std::string& text, Buffer& bytes, std::string* problem = nullptr);

    /// `text` with its frame checksum (XOR of the bytes before it): replaces the last byte
    /// when the first byte, the frame length, counts it already, and is appended otherwise.
    /// The result is written as pairs with single blanks. A text that does not parse, or
    /// that has no room for one more byte, comes back unchanged.
    static std::string WithChecksum(const std::string& text);

    /// "%02X" per byte, joined by single blanks.
    static std::string ToText(const unsigned char* bytes, int count);
};
