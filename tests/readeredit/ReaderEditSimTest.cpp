// The reader configuration view model over the editor's own pages, and the default
// configurations, against kestra-sim on a pty through the real serial-port and reader
// libraries.

#include "AppFakes.h"
#include "CorvelApp.h"
#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkAppReaderEditHost.h"
#include "WkComPortManager.h"
#include "WkDocTemplate.h"
#include "WkReaderDocuments.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditPages.h"
#include "WkReaderEditViewModel.h"
#include "WkResultText.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderEditModel.h"
#include "sorn.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kPort = 214;
const std::string kPortText = std::to_string(kPort);
using Blocks = std::array<std::array<unsigned char, 16>, 3>;

// Opens the simulated reader's line and closes it again, whatever the test did.
class SimFixture : public ::testing::Test {
protected:
    void StartSim(std::vector<std::string> args) {
        args.insert(args.begin(), {"--map-port", kPortText});
        sim = std::make_unique<simtest::SimProcess>(args);
        ASSERT_FALSE(sim->WaitReady().empty());
    }
    void TearDown() override {
        for (int port = SORN_GetPortList(0); port > 0; port = SORN_GetPortList(0)) {
            SORN_ClosePort(port);
        }
        sim.reset();
    }
    int OpenPort() {
        const int port = host.libraries.OpenPort(kPortText);
        EXPECT_GT(port, 0);
        return port;
    }
    // The simulated reader's EEPROM blocks 0..2 as its control channel reports them.
    Blocks SimBlocks() {
        Blocks blocks{};
        std::istringstream lines(sim->Control("state"));
        std::string word;
        for (auto& block : blocks) {
            lines >> word >> word; // "block", "B:"
            for (unsigned char& byte : block) {
                lines >> word;
                byte = static_cast<unsigned char>(std::stoul(word, nullptr, 16));
            }
        }
        return blocks;
    }
    static Blocks ImageBlocks(const std::vector<unsigned char>& image, std::size_t first) {
        Blocks blocks{};
        for (std::size_t b = 0; b < 3; ++b) {
            for (std::size_t i = 0; i < 16; ++i) {
                blocks[b][i] = image[first + b * 16 + i];
            }
        }
        return blocks;
    }

    simtest::OwnPortList portList{"corvel-rdrsim"};
    const fs::path& dir = portList.Dir();
    std::unique_ptr<simtest::SimProcess> sim;
    ScriptedPrompts prompts;
    TestReaderHost host{prompts};
};

// A new document in its view, with the sheet's real pages, as the editor shows it.
class ReaderViewSim : public SimFixture {
protected:
    void SetUp() override {
        StartSim({"--model", "KRD"});
        doc = std::make_unique<WkReaderEditDoc>(&host);
        doc->SetPrompts(&prompts);
        doc->OnNewDocument();
        doc->SetTitle("Read1");
        ASSERT_GT(doc->GetReaderHandle(), 0);
        pages = std::make_unique<WkReaderEditPages>(*doc);
        view = std::make_unique<WkReaderEditViewModel>(*doc);
        view->SetPages(pages->All());
        view->SetStatusListener([this](const std::string& text) { statuses.push_back(text); });
    }
    void TearDown() override {
        view.reset();
        pages.reset();
        doc.reset();
        SimFixture::TearDown();
    }
    // First show with the simulator's port open and chosen in the port dialog.
    void ShowOnPort() {
        host.portChoice = OpenPort();
        view->OnInitialUpdate();
        ASSERT_EQ(view->PortText(), kPortText);
    }
    std::vector<bool> Buttons() const {
        using M = WkReaderEditViewModel;
        return {view->IsButtonEnabled(M::kSendPage), view->IsButtonEnabled(M::kSendAll),
                view->IsButtonEnabled(M::kReadPage), view->IsButtonEnabled(M::kReadAll)};
    }
    // Page 1 ("Auto Answer Mode") and the index of its control `id`.
    WkConfigPage& Page(int number) { return *pages->ConfigPages().at(number - 1); }
    static std::size_t Index(const WkConfigPage& page, int id) {
        for (std::size_t i = 0; i < page.Table().controls.size(); ++i) {
            if (page.Table().controls[i].id == id) {
                return i;
            }
        }
        ADD_FAILURE() << id;
        return 0;
    }

    std::unique_ptr<WkReaderEditDoc> doc;
    std::unique_ptr<WkReaderEditPages> pages;
    std::unique_ptr<WkReaderEditViewModel> view;
    std::vector<std::string> statuses;
};

