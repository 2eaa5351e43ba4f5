// The transponder document and module without a reader: the .trp bytes, the texts, the
// binding to a reader document.

#include "FakeReaderDoc.h"
#include "ScriptedPrompts.h"
#include "WkArchive.h"
#include "WkDocTemplate.h"
#include "WkReaderChoice.h"
#include "WkReaderEditDoc.h"
#include "WkTemplateList.h"
#include "WkTransponderEditDoc.h"
#include "WkTransponderTemplate.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<unsigned char>;

void Append(Bytes& out, std::initializer_list<unsigned char> bytes) {
    out.insert(out.end(), bytes);
}
void AppendString(Bytes& out, const std::string& text) {
    out.push_back(static_cast<unsigned char>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}
// A byte block: 16-bit count, little-endian, then the bytes.
void AppendBlock(Bytes& out, std::size_t count, unsigned char first = 0) {
    out.push_back(static_cast<unsigned char>(count & 0xFF));
    out.push_back(static_cast<unsigned char>(count >> 8));
    out.push_back(first);
    out.insert(out.end(), count - 1, 0);
}

// A new transponder file as the layout gives it: 20 header strings, the base image, then
// images 5 to 11.
Bytes NewFileByHand() {
    Bytes out;
    Append(out, {20, 0});
    AppendString(out, "TRP-02");
    AppendString(out, "");
    AppendString(out, "Corvel");
    AppendString(out, "03.00.00");
    out.insert(out.end(), 16, 0);
    AppendBlock(out, 1024);
    AppendBlock(out, 64, 0xFF); // transponder type 255: none read yet
    AppendBlock(out, 64);
    AppendBlock(out, 64);
    for (int i = 0; i < 4; ++i) {
        AppendBlock(out, 512);
    }
    return out;
}

} // namespace

TEST(TransponderFile, NewDocumentIsTheLayoutByteForByteAndRoundTrips) {
    WkTransponderEditDoc doc;
    const Bytes stored = doc.StoreToBytes();
    const Bytes expected = NewFileByHand();
    // 3,282 bytes of counts and images, plus each string's prefix and characters.
    EXPECT_EQ(expected.size(), 3282u + 20 + 6 + 6 + 8);
    EXPECT_EQ(stored, expected);

    WkTransponderEditDoc loaded;
    ASSERT_TRUE(loaded.LoadFromBytes(stored));
    EXPECT_EQ(loaded.StoreToBytes(), expected);
}

TEST(TransponderFile, ShortImagesArePaddedAndLongerOnesKept) {
    Bytes file;
    Append(file, {1, 0});
    AppendString(file, "TRP-02");
    AppendBlock(file, 40);
    AppendBlock(file, 6, 2); // TTC, serial number 00 00 00 00 00
    AppendBlock(file, 1);
    AppendBlock(file, 70, 0x77);
    AppendBlock(file, 8, 0xAB);
    AppendBlock(file, 1);
    AppendBlock(file, 1);
    AppendBlock(file, 1);
    WkTransponderEditDoc doc;
    ASSERT_TRUE(doc.LoadFromBytes(file));
    WkTransponderModul& modul = doc.Modul();
    EXPECT_EQ(modul.TypeName(), "TTC");
    EXPECT_EQ(modul.Image(WkTransponderModul::kSerialImage).size(), 64u);
    EXPECT_EQ(modul.Image(WkTransponderModul::kReservedImage).size(), 70u);
    EXPECT_EQ(modul.Image(WkTransponderModul::kPublicImage).size(), 512u);
    EXPECT_EQ(modul.Image(WkTransponderModul::kPublicImage)[0], 0xAB);
    EXPECT_EQ(modul.BaseImage().size(), 1024u);

    // A file that ends inside an image changes nothing.
    file.resize(file.size() - 2);
    WkTransponderEditDoc kept;
    kept.Modul().Image(WkTransponderModul::kPublicImage)[0] = 0x5A;
    EXPECT_FALSE(kept.LoadFromBytes(file));
    EXPECT_EQ(kept.Modul().Image(WkTransponderModul::kPublicImage)[0], 0x5A);
}

