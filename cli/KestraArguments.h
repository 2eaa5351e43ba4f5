#pragma once
// Numbers and line settings typed on the command line, checked against what the frame and the
// serial line can carry before anything is sent. Numbers are decimal unless written "0x...":
// "010" is ten, "5x" is no number.

#include <string>

namespace kestra_cli {

/// The baud rates the serial line can be set to.
inline constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

/// `text` as a whole number within `min` .. `max`; throws KestraError (exit 2) naming `what`
/// and the range for anything else.
long ParseNumber(const std::string& text, long min, long max, const std::string& what);
/// A baud rate of kBaudRates; throws KestraError (exit 2) naming `what` otherwise.
int ParseBaud(const std::string& text, const std::string& what);
/// A frame such as "8E1": data bits 7 or 8, parity N, E or O, stop bits 1 or 2 (either case;
/// returned in upper case). Throws KestraError (exit 2) naming `what` otherwise.
std::string ParseFrame(const std::string& text, const std::string& what);

} // namespace kestra_cli