TEST_F(ReaderViewSim, PortListDrivesTheButtonsAndTheReaderObject) {
    view->OnInitialUpdate();
    EXPECT_EQ(host.portDialogs, 1);
    EXPECT_EQ(view->ComList(), std::vector<std::string>{"-"});
    EXPECT_EQ(Buttons(), std::vector<bool>(4, false));

    const int port = OpenPort();
    view->OnComListOpened();
    EXPECT_EQ(view->ComList(), (std::vector<std::string>{"-", kPortText}));
    view->OnComSelected(1);
    EXPECT_EQ(Buttons(), (std::vector<bool>{true, false, false, false})); // command panel
    char handle[64] = {};
    ASSERT_EQ(VELK_GetReaderPara(doc->GetReaderHandle(), "PortHnd", handle), 0);
    EXPECT_EQ(std::atoi(handle), port);
    EXPECT_EQ(doc->Modul().BaseImage()[1], kPort);

    ASSERT_TRUE(view->SelectPage(1));
    EXPECT_EQ(Buttons(), std::vector<bool>(4, true));

    view->OnComSelected(0);
    EXPECT_EQ(Buttons(), std::vector<bool>(4, false));
    ASSERT_EQ(VELK_GetReaderPara(doc->GetReaderHandle(), "PortHnd", handle), 0);
    EXPECT_STREQ(handle, "0");
    EXPECT_EQ(doc->Modul().BaseImage()[1], 0);
}

TEST_F(ReaderViewSim, AFailedPortDialogIsReported) {
    host.portChoice = -1012;
    view->OnInitialUpdate();
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{"Error! Could not open COM-Port!\nErrorCode: -1012"});
    EXPECT_EQ(view->ComIndex(), 0);
}

TEST_F(ReaderViewSim, ReadAllFillsTheImagesAndThePagesFromTheReadersBlocks) {
    ShowOnPort();
    ASSERT_TRUE(view->SelectPage(1));
    const Blocks blocks = SimBlocks();
    ASSERT_EQ(view->ReadAll(), 0);
    EXPECT_EQ(ImageBlocks(doc->Modul().Image(11), 0), blocks); // the mirror
    const std::vector<unsigned char>& config = doc->Modul().Image(1);
    EXPECT_EQ(config[0], blocks[0][0]);
    EXPECT_EQ(config[7], blocks[0][7]);
    EXPECT_EQ(std::vector<unsigned char>(config.begin() + 16, config.begin() + 20),
              std::vector<unsigned char>(blocks[1].begin(), blocks[1].begin() + 4));
    EXPECT_EQ(config[32 + 13], blocks[2][13]);
    EXPECT_EQ(Page(1).Text(Index(Page(1), 1050)), std::to_string(blocks[0][1])); // shown
    EXPECT_TRUE(prompts.Records().empty());
}

TEST_F(ReaderViewSim, ReadAllStopsAtTheFirstSilentBlockAndSaysWhich) {
    ShowOnPort();
    // The last read's answer is due: a loaded machine gets 3 s, which each silence costs too.
    host.libraries.SetPortPara(host.portChoice, "timeout", "3000");
    ASSERT_EQ(sim->Control("fault silent 3"), "ok");
    EXPECT_EQ(view->ReadAll(), -1030);
    for (int block = 0; block < 3; ++block) {
        EXPECT_FALSE(doc->Modul().IsBlockRead(block)) << block;
    }
    const std::string report =
        "Read All stopped at configuration block 0: " + WkResultText(-1030) + ".";
    EXPECT_EQ(host.protocolLines, std::vector<std::string>{report});
    EXPECT_EQ(statuses, std::vector<std::string>{report});
    ASSERT_EQ(sim->Control("fault none"), "ok");
}

// A user's edit on the page in front is what Send All puts on the line; a value out of range
// stops it before anything goes out.
TEST_F(ReaderViewSim, SendAllSendsTheEditOnTheActivePage) {
    ShowOnPort();
    ASSERT_EQ(view->ReadAll(), 0);
    ASSERT_TRUE(view->SelectPage(1));
    WkConfigPage& page = Page(1);
    const std::size_t number = Index(page, 1050);
    ASSERT_NE(page.Text(number), "4");
    page.SetText(number, "4"); // typed, not committed
    const WkPageSend sent = view->SendAll();
    EXPECT_EQ(SimBlocks()[0][1], 4);
    EXPECT_EQ(doc->Modul().Image(1)[1], 4);
    EXPECT_TRUE(sent.failed.empty());
    EXPECT_EQ(sent.sent, sent.total);
    EXPECT_TRUE(prompts.Records().empty()) << "read values are sent without a question";

    page.SetText(number, "300");
    EXPECT_TRUE(view->SendAll().refused);
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{"Please enter an integer between 0 and 255."});
    EXPECT_EQ(SimBlocks()[0][1], 4);
}

