// The transponder commands (0x11 .. 0x1D) and the login and password commands (0xA0 .. 0xAA).
#include "CommandSupport.h"

namespace {

constexpr int kPasswordSize = 4;
constexpr int kMaxIdBits = 96;
// Transponder type codes carried as the first request data byte.
constexpr unsigned char kTypeTTB = 0x01;
constexpr unsigned char kTypeTTCSelect = 0x02;
constexpr unsigned char kTypeTTCPassword = 0x03;
constexpr unsigned char kTypeTTD = 0x03;

Bytes Empty() {
    return {};
}

/// Address byte, then count bytes from the caller (count 0..250: the frame holds 251).
Bytes AddressAndBytes(int address, const char* input, int count, int hexFlag) {
    if (count < 0 || count > kMaxRequestData - 1)
        return OversizedRequest();
    Bytes data{static_cast<unsigned char>(address)};
    AppendInputBytes(data, input, count, hexFlag);
    return data;
}

int PasswordCommand(int handle, int busAddress, int command,
                    std::initializer_list<const char*> passwords, int typeByte, int hexFlag) {
    for (const char* password : passwords) {
        if (password == nullptr) {
            ReaderRegistry::Instance().SetLibraryLastError(VELK_ERR_NULL_POINTER);
            return VELK_ERR_NULL_POINTER;
        }
    }
    return RunCommand(handle, busAddress, {}, {}, {command}, [&] {
        Bytes data;
        if (typeByte >= 0)
            data.push_back(static_cast<unsigned char>(typeByte));
        for (const char* password : passwords)
            AppendInputBytes(data, password, kPasswordSize, hexFlag);
        return data;
    });
}

int ValueCommand(int handle, int busAddress, int command, std::initializer_list<int> values) {
    return RunCommand(handle, busAddress, {}, {}, {command, true}, [&] {
        Bytes data;
        for (int v : values)
            data.push_back(static_cast<unsigned char>(v));
        return data;
    });
}

} // namespace

