#include "kestra/Frame.h"
#include "kestra/FrameAssembler.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace std::chrono_literals;

TEST(SimFrame, RequestAndAnswerBytesMatchTheLayout) {
    // LEN counts itself and the checksum; the checksum is the XOR of everything before it.
    EXPECT_EQ(BuildRequest(0x00, 0x65, {}), (Bytes{0x04, 0x00, 0x65, 0x61}));
    EXPECT_EQ(BuildRequest(0x03, 0x40, {0x07}), (Bytes{0x05, 0x03, 0x40, 0x07, 0x41}));
    EXPECT_EQ(BuildAnswer(0x00, 0x65, Answer{0x00, {}}), (Bytes{0x05, 0x00, 0x65, 0x00, 0x60}));
    EXPECT_EQ(BuildAnswer(0x02, 0x74, Answer{0x00, {0x05}}),
              (Bytes{0x06, 0x02, 0x74, 0x00, 0x05, 0x75}));
    EXPECT_THROW(BuildAnswer(0, 0x62, Answer{0, Bytes(kMaxAnswerData + 1)}), std::length_error);
    EXPECT_EQ(BuildAnswer(0, 0x62, Answer{0, Bytes(kMaxAnswerData)}).size(), kMaxFrame);
}

TEST(SimFrame, ParseRequestRejectsWhatAReaderIgnores) {
    auto request = ParseRequest({0x06, 0x07, 0x42, 0x12, 0x34, 0x65});
    ASSERT_TRUE(request);
    EXPECT_EQ(request->address, 0x07);
    EXPECT_EQ(request->command, 0x42);
    EXPECT_EQ(request->data, (Bytes{0x12, 0x34}));

    EXPECT_FALSE(ParseRequest({0x04, 0x00, 0x65, 0x60})); // checksum
    EXPECT_FALSE(ParseRequest({0x05, 0x00, 0x65, 0x61})); // LEN says 5, 4 bytes
    EXPECT_FALSE(ParseRequest({0x03, 0x00, 0x03}));       // shorter than any request
    EXPECT_FALSE(ParseRequest({}));
}

TEST(SimFrameAssembler, CutsFramesByLenAcrossChunks) {
    FrameAssembler assembler(50ms);
    TimePoint t{};
    Bytes stream = {0x04, 0x00, 0x65, 0x61, 0x05, 0x00, 0x62, 0x00, 0x67};
    std::vector<Bytes> frames;
    for (std::uint8_t byte : stream) {
        if (auto frame = assembler.Feed(byte, t)) {
            frames.push_back(*frame);
        }
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], (Bytes{0x04, 0x00, 0x65, 0x61}));
    EXPECT_EQ(frames[1], (Bytes{0x05, 0x00, 0x62, 0x00, 0x67}));
    EXPECT_FALSE(assembler.Pending());
}

TEST(SimFrameAssembler, DropsNoiseAndStalledFrames) {
    FrameAssembler assembler(50ms);
    TimePoint t{};
    // LEN bytes below 4 cannot start a request and are skipped.
    EXPECT_FALSE(assembler.Feed(0x00, t));
    EXPECT_FALSE(assembler.Feed(0x02, t));
    EXPECT_FALSE(assembler.Pending());

    // A frame that stalls longer than the gap is dropped; the next byte starts afresh.
    EXPECT_FALSE(assembler.Feed(0x04, t));
    EXPECT_FALSE(assembler.Feed(0x00, t + 1ms));
    EXPECT_TRUE(assembler.Pending());
    EXPECT_EQ(assembler.Deadline(), t + 51ms);
    Bytes next = {0x04, 0x00, 0x65, 0x61};
    std::optional<Bytes> frame;
    TimePoint later = t + 100ms;
    for (std::uint8_t byte : next) {
        frame = assembler.Feed(byte, later);
    }
    ASSERT_TRUE(frame);
    EXPECT_EQ(*frame, next);
}
