#include "WkTransponderCommands.h"

#include "common/HexText.h"

#include <charconv>
#include <cstdint>

using Kind = WkTransponderCommand::Kind;

// The write button's mnemonic is its R: Alt+W opens the main window's Window menu.
const std::array<WkTransponderCommand, kTransponderCommandCount> kTransponderCommands = {{
    {"[0x11] Read Serial Number", Kind::Read, "&Read"},
    {"[0x12] Write ID Number", Kind::Write, "W&rite"},
    {"[0x13] Read ID Number", Kind::Read, "&Read"},
    {"[0x14] Write public Data", Kind::Write, "W&rite"},
    {"[0x15] Read public Data", Kind::Read, "&Read"},
    {"[0x16] Write config Data", Kind::Write, "W&rite"},
    {"[0x17] Read config Data", Kind::Read, "&Read"},
    {"[0x18] Write secret Data", Kind::Write, "W&rite"},
    {"[0x19] Read secret Data", Kind::Read, "&Read"},
    {"[0x1A] Halt", Kind::Other, "&Send"},
    {"[0x1B] TTC Select", Kind::Other, "&Send"},
    {"[0x1C] Password Select", Kind::Other, "&Send"},
    {"[0x1D] Write Autopassword", Kind::Other, "&Send"},
    {"[0xAA] Process ZiduzeDavi", Kind::Other, "&Send"},
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

int TransponderCommandCode(const std::string& entry) {
    if (entry.size() < 5) {
        return 0;
    }
    const int high = HexDigitValue(entry[3]);
    const int low = HexDigitValue(entry[4]);
    return high < 0 || low < 0 ? 0 : 16 * high + low;
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
