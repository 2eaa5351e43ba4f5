// The configuration pages' conversions, commit and context menus, without a reader.

#include "ScriptedPrompts.h"
#include "VELKReaderModul.h"
#include "WkConfigPage.h"
#include "WkReaderEditDoc.h"

#include <gtest/gtest.h>

namespace {

class ConfigPage : public ::testing::Test {
protected:
    ConfigPage() { doc.SetPrompts(&prompts); }
    WkConfigPage Page(int number) {
        return WkConfigPage(ReaderPageTables().at(static_cast<std::size_t>(number - 1)), doc);
    }
    static std::size_t Index(const WkConfigPage& page, int id) {
        const auto& controls = page.Table().controls;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].id == id) {
                return i;
            }
        }
        ADD_FAILURE() << "no control " << id;
        return 0;
    }
    unsigned char& Config(int index) { return modul.Image(1)[static_cast<std::size_t>(index)]; }

    ScriptedPrompts prompts;
    WkReaderEditDoc doc{nullptr}; // no reader: every command fails with -1
    VELKReaderModul& modul = doc.Modul();
};

TEST_F(ConfigPage, OutputInterfaceTakesTheLowestBitAndWritesOne) {
    WkConfigPage page = Page(2);
    Config(6) = 0x0C;
    page.Load();
    const std::size_t radio = Index(page, 1088);
    EXPECT_EQ(ControlValueText(page.Table().controls[radio], page.Value(radio)), "Omron-Emulation");
    ASSERT_TRUE(page.Commit());
    EXPECT_EQ(Config(6), 0x04);
}

TEST_F(ConfigPage, BaudIndexAndInvertedParity) {
    WkConfigPage page = Page(3);
    Config(7) = 0x81; // code 1, parity bit set
    page.Load();
    const std::size_t baud = Index(page, 1089), parity = Index(page, 1070);
    EXPECT_EQ(ControlValueText(page.Table().controls[baud], page.Value(baud)), "0x03: 2400");
    EXPECT_EQ(page.Value(parity), 0u);
    page.SetValue(parity, 1);
    ASSERT_TRUE(page.Commit());
    EXPECT_EQ(Config(7), 0x03); // index 1 stored as code 3, bit 7 clear
}

TEST_F(ConfigPage, SortedListIndexIsTheFieldValue) {
    WkConfigPage page = Page(5);
    Config(16 + 2) = 0xC0; // idle rate of the yellow LED: 3
    page.Load();
    const std::size_t rate = Index(page, 1111);
    EXPECT_EQ(ControlValueText(page.Table().controls[rate], page.Value(rate)), "11: 1 Hz");
    page.SetValue(rate, 0);
    ASSERT_TRUE(page.Commit());
    EXPECT_EQ(Config(16 + 2), 0x00);
    EXPECT_EQ(page.Table().controls[rate].items[0], "00: 8 Hz");
}

TEST_F(ConfigPage, RangeErrorStopsTheCommitBeforeAnythingIsWritten) {
    WkConfigPage page = Page(1);
    page.Load();
    page.SetValue(Index(page, 1044), 1);
    page.SetText(Index(page, 1050), "256");
    EXPECT_FALSE(page.Commit());
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{"Please enter an integer between 0 and 255."});
    EXPECT_EQ(Config(0), 0);
    page.SetText(Index(page, 1050), "x");
    EXPECT_FALSE(page.Commit());
    EXPECT_EQ(prompts.Messages().back(), "Please enter an integer.");
    page.SetText(Index(page, 1048), "65535");
    page.SetText(Index(page, 1050), "255");
    ASSERT_TRUE(page.Commit());
    EXPECT_EQ(Config(0), 0x01);
    EXPECT_EQ(Config(1), 255);
    EXPECT_EQ(Config(2), 0xFF);
    EXPECT_EQ(Config(3), 0xFF);
}

TEST_F(ConfigPage, ContextMenusBelongToTheirFrame) {
    WkConfigPage page = Page(1);
    EXPECT_EQ(page.ContextMenu("[0x43] Datablock Definition"),
              (std::vector<WkMenuEntry>{{32789, "Send [0x43] Datablock Definition"},
                                        {32790, "Read [0x43] Datablock Definition"}}));
    EXPECT_TRUE(page.ContextMenu("").empty());

    WkConfigPage types = Page(7);
    const std::string frame = "[0xA5] Mode for Transponder";
    types.Load();
    EXPECT_TRUE(types.ContextMenu(frame).empty()); // TTA has no settings
    types.SetValue(Index(types, 1133), 2);
    EXPECT_EQ(types.FrameTitle(frame), "[0xA5] Mode for Transponder TTC");
    EXPECT_EQ(types.ContextMenu(frame).at(1).id, 32840);
    EXPECT_EQ(modul.Image(11)[33 * 16 + 11], 2); // choosing a type commits it
    EXPECT_EQ(types.Table().controls[Index(types, 1249)].kind, WkControlKind::List);
    EXPECT_FALSE(types.IsShown(Index(types, 1126)));
    EXPECT_TRUE(types.IsShown(Index(types, 1128)));
}

TEST_F(ConfigPage, ASendStopsAtTheFirstFailureAndTheTypeListFollowsTheStoredType) {
    WkConfigPage page = Page(7);
    page.Load();
    page.SetValue(Index(page, 1133), 2);
    const WkPageSend send = page.SendPage(); // the first of the three types fails
    EXPECT_EQ(send.failed, "[0xA5] Mode for Transponder TTB");
    EXPECT_EQ(send.result, -1);
    EXPECT_EQ(send.sent, 0);
    EXPECT_EQ(send.total, 3);
    EXPECT_EQ(modul.Image(11)[33 * 16 + 11], 1);
    // The list shows the stored type, so leaving the page does not write TTC back.
    const std::string frame = "[0xA5] Mode for Transponder";
    EXPECT_EQ(page.Value(Index(page, 1133)), 1u);
    EXPECT_EQ(page.FrameTitle(frame), "[0xA5] Mode for Transponder TTB");
    EXPECT_TRUE(page.IsShown(Index(page, 1126)));
    EXPECT_TRUE(page.Commit());
    EXPECT_EQ(modul.Image(11)[33 * 16 + 11], 1);
}

TEST_F(ConfigPage, ControlValuesParseFromTheirTexts) {
    const WkPageControl& baud = ReaderPageTables()[2].controls[0];
    EXPECT_EQ(ParseControlValue(baud, "0x05: 9600"), 3u);
    EXPECT_EQ(ParseControlValue(baud, "6"), std::nullopt);
    const WkPageControl& gap = ReaderPageTables()[0].controls[8];
    EXPECT_EQ(ParseControlValue(gap, "65535"), 65535u);
    EXPECT_EQ(ParseControlValue(gap, "65536"), std::nullopt);
    EXPECT_EQ(ParseControlValue(ReaderPageTables()[0].controls[0], "on"), 1u);
}

} // namespace
