// The reader configuration document without a reader: the .rdr bytes against a layout written
// out by hand, loading odd files, the transponder link, the default configurations and the
// order of close.

#include "ScriptedPrompts.h"
#include "TestReaderHost.h"
#include "WkReaderDefaults.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditViewModel.h"
#include "WkTransponderLink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

namespace {

void Append(Bytes& out, std::initializer_list<unsigned char> bytes) {
    out.insert(out.end(), bytes);
}
void AppendText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}
void AppendZeros(Bytes& out, std::size_t count) {
    out.insert(out.end(), count, 0);
}

// A new reader file as its layout gives it: 20 info strings, the base image with the bus
// address 255, the configuration image and the answer image, each with its count.
Bytes HandWrittenNewFile(const std::string& comment = "") {
    Bytes file;
    Append(file, {0x14, 0x00, 0x06});
    AppendText(file, "RDR-02");
    if (comment.size() < 255) {
        file.push_back(static_cast<unsigned char>(comment.size()));
    } else {
        Append(file, {0xFF, static_cast<unsigned char>(comment.size() & 0xFF),
                      static_cast<unsigned char>(comment.size() >> 8)});
    }
    AppendText(file, comment);
    file.push_back(0x06);
    AppendText(file, "Corvel");
    file.push_back(0x08);
    AppendText(file, "03.00.00");
    AppendZeros(file, 16);
    Append(file, {0x00, 0x04, 0xFF});
    AppendZeros(file, 1023);
    Append(file, {0x00, 0x04});
    AppendZeros(file, 1024);
    Append(file, {0x00, 0x08});
    AppendZeros(file, 2048);
    return file;
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

class ReaderEditDocTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("corvel-rdr-" + std::to_string(getpid()));
        fs::create_directories(dir);
        host.folders = {dir};
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    ScriptedPrompts prompts;
    TestReaderHost host{prompts};
};

TEST_F(ReaderEditDocTest, NewDocumentSavedAtOnceMatchesTheLayout) {
    WkReaderEditDoc doc(nullptr);
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_TRUE(doc.IsWritten());
    EXPECT_EQ(doc.Modul().GetTypeText(), "KR");
    ASSERT_TRUE(doc.SaveFile((dir / "new.rdr").string()));
    const Bytes bytes = ReadAll(dir / "new.rdr");
    EXPECT_EQ(bytes.size(), 4124u + 6 + 6 + 8);
    EXPECT_EQ(bytes, HandWrittenNewFile());
}

TEST_F(ReaderEditDocTest, LongCommentTakesTheThreeBytePrefix) {
    WkReaderEditDoc doc(nullptr);
    doc.OnNewDocument();
    const std::string comment(300, 'c');
    doc.Modul().SetInfoString(1, comment);
    ASSERT_TRUE(doc.SaveFile((dir / "comment.rdr").string()));
    EXPECT_EQ(ReadAll(dir / "comment.rdr"), HandWrittenNewFile(comment));
}

TEST_F(ReaderEditDocTest, LinkedTransponderIsRecordedInTheFile) {
    WkReaderEditDoc doc(nullptr);
    doc.OnNewDocument();
    RecordingTransponder transponder;
    doc.LinkTransponder(transponder, "/data/tag.trp");
    doc.LinkTransponder(transponder, "/data/tag.trp"); // once in the list however often
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.LinkedTransponders().size(), 1u);
    ASSERT_TRUE(doc.SaveFile((dir / "linked.rdr").string()));
    const Bytes bytes = ReadAll(dir / "linked.rdr");

    Bytes expected;
    Append(expected, {0x14, 0x00, 0x06});
    AppendText(expected, "RDR-02");
    Append(expected, {0x00, 0x06});
    AppendText(expected, "Corvel");
    expected.push_back(0x08);
    AppendText(expected, "03.00.00");
    AppendZeros(expected, 3); // entries 4 .. 6
    expected.push_back(13);
    AppendText(expected, "/data/tag.trp");
    AppendZeros(expected, 12); // entries 8 .. 19
    Append(expected, {0x00, 0x04, 0xFF, 0x00, 0x00, 0x00, 0x01});
    AppendZeros(expected, 1019);
    Append(expected, {0x00, 0x04});
    AppendZeros(expected, 1024);
    Append(expected, {0x00, 0x08});
    AppendZeros(expected, 2048);
    EXPECT_EQ(bytes, expected);
}

