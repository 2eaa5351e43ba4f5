#include "VELKReaderModul.h"

#include "WkArchive.h"
#include "WkFileInfoHeader.h"
#include "WkLinePort.h"
#include "WkModulOwner.h"
#include "WkParamDescriptor.h"
#include "WkWaitCursor.h"
#include "common/HexText.h"
#include "sorn.h"
#include "velk.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<WkObject> CreateReaderModul() {
    return std::make_unique<VELKReaderModul>();
}

using OneValueExport = int (*)(int, int, int);

// Write commands that send one configuration value; a descriptor of two bytes is sent as a
// 16-bit number.
struct OneValueRow {
    int code;
    OneValueExport call;
    const char* descriptor;
};

// Descriptors "CC BB PP LL bb nn": the command code in hex, then block (16 bytes), byte
// position, byte length, lowest bit and bit count in decimal ("54 00 14 01 00 00" is byte 14,
// "A1 02 00 01 00 01" bit 0 of byte 32).
const OneValueRow kOneValueRows[] = {
    {0x40, VELK_0x40_WriteEEAAMode, "40 00 00 01 00 00"},
    {0x41, VELK_0x41_WriteEEAANum, "41 00 01 01 00 00"},
    {0x42, VELK_0x42_WriteEEAATf, "42 00 02 02 00 00"},
    {0x50, VELK_0x50_WriteEEAAPort, "50 00 06 01 00 00"},
    {0x51, VELK_0x51_WriteEEPortBaud, "51 00 07 01 00 00"},
    {0x53, VELK_0x53_WriteEEPortAdr, "53 00 08 01 00 00"},
    {0x54, VELK_0x54_WriteEEPortDT, "54 00 14 01 00 00"},
    {0x60, VELK_0x60_WriteEEAATs, "60 00 09 02 00 00"},
    {0x66, VELK_0x66_WriteEEPSTsa, "66 00 11 02 00 00"},
    {0x67, VELK_0x67_WriteEEPSMode, "67 00 13 01 00 00"},
    {0x6B, VELK_0x6B_WriteEEKalKRD, "6B 02 11 01 00 00"},
    {0x75, VELK_0x75_WriteEEASR, "03 01 10 01 00 00"},
    {0xA1, VELK_0xA1_WriteEELockRd, "A1 02 00 01 00 01"},
    {0xA6, VELK_0xA6_WriteEEAPW, "A6 02 14 01 00 00"},
};

// Commands without parameters and without a stored answer.
struct PlainRow {
    int code;
    int (*call)(int, int);
};

const PlainRow kPlainRows[] = {
    {0x52, VELK_0x52_GetBaud},
    {0x63, VELK_0x63_CPUReset},
    {0x64, VELK_0x64_ConfReset},
    {0x69, VELK_0x69_RFReset},
};

// The configuration values each readable command copies from the mirror.
struct ReadRow {
    int code;
    const char* descriptors[4];
};

const ReadRow kReadRows[] = {
    {0x40, {"40 00 00 01 00 00"}},
    {0x41, {"41 00 01 01 00 00"}},
    {0x42, {"42 00 02 02 00 00"}},
    {0x43, {"43 00 04 01 00 00", "43 00 05 01 00 00"}},
    {0x50, {"50 00 06 01 00 00"}},
    {0x51, {"51 00 07 01 00 00"}},
    {0x53, {"53 00 08 01 00 00"}},
    {0x54, {"54 00 14 01 00 00"}},
    {0x60, {"60 00 09 02 00 00"}},
    {0x66, {"66 00 11 02 00 00"}},
    {0x67, {"67 00 13 01 00 00"}},
    {0x6B, {"6B 02 11 01 00 00"}},
    {0x70, {"70 01 00 01 00 00", "70 01 01 01 00 00", "70 01 02 01 00 00", "70 01 03 01 00 00"}},
    {0x72, {"72 01 04 01 00 00", "72 01 05 01 00 00"}},
    {0x73, {"73 01 06 02 00 00", "73 01 08 02 00 00"}},
    {0x75, {"03 01 10 01 00 00"}},
    {0x80, {"80 02 12 02 00 00"}},
    {0xA1, {"A1 02 00 01 00 01"}},
    {0xA6, {"A6 02 14 01 00 00"}},
};

