#include "common/ReaderTexts.h"

#include <cstdio>

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

template <typename Table> const char* Find(const Table& table, int code) {
    for (const CodeText& entry : table) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return nullptr;
}

} // namespace

const char* FindReaderErrorText(int errorCode) {
    return Find(kErrorTexts, errorCode);
}

const char* FindReaderStatusText(int statusByte) {
    return Find(kStatusTexts, statusByte & 0xFF);
}

std::string ReaderErrorText(int errorCode) {
    if (const char* found = FindReaderErrorText(errorCode)) {
        return found;
    }
    char text[64];
    std::snprintf(text, sizeof text, "VELK: Unknown Errorcode (%d)", errorCode);
    return text;
}

std::string ReaderStatusText(int statusByte) {
    if (const char* found = FindReaderStatusText(statusByte)) {
        return found;
    }
    char text[64];
    std::snprintf(text, sizeof text, "VELK: Unknown Status Byte (0x%02X)", statusByte & 0xFF);
    return text;
}
