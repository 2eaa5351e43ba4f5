#include "WkFrameDecoder.h"
#include "WkReaderCommandTable.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Fields(const WkDecodedFrame& frame) {
    return frame.Summary();
}

} // namespace

// Frames written out by hand: LEN, address, command, [status,] data, XOR of all before.
TEST(FrameDecoder, OneCommandOfEachShape) {
    // No data.
    WkDecodedFrame version = DecodeRequest(Bytes{0x04, 0x00, 0x65, 0x61});
    EXPECT_TRUE(version.IsSound()) << version.problem;
    EXPECT_EQ(version.busAddress, 0);
    EXPECT_EQ(version.command, 0x65);
    EXPECT_EQ(version.commandName, "[0x65] Software Version");
    EXPECT_TRUE(version.fields.empty());

    // Bytes: an address and the data that follows it.
    WkDecodedFrame write =
        DecodeRequest(Bytes{0x09, 0x07, 0x14, 0x02, 0x11, 0x22, 0x33, 0x44, 0x5C});
    EXPECT_TRUE(write.IsSound()) << write.problem;
    EXPECT_EQ(write.busAddress, 7);
    EXPECT_EQ(Fields(write), "address: 2, data: 11 22 33 44");
    EXPECT_EQ(write.fields[1].offset, 4);
    EXPECT_EQ(write.fields[1].size, 4);

    // A 16-bit value, high byte first.
    WkDecodedFrame gap = DecodeRequest(Bytes{0x06, 0x00, 0x42, 0x12, 0x34, 0x62});
    EXPECT_TRUE(gap.IsSound()) << gap.problem;
    EXPECT_EQ(Fields(gap), "value: 4660");

    // A bit field.
    WkDecodedFrame mode = DecodeRequest(Bytes{0x05, 0x00, 0x40, 0x03, 0x46});
    EXPECT_EQ(mode.commandName, "[0x40] Auto Answer Mode: Mode");
    EXPECT_EQ(Fields(mode), "mode: 0x03 (bits 0,1)");

    // Transponder data in an answer, with its request.
    const Bytes request{0x04, 0x00, 0x11, 0x15};
    WkDecodedFrame serial = DecodeAnswer(
        Bytes{0x0B, 0x00, 0x11, 0x00, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x1A}, request);
    EXPECT_TRUE(serial.IsSound()) << serial.problem;
    EXPECT_EQ(serial.status, 0);
    EXPECT_EQ(serial.statusText, "OK");
    EXPECT_EQ(serial.commandName, "[0x11] Read Serial Number");
    EXPECT_EQ(Fields(serial), "type: 1 (TTB), serial number: 0102030405");

    // Text.
    WkDecodedFrame text =
        DecodeAnswer(Bytes{0x0A, 0x00, 0x65, 0x00, 'V', '1', '.', '0', '2', 0x24});
    EXPECT_TRUE(text.IsSound()) << text.problem;
    EXPECT_EQ(Fields(text), "version: \"V1.02\"");
}

TEST(FrameDecoder, StatusAnswersWithoutDataAreSound) {
    WkDecodedFrame none = DecodeAnswer(Bytes{0x05, 0x03, 0x11, 0x01, 0x16});
    EXPECT_TRUE(none.IsSound()) << none.problem;
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.statusText, "Reader: No Transponder in Reader Field");
    EXPECT_TRUE(none.fields.empty());
    EXPECT_EQ(DecodeAnswer(Bytes{0x05, 0x00, 0x65, 0x09, 0x69}).statusText,
              "VELK: Unknown Status Byte (0x09)");
}

