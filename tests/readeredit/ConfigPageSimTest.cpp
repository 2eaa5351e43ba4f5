// Every configuration page against kestra-sim on a pty, through the real serial-port and
// reader libraries: changed values are sent, reach the simulated EEPROM, and come back.

#include "OwnPortList.h"
#include "ScriptedPrompts.h"
#include "SimProcess.h"
#include "TestReaderHost.h"
#include "WkConfigPage.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditPages.h"
#include "WkReaderEditViewModel.h"
#include "sorn.h"
#include "velk.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kPort = 215;

class ConfigPageSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--map-port", std::to_string(kPort), "--model", "KRD"});
        ASSERT_FALSE(sim->WaitReady().empty());
        port = host.libraries.OpenPort(std::to_string(kPort));
        ASSERT_GT(port, 0);
    }
    void TearDown() override {
        docs.clear();
        for (int p = SORN_GetPortList(0); p > 0; p = SORN_GetPortList(0)) {
            SORN_ClosePort(p);
        }
        sim.reset();
    }
    // A new document whose reader object talks on the simulator's line.
    WkReaderEditDoc& NewDocument() {
        docs.push_back(std::make_unique<WkReaderEditDoc>(&host));
        WkReaderEditDoc& doc = *docs.back();
        doc.SetPrompts(&prompts);
        doc.OnNewDocument();
        EXPECT_GT(doc.GetReaderHandle(), 0);
        VELK_SetReaderPara(doc.GetReaderHandle(), "PortHnd", std::to_string(port).c_str());
        return doc;
    }
    // The simulated EEPROM blocks 0..2 placed in the configuration image of a fresh module.
    void SimBlocksInto(VELKReaderModul& modul) {
        std::istringstream lines(sim->Control("state"));
        std::string word;
        for (std::size_t block = 0; block < 3; ++block) {
            lines >> word >> word; // "block", "B:"
            for (std::size_t i = 0; i < 16; ++i) {
                lines >> word;
                modul.Image(1)[block * 16 + i] =
                    static_cast<unsigned char>(std::stoul(word, nullptr, 16));
            }
        }
    }

    // A value other than `value` that the control accepts.
    static std::uint32_t Other(const WkPageControl& control, std::uint32_t value) {
        switch (control.kind) {
        case WkControlKind::Check:
            return value == 0 ? 1 : 0;
        case WkControlKind::Number:
            return value < control.max ? value + 1 : value - 1;
        default:
            return (value + 1) % static_cast<std::uint32_t>(control.items.size());
        }
    }

    simtest::OwnPortList portList{"corvel-pagesim"};
    std::unique_ptr<simtest::SimProcess> sim;
    ScriptedPrompts prompts;
    TestReaderHost host{prompts};
    int port = 0;
    std::vector<std::unique_ptr<WkReaderEditDoc>> docs;
};

TEST_F(ConfigPageSim, EveryPageRoundTripsThroughTheReader) {
    WkReaderEditDoc& writer = NewDocument();
    WkReaderEditDoc& reader = NewDocument();
    for (const WkPageTable& table : ReaderPageTables()) {
        SCOPED_TRACE(table.caption);
        WkConfigPage page(table, writer);
        page.ReadPageAndLoad(); // the factory values
        std::vector<std::uint32_t> sent(table.controls.size());
        for (std::size_t i = 0; i < table.controls.size(); ++i) {
            const WkPageControl& control = table.controls[i];
            if (control.kind == WkControlKind::TypeList) {
                continue; // not stored in the reader
            }
            // The access lock would refuse the commands after it; it is tested on its own.
            sent[i] = control.descriptor == "A1 02 00 01 00 01" ? 0 : Other(control, page.Value(i));
            if (control.kind == WkControlKind::Number) {
                page.SetText(i, std::to_string(sent[i]));
            } else {
                page.SetValue(i, sent[i]);
            }
        }
        page.CommitAndSendPage();
        ASSERT_EQ(prompts.Messages(), std::vector<std::string>{});

        VELKReaderModul eeprom;
        SimBlocksInto(eeprom);
        WkConfigPage fresh(table, reader);
        fresh.ReadPageAndLoad();
        for (std::size_t i = 0; i < table.controls.size(); ++i) {
            const WkPageControl& control = table.controls[i];
            if (control.kind == WkControlKind::TypeList) {
                continue;
            }
            SCOPED_TRACE(control.id);
            EXPECT_EQ(ReadControl(control, eeprom), sent[i]);
            if (control.kind == WkControlKind::Number) {
                EXPECT_EQ(fresh.Text(i), std::to_string(sent[i]));
            } else {
                EXPECT_EQ(fresh.Value(i), sent[i]);
            }
        }
    }
    EXPECT_EQ(writer.Modul().Image(11)[33 * 16 + 11], 3); // the transponder type sent last
}

TEST_F(ConfigPageSim, OneGroupIsSentAndReadFromItsMenu) {
    WkReaderEditDoc& doc = NewDocument();
    WkConfigPage page(ReaderPageTables()[5], doc);
    page.ReadPageAndLoad();
    page.SetValue(0, 1); // locked
    EXPECT_EQ(page.OnMenu(32823), 0);
    VELKReaderModul eeprom;
    SimBlocksInto(eeprom);
    EXPECT_EQ(eeprom.Image(1)[32] & 1, 1);
    // A failed read of one command leaves the controls as they were.
    page.SetValue(0, 0);
    ASSERT_EQ(sim->Control("fault silent"), "ok");
    EXPECT_EQ(page.OnMenu(32824), -1030);
    EXPECT_EQ(page.Value(0), 0u);
    EXPECT_EQ(page.OnMenu(32824), 0x13); // the reader is locked now
}

TEST_F(ConfigPageSim, SendAllLocksTheReaderAfterEveryOtherValue) {
    WkReaderEditDoc& doc = NewDocument();
    SimBlocksInto(doc.Modul());
    std::vector<unsigned char>& config = doc.Modul().Image(1);
    config[32] = 0x01; // locked
    config[33] = 0x13; // TTB mode, on the page after the lock's
    config[46] = 0x01; // autopassword, on the lock's page
    WkReaderEditPages pages(doc);
    WkReaderEditViewModel view(doc);
    view.SetPages(pages.All());
    prompts.AnswerYesNo(true); // the values were never read: the user sends them anyway
    view.SendAll();
    VELKReaderModul eeprom;
    SimBlocksInto(eeprom);
    EXPECT_EQ(eeprom.Image(1)[32], 0x01);
    EXPECT_EQ(eeprom.Image(1)[33], 0x13);
    EXPECT_EQ(eeprom.Image(1)[46], 0x01);
}

} // namespace