TEST(TransponderTexts, SerialNumberInEitherBaseAndTypeName) {
    WkTransponderModul modul;
    EXPECT_EQ(modul.TypeName(), "     -----");
    EXPECT_EQ(modul.GetTypeText(), "KR");
    const unsigned char serial[5] = {0x00, 0x00, 0x00, 0x01, 0x00};
    modul.SerialImage().SetBytes(WkTransponderModul::kSerial, serial, 5);
    modul.SerialImage().SetByte(WkTransponderModul::kType, 3);
    EXPECT_EQ(modul.SerialNumberText(), "256");
    modul.Params().SetBit(WkTransponderModul::kHexFlag, true);
    EXPECT_EQ(modul.SerialNumberText(), "0000000100");
    EXPECT_EQ(modul.Image(WkTransponderModul::kSerialImage)[4], 0x01);
    EXPECT_EQ(modul.TypeName(), "TTD");

    const unsigned char big[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    modul.SerialImage().SetBytes(WkTransponderModul::kSerial, big, 5);
    modul.Params().SetBit(WkTransponderModul::kHexFlag, false);
    EXPECT_EQ(modul.SerialNumberText(), "1099511627775");
}

TEST(TransponderTexts, IdNumberIsCutToItsLengthAndKeepsTrailingDigits) {
    WkTransponderModul modul;
    ASSERT_TRUE(modul.SetIdNumberText("0123456789abcdef01234567"));
    for (auto [bits, text] :
         std::vector<std::pair<int, std::string>>{{9, "0123"},
                                                  {0, ""},
                                                  {96, "0123456789ABCDEF01234567"},
                                                  {200, "0123456789ABCDEF01234567"}}) {
        modul.IdImage().SetByte(WkTransponderModul::kIdLength, static_cast<std::uint8_t>(bits));
        EXPECT_EQ(modul.IdNumberText(), text) << bits;
    }
    ASSERT_TRUE(modul.SetIdNumberText("FFF"));
    modul.IdImage().SetByte(WkTransponderModul::kIdLength, 96);
    EXPECT_EQ(modul.IdNumberText(), "FFF3456789ABCDEF01234567");
    EXPECT_FALSE(modul.SetIdNumberText("0123456789ABCDEF012345678"));
    EXPECT_FALSE(modul.SetIdNumberText("0G"));
    EXPECT_EQ(modul.IdNumberText(), "FFF3456789ABCDEF01234567");
}

TEST(TransponderDocument, TitleFileInfoAndFrame) {
    struct View : WkViewObserver {
        std::string title;
        void OnUpdate(WkViewObserver*, int) override {}
        void OnTitleChanged(const std::string& text) override { title = text; }
    } view;
    WkTransponderEditDoc doc;
    doc.AddView(&view);
    doc.SetTitle("Trans1");
    EXPECT_EQ(view.title, "TransponderEditor - Trans1");
    EXPECT_EQ(doc.SaveNameProposal(), "Trans1");
    // Without a window yet, the place is kept for the frame that comes.
    WkTransponderEditDoc fresh;
    ASSERT_TRUE(fresh.OnNewDocument());
    const auto rect = fresh.TakePendingFrameRect();
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left, 20);
    EXPECT_EQ(rect->bottom, 320);

    ASSERT_TRUE(doc.HasFileInfo());
    WkFileInfoModel info = *doc.GetFileInfo();
    const auto& type = info.RowOf(WkFileInfoModel::RowKind::Type);
    EXPECT_EQ(type.label, "Transponder Type:");
    EXPECT_EQ(type.value, "     -----");
    EXPECT_TRUE(type.visible);
    EXPECT_FALSE(info.RowOf(WkFileInfoModel::RowKind::SoftwareVersion).visible);
    info.SetComment("tag of gate 3");
    info.Accept();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Modul().GetInfoString(1), "tag of gate 3");
    doc.RemoveView(&view);
}