// A new document holds zeros, which would set the reader to 1200 baud: its pages ask first.
TEST_F(ReaderViewSim, SendingValuesNeverReadAsksAndNoSendsNothing) {
    ShowOnPort();
    const Blocks before = SimBlocks();
    ASSERT_TRUE(view->SelectPage(3));      // "Reader Settings", showing "0x02: 1200"
    EXPECT_TRUE(view->SendPage().refused); // unanswered: No
    EXPECT_TRUE(view->SendAll().refused);
    EXPECT_EQ(SimBlocks(), before);
    ASSERT_EQ(prompts.Records().size(), 2u);
    EXPECT_EQ(prompts.Records()[0].text, WkReaderEditDoc::kUnknownPageQuestion);
    EXPECT_EQ(prompts.Records()[1].text, WkReaderEditDoc::kUnknownPagesQuestion);
    EXPECT_EQ(Page(3).OnMenu(32816), 0); // the context menu's send asks too

    prompts.AnswerYesNo(true);
    EXPECT_EQ(view->SendPage().sent, 5);
    EXPECT_EQ(SimBlocks()[0][7], 0x02);
    EXPECT_EQ(view->SendPage().sent, 5) << "asked once";
    EXPECT_EQ(prompts.Records().size(), 4u);
}

TEST_F(ReaderViewSim, APageSendToASilentReaderSaysWhichCommandFailed) {
    ShowOnPort();
    ASSERT_EQ(view->ReadAll(), 0);
    ASSERT_TRUE(view->SelectPage(1));
    host.libraries.SetPortPara(host.portChoice, "timeout", "300"); // the silence costs this
    ASSERT_EQ(sim->Control("fault silent 10"), "ok");
    const WkPageSend sent = view->SendPage();
    EXPECT_EQ(sent.failed, "[0x40] Mode");
    EXPECT_EQ(sent.result, -1030);
    const std::string report = "Send Page stopped at [0x40] Mode: " + WkResultText(-1030) +
                               ". 0 of 5 commands of the page reached the reader.";
    EXPECT_EQ(host.protocolLines, std::vector<std::string>{report});
    EXPECT_EQ(statuses.back(), report);
    ASSERT_EQ(sim->Control("fault none"), "ok");
}

// A command that has no result field (the outputs, the login) says what it came to beside
// the buttons: here the reader's status for a command a KRD does not have.
TEST_F(ReaderViewSim, ASingleCommandShowsWhatItCameToBesideTheButtons) {
    ShowOnPort();
    pages->Commands().Select(9); // [0x77] Set KRB Output and Quit
    view->SendPage();
    EXPECT_EQ(view->Outcome().rfind("[0x77] Set KRB Output and Quit: ", 0), 0u) << view->Outcome();
    EXPECT_NE(view->Outcome().find("(Statusbyte: 0x"), std::string::npos) << view->Outcome();
    pages->Commands().Select(4); // [0x65] Software Version
    view->SendPage();
    EXPECT_EQ(view->Outcome(), "[0x65] Software Version: OK");
}

TEST_F(ReaderViewSim, TypedBusAddressIsCommittedAndToldToLinkedTransponders) {
    ShowOnPort();
    RecordingTransponder transponder;
    doc->LinkTransponder(transponder, "tag.trp");
    view->OnBusAddressEdited("");
    doc->UpdateAllViews(kHintCommit); // a command runs while the field is empty
    EXPECT_EQ(doc->Modul().BaseImage()[0], 255);
    EXPECT_TRUE(transponder.told.empty());
    EXPECT_TRUE(prompts.Messages().empty());

    view->OnBusAddressEdited("7");
    EXPECT_EQ(doc->Modul().BaseImage()[0], 7);
    EXPECT_EQ(transponder.told, std::vector<std::string>{"BUSADR=  7"});

    view->OnBusAddressEdited("300");
    view->OnBusAddressEdited("7x");
    EXPECT_EQ(doc->Modul().BaseImage()[0], 7);
    EXPECT_EQ(view->BusAddressText(), "7");
    EXPECT_EQ(transponder.told.size(), 1u);
    EXPECT_EQ(prompts.Messages(), (std::vector<std::string>{WkReaderEditViewModel::kBusAddressRange,
                                                            WkReaderEditViewModel::kNotAnInteger}));

    view->OnComSelected(0);
    EXPECT_EQ(transponder.told.back(), "COMNR=-");
}

