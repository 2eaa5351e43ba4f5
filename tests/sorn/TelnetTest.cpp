// The Telnet receive filter, option states and the RFC 2217 client, fed with bytes written out
// by hand from RFC 854/855 and RFC 2217; network addresses as the port map names them.
#include "common/Telnet.h"
#include "Rfc2217Client.h"
#include "common/NetworkAddress.h"
#include "common/TelnetOptions.h"
#include "common/TelnetReceiver.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Recorder : TelnetReceiver::Handler {
    void OnNegotiation(std::uint8_t verb, std::uint8_t option) override {
        negotiations.push_back({verb, option});
    }
    void OnSubnegotiation(std::span<const std::uint8_t> body) override {
        subnegotiations.emplace_back(body.begin(), body.end());
    }
    std::vector<Bytes> negotiations;
    std::vector<Bytes> subnegotiations;
};

TEST(TelnetReceiverTest, CommandsLeaveTheDataWholeWhereverTheReadsSplit) {
    // 01, a doubled FF, 02, IAC WILL SGA, 04, IAC SB COM-PORT 107 FF(doubled) IAC SE, 05, IAC NOP.
    const Bytes wire = {0x01, 0xFF, 0xFF, 0x02, 0xFF, 0xFB, 0x03, 0x04, 0xFF, 0xFA,
                        0x2C, 0x6B, 0xFF, 0xFF, 0xFF, 0xF0, 0x05, 0xFF, 0xF1};
    for (std::size_t split = 0; split <= wire.size(); ++split) {
        SCOPED_TRACE(split);
        TelnetReceiver receiver;
        Recorder recorder;
        Bytes data;
        receiver.Feed({wire.data(), split}, data, recorder);
        receiver.Feed({wire.data() + split, wire.size() - split}, data, recorder);
        EXPECT_EQ(data, (Bytes{0x01, 0xFF, 0x02, 0x04, 0x05}));
        EXPECT_EQ(recorder.negotiations, (std::vector<Bytes>{{0xFB, 0x03}}));
        EXPECT_EQ(recorder.subnegotiations, (std::vector<Bytes>{{0x2C, 0x6B, 0xFF}}));
    }
}

TEST(TelnetReceiverTest, OverlongAndUnfinishedSubnegotiationsAreDropped) {
    TelnetReceiver receiver;
    Recorder recorder;
    Bytes data;
    // A subnegotiation far longer than any option needs: its bytes are read and forgotten.
    const Bytes start = {0xFF, 0xFA, 0x2C};
    receiver.Feed(start, data, recorder);
    const Bytes filler(100'000, 0x41);
    receiver.Feed(filler, data, recorder);
    const Bytes end = {0xFF, 0xF0, 0x42};
    receiver.Feed(end, data, recorder);
    EXPECT_EQ(data, Bytes{0x42});
    EXPECT_TRUE(recorder.subnegotiations.empty());
    EXPECT_EQ(receiver.Dropped(), 1u);
    // One that another command cuts short is dropped; the command counts.
    const Bytes cut = {0xFF, 0xFA, 0x2C, 0x65, 0xFF, 0xFB, 0x01, 0x43};
    receiver.Feed(cut, data, recorder);
    EXPECT_EQ(data, (Bytes{0x42, 0x43}));
    EXPECT_EQ(recorder.negotiations, (std::vector<Bytes>{{0xFB, 0x01}}));
    EXPECT_EQ(receiver.Dropped(), 2u);
}

TEST(TelnetOptionsTest, UnknownRequestsAreRefusedOnceAndAnswersNeverLoop) {
    TelnetOptions options({telnet::kBinary}, {telnet::kBinary});
    Bytes out;
    for (int storm = 0; storm < 100; ++storm) {
        options.OnNegotiation(telnet::kWill, 99, out);
        options.OnNegotiation(telnet::kDo, 98, out);
    }
    EXPECT_EQ(out, (Bytes{0xFF, 0xFE, 99, 0xFF, 0xFC, 98})); // DONT 99, WONT 98, once each
    out.clear();
    options.OnNegotiation(telnet::kWill, 0, out); // offered and taken
    options.OnNegotiation(telnet::kWill, 0, out); // on already: no answer
    options.Request(true, 0, out);
    EXPECT_FALSE(options.Settled(true, 0));
    options.OnNegotiation(telnet::kDo, 0, out); // the answer to our request: no answer back
    EXPECT_EQ(out, (Bytes{0xFF, 0xFD, 0, 0xFF, 0xFB, 0}));
    EXPECT_TRUE(options.Enabled(true, 0) && options.Enabled(false, 0));
    out.clear();
    options.OnNegotiation(telnet::kDont, 0, out);
    options.OnNegotiation(telnet::kDont, 0, out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFC, 0})); // WONT, once
    EXPECT_FALSE(options.Enabled(true, 0));
}

// The server's answers to the client's opening requests, and its DO COM-PORT-OPTION.
const Bytes kServerAgrees = {0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x00, 0xFF, 0xFD,
                             0x03, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x2C};

