// What the COM-Port dialog does to ports, over ptys mapped as real serial ports.

#include "PtyPeer.h"
#include "ScriptedPrompts.h"
#include "SornBinding.h"
#include "WkComPortManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// The messages without what follows the system's own text: the library's text of the code and
// the device path.
std::vector<std::string> Lead(std::vector<std::string> messages) {
    for (std::string& message : messages) {
        message = message.substr(0, message.find(" ("));
    }
    return messages;
}

class ComPortManager : public ::testing::Test {
protected:
    void SetUp() override {
        for (int number : {2, 12, 256}) {
            ptys.push_back(std::make_unique<PtyPeer>());
            map.Map(number, ptys.back()->SlavePath());
        }
    }
    void TearDown() override { SornBinding::CloseAllPorts(); }

    std::string Para(int port, const char* key) {
        std::string value;
        sorn.GetPortPara(port, key, value);
        return value;
    }

    PortMapFile map;
    std::vector<std::unique_ptr<PtyPeer>> ptys;
    SornBinding sorn;
    ScriptedPrompts prompts;
    WkComPortManager manager{sorn, sorn, prompts};
};

TEST_F(ComPortManager, PortsAreFoundAndListedByTheirFullNumber) {
    EXPECT_EQ(manager.OpenPortTexts(), std::vector<std::string>{"None"});
    EXPECT_LE(manager.FindHandleByNumber(2), 0);
    const int p256 = sorn.OpenPort("256");
    const int p12 = sorn.OpenPort("12");
    const int p2 = sorn.OpenPort("2");
    ASSERT_GT(p2, 0);
    EXPECT_EQ(manager.OpenPortTexts(), (std::vector<std::string>{"COM:256", "COM:12", "COM:2"}));
    EXPECT_EQ(manager.FindHandleByNumber(2), p2);
    EXPECT_EQ(manager.FindHandleByNumber(12), p12);
    EXPECT_EQ(manager.FindHandleByNumber(256), p256);
    EXPECT_LE(manager.FindHandleByNumber(25), 0);

    EXPECT_EQ(WkComPortManager::NumberOfEntry("COM:256"), 256);
    EXPECT_EQ(WkComPortManager::NumberOfEntry("COM:12"), 12);
    EXPECT_EQ(WkComPortManager::NumberOfEntry("None"), 0);
    EXPECT_EQ(WkComPortManager::NumberOfEntry("COM:"), 0);
    EXPECT_EQ(WkComPortManager::NumberOfEntry("COM:1x"), 0);
}

TEST_F(ComPortManager, DetectedPortsAreThoseWithADevice) {
    // Numbers the map does not name keep the machine's own devices.
    map.Map(3, map.Dir() + "/missing");
    const std::vector<int> found = manager.DetectedPorts();
    for (int number : {2, 12, 256}) {
        EXPECT_NE(std::find(found.begin(), found.end(), number), found.end()) << number;
    }
    EXPECT_EQ(std::find(found.begin(), found.end(), 3), found.end());
    EXPECT_TRUE(std::is_sorted(found.begin(), found.end()));
}