TEST_F(ReaderEditDocTest, OddFilesLoadPaddedOrKeptWholeAndGarbageOpensNothing) {
    // Short images are padded to their full sizes.
    Bytes shortFile;
    Append(shortFile, {0x01, 0x00, 0x06});
    AppendText(shortFile, "RDR-02");
    Append(shortFile, {0x02, 0x00, 0x07, 0x09, 0x03, 0x00, 0x01, 0x02, 0x03, 0x01, 0x00, 0x42});
    WriteAll(dir / "short.rdr", shortFile);
    WkReaderEditDoc shortDoc(nullptr);
    ASSERT_TRUE(shortDoc.OnOpenDocument((dir / "short.rdr").string()));
    EXPECT_EQ(shortDoc.Modul().InfoStrings().size(), 20u);
    EXPECT_EQ(shortDoc.Modul().BaseImage().size(), 1024u);
    EXPECT_EQ(shortDoc.Modul().BaseImage()[0], 7);
    EXPECT_EQ(shortDoc.Modul().Image(1).size(), 1024u);
    EXPECT_EQ(shortDoc.Modul().Image(1)[2], 3);
    EXPECT_EQ(shortDoc.Modul().Image(11).size(), 2048u);
    EXPECT_EQ(shortDoc.Modul().Image(11)[0], 0x42);

    // A longer image is written back as it was loaded.
    Bytes longFile = HandWrittenNewFile();
    const std::size_t answerCount = longFile.size() - 2048 - 2;
    longFile[answerCount] = 0x01;
    longFile[answerCount + 1] = 0x09; // 2305 bytes
    AppendZeros(longFile, 257);
    longFile.back() = 0x5A;
    WriteAll(dir / "long.rdr", longFile);
    WkReaderEditDoc longDoc(nullptr);
    ASSERT_TRUE(longDoc.OnOpenDocument((dir / "long.rdr").string()));
    ASSERT_TRUE(longDoc.SaveFile((dir / "long2.rdr").string()));
    EXPECT_EQ(ReadAll(dir / "long2.rdr"), longFile);

    // Not an archive at all, or cut short: nothing opens and nothing changes.
    WriteAll(dir / "text.rdr", Bytes{'h', 'e', 'l', 'l', 'o', '\n'});
    Bytes cut = HandWrittenNewFile();
    cut.resize(cut.size() - 1);
    WriteAll(dir / "cut.rdr", cut);
    for (const char* name : {"text.rdr", "cut.rdr", "missing.rdr"}) {
        WkReaderEditDoc doc(nullptr);
        doc.OnNewDocument();
        EXPECT_FALSE(doc.OnOpenDocument((dir / name).string())) << name;
        EXPECT_EQ(doc.Modul().BaseImage()[0], 255) << name;
        EXPECT_TRUE(doc.GetPathName().empty()) << name;
    }
}

