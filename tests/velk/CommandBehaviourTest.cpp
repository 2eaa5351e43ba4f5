// The variations of the command family: the repeat of 0x11, range checks, bit-length
// identifiers, hex text input and short answers.
#include "VelkTestSupport.h"

namespace {

using CommandBehaviourTest = VelkTest;

const Bytes kNoTransponder{0x05, 0x00, 0x11, 0x01, 0x15};
const Bytes kSerialA1{0x07, 0x00, 0x11, 0x00, 0x02, 0xA1, 0xB5};

TEST_F(CommandBehaviourTest, GetSerNrRepeatsOnNoTransponderUpToRepCnt) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "REPCNT", "2"), 0);
    unsigned char type = 0xEE;
    char serial[16] = "keep";
    for (int i = 0; i < 3; ++i)
        fakesorn::QueueAnswer(kNoTransponder);
    EXPECT_EQ(VELK_0x11_GetSerNr(h, 0, &type, serial, 1), 1);
    EXPECT_EQ(fakesorn::Transceived().size(), 3u);
    EXPECT_EQ(type, 0xEE);
    EXPECT_STREQ(serial, "keep");

    fakesorn::Reset();
    fakesorn::QueueAnswer(kNoTransponder);
    fakesorn::QueueAnswer(kSerialA1);
    fakesorn::QueueAnswer(kNoTransponder);
    EXPECT_EQ(VELK_0x11_GetSerNr(h, 0, &type, serial, 1), 0);
    EXPECT_EQ(fakesorn::Transceived().size(), 2u);
    EXPECT_EQ(type, 0x02);
    // Bytes beyond a short answer read as zero, never as the checksum.
    EXPECT_STREQ(serial, "A100000000");
}

TEST_F(CommandBehaviourTest, GetSerNrStopsAtTheFirstFailure) {
    const int h = NewReader();
    ASSERT_EQ(VELK_SetReaderPara(h, "REPCNT", "99"), 0);
    unsigned char type = 0;
    char serial[16];
    fakesorn::QueueTransceiveResult(-1030);
    EXPECT_EQ(VELK_0x11_GetSerNr(h, 0, &type, serial, 1), -1030);
    EXPECT_EQ(fakesorn::Transceived().size(), 1u);

    fakesorn::Reset();
    fakesorn::QueueAnswer(kNoTransponder);
    fakesorn::QueueAnswer({0x05, 0x00, 0x11, 0x01, 0x14}); // bad checksum
    EXPECT_EQ(VELK_0x11_GetSerNr(h, 0, &type, serial, 1), -2031);
    EXPECT_EQ(fakesorn::Transceived().size(), 2u);
    EXPECT_EQ(ReaderError(h), -2031);

    // Other commands never repeat.
    fakesorn::Reset();
    fakesorn::QueueAnswer({0x05, 0x00, 0x1A, 0x01, 0x1E});
    EXPECT_EQ(VELK_0x1A_Halt(h, 0), 1);
    EXPECT_EQ(fakesorn::Transceived().size(), 1u);
}

TEST_F(CommandBehaviourTest, SixteenBitValuesAreRangeCheckedAfterTheHandle) {
    const int h = NewReader();
    fakesorn::QueueTransceiveResult(-1030);
    ASSERT_EQ(VELK_0x63_CPUReset(h, 0), -1030);
    fakesorn::Reset();

    EXPECT_EQ(VELK_0x42_WriteEEAATf(0, 0, 70000), -2021);
    EXPECT_EQ(VELK_0x42_WriteEEAATf(h, 0, 65536), -2051);
    EXPECT_EQ(VELK_0x42_WriteEEAATf(h, 0, -1), -2051);
    EXPECT_EQ(VELK_0x71_SetOutKRD(h, 0, 1, 2, 3, 4, 0x10000), -2051);
    EXPECT_EQ(VELK_0x73_WriteEEQA(h, 0, -5, 0), -2051);
    EXPECT_TRUE(fakesorn::Transceived().empty());
    EXPECT_EQ(LibraryError(), 0);     // not in the library: the checks passed
    EXPECT_EQ(ReaderError(h), -1030); // nor in the reader
}

TEST_F(CommandBehaviourTest, BitLengthIdentifiers) {
    const int h = NewReader();
    EXPECT_EQ(VELK_0x12_WriteIDNr(h, 0, 97, "FFFFFFFFFFFFFFFFFFFFFFFFFF", 1), -2051);
    EXPECT_TRUE(fakesorn::Transceived().empty());

    // Only the low 8 bits of the count: 0x160 is 96 bits, 12 bytes.
    fakesorn::QueueAnswer({0x05, 0x00, 0x12, 0x00, 0x17});
    EXPECT_EQ(VELK_0x12_WriteIDNr(h, 0, 0x160, "0102030405060708090A0B0C", 1), 0);
    EXPECT_EQ(fakesorn::Transceived().back().bytes,
              (Bytes{0x11, 0x00, 0x12, 0x60, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09,
                     0x0A, 0x0B, 0x0C, 0x6F}));

    fakesorn::QueueAnswer({0x05, 0x00, 0x12, 0x00, 0x17});
    EXPECT_EQ(VELK_0x12_WriteIDNr(h, 0, 1, "\xFF", 0), 0);
    EXPECT_EQ(fakesorn::Transceived().back().bytes, (Bytes{0x06, 0x00, 0x12, 0x01, 0x80, 0x95}));

    fakesorn::QueueAnswer({0x05, 0x00, 0x12, 0x00, 0x17});
    EXPECT_EQ(VELK_0x12_WriteIDNr(h, 0, 0, "", 1), 0);
    EXPECT_EQ(fakesorn::Transceived().back().bytes, (Bytes{0x05, 0x00, 0x12, 0x00, 0x17}));
}

TEST_F(CommandBehaviourTest, HexInputTakesTwoCharactersPerByteAndStopsAtTheEnd) {
    const int h = NewReader();
    // "zz" is no number (0), "0A" is 0x0A, "1" before the NUL is 1, and past the NUL zeros.
    fakesorn::QueueAnswer({0x05, 0x00, 0x16, 0x00, 0x13});
    EXPECT_EQ(VELK_0x16_WriteCData(h, 0, 5, "zz0A1", 1), 0);
    EXPECT_EQ(fakesorn::Transceived().back().bytes,
              (Bytes{0x09, 0x00, 0x16, 0x05, 0x00, 0x0A, 0x01, 0x00, 0x11}));
}

TEST_F(CommandBehaviourTest, EepromBlockLengthIsCheckedBeforeTheHandle) {
    EXPECT_EQ(VELK_0x82_WriteEEBlock(-7, 0, 0, "", 17), -2051);
    EXPECT_EQ(LibraryError(), -2051);
    EXPECT_EQ(VELK_0x82_WriteEEBlock(-7, 0, 0, "", -1), -2051);
    EXPECT_EQ(VELK_0x82_WriteEEBlock(-7, 0, 0, "", 16), -2022);
}

} // namespace