constexpr const char* kBusAddress = "00 00 00 01 00 00";
constexpr const char* kBlockNumber = "62 32 14 01 00 00";
constexpr const char* kMirror[3] = {"62 00 00 16 00 00", "62 01 00 16 00 00", "62 02 00 16 00 00"};
constexpr const char* kVersionAnswer = "65 33 00 05 00 00";
constexpr const char* kModelByte = "71 32 12 01 00 00";
constexpr const char* kOutputTimes[5] = {"71 32 01 02 00 00", "71 32 03 02 00 00",
                                         "71 32 05 02 00 00", "71 32 07 02 00 00",
                                         "71 32 09 02 00 00"};
constexpr const char* kTransponderModeType = "A5 33 11 01 00 00";
constexpr const char* kTransponderModes[3] = {"A5 02 01 01 00 00", "A5 02 02 01 00 00",
                                              "A5 02 03 01 00 00"};
constexpr const char* kOldPasswordsTTB[9] = {
    "A3 59 00 04 00 00", "A3 59 08 04 00 00", "A3 60 00 04 00 00",
    "A3 60 08 04 00 00", "A3 61 00 04 00 00", "A3 61 08 04 00 00",
    "A3 62 00 04 00 00", "A3 62 08 04 00 00", "A3 63 00 04 00 00"};
constexpr const char* kNewPasswordsTTB[9] = {
    "A4 59 04 04 00 00", "A4 59 12 04 00 00", "A4 60 04 04 00 00",
    "A4 60 12 04 00 00", "A4 61 04 04 00 00", "A4 61 12 04 00 00",
    "A4 62 04 04 00 00", "A4 62 12 04 00 00", "A4 63 04 04 00 00"};

constexpr int kModelKRBFirst = 0x40;
constexpr int kModelKRBLast = 0x44;
constexpr int kModelKRD = 0x50;
constexpr int kTypeTTB = 1;
constexpr int kTypeTTC = 3;
// An answer frame is LEN, bus address, command, status, data and checksum.
constexpr int kAnswerOverhead = 5;
constexpr int kBlockSize = 16;

} // namespace

const WkRuntimeClass VELKReaderModul::kRuntimeClass = {"VELKReaderModul", 1, &CreateReaderModul};

VELKReaderModul::VELKReaderModul(WkModulOwner* owner) : WkParaModul(owner) {
    SizeImage(1, kConfigImageSize);
    SizeImage(11, kAnswerImageSize);
    InfoStrings() = WkFileInfoHeader::MakeNew(WkFileInfoHeader::kReaderType);
}

VELKReaderModul::~VELKReaderModul() = default;

const WkRuntimeClass& VELKReaderModul::GetRuntimeClass() const {
    return kRuntimeClass;
}

void VELKReaderModul::Serialize(WkArchive& ar) {
    if (ar.IsStoring()) {
        StoreHeader(ar);
        ar.WriteByteBlock(Image(1));
        ar.WriteByteBlock(Image(11));
        return;
    }
    std::vector<std::string> infoStrings;
    std::vector<unsigned char> baseImage;
    LoadHeader(ar, infoStrings, baseImage);
    std::vector<unsigned char> config = ar.ReadByteBlock();
    std::vector<unsigned char> answer = ar.ReadByteBlock();
    // The pages and the command rows address the full sizes; a shorter image in a file is
    // padded rather than refused.
    if (config.size() < kConfigImageSize) {
        config.resize(kConfigImageSize, 0);
    }
    if (answer.size() < kAnswerImageSize) {
        answer.resize(kAnswerImageSize, 0);
    }
    AdoptHeader(std::move(infoStrings), std::move(baseImage));
    Image(1) = std::move(config);
    Image(11) = std::move(answer);
    blockRead_.fill(false);
}

int VELKReaderModul::ExecuteText(int, std::string_view) {
    return -2;
}

int VELKReaderModul::ConfigValue(std::string_view descriptor) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (d && d->length == 2) {
        std::uint32_t number = 0;
        Config().GetLong(descriptor, number);
        return static_cast<int>(number);
    }
    std::uint8_t byte = 0;
    Config().GetByte(descriptor, byte);
    return byte;
}

int VELKReaderModul::AnswerValue(std::string_view descriptor) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (d && d->length == 2) {
        std::uint32_t number = 0;
        Answer().GetLong(descriptor, number);
        return static_cast<int>(number);
    }
    std::uint8_t byte = 0;
    Answer().GetByte(descriptor, byte);
    return byte;
}

