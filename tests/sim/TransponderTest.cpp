#include "kestra/Bus.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

class SimTransponder : public ::testing::Test {
protected:
    void Start(Model model) {
        bus = Bus();
        bus.AddReader(Reader(model, 0, 9600));
    }
    void Put(TransponderType type, SerialNumber serial = {0x01, 0x02, 0x03, 0x04, 0x05}) {
        bus.PutTransponder(Transponder(type, serial), std::nullopt, TimePoint{});
    }
    Answer Send(std::uint8_t command, const Bytes& data = {}) {
        auto emission = bus.OnFrame(BuildRequest(0, command, data), TimePoint{}, 9600);
        EXPECT_TRUE(emission);
        if (!emission) {
            return Answer{0xFF, {}};
        }
        const Bytes& f = emission->bytes;
        return Answer{f[3], Bytes(f.begin() + 4, f.end() - 1)};
    }

    Bus bus;
};

} // namespace

TEST_F(SimTransponder, SerialNumberWithAndWithoutTransponder) {
    Start(Model::KRA);
    auto empty = bus.OnFrame({0x04, 0x00, 0x11, 0x15}, TimePoint{}, 9600);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->bytes, (Bytes{0x05, 0x00, 0x11, 0x01, 0x15}));
    Put(TransponderType::TTB);
    auto found = bus.OnFrame({0x04, 0x00, 0x11, 0x15}, TimePoint{}, 9600);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->bytes,
              (Bytes{0x0B, 0x00, 0x11, 0x00, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x1A}));
    bus.PutTransponder(std::nullopt, std::nullopt, TimePoint{});
    EXPECT_EQ(Send(0x11).status, 0x01);
}

TEST_F(SimTransponder, ReaderSeesOnlyTypesItReadsAndHasSwitchedOn) {
    Start(Model::KRA); // reads TTA and TTB only
    Put(TransponderType::TTD);
    EXPECT_EQ(Send(0x11).status, 0x01);
    Start(Model::KRD);
    Put(TransponderType::TTD);
    EXPECT_EQ(Send(0x11).status, 0x00);
    EXPECT_EQ(Send(0x80, {0x00, 0x07}).status, 0x00); // TTD driver off
    EXPECT_EQ(Send(0x11).status, 0x01);
}

TEST_F(SimTransponder, DataAreasRoundTripWithinTheirSize) {
    Start(Model::KRC);
    Put(TransponderType::TTB);
    Bytes eight = {1, 2, 3, 4, 5, 6, 7, 8};
    Bytes write = {30, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Send(0x14, write).status, 0x00);
    Answer read = Send(0x15, {30, 2});
    EXPECT_EQ(read.status, 0x00);
    EXPECT_EQ(read.data, eight);
    EXPECT_EQ(Send(0x15, {31, 2}).status, 0x04); // TTB has 32 public blocks
    EXPECT_EQ(Send(0x15, {0, 5}).status, 0x11);
    EXPECT_EQ(Send(0x14, {0, 1, 2, 3}).status, 0x81); // not whole blocks

    EXPECT_EQ(Send(0x18, {3, 9, 9, 9, 9}).status, 0x00);
    EXPECT_EQ(Send(0x19, {3, 1}).data, (Bytes{9, 9, 9, 9}));
    EXPECT_EQ(Send(0x15, {3, 1}).data, (Bytes{0, 0, 0, 0})); // public and secret are apart

    EXPECT_EQ(Send(0x16, {2, 0xA, 0xB, 0xC, 0xD}).status, 0x00);
    EXPECT_EQ(Send(0x17, {2}).data, (Bytes{0x01, 0xA, 0xB, 0xC, 0xD})); // type, then data

    // A fresh transponder brings fresh memory.
    Put(TransponderType::TTB);
    EXPECT_EQ(Send(0x15, {30, 2}).data, Bytes(8, 0));
}

TEST_F(SimTransponder, IdentifierKeepsItsBitLength) {
    Start(Model::KRB);
    Put(TransponderType::TTC);
    EXPECT_EQ(Send(0x12, {0x0C, 0xAB, 0xC0}).status, 0x00);
    Answer id = Send(0x13);
    EXPECT_EQ(id.status, 0x00);
    EXPECT_EQ(id.data, (Bytes{0xAB, 0xC0}));
    EXPECT_EQ(Send(0x12, {0x0C, 0xAB}).status, 0x81);
    EXPECT_EQ(Send(0x12, {97, 0}).status, 0x11);
}

TEST_F(SimTransponder, TypeSpecificCommands) {
    Start(Model::KRD);
    Put(TransponderType::TTA);
    EXPECT_EQ(Send(0x15, {0, 1}).status, 0x05);
    EXPECT_EQ(Send(0x1B, {0x02}).status, 0x05);
    EXPECT_EQ(Send(0xAA, {0x01}).status, 0x05);

    Put(TransponderType::TTC);
    Answer select = Send(0x1B, {0x02});
    EXPECT_EQ(select.status, 0x00);
    EXPECT_EQ(select.data, (Bytes{0x02, 0x01, 0x02, 0x03, 0x04, 0x05}));
    EXPECT_EQ(Send(0x1C, {0, 0, 0, 1}).status, 0x60);
    EXPECT_EQ(Send(0x1C, {0, 0, 0, 0}).status, 0x00);
    EXPECT_EQ(Send(0x1D).status, 0x00);

    Put(TransponderType::TTD);
    EXPECT_EQ(Send(0xAA, {0x02}).status, 0x11);
    EXPECT_EQ(Send(0xAA, {0x40}).status, 0x00);
    EXPECT_EQ(Send(0xAA, {0x41}).status, 0x00);
    Answer crypt = Send(0xAA, {0x01});
    EXPECT_EQ(crypt.data, (Bytes{0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0x06}));
}

TEST_F(SimTransponder, HaltSilencesUntilRfResetOrNewTransponder) {
    Start(Model::KRA);
    EXPECT_EQ(Send(0x1A).status, 0x01);
    Put(TransponderType::TTB);
    EXPECT_EQ(Send(0x1A).status, 0x00);
    EXPECT_EQ(Send(0x11).status, 0x01);
    EXPECT_EQ(Send(0x69).status, 0x00);
    EXPECT_EQ(Send(0x11).status, 0x00);
    EXPECT_EQ(Send(0x1A).status, 0x00);
    Put(TransponderType::TTB);
    EXPECT_EQ(Send(0x11).status, 0x00);
}
