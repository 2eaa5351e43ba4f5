// The macro editor: positional Insert, appended protocols and their comments, and the run.

#include "CorvelApp.h"
#include "EditorFakes.h"
#include "ScriptedPrompts.h"
#include "WkCommandComment.h"
#include "WkDocTemplate.h"
#include "WkMacroEditDoc.h"
#include "WkMacroEditItem.h"
#include "WkMacroEditViewModel.h"
#include "WkProtocolTemplates.h"
#include "WkTemplateList.h"

#include <gtest/gtest.h>

namespace {

using Position = WkMacroEditViewModel::InsertPosition;

class MacroEditor : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetPrompts(&prompts);
        services.libraries = &libraries;
        services.showStatus = [this](const std::string& text) { status.push_back(text); };
        services.appendToProtocolWindow = [this](const std::string& text) {
            logLines.push_back(text);
            return true;
        };
        for (const char* name : {"a", "b", "c"}) {
            doc.AppendItem(
                std::make_unique<WkMacroEditItem>(std::string("04 00 6") + name, name, false));
        }
        model.Start();
    }
    std::string Order() const {
        std::string order;
        for (const auto& item : doc.Items()) {
            order += item->comment;
        }
        return order;
    }

    EditorLibraries libraries;
    ScriptedPrompts prompts;
    ScriptedEditor editor;
    WkProtocolServices services;
    std::vector<std::string> status;
    std::vector<std::string> logLines;
    WkMacroEditDoc doc{4};
    WkMacroEditViewModel model{doc, services, editor};
};

TEST_F(MacroEditor, InsertPutsTheCopyWhereChosenAndTheEditMenuRepeatsTheLastChoice) {
    EXPECT_FALSE(model.Insert(Position::Head)) << "nothing copied yet";
    model.Select(2);
    ASSERT_TRUE(model.Copy());

    model.Select(0);
    ASSERT_TRUE(model.Insert(Position::Before));
    EXPECT_EQ(Order(), "cabc");
    EXPECT_EQ(model.Selected(), 0);

    model.Select(1); // "a"
    ASSERT_TRUE(model.Insert(Position::After));
    EXPECT_EQ(Order(), "cacbc");
    ASSERT_TRUE(model.InsertLast());
    // The selected copy is reached through the first item with its texts.
    EXPECT_EQ(Order(), "ccacbc");
    EXPECT_EQ(model.Rows().size(), doc.ItemCount());

    WkMacroEditViewModel fresh(doc, services, editor);
    fresh.Start();
    fresh.Select(1);
    fresh.Copy();
    ASSERT_TRUE(fresh.InsertLast());
    EXPECT_EQ(Order(), "ccacbcc") << "Tail until a position is chosen";
}

TEST_F(MacroEditor, AppendedProtocolsAreNamedByTheirControlByte) {
    struct Observer : WkViewObserver {
        std::vector<int> hints;
        void OnUpdate(WkViewObserver*, int hint) override { hints.push_back(hint); }
    } observer;
    doc.AddView(&observer);
    doc.SetModifiedFlag(false);
    doc.AppendProtocol("06 FF 65 00 00 00");
    doc.RemoveView(&observer);
    EXPECT_EQ(doc.Item(3)->comment, "[0x65] Software Version");
    EXPECT_FALSE(doc.Item(3)->flag);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(observer.hints, std::vector<int>{WkMacroEditDoc::kHintAppended});

    EXPECT_EQ(WkCommandComment("06 FF 99 00 00 00"), "unknown command");
    EXPECT_EQ(WkCommandComment("0C 00 71 00 01 00 02 00 03 FF FF 8E"), "[0x71] Set KRB Output");
    EXPECT_EQ(WkCommandComment("0E 00 71"), "[0x71] Set KRD Output");
    EXPECT_EQ(WkCommandComment("05 00 71"), "");
    EXPECT_EQ(WkCommandComment("04 00 1d"), "[0x1D] Write Autopassword");
    EXPECT_EQ(WkCommandComment("04 00"), "unknown command");
}

