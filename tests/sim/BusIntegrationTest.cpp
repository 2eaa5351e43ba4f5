// The whole path: Velk's command exports and Sorn's port functions against the kestra-sim
// program, found through Sorn's port map: on a pseudo-terminal, and as a device server on the
// loopback, raw and over RFC 2217.

#include "OwnPortList.h"
#include "SimProcess.h"

#include "WaitUntil.h"
#include "sorn.h"
#include "velk.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace simtest;
using namespace std::chrono_literals;

namespace {

constexpr int kPort = 201;

enum class Line { Pty, Tcp, Rfc2217 };

std::string NameOf(const ::testing::TestParamInfo<Line>& info) {
    return info.param == Line::Pty ? "Pty" : info.param == Line::Tcp ? "Tcp" : "Rfc2217";
}

class SimBus : public ::testing::Test {
protected:
    void TearDown() override {
        if (reader > 0) {
            VELK_DeleteReader(reader);
        }
        if (port > 0) {
            SORN_ClosePort(port);
        }
        sim.reset();
    }

    // Starts the simulator with `args` on the line, opens its port through the map and makes a
    // reader.
    void Start(std::vector<std::string> args) {
        args.insert(args.end(), {"--map-port", std::to_string(kPort)});
        if (line != Line::Pty) {
            args.insert(args.end(), {"--listen", line == Line::Tcp ? "tcp:0" : "rfc2217:0"});
        }
        sim = std::make_unique<SimProcess>(args);
        ASSERT_FALSE(sim->WaitReady().empty());
        port = SORN_OpenPort(std::to_string(kPort).c_str());
        ASSERT_GT(port, 0);
        reader = VELK_NewReader(port);
        ASSERT_GT(reader, 0);
        // A busy machine may answer late; a test that waits for silence sets a short time-out.
        SetBlockTimeout(kAnswerTimeout);
    }

    void SetBlockTimeout(const char* ms) { ASSERT_EQ(SORN_SetPortPara(port, "timeout", ms), 0); }

    static constexpr const char* kAnswerTimeout = "3000";
    static constexpr const char* kSilenceTimeout = "300";

    Line line = Line::Pty;
    simtest::OwnPortList portList{"kestra-sim-bus"};
    std::unique_ptr<SimProcess> sim;
    int port = 0;
    int reader = 0;
};

// On every line.
class SimBusOnEachLine : public SimBus, public ::testing::WithParamInterface<Line> {
protected:
    void SetUp() override { line = GetParam(); }
};

// On the lines that carry the host's line settings (a pty, RFC 2217), where the simulator sees
// the speed, and where the timing of what a reader sends matters.
class SimBusWithLineSettings : public SimBusOnEachLine {};

} // namespace

INSTANTIATE_TEST_SUITE_P(Lines, SimBusOnEachLine,
                         ::testing::Values(Line::Pty, Line::Tcp, Line::Rfc2217), NameOf);
INSTANTIATE_TEST_SUITE_P(Lines, SimBusWithLineSettings, ::testing::Values(Line::Pty, Line::Rfc2217),
                         NameOf);

TEST_P(SimBusOnEachLine, ConfigurationByteWrittenIsReadBack) {
    Start({"--model", "KRC", "--address", "4"});
    EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader, 4, 0x23), 0);
    char block[32] = {};
    ASSERT_EQ(VELK_0x62_ReadEEBlock(reader, 4, 0, block), 0);
    EXPECT_EQ(static_cast<unsigned char>(block[0]), 0x23);
    EXPECT_EQ(static_cast<unsigned char>(block[8]), 4); // the bus address byte
    EXPECT_EQ(sim->Control("state").substr(0, 14), "block 0: 23 01");

    char version[16] = {};
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 4, version, 1), 0);
    EXPECT_STREQ(version, "030100480F");
}

TEST_P(SimBusOnEachLine, SerialNumberWithAndWithoutTransponder) {
    Start({});
    unsigned char type = 0xEE;
    char serial[16] = {};
    EXPECT_EQ(VELK_0x11_GetSerNr(reader, 0, &type, serial, 1), 1);
    ASSERT_EQ(sim->Control("tag TTB 12345ABCDE"), "ok");
    EXPECT_EQ(VELK_0x11_GetSerNr(reader, 0, &type, serial, 1), 0);
    EXPECT_EQ(type, 1);
    EXPECT_STREQ(serial, "12345ABCDE");
}