TEST(Rfc2217ClientTest, SettingsGoOutWhenTheServerAgreesAndItsAnswersAreKept) {
    sorn::Rfc2217Client client;
    Bytes out;
    Bytes data;
    client.Start(out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x03,
                          0xFF, 0xFB, 0x2C}));
    out.clear();
    client.SetLine(19200, "8E1", out);
    EXPECT_TRUE(out.empty()); // not before the server agreed
    EXPECT_FALSE(client.Negotiated());
    client.Feed(kServerAgrees, data, out);
    EXPECT_TRUE(client.Negotiated() && client.ComPortActive());
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 0x2C, 0x05, 0x01, 0xFF, 0xF0, // no flow control
                          0xFF, 0xFA, 0x2C, 0x0B, 0x33, 0xFF, 0xF0, // CTS, DSR mask
                          0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x4B, 0x00, 0xFF, 0xF0, // 19200
                          0xFF, 0xFA, 0x2C, 0x02, 0x08, 0xFF, 0xF0,                   // 8 data bits
                          0xFF, 0xFA, 0x2C, 0x03, 0x03, 0xFF, 0xF0,                   // even parity
                          0xFF, 0xFA, 0x2C, 0x04, 0x01, 0xFF, 0xF0}));                // 1 stop bit
    EXPECT_FALSE(client.Answered());
    EXPECT_EQ(client.ConfirmedBaud(), 0);
    out.clear();
    const Bytes answers = {0xFF, 0xFA, 0x2C, 0x65, 0x00, 0x00, 0x4B, 0x00, 0xFF, 0xF0,
                           0xFF, 0xFA, 0x2C, 0x66, 0x08, 0xFF, 0xF0, 0xFF, 0xFA, 0x2C,
                           0x67, 0x03, 0xFF, 0xF0, 0xFF, 0xFA, 0x2C, 0x68, 0x01, 0xFF,
                           0xF0, 0xFF, 0xFA, 0x2C, 0x6B, 0x10, 0xFF, 0xF0};
    client.Feed(answers, data, out);
    EXPECT_TRUE(out.empty() && data.empty());
    EXPECT_TRUE(client.Answered());
    EXPECT_EQ(client.ConfirmedBaud(), 19200);
    EXPECT_EQ(client.ConfirmedFrame(), "8E1");
    bool cts = false;
    bool dsr = true;
    ASSERT_TRUE(client.ModemLines(cts, dsr));
    EXPECT_TRUE(cts);
    EXPECT_FALSE(dsr);

    // Only what changed goes out again; a value with 0xFF in it travels doubled.
    client.SetLine(19200, "8N1", out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 0x2C, 0x03, 0x01, 0xFF, 0xF0}));
    out.clear();
    client.SetLine(65280, "8N1", out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0xF0}));
    out.clear();
    client.SetModemLine(true, true, out);
    client.Purge(out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 0x2C, 0x05, 0x0B, 0xFF, 0xF0, 0xFF, 0xFA, 0x2C, 0x0C, 0x01,
                          0xFF, 0xF0}));
}

TEST(Rfc2217ClientTest, ServerThatRefusesTheOptionGetsDataOnly) {
    sorn::Rfc2217Client client;
    Bytes out;
    Bytes data;
    client.Start(out);
    out.clear();
    client.SetLine(9600, "8E1", out);
    const Bytes refusal = {0xFF, 0xFE, 0x00, 0xFF, 0xFC, 0x00, 0xFF, 0xFE, 0x03,
                           0xFF, 0xFC, 0x03, 0xFF, 0xFE, 0x2C, 0x11, 0xFF, 0xFF};
    client.Feed(refusal, data, out);
    EXPECT_TRUE(client.Negotiated());
    EXPECT_FALSE(client.ComPortActive());
    EXPECT_TRUE(client.Answered());
    client.SetModemLine(false, true, out);
    client.Purge(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(data, (Bytes{0x11, 0xFF}));
    bool cts = false;
    bool dsr = false;
    EXPECT_FALSE(client.ModemLines(cts, dsr));
}

TEST(NetworkAddressTest, PortMapUrlsAreParsedStrictly) {
    const auto dock = NetworkAddress::Parse("rfc2217://dock-gw:4001");
    ASSERT_TRUE(dock);
    EXPECT_EQ(dock->mode, NetworkAddress::Mode::Rfc2217);
    EXPECT_EQ(dock->host, "dock-gw");
    EXPECT_EQ(dock->port, 4001u);
    const auto v6 = NetworkAddress::Parse("TCP://[fe80::1%eth0]:65535");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->mode, NetworkAddress::Mode::Raw);
    EXPECT_EQ(v6->host, "fe80::1%eth0");
    EXPECT_EQ(v6->Url(), "tcp://[fe80::1%eth0]:65535");
    EXPECT_EQ(NetworkAddress::Parse("tcp://192.168.1.20:1")->Url(), "tcp://192.168.1.20:1");
    for (const char* bad : {"rfc2217://host", "rfc2217://host:0", "rfc2217://host:65536",
                            "tcp://:4001", "tcp://ho st:1", "tcp://host:1/x", "udp://host:1",
                            "rfc2217://::1:4001", "tcp://[]:1", "/dev/ttyS0"}) {
        EXPECT_FALSE(NetworkAddress::Parse(bad)) << bad;
    }
    EXPECT_TRUE(NetworkAddress::IsUrl("udp://host:1"));
    EXPECT_FALSE(NetworkAddress::IsUrl("/dev/serial/by-id/a://b"));
    EXPECT_FALSE(NetworkAddress::IsUrl("/dev/ttyUSB0"));
}

} // namespace
