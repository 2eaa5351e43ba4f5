#include "WkTransponderModul.h"

#include "VELKReaderModul.h"
#include "WkArchive.h"
#include "WkFileInfoHeader.h"
#include "WkLinePort.h"
#include "WkModulOwner.h"
#include "WkReaderDocLink.h"
#include "WkTransponderCommands.h"
#include "WkWaitCursor.h"
#include "common/HexText.h"
#include "velk.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

std::unique_ptr<WkObject> CreateTransponderModul() {
    return std::make_unique<WkTransponderModul>();
}

// Images in file order with their sizes.
constexpr std::array<std::pair<int, std::size_t>, 7> kImages = {{
    {WkTransponderModul::kSerialImage, WkTransponderModul::kSmallImageSize},
    {WkTransponderModul::kIdImage, WkTransponderModul::kSmallImageSize},
    {WkTransponderModul::kReservedImage, WkTransponderModul::kSmallImageSize},
    {WkTransponderModul::kPublicImage, WkTransponderModul::kDataImageSize},
    {WkTransponderModul::kSecretImage, WkTransponderModul::kDataImageSize},
    {WkTransponderModul::kConfigImage, WkTransponderModul::kDataImageSize},
    {WkTransponderModul::kParamImage, WkTransponderModul::kDataImageSize},
}};

// Descriptors as in WkTransponderModul.h, their positions decimal: "18 00 10 01 00 00" is byte
// 10 of the command parameter image.
constexpr WkTransponderModul::DataCommand kDataCommands[] = {
    {0x14, WkTransponderModul::kPublicImage, 'D', "14 00 01 01 00 00", "14 00 02 01 00 00",
     "14 01 01 01 00 00"},
    {0x15, WkTransponderModul::kPublicImage, 'D', "15 00 03 01 00 00", "15 00 04 01 00 00",
     "15 01 02 01 00 00"},
    {0x16, WkTransponderModul::kConfigImage, 'C', "16 00 05 01 00 00", nullptr, nullptr},
    {0x17, WkTransponderModul::kConfigImage, 'C', "17 00 07 01 00 00", nullptr, nullptr},
    {0x18, WkTransponderModul::kSecretImage, 'S', "18 00 09 01 00 00", "18 00 10 01 00 00",
     "18 01 03 01 00 00"},
    {0x19, WkTransponderModul::kSecretImage, 'S', "19 00 11 01 00 00", "19 00 12 01 00 00",
     "19 01 04 01 00 00"},
};

constexpr int kSerialBytes = 5;
constexpr int kIdBytes = 12;
constexpr int kIdDigits = 2 * kIdBytes;
constexpr int kMaxBlocks = 4;
// The library writes all answer data and a NUL; an answer frame carries at most 250 bytes.
constexpr std::size_t kAnswerBuffer = 256;

const unsigned char* Bytes(const char* buffer) {
    return reinterpret_cast<const unsigned char*>(buffer);
}

} // namespace

const WkRuntimeClass WkTransponderModul::kRuntimeClass = {"WkTransponderModul", 1,
                                                          &CreateTransponderModul};

const WkTransponderModul::DataCommand* WkTransponderModul::FindDataCommand(int code) {
    for (const DataCommand& command : kDataCommands) {
        if (command.code == code) {
            return &command;
        }
    }
    return nullptr;
}

WkTransponderModul::WkTransponderModul(WkModulOwner* owner) : WkParaModul(owner) {
    for (const auto& [number, size] : kImages) {
        SizeImage(number, size);
    }
    Image(kSerialImage)[0] = kNoType;
    SetTypeText("KR");
    InfoStrings() = WkFileInfoHeader::MakeNew(WkFileInfoHeader::kTransponderType);
}

WkTransponderModul::~WkTransponderModul() = default;

const WkRuntimeClass& WkTransponderModul::GetRuntimeClass() const {
    return kRuntimeClass;
}