TEST(TransponderDocument, BindingFollowsTheReaderDocument) {
    ScriptedPrompts prompts;
    FakeReaderDoc reader;
    auto doc = std::make_unique<WkTransponderEditDoc>();
    doc->SetPrompts(&prompts);
    doc->SetTitle("Trans1");
    EXPECT_EQ(doc->RefreshStatus(), "Offline");
    EXPECT_EQ(doc->Modul().Execute(0x11), WkTransponderModul::kNotBound);

    doc->BindToReader(&reader);
    ASSERT_EQ(reader.linked.size(), 1u);
    EXPECT_EQ(reader.recordedNames.back(), "Trans1");
    EXPECT_EQ(doc->Modul().Execute(0x11), WkTransponderModul::kNoReaderHandle);
    doc->OnReaderParameter("BUSADR", "  7");
    doc->OnReaderParameter("FILENAME", "gate.rdr");
    doc->OnReaderParameter("PORT", "9");
    EXPECT_EQ(doc->RefreshStatus(), "Offline:    BusAdr:   7....COM: ....File: gate.rdr");
    EXPECT_FALSE(doc->IsOnline());
    doc->OnReaderParameter("COMNR", "1");
    EXPECT_EQ(doc->RefreshStatus(), "Online:    BusAdr:   7....COM: 1....File: gate.rdr");
    EXPECT_TRUE(doc->IsOnline());

    // Saving records the file's path in the reader document again.
    const std::string path = ::testing::TempDir() + "/bound.trp";
    doc->SetModifiedFlag(true);
    ASSERT_TRUE(doc->Save(path));
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->GetFileName(), "bound.trp");
    EXPECT_EQ(reader.recordedNames.back(), path);

    reader.Close();
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{"Message to bound.trp: Reader will be closed."});
    EXPECT_EQ(doc->GetReaderDocument(), nullptr);
    EXPECT_EQ(doc->RefreshStatus(), "Offline");
    EXPECT_FALSE(doc->IsOnline());

    // A document closed while bound leaves the reader document's list.
    doc->BindToReader(&reader);
    doc.reset();
    EXPECT_TRUE(reader.linked.empty());
    std::remove(path.c_str());
}

TEST(TransponderDocument, ReaderDocumentBindsAndClosingSendsItOffline) {
    ScriptedPrompts prompts;
    WkTemplateList templates;
    WkDocTemplate& trans = WkTransponderTemplate::Register(templates);
    EXPECT_EQ(templates.Find("Trans"), &trans);
    EXPECT_EQ(trans.DefaultExtension(), ".trp");
    auto document = trans.CreateDocument();
    auto* transponder = dynamic_cast<WkTransponderEditDoc*>(document.get());
    ASSERT_NE(transponder, nullptr);
    transponder->SetPrompts(&prompts);
    transponder->SetTitle("Trans1");

    WkReaderEditDoc reader(nullptr);
    reader.SetPrompts(&prompts);
    reader.SetTitle("gate.rdr");
    WkReaderSelection selection{reader.GetReaderHandle(), "  3", "gate.rdr", "2"};
    ASSERT_TRUE(WkTransponderTemplate::Bind(*document, {&reader}, selection));
    EXPECT_EQ(reader.LinkedTransponders().size(), 1u);
    EXPECT_EQ(reader.Modul().GetInfoString(WkReaderEditDoc::kLinkedPathEntry), "Trans1");
    EXPECT_EQ(transponder->RefreshStatus(), "Online:    BusAdr:   3....COM: 2....File: gate.rdr");

    reader.OnCloseDocument();
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{"Message to Trans1: Reader will be closed."});
    EXPECT_EQ(transponder->RefreshStatus(), "Offline");
    EXPECT_EQ(transponder->Modul().Execute(0x11), WkTransponderModul::kNotBound);
    selection.readerHandle = 99;
    EXPECT_FALSE(WkTransponderTemplate::Bind(*document, {&reader}, selection));
}