TEST_F(ReaderEditDocTest, ATransponderFileDoesNotOpenAndACutImageOpensWithAWarning) {
    // A transponder file as its layout gives it: the header block with the file type
    // "TRP-02", then seven images.
    Bytes tag = HandWrittenNewFile();
    tag.resize(42 + 2 + 1024);
    std::copy_n("TRP", 3, tag.begin() + 3);
    for (std::size_t count : {64, 64, 64, 512, 512, 512, 512}) {
        Append(tag,
               {static_cast<unsigned char>(count & 0xFF), static_cast<unsigned char>(count >> 8)});
        AppendZeros(tag, count);
    }
    WriteAll(dir / "tag.rdr", tag);
    WkReaderEditDoc foreign(&host);
    EXPECT_FALSE(foreign.OnOpenDocument(dir / "tag.rdr"));
    EXPECT_EQ(foreign.FileError(), (dir / "tag.rdr").string() +
                                       " is a transponder file (TRP-02), not a reader "
                                       "configuration file (RDR-02)");

    // The configuration image cut to 16 bytes: block 0 only.
    Bytes cut = HandWrittenNewFile();
    const std::size_t config = cut.size() - 2048 - 2 - 1024 - 2;
    cut[config] = 16;
    cut[config + 1] = 0;
    cut.erase(cut.begin() + static_cast<std::ptrdiff_t>(config + 2 + 16),
              cut.begin() + static_cast<std::ptrdiff_t>(config + 2 + 1024));
    WriteAll(dir / "cut.rdr", cut);
    WkReaderEditDoc doc(&host);
    ASSERT_TRUE(doc.OnOpenDocument(dir / "cut.rdr"));
    EXPECT_EQ(prompts.Messages(),
              std::vector<std::string>{"cut.rdr: the configuration image holds 16 of the 48 "
                                       "bytes of blocks 0 to 2: block 1 byte 0 to block 2 byte "
                                       "15 are missing and stand as 00, which a send writes to "
                                       "the reader."});
    // What the file lacked is asked about before it is sent; what it held is not.
    doc.SetPrompts(&prompts);
    EXPECT_TRUE(doc.ConfirmSend({0}, "send?"));
    EXPECT_FALSE(doc.ConfirmSend({0, 1}, "send?"));
    EXPECT_EQ(prompts.Records().back().text, "send?");
    WriteAll(dir / "whole.rdr", HandWrittenNewFile());
    ASSERT_TRUE(doc.OnOpenDocument(dir / "whole.rdr"));
    EXPECT_EQ(doc.MissingConfigText(), "");
    EXPECT_EQ(prompts.Messages().size(), 1u);
    EXPECT_TRUE(doc.ConfirmSend({0, 1, 2}, "send?"));
    EXPECT_EQ(prompts.Records().size(), 2u);
}

// A reset loads the reader's configuration, not how the workbench reaches the reader.
TEST_F(ReaderEditDocTest, ResetEditorLoadsTheDefaultAndKeepsTheConnection) {
    WkReaderEditDoc def(nullptr);
    def.OnNewDocument();
    def.Modul().Config().SetByte("51 00 07 01 00 00", 0x05);
    def.Modul().SetInfoString(1, "factory");
    ASSERT_TRUE(def.SaveFile((dir / "KRDDef.rdr").string()));

    WkReaderEditDoc doc(&host);
    doc.SetPrompts(&prompts);
    doc.OnNewDocument();
    doc.SetPathName((dir / "mine.rdr").string());
    doc.SetBusAddress(7);
    doc.SetBaseByte(WkReaderEditDoc::kPortNumber, 3);
    doc.Modul().SetInfoString(1, "desk reader");
    RecordingTransponder transponder;
    doc.LinkTransponder(transponder, "tag.trp");
    transponder.told.clear();
    host.readerType = 4;
    ASSERT_TRUE(doc.SelectReaderType());
    EXPECT_EQ(doc.Modul().Image(1)[7], 0x05);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), (dir / "mine.rdr").string());
    EXPECT_EQ(doc.Modul().BaseImage()[0], 7);
    EXPECT_EQ(doc.Modul().BaseImage()[1], 3);
    EXPECT_EQ(doc.Modul().BaseImage()[4], 1);
    EXPECT_EQ(doc.Modul().GetInfoString(1), "desk reader");
    EXPECT_EQ(doc.Modul().GetInfoString(WkReaderEditDoc::kLinkedPathEntry), "tag.trp");
    EXPECT_EQ(doc.LinkedTransponders(), std::vector<WkTransponderLink*>{&transponder});
    EXPECT_TRUE(transponder.told.empty()) << "nothing it was told has changed";

    // Found nowhere: the message names the file; the document stays as it was, modified.
    doc.SetModifiedFlag(false);
    host.readerType = 2;
    EXPECT_FALSE(doc.SelectReaderType());
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"Cannot open KRBDef.rdr"});
    EXPECT_EQ(doc.Modul().Image(1)[7], 0x05);
    EXPECT_TRUE(doc.IsModified());

    // Cancel opens nothing but marks the document modified.
    doc.SetModifiedFlag(false);
    host.readerType = 0;
    EXPECT_FALSE(doc.SelectReaderType());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(prompts.Messages().size(), 1u);
}

