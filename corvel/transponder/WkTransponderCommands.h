#pragma once
// The transponder editor's command list, one row per command with what the editor does with
// it, and the ZiduzeDavi sub-commands.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

/// One entry of the command list. The list shows the rows in table order; a transponder file
/// stores the selected entry as its position in this table.
struct WkTransponderCommand {
    enum class Kind { Read, Write, Other };
    /// What the group below the identity fields holds.
    enum class Panel { Data, Password, Crypt };
    /// The data rows: the command has none of its own (those of the data command last selected
    /// stay), they show the addressed block, or they scroll and follow a typed address.
    enum class Rows { None, AtAddress, Scrolled };

    int code = 0;          ///< the reader command byte
    const char* text = ""; ///< "[0x11] Read Serial Number"
    Kind kind = Kind::Other;
    const char* action = ""; ///< the action button's caption
    Panel panel = Panel::Data;
    Rows rows = Rows::None;
    const char* caption = nullptr; ///< the group's caption; null: that of the rows shown
    int editableDataCells = 0;     ///< 0, 4 (the first row) or 16
    bool idEditable = false;       ///< ID length and ID number can be edited
    bool editSnr = false;          ///< "Edit Snr..." is shown
    /// Selects a transponder: a failure clears type and serial number, and the fields are
    /// shown again after it ran (as after every read).
    bool selects = false;
    /// A double click (Enter, Space) runs it; otherwise the double click only selects it.
    bool runsOnDoubleClick = false;
};

/// The fourteen entries in list order.
inline constexpr int kTransponderCommandCount = 14;
extern const std::array<WkTransponderCommand, kTransponderCommandCount> kTransponderCommands;

/// The row of command `code`, or null for a code the list does not have.
const WkTransponderCommand* FindTransponderCommand(int code);

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
