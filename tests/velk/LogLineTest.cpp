// The send, receive and error lines, byte for byte after the time stamp, and when they are
// handed to the protocol callback.
#include "VelkTestSupport.h"
#include "WkProtocolLine.h"

namespace {

using LogLineTest = VelkTest;

TEST_F(LogLineTest, OkExchangeGivesSendAndReceiveLines) {
    const int reader = NewReader();
    LogTo(reader);
    char version[64];
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);

    EXPECT_EQ(WithoutStamp(Para(reader, "SENDSTR")), "  >>  04 00 65 61 ");
    EXPECT_EQ(WithoutStamp(Para(reader, "RECSTR")), "  <<  05 00 65 00 60   OK");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, Para(reader, "SENDSTR"));
    EXPECT_EQ(lines[0].code, 0);
    EXPECT_EQ(lines[1].text, Para(reader, "RECSTR"));
    EXPECT_EQ(lines[1].code, 0);
}

TEST_F(LogLineTest, ChecksumErrorShowsCodeTextAndBytes) {
    const int reader = NewReader();
    LogTo(reader);
    char version[64];
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x61});
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), -2031);
    EXPECT_EQ(WithoutStamp(Para(reader, "RECSTR")),
              "  <<  Error: -2031  VELK: checksum error  (05 00 65 00 61   OK)");
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].code, -2031);
}

TEST_F(LogLineTest, SerialPortFailureGivesTheErrorLineWithItsText) {
    const int reader = NewReader();
    LogTo(reader);
    char version[64];
    fakesorn::QueueTransceiveResult(-1030);
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), -1030);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(WithoutStamp(lines[1].text), "  !!  Error-1030  " + fakesorn::ErrorText(-1030));
    EXPECT_EQ(lines[1].code, -1030);
    // The receive line is not touched by a failed transceive.
    EXPECT_EQ(Para(reader, "RECSTR"), "");

    fakesorn::QueueTransceiveResult(0);
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
    EXPECT_EQ(WithoutStamp(Lines().back().text), "  !!  Error0");
}

TEST_F(LogLineTest, BuildFailureGivesAnErrorLineWithTheLibraryText) {
    const int reader = NewReader();
    LogTo(reader);
    char data[300] = {};
    EXPECT_EQ(VELK_0x14_WritePData(reader, 0, 0, data, 251, 0), -2051);
    EXPECT_EQ(ReaderError(reader), -2051);
    EXPECT_TRUE(fakesorn::Transceived().empty());
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(WithoutStamp(lines[0].text), "  !!  Error-2051  VELK: parameter out of range");
}

TEST_F(LogLineTest, TransportFailureWithPartialAnswerShowsSerialPortText) {
    const int reader = NewReader();
    LogTo(reader);
    unsigned char request[8] = {0x04, 0x00, 0x65};
    unsigned char answer[16] = {};
    fakesorn::QueueTransceiveResult(-1005, {0x03, 0x00, 0x65});
    EXPECT_EQ(VELK_SendTransparent(reader, request, 3, answer, sizeof answer, 1), -1005);
    EXPECT_EQ(WithoutStamp(Para(reader, "RECSTR")),
              "  <<  Error: -1005  (03 00 65   OK  " + fakesorn::ErrorText(-1005) + ")");
    EXPECT_EQ(ReaderError(reader), 0);
}

TEST_F(LogLineTest, LinesReachTheCallbackOnlyWhileLogProtIsOn) {
    const int reader = NewReader();
    VELK_SetCbPtr_ProtStr(&VelkTest::RecordLine);
    char version[64];
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
    fakesorn::QueueTransceiveResult(-1030);
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), -1030);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(WithoutStamp(Para(reader, "SENDSTR")), "  >>  04 00 65 61 ");
    EXPECT_EQ(WithoutStamp(Para(reader, "RECSTR")), "  <<  05 00 65 00 60   OK");

    ASSERT_EQ(VELK_SetReaderPara(reader, "LOGPROT", "1"), 0);
    fakesorn::QueueAnswer({0x05, 0x00, 0x65, 0x00, 0x60});
    ASSERT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
    EXPECT_EQ(Lines().size(), 2u);
}

// The protocol window keeps a line compact only when the decoder rebuilds it exactly, so the
// decoder must refuse every line that carries a serial-port text: all serial-port codes on the
// error line, all but -1000 on the receive line.
TEST_F(LogLineTest, DecoderRebuildsExactlyTheLinesWithoutSerialPortText) {
    const int reader = NewReader();
    LogTo(reader);
    unsigned char request[8] = {0x04, 0x00, 0x65};
    unsigned char answer[16] = {};
    char version[64];
    for (int code : {-999, -1000, -1001, -1999, -2000}) {
        fakesorn::QueueTransceiveResult(code, {0x03, 0x00, 0x65});
        VELK_SendTransparent(reader, request, 3, answer, sizeof answer, 1);
        fakesorn::QueueTransceiveResult(code);
        VELK_0x65_SoftVersion(reader, 0, version, 1);
    }
    int rebuilt = 0;
    int refused = 0;
    for (const HandedLine& line : Lines()) {
        WkProtocolLine parts;
        ParseProtocolLine(line.text, parts);
        std::string text;
        const bool exact =
            AppendProtocolLine(parts.kind, parts.time, parts.code, parts.bytes, text);
        EXPECT_EQ(exact, line.text.find("FAKESORN") == std::string::npos) << line.text;
        if (exact) {
            EXPECT_EQ(text, line.text);
        }
        ++(exact ? rebuilt : refused);
    }
    // Per code two send lines, a receive and an error line; -1001 and -1999 on both, -1000 on
    // the error line carry the serial-port text.
    EXPECT_EQ(refused, 5);
    EXPECT_EQ(rebuilt, 15);
}

} // namespace
