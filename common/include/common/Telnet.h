#pragma once
// Telnet (RFC 854, 855) as a serial port on the network uses it: the command and option codes,
// the COM Port Control Option (RFC 2217) with its sub-commands, and the bytes of each command.
// Data bytes 0xFF travel doubled; the receiving side is TelnetReceiver, the option states
// TelnetOptions.

#include <cstdint>
#include <span>
#include <vector>

namespace telnet {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;

inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPortOption = 44;

/// COM-PORT-OPTION sub-commands from client to server; the server answers each with the same
/// value under the command + kServerOffset, and sends its notifications that way too.
enum ComPortCommand : std::uint8_t {
    kSetBaudRate = 1, ///< 4 bytes, most significant first; 0 asks for the current rate
    kSetDataSize = 2, ///< 5..8; 0 asks
    kSetParity = 3,   ///< kParity...; 0 asks
    kSetStopSize = 4, ///< 1, 2 (3 is 1.5); 0 asks
    kSetControl = 5,  ///< kControl...
    kNotifyModemState = 7,
    kSetModemStateMask = 11,
    kPurgeData = 12, ///< kPurge...
};
inline constexpr std::uint8_t kServerOffset = 100;

inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kParityOdd = 2;
inline constexpr std::uint8_t kParityEven = 3;

inline constexpr std::uint8_t kControlNoFlowControl = 1;
inline constexpr std::uint8_t kControlDtrOn = 8;
inline constexpr std::uint8_t kControlDtrOff = 9;
inline constexpr std::uint8_t kControlRtsOn = 11;
inline constexpr std::uint8_t kControlRtsOff = 12;

/// Bits of a modem state (NOTIFY-MODEMSTATE, SET-MODEMSTATE-MASK).
inline constexpr std::uint8_t kModemDsr = 0x20;
inline constexpr std::uint8_t kModemCts = 0x10;
inline constexpr std::uint8_t kModemDsrChanged = 0x02;
inline constexpr std::uint8_t kModemCtsChanged = 0x01;

/// The server's buffer of bytes received from the line.
inline constexpr std::uint8_t kPurgeReceived = 1;

/// Appends `data` with every 0xFF doubled.
void AppendEscaped(Bytes& out, std::span<const std::uint8_t> data);

/// Appends IAC, `verb` (kWill, kWont, kDo, kDont), `option`.
void AppendNegotiation(Bytes& out, std::uint8_t verb, std::uint8_t option);

/// Appends IAC SB COM-PORT-OPTION `command` `value` IAC SE, 0xFF in the value doubled.
void AppendComPort(Bytes& out, std::uint8_t command, std::span<const std::uint8_t> value);

} // namespace telnet
