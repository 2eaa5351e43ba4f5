#include "kestra/Bus.h"

#include <gtest/gtest.h>
#include <random>
#include <set>

using namespace kestra;

namespace {

struct Split {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::uint8_t status = 0;
    Bytes data;
};

// Checks the answer frame by its layout and takes it apart.
Split SplitAnswer(const Bytes& frame) {
    EXPECT_GE(frame.size(), 5u);
    EXPECT_EQ(frame[0], frame.size());
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        sum ^= frame[i];
    }
    EXPECT_EQ(sum, frame.back());
    return Split{frame[1], frame[2], frame[3], Bytes(frame.begin() + 4, frame.end() - 1)};
}

class SimReader : public ::testing::Test {
protected:
    void Start(Model model, std::uint8_t address = 0) {
        bus = Bus();
        bus.AddReader(Reader(model, address, 9600));
    }
    // Sends a request and returns the answer bytes (empty when nobody answers).
    Bytes Raw(const Bytes& frame, unsigned baud = 9600) {
        auto emission = bus.OnFrame(frame, TimePoint{}, baud);
        return emission ? emission->bytes : Bytes{};
    }
    Split Send(std::uint8_t command, const Bytes& data = {}, std::uint8_t address = 0) {
        Bytes answer = Raw(BuildRequest(address, command, data));
        EXPECT_FALSE(answer.empty()) << "no answer to command " << int(command);
        return answer.empty() ? Split{0, 0, 0xFF, {}} : SplitAnswer(answer);
    }
    Reader& First() { return bus.Readers().front(); }

    Bus bus;
};

} // namespace

TEST_F(SimReader, SoftwareVersionAnswersTheModelBytes) {
    Start(Model::KRD);
    EXPECT_EQ(Raw({0x04, 0x00, 0x65, 0x61}),
              (Bytes{0x0A, 0x00, 0x65, 0x00, 0x03, 0x04, 0x00, 0x50, 0x0F, 0x37}));
    Start(Model::KRB);
    Split answer = Send(0x65);
    ASSERT_EQ(answer.data.size(), 5u);
    EXPECT_EQ(answer.data[3], 0x40); // the hardware type that selects the KRB output command
}

TEST_F(SimReader, EepromWritesChangeExactlyTheirBytesAndReadBack) {
    struct Row {
        std::uint8_t command;
        Bytes data;
        std::size_t block;
        std::size_t at;
        Bytes stored;
    };
    const std::vector<Row> rows = {
        {0x40, {0x05}, 0, 0, {0x05}},
        {0x41, {0x03}, 0, 1, {0x03}},
        {0x42, {0x12, 0x34}, 0, 2, {0x12, 0x34}},
        {0x43, {0x09, 0x83}, 0, 4, {0x09, 0x83}},
        {0x50, {0x04}, 0, 6, {0x04}},
        {0x51, {0x87}, 0, 7, {0x87}},
        {0x53, {0x11}, 0, 8, {0x11}},
        {0x60, {0xAB, 0xCD}, 0, 9, {0xAB, 0xCD}},
        {0x66, {0x01, 0x02}, 0, 11, {0x01, 0x02}},
        {0x67, {0x02}, 0, 13, {0x02}},
        {0x54, {0xD3}, 0, 14, {0xD3}},
        {0x70, {1, 2, 3, 4}, 1, 0, {1, 2, 3, 4}},
        {0x72, {0x55, 0xAA}, 1, 4, {0x55, 0xAA}},
        {0x73, {1, 2, 3, 4}, 1, 6, {1, 2, 3, 4}},
        {0x75, {0x0F}, 1, 10, {0x0F}},
        {0xA1, {0x01}, 2, 0, {0x01}},
        {0xA5, {0x02, 0x77}, 2, 2, {0x77}},
        {0x6B, {0x99}, 2, 11, {0x99}},
        {0x80, {0x12, 0x0B}, 2, 12, {0x12, 0x0B}},
        {0xA6, {0x01}, 2, 14, {0x01}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "command " << std::hex << int(row.command));
        Start(Model::KRD);
        Reader::Eeprom before = First().GetEeprom();
        EXPECT_EQ(Send(row.command, row.data).status, 0x00);
        Block expected = before[row.block];
        std::copy(row.stored.begin(), row.stored.end(), expected.begin() + row.at);
        for (std::size_t b = 0; b < Reader::kEepromBlocks; ++b) {
            EXPECT_EQ(First().GetEeprom()[b], b == row.block ? expected : before[b]);
        }
        if (row.command == 0xA1) {
            EXPECT_EQ(Send(0xA0, {0, 0, 0, 0}).status, 0x00); // locked now
        }
        Split read = Send(0x62, {static_cast<std::uint8_t>(row.block)});
        EXPECT_EQ(read.status, 0x00);
        EXPECT_EQ(read.data, Bytes(expected.begin(), expected.end()));
    }
}