TEST_F(SimBus, SerialNumberRepeatsUntilATransponderAppears) {
    // Each exchange takes its time on a 1200 baud line, so REPCNT 99 waits about 8 seconds.
    Start({"--wire", "--baud", "1200"});
    ASSERT_EQ(SORN_SetPortPara(port, "baud", "1200"), 0);
    // The simulator paces its bytes by the line time; on a busy machine the gap between two of
    // them can outlast the default character time-out, which would cut the answer short.
    ASSERT_EQ(SORN_SetPortPara(port, "chartimeout", "500"), 0);
    ASSERT_EQ(VELK_SetReaderPara(reader, "REPCNT", "99"), 0);
    std::thread presenter([this] {
        std::this_thread::sleep_for(100ms);
        sim->Control("tag TTA 0000000042");
    });
    unsigned char type = 0xEE;
    char serial[16] = {};
    int result = VELK_0x11_GetSerNr(reader, 0, &type, serial, 1);
    presenter.join();
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(serial, "0000000042");

    // Exactly REPCNT + 1 attempts: three answers without a transponder use them all up.
    ASSERT_EQ(VELK_SetReaderPara(reader, "REPCNT", "2"), 0);
    ASSERT_EQ(sim->Control("fault status=01 3"), "ok");
    EXPECT_EQ(VELK_0x11_GetSerNr(reader, 0, &type, serial, 1), 1);
    EXPECT_EQ(VELK_0x11_GetSerNr(reader, 0, &type, serial, 1), 0);
}

TEST_P(SimBusOnEachLine, AccessLockRequiresLogin) {
    Start({"--model", "KRB"});
    EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader, 0, 0x01), 0);
    EXPECT_EQ(VELK_0xA1_WriteEELockRd(reader, 0, 1), 0);
    EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader, 0, 0x02), 0x13);
    EXPECT_EQ(VELK_0xA0_RdLogin(reader, 0, "01020304", 1), 0x14);
    EXPECT_EQ(VELK_0xA0_RdLogin(reader, 0, "00000000", 1), 0);
    EXPECT_EQ(VELK_0x40_WriteEEAAMode(reader, 0, 0x02), 0);
}

TEST_P(SimBusOnEachLine, AutoAnswerFramesArriveThroughReceive) {
    Start({});
    ASSERT_EQ(VELK_0x40_WriteEEAAMode(reader, 0, 0x11), 0); // serial number, once
    char empty[8] = {};
    ASSERT_EQ(SORN_DoPortCmd(port, "FlushInQ", empty), 0);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    unsigned char buffer[1024] = {};
    int n = 0;
    for (int tries = 0; tries < 20 && n <= 0; ++tries) {
        n = SORN_Receive(port, buffer, sizeof buffer);
    }
    const unsigned char expected[] = {0x0B, 0x00, 0x11, 0x00, 0x01, 0x01,
                                      0x02, 0x03, 0x04, 0x05, 0x1A};
    ASSERT_EQ(n, static_cast<int>(sizeof expected));
    EXPECT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);
}

std::vector<std::string> gLines;
void RecordLine(const char* text, int) {
    gLines.emplace_back(text);
}

TEST_P(SimBusOnEachLine, ExchangeGetsItsOwnAnswerAmongAutoAnswerFrames) {
    Start({});
    // Serial-number protocols, four 5 ms apart every 50 ms while the transponder stays.
    ASSERT_EQ(VELK_0x41_WriteEEAANum(reader, 0, 4), 0);
    ASSERT_EQ(VELK_0x42_WriteEEAATf(reader, 0, 1), 0);
    ASSERT_EQ(VELK_0x60_WriteEEAATs(reader, 0, 10), 0);
    ASSERT_EQ(VELK_0x40_WriteEEAAMode(reader, 0, 0x01), 0);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    // The answers come 100 ms late: protocols arrive between each request and its answer.
    ASSERT_EQ(sim->Control("fault late=100 5"), "ok");
    gLines.clear();
    VELK_SetCbPtr_ProtStr(RecordLine);
    ASSERT_EQ(VELK_SetReaderPara(reader, "LOGPROT", "1"), 0);
    for (int i = 0; i < 5; ++i) {
        char version[16] = {};
        EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
        EXPECT_STREQ(version, "0301002003");
    }
    VELK_SetCbPtr_ProtStr(nullptr);
    const auto unasked = std::count_if(gLines.begin(), gLines.end(), [](const std::string& line) {
        return line.ends_with("  <<  0B 00 11 00 01 01 02 03 04 05 1A ");
    });
    EXPECT_GE(unasked, 5);
}

