// The C exports. Nothing here throws; a null pointer makes a call do nothing.

#include "hestel.h"

#include "SerialCalendar.h"
#include "TransponderCode.h"
#include "common/HexText.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr unsigned char kCreatedPrefix = 0xFE;
constexpr int kMaxHexSerialBytes = 10;

void StoreSeconds(uint32_t seconds, unsigned char* serial) {
    serial[0] = 0;
    for (int i = 4; i >= 1; --i) {
        serial[i] = static_cast<unsigned char>(seconds & 0xFFu);
        seconds >>= 8;
    }
}

} // namespace

extern "C" {

void HESTEL_GetSeconds(unsigned char* serial) {
    if (serial == nullptr)
        return;
    StoreSeconds(hestel::SecondsOfLocalTime(hestel::LocalTimeNow()), serial);
}

void HESTEL_FormatSnr(const unsigned char* serial, unsigned char* code) {
    if (serial == nullptr || code == nullptr)
        return;
    hestel::FormatTransponderCode(serial, code);
}

void HESTEL_CreateSnr(unsigned char* code, int hexFlag) {
    if (code == nullptr)
        return;
    unsigned char serial[HESTEL_SNR_SIZE] = {};
    HESTEL_GetSeconds(serial);
    serial[0] = kCreatedPrefix;
    unsigned char bytes[HESTEL_CODE_SIZE];
    hestel::FormatTransponderCode(serial, bytes);
    if (hexFlag != 1) {
        std::memcpy(code, bytes, sizeof bytes);
        return;
    }
    try {
        std::string hex;
        BytesToHexText(bytes, hex, HESTEL_CODE_SIZE);
        std::memcpy(code, hex.c_str(), HESTEL_CODE_HEX_SIZE); // the 16 digits and the NUL
    } catch (...) {
        code[0] = 0;
    }
}

void HESTEL_GetDateOfSnr(unsigned char* serial, char* text, int hexFlag) {
    if (serial == nullptr || text == nullptr)
        return;
    if (hexFlag == 1) {
        // Converted aside first, so a text that is no serial number leaves the buffer alone
        // instead of being read as one.
        unsigned char bytes[kMaxHexSerialBytes];
        int count = 0;
        try {
            count = HexTextToBytes(reinterpret_cast<const char*>(serial), bytes, kMaxHexSerialBytes,
                                   false);
        } catch (...) {
            count = 0;
        }
        if (count < HESTEL_SNR_SIZE) {
            text[0] = '\0';
            return;
        }
        std::copy(bytes, bytes + count, serial);
    }
    serial[0] = 0; // the prefix does not count
    uint32_t seconds = 0;
    for (int i = 1; i < HESTEL_SNR_SIZE; ++i)
        seconds = (seconds << 8) | serial[i];
    hestel::DateTextOfSeconds(seconds, text);
}

} // extern "C"