TEST_F(SimReader, RefusesWhatARealReaderRefuses) {
    struct Row {
        Model model;
        std::uint8_t command;
        Bytes data;
        std::uint8_t status;
    };
    const std::vector<Row> rows = {
        {Model::KRA, 0x30, {}, 0x80},
        {Model::KRA, 0xFF, {1, 2}, 0x80},
        {Model::KRA, 0x71, Bytes(8), 0x82},
        {Model::KRC, 0x77, Bytes(8), 0x82},
        {Model::KRB, 0x6B, {0x01}, 0x82},
        {Model::KRA, 0xAA, {0x01}, 0x82},
        {Model::KRB, 0x71, Bytes(10), 0x81},
        {Model::KRD, 0x71, Bytes(8), 0x81},
        {Model::KRA, 0x65, {0x00}, 0x81},
        {Model::KRA, 0x42, {0x01}, 0x81},
        {Model::KRA, 0x82, Bytes(18), 0x81},
        {Model::KRA, 0xA3, {0x01, 1, 2, 3, 4}, 0x81},
        {Model::KRA, 0x40, {0x80}, 0x11},
        {Model::KRA, 0x43, {0x00, 0x05}, 0x11},
        {Model::KRA, 0x50, {0x03}, 0x11},
        {Model::KRA, 0x50, {0x00}, 0x11},
        {Model::KRA, 0x51, {0x01}, 0x11},
        {Model::KRA, 0x53, {0xFE}, 0x11},
        {Model::KRA, 0x62, {0x20}, 0x11},
        {Model::KRA, 0xA5, {0x04, 0x00}, 0x11},
        {Model::KRA, 0xA3, {0x02, 1, 2, 3, 4}, 0x11},
        {Model::KRA, 0x11, {}, 0x01},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "command " << std::hex << int(row.command));
        Start(row.model);
        Reader::Eeprom before = First().GetEeprom();
        EXPECT_EQ(Send(row.command, row.data).status, row.status);
        EXPECT_EQ(First().GetEeprom(), before);
    }
}

TEST_F(SimReader, AccessLockAsksForLoginWithTheReaderPassword) {
    Start(Model::KRA);
    EXPECT_EQ(Send(0xA1, {0x01}).status, 0x00);
    EXPECT_EQ(Send(0x40, {0x01}).status, 0x13);
    EXPECT_EQ(Send(0x62, {0x00}).status, 0x13);
    EXPECT_EQ(Send(0x65).status, 0x00); // version, login and reset stay open
    EXPECT_EQ(Send(0xA0, {1, 2, 3, 4}).status, 0x14);
    EXPECT_EQ(Send(0xA0, {0, 0, 0, 0}).status, 0x00);
    EXPECT_EQ(Send(0xA2, {9, 9, 9, 9, 1, 2, 3, 4}).status, 0x14);
    EXPECT_EQ(Send(0xA2, {0, 0, 0, 0, 1, 2, 3, 4}).status, 0x00);
    EXPECT_EQ(Send(0x40, {0x01}).status, 0x00);
    // A reset ends the login; the new password is the one that counts.
    EXPECT_EQ(Send(0x63).status, 0x00);
    EXPECT_EQ(Send(0x41, {0x02}).status, 0x13);
    EXPECT_EQ(Send(0xA0, {0, 0, 0, 0}).status, 0x14);
    EXPECT_EQ(Send(0xA0, {1, 2, 3, 4}).status, 0x00);
    EXPECT_EQ(Send(0x41, {0x02}).status, 0x00);
}

