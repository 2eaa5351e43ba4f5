#include "TransponderCode.h"

#include <bitset>
#include <cstring>

namespace hestel {

namespace {

constexpr int kCodeBytes = 8;
constexpr int kSerialBytes = 5;
constexpr int kHeaderBits = 9;

// Bit 63 is the most significant bit of code[0], bit 0 the least significant of code[7].
void SetBit(unsigned char* code, int position) {
    code[kCodeBytes - 1 - position / 8] |= static_cast<unsigned char>(1u << (position % 8));
}

} // namespace

void FormatTransponderCode(const unsigned char* serial, unsigned char* code) {
    std::memset(code, 0, kCodeBytes);
    int position = 63;
    for (int i = 0; i < kHeaderBits; ++i)
        SetBit(code, position--);

    int columnOnes[4] = {0, 0, 0, 0}; // per nibble bit, most significant first
    for (int n = 0; n < 2 * kSerialBytes; ++n) {
        const unsigned nibble = n % 2 == 0 ? serial[n / 2] >> 4 : serial[n / 2] & 0x0Fu;
        for (int bit = 3; bit >= 0; --bit) {
            if ((nibble >> bit) & 1u) {
                SetBit(code, position);
                ++columnOnes[3 - bit];
            }
            --position;
        }
        if (std::bitset<4>(nibble).count() % 2 != 0)
            SetBit(code, position);
        --position;
    }
    for (int column = 0; column < 4; ++column) {
        if (columnOnes[column] % 2 != 0)
            SetBit(code, position);
        --position;
    }
    // position is now 0: the stop bit, which stays 0.
}

} // namespace hestel
