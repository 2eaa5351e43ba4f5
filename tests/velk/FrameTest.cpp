// Frame build and split, and the answer checks of an exchange.
#include "VelkTestSupport.h"

#include <cstring>

namespace {

using FrameTest = VelkTest;

Bytes FrameBytes(const unsigned char* frame, int length) {
    return Bytes(frame, frame + length);
}

TEST_F(FrameTest, BuildWritesLengthAddressCommandDataChecksumAndNul) {
    const int reader = NewReader();
    unsigned char frame[300];
    std::memset(frame, 0xEE, sizeof frame);
    EXPECT_EQ(VELK_BuildProtocol(reader, 0, 0x65, "", 0, frame), 4);
    EXPECT_EQ(FrameBytes(frame, 5), (Bytes{0x04, 0x00, 0x65, 0x61, 0x00}));

    // Only the low 8 bits of address and command count.
    EXPECT_EQ(VELK_BuildProtocol(reader, 0x103, 0x240, "\x12\x34", 2, frame), 6);
    EXPECT_EQ(FrameBytes(frame, 7), (Bytes{0x06, 0x03, 0x40, 0x12, 0x34, 0x63, 0x00}));
}

TEST_F(FrameTest, BuildLimitsTheDataTo251Bytes) {
    const int reader = NewReader();
    char data[252];
    std::memset(data, 0x01, sizeof data);
    unsigned char frame[300];
    EXPECT_EQ(VELK_BuildProtocol(reader, 1, 2, data, 251, frame), 255);
    EXPECT_EQ(frame[0], 0xFF);
    // 251 ones XOR to 1; with FF, 01, 02 that gives FD.
    EXPECT_EQ(frame[254], 0xFD);
    EXPECT_EQ(frame[255], 0x00);

    std::memset(frame, 0xEE, sizeof frame);
    EXPECT_EQ(VELK_BuildProtocol(reader, 1, 2, data, 252, frame), -2051);
    EXPECT_EQ(frame[0], 0xEE);
    EXPECT_EQ(ReaderError(reader), -2051);
    EXPECT_EQ(VELK_BuildProtocol(reader, 1, 2, data, -1, frame), -2051);
    EXPECT_EQ(VELK_BuildProtocol(reader, 1, 2, nullptr, 0, frame), -2002);
    EXPECT_EQ(VELK_BuildProtocol(reader, 1, 2, data, 0, nullptr), -2002);
}

TEST_F(FrameTest, SplitChecksLengthAndChecksum) {
    const int reader = NewReader();
    unsigned char address = 9, command = 9, length = 9;
    char data[256] = {};

    const unsigned char ok[] = {0x05, 0x00, 0x65, 0x00, 0x60};
    EXPECT_EQ(VELK_SplitProtocol(reader, ok, 5, &address, &command, data, &length), 0);
    EXPECT_EQ(address, 0);
    EXPECT_EQ(command, 0x65);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(data[0], '\0');

    const unsigned char withData[] = {0x07, 0x02, 0x65, 0x01, 0xAB, 0xCD, 0x07};
    EXPECT_EQ(VELK_SplitProtocol(reader, withData, 7, &address, &command, data, &length), 1);
    EXPECT_EQ(address, 2);
    EXPECT_EQ(length, 2);
    EXPECT_EQ(FrameBytes(reinterpret_cast<unsigned char*>(data), 3), (Bytes{0xAB, 0xCD, 0x00}));
    EXPECT_EQ(ReaderError(reader), 0);

    const unsigned char badSum[] = {0x05, 0x00, 0x65, 0x00, 0x61};
    EXPECT_EQ(VELK_SplitProtocol(reader, badSum, 5, &address, &command, data, &length), -2031);
    EXPECT_EQ(ReaderError(reader), -2031);
    EXPECT_EQ(VELK_SplitProtocol(reader, ok, 4, &address, &command, data, &length), -2030);
    const unsigned char lenSaysSix[] = {0x06, 0x00, 0x65, 0x00, 0x01, 0x02, 0x60};
    EXPECT_EQ(VELK_SplitProtocol(reader, lenSaysSix, 7, &address, &command, data, &length), -2030);
    const unsigned char tooShort[] = {0x04, 0x00, 0x65, 0x61};
    EXPECT_EQ(VELK_SplitProtocol(reader, tooShort, 4, &address, &command, data, &length), -2030);
    EXPECT_EQ(VELK_SplitProtocol(reader, ok, 0, &address, &command, data, &length), -2030);
    EXPECT_EQ(VELK_SplitProtocol(reader, ok, -251, &address, &command, data, &length), -2030);
    EXPECT_EQ(ReaderError(reader), -2030);
    EXPECT_EQ(VELK_SplitProtocol(reader, ok, 5, &address, &command, nullptr, &length), -2002);
}

TEST_F(FrameTest, ExchangeRejectsWrongCommandAndForeignAddress) {
    const int reader = NewReader();
    char version[64];
    // An answer for 0x66 to a request for 0x65.
    fakesorn::QueueAnswer({0x05, 0x03, 0x66, 0x00, 0x60});
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 3, version, 1), -2035);
    EXPECT_EQ(ReaderError(reader), -2035);

    // Address 4 answers a request to address 3: accepted until CHKRECBUSADR is on.
    fakesorn::QueueAnswer({0x05, 0x04, 0x65, 0x00, 0x64});
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 3, version, 1), 0);
    ASSERT_EQ(VELK_SetReaderPara(reader, "ChkRecBusAdr", "1"), 0);
    fakesorn::QueueAnswer({0x05, 0x04, 0x65, 0x00, 0x64});
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 3, version, 1), -2037);
    EXPECT_EQ(ReaderError(reader), -2037);
    // Addresses 254 and 255 are never compared.
    for (int broadcast : {254, 255}) {
        fakesorn::QueueAnswer({0x05, 0x04, 0x65, 0x00, 0x64});
        EXPECT_EQ(VELK_0x65_SoftVersion(reader, broadcast, version, 1), 0);
    }
}

