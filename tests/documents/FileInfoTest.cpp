// The File Info dialog's data: rows by display mask and what OK takes back.

#include "WkFileInfoHeader.h"
#include "WkFileInfoModel.h"
#include "WkStdDoc.h"

#include <gtest/gtest.h>

namespace {

using Kind = WkFileInfoModel::RowKind;

TEST(FileInfoModel, RowsFollowTheDisplayMask) {
    WkStdDoc doc;
    auto header = WkFileInfoHeader::MakeNew(WkFileInfoHeader::kTransponderType);
    header[1] = "note";
    WkFileInfoModel model(
        doc, header, {WkFileInfoModel::kMaskTransponder, "t.trp", "Transponder Type:", "TTB", ""});
    EXPECT_EQ(model.RowOf(Kind::FileType).label, "File Version: TRP-02");
    EXPECT_EQ(model.RowOf(Kind::FileName).value, "t.trp");
    EXPECT_EQ(model.RowOf(Kind::LastEditedWith).value, "Corvel");
    EXPECT_EQ(model.RowOf(Kind::Version).value, "03.00.00");
    EXPECT_TRUE(model.RowOf(Kind::Type).visible);
    EXPECT_FALSE(model.RowOf(Kind::SoftwareVersion).visible);
    EXPECT_TRUE(model.RowOf(Kind::Comment).editable);
    EXPECT_EQ(model.Comment(), "note");

    WkFileInfoModel plain(doc, header, {WkFileInfoModel::kMaskPlain, "", "", "", ""});
    EXPECT_FALSE(plain.RowOf(Kind::Type).visible);
    EXPECT_TRUE(plain.RowOf(Kind::FileType).visible);
    WkFileInfoModel reader(doc, header, {WkFileInfoModel::kMaskReader, "", "", "", ""});
    for (const auto& row : reader.Rows()) {
        EXPECT_TRUE(row.visible);
    }
}

TEST(FileInfoModel, OkTakesOnlyTheCommentAndAlwaysMarksModified) {
    WkStdDoc doc;
    auto header = WkFileInfoHeader::MakeNew(WkFileInfoHeader::kProtocolType);
    {
        WkFileInfoModel model(doc, header, {});
        model.Accept();
    }
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(header, WkFileInfoHeader::MakeNew(WkFileInfoHeader::kProtocolType));

    doc.SetModifiedFlag(false);
    {
        WkFileInfoModel cancelled(doc, header, {});
        cancelled.SetComment("dropped");
    }
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(header[1], "");

    WkFileInfoModel model(doc, header, {});
    model.SetComment("kept");
    model.Accept();
    EXPECT_EQ(header[1], "kept");

    // A hand-made header with no comment entry reads as empty and grows on OK.
    std::vector<std::string> shortHeader{"X"};
    WkFileInfoModel shortModel(doc, shortHeader, {});
    EXPECT_EQ(shortModel.Comment(), "");
    shortModel.SetComment("c");
    shortModel.Accept();
    EXPECT_EQ(shortHeader.size(), 20u);
    EXPECT_EQ(shortHeader[1], "c");
}

} // namespace