TEST_P(SimBusWithLineSettings, EachFaultGivesItsCode) {
    Start({});
    ASSERT_EQ(VELK_SetReaderPara(reader, "CHKRECBUSADR", "1"), 0);
    const std::pair<const char*, int> faults[] = {{"checksum", VELK_ERR_CHECKSUM},
                                                  {"busaddr", VELK_ERR_BUS_ADDRESS},
                                                  {"command", VELK_ERR_COMMAND_BYTE},
                                                  {"silent", SORN_ERR_NOTHING_RECEIVED},
                                                  {"late=800", SORN_ERR_NOTHING_RECEIVED},
                                                  {"short", VELK_ERR_LENGTH},
                                                  {"status=83", 0x83}};
    char version[16] = {};
    for (const auto& [fault, code] : faults) {
        SCOPED_TRACE(fault);
        ASSERT_EQ(sim->Control(std::string("fault ") + fault), "ok");
        const bool silent = code == SORN_ERR_NOTHING_RECEIVED;
        SetBlockTimeout(silent ? kSilenceTimeout : kAnswerTimeout);
        EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), code);
        if (fault == std::string("late=800")) {
            // The late answer is still due: take it off the line before the next exchange.
            ASSERT_EQ(SORN_SetPortPara(port, "Timeout", "5000"), 0);
            unsigned char late[64] = {};
            int got = 0;
            for (int n = 1; got < 10 && n > 0; got += n > 0 ? n : 0)
                n = SORN_Receive(port, late + got, static_cast<int>(sizeof late) - got);
            EXPECT_EQ(got, 10);
        }
        SetBlockTimeout(kAnswerTimeout);
        EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0); // one answer only
    }
}

TEST_P(SimBusWithLineSettings, WrongBaudRateGetsNoAnswer) {
    Start({"--baud", "38400"});
    char version[16] = {};
    SetBlockTimeout(kSilenceTimeout);
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), SORN_ERR_NOTHING_RECEIVED);
    SetBlockTimeout(kAnswerTimeout);
    ASSERT_EQ(SORN_SetPortPara(port, "baud", "38400"), 0);
    EXPECT_EQ(VELK_0x65_SoftVersion(reader, 0, version, 1), 0);
}

TEST_P(SimBusOnEachLine, FramesWithFfInThemTravelWhole) {
    // A request to bus address 255 carries FF; the answer of a KRA at address 177 to 0x65 ends
    // in the checksum FF.
    Start({"--reader", "KRA:177"});
    char version[16] = {};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(VELK_0x65_SoftVersion(reader, 255, version, 1), 0);
        EXPECT_STREQ(version, "0301002003");
    }
    char block[32] = {};
    ASSERT_EQ(VELK_0x62_ReadEEBlock(reader, 255, 0, block), 0);
    EXPECT_EQ(static_cast<unsigned char>(block[8]), 177); // the bus address byte
}

std::atomic<int> gCts{-1};
std::atomic<int> gDsr{-1};
void OnLine(int, int event, int, int state) {
    (event == SORN_EVENT_CTS ? gCts : gDsr) = state;
}

TEST(SimBusRfc2217, LinesReachTheServerAndItsLinesComeBack) {
    // The simulator's CTS follows RTS and its DSR follows DTR, as through a looped cable.
    simtest::OwnPortList portList{"kestra-sim-lines"};
    SimProcess sim({"--listen", "rfc2217:0", "--map-port", std::to_string(kPort)});
    ASSERT_FALSE(sim.WaitReady().empty());
    const int port = SORN_OpenPort(std::to_string(kPort).c_str());
    ASSERT_GT(port, 0);
    const SORN_EVENT_HANDLER cts{SORN_EVENT_CTS, 1, SORN_MODE_CALLBACK,
                                 reinterpret_cast<intptr_t>(&OnLine)};
    const SORN_EVENT_HANDLER dsr{SORN_EVENT_DSR, 2, SORN_MODE_CALLBACK,
                                 reinterpret_cast<intptr_t>(&OnLine)};
    ASSERT_EQ(SORN_AddEventHandler(port, &cts), 0);
    ASSERT_EQ(SORN_AddEventHandler(port, &dsr), 0);
    auto set = [port](const char* command, bool on) {
        char value[4] = {};
        std::snprintf(value, sizeof value, "%s", on ? "ON" : "OFF");
        return SORN_DoPortCmd(port, command, value);
    };
    auto waitFor = [](std::atomic<int>& line, int state, std::chrono::milliseconds timeout) {
        return WaitUntil([&] { return line == state; }, timeout);
    };
    // Events tell changes after the lines were first read, a moment after registering: RTS
    // goes on and off until one comes.
    bool told = false;
    for (int i = 0; i < 50 && !told; ++i) {
        ASSERT_EQ(set("SetRTS", i % 2 == 0), 0);
        told = waitFor(gCts, i % 2 == 0 ? 1 : 0, 200ms);
    }
    ASSERT_TRUE(told);
    ASSERT_EQ(set("SetRTS", gCts == 0), 0);
    EXPECT_TRUE(waitFor(gCts, gCts == 0 ? 1 : 0, 5s));
    ASSERT_EQ(set("SetDTR", true), 0);
    EXPECT_TRUE(waitFor(gDsr, 1, 5s));
    char state[8] = {};
    ASSERT_EQ(SORN_DoPortCmd(port, "GetDSR", state), 0);
    EXPECT_STREQ(state, "ON");
    SORN_ClosePort(port);
}
