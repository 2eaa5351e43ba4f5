#pragma once
// The description of one configuration page of the reader editor: every control with its
// labels, descriptor and conversion, the command groups with their context-menu entries, and
// the lists the page sends and reads. The same tables drive the page logic (WkConfigPage),
// the Qt pages and the command-line client; the functions below are the one place where a
// control's value is taken from or written to a module.
//
// Iterating all controls of every page with their page, group and label:
//
//     for (const WkPageTable& page : ReaderPageTables())
//         for (const WkPageControl& control : page.controls)
//             use(page.caption, control.group, control.label, control.descriptor);

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class WkParaModul;

/// How a control shows its value.
enum class WkControlKind {
    Check,    ///< check box: checked = bit set (or clear, when `inverted`)
    Radio,    ///< radio group: the index of the chosen button is the field value
    List,     ///< drop-down list: the index is the field value
    Number,   ///< decimal number field, checked against min .. max when the page commits
    OneHot,   ///< radio group over single bits: load takes the lowest set bit, commit sets one
    BaudList, ///< baud list: codes 2 and above show as code - 2, commit stores index + 2
    TypeList, ///< the transponder type list: choosing an entry shows that type's controls
};

/// One bound control of a page.
struct WkPageControl {
    int id = 0; ///< the control's number (the first button of a radio group)
    WkControlKind kind = WkControlKind::Check;
    std::string group;              ///< the frame it sits in; its command group has the same frame
    std::string label;              ///< text beside or on the control (may be empty)
    std::string column;             ///< column title in a grid of controls (may be empty)
    std::string unit;               ///< text after a number field ("x 5 ms"; may be empty)
    std::vector<std::string> items; ///< radio buttons or list items, in index order
    /// The parameter descriptor "CC BB PP LL bb nn": the command code in hex, then block (16
    /// bytes), byte position, byte length, lowest bit and bit count in decimal, so that
    /// "72 01 05 01 00 00" is byte 21. For OneHot the descriptor of bit 0; bit b replaces the
    /// fifth field with b.
    std::string descriptor;
    int image = 1;         ///< module image: 1 (configuration) or 11 (answers)
    std::uint32_t min = 0; ///< Number: smallest value
    std::uint32_t max = 0; ///< Number: largest value
    bool inverted = false; ///< Check: checked means the bit is clear
    int type = 0;          ///< shown only while this transponder type is chosen (0: always)
};

/// A button that opens a dialog; it is bound to no value.
struct WkPageButton {
    int id = 0;
    std::string group;
    std::string label;
};

/// One command of a page with its two context-menu entries.
struct WkCommandGroup {
    std::string frame; ///< the frame whose right-click offers the entries
    int code = 0;      ///< the reader command
    int sendId = 0;
    std::string sendText;
    int readId = 0;
    std::string readText;
    /// Descriptors whose block-read flags a read of this group clears first.
    std::vector<std::string> readClears;
    int type = 0; ///< the transponder type value set before the command (0: none)
};

/// One configuration page.
struct WkPageTable {
    std::string caption;
    std::vector<WkPageControl> controls;
    std::vector<WkPageButton> buttons;
    std::vector<WkCommandGroup> groups;
    std::vector<int> sendCodes;        ///< sent by "send page", in order
    std::vector<std::string> readList; ///< descriptors whose flags a forced read clears
    std::vector<int> readCodes;        ///< read by "read page", in order
    /// Sending and reading the page runs the commands once for each transponder type 1, 2, 3
    /// with the type value set first.
    bool overTypes = false;
};

/// The reader's access lock. A reader that takes it refuses every later write until a login,
/// so it is sent after every other value: last in its page's send list, and its page last
/// when all pages are sent.
inline constexpr int kReaderLockCode = 0xA1;
/// Whether `page` sends the access lock.
bool SendsLock(const WkPageTable& page);

/// The transponder type value of the answer image that commands 0xA5 use.
inline constexpr const char* kTransponderTypeDescriptor = "A5 33 11 01 00 00";

/// Pages 1 to 7 in page order ("Auto Answer Mode" .. "Transponder Settings").
const std::vector<WkPageTable>& ReaderPageTables();

/// The value `control` shows for what `modul` holds: 0/1 for a check box, the index for
/// radio groups and lists, the number for number fields. Nullopt when the descriptor does
/// not fit the module.
std::optional<std::uint32_t> ReadControl(const WkPageControl& control, WkParaModul& modul);

/// Writes the shown `value` of `control` into `modul` (with change notification, so a
/// changed value marks the owner modified). False when the descriptor does not fit or a
/// number is out of range (nothing written then).
bool WriteControl(const WkPageControl& control, WkParaModul& modul, std::uint32_t value);

/// The text of a shown value: "on"/"off" for a check box, the item text for radio groups and
/// lists (the index in decimal when there is no such item), the decimal number otherwise.
std::string ControlValueText(const WkPageControl& control, std::uint32_t value);

/// The shown value for `text`: an item text or "on"/"off" as ControlValueText writes them,
/// or a decimal index or number. Nullopt for anything else or a number out of range.
std::optional<std::uint32_t> ParseControlValue(const WkPageControl& control, std::string_view text);

/// The descriptor of bit `bit` of a OneHot control.
std::string OneHotDescriptor(const WkPageControl& control, int bit);

/// The message for number text that ParseControlValue refused: "Please enter an integer
/// between MIN and MAX." for digits out of range, "Please enter an integer." otherwise.
std::string RangeMessage(const WkPageControl& control, const std::string& text);
