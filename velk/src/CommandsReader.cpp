// The reader commands: auto-answer, port, EEPROM, reset, version, outputs and inputs.
#include "CommandSupport.h"

namespace {

Bytes Empty() {
    return {};
}

/// A command whose data is its values, one byte each.
int ByteCommand(int handle, int busAddress, const CommandTraits& traits,
                std::initializer_list<int> values) {
    return RunCommand(handle, busAddress, {}, {}, traits, [&] {
        Bytes data;
        for (int v : values)
            data.push_back(static_cast<unsigned char>(v));
        return data;
    });
}

/// A command whose data is its values, 16 bits each, high byte first.
int WordCommand(int handle, int busAddress, const CommandTraits& traits,
                std::initializer_list<int> values) {
    return RunCommand(handle, busAddress, {}, values, traits, [&] {
        Bytes data;
        for (int v : values)
            AppendWord(data, v);
        return data;
    });
}

constexpr bool kPaced = true;
constexpr int kMaxBlockBytes = 16;

} // namespace

extern "C" {

VELK_API int VELK_0x40_WriteEEAAMode(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x40, kPaced}, {value});
}

VELK_API int VELK_0x41_WriteEEAANum(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x41, kPaced}, {value});
}

VELK_API int VELK_0x42_WriteEEAATf(int handle, int busAddress, int value) {
    return WordCommand(handle, busAddress, {0x42, kPaced}, {value});
}

VELK_API int VELK_0x43_WriteEEAADB(int handle, int busAddress, int value1, int value2) {
    return ByteCommand(handle, busAddress, {0x43, kPaced}, {value1, value2});
}

VELK_API int VELK_0x50_WriteEEAAPort(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x50, kPaced}, {value});
}

VELK_API int VELK_0x51_WriteEEPortBaud(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x51, kPaced}, {value});
}

VELK_API int VELK_0x52_GetBaud(int handle, int busAddress) {
    return ByteCommand(handle, busAddress, {0x52}, {0x00});
}

VELK_API int VELK_0x53_WriteEEPortAdr(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x53, kPaced}, {value});
}

VELK_API int VELK_0x54_WriteEEPortDT(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x54, kPaced}, {value});
}

VELK_API int VELK_0x60_WriteEEAATs(int handle, int busAddress, int value) {
    return WordCommand(handle, busAddress, {0x60, kPaced}, {value});
}

VELK_API int VELK_0x62_ReadEEBlock(int handle, int busAddress, int block, char* data) {
    return RunCommand(
        handle, busAddress, {data}, {}, {0x62, false, Decode::OnStatusOk},
        [&] { return Bytes{static_cast<unsigned char>(block)}; },
        [&](const CommandAnswer& a) { WriteOutputBytes(a.data, a.dataLength, 0, data); });
}

VELK_API int VELK_0x63_CPUReset(int handle, int busAddress) {
    return RunCommand(handle, busAddress, {}, {}, {0x63}, Empty);
}

VELK_API int VELK_0x64_ConfReset(int handle, int busAddress) {
    return RunCommand(handle, busAddress, {}, {}, {0x64}, Empty);
}

VELK_API int VELK_0x65_SoftVersion(int handle, int busAddress, char* version, int hexFlag) {
    return RunCommand(handle, busAddress, {version}, {}, {0x65, false, Decode::OnStatusOk}, Empty,
                      [&](const CommandAnswer& a) {
                          if (hexFlag != 0)
                              WriteOutputBytes(a.data, 5, 1, version);
                          else
                              WriteOutputBytes(a.data, a.dataLength, 0, version);
                      });
}

VELK_API int VELK_0x66_WriteEEPSTsa(int handle, int busAddress, int value) {
    return WordCommand(handle, busAddress, {0x66, kPaced}, {value});
}

VELK_API int VELK_0x67_WriteEEPSMode(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x67, kPaced}, {value});
}

VELK_API int VELK_0x68_SelectAntenna(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x68}, {value});
}

VELK_API int VELK_0x69_RFReset(int handle, int busAddress) {
    return RunCommand(handle, busAddress, {}, {}, {0x69}, Empty);
}

VELK_API int VELK_0x6B_WriteEEKalKRD(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x6B, kPaced}, {value});
}

VELK_API int VELK_0x70_WriteEEOut(int handle, int busAddress, int value1, int value2, int value3,
                                  int value4) {
    return ByteCommand(handle, busAddress, {0x70, kPaced}, {value1, value2, value3, value4});
}

VELK_API int VELK_0x71_SetOutKRB(int handle, int busAddress, int output1, int output2, int output3,
                                 int output4) {
    return WordCommand(handle, busAddress, {0x71}, {output1, output2, output3, output4});
}

VELK_API int VELK_0x71_SetOutKRD(int handle, int busAddress, int output1, int output2, int output3,
                                 int output4, int output5) {
    return WordCommand(handle, busAddress, {0x71}, {output1, output2, output3, output4, output5});
}

VELK_API int VELK_0x72_WriteEEInp(int handle, int busAddress, int value1, int value2) {
    return ByteCommand(handle, busAddress, {0x72, kPaced}, {value1, value2});
}

VELK_API int VELK_0x73_WriteEEQA(int handle, int busAddress, int value1, int value2) {
    return WordCommand(handle, busAddress, {0x73, kPaced}, {value1, value2});
}

VELK_API int VELK_0x74_ReadInp(int handle, int busAddress, unsigned char* inputs) {
    return RunCommand(handle, busAddress, {inputs}, {}, {0x74, false, Decode::OnStatusOk}, Empty,
                      [&](const CommandAnswer& a) { *inputs = a.data[0]; });
}

VELK_API int VELK_0x75_WriteEEASR(int handle, int busAddress, int value) {
    return ByteCommand(handle, busAddress, {0x75, kPaced}, {value});
}

VELK_API int VELK_0x77_SetOutAndQuitKRB(int handle, int busAddress, int output1, int output2,
                                        int output3, int output4) {
    return WordCommand(handle, busAddress, {0x77}, {output1, output2, output3, output4});
}

VELK_API int VELK_0x80_WriteEETagDrv(int handle, int busAddress, int value1, int value2) {
    return ByteCommand(handle, busAddress, {0x80, kPaced}, {value1, value2});
}

VELK_API int VELK_0x82_WriteEEBlock(int handle, int busAddress, int block, const char* data,
                                    int length) {
    return Guarded([&] {
        ReaderRegistry& registry = ReaderRegistry::Instance();
        if (data == nullptr) {
            registry.SetLibraryLastError(VELK_ERR_NULL_POINTER);
            return VELK_ERR_NULL_POINTER;
        }
        if (length < 0 || length > kMaxBlockBytes) {
            registry.SetLibraryLastError(VELK_ERR_OUT_OF_RANGE);
            return VELK_ERR_OUT_OF_RANGE;
        }
        return RunCommand(handle, busAddress, {}, {}, {0x82}, [&] {
            Bytes bytes{static_cast<unsigned char>(block)};
            AppendInputBytes(bytes, data, length, 0);
            return bytes;
        });
    });
}

} // extern "C"
