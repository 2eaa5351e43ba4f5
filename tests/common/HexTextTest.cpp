#include "common/HexText.h"
#include "common/MessageHook.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_shown;
void Record(const char* text) {
    g_shown.emplace_back(text);
}

class HexTextToBytesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_shown.clear();
        previous_ = SetMessageHook(Record);
    }
    void TearDown() override { SetMessageHook(previous_); }
    MessageHook previous_ = nullptr;
    unsigned char out_[8] = {0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55};
};

TEST_F(HexTextToBytesTest, SkipsSeparatorsAndAcceptsBothCases) {
    EXPECT_EQ(HexTextToBytes("0a 1B ff", out_, 8, true), 3);
    EXPECT_EQ(out_[0], 0x0A);
    EXPECT_EQ(out_[1], 0x1B);
    EXPECT_EQ(out_[2], 0xFF);
    EXPECT_EQ(out_[3], 0x55);
    EXPECT_EQ(HexTextToBytes("0A 1b-FF", out_, 8, true), 3);
    EXPECT_TRUE(g_shown.empty());
}

TEST_F(HexTextToBytesTest, OddLengthWritesNothingAndShowsOnlyWhenAsked) {
    EXPECT_EQ(HexTextToBytes("ABC", out_, 8, false), 0);
    EXPECT_TRUE(g_shown.empty());
    EXPECT_EQ(HexTextToBytes("ABC", out_, 8, true), 0);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0], "Error in string!\n\nOdd string length.");
    EXPECT_EQ(out_[0], 0x55);
}

TEST_F(HexTextToBytesTest, TooLongShowsTheFixedTextWhateverTheLimit) {
    EXPECT_EQ(HexTextToBytes("010203", out_, 2, true), 0);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0], "Error in Protocol string!\n\nString is to long.\nThe string length "
                          "is limitated to 256 chars.");
    EXPECT_EQ(out_[0], 0x55);
    EXPECT_EQ(HexTextToBytes("010203", out_, 3, true), 3);
    EXPECT_EQ(out_[2], 0x03);
}

TEST_F(HexTextToBytesTest, NoDigitsIsZeroWithoutMessage) {
    EXPECT_EQ(HexTextToBytes("xyz", out_, 8, true), 0);
    EXPECT_EQ(HexTextToBytes("", out_, 8, true), 0);
    EXPECT_TRUE(g_shown.empty());
    EXPECT_EQ(out_[0], 0x55);
}

TEST(HexTextToBytesHook, WithoutHookNothingIsShown) {
    const MessageHook previous = SetMessageHook(nullptr);
    unsigned char out[2];
    EXPECT_EQ(HexTextToBytes("ABC", out, 2, true), 0); // must not crash without a hook
    SetMessageHook(previous);
}

TEST(HexText, BytesToHexTextIsUpperCaseWithoutSeparators) {
    const unsigned char bytes[] = {0x01, 0xAB, 0x00, 0xf0};
    std::string text = "old";
    EXPECT_TRUE(BytesToHexText(bytes, text, 4));
    EXPECT_EQ(text, "01AB00F0");
    EXPECT_TRUE(BytesToHexText(bytes, text, 0));
    EXPECT_EQ(text, "");
}

TEST(HexText, IsHexTextAndStripNonHex) {
    EXPECT_TRUE(IsHexText("12AF"));
    EXPECT_TRUE(IsHexText("12af"));
    EXPECT_TRUE(IsHexText(""));
    EXPECT_FALSE(IsHexText("12 AF"));
    EXPECT_FALSE(IsHexText("G0"));
    std::string text = " 0a-1B:xx ff\n";
    StripNonHex(text);
    EXPECT_EQ(text, "0a1Bff");
}

TEST(HexText, BigEndianAsDouble) {
    double value = -1;
    const unsigned char two[] = {0x01, 0x00};
    EXPECT_TRUE(BigEndianAsDouble(two, 2, &value));
    EXPECT_EQ(value, 256.0);
    const unsigned char eight[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(BigEndianAsDouble(eight, 8, &value));
    EXPECT_EQ(value, static_cast<double>(18446744073709551615ull));
    EXPECT_TRUE(BigEndianAsDouble(eight, 0, &value));
    EXPECT_EQ(value, 0.0);
    // Beyond 64 bits the value is approximated, not cut: 01 followed by nine zero bytes is 2^72.
    const unsigned char ten[10] = {0x01};
    EXPECT_TRUE(BigEndianAsDouble(ten, 10, &value));
    EXPECT_EQ(value, std::ldexp(1.0, 72));
}

TEST(HexFrame, SeparatorsStandOnlyBetweenBytes) {
    std::vector<unsigned char> bytes{0x99};
    EXPECT_FALSE(ReadHexFrame(" 04-03:65,62\t0a ", bytes));
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x99, 0x04, 0x03, 0x65, 0x62, 0x0A}));
    EXPECT_FALSE(ReadHexFrame("", bytes));
    EXPECT_FALSE(ReadHexFrame(" - ", bytes));
    EXPECT_EQ(bytes.size(), 6u);
}

TEST(HexFrame, EveryOtherCharacterIsRefusedWhereItStands) {
    struct Case {
        const char* text;
        HexTextFault::Kind kind;
        std::size_t position;
    };
    using K = HexTextFault::Kind;
    const Case cases[] = {
        {"04 03 G65", K::BadCharacter, 6},
        {"04 03 6G", K::BadCharacter, 7},
        {"04;03", K::BadCharacter, 2},
        {"04 03\n", K::BadCharacter, 5},
        {"0x04", K::BadCharacter, 1},
        {"04 0 3", K::LoneDigit, 3},
        {"04 03 6", K::LoneDigit, 6},
        {"\xE4"
         "04",
         K::BadCharacter, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<unsigned char> bytes;
        const auto fault = ReadHexFrame(c.text, bytes);
        ASSERT_TRUE(fault);
        EXPECT_EQ(fault->kind, c.kind);
        EXPECT_EQ(fault->position, c.position);
        EXPECT_TRUE(bytes.empty());
    }
    EXPECT_EQ(FindNonHexDigit("1 ")->position, 1u);
    EXPECT_FALSE(FindNonHexDigit("aF"));
}

TEST(HexFrame, TheMessageShowsTheTextAndMarksTheFault) {
    EXPECT_EQ(HexTextFaultMessage("04 03 G65", {HexTextFault::Kind::BadCharacter, 6}),
              "No Hex String\n\n04 03 [G]65\n\nCharacter 7 (\"G\") is not a hex digit.");
    EXPECT_EQ(HexTextFaultMessage("04 03 6", {HexTextFault::Kind::LoneDigit, 6}),
              "No Hex String\n\n04 03 [6]\n\nCharacter 7 (\"6\") starts a byte whose second "
              "hex digit is missing.");
    EXPECT_EQ(HexTextFaultMessage("04\n", {HexTextFault::Kind::BadCharacter, 2}),
              "No Hex String\n\n04[\n]\n\nCharacter 3 (0x0A) is not a hex digit.");
}

} // namespace
