#include "hestel.h"

#include "CodeDecoder.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

using Code = std::array<unsigned char, 8>;
using Serial = std::array<unsigned char, 5>;

Code Format(const Serial& serial) {
    Code code;
    code.fill(0xAA); // every byte must be written
    HESTEL_FormatSnr(serial.data(), code.data());
    return code;
}

TEST(TransponderCode, KnownSerialsGiveTheirCodes) {
    EXPECT_EQ(Format({0xFE, 0x00, 0x00, 0x00, 0x00}),
              (Code{0xFF, 0xFB, 0xA0, 0x00, 0x00, 0x00, 0x00, 0x02}));
    EXPECT_EQ(Format({0xFE, 0x12, 0x34, 0x56, 0x78}),
              (Code{0xFF, 0xFB, 0xA3, 0x29, 0x92, 0xA6, 0x3E, 0x32}));
    EXPECT_EQ(Format({0x00, 0x00, 0x00, 0x00, 0x00}),
              (Code{0xFF, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    // Ten nibbles F: every row parity 0, every column has ten ones, so column parities 0.
    EXPECT_EQ(Format({0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
              (Code{0xFF, 0xFB, 0xDE, 0xF7, 0xBD, 0xEF, 0x7B, 0xC0}));
}

TEST(TransponderCode, EveryCodeCarriesItsSerialWithValidParities) {
    std::vector<Serial> serials;
    for (int bit = 0; bit < 40; ++bit) { // each single bit finds its own row and column
        Serial one{};
        one[static_cast<std::size_t>(bit / 8)] = static_cast<unsigned char>(0x80u >> (bit % 8));
        serials.push_back(one);
    }
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 20000; ++i) {
        Serial s;
        for (auto& b : s)
            b = static_cast<unsigned char>(byte(random));
        serials.push_back(s);
    }
    for (const auto& serial : serials) {
        const Code code = Format(serial);
        const auto decoded = codetest::DecodeTransponderCode(code.data());
        ASSERT_TRUE(decoded.has_value())
            << "bad parity or header for serial " << static_cast<int>(serial[0]) << "...";
        ASSERT_EQ(*decoded, serial);
    }
}

TEST(TransponderCode, TheDecoderRejectsAnyFlippedBit) {
    // Guards the decoder above: a property that it cannot fail would prove nothing.
    const Code good = Format({0xFE, 0x12, 0x34, 0x56, 0x78});
    ASSERT_TRUE(codetest::DecodeTransponderCode(good.data()).has_value());
    for (int bit = 0; bit < 64; ++bit) {
        Code bad = good;
        bad[static_cast<std::size_t>(bit / 8)] ^= static_cast<unsigned char>(0x80u >> (bit % 8));
        EXPECT_FALSE(codetest::DecodeTransponderCode(bad.data()).has_value()) << "bit " << bit;
    }
}

} // namespace
