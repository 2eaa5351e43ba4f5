#pragma once
// Conversions between bytes and their hex text forms.
//
// Hex digits are '0'-'9', 'A'-'F' and 'a'-'f'; every helper accepts both cases and writes
// upper case. None of them keeps state; HexTextToBytes may show a message through the
// message hook (MessageHook.h), which only a program installs.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// Why a text is not hex bytes, and where.
struct HexTextFault {
    enum class Kind {
        BadCharacter, ///< neither a hex digit nor, between two bytes, a separator
        LoneDigit,    ///< the first digit of a byte whose second digit is missing
    };
    Kind kind = Kind::BadCharacter;
    std::size_t position = 0; ///< index of the offending character in the text
};

/// True for the characters that may stand between the bytes of a frame: blank, tab, '-', ':'
/// and ','.
bool IsHexSeparator(char c);

/// Reads a frame written in hex: two digits a byte, either case, with any number of separators
/// (IsHexSeparator) before, between and after the bytes, and nothing else. Appends the bytes
/// to `bytes` and returns nothing, or returns the first fault and leaves `bytes` as it was. A
/// text without digits adds no byte and is no fault.
std::optional<HexTextFault> ReadHexFrame(std::string_view text, std::vector<unsigned char>& bytes);

/// The first character of `text` that is not a hex digit; nothing when there is none (an
/// empty text included).
std::optional<HexTextFault> FindNonHexDigit(std::string_view text);

/// The message for `fault` in `text`: "No Hex String", the text with the offending character
/// in brackets, and what is wrong with it, e.g. for "04 03 G65":
///     No Hex String\n\n04 03 [G]65\n\nCharacter 7 ("G") is not a hex digit.
std::string HexTextFaultMessage(std::string_view text, const HexTextFault& fault);
