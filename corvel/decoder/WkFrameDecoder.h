#pragma once
// What the bytes of a reader frame mean: direction, bus address, command, status and each
// field of the command's data, and whether the frame's length and checksum are right. The
// layouts come from the command table (WkReaderCommandTable.h); nothing here throws for bad
// bytes, which are described instead.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class WkFrameDirection : std::uint8_t { kRequest, kAnswer };

/// One field of a frame's data.
struct WkDecodedField {
    std::string name;  ///< "serial number", "output 2"
    std::string value; ///< "0102030405", "4660", "1 (TTB)"
    int offset = 0;    ///< of its first byte in the frame
    int size = 0;
};

/// A decoded request or answer.
struct WkDecodedFrame {
    WkFrameDirection direction = WkFrameDirection::kRequest;
    /// -1 where the frame is too short to carry the byte.
    int busAddress = -1;
    int command = -1;
    int status = -1; ///< answers only
    /// "[0x65] Software Version", "unknown command", or empty when there is no command byte.
    std::string commandName;
    /// The status byte's text ("OK", "Reader: Login Error"); empty for requests.
    std::string statusText;
    /// The LEN byte equals the number of bytes, and the frame has at least its header and
    /// checksum.
    bool lengthOk = false;
    /// The last byte is the XOR of all bytes before it.
    bool checksumOk = false;
    std::vector<WkDecodedField> fields;
    /// What is wrong with the frame, in words ("checksum 61, expected 60"); empty when it is
    /// sound. Several findings are joined by "; ".
    std::string problem;

    bool IsSound() const { return problem.empty(); }
    /// The fields as one line: "type: 1 (TTB), serial number: 0102030405".
    std::string Summary() const;
};

/// Decodes the bytes of a request frame (host to reader).
WkDecodedFrame DecodeRequest(std::span<const std::uint8_t> frame);

/// Decodes the bytes of an answer frame. `request`, when not empty, is the request it answers:
/// it selects the data layout of commands whose layout depends on the request's length, and
/// an answer for another command byte is a problem.
WkDecodedFrame DecodeAnswer(std::span<const std::uint8_t> frame,
                            std::span<const std::uint8_t> request = {});

/// True when the frame has at least its header and checksum, its LEN byte equals its size and
/// its checksum is right; the cheap check behind the decoder's lengthOk and checksumOk.
bool IsWholeFrame(std::span<const std::uint8_t> frame, WkFrameDirection direction);

/// Cuts received bytes into frames by their LEN bytes. Bytes that do not make a whole frame
/// (a LEN below 5 or beyond the end) stay together as the last piece.
std::vector<std::span<const std::uint8_t>> SplitFrames(std::span<const std::uint8_t> bytes);