std::vector<std::string> gProtocolLines;
void RecordProtocolLine(const char* text, int) {
    gProtocolLines.emplace_back(text);
}

// After Reset Editor the linked transponder editor still shows, and sends to, the reader's
// bus address.
TEST_F(SimFixture, ResetEditorKeepsTheAddressTheTransponderEditorSendsTo) {
    StartSim({"--model", "KRD", "--address", "3", "--tag", "TTD:0102030405"});
    WkReaderEditDoc doc(&host);
    doc.SetPrompts(&prompts);
    doc.OnNewDocument();
    WkReaderEditViewModel view(doc);
    host.portChoice = OpenPort();
    view.OnInitialUpdate();
    view.OnBusAddressEdited("3");
    WkTransponderEditDoc tag;
    tag.SetPrompts(&prompts);
    tag.BindToReader(&doc);
    tag.OnReaderParameter(WkReaderParam::kBusAddress, doc.BusAddressText());
    tag.OnReaderParameter(WkReaderParam::kComNumber, view.PortText());

    host.readerType = 4;
    host.folders = {CORVEL_DEFAULTS_DIR};
    view.ResetEditor();
    EXPECT_EQ(view.BusAddressText(), "3");
    EXPECT_EQ(view.PortText(), kPortText);
    WkTransponderEditModel editor(tag);
    editor.InitialUpdate();
    EXPECT_NE(editor.GetFields().status.find("BusAdr:   3"), std::string::npos);
    gProtocolLines.clear();
    VELK_SetCbPtr_ProtStr(&RecordProtocolLine);
    const int result = editor.ExecuteSelected(); // [0x11] Read Serial Number
    VELK_SetCbPtr_ProtStr(nullptr);
    EXPECT_EQ(result, 0);
    ASSERT_FALSE(gProtocolLines.empty());
    EXPECT_NE(gProtocolLines.front().find(">>  04 03 11"), std::string::npos)
        << gProtocolLines.front();
}

// A reader file named on the command line opens on the port the settings file restores.
TEST_F(SimFixture, ACommandLineReaderFileOpensOnlineAndUnmodified) {
    StartSim({"--model", "KRD"});
    const fs::path file = dir / "dock3.rdr";
    {
        WkReaderEditDoc saved(nullptr);
        saved.OnNewDocument();
        saved.SetBaseByte(WkReaderEditDoc::kPortNumber, kPort);
        ASSERT_TRUE(saved.SaveFile(file.string()));
    }
    std::ofstream(dir / "Corvel.ini") << "[1.COMPort]\nCOM=" << kPortText << "\n";
    const fs::path home = fs::current_path();
    fs::current_path(dir);

    // The main window shows each document in a view, as the program does.
    struct ViewFrame : FakeFrame {
        std::vector<std::unique_ptr<WkReaderEditPages>> pages;
        std::vector<std::unique_ptr<WkReaderEditViewModel>> views;
        bool CreateFrameFor(const std::shared_ptr<WkDocument>& document) override {
            if (auto* reader = dynamic_cast<WkReaderEditDoc*>(document.get())) {
                pages.push_back(std::make_unique<WkReaderEditPages>(*reader));
                views.push_back(std::make_unique<WkReaderEditViewModel>(*reader));
                views.back()->SetPages(pages.back()->All());
                views.back()->OnInitialUpdate();
            }
            return FakeFrame::CreateFrameFor(document);
        }
    } frame;
    AppPrompts appPrompts;
    {
        WkComPortManager ports(host.libraries, host.libraries, appPrompts);
        CorvelDocumentHooks hooks;
        hooks.registerTemplates = [](CorvelApp& app, WkTemplateList& list) {
            WkReaderDocuments::RegisterTemplate(list, std::make_shared<WkAppReaderEditHost>(app));
        };
        CorvelApp app(
            {.libraries = host.libraries, .prompts = appPrompts, .ports = ports, .hooks = hooks});
        EXPECT_TRUE(app.InitInstance([&] { return &frame; }, {file.string()}));
        ASSERT_EQ(frame.views.size(), 1u);
        EXPECT_TRUE(frame.views[0]->IsOnline());
        EXPECT_EQ(frame.views[0]->PortText(), kPortText);
        WkReaderEditDoc& doc = *WkReaderDocuments::Open(app.Templates()).front();
        EXPECT_FALSE(doc.IsModified());
        ASSERT_TRUE(app.SaveDocument(doc, false));
        frame.views.clear();
        frame.pages.clear();
        app.ExitInstance();
    }
    fs::current_path(home);
    WkReaderEditDoc reopened(nullptr);
    ASSERT_TRUE(reopened.LoadFile(file.string()));
    EXPECT_EQ(reopened.Modul().BaseImage()[1], kPort);
    EXPECT_EQ(appPrompts.messages, std::vector<std::string>{});
}

