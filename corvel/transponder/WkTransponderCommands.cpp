#include "WkTransponderCommands.h"

#include <charconv>
#include <cstdint>

using Kind = WkTransponderCommand::Kind;
using Panel = WkTransponderCommand::Panel;
using Rows = WkTransponderCommand::Rows;

namespace {
constexpr const char* kRead = "&Read";
// The write button's mnemonic is its R: Alt+W opens the main window's Window menu.
constexpr const char* kWrite = "W&rite";
constexpr const char* kSend = "&Send";
constexpr const char* kPublic = "Public Data (hex)";
constexpr const char* kConfig = "Configuration Data (hex)";
constexpr const char* kSecret = "Secret Data (hex)";
} // namespace

const std::array<WkTransponderCommand, kTransponderCommandCount> kTransponderCommands = {{
    {.code = 0x11,
     .text = "[0x11] Read Serial Number",
     .kind = Kind::Read,
     .action = kRead,
     .selects = true,
     .runsOnDoubleClick = true},
    {.code = 0x12,
     .text = "[0x12] Write ID Number",
     .kind = Kind::Write,
     .action = kWrite,
     .idEditable = true},
    {.code = 0x13,
     .text = "[0x13] Read ID Number",
     .kind = Kind::Read,
     .action = kRead,
     .runsOnDoubleClick = true},
    {.code = 0x14,
     .text = "[0x14] Write public Data",
     .kind = Kind::Write,
     .action = kWrite,
     .rows = Rows::Scrolled,
     .caption = kPublic,
     .editableDataCells = 16,
     .editSnr = true},
    {.code = 0x15,
     .text = "[0x15] Read public Data",
     .kind = Kind::Read,
     .action = kRead,
     .rows = Rows::Scrolled,
     .caption = kPublic,
     .runsOnDoubleClick = true},
    {.code = 0x16,
     .text = "[0x16] Write config Data",
     .kind = Kind::Write,
     .action = kWrite,
     .rows = Rows::AtAddress,
     .caption = kConfig,
     .editableDataCells = 4},
    {.code = 0x17,
     .text = "[0x17] Read config Data",
     .kind = Kind::Read,
     .action = kRead,
     .rows = Rows::AtAddress,
     .caption = kConfig,
     .runsOnDoubleClick = true},
    {.code = 0x18,
     .text = "[0x18] Write secret Data",
     .kind = Kind::Write,
     .action = kWrite,
     .rows = Rows::Scrolled,
     .caption = kSecret,
     .editableDataCells = 16},
    {.code = 0x19,
     .text = "[0x19] Read secret Data",
     .kind = Kind::Read,
     .action = kRead,
     .rows = Rows::Scrolled,
     .caption = kSecret,
     .runsOnDoubleClick = true},
    {.code = 0x1A,
     .text = "[0x1A] Halt",
     .kind = Kind::Other,
     .action = kSend,
     .runsOnDoubleClick = true},
    {.code = 0x1B,
     .text = "[0x1B] TTC Select",
     .kind = Kind::Other,
     .action = kSend,
     .selects = true,
     .runsOnDoubleClick = true},
    {.code = 0x1C,
     .text = "[0x1C] Password Select",
     .kind = Kind::Other,
     .action = kSend,
     .panel = Panel::Password,
     .caption = "Password",
     .selects = true,
     .runsOnDoubleClick = true},
    {.code = 0x1D, .text = "[0x1D] Write Autopassword", .kind = Kind::Other, .action = kSend},
    {.code = 0xAA,
     .text = "[0xAA] Process ZiduzeDavi",
     .kind = Kind::Other,
     .action = kSend,
     .panel = Panel::Crypt,
     .caption = "ZiduzeDavi Command"},
}};

const std::array<WkCryptSubCommand, kCryptSubCommandCount> kCryptSubCommands = {{
    {"01: Read ZiduzeDavi", 0x01},
    {"20: Personalize CryptoKeys", 0x20},
    {"40: Generate primaryZiduzeDavi", 0x40},
    {"41: Generate successorZiduzeDavi", 0x41},
    {"44: Generate SetupZiduzeDavi", 0x44},
    {"4A: Write ZiduzeDavi", 0x4A},
    {"4B: Write InversZiduzeDavi", 0x4B},
    {"90: Setup CryptoReader", 0x90},
}};

const WkTransponderCommand* FindTransponderCommand(int code) {
    for (const WkTransponderCommand& command : kTransponderCommands) {
        if (command.code == code) {
            return &command;
        }
    }
    return nullptr;
}

int CryptPositionOf(int code) {
    for (int i = 0; i < kCryptSubCommandCount; ++i) {
        if (kCryptSubCommands[static_cast<std::size_t>(i)].code == code) {
            return i;
        }
    }
    return 0;
}

int CryptCodeAt(int position) {
    return position >= 0 && position < kCryptSubCommandCount
               ? kCryptSubCommands[static_cast<std::size_t>(position)].code
               : 0;
}

std::optional<std::uint32_t> ParseSerialNumberInput(const std::string& text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end) {
        return std::nullopt;
    }
    return value;
}
