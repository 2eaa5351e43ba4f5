// The protocol and macro editors over the real libraries against kestra-sim on a pty: what
// they send shows in the protocol window, and a run stops only where an item asks for it.

#include "AppFakes.h"
#include "CorvelApp.h"
#include "OwnPortList.h"
#include "SimProcess.h"
#include "WkDocTemplate.h"
#include "WkLinkedLibraries.h"
#include "WkLogDoc.h"
#include "WkLogSink.h"
#include "WkMacroEditDoc.h"
#include "WkMacroEditItem.h"
#include "WkMacroEditViewModel.h"
#include "WkProtEditDoc.h"
#include "WkProtEditItem.h"
#include "WkProtEditViewModel.h"
#include "WkProtocolEditPrompt.h"
#include "WkProtocolServices.h"
#include "WkProtocolTemplates.h"
#include "WkTemplateList.h"

#include "sorn.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kPort = 214;

class ListSink : public WkLogSink {
public:
    std::vector<std::string> lines;
    void AppendLines(const std::vector<std::string>& added) override {
        lines.insert(lines.end(), added.begin(), added.end());
    }
    void RequestDrain(bool) override {}
    std::vector<std::string> Lines() const { return lines; }
};

class NoDialog : public WkProtocolEditPrompt {
public:
    bool EditItem(WkProtocolItem&) override { return false; }
};

class EditorsOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--map-port", std::to_string(kPort)});
        ASSERT_FALSE(sim->WaitReady().empty());
        ASSERT_TRUE(app.InitInstance([this] { return &frame; }, {}));
        log = app.ProtocolWindowDocument();
        ASSERT_TRUE(log);
        log->AttachSink(&sink, std::this_thread::get_id());
        port = libraries.OpenPort(std::to_string(kPort));
        ASSERT_GT(port, 0);
        // An answer is due within this time; silence costs it once per silent item.
        ASSERT_EQ(libraries.SetPortPara(port, "timeout", "1500"), 0);
        services.libraries = &libraries;
        services.selectComPort = [this] { return app.SelectComPort(); };
        services.showStatus = [this](const std::string& text) { status.push_back(text); };
        services.appendToProtocolWindow = [this](const std::string& text) {
            return app.AppendToProtocolWindow(text);
        };
    }
    void TearDown() override {
        app.ExitInstance();
        if (log) {
            log->DetachSink();
        }
        if (port > 0) {
            libraries.ClosePort(port);
        }
        sim.reset();
    }
    // The lines the protocol window shows, without their time stamps.
    std::vector<std::string> Lines() {
        log->Drain();
        std::vector<std::string> lines;
        for (const std::string& line : sink.lines) {
            lines.push_back(line.size() > 21 ? line.substr(21) : line);
        }
        return lines;
    }
    std::vector<std::string> Requests() {
        std::vector<std::string> requests;
        for (const std::string& line : Lines()) {
            if (line.rfind("  >>  ", 0) == 0) {
                requests.push_back(line.substr(6));
            }
        }
        return requests;
    }
    std::unique_ptr<WkMacroEditDoc>
    Macro(std::initializer_list<std::tuple<const char*, bool>> items) {
        auto macro = std::make_unique<WkMacroEditDoc>(app.CreateReaderObject(0));
        for (const auto& [protocol, halt] : items) {
            macro->AppendItem(std::make_unique<WkMacroEditItem>(protocol, "", halt));
        }
        return macro;
    }

    simtest::OwnPortList portList{"corvel-prot"};
    const fs::path& dir = portList.Dir();
    std::unique_ptr<simtest::SimProcess> sim;
    WkLinkedLibraries libraries;
    AppPrompts prompts;
    FakeFrame frame;
    static CorvelDocumentHooks ProtocolHooks() {
        CorvelDocumentHooks hooks;
        hooks.registerTemplates = [](CorvelApp& app, WkTemplateList& templates) {
            WkProtocolTemplates::RegisterProtocol(app, templates);
            WkProtocolTemplates::RegisterMacro(app, templates);
        };
        hooks.appendToMacro = &WkProtocolTemplates::AppendToMacro;
        return hooks;
    }
    CorvelApp app{{.libraries = libraries, .prompts = prompts, .hooks = ProtocolHooks()}};
    std::shared_ptr<WkLogDoc> log;
    ListSink sink;
    int port = 0;
    WkProtocolServices services;
    std::vector<std::string> status;
    NoDialog dialog;
};

TEST_F(EditorsOnSim, ASentProtocolShowsItsRequestAndAnswer) {
    WkProtEditDoc doc(app.CreateReaderObject(0));
    doc.AppendItem(std::make_unique<WkProtEditItem>("04 00 65", "version", true));
    WkProtEditViewModel model(doc, services, dialog);
    model.Start(); // the only open port is bound without a question
    EXPECT_EQ(doc.GetPortNumber(), kPort);
    model.Select(0);
    const std::optional<int> result = model.Send();
    ASSERT_TRUE(result);
    EXPECT_GT(*result, 4);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "  >>  04 00 65 61 ");
    EXPECT_EQ(lines[1].substr(0, 17), "  <<  0A 00 65 00") << "the version answer: " << lines[1];
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(EditorsOnSim, AMacroRunsItsItemsInOrderAndRestoresSendProtToApp) {
    auto macro = Macro({{"04 00 65 61", true}, {"04 00 74 70", true}, {"04 00 52 56", true}});
    macro->SetPortNumber(kPort);
    WkMacroEditViewModel model(*macro, services, dialog);
    model.Start();
    const int reader = macro->GetReaderHandle();
    ASSERT_EQ(libraries.SetReaderPara(reader, "SendProtToApp", "1"), 0);

    const auto result = model.Run();
    EXPECT_EQ(result.sent, 3);
    EXPECT_EQ(result.haltedAt, 0);
    EXPECT_EQ(Requests(),
              (std::vector<std::string>{"04 00 65 61 ", "04 00 74 70 ", "04 00 52 56 "}));
    std::string value;
    libraries.GetReaderPara(reader, "SendProtToApp", value);
    EXPECT_EQ(value, "1");

    auto empty = Macro({});
    WkMacroEditViewModel emptyModel(*empty, services, dialog);
    emptyModel.Start();
    libraries.SetReaderPara(empty->GetReaderHandle(), "SendProtToApp", "1");
    EXPECT_TRUE(emptyModel.Run().ran);
    libraries.GetReaderPara(empty->GetReaderHandle(), "SendProtToApp", value);
    EXPECT_EQ(value, "1");
}

