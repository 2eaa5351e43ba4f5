#pragma once
// The protocol log lines as the reader library and the auto-answer thread write them, read
// into their parts and written back from them:
//   send line     "MM/DD/YY HH:MM:SS.mmm  >>  04 00 65 61 "
//   receive line  "...  <<  05 00 65 00 60   OK", or with a negative result
//                 "...  <<  Error: -2031  VELK: checksum error  (05 00 65 00 61   OK)"
//   error line    "...  !!  Error-2051  VELK: parameter out of range"
//   auto-answer   "...  <<  0B 00 11 00 01 01 02 03 04 05 1A " (the bytes as received)
// A line is kept as its parts only when writing them back gives the very same text.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class WkLineKind : std::uint8_t {
    kSend,       ///< a request the host sent
    kReceive,    ///< the reader library's receive line: an answer, or a failed exchange
    kError,      ///< the reader library's error line: nothing was received
    kAutoAnswer, ///< bytes a reader sent by itself
    kText,       ///< any other text
};

/// A protocol time stamp "MM/DD/YY HH:MM:SS.mmm" packed into 64 bits, most significant field
/// first, so that later stamps compare greater within a century. 0 is no stamp.
using WkPackedTime = std::uint64_t;

/// Reads the 21 characters of a stamp; false (and `packed` untouched) when they are not one.
bool ParseTimeStamp(std::string_view text, WkPackedTime& packed);

/// Appends the 21 characters of a stamp.
void AppendTimeStamp(WkPackedTime packed, std::string& out);

/// Milliseconds from 01/01/00 00:00:00.000 to the stamp, for differences between stamps.
std::int64_t TimeStampMilliseconds(WkPackedTime packed);

/// The parts of one line.
struct WkProtocolLine {
    WkLineKind kind = WkLineKind::kText;
    WkPackedTime time = 0;
    /// The negative result of a receive or error line (0 for the error line of a result 0);
    /// 0 otherwise.
    int code = 0;
    /// The frame bytes of a send, receive or auto-answer line.
    std::vector<std::uint8_t> bytes;
};

/// Reads `line` into `parts` (its byte buffer is reused). Whatever the line, `parts` says
/// what could be read: a line that is no protocol line is kText without a time.
void ParseProtocolLine(std::string_view line, WkProtocolLine& parts);

/// Appends the text of a line made of these parts. False for parts whose text holds more
/// than they do (kText, and the serial-port library's own texts of its error codes).
bool AppendProtocolLine(WkLineKind kind, WkPackedTime time, int code,
                        std::span<const std::uint8_t> bytes, std::string& out);