extern "C" {

VELK_API int VELK_0x11_GetSerNr(int handle, int busAddress, unsigned char* transponderType,
                                char* serialNumber, int hexFlag) {
    return RunCommand(handle, busAddress, {transponderType, serialNumber}, {},
                      {0x11, false, Decode::WhenData, true}, Empty, [&](const CommandAnswer& a) {
                          // Status 0x01 ends only after the last attempt, without outputs.
                          if (a.status != 0x01)
                              DecodeSerialNumber(a, transponderType, serialNumber, hexFlag);
                      });
}

VELK_API int VELK_0x12_WriteIDNr(int handle, int busAddress, int bitCount, const char* idNumber,
                                 int hexFlag) {
    return Guarded([&] {
        int rc = 0;
        if (CheckedReader(handle, {idNumber}, rc) == nullptr)
            return rc;
        const int bits = bitCount & 0xFF;
        if (bits > kMaxIdBits)
            return VELK_ERR_OUT_OF_RANGE;
        return RunCommand(handle, busAddress, {idNumber}, {}, {0x12}, [&] {
            Bytes data{static_cast<unsigned char>(bits)};
            const int count = (bits + 7) / 8;
            AppendInputBytes(data, idNumber, count, hexFlag);
            if (const int used = bits % 8; used != 0)
                data.back() &= static_cast<unsigned char>(0xFF << (8 - used));
            return data;
        });
    });
}

VELK_API int VELK_0x13_ReadIDNr(int handle, int busAddress, unsigned char* idLength, char* idNumber,
                                int hexFlag) {
    return RunCommand(handle, busAddress, {idLength, idNumber}, {},
                      {0x13, false, Decode::OnStatusOk}, Empty, [&](const CommandAnswer& a) {
                          WriteOutputBytes(a.data, a.dataLength, hexFlag, idNumber);
                          const int length = hexFlag != 0 ? 2 * a.dataLength : a.dataLength;
                          *idLength = static_cast<unsigned char>(length);
                      });
}

VELK_API int VELK_0x14_WritePData(int handle, int busAddress, int address, const char* data,
                                  int count, int hexFlag) {
    return RunCommand(handle, busAddress, {data}, {}, {0x14},
                      [&] { return AddressAndBytes(address, data, count, hexFlag); });
}

VELK_API int VELK_0x15_ReadPData(int handle, int busAddress, int address, int count, char* data,
                                 int hexFlag) {
    return RunCommand(
        handle, busAddress, {data}, {}, {0x15, false, Decode::OnStatusOk},
        [&] {
            return Bytes{static_cast<unsigned char>(address), static_cast<unsigned char>(count)};
        },
        [&](const CommandAnswer& a) { WriteOutputBytes(a.data, a.dataLength, hexFlag, data); });
}

VELK_API int VELK_0x16_WriteCData(int handle, int busAddress, int address, const char* data,
                                  int hexFlag) {
    return RunCommand(handle, busAddress, {data}, {}, {0x16},
                      [&] { return AddressAndBytes(address, data, 4, hexFlag); });
}

VELK_API int VELK_0x17_ReadCData(int handle, int busAddress, int address, unsigned char* first,
                                 char* data, int hexFlag) {
    return RunCommand(
        handle, busAddress, {first, data}, {}, {0x17, false, Decode::OnStatusOk},
        [&] { return Bytes{static_cast<unsigned char>(address)}; },
        [&](const CommandAnswer& a) {
            *first = a.data[0];
            WriteOutputBytes(a.data + 1, 4, hexFlag, data);
        });
}

VELK_API int VELK_0x18_WriteSData(int handle, int busAddress, int address, const char* data,
                                  int count, int hexFlag) {
    return RunCommand(handle, busAddress, {data}, {}, {0x18},
                      [&] { return AddressAndBytes(address, data, count, hexFlag); });
}

VELK_API int VELK_0x19_ReadSData(int handle, int busAddress, int address, int count, char* data,
                                 int hexFlag) {
    return RunCommand(
        handle, busAddress, {data}, {}, {0x19, false, Decode::OnStatusOk},
        [&] {
            return Bytes{static_cast<unsigned char>(address), static_cast<unsigned char>(count)};
        },
        [&](const CommandAnswer& a) { WriteOutputBytes(a.data, a.dataLength, hexFlag, data); });
}

VELK_API int VELK_0x1A_Halt(int handle, int busAddress) {
    return RunCommand(handle, busAddress, {}, {}, {0x1A}, Empty);
}

VELK_API int VELK_0x1B_TTCSelect(int handle, int busAddress, unsigned char* transponderType,
                                 char* serialNumber, int hexFlag) {
    return RunCommand(
        handle, busAddress, {transponderType, serialNumber}, {}, {0x1B, false, Decode::WhenData},
        [] { return Bytes{kTypeTTCSelect}; },
        [&](const CommandAnswer& a) {
            DecodeSerialNumber(a, transponderType, serialNumber, hexFlag);
        });
}

VELK_API int VELK_0x1C_PWSelect(int handle, int busAddress, const char* password,
                                unsigned char* transponderType, char* serialNumber, int hexFlag) {
    return RunCommand(
        handle, busAddress, {password, transponderType, serialNumber}, {},
        {0x1C, false, Decode::WhenData},
        [&] {
            Bytes data;
            AppendInputBytes(data, password, kPasswordSize, hexFlag);
            return data;
        },
        [&](const CommandAnswer& a) {
            DecodeSerialNumber(a, transponderType, serialNumber, hexFlag);
        });
}

VELK_API int VELK_0x1D_WriteAPW(int handle, int busAddress) {
    return RunCommand(handle, busAddress, {}, {}, {0x1D}, Empty);
}

VELK_API int VELK_0xA0_RdLogin(int handle, int busAddress, const char* password, int hexFlag) {
    return Guarded(
        [&] { return PasswordCommand(handle, busAddress, 0xA0, {password}, -1, hexFlag); });
}

VELK_API int VELK_0xA1_WriteEELockRd(int handle, int busAddress, int value) {
    return ValueCommand(handle, busAddress, 0xA1, {value});
}

VELK_API int VELK_0xA2_ChangeRdPw(int handle, int busAddress, const char* oldPassword,
                                  const char* newPassword, int hexFlag) {
    return Guarded([&] {
        return PasswordCommand(handle, busAddress, 0xA2, {oldPassword, newPassword}, -1, hexFlag);
    });
}

VELK_API int VELK_0xA3_OldPWTTB(int handle, int busAddress, const char* password1,
                                const char* password2, const char* password3, const char* password4,
                                const char* password5, const char* password6, const char* password7,
                                const char* password8, const char* password9, int hexFlag) {
    return Guarded([&] {
        return PasswordCommand(handle, busAddress, 0xA3,
                               {password1, password2, password3, password4, password5, password6,
                                password7, password8, password9},
                               kTypeTTB, hexFlag);
    });
}

VELK_API int VELK_0xA4_NewPWTTB(int handle, int busAddress, const char* password1,
                                const char* password2, const char* password3, const char* password4,
                                const char* password5, const char* password6, const char* password7,
                                const char* password8, const char* password9, int hexFlag) {
    return Guarded([&] {
        return PasswordCommand(handle, busAddress, 0xA4,
                               {password1, password2, password3, password4, password5, password6,
                                password7, password8, password9},
                               kTypeTTB, hexFlag);
    });
}

VELK_API int VELK_0xA3_OldPWTTC(int handle, int busAddress, const char* password, int hexFlag) {
    return Guarded([&] {
        return PasswordCommand(handle, busAddress, 0xA3, {password}, kTypeTTCPassword, hexFlag);
    });
}

VELK_API int VELK_0xA4_NewPWTTC(int handle, int busAddress, const char* password, int hexFlag) {
    return Guarded([&] {
        return PasswordCommand(handle, busAddress, 0xA4, {password}, kTypeTTCPassword, hexFlag);
    });
}

VELK_API int VELK_0xA5_WriteEETTB(int handle, int busAddress, int value) {
    return ValueCommand(handle, busAddress, 0xA5, {kTypeTTB, value});
}

VELK_API int VELK_0xA5_WriteEETTC(int handle, int busAddress, int value) {
    return ValueCommand(handle, busAddress, 0xA5, {kTypeTTCSelect, value});
}

VELK_API int VELK_0xA5_WriteEETTD(int handle, int busAddress, int value) {
    return ValueCommand(handle, busAddress, 0xA5, {kTypeTTD, value});
}

VELK_API int VELK_0xA6_WriteEEAPW(int handle, int busAddress, int value) {
    return ValueCommand(handle, busAddress, 0xA6, {value});
}

VELK_API int VELK_0xAA_ProcCryptCard(int handle, int busAddress, int value) {
    return RunCommand(handle, busAddress, {}, {}, {0xAA},
                      [&] { return Bytes{static_cast<unsigned char>(value)}; });
}

} // extern "C"
