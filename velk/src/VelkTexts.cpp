#include "VelkTexts.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kErrorTexts[] = {
    {-2000, "VELK: error while creating new reader object"},
    {-2001, "VELK: empty reader list"},
    {-2002, "VELK: pointer is NULL"},
    {-2003, "VELK: no more memory"},
    {-2007, "VELK: old version of SORN.DLL detectet"},
    {-2020, "VELK: unknown reader handle"},
    {-2021, "VELK: reader handle is zero"},
    {-2022, "VELK: reader handle is negative"},
    {-2023, "VELK: no reader handle found"},
    {-2024, "VELK: port handle is negative"},
    {-2030, "VELK: protocol length error"},
    {-2031, "VELK: checksum error"},
    {-2033, "VELK: unknown status byte"},
    {-2035, "VELK: false command byte in receive protocol"},
    {-2037, "VELK: false busaddress in receive protocol"},
    {-2050, "VELK: unknown parameter"},
    {-2051, "VELK: parameter out of range"},
    {-2052, "VELK: odd parameterstring"},
    {-2053, "VELK: unknown error code"},
};

constexpr CodeText kStatusTexts[] = {
    {0x00, "OK"},
    {0x01, "Reader: No Transponder in Reader Field"},
    {0x02, "Transponder: Data False"},
    {0x03, "Transponder: Write error"},
    {0x04, "Transponder: Address Error"},
    {0x05, "Reader: Wrong Transponder Type"},
    {0x06, "Transponder: Read Error"},
    {0x07, "Reader: Select Error"},
    {0x08, "Reader: Authent Error"},
    {0x10, "Reader: EEPROM Error"},
    {0x11, "Reader: Parameter Range Error"},
    {0x12, "Reader: Password Cycle Error"},
    {0x13, "Reader: Login Request"},
    {0x14, "Reader: Login Error"},
    {0x60, "Reader: Password Error"},
    {0x61, "Reader: Password Error: 1. Password"},
    {0x62, "Reader: Password Error: 2. Password"},
    {0x63, "Reader: Password Error: 3. Password"},
    {0x64, "Reader: Password Error: 4. Password"},
    {0x65, "Reader: Password Error: 5. Password"},
    {0x66, "Reader: Password Error: 6. Password"},
    {0x67, "Reader: Password Error: 7. Password"},
    {0x68, "Reader: Password Error: 8. Password"},
    {0x69, "Reader: Password Error: 9. Password"},
    {0x80, "Reader: Unknown Command"},
    {0x81, "Reader: Protocol Length Error"},
    {0x82, "Reader: Command not available"},
    {0x83, "Reader: RF-Communication Error"},
};

constexpr int kTextSize = 128;

template <std::size_t N> const char* Find(const CodeText (&table)[N], int code) {
    for (const CodeText& entry : table) {
        if (entry.code == code)
            return entry.text;
    }
    return nullptr;
}

} // namespace

const char* FindErrorText(int errorCode) {
    return Find(kErrorTexts, errorCode);
}

const char* FindStatusText(int statusByte) {
    return Find(kStatusTexts, statusByte & 0xFF);
}

int WriteErrorText(int errorCode, char* text) {
    if (const char* found = FindErrorText(errorCode)) {
        std::snprintf(text, kTextSize, "%s", found);
        return 0;
    }
    std::snprintf(text, kTextSize, "VELK: Unknown Errorcode (%d)", errorCode);
    return -2053;
}

int WriteStatusText(int statusByte, char* text) {
    if (const char* found = FindStatusText(statusByte)) {
        std::snprintf(text, kTextSize, "%s", found);
        return 0;
    }
    std::snprintf(text, kTextSize, "VELK: Unknown Status Byte (0x%02X)", statusByte & 0xFF);
    return -2033;
}
