// Descriptor access to one image: the cases where a wrong shift, index or byte order hides.

#include "WkDataModul.h"
#include "WkImageAccess.h"
#include "WkModulOwner.h"
#include "WkParamDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CountingOwner : WkModulOwner {
    void SetModifiedFlag(bool modified) override { marks += modified ? 1 : 0; }
    int marks = 0;
};

class ImageAccessTest : public ::testing::Test {
protected:
    ImageAccessTest() : modul_(&owner_), image_(64, 0) {}
    WkImageAccess Block16() { return WkImageAccess(image_, WkAddressing::Block16, &modul_); }
    WkImageAccess Block4() { return WkImageAccess(image_, WkAddressing::Block4, &modul_); }
    CountingOwner owner_;
    WkDataModul modul_;
    std::vector<unsigned char> image_;
};

TEST(ParamDescriptor, FirstFieldIsHexTheOthersDecimal) {
    const auto d = WkParamDescriptor::Parse("A5 02 14 01 07 01");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->command, 0xA5);
    EXPECT_EQ(d->position, 14);
    EXPECT_EQ(d->Index(WkAddressing::Block16), 46);
    EXPECT_EQ(d->Index(WkAddressing::Block4), 22);
    EXPECT_FALSE(WkParamDescriptor::Parse("40 00 00 01 00"));
    EXPECT_FALSE(WkParamDescriptor::Parse("40 00 -1 01 00 00"));
    EXPECT_FALSE(WkParamDescriptor::Parse(""));
}

TEST_F(ImageAccessTest, BitsInsideOneByte) {
    image_[0] = 0x08;
    bool bit = false;
    ASSERT_TRUE(Block16().GetBit("40 00 00 01 03 01", bit));
    EXPECT_TRUE(bit);
    image_[0] = 0xF7;
    ASSERT_TRUE(Block16().GetBit("40 00 00 01 03 01", bit));
    EXPECT_FALSE(bit);
    std::int32_t asInt = 7;
    ASSERT_TRUE(Block16().GetBitInt("40 00 00 01 04 01", asInt));
    EXPECT_EQ(asInt, 1);
    // A bit needs LL = 1 and nn = 1; the output stays as it was otherwise.
    bit = true;
    EXPECT_FALSE(Block16().GetBit("40 00 00 02 03 01", bit));
    EXPECT_FALSE(Block16().GetBit("40 00 00 01 03 02", bit));
    EXPECT_TRUE(bit);

    EXPECT_TRUE(Block16().SetBitInt("40 00 00 01 03 01", 42));
    EXPECT_EQ(image_[0], 0xFF);
    EXPECT_TRUE(Block16().SetBit("40 00 00 01 07 01", false));
    EXPECT_EQ(image_[0], 0x7F);
}

TEST_F(ImageAccessTest, ByteFieldsShiftDownAndKeepTheirNeighbours) {
    image_[5] = 0x86;
    std::uint8_t byte = 0;
    std::uint32_t number = 0;
    ASSERT_TRUE(Block16().GetByte("43 00 05 01 00 03", byte));
    EXPECT_EQ(byte, 6);
    ASSERT_TRUE(Block16().GetLong("43 00 05 01 00 03", number));
    EXPECT_EQ(number, 6u);
    ASSERT_TRUE(Block16().SetByte("43 00 05 01 00 03", 2));
    EXPECT_EQ(image_[5], 0x82);
    ASSERT_TRUE(Block16().GetByte("43 00 05 01 07 01", byte));
    EXPECT_EQ(byte, 1);
    // A value wider than its field does not spill into the neighbouring bits.
    ASSERT_TRUE(Block16().SetByte("43 00 05 01 00 03", 0xFF));
    EXPECT_EQ(image_[5], 0x87);
    EXPECT_FALSE(Block16().SetByte("43 00 05 01 06 03", 1));
    EXPECT_EQ(image_[5], 0x87);
}