TEST_F(ReaderEditDocTest, DefaultsAreSearchedInTheWorkingDirectoryFirstThenBesideTheProgram) {
    const fs::path work = dir / "work";
    const fs::path bin = dir / "bin";
    fs::create_directories(work);
    fs::create_directories(dir / "share" / "corvel");
    fs::create_directories(bin);
    WriteAll(dir / "share" / "corvel" / "KRADef.rdr", Bytes{1});
    const fs::path previous = fs::current_path();
    fs::current_path(work);
    const auto folders = WkReaderDefaults::SearchFolders(bin);
    EXPECT_EQ(WkReaderDefaults::Find("KRADef.rdr", folders),
              bin / ".." / "share" / "corvel" / "KRADef.rdr");
    WriteAll(bin / "KRADef.rdr", Bytes{1});
    EXPECT_EQ(WkReaderDefaults::Find("KRADef.rdr", folders), bin / "KRADef.rdr");
    WriteAll(work / "KRADef.rdr", Bytes{1});
    EXPECT_EQ(WkReaderDefaults::Find("KRADef.rdr", folders), fs::current_path() / "KRADef.rdr");
    fs::current_path(previous);
    EXPECT_EQ(WkReaderDefaults::FileName(4), "KRDDef.rdr");
    EXPECT_EQ(WkReaderDefaults::FileName(5), "");
}

TEST_F(ReaderEditDocTest, TitleFileInfoAndCloseReachTheLinkedDocuments) {
    WkReaderEditDoc doc(nullptr);
    doc.OnNewDocument();
    RecordingTransponder a;
    RecordingTransponder b;
    doc.LinkTransponder(a, "a.trp");
    doc.LinkTransponder(b, "b.trp");
    doc.UnlinkTransponder(b);
    doc.SetTitle("Read1");
    EXPECT_EQ(doc.GetTitle(), "ReaderEditor - Read1");
    EXPECT_EQ(doc.StoredName(), "Read1");
    EXPECT_EQ(a.told, std::vector<std::string>{"FILENAME=Read1"});
    EXPECT_TRUE(b.told.empty());

    const unsigned char version[5] = {3, 4, 0, 0x50, 0x0F};
    doc.Modul().Answer().SetBytes("65 33 00 05 00 00", version, 5);
    WkFileInfoModel info = doc.MakeFileInfo();
    EXPECT_EQ(info.RowOf(WkFileInfoModel::RowKind::Type).value, "80");
    EXPECT_EQ(info.RowOf(WkFileInfoModel::RowKind::SoftwareVersion).value, "03-04-15");
    EXPECT_EQ(info.RowOf(WkFileInfoModel::RowKind::FileName).value, "Read1");
    EXPECT_TRUE(info.RowOf(WkFileInfoModel::RowKind::Comment).visible);

    doc.OnCloseDocument();
    EXPECT_EQ(a.closings, 1);
    EXPECT_EQ(b.closings, 0);
    EXPECT_TRUE(doc.LinkedTransponders().empty());
}

TEST_F(ReaderEditDocTest, LinkStepOpensTheTransponderEditorOrDropsTheLink) {
    WkReaderEditDoc doc(&host);
    doc.SetPrompts(&prompts);
    doc.OnNewDocument();
    doc.SetTitle("Read1");
    WkReaderEditViewModel view(doc);
    doc.LinkAtOpen(true); // File > New: a new transponder editor for this reader
    ASSERT_EQ(host.openedPaths, std::vector<std::string>{""});
    EXPECT_EQ(host.transponders[0]->told,
              (std::vector<std::string>{"BUSADR=255", "COMNR=", "FILENAME=Read1"}));
    EXPECT_EQ(host.hints, std::vector<int>{kHintReload});
    EXPECT_EQ(doc.LinkedTransponders().size(), 1u);

    // A stored link that is not a transponder file, or that no editor opens, is dropped.
    for (const char* path : {"notes.txt", "tag.trp"}) {
        host.transTemplate = std::string(path) == "notes.txt";
        doc.Modul().SetInfoString(WkReaderEditDoc::kLinkedPathEntry, path);
        doc.Modul().Base().SetBit(WkReaderEditDoc::kLinkFlag, true, false);
        doc.LinkAtOpen(false);
        bool linked = true;
        doc.Modul().Base().GetBit(WkReaderEditDoc::kLinkFlag, linked);
        EXPECT_FALSE(linked) << path;
        EXPECT_EQ(doc.Modul().GetInfoString(WkReaderEditDoc::kLinkedPathEntry), "") << path;
    }
    EXPECT_EQ(host.openedPaths.size(), 1u);
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{"No Template with Trans found !"});
}

} // namespace
