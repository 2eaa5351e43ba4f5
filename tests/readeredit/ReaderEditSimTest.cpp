// The reader configuration view model and the default configurations against kestra-sim on a
// pty, through the real serial-port and reader libraries.

#include "AppFakes.h"
#include "CorvelApp.h"
#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkAppReaderEditHost.h"
#include "WkDocTemplate.h"
#include "WkReaderDocuments.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditViewModel.h"
#include "WkRecordingPage.h"
#include "sorn.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
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
    void StartSim(const std::string& model) {
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--map-port", kPortText, "--model", model});
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

class ReaderViewSim : public SimFixture {
protected:
    void SetUp() override {
        StartSim("KRD");
        doc = std::make_unique<WkReaderEditDoc>(&host);
        doc->SetPrompts(&prompts);
        doc->OnNewDocument();
        doc->SetTitle("Read1");
        ASSERT_GT(doc->GetReaderHandle(), 0);
        commands = std::make_unique<WkRecordingPage>("Miscellaneous Commands", true);
        page = std::make_unique<WkRecordingPage>("Auto Answer Mode", false, &doc->Modul(),
                                                 std::vector<int>{0x40, 0x41, 0x51, 0x70, 0x80});
        view = std::make_unique<WkReaderEditViewModel>(*doc);
        view->SetPages({commands.get(), page.get()});
    }
    void TearDown() override {
        view.reset();
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

    std::unique_ptr<WkReaderEditDoc> doc;
    std::unique_ptr<WkRecordingPage> commands;
    std::unique_ptr<WkRecordingPage> page;
    std::unique_ptr<WkReaderEditViewModel> view;
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
    EXPECT_EQ(commands->Calls().back(), "commit");

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

TEST_F(ReaderViewSim, ReadAllFillsTheImagesFromTheReadersBlocks) {
    ShowOnPort();
    ASSERT_EQ(sim->Control("fault none"), "ok");
    const Blocks blocks = SimBlocks();
    ASSERT_EQ(view->ReadAll(), 0);
    EXPECT_EQ(ImageBlocks(doc->Modul().Image(11), 0), blocks); // the mirror
    const std::vector<unsigned char>& config = doc->Modul().Image(1);
    EXPECT_EQ(config[0], blocks[0][0]);
    EXPECT_EQ(config[1], blocks[0][1]);
    EXPECT_EQ(config[7], blocks[0][7]);
    EXPECT_EQ(std::vector<unsigned char>(config.begin() + 16, config.begin() + 20),
              std::vector<unsigned char>(blocks[1].begin(), blocks[1].begin() + 4));
    EXPECT_EQ(config[32 + 13], blocks[2][13]);
    EXPECT_EQ(page->Results(), std::vector<int>(5, 0));
    EXPECT_EQ(commands->Calls().back(), "load"); // the active page shows the values
}

TEST_F(ReaderViewSim, ReadAllStopsAtTheFirstSilentBlock) {
    ShowOnPort();
    // The last read's answer is due: a loaded machine gets 3 s, which each silence costs too.
    host.libraries.SetPortPara(host.portChoice, "timeout", "3000");
    commands->ClearCalls();
    ASSERT_EQ(sim->Control("fault silent 3"), "ok");
    EXPECT_EQ(view->ReadAll(), -1030);
    for (int block = 0; block < 3; ++block) {
        EXPECT_FALSE(doc->Modul().IsBlockRead(block)) << block;
    }
    EXPECT_TRUE(page->Calls().empty());
    EXPECT_TRUE(commands->Calls().empty());
    // One request went unanswered; two silent answers are still pending.
    EXPECT_EQ(doc->Modul().EnsureBlockRead("00 00 00 00 00 00"), -1030);
    EXPECT_EQ(doc->Modul().EnsureBlockRead("00 00 00 00 00 00"), -1030);
    EXPECT_EQ(doc->Modul().EnsureBlockRead("00 00 00 00 00 00"), 0);
}

TEST_F(ReaderViewSim, SendAllSendsTheModuleNotTheControls) {
    ShowOnPort();
    ASSERT_TRUE(view->SelectPage(1));
    doc->Modul().Config().SetByte("41 00 01 01 00 00", 5);
    page->SetControl("41 00 01 01 00 00", 9); // typed, not committed
    view->SendAll();
    EXPECT_EQ(SimBlocks()[0][1], 5);
    EXPECT_EQ(page->Calls().back(), "send");

    view->SendPage();
    EXPECT_EQ(SimBlocks()[0][1], 9);
    EXPECT_EQ(doc->Modul().Image(1)[1], 9);
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
    EXPECT_EQ(doc->Modul().BaseImage()[0], 7);
    EXPECT_EQ(view->BusAddressText(), "7");
    EXPECT_EQ(transponder.told.size(), 1u);
    EXPECT_EQ(prompts.Messages().size(), 1u);

    view->OnComSelected(0);
    EXPECT_EQ(transponder.told.back(), "COMNR=-");
}

// The "Read" template in the application: new, save, and the reader's port in the selection
// and association lists.
TEST_F(SimFixture, ReaderDocumentsInTheApplication) {
    StartSim("KRD");
    AppPrompts appPrompts;
    CorvelApp app(host.libraries, appPrompts);
    CorvelDocumentHooks hooks;
    hooks.registerTemplates = [&](WkTemplateList& list) {
        WkReaderDocuments::RegisterTemplate(list, std::make_shared<WkAppReaderEditHost>(app));
    };
    hooks.linkReader = [&](bool isNew) { WkReaderDocuments::LinkLast(app.Templates(), isNew); };
    app.SetDocumentHooks(hooks);
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
    StartSim(model);
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
