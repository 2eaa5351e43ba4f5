// The .prt and .mac files against bytes written out by hand.

#include "WkMacroEditDoc.h"
#include "WkMacroEditItem.h"
#include "WkProtEditDoc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void Add(Bytes& bytes, std::initializer_list<unsigned char> more) {
    bytes.insert(bytes.end(), more);
}
void AddString(Bytes& bytes, const std::string& text) {
    bytes.push_back(static_cast<unsigned char>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// The header block of a new document of `type`: 20 strings, then 1024 bytes with the port
// number in byte 1.
Bytes Header(const std::string& type, unsigned char port = 0) {
    Bytes bytes{0x14, 0x00};
    AddString(bytes, type);
    bytes.push_back(0x00);
    AddString(bytes, "Corvel");
    AddString(bytes, "03.00.00");
    bytes.insert(bytes.end(), 16, 0x00);
    Add(bytes, {0x00, 0x04});
    Bytes image(1024, 0x00);
    image[1] = port;
    bytes.insert(bytes.end(), image.begin(), image.end());
    return bytes;
}

void AddItem(Bytes& bytes, unsigned char flag, const std::string& comment,
             const std::string& protocol) {
    Add(bytes, {flag, 0x00, 0x00, 0x00});
    AddString(bytes, comment);
    AddString(bytes, protocol);
}

TEST(ProtocolFiles, NewProtocolDocumentSavedAtOnce) {
    WkProtEditDoc doc;
    doc.OnNewDocument();
    EXPECT_FALSE(doc.IsModified());

    Bytes expected = Header("PRT-02");
    Add(expected, {0x01, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0E, 0x00});
    const std::string name = "WkProtEditItem";
    expected.insert(expected.end(), name.begin(), name.end());
    AddItem(expected, 0x01, "your comment", "your protocol");
    EXPECT_EQ(doc.StoreToBytes(), expected);
}

TEST(ProtocolFiles, MacroOfThreeItemsMatchesHandWrittenFileBothWays) {
    Bytes file = Header("MAC-01", 7);
    Add(file, {0x03, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0F, 0x00});
    const std::string name = "WkMacroEditItem";
    file.insert(file.end(), name.begin(), name.end());
    AddItem(file, 0x01, "[0x65] Software Version", "04 00 65 61");
    Add(file, {0x01, 0x80});
    AddItem(file, 0x00, "", "05 00 40 00 45");
    Add(file, {0x01, 0x80});
    AddItem(file, 0x01, "reset", "04 00 63 67");

    WkMacroEditDoc made;
    made.SetPortNumber(7);
    made.AppendItem(
        std::make_unique<WkMacroEditItem>("04 00 65 61", "[0x65] Software Version", true));
    made.AppendItem(std::make_unique<WkMacroEditItem>("05 00 40 00 45", "", false));
    made.AppendItem(std::make_unique<WkMacroEditItem>("04 00 63 67", "reset", true));
    EXPECT_EQ(made.StoreToBytes(), file);

    // Any nonzero flag reads as set: the last item's flag becomes 256.
    file[file.size() - 22] = 0x00;
    file[file.size() - 21] = 0x01;
    WkMacroEditDoc loaded;
    ASSERT_TRUE(loaded.LoadFromBytes(file));
    ASSERT_EQ(loaded.ItemCount(), 3u);
    EXPECT_EQ(loaded.GetPortNumber(), 7);
    EXPECT_EQ(loaded.Item(1)->protocol, "05 00 40 00 45");
    EXPECT_TRUE(loaded.Item(2)->flag);
    EXPECT_EQ(loaded.Item(2)->comment, "reset");
}

TEST(ProtocolFiles, RejectsAnotherItemClassATruncatedListAndAMissingObject) {
    WkProtEditDoc protocols;
    protocols.OnNewDocument();
    const Bytes prt = protocols.StoreToBytes();

    WkMacroEditDoc macro;
    EXPECT_FALSE(macro.LoadFromBytes(prt)) << "a .prt item class in a macro";

    WkProtEditDoc truncated;
    EXPECT_FALSE(truncated.LoadFromBytes(Bytes(prt.begin(), prt.end() - 3)));

    Bytes missing = Header("PRT-02");
    Add(missing, {0x01, 0x00, 0x00, 0x00});
    WkProtEditDoc withNull;
    EXPECT_FALSE(withNull.LoadFromBytes(missing));

    Bytes empty = Header("PRT-02");
    Add(empty, {0x00, 0x00});
    WkProtEditDoc emptyList;
    ASSERT_TRUE(emptyList.LoadFromBytes(empty));
    EXPECT_EQ(emptyList.ItemCount(), 0u);
    EXPECT_EQ(emptyList.StoreToBytes(), empty);
}

TEST(ProtocolFiles, TitleShowsTheCaptionAndKeepsTheName) {
    WkMacroEditDoc doc;
    doc.SetTitle("run.mac");
    EXPECT_EQ(doc.GetTitle(), "MacroEditor - run.mac");
    EXPECT_EQ(doc.GetFileName(), "run.mac");
    std::optional<WkFileInfoModel> info = doc.GetFileInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->RowOf(WkFileInfoModel::RowKind::FileName).value, "run.mac");
    EXPECT_FALSE(info->RowOf(WkFileInfoModel::RowKind::Type).visible) << "mask 79";
    EXPECT_EQ(info->RowOf(WkFileInfoModel::RowKind::LastEditedWith).value, "Corvel");
}

} // namespace