TEST_F(ImageAccessTest, BigEndianNumbersOfOneToEightBytes) {
    for (int i = 0; i < 8; ++i) {
        image_[16 + i] = static_cast<unsigned char>(0x11 * (i + 1));
    }
    const std::uint64_t full = 0x1122334455667788ull;
    for (int length = 1; length <= 8; ++length) {
        SCOPED_TRACE(length);
        const std::string descriptor = "00 01 00 0" + std::to_string(length) + " 00 00";
        const std::uint64_t expected = full >> (8 * (8 - length));
        std::uint64_t wide = 0;
        ASSERT_TRUE(Block16().GetLongLong(descriptor, wide));
        EXPECT_EQ(wide, expected);
        std::uint32_t narrow = 0xDEAD;
        EXPECT_EQ(Block16().GetLong(descriptor, narrow), length <= 4);
        if (length <= 4) {
            EXPECT_EQ(narrow, expected);
        } else {
            EXPECT_EQ(narrow, 0xDEADu); // untouched when the checks fail
        }
    }
    image_[2] = 0x01;
    image_[3] = 0x2C;
    std::uint32_t value = 0;
    ASSERT_TRUE(Block16().GetLong("42 00 02 02 00 00", value));
    EXPECT_EQ(value, 300u);
    ASSERT_TRUE(Block16().SetLong("42 00 02 02 00 00", 0x12345));
    EXPECT_EQ(image_[2], 0x23);
    EXPECT_EQ(image_[3], 0x45);
    EXPECT_EQ(image_[1], 0x00);
    ASSERT_TRUE(Block16().SetLongLong("00 02 00 08 00 00", 0x0102030405060708ull));
    EXPECT_EQ(image_[32], 0x01);
    EXPECT_EQ(image_[39], 0x08);
}

TEST_F(ImageAccessTest, BitFieldAcrossTwoBytes) {
    // LL = 2, bb = 7, nn = 2: bit 7 of the second byte and bit 0 of the first.
    ASSERT_TRUE(Block16().SetLong("00 00 00 02 07 02", 3));
    EXPECT_EQ(image_[0], 0x01);
    EXPECT_EQ(image_[1], 0x80);
    std::uint32_t field = 0;
    ASSERT_TRUE(Block16().GetLong("00 00 00 02 07 02", field));
    EXPECT_EQ(field, 3u);
    image_[0] = 0xFF;
    image_[1] = 0xFF;
    ASSERT_TRUE(Block16().SetLong("00 00 00 02 07 02", 0));
    EXPECT_EQ(image_[0], 0xFE);
    EXPECT_EQ(image_[1], 0x7F);
    ASSERT_TRUE(Block16().SetLongLong("00 00 00 02 07 02", 2));
    EXPECT_EQ(image_[0], 0xFF);
    EXPECT_EQ(image_[1], 0x7F);
}

TEST_F(ImageAccessTest, PositionIsDecimalAndFamiliesDiffer) {
    image_[14] = 0xAB;
    image_[20] = 0xCD;
    std::uint8_t byte = 0;
    ASSERT_TRUE(Block16().GetByte("54 00 14 01 00 00", byte));
    EXPECT_EQ(byte, 0xAB);
    ASSERT_TRUE(Block4().SetLong("1C 02 00 04 00 00", 0x01020304));
    ASSERT_TRUE(Block16().SetLong("1C 02 00 04 00 00", 0x05060708));
    EXPECT_EQ(image_[8], 0x01);
    EXPECT_EQ(image_[11], 0x04);
    EXPECT_EQ(image_[32], 0x05);
    EXPECT_EQ(image_[35], 0x08);
}

TEST_F(ImageAccessTest, HexTextAndChangeDetection) {
    image_[40] = 0x0A;
    image_[41] = 0x1B;
    image_[42] = 0x2C;
    image_[43] = 0x3D;
    std::string text = "old";
    ASSERT_TRUE(Block16().GetHexText("A2 02 08 04 00 00", text));
    EXPECT_EQ(text, "0A1B2C3D");

    ASSERT_TRUE(Block16().SetHexText("A2 02 08 04 00 00", "0A1B2C3D"));
    EXPECT_EQ(owner_.marks, 0);
    ASSERT_TRUE(Block16().SetHexText("A2 02 08 04 00 00", "0a1b2c3d"));
    EXPECT_EQ(owner_.marks, 1); // same bytes, other case: counted as a change
    EXPECT_EQ(image_[41], 0x1B);

    // Odd length, too long, non-hex digits: refused, nothing written.
    EXPECT_FALSE(Block16().SetHexText("A2 02 08 04 00 00", "0A1"));
    EXPECT_FALSE(Block16().SetHexText("A2 02 08 04 00 00", "0A1B2C3D4E"));
    EXPECT_FALSE(Block16().SetHexText("A2 02 08 04 00 00", "ZZ"));
    EXPECT_EQ(image_[40], 0x0A);
    // A bit field is shown as its shifted value in LL bytes.
    image_[0] = 0x1F;
    image_[1] = 0x80;
    ASSERT_TRUE(Block16().GetHexText("00 00 00 02 07 03", text));
    EXPECT_EQ(text, "0007");
    ASSERT_TRUE(Block16().GetHexText("00 00 00 01 02 03", text));
    EXPECT_EQ(text, "07");
    // A shorter text writes its own pairs only.
    ASSERT_TRUE(Block16().SetHexText("A2 02 08 04 00 00", "FF"));
    EXPECT_EQ(image_[40], 0xFF);
    EXPECT_EQ(image_[41], 0x1B);
}

