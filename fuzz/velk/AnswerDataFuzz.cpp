// Answer data from the line, decoded by the commands that return data. The input picks the
// command, the status byte and the hex flag; the rest is the answer data, framed with a right
// LEN and checksum so that decoding is reached. Every output buffer is exactly as large as the
// command's documentation says, so a write beyond it is caught. The log lines are built too.
#include "FuzzSorn.h"
#include "velk.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void IgnoreLine(const char*, int) {}

int TheReader() {
    static const int reader = [] {
        const int h = VELK_NewReader(1);
        VELK_SetReaderPara(h, "LOGPROT", "1");
        VELK_SetCbPtr_ProtStr(&IgnoreLine);
        return h;
    }();
    return reader;
}

std::vector<unsigned char> Frame(int command, int status, const std::uint8_t* data, int m) {
    std::vector<unsigned char> frame{static_cast<unsigned char>(m + 5), 0,
                                     static_cast<unsigned char>(command),
                                     static_cast<unsigned char>(status)};
    frame.insert(frame.end(), data, data + m);
    unsigned char sum = 0;
    for (unsigned char b : frame)
        sum ^= b;
    frame.push_back(sum);
    return frame;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size - 3 > 250)
        return 0;
    const int h = TheReader();
    const int which = data[0] % 12;
    const int status = data[1];
    const int hex = data[2] & 1;
    const int m = static_cast<int>(size - 3);
    const std::uint8_t* answer = data + 3;
    static const int kCommands[12] = {0x11, 0x13, 0x15, 0x17, 0x19, 0x1B,
                                      0x1C, 0x62, 0x65, 0x74, 0x11, 0x65};
    // A few inputs get a broken frame instead, to reach the failure lines as well.
    std::vector<unsigned char> frame = Frame(kCommands[which], status, answer, m);
    if (which >= 10)
        frame.back() ^= data[2] & 0xFE;
    fuzzsorn::SetAnswer(frame);

    const std::size_t all = hex ? 2 * static_cast<std::size_t>(m) + 1 : m + 1u;
    const std::size_t serial = hex ? 11 : 6;
    unsigned char type = 0;
    unsigned char length = 0;
    std::vector<char> out;
    int rc = 0;
    switch (which) {
    case 0:
    case 10:
        out.resize(serial);
        rc = VELK_0x11_GetSerNr(h, 0, &type, out.data(), hex);
        break;
    case 1:
        out.resize(all);
        rc = VELK_0x13_ReadIDNr(h, 0, &length, out.data(), hex);
        break;
    case 2:
        out.resize(all);
        rc = VELK_0x15_ReadPData(h, 0, 0, m, out.data(), hex);
        break;
    case 3:
        out.resize(hex ? 9 : 5);
        rc = VELK_0x17_ReadCData(h, 0, 0, &type, out.data(), hex);
        break;
    case 4:
        out.resize(all);
        rc = VELK_0x19_ReadSData(h, 0, 0, m, out.data(), hex);
        break;
    case 5:
        out.resize(serial);
        rc = VELK_0x1B_TTCSelect(h, 0, &type, out.data(), hex);
        break;
    case 6:
        out.resize(serial);
        rc = VELK_0x1C_PWSelect(h, 0, "abcdabcd", &type, out.data(), hex);
        break;
    case 7:
        out.resize(m + 1u);
        rc = VELK_0x62_ReadEEBlock(h, 0, 0, out.data());
        break;
    case 8:
    case 11:
        out.resize(hex ? 11 : m + 1u);
        rc = VELK_0x65_SoftVersion(h, 0, out.data(), hex);
        break;
    case 9:
        rc = VELK_0x74_ReadInp(h, 0, &type);
        break;
    }
    if (which < 10 && rc != status)
        std::abort(); // a well-formed answer's result is its status byte
    char line[1024];
    VELK_GetReaderPara(h, "RECSTR", line);
    if (std::strlen(line) >= sizeof line)
        std::abort();
    return 0;
}
