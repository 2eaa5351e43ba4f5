// The protocol editor's list: sorting, the edit commands, the COM combo and Send.

#include "EditorFakes.h"
#include "ScriptedPrompts.h"
#include "WkLogLineFrame.h"
#include "WkProtEditDoc.h"
#include "WkProtEditItem.h"
#include "WkProtEditViewModel.h"
#include "WkProtocolBytes.h"

#include <gtest/gtest.h>

namespace {

using Row = WkProtocolListModel::Row;

class ProtocolEditor : public ::testing::Test {
protected:
    void SetUp() override {
        doc.SetPrompts(&prompts);
        services.libraries = &libraries;
        services.selectComPort = [this] {
            ++portDialogs;
            return chosenPort;
        };
        // Length, address and control byte differ in order.
        Add("04 03 65 62", "version at 3");
        Add("04 01 63 66", "reset at 1");
        Add("04 02 11 17", "serial at 2");
        doc.SetModifiedFlag(false);
    }
    void Add(const std::string& protocol, const std::string& comment, bool flag = true) {
        doc.AppendItem(std::make_unique<WkProtEditItem>(protocol, comment, flag));
    }
    std::vector<std::string> Comments() const {
        std::vector<std::string> comments;
        for (const Row& row : model.Rows()) {
            comments.push_back(row.comment);
        }
        return comments;
    }
    void SelectComment(const std::string& comment) {
        for (std::size_t row = 0; row < model.Rows().size(); ++row) {
            if (model.Rows()[row].comment == comment) {
                model.Select(static_cast<int>(row));
            }
        }
    }
    void BindPort(int handle, const std::string& number) {
        libraries.AddPort(handle, number);
        libraries.portHandles[number] = handle;
        doc.SetPortNumber(std::stoi(number));
    }