TEST_F(ImageAccessTest, ChangeNotificationOnlyForRealChanges) {
    ASSERT_TRUE(Block16().SetByte("40 00 00 01 00 00", 0));
    ASSERT_TRUE(Block16().SetBit("40 00 00 01 00 01", false));
    ASSERT_TRUE(Block16().SetLong("42 00 02 02 00 00", 0x10000)); // stores 00 00
    EXPECT_EQ(owner_.marks, 0);
    const unsigned char bytes[3] = {0, 0, 1};
    ASSERT_TRUE(Block16().SetBytes("00 00 00 01 00 00", bytes, 3));
    EXPECT_EQ(owner_.marks, 1);
    ASSERT_TRUE(Block16().SetByte("40 00 00 01 00 00", 9, false));
    EXPECT_EQ(owner_.marks, 1);
    ASSERT_TRUE(Block16().SetLongAt(4, 1));
    EXPECT_EQ(owner_.marks, 2);
}

TEST_F(ImageAccessTest, RunsAndBoundsFailWithoutWriting) {
    unsigned char out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(Block16().GetBytes("00 00 00 04 00 00", out, 0));
    EXPECT_FALSE(Block16().GetBytes("00 03 14 04 00 00", out, 4)); // index 62, runs past 64
    EXPECT_FALSE(Block16().GetBytes("00 00 00 01 00 01", out, 1));
    EXPECT_EQ(out[0], 9);
    EXPECT_TRUE(Block16().GetBytes("00 03 12 04 00 00", out, 4));
    // Descriptors that point outside the image are refused by every accessor.
    std::uint32_t value = 5;
    EXPECT_FALSE(Block16().GetLong("00 04 00 01 00 00", value));
    EXPECT_EQ(value, 5u);
    EXPECT_FALSE(Block16().SetByte("00 04 00 01 00 00", 1));
    EXPECT_FALSE(Block16().SetHexText("00 03 15 02 00 00", "0102"));
    EXPECT_FALSE(Block16().SetLong("00 99999999 00 04 00 00", 1));
}

TEST_F(ImageAccessTest, DirectFamily) {
    ASSERT_TRUE(Block16().SetLongAt(0, 0xA1B2C3D4));
    EXPECT_EQ(image_[0], 0xA1);
    std::uint32_t value = 0;
    ASSERT_TRUE(Block16().GetLongAt(0, value));
    EXPECT_EQ(value, 0xA1B2C3D4u);
    value = 7;
    EXPECT_FALSE(Block16().GetLongAt(61, value));
    EXPECT_EQ(value, 0u); // cleared before the check
    std::string text = "x";
    EXPECT_FALSE(Block16().GetHexTextAt(64, text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(Block16().GetHexTextAt(1, text));
    EXPECT_EQ(text, "B2");
    ASSERT_TRUE(Block16().SetHexTextAt(63, "7e and more"));
    EXPECT_EQ(image_[63], 0x7E);
    EXPECT_FALSE(Block16().SetHexTextAt(-1, "00"));
    EXPECT_FALSE(Block16().SetHexTextAt(0, "7"));
    std::uint64_t wide = 1;
    ASSERT_TRUE(Block16().SetLongLongAt(56, 0x0102030405060708ull));
    ASSERT_TRUE(Block16().GetLongLongAt(56, wide));
    EXPECT_EQ(wide, 0x0102030405060708ull);
    EXPECT_FALSE(Block16().SetLongLongAt(57, 0));
}

} // namespace