bool VELKReaderModul::AnswerPassword(std::string_view descriptor, char (&password)[5]) {
    std::string text;
    if (!Answer().GetHexText(descriptor, text)) {
        return false;
    }
    unsigned char bytes[4] = {};
    if (HexTextToBytes(text, bytes, 4, false) != 4) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        password[i] = static_cast<char>(bytes[i]);
    }
    password[4] = '\0';
    return true;
}

void VELKReaderModul::ClearFlagOf(std::string_view descriptor) {
    SetBlockReadFlag(descriptor, false);
}

int VELKReaderModul::CheckReaderPort(int handle) {
    if (handle == 0) {
        return kNoReaderHandle;
    }
    char portText[1024] = {};
    const int portResult = VELK_GetReaderPara(handle, "PortHnd", portText);
    if (portResult < 0) {
        return portResult;
    }
    return std::strtol(portText, nullptr, 10) == 0 ? kNoPortHandle : 0;
}

int VELKReaderModul::PortNumberOf(int handle) {
    char portText[1024] = {};
    if (handle <= 0 || VELK_GetReaderPara(handle, "PortHnd", portText) < 0) {
        return 0;
    }
    const int port = std::atoi(portText);
    char number[1024] = {};
    return port > 0 && SORN_GetPortPara(port, "PortNr", number) >= 0 ? std::atoi(number) : 0;
}

int VELKReaderModul::Execute(int code) {
    WkWaitCursor wait(GetOwner());
    const int handle = GetOwner() != nullptr ? GetOwner()->GetReaderHandle() : 0;
    if (const int rc = CheckReaderPort(handle); rc != 0) {
        return rc;
    }
    if (GetOwner() != nullptr) {
        GetOwner()->UpdateAllViews(1);
    }
    std::uint8_t busAddress = 0;
    Base().GetByte(kBusAddress, busAddress);
    const WkLinePort port(PortNumberOf(handle));
    return RunCommand(code, handle, busAddress);
}

