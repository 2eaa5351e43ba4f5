// The command panel against kestra-sim on a pty: result texts for an answer, for silence and
// for a reader status; baud rate detection; and its fields without a reader.

#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkCommandPage.h"
#include "WkPasswordDialog.h"
#include "WkReaderEditDoc.h"
#include "sorn.h"
#include "velk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPort = 216;

class CommandPage : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetPrompts(&prompts);
        doc.OnNewDocument();
    }
    void StartSim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--map-port", std::to_string(kPort)});
        sim = std::make_unique<simtest::SimProcess>(args);
        ASSERT_FALSE(sim->WaitReady().empty());
        port = host.libraries.OpenPort(std::to_string(kPort));
        ASSERT_GT(port, 0);
        VELK_SetReaderPara(doc.GetReaderHandle(), "PortHnd", std::to_string(port).c_str());
        host.libraries.SetPortPara(port, "timeout", "5000"); // an answer is due
    }
    void TearDown() override {
        if (sim) {
            for (int p = SORN_GetPortList(0); p > 0; p = SORN_GetPortList(0)) {
                SORN_ClosePort(p);
            }
            sim.reset();
        }
    }
    std::string PortPara(const char* key) {
        std::string value;
        host.libraries.GetPortPara(port, key, value);
        return value;
    }

    ScriptedPrompts prompts;
    TestReaderHost host{prompts};
    WkReaderEditDoc doc{&host};
    WkCommandPage page{doc};
    simtest::OwnPortList portList{"corvel-cmdsim"};
    std::unique_ptr<simtest::SimProcess> sim;
    int port = 0;
};

TEST_F(CommandPage, AddressSpinAndPasswordFields) {
    page.Load();
    page.Select(1);
    page.Spin(1);
    EXPECT_EQ(page.NumberText(5), "0");
    page.SetNumberText(5, "30");
    page.Spin(-5);
    EXPECT_EQ(page.NumberText(5), "31");
    EXPECT_EQ(doc.Modul().Image(11)[32 * 16 + 14], 31);

    WkHexFields& password = page.Password();
    EXPECT_EQ(password.SetText(0, "G1"), WkHexFields::Edit::SelectAll);
    const std::string notHex = "No Hex String\n\n[G]1\n\nCharacter 1 (\"G\") is not a hex digit.";
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{notHex});
    EXPECT_EQ(password.SetText(1, "A"), WkHexFields::Edit::Stay);
    EXPECT_EQ(password.SetText(2, "1b"), WkHexFields::Edit::Next);
    page.LeavePassword();
    const auto& answer = doc.Modul().Image(11);
    EXPECT_EQ(answer[58 * 16 + 2], 0x1B); // two digits are stored ...
    EXPECT_EQ(password.Text(2), "1B");
    EXPECT_EQ(answer[58 * 16 + 0], 0x00); // ... the others wait for the user, as typed
    EXPECT_EQ(password.Text(0), "G1");
    EXPECT_EQ(answer[58 * 16 + 1], 0x00);
    EXPECT_TRUE(doc.IsModified());

    // The login sends only what the fields show.
    page.Select(10);
    EXPECT_EQ(page.Send(), 0);
    EXPECT_EQ(prompts.Messages().back(), notHex);
    password.SetText(0, "00");
    EXPECT_EQ(page.Send(), 0);
    EXPECT_EQ(prompts.Messages().back(), "You have to input at least 2 chars");
    password.SetText(1, "0A");
    EXPECT_EQ(page.Send(), -2) << "taken and sent, to no port";
}

TEST_F(CommandPage, WithoutAReaderPortDetectionShowsTheError) {
    page.Select(0);
    EXPECT_EQ(page.Send(), 0);
    EXPECT_EQ(page.ResultText(), "\r\n\r\n\r\nErrorcode:...-2");
}