void WkTransponderModul::Serialize(WkArchive& ar) {
    if (ar.IsStoring()) {
        StoreHeader(ar);
        for (const auto& image : kImages) {
            ar.WriteByteBlock(Image(image.first));
        }
        return;
    }
    std::vector<std::string> infoStrings;
    std::vector<unsigned char> baseImage;
    LoadHeader(ar, infoStrings, baseImage);
    std::array<std::vector<unsigned char>, kImages.size()> loaded;
    for (auto& image : loaded) {
        image = ar.ReadByteBlock();
    }
    AdoptHeader(std::move(infoStrings), std::move(baseImage));
    for (std::size_t i = 0; i < kImages.size(); ++i) {
        // The editor addresses the full sizes; a short image from a hand-made file is padded.
        if (loaded[i].size() < kImages[i].second) {
            loaded[i].resize(kImages[i].second, 0);
        }
        Image(kImages[i].first) = std::move(loaded[i]);
    }
}

int WkTransponderModul::ExecuteText(int, std::string_view) {
    return -2;
}

std::string WkTransponderModul::TypeName() const {
    static constexpr const char* kNames[] = {"TTA", "TTB", "TTC", "TTD"};
    const std::uint8_t type = Image(kSerialImage)[0];
    return type < 4 ? kNames[type] : "     -----";
}