TEST_F(MacroEditor, RunSendsInOrderAsWrittenAndRestoresSendProtToApp) {
    EXPECT_FALSE(model.Run().ran) << "no port bound";
    EXPECT_TRUE(libraries.sent.empty());

    libraries.params[4]["porthnd"] = "9";
    libraries.params[4]["sendprottoapp"] = "1";
    doc.AppendItem(std::make_unique<WkMacroEditItem>("", "skip", true));
    doc.AppendItem(std::make_unique<WkMacroEditItem>("04 00 6G", "not hex", true));
    const auto result = model.Run();
    EXPECT_EQ(result.sent, 3);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(WkMacroEditViewModel::Summary(result),
              "Macro: 3 protocols sent; 1 not sent for a fault in the protocol (the first is item "
              "5)");
    ASSERT_EQ(libraries.sent.size(), 3u);
    EXPECT_EQ(libraries.sent[2].bytes, (std::vector<unsigned char>{0x04, 0x00, 0x6C}));
    EXPECT_EQ(libraries.sent[0].addChecksum, 0);
    EXPECT_EQ(libraries.params[4]["sendprottoapp"], "1");
    EXPECT_NE(std::find(libraries.calls.begin(), libraries.calls.end(), "Set 4 SendProtToApp=0"),
              libraries.calls.end());

    WkMacroEditDoc empty(8);
    WkMacroEditViewModel emptyModel(empty, services, editor);
    libraries.params[8] = {{"porthnd", "9"}, {"sendprottoapp", "1"}};
    EXPECT_TRUE(emptyModel.Run().ran);
    EXPECT_EQ(libraries.params[8]["sendprottoapp"], "1");
}

TEST_F(MacroEditor, AFailedSendHaltsOnlyWhenTheItemSaysSo) {
    libraries.params[4]["porthnd"] = "9";
    libraries.sendResults = {5, -1030, 5};
    auto result = model.Run();
    EXPECT_EQ(result.sent, 3) << "flag clear: the run goes on";
    EXPECT_EQ(result.haltedAt, 0);

    doc.Item(1)->flag = true;
    libraries.sent.clear();
    libraries.sendResults = {5, -1030, 5};
    result = model.Run();
    EXPECT_EQ(result.sent, 2);
    EXPECT_EQ(result.haltedAt, 2);
    const std::string expected =
        "Macro halted at item 2 (04 00 6b, b): text of -1030 (ErrorCode: -1030)";
    EXPECT_EQ(status, std::vector<std::string>{expected});
    EXPECT_EQ(logLines, std::vector<std::string>{expected});
}

// The application's service opens a macro document when none is open.
TEST(MacroService, AddToMacroAppendsTheLineFrameToTheOpenMacroOrANewOne) {
    FakeLibraries libraries;
    AppPrompts prompts;
    FakeFrame frame;
    CorvelDocumentHooks hooks;
    hooks.registerTemplates = &WkProtocolTemplates::RegisterMacro;
    hooks.appendToMacro = &WkProtocolTemplates::AppendToMacro;
    CorvelApp app({.libraries = libraries, .prompts = prompts, .hooks = hooks});
    ASSERT_TRUE(app.InitInstance([&] { return &frame; }, {}));

    EXPECT_FALSE(app.AddLogLineToMacro("12/06/26 13:45:07.042  !!  Error-1030"));
    EXPECT_EQ(app.FindTemplate(WkDocKind::Macro)->DocumentCount(), 0u);
    ASSERT_TRUE(app.AddLogLineToMacro("12/06/26 13:45:07.042  >>  04 00 65 61 "));
    ASSERT_TRUE(app.AddLogLineToMacro("12/06/26 13:45:07.050  <<  05 00 63 00 66   OK"));
    ASSERT_EQ(app.FindTemplate(WkDocKind::Macro)->DocumentCount(), 1u);
    auto macro = std::dynamic_pointer_cast<WkMacroEditDoc>(
        app.FindTemplate(WkDocKind::Macro)->FirstDocument());
    ASSERT_TRUE(macro);
    ASSERT_EQ(macro->ItemCount(), 2u);
    EXPECT_EQ(macro->Item(0)->protocol, "04 00 65 61");
    EXPECT_EQ(macro->Item(1)->comment, "[0x63] CPU Reset");
    EXPECT_GT(macro->GetReaderHandle(), 0);
    app.ExitInstance();
}

} // namespace
