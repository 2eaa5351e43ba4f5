// The transponder editor's view model: what a new document shows, the take and show around
// each action, the page of each command, and the commands' outcome in the fields.

#include "FakeReaderDoc.h"
#include "ScriptedPrompts.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderEditModel.h"
#include "hestel.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

using M = WkTransponderModul;

class TransponderEditor : public ::testing::Test {
protected:
    TransponderEditor() : model(doc) {
        doc.SetPrompts(&prompts);
        model.InitialUpdate();
    }
    void Select(int code) {
        for (int i = 0; i < kTransponderCommandCount; ++i) {
            if (kTransponderCommands[static_cast<std::size_t>(i)].code == code) {
                ASSERT_TRUE(model.SelectCommand(i));
                return;
            }
        }
        FAIL() << code;
    }
    WkTransponderEditModel::Fields& fields() { return model.GetFields(); }

    ScriptedPrompts prompts;
    FakeReaderDoc reader; // outlives the document bound to it
    WkTransponderEditDoc doc;
    WkTransponderEditModel model;
};

} // namespace

TEST_F(TransponderEditor, NewDocumentShowsOfflineAndTheFirstEntry) {
    EXPECT_EQ(fields().status, "Offline");
    EXPECT_EQ(fields().selected, 0);
    EXPECT_EQ(fields().typeText, "     -----");
    EXPECT_EQ(fields().serialText, "0");
    EXPECT_EQ(fields().data[15], "00");
    const auto page = model.GetPage();
    EXPECT_EQ(page.actionCaption, "&Read");
    EXPECT_FALSE(page.actionEnabled);
    EXPECT_FALSE(model.PopupEnabled());
    EXPECT_EQ(model.PopupText(), "&Send [0x11] Read Serial Number");
    EXPECT_EQ(page.groupCaption, "Public Data (hex)");
    EXPECT_EQ(page.rowLabels[3], "D3");
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(TransponderEditor, FailedSelectResetsTypeAndSerialNumber) {
    const unsigned char serial[5] = {1, 2, 3, 4, 5};
    doc.Modul().SerialImage().SetBytes(M::kSerial, serial, 5);
    doc.Modul().SerialImage().SetByte(M::kType, 2);
    model.Show();
    EXPECT_EQ(fields().typeText, "TTC");
    // A double click on a read entry executes even offline; the routine fails unbound.
    EXPECT_EQ(model.DoubleClick(0), M::kNotBound);
    EXPECT_EQ(fields().typeText, "     -----");
    model.SetNumberBase(1);
    EXPECT_EQ(fields().serialText, "0000000000");
    // A double click on a write entry only selects it.
    doc.BindToReader(&reader);
    EXPECT_EQ(model.DoubleClick(3), 0);
    EXPECT_EQ(model.GetPage().actionCaption, "W&rite");
    EXPECT_EQ(model.DoubleClick(9), M::kNoReaderHandle);
}

TEST_F(TransponderEditor, ScrollingAReadCommandMovesTheRowsWithoutModifying) {
    // Taking what a new document shows changes nothing of it.
    EXPECT_TRUE(model.Take());
    EXPECT_FALSE(doc.IsModified());
    Select(0x15);
    auto& data = doc.Modul().Image(M::kPublicImage);
    data[4 * 96] = 0x96;
    data[4 * 99 + 3] = 0x99;
    doc.SetModifiedFlag(false);
    model.ScrollData(WkTransponderEditModel::Scroll::PageDown);
    model.ScrollData(WkTransponderEditModel::Scroll::LineDown);
    EXPECT_EQ(model.GetPage().rowLabels[0], "D5");
    model.ScrollData(WkTransponderEditModel::Scroll::Bottom);
    model.ScrollData(WkTransponderEditModel::Scroll::LineDown);
    EXPECT_EQ(fields().firstShown, 96);
    EXPECT_EQ(model.GetPage().rowLabels[3], "D99");
    EXPECT_EQ(fields().data[0], "96");
    EXPECT_EQ(fields().data[15], "99");
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(TransponderEditor, DataTextsGoWhereTheRowsStood) {
    Select(0x14);
    model.TypedAddress("10");
    EXPECT_EQ(fields().firstShown, 10);
    doc.SetModifiedFlag(false);
    EXPECT_TRUE(model.EditedData(5, "a5"));
    EXPECT_FALSE(model.EditedData(6, "0G"));
    const std::string message = "No Hex String\n\n0[G]\n\nCharacter 2 (\"G\") is not a hex digit.";
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{message});
    // Nothing is taken while a text is not hex: the rows stay where they are.
    model.ScrollData(WkTransponderEditModel::Scroll::LineUp);
    EXPECT_EQ(prompts.Messages(), (std::vector<std::string>{message, message}));
    EXPECT_EQ(fields().firstShown, 10);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(model.EditedData(6, "")); // retyped: the byte stays
    model.ScrollData(WkTransponderEditModel::Scroll::LineUp);
    const auto& data = doc.Modul().Image(M::kPublicImage);
    EXPECT_EQ(data[45], 0xA5);
    EXPECT_EQ(data[46], 0x00);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(fields().data[9], "A5");

    // Configuration data: rows from the address, only the first row editable.
    Select(0x16);
    model.StepAddress(5);
    const auto page = model.GetPage();
    EXPECT_EQ(page.groupCaption, "Configuration Data (hex)");
    EXPECT_EQ(page.rowLabels[0], "C5");
    EXPECT_EQ(page.editableDataCells, 4);
    EXPECT_FALSE(page.scrollEnabled);
}

TEST_F(TransponderEditor, RangeChecksStopTheTake) {
    fields().idLength = "97";
    EXPECT_FALSE(model.SelectCommand(2));
    EXPECT_EQ(fields().selected, 0);
    fields().idLength = "12";
    fields().idNumber = "ABCZ";
    EXPECT_FALSE(model.Take());
    EXPECT_EQ(prompts.Messages().size(), 2u);
    fields().idNumber = "abc";
    ASSERT_TRUE(model.Take());
    model.Show();
    EXPECT_EQ(fields().idNumber, "ABC0");
}

TEST_F(TransponderEditor, CryptoReaderSetupAsksFirst) {
    doc.BindToReader(&reader);
    Select(0xAA);
    EXPECT_FALSE(model.GetPage().dataVisible);
    EXPECT_TRUE(model.GetPage().cryptVisible);
    model.SetCryptPosition(7);
    prompts.AnswerYesNo(false);
    EXPECT_EQ(model.ExecuteSelected(), 0);
    prompts.AnswerYesNo(true);
    EXPECT_EQ(model.ExecuteSelected(), M::kNoReaderHandle);
    EXPECT_EQ(doc.Modul().Image(M::kParamImage)[13], 0x90);
    model.SetCryptPosition(2);
    EXPECT_EQ(model.ExecuteSelected(), M::kNoReaderHandle);
    EXPECT_EQ(prompts.Records().size(), 2u);
}

TEST_F(TransponderEditor, EditSerialNumberWritesTheCodeAtTheAddress) {
    Select(0x14);
    EXPECT_TRUE(model.GetPage().editSnrVisible);
    model.TypedAddress("7");
    std::uint32_t offered = 1;
    model.EditSerialNumber([&](std::uint32_t last) {
        offered = last;
        return std::optional<std::uint32_t>(4294967295u);
    });
    EXPECT_EQ(offered, 0u);
    EXPECT_EQ(WkTransponderEditModel::LastSerialNumber(), 4294967295u);
    const unsigned char serial[5] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    unsigned char code[8] = {};
    HESTEL_FormatSnr(serial, code);
    const auto& data = doc.Modul().Image(M::kPublicImage);
    EXPECT_TRUE(std::equal(code, code + 8, data.begin() + 28));
    char shown[3];
    std::snprintf(shown, sizeof shown, "%02X", code[7]);
    EXPECT_EQ(fields().data[7], shown);

    EXPECT_FALSE(ParseSerialNumberInput("4294967296"));
    EXPECT_FALSE(ParseSerialNumberInput("-1"));
    EXPECT_EQ(ParseSerialNumberInput("4294967295"), 4294967295u);
}