TEST_F(ComPortManager, ParametersGoOutInOrderAndStopAtTheFirstRefusal) {
    const int port = sorn.OpenPort("12");
    ASSERT_GT(port, 0);
    WkPortParams params;
    params.baud = "57600";
    params.frame = "7E1";
    params.timeout = "500";
    params.txTimeControl = "0";
    params.performance = "0";
    params.txDelayTime = "20";
    params.charTimeoutMpy = "5";
    sorn.setCalls.clear();
    EXPECT_TRUE(manager.ApplyParameters(port, "12", params));
    EXPECT_EQ(sorn.setCalls,
              (std::vector<std::string>{"baud=57600", "frame=7E1", "timeout=500", "TxTimeControl=0",
                                        "Performance=0", "TxDelayTime=20", "CharTimeoutMpy=5"}));
    WkPortParams read = manager.ReadParameters(port);
    EXPECT_EQ(read.charTimeout, Para(port, "chartimeout"));
    read.charTimeout = params.charTimeout;
    EXPECT_EQ(read, params);

    // A refused value is told with the library's text and the device, and the values beside
    // it are still applied.
    params.timeout = "99999";
    params.txDelayTime = "30";
    sorn.setCalls.clear();
    std::string refused;
    EXPECT_FALSE(manager.ApplyParameters(port, "12", params, &refused));
    EXPECT_EQ(refused, "timeout");
    EXPECT_EQ(sorn.setCalls.size(), 7u);
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{
                  "Error! Could not initialize COM-Port 12 with Timeout 99999\nErrorCode: -1014 "
                  "(parameter value out of range)\nDevice: " +
                  ptys[1]->SlavePath()});
    EXPECT_EQ(Para(port, "TxDelayTime"), "30");
    EXPECT_EQ(Para(port, "timeout"), "500");

    const char* const refusals[][3] = {
        {"baud", "300",
         "Error! Could not initialize COM-Port 12 with Baudrate 300\nErrorCode: -1012"},
        {"frame", "9N1",
         "Error! Could not initialize COM-Port 12 with Frame 9N1\nErrorCode: -1013"},
        {"mpy", "11",
         "Error! Could not initialize COM-Port 12 with CharTimeoutMpy 11\nErrorCode: -1014"},
        {"delay", "1000",
         "Error! Could not initialize COM-Port 12 with TxDelayTime 1000\nErrorCode: -1014"},
    };
    for (const auto& refusal : refusals) {
        WkPortParams bad;
        std::string key = refusal[0];
        (key == "baud"    ? bad.baud
         : key == "frame" ? bad.frame
         : key == "mpy"   ? bad.charTimeoutMpy
                          : bad.txDelayTime) = refusal[1];
        prompts.Clear();
        EXPECT_FALSE(manager.ApplyParameters(port, "12", bad));
        EXPECT_EQ(Lead(prompts.Messages()), std::vector<std::string>{refusal[2]});
    }
}

TEST_F(ComPortManager, LinesAreSwitchedAndReadBack) {
    EXPECT_EQ(manager.LineStates(0), WkLineStates{});
    const int port = sorn.OpenPort("2");
    ASSERT_GT(port, 0);
    EXPECT_EQ(manager.SetLine(port, "DTR", true), 0);
    EXPECT_EQ(manager.LineStates(port), (WkLineStates{true, false, false, false}));
    EXPECT_EQ(manager.SetLine(port, "RTS", true), 0);
    EXPECT_EQ(manager.SetLine(port, "DTR", false), 0);
    EXPECT_EQ(manager.LineStates(port), (WkLineStates{false, true, false, false}));
}

TEST_F(ComPortManager, LineEventsAreWatchedOnOnePortAtATime) {
    const int a = sorn.OpenPort("2");
    const int b = sorn.OpenPort("12");
    manager.WatchLines(a);
    EXPECT_EQ(manager.WatchedPort(), a);
    // The records are registered: a second registration of the same record is refused.
    EXPECT_EQ(sorn.AddLineHandler(a, 1, 0x42F), -1050);
    EXPECT_EQ(sorn.AddLineHandler(a, 3, 0x431), -1050);
    manager.WatchLines(b);
    EXPECT_EQ(sorn.DelLineHandler(a, 1, 0x42F), -1051);
    EXPECT_EQ(sorn.AddLineHandler(b, 1, 0x42F), -1050);
    manager.UnwatchLines();
    EXPECT_EQ(manager.WatchedPort(), 0);
    EXPECT_EQ(sorn.DelLineHandler(b, 3, 0x431), -1051);
}

TEST_F(ComPortManager, OpenPortSetsLinesWatchesAndApplies) {
    WkPortParams params;
    params.baud = "19200";
    params.performance = "0";
    const int port = manager.OpenPort("256", true, false, params);
    ASSERT_GT(port, 0);
    EXPECT_EQ(manager.WatchedPort(), port);
    EXPECT_EQ(manager.LineStates(port), (WkLineStates{false, true, false, false}));
    EXPECT_EQ(Para(port, "baud"), "19200");
    EXPECT_EQ(Para(port, "Performance"), "0");
    EXPECT_EQ(sorn.setCalls.front(), "Performance=0");

    EXPECT_EQ(manager.OpenPort("256", false, false, params), 0);
    EXPECT_EQ(manager.OpenPort("7", false, false, params), 0);
    EXPECT_EQ(Lead(prompts.Messages()),
              (std::vector<std::string>{"Error! Could not open Port:256\nErrorCode: -1004",
                                        "Error! Could not open Port:7\nErrorCode: -1003"}));
}

