#include "WkReaderCommandTable.h"

namespace {

using K = WkFieldKind;
using F = WkFieldSpec;

// Field layouts shared by several commands.
constexpr std::span<const F> kEmpty;
constexpr F kValue[] = {{"value", K::kByte}};
constexpr F kTwoValues[] = {{"value", K::kByte, 1, 2}};
constexpr F kWordValue[] = {{"value", K::kWord, 2}};
constexpr F kAddress[] = {{"address", K::kByte}};
constexpr F kAddressData[] = {{"address", K::kByte}, {"data", K::kBytes, 0}};
constexpr F kAddressCount[] = {{"address", K::kByte}, {"count", K::kByte}};
constexpr F kData[] = {{"data", K::kBytes, 0}};
constexpr F kPassword[] = {{"password", K::kBytes, 4}};
constexpr F kSelected[] = {{"type", K::kAnswerType}, {"serial number", K::kSerialNumber, 5}};
constexpr F kTypeValue[] = {{"type", K::kSelectType}, {"value", K::kByte}};

constexpr F kWriteId[] = {{"bit count", K::kByte}, {"identifier", K::kBytes, 0}};
constexpr F kReadId[] = {{"identifier", K::kBytes, 0}};
constexpr F kWriteConfig[] = {{"address", K::kByte}, {"data", K::kBytes, 4}};
constexpr F kReadConfig[] = {{"type", K::kAnswerType}, {"data", K::kBytes, 4}};
constexpr F kTtcSelect[] = {{"type", K::kSelectType}};
constexpr F kMode[] = {{"mode", K::kBits}};
constexpr F kBlock[] = {{"block", K::kByte}};
constexpr F kBlockData[] = {{"block", K::kByte}, {"data", K::kBytes, 0}};
constexpr F kVersion[] = {{"version", K::kText, 0}};
constexpr F kBusAddress[] = {{"bus address", K::kByte}};
constexpr F kFourValues[] = {{"value", K::kByte, 1, 4}};
constexpr F kTwoWords[] = {{"value", K::kWord, 2, 2}};
constexpr F kFourOutputs[] = {{"output", K::kWord, 2, 4}};
constexpr F kFiveOutputs[] = {{"output", K::kWord, 2, 5}};
constexpr F kOutputs[] = {{"output", K::kWord, 2, 0}};
constexpr F kInputs[] = {{"inputs", K::kBits}};
constexpr F kNewPassword[] = {{"old password", K::kBytes, 4}, {"new password", K::kBytes, 4}};
constexpr F kNinePasswords[] = {{"type", K::kPasswordType}, {"password", K::kBytes, 4, 9}};
constexpr F kOnePassword[] = {{"type", K::kPasswordType}, {"password", K::kBytes, 4}};
constexpr F kPasswords[] = {{"type", K::kPasswordType}, {"passwords", K::kBytes, 0}};

// Request LEN bytes of the commands whose layout depends on the length.
constexpr std::uint8_t kLenFourWords = 12;
constexpr std::uint8_t kLenFiveWords = 14;
constexpr std::uint8_t kLenNinePasswords = 41;
constexpr std::uint8_t kLenOnePassword = 9;

constexpr WkReaderCommand kCommands[] = {
    {0x11, 0, "[0x11] Read Serial Number", kEmpty, kSelected},
    {0x12, 0, "[0x12] Write ID Number", kWriteId, kEmpty},
    {0x13, 0, "[0x13] Read ID Number", kEmpty, kReadId},
    {0x14, 0, "[0x14] Write public Data", kAddressData, kEmpty},
    {0x15, 0, "[0x15] Read public Data", kAddressCount, kData},
    {0x16, 0, "[0x16] Write config Data", kWriteConfig, kEmpty},
    {0x17, 0, "[0x17] Read config Data", kAddress, kReadConfig},
    {0x18, 0, "[0x18] Write secret Data", kAddressData, kEmpty},
    {0x19, 0, "[0x19] Read secret Data", kAddressCount, kData},
    {0x1A, 0, "[0x1A] Halt", kEmpty, kEmpty},
    {0x1B, 0, "[0x1B] TTC Select", kTtcSelect, kSelected},
    {0x1C, 0, "[0x1C] Password Select", kPassword, kSelected},
    {0x1D, 0, "[0x1D] Write Autopassword", kEmpty, kEmpty},
    {0x40, 0, "[0x40] Auto Answer Mode: Mode", kMode, kEmpty},
    {0x41, 0, "[0x41] Auto Answer Mode: Protocol Blocks", kValue, kEmpty},
    {0x42, 0, "[0x42] Auto Answer Mode: Gap Time", kWordValue, kEmpty},
    {0x43, 0, "[0x43] Auto Answer Mode: Datablock Definition", kTwoValues, kEmpty},
    {0x50, 0, "[0x50] Auto Answer Interface: Output Interface", kValue, kEmpty},
    {0x51, 0, "[0x51] Reader Settings: Asynchron Parameter", kValue, kEmpty},
    {0x52, 0, "[0x52] Baudrate Detection", kValue, kEmpty},
    {0x53, 0, "[0x53] Reader Settings: Bus Address", kBusAddress, kEmpty},
    {0x54, 0, "[0x54] Auto Answer Interface: Data/Clock Configuration", kValue, kEmpty},
    {0x60, 0, "[0x60] Auto Answer Mode: Lock Time", kWordValue, kEmpty},
    {0x62, 0, "[0x62] EEPROM Dump", kBlock, kData},
    {0x63, 0, "[0x63] CPU Reset", kEmpty, kEmpty},
    {0x64, 0, "[0x64] Configuration Reset", kEmpty, kEmpty},
    {0x65, 0, "[0x65] Software Version", kEmpty, kVersion},
    {0x66, 0, "[0x66] Reader Settings: Power Save Time", kWordValue, kEmpty},
    {0x67, 0, "[0x67] Reader Settings: Power Save Mode", kValue, kEmpty},
    {0x68, 0, "[0x68] Select Antenna", kValue, kEmpty},
    {0x69, 0, "[0x69] RF-Reset", kEmpty, kEmpty},
    {0x6B, 0, "[0x6B] Reader Settings: Kal KRD", kValue, kEmpty},
    {0x70, 0, "[0x70] Output Configuration", kFourValues, kEmpty},
    {0x71, kLenFourWords, "[0x71] Set KRB Output", kFourOutputs, kEmpty},
    {0x71, kLenFiveWords, "[0x71] Set KRD Output", kFiveOutputs, kEmpty},
    {0x71, 0, "[0x71] Set Output", kOutputs, kEmpty},
    {0x72, 0, "[0x72] Input Configuration: Input", kTwoValues, kEmpty},
    {0x73, 0, "[0x73] Input Configuration: Quit/Alarm Time", kTwoWords, kEmpty},
    {0x74, 0, "[0x74] Get Input State", kEmpty, kInputs},
    {0x75, 0, "[0x75] Automatic Signal Reaction", kValue, kEmpty},
    {0x77, 0, "[0x77] Set KRB Output and Quit", kFourOutputs, kEmpty},
    {0x80, 0, "[0x80] Reader Settings: Transponder Driver", kTwoValues, kEmpty},
    {0x82, 0, "[0x82] Write EEPROM Block", kBlockData, kEmpty},
    {0xA0, 0, "[0xA0] Reader Login", kPassword, kEmpty},
    {0xA1, 0, "[0xA1] Password/Authentification: Reader Access", kValue, kEmpty},
    {0xA2, 0, "[0xA2] Password/Authentification: Reader Password", kNewPassword, kEmpty},
    {0xA3, kLenNinePasswords, "[0xA3] Password/Authentification: Old Transponder Passwords",
     kNinePasswords, kEmpty},
    {0xA3, kLenOnePassword, "[0xA3] Password/Authentification: Old Transponder Passwords",
     kOnePassword, kEmpty},
    {0xA3, 0, "[0xA3] Password/Authentification: Old Transponder Passwords", kPasswords, kEmpty},
    {0xA4, kLenNinePasswords, "[0xA4] Password/Authentification: New Transponder Passwords",
     kNinePasswords, kEmpty},
    {0xA4, kLenOnePassword, "[0xA4] Password/Authentification: New Transponder Passwords",
     kOnePassword, kEmpty},
    {0xA4, 0, "[0xA4] Password/Authentification: New Transponder Passwords", kPasswords, kEmpty},
    {0xA5, 0, "[0xA5] Transponder Settings: Mode", kTypeValue, kEmpty},
    {0xA6, 0, "[0xA6] Password/Authentification: Autopassword Mode", kValue, kEmpty},
    {0xAA, 0, "[0xAA] Process ZiduzeDavi", kValue, kEmpty},
};

} // namespace

const WkReaderCommand* FindReaderCommand(int code, int requestLength) {
    // The entries of a code for a given length come before its entry for any length.
    for (const WkReaderCommand& command : kCommands) {
        if (command.code == code &&
            (command.requestLength == 0 || command.requestLength == requestLength)) {
            return &command;
        }
    }
    return nullptr;
}

std::span<const WkReaderCommand> ReaderCommands() {
    return kCommands;
}
