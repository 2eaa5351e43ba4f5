#include "kestra/AutoAnswer.h"
#include "kestra/Bus.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace std::chrono_literals;

namespace {

Block ModeBlock(std::uint8_t mode) {
    Block block = GetModelInfo(Model::KRA).factory[0];
    block[0] = mode;
    return block;
}

const SerialNumber kSerial = {0x00, 0x00, 0x00, 0x30, 0x39}; // 12345

} // namespace

TEST(SimAutoAnswer, ProtocolHoldsWhatTheModeBitsChoose) {
    Transponder tag(TransponderType::TTB, {0x01, 0x02, 0x03, 0x04, 0x05});
    // Serial number inside an answer frame: LEN, address, 0x11, status, type, serial, XOR.
    EXPECT_EQ(AutoAnswer::BuildProtocol(ModeBlock(0x01), tag, 0x00),
              (Bytes{0x0B, 0x00, 0x11, 0x00, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x1A}));
    // The bare serial number, in BCD: 12345 as 14 digits.
    Transponder decimal(TransponderType::TTB, kSerial);
    EXPECT_EQ(AutoAnswer::BuildProtocol(ModeBlock(0x61), decimal, 0x00),
              (Bytes{0x00, 0x00, 0x00, 0x00, 0x01, 0x23, 0x45}));
    // Identifier and two secret blocks from block 1 on.
    ASSERT_TRUE(decimal.SetId(16, {0xBE, 0xEF}));
    ASSERT_TRUE(decimal.Write(Transponder::Area::Secret, 1, {1, 2, 3, 4, 5, 6, 7, 8}));
    Block block = ModeBlock(0x46);
    block[4] = 1;
    block[5] = 0x82;
    EXPECT_EQ(AutoAnswer::BuildProtocol(block, decimal, 0x00),
              (Bytes{0xBE, 0xEF, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(SimAutoAnswer, OnlyTheSerialLineInterfaceSendsAndSomethingMustBeChosen) {
    EXPECT_FALSE(AutoAnswer::Enabled(ModeBlock(0x00)));
    EXPECT_FALSE(AutoAnswer::Enabled(ModeBlock(0x78))); // only the flags, no content
    EXPECT_TRUE(AutoAnswer::Enabled(ModeBlock(0x01)));
    Block wiegand = ModeBlock(0x01);
    wiegand[6] = 0x02;
    EXPECT_FALSE(AutoAnswer::Enabled(wiegand));
}

TEST(SimAutoAnswer, GroupsAreSpacedByGapAndRepeatedAfterLockTime) {
    Block block = ModeBlock(0x01);
    block[1] = 3;   // three protocols a group
    block[3] = 2;   // 10 ms apart
    block[10] = 20; // group again after 100 ms
    AutoAnswer schedule;
    TimePoint t0{};
    schedule.Start(t0, block);
    bool done = false;
    EXPECT_TRUE(schedule.Take(t0, block, done));
    EXPECT_FALSE(done);
    EXPECT_FALSE(schedule.Take(t0 + 9ms, block, done));
    EXPECT_TRUE(schedule.Take(t0 + 10ms, block, done));
    EXPECT_TRUE(schedule.Take(t0 + 20ms, block, done));
    EXPECT_TRUE(done);
    EXPECT_EQ(schedule.Due(), t0 + 120ms);

    block[0] |= 0x10; // once per presence
    schedule.Start(t0, block);
    EXPECT_TRUE(schedule.Take(t0, block, done));
    EXPECT_TRUE(schedule.Take(t0 + 10ms, block, done));
    EXPECT_TRUE(schedule.Take(t0 + 20ms, block, done));
    EXPECT_FALSE(schedule.Due());
}

TEST(SimAutoAnswer, ReaderSendsWhenATransponderEntersAndHaltsItIfAsked) {
    Bus bus;
    bus.AddReader(Reader(Model::KRA, 2, 9600));
    TimePoint t0{};
    // Mode written over the line: serial number, halt afterwards.
    bus.OnFrame(BuildRequest(2, 0x40, {0x09}), t0, 9600);
    EXPECT_FALSE(bus.NextDue());
    bus.PutTransponder(Transponder(TransponderType::TTB, kSerial), std::nullopt, t0);
    ASSERT_EQ(bus.NextDue(), t0);
    std::vector<Emission> sent = bus.TakeDue(t0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes[1], 2); // from the reader's own address
    EXPECT_EQ(sent[0].bytes[2], 0x11);
    EXPECT_FALSE(bus.NextDue());
    auto answer = bus.OnFrame(BuildRequest(2, 0x11, {}), t0, 9600);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->bytes[3], 0x01); // halted

    // Repeating mode stops when the transponder leaves.
    bus.OnFrame(BuildRequest(2, 0x40, {0x01}), t0, 9600);
    bus.PutTransponder(Transponder(TransponderType::TTB, kSerial), std::nullopt, t0);
    EXPECT_EQ(bus.TakeDue(t0).size(), 1u);
    EXPECT_TRUE(bus.NextDue());
    bus.PutTransponder(std::nullopt, std::nullopt, t0 + 1ms);
    EXPECT_FALSE(bus.NextDue());
    EXPECT_TRUE(bus.TakeDue(t0 + 10s).empty());

    // Switching the mode on with a transponder already there reports it; switching it off
    // or choosing another interface stops the protocols.
    bus.OnFrame(BuildRequest(2, 0x40, {0x00}), t0, 9600);
    bus.PutTransponder(Transponder(TransponderType::TTB, kSerial), std::nullopt, t0);
    EXPECT_FALSE(bus.NextDue());
    bus.OnFrame(BuildRequest(2, 0x40, {0x01}), t0 + 5ms, 9600);
    EXPECT_EQ(bus.NextDue(), t0 + 5ms);
    bus.OnFrame(BuildRequest(2, 0x50, {0x02}), t0 + 6ms, 9600);
    EXPECT_FALSE(bus.NextDue());
}