// The "Read" template in the application: new, save, and the reader's port in the selection
// and association lists.
TEST_F(SimFixture, ReaderDocumentsInTheApplication) {
    StartSim({"--model", "KRD"});
    AppPrompts appPrompts;
    CorvelDocumentHooks hooks;
    hooks.registerTemplates = [](CorvelApp& app, WkTemplateList& list) {
        WkReaderDocuments::RegisterTemplate(list, std::make_shared<WkAppReaderEditHost>(app));
    };
    hooks.linkReader = [](CorvelApp& app, bool isNew) {
        WkReaderDocuments::LinkLast(app.Templates(), isNew);
    };
    CorvelApp app({.libraries = host.libraries, .prompts = appPrompts, .hooks = hooks});
    FakeFrame frame;
    ASSERT_TRUE(app.InitInstance([&] { return &frame; }, {}));

    app.OnFileNewReader();
    std::vector<WkReaderEditDoc*> open = WkReaderDocuments::Open(app.Templates());
    ASSERT_EQ(open.size(), 1u);
    WkReaderEditDoc& doc = *open.front();
    EXPECT_EQ(doc.GetTitle(), "ReaderEditor - Read1");
    ASSERT_GT(doc.GetReaderHandle(), 0);
    EXPECT_EQ(WkReaderDocuments::FindByReader(app.Templates(), doc.GetReaderHandle()), &doc);

    const int port = OpenPort();
    ASSERT_EQ(VELK_SetReaderPara(doc.GetReaderHandle(), "PortHnd", std::to_string(port).c_str()),
              0);
    WkComPortManager ports(host.libraries, host.libraries, prompts);
    ports.SetPortUsersSource([&] { return WkReaderDocuments::PortUsers(app.Templates()); });
    EXPECT_EQ(ports.AssociationList(kPort), std::vector<std::string>{"BusAdr:255 - Read1"});
    EXPECT_EQ(ports.AssociationList(kPort + 1), std::vector<std::string>{"None"});
    const WkReaderChoice choice = WkReaderChoice::FromDocuments(
        WkReaderDocuments::SelectionInfo(app.Templates()), host.libraries);
    EXPECT_EQ(choice.Texts(),
              std::vector<std::string>{"BusAdr: 255  COM:" + kPortText + "  File:Read1"});

    appPrompts.saveAnswers.push_back((dir / "first").string());
    ASSERT_TRUE(app.SaveDocument(doc, false));
    EXPECT_EQ(appPrompts.saveProposals, std::vector<std::string>{"Read1"});
    EXPECT_EQ(fs::file_size(dir / "first.rdr"), 4144u);
    EXPECT_EQ(doc.StoredName(), "first.rdr");
    app.ExitInstance();
}

// Each default configuration equals the blocks a fresh simulated reader of its model holds.
class DefaultsSim : public SimFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(DefaultsSim, DefaultFileHoldsTheFactoryBlocks) {
    const std::string model = GetParam();
    StartSim({"--model", model});
    WkReaderEditDoc defaults(nullptr);
    ASSERT_TRUE(
        defaults.OnOpenDocument(std::string(CORVEL_DEFAULTS_DIR) + "/" + model + "Def.rdr"));

    WkReaderEditDoc live(&host);
    live.OnNewDocument();
    const int port = OpenPort();
    ASSERT_EQ(VELK_SetReaderPara(live.GetReaderHandle(), "PortHnd", std::to_string(port).c_str()),
              0);
    for (const char* block : {"00 00 00 00 00 00", "00 01 00 00 00 00", "00 02 00 00 00 00"}) {
        ASSERT_EQ(live.Modul().EnsureBlockRead(block), 0) << block;
    }
    EXPECT_EQ(ImageBlocks(defaults.Modul().Image(1), 0), ImageBlocks(live.Modul().Image(11), 0));
    EXPECT_EQ(defaults.Modul().BaseImage()[0], 255);
}

INSTANTIATE_TEST_SUITE_P(Models, DefaultsSim, ::testing::Values("KRA", "KRB", "KRC", "KRD"));

} // namespace