std::string WkTransponderModul::SerialNumberText() const {
    auto& self = const_cast<WkTransponderModul&>(*this);
    bool hex = false;
    self.Params().GetBit(kHexFlag, hex);
    if (hex) {
        std::string text;
        self.SerialImage().GetHexText(kSerial, text);
        return text;
    }
    double value = 0;
    BigEndianAsDouble(Image(kSerialImage).data() + 1, kSerialBytes, &value);
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

std::string WkTransponderModul::IdNumberText() const {
    auto& self = const_cast<WkTransponderModul&>(*this);
    std::string text;
    self.IdImage().GetHexText(kIdNumber, text);
    const int bits = Image(kIdImage)[0];
    const std::size_t digits = std::min<std::size_t>(2 * ((bits + 7) / 8), kIdDigits);
    return text.substr(0, digits);
}

bool WkTransponderModul::SetIdNumberText(std::string_view text, bool notify) {
    if (text.size() > kIdDigits || !IsHexText(std::string(text))) {
        return false;
    }
    std::string old;
    IdImage().GetHexText(kIdNumber, old);
    std::string joined = std::string(text) + old.substr(text.size());
    // Digits typed in lower case are stored as they read; the text compared is upper case.
    std::transform(joined.begin(), joined.end(), joined.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return IdImage().SetHexText(kIdNumber, joined, notify);
}

std::optional<WkTransponderModul::DataSpan> WkTransponderModul::DataSpanOf(int code) {
    const DataCommand* command = FindDataCommand(code);
    if (command == nullptr) {
        return std::nullopt;
    }
    std::uint8_t address = 0;
    std::uint8_t blocks = 1;
    Params().GetByte(command->address, address);
    if (command->blocks != nullptr) {
        Params().GetByte(command->blocks, blocks);
    }
    const int bytes = blocks * kBlockBytes;
    if (blocks < 1 || blocks > kMaxBlocks ||
        address * kBlockBytes + bytes > static_cast<int>(Image(command->image).size())) {
        return std::nullopt;
    }
    return DataSpan{command, address, bytes};
}

int WkTransponderModul::Execute(int code) {
    const WkTransponderCommand* command = FindTransponderCommand(code);
    if (command == nullptr) {
        return 0;
    }
    if (reader_ == nullptr) {
        return kNotBound;
    }
    WkWaitCursor wait(GetOwner());
    const int handle = reader_->LinkedReaderHandle();
    if (const int rc = VELKReaderModul::CheckReaderPort(handle); rc != 0) {
        return rc;
    }
    const int bus = reader_->LinkedBusAddress();
    const WkLinePort port(VELKReaderModul::PortNumberOf(handle));
    using Kind = WkTransponderCommand::Kind;
    if (command->kind == Kind::Read) {
        return ReadCommand(code, handle, bus);
    }
    return command->kind == Kind::Write ? WriteCommand(code, handle, bus)
                                        : OtherCommand(code, handle, bus);
}

void WkTransponderModul::StoreSerial(unsigned char type, const char* serial) {
    SerialImage().SetByte(kType, type);
    SerialImage().SetBytes(kSerial, Bytes(serial), kSerialBytes);
}

int WkTransponderModul::ReadCommand(int code, int handle, int bus) {
    unsigned char type = 0;
    char data[kAnswerBuffer] = {};
    if (code == 0x11) {
        const int rc = VELK_0x11_GetSerNr(handle, bus, &type, data, 0);
        if (rc == 0) {
            StoreSerial(type, data);
        }
        return rc;
    }
    if (code == 0x13) {
        unsigned char length = 0;
        const int rc = VELK_0x13_ReadIDNr(handle, bus, &length, data, 0);
        if (rc == 0) {
            // The ID image holds 12 bytes; a longer answer is cut there.
            const int bytes = std::min<int>(length, kIdBytes);
            IdImage().SetByte(kIdLength, static_cast<std::uint8_t>(8 * bytes));
            IdImage().SetBytesAt(1, Bytes(data), bytes);
        }
        return rc;
    }
    const auto range = DataSpanOf(code);
    if (!range) {
        return kNotHandled;
    }
    const auto [command, address, bytes] = *range;
    int rc = 0;
    if (code == 0x17) {
        rc = VELK_0x17_ReadCData(handle, bus, address, &type, data, 0);
        if (rc == 0) {
            SerialImage().SetByte(kType, type);
        }
    } else {
        rc = (code == 0x15 ? VELK_0x15_ReadPData : VELK_0x19_ReadSData)(
            handle, bus, address, bytes / kBlockBytes, data, 0);
    }
    if (rc == 0) {
        Access(command->image).SetBytesAt(address * kBlockBytes, Bytes(data), bytes);
    }
    return rc;
}

int WkTransponderModul::WriteCommand(int code, int handle, int bus) {
    if (code == 0x12) {
        const auto& id = Image(kIdImage);
        return VELK_0x12_WriteIDNr(handle, bus, id[0], reinterpret_cast<const char*>(&id[1]), 0);
    }
    const auto range = DataSpanOf(code);
    if (!range) {
        return kNotHandled;
    }
    const auto [command, address, bytes] = *range;
    const unsigned char* data = Image(command->image).data() + address * kBlockBytes;
    const char* raw = reinterpret_cast<const char*>(data);
    switch (code) {
    case 0x14: {
        std::string text;
        BytesToHexText(data, text, bytes);
        return VELK_0x14_WritePData(handle, bus, address, text.c_str(), bytes, 1);
    }
    case 0x16:
        return VELK_0x16_WriteCData(handle, bus, address, raw, 0);
    default:
        return VELK_0x18_WriteSData(handle, bus, address, raw, bytes, 0);
    }
}

int WkTransponderModul::OtherCommand(int code, int handle, int bus) {
    unsigned char type = 0;
    char serial[kAnswerBuffer] = {};
    int rc = 0;
    switch (code) {
    case 0x1A:
        return VELK_0x1A_Halt(handle, bus);
    case 0x1D:
        return VELK_0x1D_WriteAPW(handle, bus);
    case 0xAA: {
        std::uint8_t sub = 0;
        Params().GetByte(kCryptCode, sub);
        return VELK_0xAA_ProcCryptCard(handle, bus, sub);
    }
    case 0x1B:
        rc = VELK_0x1B_TTCSelect(handle, bus, &type, serial, 0);
        break;
    case 0x1C: {
        std::string text;
        Params().GetHexText(kPassword, text);
        unsigned char password[4] = {};
        HexTextToBytes(text, password, 4, false);
        rc = VELK_0x1C_PWSelect(handle, bus, reinterpret_cast<const char*>(password), &type, serial,
                                0);
        break;
    }
    default:
        return kNotHandled;
    }
    if (rc == 0) {
        StoreSerial(type, serial);
    }
    return rc;
}