    EditorLibraries libraries;
    ScriptedPrompts prompts;
    ScriptedEditor editor;
    WkProtocolServices services;
    int portDialogs = 0;
    int chosenPort = 0;
    WkProtEditDoc doc{5};
    WkProtEditViewModel model{doc, services, editor};
};

TEST_F(ProtocolEditor, SortsByControlByteThenModeAndColumnsKeepTheirOwnDirection) {
    const std::vector<unsigned char> saved = doc.StoreToBytes();
    model.Start();
    EXPECT_EQ(Comments(), (std::vector<std::string>{"serial at 2", "reset at 1", "version at 3"}));

    model.ChooseSortMode(WkProtEditViewModel::kByAddress);
    EXPECT_EQ(Comments(), (std::vector<std::string>{"reset at 1", "serial at 2", "version at 3"}));

    model.HeaderClicked(0);
    EXPECT_EQ(Comments(), (std::vector<std::string>{"version at 3", "serial at 2", "reset at 1"}));
    model.HeaderClicked(1); // the comment column's first click: descending
    EXPECT_EQ(Comments(), (std::vector<std::string>{"version at 3", "serial at 2", "reset at 1"}));
    model.HeaderClicked(1);
    EXPECT_EQ(Comments(), (std::vector<std::string>{"reset at 1", "serial at 2", "version at 3"}));
    model.HeaderClicked(0); // column 0 turns back from its own descending
    EXPECT_TRUE(model.IsAscending(0));
    EXPECT_EQ(Comments(), (std::vector<std::string>{"reset at 1", "serial at 2", "version at 3"}));

    EXPECT_EQ(doc.StoreToBytes(), saved);
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(ProtocolEditor, DeleteAsksAndActsAsCutSoInsertBringsTheItemBackLast) {
    model.Start();
    model.Select(1); // "reset at 1"
    EXPECT_FALSE(model.Delete()) << "answered No";
    EXPECT_EQ(doc.ItemCount(), 3u);

    prompts.AnswerYesNo(true);
    ASSERT_TRUE(model.Delete());
    EXPECT_EQ(prompts.Records().back().text, "Delete this entry ?");
    EXPECT_EQ(doc.ItemCount(), 2u);
    EXPECT_EQ(model.Rows().size(), 2u);
    EXPECT_TRUE(doc.IsModified());

    ASSERT_TRUE(model.Insert()); // the dialog is cancelled: the copy stays as it was
    EXPECT_EQ(editor.shown, 1);
    ASSERT_EQ(doc.ItemCount(), 3u);
    EXPECT_EQ(doc.Item(2)->comment, "reset at 1");
    EXPECT_EQ(doc.Item(2)->protocol, "04 01 63 66");
    ASSERT_GE(model.Selected(), 0);
    EXPECT_EQ(model.Rows()[static_cast<std::size_t>(model.Selected())].comment, "reset at 1");
}

TEST_F(ProtocolEditor, EditSortsAgainAndTheSelectionFollowsItsRow) {
    model.Start();
    model.Select(0); // "serial at 2", control byte 11
    editor.answers.push_back(ScriptedEditor::Fields{"04 02 99 9F", "moved", false});
    ASSERT_TRUE(model.Edit());
    EXPECT_EQ(model.Rows().back(), (Row{"04 02 99 9F", "moved", "no", ""}));
    EXPECT_EQ(model.Selected(), 2);
    EXPECT_EQ(doc.Item(2)->comment, "moved");
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(ProtocolEditor, NewAppendsOnlyOnOk) {
    model.Start();
    EXPECT_FALSE(model.New());
    EXPECT_EQ(doc.ItemCount(), 3u);
    editor.answers.push_back(ScriptedEditor::Fields{"03 00 52", "baud", true});
    ASSERT_TRUE(model.New());
    EXPECT_EQ(doc.Item(3)->protocol, "03 00 52");
    EXPECT_EQ(model.Rows().back().comment, "baud");
}

TEST_F(ProtocolEditor, SendNeedsReaderPortRowAndHexDigits) {
    model.Start();
    model.Select(0);
    EXPECT_FALSE(model.Send()) << "no port bound";
    EXPECT_TRUE(libraries.sent.empty());

    libraries.params[5]["porthnd"] = "9";
    libraries.sendResults.push_back(-1030);
    EXPECT_EQ(model.Send(), -1030) << "the result is handed back, not judged";
    ASSERT_EQ(libraries.sent.size(), 1u);
    EXPECT_EQ(libraries.sent[0].bytes, (std::vector<unsigned char>{0x04, 0x02, 0x11, 0x17}));
    EXPECT_EQ(libraries.sent[0].addChecksum, 1);

    WkProtEditDoc noReader(0);
    WkProtEditViewModel other(noReader, services, editor);
    noReader.OnNewDocument();
    portDialogs = 0;
    other.Start();
    other.Select(0);
    EXPECT_FALSE(other.Send());
    EXPECT_FALSE(other.Port().Enabled());
    EXPECT_EQ(other.Port().Entries(), std::vector<std::string>{"-"});
    EXPECT_EQ(portDialogs, 0);
}

// Only hex bytes go out, at most 255 with the checksum; a file may hold anything else.
TEST_F(ProtocolEditor, AProtocolThatCannotBeSentIsShownAndSendsNothing) {
    std::string longest;
    for (int i = 0; i < 255; ++i) {
        longest += "0A ";
    }
    Add("04 03 G65", "letter");
    Add("04 03 6G", "late letter");
    Add(longest, "with checksum");
    Add(longest, "without checksum", false);
    model.Start();
    libraries.params[5]["porthnd"] = "9";
    for (const char* comment : {"letter", "late letter", "with checksum"}) {
        SelectComment(comment);
        EXPECT_NE(model.Rows()[static_cast<std::size_t>(model.Selected())].problem, "") << comment;
        EXPECT_FALSE(model.Send()) << comment;
    }
    EXPECT_TRUE(libraries.sent.empty());
    EXPECT_EQ(prompts.Messages(),
              (std::vector<std::string>{
                  "No Hex String\n\n04 03 [G]65\n\nCharacter 7 (\"G\") is not a hex digit.",
                  "No Hex String\n\n04 03 6[G]\n\nCharacter 8 (\"G\") is not a hex digit.",
                  "Error in Protocol string!\n\nThe frame has 256 bytes with its checksum; at most "
                  "255 fit in a frame."}));
    SelectComment("without checksum");
    EXPECT_EQ(model.Rows()[static_cast<std::size_t>(model.Selected())].problem, "");
    EXPECT_EQ(model.Send(), 0);
    ASSERT_EQ(libraries.sent.size(), 1u);
    EXPECT_EQ(libraries.sent[0].bytes.size(), 255u);

    // The edit dialog takes such a text only after it was corrected.
    editor.answers.push_back(ScriptedEditor::Fields{"04 03 G65", "typo", true});
    editor.answers.push_back(ScriptedEditor::Fields{"04 03 65", "typo", true});
    ASSERT_TRUE(model.New());
    EXPECT_EQ(editor.shown, 2);
    EXPECT_EQ(doc.Item(doc.ItemCount() - 1)->protocol, "04 03 65");
    SelectComment("without checksum");
    editor.answers.push_back(ScriptedEditor::Fields{longest, "now with checksum", true});
    EXPECT_FALSE(model.Edit()) << "refused, then cancelled";
    EXPECT_FALSE(doc.Item(6)->flag);
    EXPECT_EQ(prompts.Messages().size(), 5u);
}

TEST_F(ProtocolEditor, FirstShowAsksForAPortWhenNoneIsStoredAndBindsIt) {
    libraries.AddPort(11, "3");
    libraries.AddPort(12, "7");
    libraries.portHandles = {{"3", 11}, {"7", 12}};
    chosenPort = 12;
    model.Start();
    EXPECT_EQ(portDialogs, 1);
    EXPECT_EQ(model.Port().Entries(), (std::vector<std::string>{"-", "3", "7"}));
    EXPECT_EQ(model.Port().Selected(), 2);
    EXPECT_EQ(doc.GetPortNumber(), 7);
    EXPECT_EQ(libraries.params[5]["porthnd"], "12");
    EXPECT_TRUE(doc.IsModified());

    model.Port().Apply(0);
    EXPECT_EQ(doc.GetPortNumber(), 0);
    EXPECT_EQ(libraries.params[5]["porthnd"], "0");
    EXPECT_EQ(model.Port().Text(), "");

    libraries.portHandles.erase("3"); // closed meanwhile
    model.Port().Apply(1);
    EXPECT_EQ(doc.GetPortNumber(), 0);
    EXPECT_EQ(model.Port().Selected(), 0);
}

TEST_F(ProtocolEditor, AStoredPortIsBoundWithoutAskingAndAFailedOpenIsReported) {
    BindPort(11, "3");
    model.Start();
    EXPECT_EQ(portDialogs, 0);
    EXPECT_EQ(model.Port().Text(), "3");
    EXPECT_EQ(libraries.params[5]["porthnd"], "11");

    WkProtEditDoc fresh(6);
    fresh.SetPrompts(&prompts);
    WkProtEditViewModel freshModel(fresh, services, editor);
    chosenPort = -1011;
    freshModel.Start();
    EXPECT_EQ(prompts.Messages().back(), "Error! Could not open COM-Port!\nErrorCode: -1011");
    EXPECT_EQ(fresh.GetPortNumber(), 0);
}

TEST(ProtocolBytes, ChecksumIsAppendedOrPutInItsPlace) {
    EXPECT_EQ(WkProtocolBytes::WithChecksum("04 00 65"), "04 00 65 61");
    EXPECT_EQ(WkProtocolBytes::WithChecksum("040065ff"), "04 00 65 61") << "wrong last byte";
    EXPECT_EQ(WkProtocolBytes::WithChecksum("06 ff 65 00 00"), "06 FF 65 00 00 9C");
    EXPECT_EQ(WkProtocolBytes::WithChecksum("your protocol"), "your protocol");
    EXPECT_EQ(WkProtocolBytes::WithChecksum("04 0"), "04 0");
}

TEST(LogLineFrame, TakesTheBytesOfRequestsAndAnswersOnly) {
    EXPECT_EQ(WkLogLineFrame("12/06/26 13:45:07.042  >>  04 00 65 61 "), "04 00 65 61");
    EXPECT_EQ(WkLogLineFrame("12/06/26 13:45:07.050  <<  0B 00 65 00 4B 52 41 30 31 30 5E   OK"),
              "0B 00 65 00 4B 52 41 30 31 30 5E");
    EXPECT_EQ(WkLogLineFrame("12/06/26 13:45:07.050  <<  Error: -2031  VELK: checksum  (05 00 65 "
                             "00 11   OK)"),
              "05 00 65 00 11");
    EXPECT_EQ(WkLogLineFrame("12/06/26 13:45:07.050  <<  Error: -1030  nothing received"),
              std::nullopt);
    EXPECT_EQ(WkLogLineFrame("12/06/26 13:45:07.050  !!  Error-1030  nothing received"),
              std::nullopt);
}

} // namespace
