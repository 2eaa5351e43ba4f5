// Any text: HexTextToBytes never writes past its limit, ReadHexFrame either reads every digit
// pair or names a character inside the text, and the hex text of bytes always converts back
// to the same bytes.
#include "common/HexText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    unsigned char bytes[130];
    std::memset(bytes, 0xA5, sizeof bytes);
    const int limit = 128;
    const int n = HexTextToBytes(text, bytes, limit, false);
    if (n < 0 || n > limit || bytes[128] != 0xA5 || bytes[129] != 0xA5) {
        std::abort();
    }
    std::string stripped = text;
    StripNonHex(stripped);
    if (!IsHexText(stripped)) {
        std::abort();
    }

    std::vector<unsigned char> frame;
    if (const auto fault = ReadHexFrame(text, frame)) {
        if (fault->position >= size || !frame.empty() ||
            HexTextFaultMessage(text, *fault).empty()) {
            std::abort();
        }
    } else if (frame.size() * 2 != stripped.size()) {
        std::abort();
    }

    std::string hex;
    BytesToHexText(data, hex, static_cast<int>(size));
    std::string back(size, '\0');
    if (HexTextToBytes(hex, reinterpret_cast<unsigned char*>(back.data()), static_cast<int>(size),
                       false) != static_cast<int>(size) ||
        std::memcmp(back.data(), data, size) != 0) {
        if (size != 0) {
            std::abort();
        }
    }
    return 0;
}
