// Document base: views as observers, modified flag, forwarding, file round trips.

#include "ScriptedPrompts.h"
#include "WkArchive.h"
#include "WkDataModul.h"
#include "WkParaModul.h"
#include "WkStdEditDoc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct RecordingView : WkViewObserver {
    void OnUpdate(WkViewObserver* sender, int hint) override {
        hints.push_back(hint);
        senders.push_back(sender);
    }
    void OnModifiedChanged(bool modified) override { modifiedChanges.push_back(modified); }
    void OnTitleChanged(const std::string& title) override { titles.push_back(title); }
    void MoveFrame(const WkRect& rect, bool) override { moves.push_back(rect); }
    std::vector<int> hints;
    std::vector<WkViewObserver*> senders;
    std::vector<bool> modifiedChanges;
    std::vector<std::string> titles;
    std::vector<WkRect> moves;
};

class TestModul : public WkParaModul {
public:
    TestModul() {
        SizeImage(1, 64);
        SizeImage(3, 16);
    }
    int Execute(int) override { return 0; }
    int ExecuteText(int, std::string_view) override { return -2; }
    void Serialize(WkArchive& ar) override {
        WkDataModul::Serialize(ar);
        if (ar.IsStoring()) {
            ar.WriteByteBlock(Image(1));
        } else {
            Image(1) = ar.ReadByteBlock();
        }
    }
};

class TestDoc : public WkStdEditDoc {
public:
    TestDoc() { SetDataModul(std::make_unique<TestModul>()); }
    void Serialize(WkArchive& ar) override { GetDataModul()->Serialize(ar); }
};

TEST(StdDocViews, UpdateSkipsTheSenderAndSurvivesAViewLeaving) {
    TestDoc doc;
    RecordingView a, b;
    struct Leaving : RecordingView {
        WkStdDoc* doc = nullptr;
        void OnUpdate(WkViewObserver* sender, int hint) override {
            RecordingView::OnUpdate(sender, hint);
            doc->RemoveView(this);
        }
    } leaving;
    leaving.doc = &doc;
    doc.AddView(&a);
    doc.AddView(&leaving);
    doc.AddView(&b);
    doc.AddView(&a); // added once only
    doc.UpdateAllViews(&a, kHintReload);
    EXPECT_TRUE(a.hints.empty());
    EXPECT_EQ(leaving.hints, std::vector<int>{kHintReload});
    EXPECT_EQ(b.hints, std::vector<int>{kHintReload});
    EXPECT_EQ(b.senders[0], &a);
    doc.UpdateAllViews(kHintCommit);
    EXPECT_EQ(a.hints, std::vector<int>{kHintCommit});
    EXPECT_EQ(leaving.hints.size(), 1u);
    EXPECT_EQ(doc.GetViews().size(), 2u);
}

TEST(StdDocViews, FrameOperationsGoToTheFirstViewOnly) {
    TestDoc doc;
    doc.MoveFrame({0, 0, 620, 300}); // no view: nothing happens
    RecordingView first, second;
    doc.AddView(&first);
    doc.AddView(&second);
    doc.MoveFrame({0, 0, 620, 300});
    ASSERT_EQ(first.moves.size(), 1u);
    EXPECT_EQ(first.moves[0].right, 620);
    EXPECT_TRUE(second.moves.empty());
    doc.SetTitle("ReaderEditor - a.rdr");
    EXPECT_EQ(second.titles, std::vector<std::string>{"ReaderEditor - a.rdr"});
}

TEST(StdDocModified, ModuleSettersMarkTheDocumentOnlyWhenAValueChanges) {
    TestDoc doc;
    RecordingView view;
    doc.AddView(&view);
    WkParaModul& modul = *doc.GetParaModul();
    EXPECT_TRUE(modul.Config().SetByte("40 00 00 01 00 00", 0));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(modul.Config().SetByte("40 00 00 01 00 00", 5, false));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(modul.Config().SetByte("40 00 00 01 00 00", 6));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.SetBaseBit("00 00 04 01 00 01", true));
    EXPECT_EQ(view.modifiedChanges, std::vector<bool>{true});
}