TEST_F(ComPortManager, AssociationListNamesTheDocumentsOnAPort) {
    const int p2 = sorn.OpenPort("2");
    const int p12 = sorn.OpenPort("12");
    std::vector<WkPortUser> users;
    manager.SetPortUsersSource([&] { return users; });
    EXPECT_EQ(manager.AssociationList(12), std::vector<std::string>{"None"});

    auto reader = [&](int port) {
        int handle = sorn.NewReader(0);
        sorn.SetReaderPara(handle, "PortHnd", std::to_string(port));
        return handle;
    };
    users.push_back({WkPortUser::Kind::ProtocolEditor, reader(p12), 0, "bench.prt"});
    users.push_back({WkPortUser::Kind::Reader, reader(p12), 7, "Gate.rdr"});
    users.push_back({WkPortUser::Kind::Reader, reader(p2), 1, "Other.rdr"});
    users.push_back({WkPortUser::Kind::Reader, reader(0), 2, "Unbound.rdr"});
    users.push_back({WkPortUser::Kind::Reader, 99, 3, "NoReader.rdr"});
    users.push_back({WkPortUser::Kind::Reader, reader(p12), 254, "Broadcast.rdr"});
    EXPECT_EQ(manager.AssociationList(12),
              (std::vector<std::string>{"BusAdr:  7 - Gate.rdr", "BusAdr:254 - Broadcast.rdr",
                                        "ProtEdit - bench.prt"}));
    EXPECT_EQ(manager.AssociationList(2), std::vector<std::string>{"BusAdr:  1 - Other.rdr"});
    EXPECT_EQ(manager.AssociationList(0), std::vector<std::string>{"None"});
    EXPECT_EQ(manager.AssociationList(256), std::vector<std::string>{"None"});
}

TEST_F(ComPortManager, ClosingAPortInUseAsksFirst) {
    const int port = manager.OpenPort("12", false, false, WkPortParams{});
    ASSERT_GT(port, 0);
    const int reader = sorn.NewReader(0);
    sorn.SetReaderPara(reader, "PortHnd", std::to_string(port));
    manager.SetPortUsersSource([&] {
        return std::vector<WkPortUser>{{WkPortUser::Kind::Reader, reader, 3, "R.rdr"}};
    });
    int autoAnswerPort = port;
    manager.SetAutoAnswerPortSource([&] { return autoAnswerPort; });
    // The question names who uses the port.
    const std::string question = "All associated Files/Readers will be disconnected !\nDo you "
                                 "want to continue ?\n\nBusAdr:  3 - R.rdr\nAuto Answer";

    prompts.AnswerYesNo(false);
    EXPECT_FALSE(manager.ClosePort(12));
    EXPECT_EQ(sorn.GetPortHandle("12"), port);
    EXPECT_EQ(manager.WatchedPort(), port);

    prompts.AnswerYesNo(true);
    EXPECT_TRUE(manager.ClosePort(12));
    EXPECT_EQ(sorn.GetPortHandle("12"), 0);
    EXPECT_EQ(manager.WatchedPort(), 0);
    ASSERT_EQ(prompts.Records().size(), 2u);
    EXPECT_EQ(prompts.Records()[0].text, question);
    EXPECT_EQ(prompts.Records()[1].text, question);

    // A port nobody uses closes without a question.
    prompts.Clear();
    autoAnswerPort = sorn.OpenPort("256");
    ASSERT_GT(sorn.OpenPort("2"), 0);
    EXPECT_TRUE(manager.ClosePort(2));
    EXPECT_TRUE(prompts.Records().empty());
    EXPECT_EQ(sorn.GetPortHandle("2"), 0);
}

TEST_F(ComPortManager, NetworkPortsShowTheirAddressAndWhetherTheyCarryTheLines) {
    map.Map(3, "rfc2217://dock-gw:4001");
    map.Map(4, "tcp://192.0.2.1:4002");
    const std::vector<int> found = manager.DetectedPorts(); // without connecting
    EXPECT_NE(std::find(found.begin(), found.end(), 4), found.end());
    EXPECT_EQ(manager.PortBoxText(3), "3: rfc2217://dock-gw:4001");
    EXPECT_EQ(manager.PortBoxText(12), "12");
    EXPECT_EQ(WkComPortManager::NumberOfPortBoxEntry("3: rfc2217://dock-gw:4001"), 3);
    EXPECT_EQ(WkComPortManager::NumberOfPortBoxEntry("256"), 256);
    EXPECT_EQ(WkComPortManager::NumberOfPortBoxEntry("None"), 0);
    EXPECT_TRUE(manager.CarriesLines(3));
    EXPECT_FALSE(manager.CarriesLines(4));
    EXPECT_TRUE(manager.CarriesLines(12));
}

} // namespace
