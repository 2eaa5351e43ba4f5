#include "WkComPortSettings.h"
#include "AppFakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Ports that open as asked, and a record of every call in order.
class PortLibraries : public FakeLibraries {
public:
    std::vector<std::string> log;
    int nextHandle = 10;
    std::map<std::string, int> refuse; // port key -> result of setting it

    int GetPortHandle(const std::string& number) override {
        for (const FakePort& p : ports) {
            if (p.para.at("PortNr") == number) {
                return p.handle;
            }
        }
        return 0;
    }
    int OpenPort(const std::string& number) override {
        log.push_back("open " + number);
        if (number == "99") {
            return -1002;
        }
        AddPort(nextHandle, number);
        return nextHandle++;
    }
    int SetPortPara(int port, const std::string& key, const std::string& value) override {
        log.push_back("set " + std::to_string(port) + " " + key + "=" + value);
        auto it = refuse.find(key);
        return it == refuse.end() ? 0 : it->second;
    }
    int ClosePort(int port) override {
        log.push_back("close " + std::to_string(port));
        std::erase_if(ports, [port](const FakePort& p) { return p.handle == port; });
        return 0;
    }
    int DoPortCommand(int port, const std::string& command, std::string& value) override {
        log.push_back("cmd " + std::to_string(port) + " " + command + " " + value);
        if (command.rfind("Get", 0) == 0) {
            value = command == "GetDTR" ? "ON" : "OFF";
        }
        return 0;
    }
};

class PortSettingsTest : public ::testing::Test {
protected:
    PortLibraries libs;
    AppPrompts prompts;
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "corvel_port_settings";
    std::filesystem::path ini = dir / "Corvel.ini";

    void SetUp() override {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Ini() {
        std::ifstream in(ini);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

} // namespace

TEST_F(PortSettingsTest, MissingFileIsReportedAndSaveWritesFourDefaultSections) {
    WkComPortSettings settings(libs, prompts);
    settings.RestorePorts(ini);
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{"Ini-File " + ini.string() + " not found"}));
    EXPECT_TRUE(libs.log.empty());
    settings.SavePorts(ini);
    EXPECT_EQ(prompts.messages.size(), 2u);
    const std::string section = "COM=None\nBaud=9600\nFrame=8E1\nTimeout=800\nCharTimeOut=20\n"
                                "TxControl=1\nPerformance=1\nTxDlyTime=10\nCTOMpy=1\nDTR=OFF\n"
                                "RTS=OFF\n";
    EXPECT_EQ(Ini(), "[1.COMPort]\n" + section + "\n[2.COMPort]\n" + section + "\n[3.COMPort]\n" +
                         section + "\n[4.COMPort]\n" + section);
}

TEST_F(PortSettingsTest, RestoreOpensSetsInOrderAndSkipsOpenPorts) {
    std::ofstream(ini) << "[1.COMPort]\nCOM=1\nBaud=19200\nFrame=8N1\nTimeout=500\n"
                          "Performance=0\nDTR=ON\nRTS=OFF\n"
                          "[2.COMPort]\nCOM=None\n"
                          "[3.COMPort]\nCOM=5\n"
                          "[4.COMPort]\nCOM=99\n";
    libs.AddPort(3, "5"); // already open: untouched
    WkComPortSettings settings(libs, prompts);
    settings.RestorePorts(ini);
    EXPECT_EQ(libs.log,
              (std::vector<std::string>{"open 1", "set 10 baud=19200", "set 10 frame=8N1",
                                        "set 10 timeout=500", "set 10 TxTimeControl=1",
                                        "set 10 Performance=0", "set 10 TxDelayTime=10",
                                        "set 10 CharTimeoutMpy=1", "cmd 10 SetDTR ON", "open 99"}));
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{"Error! Could not open COM-Port: 99\nErrorCode: -1002"}));
}

TEST_F(PortSettingsTest, RefusedParameterClosesThePortAgain) {
    std::ofstream(ini) << "[1.COMPort]\nCOM=2\nFrame=9X9\n";
    libs.refuse["frame"] = -1011;
    WkComPortSettings settings(libs, prompts);
    settings.RestorePorts(ini);
    EXPECT_EQ(libs.log, (std::vector<std::string>{"open 2", "set 10 baud=9600", "set 10 frame=9X9",
                                                  "close 10"}));
    EXPECT_EQ(prompts.messages, (std::vector<std::string>{
                                    "Error! Could not initialize COM-Port: 2\nErrorCode: -1011"}));
    EXPECT_TRUE(libs.ports.empty());
}

TEST_F(PortSettingsTest, SaveWritesAndClosesOnlyTheFirstFourPorts) {
    std::ofstream(ini) << "; kept\n";
    for (int i = 1; i <= 5; ++i) {
        libs.AddPort(i, std::to_string(i * 10));
    }
    libs.ports[0].para["TxTimeControl"] = "0";
    WkComPortSettings settings(libs, prompts);
    settings.SavePorts(ini);
    EXPECT_TRUE(prompts.messages.empty());
    ASSERT_EQ(libs.ports.size(), 1u);
    EXPECT_EQ(libs.ports[0].handle, 5);
    const std::string text = Ini();
    EXPECT_EQ(text.substr(0, 8), "; kept\n\n");
    EXPECT_NE(text.find("[1.COMPort]\nCOM=10\nBaud=9600\nFrame=8E1\nTimeout=800\nTxControl=0\n"
                        "Performance=\nTxDlyTime=\nCTOMpy=\nDTR=ON\nRTS=OFF\n"),
              std::string::npos);
    EXPECT_NE(text.find("[4.COMPort]\nCOM=40\n"), std::string::npos);
    EXPECT_EQ(text.find("COM=50"), std::string::npos);
}