int VELKReaderModul::RunCommand(int code, int handle, int bus) {
    for (const OneValueRow& row : kOneValueRows) {
        if (row.code == code) {
            const int rc = row.call(handle, bus, ConfigValue(row.descriptor));
            if (rc == 0) {
                ClearFlagOf(row.descriptor);
            }
            return rc;
        }
    }
    for (const PlainRow& row : kPlainRows) {
        if (row.code == code) {
            return row.call(handle, bus);
        }
    }
    switch (code) {
    case 0x11: {
        unsigned char type = 0;
        // Raw output: five bytes and a NUL; room for more costs nothing.
        char serial[256] = {};
        const int rc = VELK_0x11_GetSerNr(handle, bus, &type, serial, 0);
        if (rc == 0) {
            Answer().SetByte("11 33 05 01 00 00", type);
            Answer().SetBytes("11 34 00 05 00 00", reinterpret_cast<unsigned char*>(serial), 5);
        }
        return rc;
    }
    case 0x43: {
        const char* first = "43 00 04 01 00 00";
        const char* second = "43 00 05 01 00 00";
        const int rc = VELK_0x43_WriteEEAADB(handle, bus, ConfigValue(first), ConfigValue(second));
        if (rc == 0) {
            ClearFlagOf(first);
        }
        return rc;
    }
    case 0x62: {
        const int block = AnswerValue(kBlockNumber);
        // The library writes all answer data and a NUL; the buffer holds any answer frame.
        char data[256] = {};
        const int rc = VELK_0x62_ReadEEBlock(handle, bus, block, data);
        if (rc == 0 && block >= 0 && block <= 2) {
            // A well-formed answer with fewer than 16 data bytes would fill the mirror with
            // zeros that a read then copies into the configuration; report it as a short
            // answer instead and keep the mirror and its flag as they were.
            unsigned char frame[256] = {};
            const int frameLength = VELK_GetLastRecProt(handle, reinterpret_cast<char*>(frame), 0);
            if (frameLength >= 0 && frameLength - kAnswerOverhead < kBlockSize) {
                return VELK_ERR_LENGTH;
            }
            Answer().SetBytes(kMirror[block], reinterpret_cast<unsigned char*>(data), 16);
            blockRead_[static_cast<std::size_t>(block)] = true;
        }
        return rc;
    }
    case 0x65: {
        char version[256] = {};
        const int rc = VELK_0x65_SoftVersion(handle, bus, version, 0);
        if (rc == 0) {
            Answer().SetBytes(kVersionAnswer, reinterpret_cast<unsigned char*>(version), 5);
        }
        return rc;
    }
    case 0x70: {
        const char* values[4] = {"70 01 00 01 00 00", "70 01 01 01 00 00", "70 01 02 01 00 00",
                                 "70 01 03 01 00 00"};
        const int rc =
            VELK_0x70_WriteEEOut(handle, bus, ConfigValue(values[0]), ConfigValue(values[1]),
                                 ConfigValue(values[2]), ConfigValue(values[3]));
        if (rc == 0) {
            ClearFlagOf(values[0]);
        }
        return rc;
    }
    case 0x71:
    case 0x77:
        return SetOutputs(code, handle, bus);
    case 0x72: {
        const char* first = "72 01 04 01 00 00";
        const int rc =
            VELK_0x72_WriteEEInp(handle, bus, ConfigValue(first), ConfigValue("72 01 05 01 00 00"));
        if (rc == 0) {
            ClearFlagOf(first);
        }
        return rc;
    }
    case 0x73: {
        const char* first = "73 01 06 02 00 00";
        const int rc =
            VELK_0x73_WriteEEQA(handle, bus, ConfigValue(first), ConfigValue("73 01 08 02 00 00"));
        if (rc == 0) {
            ClearFlagOf(first);
        }
        return rc;
    }
    case 0x74: {
        unsigned char inputs = 0;
        const int rc = VELK_0x74_ReadInp(handle, bus, &inputs);
        if (rc == 0) {
            Answer().SetByte("74 32 11 01 00 00", inputs);
        }
        return rc;
    }
    case 0x80: {
        // The two driver bytes go out as two values.
        const char* descriptor = "80 02 12 02 00 00";
        unsigned char bytes[2] = {};
        Config().GetBytes(descriptor, bytes, 2);
        const int rc = VELK_0x80_WriteEETagDrv(handle, bus, bytes[0], bytes[1]);
        if (rc == 0) {
            ClearFlagOf(descriptor);
        }
        return rc;
    }
    case 0xA0: {
        char password[5] = {};
        AnswerPassword("A0 58 00 04 00 00", password);
        return VELK_0xA0_RdLogin(handle, bus, password, 0);
    }
    case 0xA2: {
        char oldPassword[5] = {};
        char newPassword[5] = {};
        AnswerPassword("A2 58 04 04 00 00", oldPassword);
        AnswerPassword("A2 58 08 04 00 00", newPassword);
        return VELK_0xA2_ChangeRdPw(handle, bus, oldPassword, newPassword, 0);
    }
    case 0xA3:
    case 0xA4:
        return SendPasswords(code, handle, bus);
    case 0xA5:
        return WriteTransponderMode(handle, bus);
    default:
        return kUnknownCommand;
    }
}

int VELKReaderModul::SetOutputs(int code, int handle, int bus) {
    const int model = AnswerValue(kModelByte);
    int t[5] = {};
    for (int i = 0; i < 5; ++i) {
        t[i] = AnswerValue(kOutputTimes[i]);
    }
    if (model >= kModelKRBFirst && model <= kModelKRBLast) {
        return code == 0x71 ? VELK_0x71_SetOutKRB(handle, bus, t[0], t[1], t[2], t[3])
                            : VELK_0x77_SetOutAndQuitKRB(handle, bus, t[0], t[1], t[2], t[3]);
    }
    if (code == 0x71 && model == kModelKRD) {
        return VELK_0x71_SetOutKRD(handle, bus, t[0], t[1], t[2], t[3], t[4]);
    }
    return 0;
}

int VELKReaderModul::SendPasswords(int code, int handle, int bus) {
    const bool old = code == 0xA3;
    const int type = AnswerValue(old ? "A3 33 09 01 00 00" : "A4 33 10 01 00 00");
    if (type == kTypeTTB) {
        char p[9][5] = {};
        for (int i = 0; i < 9; ++i) {
            AnswerPassword(old ? kOldPasswordsTTB[i] : kNewPasswordsTTB[i], p[i]);
        }
        return old ? VELK_0xA3_OldPWTTB(handle, bus, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7],
                                        p[8], 0)
                   : VELK_0xA4_NewPWTTB(handle, bus, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7],
                                        p[8], 0);
    }
    if (type == kTypeTTC) {
        char p[5] = {};
        AnswerPassword(old ? "A3 63 08 04 00 00" : "A4 63 12 04 00 00", p);
        return old ? VELK_0xA3_OldPWTTC(handle, bus, p, 0) : VELK_0xA4_NewPWTTC(handle, bus, p, 0);
    }
    return 0;
}

