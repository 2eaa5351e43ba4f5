#pragma once
// Reader frames on the serial line.
//
// A request is LEN, bus address, command byte, data, checksum; an answer carries a status
// byte after the command byte. LEN counts the whole frame, itself and the checksum included,
// and the checksum is the XOR of every byte before it. Nothing else delimits a frame.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kestra {

using Bytes = std::vector<std::uint8_t>;

/// The longest frame: LEN is one byte.
inline constexpr std::size_t kMaxFrame = 255;
/// A request without data: LEN, address, command, checksum.
inline constexpr std::size_t kMinRequest = 4;
/// An answer without data: LEN, address, command, status, checksum.
inline constexpr std::size_t kMinAnswer = 5;
/// The most data an answer can carry.
inline constexpr std::size_t kMaxAnswerData = kMaxFrame - kMinAnswer;

/// Bus addresses every reader takes as its own; the answer carries the reader's real address.
inline constexpr std::uint8_t kBroadcastLow = 254;

/// Status bytes the simulated readers answer with.
namespace status {
inline constexpr std::uint8_t kOk = 0x00;
inline constexpr std::uint8_t kNoTransponder = 0x01;
inline constexpr std::uint8_t kAddressError = 0x04;
inline constexpr std::uint8_t kWrongType = 0x05;
inline constexpr std::uint8_t kRangeError = 0x11;
inline constexpr std::uint8_t kPasswordCycle = 0x12;
inline constexpr std::uint8_t kLoginRequest = 0x13;
inline constexpr std::uint8_t kLoginError = 0x14;
inline constexpr std::uint8_t kPasswordError = 0x60;
inline constexpr std::uint8_t kUnknownCommand = 0x80;
inline constexpr std::uint8_t kLengthError = 0x81;
inline constexpr std::uint8_t kNotAvailable = 0x82;
} // namespace status

/// A request as the reader understood it.
struct Request {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    Bytes data;
};

/// What a reader answers: the status byte and the answer data.
struct Answer {
    std::uint8_t status = status::kOk;
    Bytes data;
};

/// XOR of bytes[0 .. count-1], starting from 0.
std::uint8_t Checksum(const std::uint8_t* bytes, std::size_t count);

/// The request held in `frame`, or nothing when LEN differs from the frame's size, the frame
/// is shorter than kMinRequest or the checksum is wrong.
std::optional<Request> ParseRequest(const Bytes& frame);

/// LEN, address, command, data, checksum. `data` holds at most kMaxFrame - kMinRequest bytes
/// (std::length_error otherwise).
Bytes BuildRequest(std::uint8_t address, std::uint8_t command, const Bytes& data);

/// LEN, address, command, status, data, checksum. `data` holds at most kMaxAnswerData bytes
/// (std::length_error otherwise).
Bytes BuildAnswer(std::uint8_t address, std::uint8_t command, const Answer& answer);

} // namespace kestra
