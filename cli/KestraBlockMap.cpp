#include "KestraBlockMap.h"

#include "KestraError.h"
#include "KestraLink.h"
#include "VELKReaderModul.h"
#include "WkPageTable.h"
#include "velk.h"

#include <algorithm>
#include <cstdio>

namespace kestra_cli {
namespace {

struct Field {
    int first; ///< byte index within blocks 0 .. 2
    int count;
    int code;
    const char* name;
};

constexpr Field kFields[] = {
    {0, 1, 0x40, "auto-answer mode"},
    {1, 1, 0x41, "protocol blocks"},
    {2, 2, 0x42, "gap time"},
    {4, 1, 0x43, "data block address"},
    {5, 1, 0x43, "data block count"},
    {6, 1, 0x50, "output interface"},
    {7, 1, 0x51, "baud rate and parity"},
    {8, 1, 0x53, "bus address"},
    {9, 2, 0x60, "lock time"},
    {11, 2, 0x66, "power save time"},
    {13, 1, 0x67, "power save mode"},
    {14, 1, 0x54, "data/clock configuration"},
    {16, 4, 0x70, "output states"},
    {20, 2, 0x72, "input assignment"},
    {22, 2, 0x73, "quit time"},
    {24, 2, 0x73, "alarm time"},
    {26, 1, 0x75, "output flags"},
    {32, 1, kReaderLockCode, "reader access lock"},
    {33, 1, 0xA5, "transponder mode TTB"},
    {34, 1, 0xA5, "transponder mode TTC"},
    {35, 1, 0xA5, "transponder mode TTD"},
    {43, 1, 0x6B, "calibration value"},
    {44, 2, 0x80, "transponder drivers"},
    {46, 1, 0xA6, "autopassword mode"},
};

constexpr int kLockByte = 32;
constexpr int kTTDModeByte = 35;

const Field* FieldOf(int index) {
    for (const Field& field : kFields) {
        if (index >= field.first && index < field.first + field.count) {
            return &field;
        }
    }
    return nullptr;
}

// An answer frame is LEN, bus address, command, status, data and checksum.
constexpr int kAnswerOverhead = 5;

} // namespace

std::string ConfigByteName(int index) {
    const Field* field = FieldOf(index);
    char text[96];
    if (field != nullptr) {
        std::snprintf(text, sizeof text, "block %d byte %d ([0x%02X] %s)", index / 16, index % 16,
                      field->code, field->name);
    } else {
        std::snprintf(text, sizeof text, "block %d byte %d (unused)", index / 16, index % 16);
    }
    return text;
}

int ConfigByteCommand(int index) {
    const Field* field = FieldOf(index);
    return field != nullptr ? field->code : 0;
}

bool WrittenByWriteConfig(int index) {
    const int code = ConfigByteCommand(index);
    const auto& pages = ReaderPageTables();
    return code != 0 && std::any_of(pages.begin(), pages.end(), [code](const WkPageTable& page) {
               return std::find(page.sendCodes.begin(), page.sendCodes.end(), code) !=
                      page.sendCodes.end();
           });
}

std::uint8_t SentValue(int index, std::uint8_t value, std::string* why) {
    std::uint8_t sent = value;
    const char* reason = "";
    // The reader module sends these two as the reader needs them, whatever the file holds.
    if (index == kLockByte) {
        sent = value & 0x01;
        reason = "only bit 0 (locked) of the access lock is sent";
    } else if (index == kTTDModeByte) {
        sent = static_cast<std::uint8_t>((value | 0x01) & ~0x0E);
        reason = "the TTD mode goes out with bit 0 set and bits 1 to 3 clear";
    }
    if (why != nullptr && sent != value) {
        *why = reason;
    }
    return sent;
}

ConfigBytes ImageBytes(VELKReaderModul& modul) {
    ConfigBytes bytes{};
    std::copy_n(modul.Image(1).begin(), kConfigBytes, bytes.begin());
    return bytes;
}

bool ReadReaderBlock(KestraLink& link, int block, ConfigBytes& into, int& result) {
    char data[256] = {};
    result = VELK_0x62_ReadEEBlock(link.Reader(), link.Address(), block, data);
    if (result != 0) {
        return false;
    }
    unsigned char frame[256] = {};
    const int length = VELK_GetLastRecProt(link.Reader(), reinterpret_cast<char*>(frame), 0);
    if (length - kAnswerOverhead < 16) {
        result = VELK_ERR_LENGTH;
        return false;
    }
    std::copy_n(reinterpret_cast<unsigned char*>(data), 16, into.begin() + block * 16);
    return true;
}

ConfigBytes ReadReaderBytes(KestraLink& link, const std::string& what) {
    ConfigBytes bytes{};
    for (int block = 0; block < 3; ++block) {
        int result = 0;
        if (!ReadReaderBlock(link, block, bytes, result)) {
            link.Check(result, what + ": read block " + std::to_string(block));
        }
    }
    return bytes;
}

} // namespace kestra_cli