TEST(FrameDecoder, BadFramesAreDescribed) {
    WkDecodedFrame checksum = DecodeAnswer(Bytes{0x05, 0x00, 0x65, 0x00, 0x61});
    EXPECT_TRUE(checksum.lengthOk);
    EXPECT_FALSE(checksum.checksumOk);
    EXPECT_EQ(checksum.problem, "checksum 61, expected 60");
    EXPECT_EQ(checksum.commandName, "[0x65] Software Version");

    WkDecodedFrame shortFrame = DecodeAnswer(Bytes{0x05, 0x00, 0x65, 0x00});
    EXPECT_FALSE(shortFrame.lengthOk);
    EXPECT_FALSE(shortFrame.IsSound());
    EXPECT_EQ(shortFrame.command, 0x65);
    EXPECT_EQ(DecodeRequest(Bytes{0x04}).busAddress, -1);
    EXPECT_FALSE(DecodeRequest(Bytes{}).IsSound());

    // The LEN byte says 6 while 7 bytes are there.
    WkDecodedFrame length = DecodeAnswer(Bytes{0x06, 0x00, 0x65, 0x00, 0x01, 0x02, 0x62});
    EXPECT_FALSE(length.lengthOk);
    EXPECT_NE(length.problem.find("length byte 6, 7 bytes"), std::string::npos);

    WkDecodedFrame unknown = DecodeRequest(Bytes{0x05, 0x00, 0x99, 0x01, 0x9D});
    EXPECT_EQ(unknown.commandName, "unknown command");
    EXPECT_EQ(Fields(unknown), "data: 01");

    // A request missing its data, and an answer for another command.
    EXPECT_EQ(DecodeRequest(Bytes{0x04, 0x00, 0x42, 0x46}).problem, "no value");
    EXPECT_FALSE(
        DecodeAnswer(Bytes{0x05, 0x00, 0x65, 0x00, 0x60}, Bytes{0x04, 0x00, 0x11, 0x15}).IsSound());
}

TEST(FrameDecoder, LayoutFollowsTheRequestLength) {
    const Bytes krb{0x0C, 0x00, 0x71, 0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0xFF, 0xFF, 0x7D};
    WkDecodedFrame outputs = DecodeRequest(krb);
    EXPECT_TRUE(outputs.IsSound()) << outputs.problem;
    EXPECT_EQ(outputs.commandName, "[0x71] Set KRB Output");
    EXPECT_EQ(Fields(outputs), "output 1: 1, output 2: 2, output 3: 3, output 4: 65535");
    EXPECT_EQ(DecodeAnswer(Bytes{0x05, 0x00, 0x71, 0x00, 0x74}, krb).commandName,
              "[0x71] Set KRB Output");
    EXPECT_EQ(DecodeRequest(Bytes{0x06, 0x00, 0x71, 0x00, 0x01, 0x76}).commandName,
              "[0x71] Set Output");
    // The TTC form of the password command carries one password.
    WkDecodedFrame ttc = DecodeRequest(Bytes{0x09, 0x00, 0xA3, 0x03, 0x01, 0x02, 0x03, 0x04, 0xAD});
    EXPECT_TRUE(ttc.IsSound()) << ttc.problem;
    EXPECT_EQ(Fields(ttc), "type: 3 (TTC), password: 01 02 03 04");
}

TEST(FrameDecoder, TableNamesCarryTheirCodes) {
    for (const WkReaderCommand& command : ReaderCommands()) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "[0x%02X] ", command.code);
        EXPECT_EQ(std::string(command.name).rfind(prefix, 0), 0u) << command.name;
        // Every code has an entry for requests of any length.
        const WkReaderCommand* any = FindReaderCommand(command.code, 0);
        ASSERT_NE(any, nullptr);
        EXPECT_EQ(any->requestLength, 0);
    }
    EXPECT_EQ(FindReaderCommand(0x99), nullptr);
}

TEST(FrameDecoder, SplitsReceivedBytesIntoFrames) {
    const Bytes bytes{0x05, 0x00, 0x65, 0x00, 0x60, 0x05, 0x01, 0x65, 0x00, 0x61, 0x09, 0x00};
    auto frames = SplitFrames(bytes);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].size(), 5u);
    EXPECT_EQ(frames[1][1], 0x01);
    EXPECT_EQ(frames[2].size(), 2u); // LEN 9 beyond the end
}
