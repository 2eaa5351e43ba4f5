#pragma once
// The hex texts of the protocol and macro editors as bytes: the bytes a send takes, the
// checksum the edit dialog completes, and what keeps a text from being sent.

#include <array>
#include <string>

class WkProtocolBytes {
public:
    /// The most bytes a frame may have on the line, its checksum included: the reader library
    /// sends the length of a transparent frame as one byte.
    static constexpr int kMaxFrame = 255;
    /// The bytes of a frame, with room for the checksum the reader library writes behind them.
    using Buffer = std::array<unsigned char, kMaxFrame + 1>;

    /// Why `text` cannot be sent, the reader library adding a checksum when `addChecksum` is
    /// set: a character that is not hex (ReadHexFrame), or a frame longer than kMaxFrame.
    /// Empty when it can be sent; a text without hex digits has nothing to send and no problem.
    static std::string Problem(const std::string& text, bool addChecksum);

    /// The bytes of `text`. 0 when there are none or when Problem finds one (then `problem`,
    /// may be null, gets its text).
    static int Parse(const std::string& text, bool addChecksum, Buffer& bytes,
                     std::string* problem = nullptr);

    /// `text` with its frame checksum (XOR of the bytes before it): replaces the last byte
    /// when the first byte, the frame length, counts it already, and is appended otherwise.
    /// The result is written as pairs with single blanks. A text that does not parse, or
    /// that has no room for one more byte, comes back unchanged.
    static std::string WithChecksum(const std::string& text);

    /// "%02X" per byte, joined by single blanks.
    static std::string ToText(const unsigned char* bytes, int count);
};
