// The reader module against the reader library over a scripted serial port: the request each
// command code sends, what is stored after success, block-read flags and selection rules.

#include "FakeSorn.h"
#include "ScriptedPrompts.h"
#include "VELKReaderModul.h"
#include "WkArchive.h"
#include "WkStdDoc.h"
#include "velk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using fakesorn::Bytes;

// Every request frame sent so far, in order.
std::vector<Bytes> Requests() {
    std::vector<Bytes> requests;
    for (const fakesorn::SentFrame& sent : fakesorn::Transceived()) {
        requests.push_back(sent.bytes);
    }
    return requests;
}

constexpr int kBus = 0x07;

// LEN, bus address, command, data, XOR of all before.
Bytes Frame(int command, const Bytes& data, int bus = kBus) {
    Bytes frame{static_cast<unsigned char>(data.size() + 4), static_cast<unsigned char>(bus),
                static_cast<unsigned char>(command)};
    frame.insert(frame.end(), data.begin(), data.end());
    unsigned char sum = 0;
    for (unsigned char b : frame) {
        sum ^= b;
    }
    frame.push_back(sum);
    return frame;
}

// An answer: LEN, bus address, command, status, data, checksum.
Bytes AnswerFrame(int command, int status, const Bytes& data = {}) {
    Bytes body{static_cast<unsigned char>(status)};
    body.insert(body.end(), data.begin(), data.end());
    return Frame(command, body);
}

struct HintView : WkViewObserver {
    void OnUpdate(WkViewObserver*, int hint) override { hints.push_back(hint); }
    std::vector<int> hints;
};

class ReaderModulTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakesorn::Reset();
        handle_ = VELK_NewReader(0);
        ASSERT_GT(handle_, 0);
        ASSERT_EQ(VELK_SetReaderPara(handle_, "PortHnd", "5"), 0);
        doc_.SetReaderHandle(handle_);
        doc_.SetPrompts(&prompts_);
        doc_.AddView(&view_);
        modul_.SetOwner(&doc_);
        modul_.Base().SetByte("00 00 00 01 00 00", kBus);
        // Configuration blocks 0 .. 2 hold 01, 02, 03, ... so that every value is told apart.
        for (int i = 0; i < 48; ++i) {
            modul_.Image(1)[static_cast<std::size_t>(i)] = static_cast<unsigned char>(i + 1);
        }
    }
    void TearDown() override {
        doc_.RemoveView(&view_);
        VELK_DeleteReader(handle_);
    }

    // Runs `code` against a reader that answers status 0 and returns the request it sent.
    Bytes Sent(int code, int expectedResult = 0) {
        fakesorn::Reset();
        fakesorn::QueueAnswer(AnswerFrame(code, 0x00));
        EXPECT_EQ(modul_.Execute(code), expectedResult);
        return Requests().empty() ? Bytes{} : Requests().back();
    }

    void MarkAllBlocksRead() {
        for (const char* d : {"00 00 00 01 00 00", "00 01 00 01 00 00", "00 02 00 01 00 00"}) {
            modul_.SetBlockReadFlag(d, true);
        }
    }

    int handle_ = 0;
    WkStdDoc doc_;
    ScriptedPrompts prompts_;
    HintView view_;
    VELKReaderModul modul_;
};