TEST_F(SimReader, AddressAndBaudTakeEffectAtResetAndFactoryResetRestores) {
    Start(Model::KRB, 5);
    EXPECT_TRUE(Raw(BuildRequest(0, 0x65, {})).empty()); // not addressed to it
    EXPECT_EQ(Send(0x65, {}, 255).address, 5);           // broadcast: answers with its own
    EXPECT_EQ(Send(0x53, {0x09}, 5).status, 0x00);
    EXPECT_EQ(Send(0x51, {0x07}, 5).status, 0x00); // 38400, even parity
    EXPECT_EQ(Send(0x65, {}, 5).status, 0x00);     // still the old settings
    Split reset = Send(0x63, {}, 5);
    EXPECT_EQ(reset.address, 5); // the answer to the reset leaves before it
    EXPECT_TRUE(Raw(BuildRequest(9, 0x65, {}), 9600).empty());
    EXPECT_FALSE(Raw(BuildRequest(9, 0x65, {}), 38400).empty());
    EXPECT_FALSE(Raw(BuildRequest(9, 0x65, {}), 0).empty()); // line speed unknown: any

    bus.OnFrame(BuildRequest(9, 0x64, {}), TimePoint{}, 38400);
    const ModelInfo& info = GetModelInfo(Model::KRB);
    for (std::size_t b = 0; b < kConfigBlocks; ++b) {
        EXPECT_EQ(First().GetEeprom()[b], info.factory[b]);
    }
    bus.OnFrame(BuildRequest(9, 0x63, {}), TimePoint{}, 38400);
    EXPECT_EQ(First().Address(), 0);
    EXPECT_EQ(First().Baud(), 9600u);
}

TEST_F(SimReader, InputsOutputsAndEepromDump) {
    Start(Model::KRD);
    First().SetInputs(0x05);
    EXPECT_EQ(Raw({0x04, 0x00, 0x74, 0x70}), (Bytes{0x06, 0x00, 0x74, 0x00, 0x05, 0x77}));
    EXPECT_EQ(Send(0x71, {0, 1, 0, 2, 0, 3, 0xFF, 0xFF, 0x12, 0x34}).status, 0x00);
    EXPECT_EQ(First().OutputTimes(), (std::array<std::uint16_t, 5>{1, 2, 3, 0xFFFF, 0x1234}));
    EXPECT_EQ(Send(0x82, {0x1F, 0xDE, 0xAD}).status, 0x00);
    Split dump = Send(0x62, {0x1F});
    ASSERT_EQ(dump.data.size(), 16u);
    EXPECT_EQ(dump.data[0], 0xDE);
    EXPECT_EQ(dump.data[1], 0xAD);
    EXPECT_EQ(dump.data[2], 0x00);
}

TEST_F(SimReader, TransponderPasswordsNeedTheOldOnesFirst) {
    Start(Model::KRB);
    Bytes nine(1 + 36, 0);
    nine[0] = 0x01;
    Bytes wrongThird = nine;
    wrongThird[1 + 8] = 0x01;
    Bytes fresh = nine;
    fresh[5] = 0x42;
    EXPECT_EQ(Send(0xA4, fresh).status, 0x12);
    EXPECT_EQ(Send(0xA3, wrongThird).status, 0x63);
    EXPECT_EQ(Send(0xA3, nine).status, 0x00);
    EXPECT_EQ(Send(0xA4, fresh).status, 0x00);
    EXPECT_EQ(Send(0xA4, fresh).status, 0x12); // one change per verification
    EXPECT_EQ(Send(0xA3, nine).status, 0x62);
    EXPECT_EQ(Send(0xA3, fresh).status, 0x00);
    EXPECT_EQ(Send(0xA3, {0x03, 0, 0, 0, 1}).status, 0x60);
}

TEST_F(SimReader, AnyRequestGetsAWellFormedAnswerWithAKnownStatus) {
    // Random commands and data against every model, with and without transponders: every
    // answer is a valid frame for the request, and its status is one a reader gives.
    const std::set<std::uint8_t> known = {0x00, 0x01, 0x04, 0x05, 0x11, 0x12, 0x13,
                                          0x14, 0x60, 0x61, 0x62, 0x63, 0x64, 0x65,
                                          0x66, 0x67, 0x68, 0x69, 0x80, 0x81, 0x82};
    std::mt19937 random(1234);
    for (Model model : kAllModels) {
        Start(model);
        for (int i = 0; i < 4000; ++i) {
            if (i % 500 == 0) {
                auto type = static_cast<TransponderType>(random() % 4);
                bus.PutTransponder(Transponder(type, {1, 2, 3, 4, 5}), std::nullopt, TimePoint{});
            }
            std::uint8_t command = static_cast<std::uint8_t>(random());
            if (command == 0x63 || command == 0x53 || command == 0x51) {
                continue; // keep the reader at address 0 and 9600 baud
            }
            Bytes data(random() % 40);
            for (auto& byte : data) {
                byte = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : random() % 8);
            }
            Bytes answer = Raw(BuildRequest(0, command, data));
            ASSERT_FALSE(answer.empty());
            Split split = SplitAnswer(answer);
            EXPECT_EQ(split.command, command);
            EXPECT_EQ(split.address, 0);
            EXPECT_TRUE(known.count(split.status)) << std::hex << int(command);
            if (split.status != 0x00) {
                EXPECT_TRUE(split.data.empty());
            }
        }
    }
}