int VELKReaderModul::WriteTransponderMode(int handle, int bus) {
    const int type = AnswerValue(kTransponderModeType);
    if (type < 1 || type > 3) {
        return 0;
    }
    const char* descriptor = kTransponderModes[type - 1];
    if (type == 3) {
        // The TTD settings byte always goes out with bit 0 set and bits 1 .. 3 clear.
        Config().SetByte("A5 02 03 01 00 01", 1);
        Config().SetByte("A5 02 03 01 01 03", 0);
    }
    const int value = ConfigValue(descriptor);
    const int rc = type == 1   ? VELK_0xA5_WriteEETTB(handle, bus, value)
                   : type == 2 ? VELK_0xA5_WriteEETTC(handle, bus, value)
                               : VELK_0xA5_WriteEETTD(handle, bus, value);
    if (rc == 0) {
        ClearFlagOf(descriptor);
    }
    return rc;
}

int VELKReaderModul::ReadParameter(int code) {
    if (code < 0x40 || code > 0xA6) {
        return kNotSupported;
    }
    std::vector<const char*> descriptors;
    if (code == 0xA5) {
        const int type = AnswerValue(kTransponderModeType);
        if (type >= 1 && type <= 3) {
            descriptors.push_back(kTransponderModes[type - 1]);
        }
    } else {
        for (const ReadRow& row : kReadRows) {
            if (row.code == code) {
                for (const char* descriptor : row.descriptors) {
                    if (descriptor != nullptr) {
                        descriptors.push_back(descriptor);
                    }
                }
            }
        }
        if (descriptors.empty()) {
            return kNotSupported;
        }
    }
    for (const char* descriptor : descriptors) {
        const int rc = EnsureBlockRead(descriptor);
        if (rc != 0) {
            return rc;
        }
        const auto d = WkParamDescriptor::Parse(descriptor);
        if (code == 0x80) {
            unsigned char bytes[2] = {};
            if (Answer().GetBytes(descriptor, bytes, 2)) {
                Config().SetBytes(descriptor, bytes, 2);
            }
        } else if (d && d->length == 2) {
            std::uint32_t number = 0;
            if (Answer().GetLong(descriptor, number)) {
                Config().SetLong(descriptor, number);
            }
        } else {
            std::uint8_t byte = 0;
            if (Answer().GetByte(descriptor, byte)) {
                Config().SetByte(descriptor, byte);
            }
        }
    }
    if (GetOwner() != nullptr) {
        GetOwner()->UpdateAllViews(2);
    }
    return 0;
}

int VELKReaderModul::EnsureBlockRead(std::string_view descriptor) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (!d || d->block < 0 || d->block > 2) {
        return kNotSupported;
    }
    if (blockRead_[static_cast<std::size_t>(d->block)]) {
        return 0;
    }
    Answer().SetByte(kBlockNumber, static_cast<std::uint8_t>(d->block));
    return Execute(0x62);
}

void VELKReaderModul::SetBlockReadFlag(std::string_view descriptor, bool value) {
    const auto d = WkParamDescriptor::Parse(descriptor);
    if (d && d->block >= 0 && d->block <= 2) {
        blockRead_[static_cast<std::size_t>(d->block)] = value;
    }
}

bool VELKReaderModul::IsBlockRead(int block) const {
    return block >= 0 && block <= 2 && blockRead_[static_cast<std::size_t>(block)];
}

std::string VELKReaderModul::SoftwareVersionText() {
    unsigned char bytes[2] = {};
    Answer().GetBytes("65 33 00 02 00 00", bytes, 2);
    char text[16];
    std::snprintf(text, sizeof text, "%02d-%02d", bytes[0], bytes[1]);
    return text;
}

std::string VELKReaderModul::ReaderTypeText() {
    std::uint8_t byte = 0;
    Answer().GetByte("65 33 03 01 00 00", byte);
    char text[8];
    std::snprintf(text, sizeof text, "%02d", byte);
    return text;
}

std::string VELKReaderModul::SoftwareRevisionText() {
    std::uint8_t byte = 0;
    Answer().GetByte("65 33 04 01 00 00", byte);
    char text[8];
    std::snprintf(text, sizeof text, "%02d", byte);
    return text;
}
