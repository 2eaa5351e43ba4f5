#include "WkCommandComment.h"

#include "common/HexText.h"

#include <algorithm>
#include <iterator>

namespace {

struct CommandName {
    int code;
    const char* name;
};

constexpr CommandName kNames[] = {
    {0x11, "[0x11] Read Serial Number"},
    {0x12, "[0x12] Write ID Number"},
    {0x13, "[0x13] Read ID Number"},
    {0x14, "[0x14] Write public Data"},
    {0x15, "[0x15] Read public Data"},
    {0x16, "[0x16] Write config Data"},
    {0x17, "[0x17] Read config Data"},
    {0x18, "[0x18] Write secret Data"},
    {0x19, "[0x19] Read secret Data"},
    {0x1A, "[0x1A] Halt"},
    {0x1B, "[0x1B] TTC Select"},
    {0x1C, "[0x1C] Password Select"},
    {0x1D, "[0x1D] Write Autopassword"},
    {0x40, "[0x40] Auto Answer Mode: Mode"},
    {0x41, "[0x41] Auto Answer Mode: Protocol Blocks"},
    {0x42, "[0x42] Auto Answer Mode: Gap Time"},
    {0x43, "[0x43] Auto Answer Mode: Datablock Definition"},
    {0x50, "[0x50] Auto Answer Interface: Output Interface"},
    {0x51, "[0x51] Reader Settings: Asynchron Parameter"},
    {0x52, "[0x52] Baudrate Detection"},
    {0x53, "[0x53] Reader Settings: Bus Address"},
    {0x54, "[0x54] Auto Answer Interface: Data/Clock Configuration"},
    {0x60, "[0x60] Auto Answer Mode: Lock Time"},
    {0x62, "[0x62] EEPROM Dump"},
    {0x63, "[0x63] CPU Reset"},
    {0x64, "[0x64] Configuration Reset"},
    {0x65, "[0x65] Software Version"},
    {0x66, "[0x66] Reader Settings: Power Save Time"},
    {0x67, "[0x67] Reader Settings: Power Save Mode"},
    {0x69, "[0x69] RF-Reset"},
    {0x6B, "[0x6B] Reader Settings: Kal KRD"},
    {0x70, "[0x70] Output Configuration"},
    {0x72, "[0x72] Input Configuration: Input"},
    {0x73, "[0x73] Input Configuration: Quit/Alarm Time"},
    {0x74, "[0x74] Get Input State"},
    {0x80, "[0x80] Reader Settings: Transponder Driver"},
    {0xA0, "[0xA0] Reader Login"},
    {0xA1, "[0xA1] Password/Authentification: Reader Access"},
    {0xA2, "[0xA2] Password/Authentification: Reader Password"},
    {0xA3, "[0xA3] Password/Authentification: Old Transponder Passwords"},
    {0xA4, "[0xA4] Password/Authentification: New Transponder Passwords"},
    {0xA5, "[0xA5] Transponder Settings: Mode"},
    {0xA6, "[0xA6] Password/Authentification: Autopassword Mode"},
    {0xAA, "[0xAA] Process ZiduzeDavi"},
    // 0x71 depends on the length byte, below.
};

constexpr const char* kUnknown = "unknown command";
constexpr int kSetOutputs = 0x71;

// Byte `index` of the hex digits of `text`, or -1 when the text is too short.
int ByteAt(const std::string& digits, std::size_t index) {
    if (digits.size() < 2 * index + 2) {
        return -1;
    }
    return HexDigitValue(digits[2 * index]) * 16 + HexDigitValue(digits[2 * index + 1]);
}

} // namespace

std::string WkCommandComment(const std::string& protocol) {
    std::string digits = protocol;
    StripNonHex(digits);
    const int control = ByteAt(digits, 2);
    if (control < 0) {
        return kUnknown;
    }
    if (control == kSetOutputs) {
        switch (ByteAt(digits, 0)) {
        case 12:
            return "[0x71] Set KRB Output";
        case 14:
            return "[0x71] Set KRD Output";
        default:
            return "";
        }
    }
    const auto found = std::find_if(std::begin(kNames), std::end(kNames),
                                    [control](const CommandName& n) { return n.code == control; });
    return found != std::end(kNames) ? found->name : kUnknown;
}
