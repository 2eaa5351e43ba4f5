#include "hestel.h"

#include "CodeDecoder.h"
#include "common/HexText.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <string>

namespace {

namespace chr = std::chrono;

// The seconds count of a local time, worked out with the civil calendar (valid 2000..2099).
uint32_t ExpectedCount(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    const chr::sys_days day = chr::year{2000 + local.tm_year % 100} /
                              chr::month{static_cast<unsigned>(local.tm_mon + 1)} /
                              chr::day{static_cast<unsigned>(local.tm_mday)};
    const chr::sys_days epoch = chr::year{2000} / 1 / 1;
    return static_cast<uint32_t>((day - epoch).count()) * 86400u +
           static_cast<uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

uint32_t CountOf(const unsigned char* serial) {
    return (uint32_t{serial[1]} << 24) | (uint32_t{serial[2]} << 16) | (uint32_t{serial[3]} << 8) |
           serial[4];
}

// Runs `call` within one second of the clock and returns that second.
template <typename Call> std::time_t WithinOneSecond(Call call) {
    for (;;) {
        const std::time_t before = std::time(nullptr);
        call();
        if (std::time(nullptr) == before)
            return before;
    }
}

TEST(HestelClock, GetSecondsAgreesWithTheLocalTimeOfTheSameMoment) {
    unsigned char serial[6] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x5A};
    const std::time_t now = WithinOneSecond([&] { HESTEL_GetSeconds(serial); });
    EXPECT_EQ(serial[0], 0);
    EXPECT_EQ(CountOf(serial), ExpectedCount(now));
    EXPECT_EQ(serial[5], 0x5A);
}

TEST(HestelClock, CreateSnrCodesThePrefixedCountOfNow) {
    unsigned char code[9];
    code[8] = 0x5A;
    const std::time_t now = WithinOneSecond([&] { HESTEL_CreateSnr(code, 0); });
    EXPECT_EQ(code[8], 0x5A);
    const auto serial = codetest::DecodeTransponderCode(code);
    ASSERT_TRUE(serial.has_value());
    EXPECT_EQ((*serial)[0], 0xFE);
    EXPECT_EQ(CountOf(serial->data()), ExpectedCount(now));
}

TEST(HestelClock, CreateSnrHexFormIsSixteenUpperCaseDigitsAndANul) {
    unsigned char text[HESTEL_CODE_HEX_SIZE + 1];
    std::memset(text, 0x5A, sizeof text);
    const std::time_t now = WithinOneSecond([&] { HESTEL_CreateSnr(text, 1); });
    ASSERT_EQ(text[16], '\0');
    EXPECT_EQ(text[17], 0x5A);
    const std::string hex(reinterpret_cast<const char*>(text));
    ASSERT_EQ(hex.size(), 16u);
    for (char c : hex)
        EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << hex;
    unsigned char code[8];
    ASSERT_EQ(HexTextToBytes(hex, code, 8, false), 8);
    const auto serial = codetest::DecodeTransponderCode(code);
    ASSERT_TRUE(serial.has_value());
    EXPECT_EQ((*serial)[0], 0xFE);
    EXPECT_EQ(CountOf(serial->data()), ExpectedCount(now));
}

TEST(HestelDate, HexFormIsConvertedInPlace) {
    char text[HESTEL_DATE_SIZE];
    unsigned char serial[16] = "FE07D3E800";
    HESTEL_GetDateOfSnr(serial, text, 1);
    EXPECT_STREQ(text, "29.02.2004 00:00:00");
    const unsigned char bytes[5] = {0x00, 0x07, 0xD3, 0xE8, 0x00};
    EXPECT_EQ(std::memcmp(serial, bytes, 5), 0);

    unsigned char spaced[20] = "fe 07 d5 39 80";
    HESTEL_GetDateOfSnr(spaced, text, 1);
    EXPECT_STREQ(text, "01.03.2004 00:00:00");
}

TEST(HestelDate, HexTextThatIsNoSerialGivesAnEmptyTextAndKeepsTheBuffer) {
    for (const char* bad : {"", "xyz", "FE07D3E80", "07D3E800", "00112233445566778899AA"}) {
        unsigned char serial[32] = {};
        std::strcpy(reinterpret_cast<char*>(serial), bad);
        unsigned char before[32];
        std::memcpy(before, serial, sizeof serial);
        char text[HESTEL_DATE_SIZE] = "unchanged";
        HESTEL_GetDateOfSnr(serial, text, 1);
        EXPECT_STREQ(text, "") << bad;
        EXPECT_EQ(std::memcmp(serial, before, sizeof serial), 0) << bad;
    }
}

TEST(HestelDate, NullArgumentsAreIgnored) {
    unsigned char serial[5] = {0xFE, 0, 0, 0, 0};
    char text[HESTEL_DATE_SIZE] = "unchanged";
    unsigned char code[8] = {};
    HESTEL_GetDateOfSnr(nullptr, text, 0);
    HESTEL_GetDateOfSnr(serial, nullptr, 0);
    HESTEL_FormatSnr(nullptr, code);
    HESTEL_FormatSnr(serial, nullptr);
    HESTEL_GetSeconds(nullptr);
    HESTEL_CreateSnr(nullptr, 1);
    EXPECT_STREQ(text, "unchanged");
    EXPECT_EQ(serial[0], 0xFE);
}

} // namespace