TEST_F(ReaderModulTest, WriteCommandsSendTheirConfigurationValues) {
    // Written out by hand once: LEN 05, bus 07, command 40, value 01, checksum 05^07^40^01.
    EXPECT_EQ(Sent(0x40), (Bytes{0x05, 0x07, 0x40, 0x01, 0x43}));

    struct Row {
        int code;
        Bytes data;
        int block;
    };
    const Row rows[] = {
        {0x41, {0x02}, 0},       {0x42, {0x03, 0x04}, 0},
        {0x43, {0x05, 0x06}, 0}, {0x50, {0x07}, 0},
        {0x51, {0x08}, 0},       {0x53, {0x09}, 0},
        {0x54, {0x0F}, 0},       {0x60, {0x0A, 0x0B}, 0},
        {0x66, {0x0C, 0x0D}, 0}, {0x67, {0x0E}, 0},
        {0x6B, {0x2C}, 2},       {0x70, {0x11, 0x12, 0x13, 0x14}, 1},
        {0x72, {0x15, 0x16}, 1}, {0x73, {0x17, 0x18, 0x19, 0x1A}, 1},
        {0x75, {0x1B}, 1},       {0x80, {0x2D, 0x2E}, 2},
        {0xA1, {0x01}, 2}, // bit 0 of block 2 byte 0 (0x21)
        {0xA6, {0x2F}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        MarkAllBlocksRead();
        EXPECT_EQ(Sent(row.code), Frame(row.code, row.data));
        for (int block = 0; block < 3; ++block) {
            EXPECT_EQ(modul_.IsBlockRead(block), block != row.block);
        }
    }
}

TEST_F(ReaderModulTest, CommandsWithoutParameters) {
    EXPECT_EQ(Sent(0x52), Frame(0x52, {0x00}));
    for (int code : {0x63, 0x64, 0x69}) {
        SCOPED_TRACE(code);
        MarkAllBlocksRead();
        EXPECT_EQ(Sent(code), Frame(code, {}));
        EXPECT_TRUE(modul_.IsBlockRead(0));
    }
}

TEST_F(ReaderModulTest, ReadCommandsStoreTheirAnswers) {
    fakesorn::QueueAnswer(AnswerFrame(0x11, 0x00, {0x02, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
    ASSERT_EQ(modul_.Execute(0x11), 0);
    EXPECT_EQ(Requests().back(), Frame(0x11, {}));
    const auto& answer = modul_.Image(11);
    EXPECT_EQ(answer[33 * 16 + 5], 0x02);
    EXPECT_EQ(answer[34 * 16 + 0], 0xA1);
    EXPECT_EQ(answer[34 * 16 + 4], 0xA5);

    fakesorn::QueueAnswer(AnswerFrame(0x65, 0x00, {3, 7, 0, 12, 5}));
    ASSERT_EQ(modul_.Execute(0x65), 0);
    EXPECT_EQ(modul_.SoftwareVersionText(), "03-07");
    EXPECT_EQ(modul_.ReaderTypeText(), "12");
    EXPECT_EQ(modul_.SoftwareRevisionText(), "05");

    fakesorn::QueueAnswer(AnswerFrame(0x74, 0x00, {0x05}));
    ASSERT_EQ(modul_.Execute(0x74), 0);
    bool input = false;
    ASSERT_TRUE(modul_.Answer().GetBit("74 32 11 01 02 01", input));
    EXPECT_TRUE(input);

    // A failed read stores nothing.
    fakesorn::QueueAnswer(AnswerFrame(0x74, 0x83));
    EXPECT_EQ(modul_.Execute(0x74), 0x83);
    EXPECT_EQ(answer[32 * 16 + 11], 0x05);
}

TEST_F(ReaderModulTest, BlockReadStoresTheMirrorAndSetsTheFlag) {
    Bytes block(16);
    for (int i = 0; i < 16; ++i) {
        block[static_cast<std::size_t>(i)] = static_cast<unsigned char>(0xB0 + i);
    }
    modul_.Answer().SetByte("62 32 14 01 00 00", 1);
    fakesorn::QueueAnswer(AnswerFrame(0x62, 0x00, block));
    ASSERT_EQ(modul_.Execute(0x62), 0);
    EXPECT_EQ(Requests().back(), Frame(0x62, {0x01}));
    EXPECT_TRUE(modul_.IsBlockRead(1));
    EXPECT_EQ(modul_.Image(11)[16], 0xB0);
    EXPECT_EQ(modul_.Image(11)[31], 0xBF);

    // A short answer with status 0 does not fill the mirror with zeros.
    modul_.SetBlockReadFlag("62 01 00 16 00 00", false);
    fakesorn::QueueAnswer(AnswerFrame(0x62, 0x00, Bytes(15, 0x44)));
    EXPECT_EQ(modul_.Execute(0x62), -2030);
    EXPECT_FALSE(modul_.IsBlockRead(1));
    EXPECT_EQ(modul_.Image(11)[16], 0xB0);

    // Block 5 is read but not mirrored.
    modul_.Answer().SetByte("62 32 14 01 00 00", 5);
    fakesorn::QueueAnswer(AnswerFrame(0x62, 0x00, Bytes(16, 0xEE)));
    ASSERT_EQ(modul_.Execute(0x62), 0);
    EXPECT_EQ(modul_.Image(11)[80], 0x00);
}

TEST_F(ReaderModulTest, ReadParameterFetchesEachBlockOnceUntilAWrite) {
    Bytes block0(16, 0);
    block0[1] = 0x33;
    block0[2] = 0x12;
    block0[3] = 0x34;
    fakesorn::QueueAnswer(AnswerFrame(0x62, 0x00, block0));
    view_.hints.clear();
    ASSERT_EQ(modul_.ReadParameter(0x41), 0);
    ASSERT_EQ(modul_.ReadParameter(0x42), 0);
    ASSERT_EQ(Requests().size(), 1u);
    EXPECT_EQ(Requests()[0], Frame(0x62, {0x00}));
    EXPECT_EQ(modul_.Image(1)[1], 0x33);
    EXPECT_EQ(modul_.Image(1)[2], 0x12);
    EXPECT_EQ(modul_.Image(1)[3], 0x34);
    EXPECT_EQ(view_.hints, (std::vector<int>{1, 2, 2}));
    EXPECT_TRUE(doc_.IsModified());

    // A failed write leaves the mirror trusted; a successful one makes the next read fetch.
    fakesorn::QueueAnswer(AnswerFrame(0x41, 0x10));
    EXPECT_EQ(modul_.Execute(0x41), 0x10);
    EXPECT_TRUE(modul_.IsBlockRead(0));
    fakesorn::QueueAnswer(AnswerFrame(0x41, 0x00));
    ASSERT_EQ(modul_.Execute(0x41), 0);
    EXPECT_FALSE(modul_.IsBlockRead(0));
    fakesorn::Reset();
    fakesorn::QueueAnswer(AnswerFrame(0x62, 0x00, block0));
    ASSERT_EQ(modul_.ReadParameter(0x41), 0);
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(ReaderModulTest, ReadParameterFailuresAndUnsupportedCodes) {
    EXPECT_EQ(modul_.ReadParameter(0x52), -1);
    EXPECT_EQ(modul_.ReadParameter(0x30), -1);
    EXPECT_EQ(modul_.ReadParameter(0xA7), -1);
    EXPECT_TRUE(Requests().empty());
    // A block read that fails is passed on, leaving the flag clear and the value as it was.
    fakesorn::QueueTransceiveResult(-1030);
    EXPECT_EQ(modul_.ReadParameter(0x70), -1030);
    EXPECT_FALSE(modul_.IsBlockRead(1));
    EXPECT_EQ(modul_.Image(1)[16], 0x11);
    EXPECT_EQ(modul_.EnsureBlockRead("62 03 00 01 00 00"), -1);
}

TEST_F(ReaderModulTest, ReadParameterCopiesBitFieldsRunsAndTheTypedModeByte) {
    Bytes block2(16, 0);
    block2[0] = 0xFE; // only bit 0 belongs to the lock flag
    block2[2] = 0x5C;
    block2[12] = 0xAB;
    block2[13] = 0xCD;
    fakesorn::QueueAnswer(AnswerFrame(0x62, 0x00, block2));
    ASSERT_EQ(modul_.ReadParameter(0xA1), 0);
    EXPECT_EQ(modul_.Image(1)[32], 0x20); // 0x21 with bit 0 taken from the mirror
    ASSERT_EQ(modul_.ReadParameter(0x80), 0);
    EXPECT_EQ(modul_.Image(1)[44], 0xAB);
    EXPECT_EQ(modul_.Image(1)[45], 0xCD);
    modul_.Answer().SetByte("A5 33 11 01 00 00", 2);
    ASSERT_EQ(modul_.ReadParameter(0xA5), 0);
    EXPECT_EQ(modul_.Image(1)[34], 0x5C);
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(ReaderModulTest, OutputCommandsFollowTheModelByte) {
    const char* times[] = {"71 32 01 02 00 00", "71 32 03 02 00 00", "71 32 05 02 00 00",
                           "71 32 07 02 00 00", "71 32 09 02 00 00"};
    for (int i = 0; i < 5; ++i) {
        modul_.Answer().SetLong(times[i], static_cast<std::uint32_t>(0x0101 * (i + 1)));
    }
    modul_.Answer().SetByte("71 32 12 01 00 00", 0x42);
    EXPECT_EQ(Sent(0x71), Frame(0x71, {1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(Sent(0x77), Frame(0x77, {1, 1, 2, 2, 3, 3, 4, 4}));
    modul_.Answer().SetByte("71 32 12 01 00 00", 0x50);
    EXPECT_EQ(Sent(0x71), Frame(0x71, {1, 1, 2, 2, 3, 3, 4, 4, 5, 5}));
    // KRD has no set-and-quit; other models send nothing and succeed.
    EXPECT_EQ(Sent(0x77), Bytes{});
    modul_.Answer().SetByte("71 32 12 01 00 00", 0x45);
    EXPECT_EQ(Sent(0x71), Bytes{});
    modul_.Answer().SetByte("71 32 12 01 00 00", 0x3F);
    EXPECT_EQ(Sent(0x77), Bytes{});
}

TEST_F(ReaderModulTest, PasswordsComeFromTheAnswerImageAsFourBytes) {
    modul_.Answer().SetHexText("A0 58 00 04 00 00", "0A0B0C0D");
    EXPECT_EQ(Sent(0xA0), Frame(0xA0, {0x0A, 0x0B, 0x0C, 0x0D}));
    modul_.Answer().SetHexText("A2 58 04 04 00 00", "11223344");
    modul_.Answer().SetHexText("A2 58 08 04 00 00", "55667788");
    EXPECT_EQ(Sent(0xA2), Frame(0xA2, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88}));

    // Old TTB passwords: nine places from block 59 on, 8 bytes apart.
    const char* oldPlaces[] = {"A3 59 00 04 00 00", "A3 59 08 04 00 00", "A3 60 00 04 00 00",
                               "A3 60 08 04 00 00", "A3 61 00 04 00 00", "A3 61 08 04 00 00",
                               "A3 62 00 04 00 00", "A3 62 08 04 00 00", "A3 63 00 04 00 00"};
    Bytes expected{0x01};
    for (int i = 0; i < 9; ++i) {
        const auto b = static_cast<unsigned char>(0x10 * (i + 1));
        const unsigned char pw[4] = {b, b, b, static_cast<unsigned char>(b + 1)};
        modul_.Answer().SetBytes(oldPlaces[i], pw, 4);
        expected.insert(expected.end(), pw, pw + 4);
    }
    modul_.Answer().SetByte("A3 33 09 01 00 00", 1);
    EXPECT_EQ(Sent(0xA3), Frame(0xA3, expected));
    modul_.Answer().SetByte("A3 33 09 01 00 00", 3);
    modul_.Answer().SetHexText("A3 63 08 04 00 00", "CAFEBABE");
    EXPECT_EQ(Sent(0xA3), Frame(0xA3, {0x03, 0xCA, 0xFE, 0xBA, 0xBE}));
    modul_.Answer().SetByte("A3 33 09 01 00 00", 2);
    EXPECT_EQ(Sent(0xA3), Bytes{});

    // New passwords lie 4 bytes further on.
    modul_.Answer().SetByte("A4 33 10 01 00 00", 3);
    modul_.Answer().SetHexText("A4 63 12 04 00 00", "01020304");
    EXPECT_EQ(Sent(0xA4), Frame(0xA4, {0x03, 0x01, 0x02, 0x03, 0x04}));
    modul_.Answer().SetByte("A4 33 10 01 00 00", 1);
    modul_.Answer().SetHexText("A4 59 04 04 00 00", "DEADBEEF");
    const Bytes sent = Sent(0xA4);
    ASSERT_EQ(sent.size(), 4u + 37u);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 8), (Bytes{0x01, 0xDE, 0xAD, 0xBE, 0xEF}));
}

TEST_F(ReaderModulTest, TransponderModeFollowsTheTypeByte) {
    modul_.Answer().SetByte("A5 33 11 01 00 00", 1);
    EXPECT_EQ(Sent(0xA5), Frame(0xA5, {0x01, 0x22}));
    modul_.Answer().SetByte("A5 33 11 01 00 00", 2);
    EXPECT_EQ(Sent(0xA5), Frame(0xA5, {0x02, 0x23}));
    // TTD: bit 0 set, bits 1 .. 3 cleared before sending (0x24 becomes 0x21).
    modul_.Answer().SetByte("A5 33 11 01 00 00", 3);
    MarkAllBlocksRead();
    EXPECT_EQ(Sent(0xA5), Frame(0xA5, {0x03, 0x21}));
    EXPECT_EQ(modul_.Image(1)[35], 0x21);
    EXPECT_FALSE(modul_.IsBlockRead(2));
    modul_.Answer().SetByte("A5 33 11 01 00 00", 4);
    EXPECT_EQ(Sent(0xA5), Bytes{});
}

TEST_F(ReaderModulTest, OwnCodesAndTheViewsAndCursor) {
    view_.hints.clear();
    EXPECT_EQ(Sent(0x30, -3), Bytes{});
    EXPECT_EQ(view_.hints, std::vector<int>{1});
    EXPECT_EQ(modul_.ExecuteText(0x40, "x"), -2);

    ASSERT_EQ(VELK_SetReaderPara(handle_, "PortHnd", "0"), 0);
    view_.hints.clear();
    EXPECT_EQ(Sent(0x40, -2), Bytes{});
    EXPECT_TRUE(view_.hints.empty());

    doc_.SetReaderHandle(0);
    EXPECT_EQ(Sent(0x40, -1), Bytes{});
    // A reader the library no longer knows: its parameter read fails and that code returns.
    doc_.SetReaderHandle(9999);
    EXPECT_EQ(modul_.Execute(0x40), -2023);

    EXPECT_EQ(prompts_.WaitDepth(), 0);
    EXPECT_EQ(prompts_.MaxWaitDepth(), 1);
    EXPECT_TRUE(prompts_.Records().empty());
}

TEST_F(ReaderModulTest, ReaderFileLayoutAndPaddingOnLoad) {
    WkArchive out;
    modul_.Serialize(out);
    // Header block with "RDR-02", "Corvel", "03.00.00", then 00 04 + 1024, 00 04 + 1024,
    // 00 08 + 2048.
    EXPECT_EQ(out.Buffer().size(), 4124u + 6 + 6 + 8);
    EXPECT_EQ(out.Buffer()[0], 0x14);
    const std::size_t config = out.Buffer().size() - 2048 - 2 - 1024 - 2;
    EXPECT_EQ(out.Buffer()[config], 0x00);
    EXPECT_EQ(out.Buffer()[config + 1], 0x04);
    EXPECT_EQ(out.Buffer()[config + 2], 0x01);

    // A hand-made file with short images: one info string, 2-byte base, 3-byte images.
    const Bytes small{0x01, 0x00, 0x01, 'R',  0x02, 0x00, 0x07, 0x00, 0x03,
                      0x00, 0x0A, 0x0B, 0x0C, 0x03, 0x00, 0x1A, 0x1B, 0x1C};
    modul_.SetBlockReadFlag("00 00 00 01 00 00", true);
    VELKReaderModul loaded;
    loaded.SetBlockReadFlag("00 01 00 01 00 00", true);
    WkArchive in(small);
    loaded.Serialize(in);
    EXPECT_EQ(loaded.Image(1).size(), 1024u);
    EXPECT_EQ(loaded.Image(11).size(), 2048u);
    EXPECT_EQ(loaded.Image(1)[2], 0x0C);
    EXPECT_EQ(loaded.Image(11)[0], 0x1A);
    EXPECT_EQ(loaded.BaseImage().size(), 1024u);
    EXPECT_EQ(loaded.InfoStrings().size(), 20u);
    EXPECT_FALSE(loaded.IsBlockRead(1));

    // A file that ends inside image 11 does not load and changes nothing.
    VELKReaderModul untouched;
    WkArchive cut(Bytes(small.begin(), small.end() - 1));
    EXPECT_THROW(untouched.Serialize(cut), WkArchiveError);
    EXPECT_EQ(untouched.GetInfoString(0), "RDR-02");
    EXPECT_EQ(untouched.Image(1)[2], 0x00);
}

} // namespace