TEST(StdDocForwarding, SelectorsAndBaseImageReachTheModule) {
    TestDoc doc;
    EXPECT_EQ(doc.SetByte(3, "40 00 02 01 00 00", 0x5A), 1);
    std::uint8_t byte = 0;
    EXPECT_EQ(doc.GetByte(3, "40 00 02 01 00 00", byte), 1);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(doc.SetByte(6, "00 00 00 01 00 00", 1), -1);
    EXPECT_EQ(doc.GetByte(7, "00 00 00 01 00 00", byte), -1);
    EXPECT_TRUE(doc.SetBaseByte("00 00 00 01 00 00", 255));
    std::uint32_t address = 0;
    EXPECT_TRUE(doc.GetBaseLong("00 00 00 01 00 00", address));
    EXPECT_EQ(address, 255u);
}

class StdDocFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvel-doc-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(StdDocFiles, SaveAndLoadRoundTripAndClearTheModifiedFlag) {
    TestDoc saved;
    saved.GetDataModul()->SetInfoString(1, "comment");
    saved.GetParaModul()->Config().SetByte("40 01 00 01 00 00", 0x33);
    ASSERT_TRUE(saved.IsModified());
    const std::string path = (dir_ / "a.rdr").string();
    ASSERT_TRUE(saved.SaveFile(path));
    EXPECT_FALSE(saved.IsModified());
    EXPECT_EQ(saved.GetPathName(), path);

    TestDoc loaded;
    loaded.SetModifiedFlag(true);
    ASSERT_TRUE(loaded.LoadFile(path));
    EXPECT_FALSE(loaded.IsModified());
    EXPECT_EQ(loaded.GetDataModul()->GetInfoString(1), "comment");
    EXPECT_EQ(loaded.GetParaModul()->Image(1)[16], 0x33);
    // Only the saved file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(StdDocFiles, FailedSaveKeepsThePreviousFileAndAShortFileDoesNotLoad) {
    const std::string path = (dir_ / "b.rdr").string();
    TestDoc doc;
    ASSERT_TRUE(doc.SaveFile(path));
    const auto size = std::filesystem::file_size(path);
    EXPECT_FALSE(doc.SaveFile((dir_ / "missing" / "b.rdr").string()));
    EXPECT_EQ(std::filesystem::file_size(path), size);

    std::filesystem::resize_file(path, size - 1);
    TestDoc loaded;
    EXPECT_FALSE(loaded.LoadFile(path));
    EXPECT_FALSE(loaded.LoadFile((dir_ / "none.rdr").string()));
    // A folder opens as a stream on Linux; even a document that reads nothing refuses it.
    WkStdDoc plain;
    EXPECT_FALSE(plain.LoadFile(dir_.string()));
    EXPECT_EQ(plain.GetPathName(), "");
}

TEST_F(StdDocFiles, OnlyARegularFileIsReplacedAndALinkIsSavedThrough) {
    namespace fs = std::filesystem;
    const fs::path fifo = dir_ / "f.rdr";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const fs::path device = ::ptsname(master);
    const fs::path folder = dir_ / "folder.rdr";
    fs::create_directory(folder);
    fs::create_symlink(fifo, dir_ / "to-fifo.rdr");
    TestDoc doc;
    for (const auto& [path, kind] : {std::pair{fifo, "a FIFO"},
                                     {device, "a character device"},
                                     {folder, "a directory"},
                                     {dir_ / "to-fifo.rdr", "a FIFO"}}) {
        EXPECT_FALSE(doc.SaveFile(path.string())) << path;
        EXPECT_EQ(doc.FileError(), path.string() + " is " + kind + ", not a regular file");
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_character_file(device));
    EXPECT_TRUE(fs::is_empty(folder));
    ::close(master);

    // A link stays a link; the file it points to takes the bytes.
    const fs::path target = dir_ / "real.rdr";
    std::ofstream(target) << "old";
    fs::create_symlink(target, dir_ / "link.rdr");
    ASSERT_TRUE(doc.SaveFile((dir_ / "link.rdr").string()));
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.rdr"));
    EXPECT_GT(fs::file_size(target), 3u);
}

