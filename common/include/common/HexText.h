#pragma once
// Conversions between bytes and their hex text forms.
//
// Hex digits are '0'-'9', 'A'-'F' and 'a'-'f'; every helper accepts both cases and writes
// upper case. None of them keeps state; HexTextToBytes may show a message through the
// message hook (MessageHook.h), which only a program installs.

#include <string>

/// Collects the hex digits of `text` (every other character is skipped) and writes one byte
/// per pair, first digit as the high nibble, to bytes[0], bytes[1], ...
/// Returns the number of bytes written, or 0 when the digit count is odd or the bytes would
/// exceed `maxBytes`; nothing is written then, and when `showMessage` is set the reason is
/// shown through the message hook. A text without hex digits gives 0 without a message.
int HexTextToBytes(std::string text, unsigned char* bytes, int maxBytes, bool showMessage);

/// text := two upper-case hex digits per byte, no separators. Always true.
bool BytesToHexText(const unsigned char* bytes, std::string& text, int count);

/// Value 0..15 of one hex digit, or -1 when `c` is not one.
int HexDigitValue(char c);

/// True when every character of `text` is a hex digit; an empty text is true.
bool IsHexText(const std::string& text);

/// Replaces `text` by the text made of its hex digits, in order.
void StripNonHex(std::string& text);

/// value := the unsigned big-endian number of bytes[0 .. count-1], summed in double precision
/// so that numbers wider than 64 bits are approximated, not cut. count 0 gives 0. Always true.
bool BigEndianAsDouble(const unsigned char* bytes, int count, double* value);

/// The two messages of HexTextToBytes, exactly as shown.
inline constexpr const char* kHexOddLengthMessage = "Error in string!\n\nOdd string length.";
inline constexpr const char* kHexTooLongMessage =
    "Error in Protocol string!\n\nString is to long.\nThe string length is limitated to 256 "
    "chars.";