TEST_F(CommandPage, ResultTextsForAnswerSilenceAndStatus) {
    StartSim({"--model", "KRD"});
    page.Load();
    struct Case {
        int index;
        std::string ok;
    };
    const Case cases[] = {
        {1, "\r\n\r\n\r\nOK"},
        {2, "\r\n\r\n\r\nOK"},
        {3, "\r\n\r\n\r\nOK"},
        {5, "\r\n\r\n\r\nOK"},
        {4, "\r\nSoftware Version: \r\n\r\nHardware-Type:....."},
        {8, "\r\nInput States:\r\n\r\nInput 1.....off\r\nInput 2.....off\r\nInput SA....off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        page.Select(c.index);
        EXPECT_EQ(page.ResultText(), "");
        EXPECT_EQ(page.Send(), 0);
        EXPECT_EQ(page.ResultText().substr(0, c.ok.size()), c.ok);
        ASSERT_EQ(sim->Control("fault silent"), "ok");
        host.libraries.SetPortPara(port, "timeout", "300"); // the silence costs this
        EXPECT_EQ(page.Send(), -1030);
        host.libraries.SetPortPara(port, "timeout", "5000");
        const std::string lead = c.index == 8 ? "\r\n" : "\r\n\r\n\r\n";
        EXPECT_EQ(page.ResultText(), lead + "Errorcode:...-1030");
        ASSERT_EQ(sim->Control("fault status=13"), "ok");
        EXPECT_EQ(page.Send(), 0x13);
        EXPECT_EQ(page.ResultText(), lead + "Statusbyte:...19");
    }
    page.Select(4);
    page.Send();
    EXPECT_NE(page.ResultText().find("Transponder-Types:....."), std::string::npos);

    // The context entry of "[0x77] Set KRB Output and Quit" sends the command as "&Send" does
    // (a KRD does not know it and says so).
    page.Select(9);
    ASSERT_EQ(page.ContextMenu().size(), 1u);
    EXPECT_EQ(page.ContextMenu()[0].id, 32875);
    const int sent = page.Send();
    EXPECT_NE(sent, 0);
    EXPECT_EQ(page.OnMenu(32875), sent);
    EXPECT_EQ(page.OnMenu(32852), 0); // another entry's id runs nothing
}

TEST_F(CommandPage, BaudDetectionFindsTheReadersRateAndRestoresTheTimeout) {
    StartSim({"--model", "KRD", "--baud", "4800"});
    const std::string timeout = PortPara("timeout");
    host.libraries.SetPortPara(port, "baud", "9600");
    page.Select(0);
    page.SetDetectionTimeoutFactor(30); // the answer at 4800 is due within 3 s, not 100 ms
    std::vector<std::string> shown;
    page.SetChangedListener([&] { shown.push_back(page.ResultText()); });
    EXPECT_EQ(page.Send(), 0);
    EXPECT_EQ(shown.front(), "\r\nTesting baudrate...\r\n\r\n38400 / 8E1");
    EXPECT_EQ(page.ResultText(), "\r\nTesting baudrate...\r\n\r\n4800 / 8E1\r\n\r\nOK");
    EXPECT_EQ(PortPara("baud"), "4800");
    EXPECT_EQ(PortPara("timeout"), timeout);

    // Nobody answers: all twelve rates fail and the port gets its settings back.
    page.SetDetectionTimeoutFactor(1);
    ASSERT_EQ(sim->Control("fault silent 12"), "ok");
    EXPECT_EQ(page.Send(), -1);
    EXPECT_EQ(page.ResultText(), "\r\n\r\nNo Baudrate detected !");
    EXPECT_EQ(PortPara("baud"), "4800");
    EXPECT_EQ(PortPara("timeout"), timeout);
}

} // namespace

namespace {

TEST_F(CommandPage, PasswordAndCalibrationDialogs) {
    StartSim({"--model", "KRD"});
    WkPasswordDialog reader(WkPasswordDialog::kReaderPassword, doc);
    reader.Open();
    doc.SetModifiedFlag(false);
    reader.Fields().SetText(4, "5A");
    reader.LeaveField(); // then Cancel: the change stays
    EXPECT_EQ(doc.Modul().Image(11)[58 * 16 + 8], 0x5A);
    EXPECT_TRUE(doc.IsModified());

    WkPasswordDialog ttcd(WkPasswordDialog::kPasswordTTCD, doc);
    ttcd.Open();
    ttcd.Send();
    EXPECT_EQ(doc.Modul().Image(11)[33 * 16 + 9], 3);
    EXPECT_EQ(doc.Modul().Image(11)[33 * 16 + 10], 3);

    WkPasswordDialog calibration(WkPasswordDialog::kCalibration, doc);
    calibration.Open();
    calibration.Fields().SetText(0, "0C");
    ASSERT_EQ(calibration.Send(), 0);
    doc.Modul().Image(1)[32 + 11] = 0;
    ASSERT_EQ(calibration.Read(), 0);
    EXPECT_EQ(calibration.Fields().Text(0), "0C");
    // One digit is not taken: the dialog says so and stays open with the field to correct.
    calibration.Fields().SetText(0, "5");
    std::size_t bad = 9;
    EXPECT_EQ(calibration.Send(&bad), 0);
    EXPECT_EQ(bad, 0u);
    EXPECT_EQ(prompts.Messages().back(), "You have to input at least 2 chars");
    EXPECT_FALSE(calibration.Ok());
    EXPECT_EQ(doc.Modul().Image(1)[32 + 11], 0x0C);

    EXPECT_FALSE(CheckMinLength("1234567", 8, prompts));
    EXPECT_EQ(prompts.Messages().back(), "You have to input at least 8 chars");
    EXPECT_TRUE(CheckMinLength("12345678", 8, prompts));
}

} // namespace
