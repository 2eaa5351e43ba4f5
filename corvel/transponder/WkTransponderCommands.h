#pragma once
// The transponder editor's command list and the ZiduzeDavi sub-commands.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

/// One entry of the command list.
struct WkTransponderCommand {
    enum class Kind { Read, Write, Other };
    const char* text; ///< "[0x11] Read Serial Number"
    Kind kind;
    const char* action; ///< the action button's caption
};

/// The fourteen entries in list order.
inline constexpr int kTransponderCommandCount = 14;
extern const std::array<WkTransponderCommand, kTransponderCommandCount> kTransponderCommands;

/// The command code written in an entry text: the two characters after "[0x" as a hex byte;
/// 0 when they are not one.
int TransponderCommandCode(const std::string& entry);

/// The ZiduzeDavi sub-command entries and their codes, in combo order.
struct WkCryptSubCommand {
    const char* text;
    int code;
};
inline constexpr int kCryptSubCommandCount = 8;
extern const std::array<WkCryptSubCommand, kCryptSubCommandCount> kCryptSubCommands;
/// The position whose sub-command asks first ("90: Setup CryptoReader").
inline constexpr int kCryptSetupPosition = 7;
/// The combo position of a stored code: 0 for a code not in the table.
int CryptPositionOf(int code);
/// The code stored for a combo position: 0 for a position outside 0 .. 7.
int CryptCodeAt(int position);

/// The "Edit Serial Number" dialog's field: a number 0 .. 4294967295, nothing otherwise.
std::optional<std::uint32_t> ParseSerialNumberInput(const std::string& text);
