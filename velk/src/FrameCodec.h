#pragma once
// The reader frame: LEN, bus address, command byte, data, XOR checksum. An answer carries a
// status byte after the command byte. LEN counts the whole frame, itself and the checksum
// included; nothing else delimits a frame.

#include <cstdint>

/// Largest request data: LEN is one byte, so 255 - 4.
inline constexpr int kMaxRequestData = 251;
/// Smallest answer: LEN, address, command, status, checksum.
inline constexpr int kMinAnswerLength = 5;

/// XOR of bytes[0 .. count-1], starting from 0.
std::uint8_t FrameChecksum(const unsigned char* bytes, int count);

/// frame := the request and a NUL after it (frame holds dataLength + 5 bytes).
/// Returns the frame length, or VELK_ERR_OUT_OF_RANGE when dataLength is outside 0..251 (nothing
/// written).
int BuildRequestFrame(int busAddress, int command, const unsigned char* data, int dataLength,
                      unsigned char* frame);

/// The parts of a checked answer. data points into the checked frame.
struct AnswerParts {
    std::uint8_t busAddress = 0;
    std::uint8_t command = 0;
    std::uint8_t status = 0;
    const unsigned char* data = nullptr;
    int dataLength = 0;
};

/// True when the request is a frame: its first byte is its length, at least 4.
bool IsRequestFrame(const unsigned char* request, int length);

/// True when `answer` (count bytes) is a whole answer to the request frame: LEN at least 5 and
/// equal to the count, the checksum holds, the same command byte, and the bus address asked
/// unless it was 254 or 255 (which any reader answers).
bool AnswersRequest(const unsigned char* request, int requestLength, const unsigned char* answer,
                    int count);

/// Checks an answer of `received` bytes: LEN at least 5 and equal to the low 8 bits of the
/// count (VELK_ERR_LENGTH), checksum (VELK_ERR_CHECKSUM). Returns the status byte and fills parts
/// on success. A count of 0 or less is a length error; frame is not read then.
int CheckAnswerFrame(const unsigned char* frame, int received, AnswerParts& parts);
