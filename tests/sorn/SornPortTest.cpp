// Opening, the port list, parameters, commands, texts and event records over real ptys.
#include "PtyPeer.h"
#include "sorn.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <termios.h>

namespace {

std::string Para(int handle, const char* key) {
    char value[16] = {};
    EXPECT_EQ(SORN_GetPortPara(handle, key, value), 0) << key;
    return value;
}

std::string Cmd(int handle, const char* command) {
    char value[16] = {};
    EXPECT_EQ(SORN_DoPortCmd(handle, command, value), 0) << command;
    return value;
}

class SornPortTest : public ::testing::Test {
protected:
    int OpenMapped(PtyPeer& peer, int number) {
        map_.Map(number, peer.SlavePath());
        return SORN_OpenPort(std::to_string(number).c_str());
    }
    PortMapFile map_;
};

TEST_F(SornPortTest, OpenFailuresHaveTheirOwnCodes) {
    PtyPeer peer;
    EXPECT_EQ(SORN_OpenPort("0"), -1002);
    EXPECT_EQ(SORN_OpenPort("257"), -1002);
    EXPECT_EQ(SORN_OpenPort("x"), -1002);
    EXPECT_EQ(SORN_OpenPort(nullptr), -1006);
    map_.Map(200, map_.Dir() + "/missing");
    EXPECT_EQ(SORN_OpenPort("200"), -1003);
    EXPECT_EQ(SORN_DetectPort(200), -1003);
    map_.Map(201, map_.Dir()); // a folder, not a terminal
    EXPECT_LT(SORN_OpenPort("201"), 0);

    const int handle = OpenMapped(peer, 202);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(SORN_DetectPort(202), 0);
    EXPECT_EQ(SORN_OpenPort("202"), -1004);
    EXPECT_EQ(SORN_ClosePort(handle), 0);
    EXPECT_EQ(SORN_ClosePort(handle), -1001);
}

TEST_F(SornPortTest, SymbolicLinkToTheSlaveIsAPort) {
    PtyPeer peer;
    const std::string link = map_.Dir() + "/reader0";
    std::filesystem::create_symlink(peer.SlavePath(), link);
    map_.Map(7, link);
    EXPECT_EQ(SORN_DetectPort(7), 0);
    const int handle = SORN_OpenPort("7");
    ASSERT_GT(handle, 0);
    EXPECT_EQ(Para(handle, "PortNr"), "7");
    SORN_ClosePort(handle);
}

TEST_F(SornPortTest, PortListWalksOpenPortsInOpeningOrder) {
    PtyPeer a, b, c;
    const int hb = OpenMapped(b, 12);
    const int ha = OpenMapped(a, 11);
    const int hc = OpenMapped(c, 13);
    ASSERT_GT(ha, 0);
    ASSERT_GT(hb, 0);
    ASSERT_GT(hc, 0);

    std::vector<int> walk;
    for (int h = SORN_GetPortList(0); h > 0; h = SORN_GetPortList(h)) {
        walk.push_back(h);
    }
    EXPECT_EQ(walk, (std::vector<int>{hb, ha, hc}));
    EXPECT_EQ(SORN_GetPortHnd("11"), ha);
    EXPECT_EQ(SORN_GetPortHnd("14"), 0);
    EXPECT_EQ(SORN_GetPortHnd("COM1"), -1002);

    SORN_ClosePort(ha);
    EXPECT_EQ(SORN_GetPortList(hb), hc);
    EXPECT_EQ(SORN_GetPortList(ha), -1001);
    SORN_ClosePort(hb);
    SORN_ClosePort(hc);
    EXPECT_EQ(SORN_GetPortList(0), 0);
}

TEST_F(SornPortTest, ParametersAreSetReadBackAndValidated) {
    PtyPeer peer;
    const int h = OpenMapped(peer, 20);
    ASSERT_GT(h, 0);
    EXPECT_EQ(Para(h, "baud"), "9600");
    EXPECT_EQ(Para(h, "frame"), "8E1");
    EXPECT_EQ(Para(h, "timeout"), "800");
    EXPECT_EQ(Para(h, "chartimeout"), "20");

    EXPECT_EQ(SORN_SetPortPara(h, "baud", "19200"), 0);
    EXPECT_EQ(Para(h, "baud"), "19200");
    termios tio{};
    ASSERT_EQ(tcgetattr(peer.Master(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B19200) << "the master side sees the speed the host set";

    for (const char* frame : {"8N1", "7E1", "8O2", "8E1"}) {
        EXPECT_EQ(SORN_SetPortPara(h, "frame", frame), 0) << frame;
        EXPECT_EQ(Para(h, "frame"), frame);
    }
    const struct {
        const char* key;
        const char* value;
    } accepted[] = {{"timeout", "1500"}, {"chartimeout", "5"},   {"CharTimeoutMpy", "10"},
                    {"Timeout", "0"},    {"TxTimeControl", "1"}, {"TxDelayTime", "999"},
                    {"Performance", "0"}};
    for (const auto& p : accepted) {
        EXPECT_EQ(SORN_SetPortPara(h, p.key, p.value), 0) << p.key;
        EXPECT_EQ(Para(h, p.key), p.value) << p.key;
    }

    const struct {
        const char* key;
        const char* value;
        int code;
    } refused[] = {{"baud", "9601", -1012},
                   {"baud", "230400", -1012},
                   {"baud", "", -1012},
                   {"frame", "8E3", -1013},
                   {"frame", "9N1", -1013},
                   {"frame", "8e1", -1013},
                   {"CharTimeoutMpy", "0", -1014},
                   {"CharTimeoutMpy", "11", -1014},
                   {"TxDelayTime", "1000", -1014},
                   {"TxTimeControl", "2", -1014},
                   {"timeout", "-5", -1014},
                   {"timeout", "0", -1014},
                   {"PortNr", "3", -1011},
                   {"Baud", "9600", -1010}};
    for (const auto& p : refused) {
        EXPECT_EQ(SORN_SetPortPara(h, p.key, p.value), p.code) << p.key << "=" << p.value;
    }
    // Refused values leave the port as it was.
    EXPECT_EQ(Para(h, "baud"), "19200");
    EXPECT_EQ(Para(h, "CharTimeoutMpy"), "10");
    char value[16];
    EXPECT_EQ(SORN_GetPortPara(h, "nokey", value), -1010);
    EXPECT_EQ(SORN_GetPortPara(h, nullptr, value), -1006);
    EXPECT_EQ(SORN_GetPortPara(9999, "baud", value), -1001);
    SORN_ClosePort(h);
}

TEST_F(SornPortTest, LineCommandsRememberRtsDtrAndReportOffWithoutModemLines) {
    PtyPeer peer;
    const int h = OpenMapped(peer, 21);
    ASSERT_GT(h, 0);
    EXPECT_EQ(Cmd(h, "GetRTS"), "OFF");
    char on[] = "ON";
    EXPECT_EQ(SORN_DoPortCmd(h, "SetRTS", on), 0);
    EXPECT_EQ(Cmd(h, "GetRTS"), "ON");
    EXPECT_EQ(Cmd(h, "GetDTR"), "OFF");
    EXPECT_EQ(Cmd(h, "GetCTS"), "OFF");
    EXPECT_EQ(Cmd(h, "GetDSR"), "OFF");
    char bad[] = "YES";
    EXPECT_EQ(SORN_DoPortCmd(h, "SetDTR", bad), -1021);
    char empty[8] = "";
    EXPECT_EQ(SORN_DoPortCmd(h, "Reset", empty), -1020);
    EXPECT_EQ(SORN_DoPortCmd(h, "FlushInQ", empty), 0);
    SORN_ClosePort(h);
}

TEST_F(SornPortTest, EventRecordsRegisterOncePerPort) {
    PtyPeer peer;
    const int h = OpenMapped(peer, 22);
    ASSERT_GT(h, 0);
    SORN_EVENT_HANDLER cts{SORN_EVENT_CTS, 1234, SORN_MODE_POST_WINDOW, 77};
    EXPECT_EQ(SORN_AddEventHandler(h, &cts), 0);
    EXPECT_EQ(SORN_AddEventHandler(h, &cts), -1050);
    SORN_EVENT_HANDLER dsr = cts;
    dsr.event = SORN_EVENT_DSR;
    EXPECT_EQ(SORN_AddEventHandler(h, &dsr), 0);
    EXPECT_EQ(SORN_DelEventHandler(h, &cts), 0);
    EXPECT_EQ(SORN_DelEventHandler(h, &cts), -1051);
    SORN_EVENT_HANDLER bad{2, 1, SORN_MODE_POST_WINDOW, 77};
    EXPECT_EQ(SORN_AddEventHandler(h, &bad), -1052);
    EXPECT_EQ(SORN_AddEventHandler(h, nullptr), -1006);
    EXPECT_EQ(SORN_AddEventHandler(9999, &cts), -1001);
    SORN_ClosePort(h); // drops the remaining record with the port
}

TEST(SornTextTest, VersionAndErrorTexts) {
    char text[256] = {};
    ASSERT_EQ(SORN_GetDLLVersion(text), 0);
    EXPECT_EQ(std::string(text), "02.08.02");

    ASSERT_EQ(SORN_GetErrorText(-1030, text), 0);
    EXPECT_STREQ(text, "nothing received within the time-out");
    // Every code the library returns has its own text.
    int withText = 0;
    for (int code = -1999; code <= -1000; ++code) {
        if (SORN_GetErrorText(code, text) == 0) {
            ++withText;
            EXPECT_GT(std::string(text).size(), 5u) << code;
        }
    }
    EXPECT_GE(withText, 25);
    EXPECT_EQ(SORN_GetErrorText(-1500, text), -1999);
    EXPECT_STREQ(text, "unknown error code");
    EXPECT_EQ(SORN_GetErrorText(-1030, nullptr), -1006);
}

} // namespace