TEST_F(FrameTest, ExchangeWaitsOnForItsOwnAnswerPastAutoAnswerFrames) {
    const int reader = NewReader();
    LogTo(reader);
    const Bytes unasked1{0x0B, 0x00, 0x11, 0x00, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x1A};
    const Bytes unasked2{0x0B, 0x00, 0x11, 0x00, 0x01, 0x01, 0x02, 0x03, 0x04, 0x06, 0x19};
    const Bytes answer{0x0A, 0x00, 0x65, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x6E};
    fakesorn::QueueAnswer(unasked1);
    fakesorn::QueueNextAnswer(unasked2);
    fakesorn::QueueNextAnswer(answer);
    char version[64] = {};
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
    EXPECT_STREQ(version, "0102030405");
    std::vector<std::string> lines;
    for (const HandedLine& line : Lines())
        lines.push_back(WithoutStamp(line.text));
    // Frames that answer nothing are shown as the auto-answer thread shows them: bytes alone.
    EXPECT_EQ(lines, (std::vector<std::string>{"  >>  04 00 65 61 ", "  <<  " + Spaced(unasked1),
                                               "  <<  " + Spaced(unasked2),
                                               "  <<  " + Spaced(answer) + "  OK"}));
    EXPECT_EQ(WithoutStamp(Para(reader, "RECSTR")), lines.back());

    // Several frames and none answers: nothing was received within the time-out.
    fakesorn::QueueAnswer(unasked1);
    fakesorn::QueueNextAnswer(unasked2);
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), -1030);
    EXPECT_EQ(fakesorn::NextAnswerCalls(), 4);
}

TEST_F(FrameTest, TransportResultsPassThroughUnchangedAndAreNotRepeated) {
    const int reader = NewReader();
    char version[64] = "keep";
    fakesorn::QueueTransceiveResult(0);
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
    EXPECT_STREQ(version, "keep");
    fakesorn::QueueTransceiveResult(-1030);
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), -1030);
    EXPECT_EQ(ReaderError(reader), -1030);
    EXPECT_EQ(fakesorn::Transceived().size(), 2u);

    // A partial frame: LEN says 7, four bytes arrived.
    fakesorn::QueueAnswer({0x07, 0x00, 0x65, 0x00});
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), -2030);
    EXPECT_STREQ(version, "keep");
}

TEST_F(FrameTest, StatusOtherThanOkIsAResultNotAnError) {
    const int reader = NewReader();
    char version[64] = "keep";
    fakesorn::QueueAnswer({0x06, 0x00, 0x65, 0x01, 0x77, 0x15});
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 0), 1);
    EXPECT_EQ(ReaderError(reader), 0);
    EXPECT_STREQ(version, "keep");
    EXPECT_EQ(WithoutStamp(Para(reader, "RECSTR")),
              "  <<  06 00 65 01 77 15   Reader: No Transponder in Reader Field");
}

} // namespace