TEST_F(EditorsOnSim, ASilentAnswerHaltsTheRunOnlyWhenTheItemsFlagIsSet) {
    // The first item goes to an address nobody has, so the fault meets the second item.
    auto macro = Macro({{"04 05 65 64", false}, {"04 00 65 61", true}, {"04 00 74 70", false}});
    macro->SetPortNumber(kPort);
    WkMacroEditViewModel model(*macro, services, dialog);
    model.Start();

    ASSERT_EQ(sim->Control("fault silent"), "ok");
    auto result = model.Run();
    EXPECT_EQ(result.sent, 2);
    EXPECT_EQ(result.haltedAt, 2);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0].rfind("Macro halted at item 2 (04 00 65 61): ", 0), 0u) << status[0];
    EXPECT_NE(status[0].find("(ErrorCode: -1030)"), std::string::npos) << status[0];
    log->Drain();
    EXPECT_EQ(sink.lines.back(), status[0]) << "the protocol window says it too";
    EXPECT_EQ(Requests().size(), 2u);

    macro->Item(1)->flag = false;
    ASSERT_EQ(sim->Control("fault silent"), "ok");
    result = model.Run();
    EXPECT_EQ(result.sent, 3);
    EXPECT_EQ(result.haltedAt, 0);
    EXPECT_EQ(Requests().back(), "04 00 74 70 ");
    const std::string answer = Lines().back();
    EXPECT_EQ(answer.rfind("  <<  ", 0), 0u) << answer;
    EXPECT_NE(answer.find(" 00 74 00 "), std::string::npos)
        << "the third item's answer: " << answer;
}

// What a new user does: compose a protocol, send it, add its logged answer to a macro, run the
// macro, save both and open them again.
TEST_F(EditorsOnSim, ComposeSendAddToMacroRunSaveAndReopen) {
    app.OnFileNewProtocol();
    auto protocols = std::dynamic_pointer_cast<WkProtEditDoc>(
        app.FindTemplate(WkDocKind::Protocol)->FirstDocument());
    ASSERT_TRUE(protocols);
    protocols->Item(0)->protocol = "04 00 65";
    WkProtEditViewModel protocolModel(*protocols, services, dialog);
    protocolModel.Start();
    protocolModel.Select(0);
    ASSERT_TRUE(protocolModel.Send());
    log->Drain();
    ASSERT_EQ(sink.lines.size(), 2u);

    ASSERT_TRUE(app.AddLogLineToMacro(sink.lines[0]));
    auto macro = std::dynamic_pointer_cast<WkMacroEditDoc>(
        app.FindTemplate(WkDocKind::Macro)->FirstDocument());
    ASSERT_TRUE(macro);
    ASSERT_EQ(macro->ItemCount(), 1u);
    EXPECT_EQ(macro->Item(0)->protocol, "04 00 65 61");
    EXPECT_EQ(macro->Item(0)->comment, "[0x65] Software Version");
    WkMacroEditViewModel macroModel(*macro, services, dialog);
    macroModel.Start();
    EXPECT_EQ(macroModel.Run().sent, 1);
    EXPECT_EQ(Requests().back(), "04 00 65 61 ");

    const std::string prt = (dir / "first.prt").string();
    const std::string mac = (dir / "first.mac").string();
    ASSERT_TRUE(protocols->Save(prt));
    ASSERT_TRUE(macro->Save(mac));
    EXPECT_EQ(macro->GetTitle(), "MacroEditor - first.mac");
    // A file that is open is not opened a second time: close both, then read them back.
    app.CloseDocument(macro);
    app.CloseDocument(app.FindTemplate(WkDocKind::Protocol)->FirstDocument());
    ASSERT_TRUE(app.OpenFileByExtension(mac, false));
    ASSERT_TRUE(app.OpenFileByExtension(prt, false));
    auto reopened = std::dynamic_pointer_cast<WkMacroEditDoc>(
        app.FindTemplate(WkDocKind::Macro)->FirstDocument());
    ASSERT_TRUE(reopened);
    EXPECT_NE(reopened, macro);
    EXPECT_EQ(reopened->GetPortNumber(), kPort);
    ASSERT_EQ(reopened->ItemCount(), 1u);
    EXPECT_EQ(reopened->Item(0)->comment, "[0x65] Software Version");
    auto protocolsAgain = std::dynamic_pointer_cast<WkProtEditDoc>(
        app.FindTemplate(WkDocKind::Protocol)->FirstDocument());
    ASSERT_TRUE(protocolsAgain);
    EXPECT_EQ(protocolsAgain->Item(0)->protocol, "04 00 65");
    EXPECT_TRUE(prompts.messages.empty());
}

} // namespace