TEST_F(StdDocFiles, AFileOfAnotherTypeIsRefusedNamingBoth) {
    struct ReaderDoc : TestDoc {
        std::string ExpectedFileType() const override { return "RDR-02"; }
    };
    TestDoc transponder;
    transponder.GetDataModul()->SetInfoString(0, "TRP-02");
    transponder.GetParaModul()->Config().SetByte("40 00 00 01 00 00", 0x77);
    const std::string path = (dir_ / "tag.rdr").string();
    ASSERT_TRUE(transponder.SaveFile(path));
    ReaderDoc doc;
    EXPECT_FALSE(doc.LoadFile(path));
    EXPECT_EQ(doc.FileError(),
              path + " is a transponder file (TRP-02), not a reader configuration file (RDR-02)");
    EXPECT_EQ(doc.GetParaModul()->Image(1)[0], 0); // nothing taken from the file
    // Another number of the same kind loads.
    transponder.GetDataModul()->SetInfoString(0, "RDR-01");
    ASSERT_TRUE(transponder.SaveFile(path));
    EXPECT_TRUE(doc.LoadFile(path));
    EXPECT_EQ(doc.FileError(), "");
}

TEST_F(StdDocFiles, ModuleEditMarksTheOneFlagAndSaveKeepsTheFileMode) {
    TestDoc doc;
    WkDocument& base = doc; // what the application's save question reads
    doc.GetParaModul()->Config().SetByte("40 01 00 01 00 00", 0x11);
    EXPECT_TRUE(base.IsModified());

    const std::filesystem::path path = dir_ / "c.rdr";
    std::ofstream(path) << "old";
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    ASSERT_TRUE(base.Save(path));
    EXPECT_FALSE(base.IsModified());
    EXPECT_EQ(base.Title(), "c.rdr");
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_GT(std::filesystem::file_size(path), 3u);
}

TEST(StdDocSaveHooks, RefusedCommitStopsTheCloseAndSaveIsAnnounced) {
    struct View : RecordingView {
        bool commits = false;
        int saved = 0;
        bool CommitEdits() override { return commits; }
        void OnDocumentSaved() override { ++saved; }
    } view;
    TestDoc doc;
    doc.AddView(&view);
    EXPECT_FALSE(doc.CanCloseFrame());
    view.commits = true;
    EXPECT_TRUE(doc.CanCloseFrame());
    const auto path = std::filesystem::temp_directory_path() / "corvel-doc-hooks.rdr";
    ASSERT_TRUE(doc.Save(path));
    EXPECT_EQ(view.saved, 1);
    std::filesystem::remove(path);
    doc.RemoveView(&view);
}

TEST(StdDocPrompts, DocumentUsesItsOwnPromptsOrTheInstalledOnes) {
    ScriptedPrompts installed, own;
    Prompts* previous = Prompts::Install(&installed);
    TestDoc doc;
    doc.GetPrompts().ShowMessage("to the process");
    doc.SetPrompts(&own);
    own.AnswerYesNo(true);
    EXPECT_TRUE(doc.GetPrompts().AskYesNo("to the document"));
    EXPECT_FALSE(doc.GetPrompts().AskYesNo("unscripted"));
    Prompts::Install(previous);
    EXPECT_EQ(installed.Messages(), std::vector<std::string>{"to the process"});
    EXPECT_EQ(own.Records().size(), 2u);
    EXPECT_EQ(own.Unscripted(), 1);
    // The silent default answers No, Cancel and -1.
    Prompts::Install(nullptr);
    EXPECT_FALSE(Prompts::Current().AskYesNo("?"));
    EXPECT_EQ(Prompts::Current().SelectFromList("t", "", {"KRA"}, 0), -1);
    Prompts::Install(previous);
}

} // namespace
