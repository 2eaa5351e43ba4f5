// Image selection of the parameter module: generic selectors and the image switch.

#include "WkModulOwner.h"
#include "WkParaModul.h"

#include <gtest/gtest.h>

namespace {

class Modul : public WkParaModul {
public:
    Modul() {
        for (int image = 1; image <= kImageCount; ++image) {
            SizeImage(image, 64);
            Image(image)[0] = static_cast<unsigned char>(image);
        }
    }
    int Execute(int) override { return 0; }
    int ExecuteText(int, std::string_view) override { return -2; }
};

TEST(ParaModulSelectors, EachSelectorReadsItsImage) {
    Modul modul;
    modul.BaseImage()[0] = 0xBB;
    const std::pair<int, int> table[] = {{2, 0xBB}, {3, 1},  {4, 2},  {6, 3},  {10, 11}, {11, 12},
                                         {20, 5},   {21, 6}, {22, 7}, {23, 8}, {24, 9},  {25, 10}};
    for (const auto& [selector, expected] : table) {
        SCOPED_TRACE(selector);
        std::uint8_t byte = 0;
        EXPECT_EQ(modul.GetByte(selector, "00 00 00 01 00 00", byte), 1);
        EXPECT_EQ(byte, expected);
    }
    std::uint8_t byte = 0x55;
    for (int selector : {1, 7, 0, 9, 12, 26, -1}) {
        SCOPED_TRACE(selector);
        EXPECT_EQ(modul.GetByte(selector, "00 00 00 01 00 00", byte), -1);
        EXPECT_EQ(modul.SetByte(selector, "00 00 00 01 00 00", 1), -1);
    }
    EXPECT_EQ(byte, 0x55);
    // Image 3 is read-only through the generic setters.
    EXPECT_EQ(modul.SetByte(6, "00 00 00 01 00 00", 0x77), -1);
    EXPECT_EQ(modul.SetBit(6, "00 00 00 01 07 01", true), -1);
    EXPECT_EQ(modul.Image(3)[0], 3);
    // A failing inner accessor gives 0.
    EXPECT_EQ(modul.GetByte(3, "00 00 00 02 00 00", byte), 0);
}

TEST(ParaModulSelectors, SwitchedSelectorFollowsBitOneOfBaseByteThree) {
    Modul modul;
    std::uint8_t byte = 0;
    ASSERT_EQ(modul.GetByte(5, "00 00 00 01 00 00", byte), 1);
    EXPECT_EQ(byte, 2);
    ASSERT_TRUE(modul.Base().SetBit(WkParaModul::kImageSwitch, true));
    EXPECT_EQ(modul.BaseImage()[3], 0x02);
    ASSERT_EQ(modul.GetByte(5, "00 00 00 01 00 00", byte), 1);
    EXPECT_EQ(byte, 1);
    ASSERT_EQ(modul.SetBit(5, "00 00 00 01 07 01", true), 1);
    EXPECT_EQ(modul.Image(1)[0], 0x81);
    EXPECT_EQ(modul.Image(2)[0], 0x02);
}

TEST(ParaModulSelectors, GenericBytesAndBitsWithNotification) {
    struct Owner : WkModulOwner {
        void SetModifiedFlag(bool) override { ++marks; }
        int marks = 0;
    } owner;
    Modul modul;
    modul.SetOwner(&owner);
    const unsigned char bytes[3] = {1, 2, 3};
    EXPECT_EQ(modul.SetBytes(10, "00 01 00 03 00 00", bytes, 3), 1);
    EXPECT_EQ(owner.marks, 1);
    EXPECT_EQ(modul.SetBytes(10, "00 01 00 03 00 00", bytes, 3), 1);
    EXPECT_EQ(owner.marks, 1);
    unsigned char out[3] = {};
    EXPECT_EQ(modul.GetBytes(10, "00 01 00 03 00 00", out, 3), 1);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(modul.GetBytes(10, "00 03 14 03 00 00", out, 3), 0); // runs past 64
    bool bit = false;
    EXPECT_EQ(modul.GetBit(3, "00 00 00 01 00 01", bit), 1);
    EXPECT_TRUE(bit);
}

TEST(ParaModulImages, ImagesStartEmptyAndSizeZeroFilled) {
    class Bare : public WkParaModul {
    public:
        int Execute(int) override { return 0; }
        int ExecuteText(int, std::string_view) override { return -2; }
    } bare;
    EXPECT_TRUE(bare.Image(1).empty());
    EXPECT_EQ(bare.Config().SetByte("00 00 00 01 00 00", 1), false);
    bare.SizeImage(11, 2048);
    EXPECT_EQ(bare.Image(11).size(), 2048u);
    EXPECT_THROW(bare.Image(13), std::out_of_range);
    EXPECT_EQ(bare.InfoStrings().size(), 20u);
    EXPECT_EQ(bare.BaseImage().size(), 1024u);
}

} // namespace
