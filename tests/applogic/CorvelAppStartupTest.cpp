#include "AppFakes.h"
#include "CorvelApp.h"
#include "WkAutoAnswerControl.h"
#include "WkDocTemplate.h"
#include "WkLogDoc.h"
#include "WkPortKeeper.h"
#include "WkVersionText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

class StartupTest : public ::testing::Test {
protected:
    FakeLibraries libs;
    AppPrompts prompts;
    FakeFrame frame;

    bool Start(CorvelApp& app, std::vector<std::string> args = {}) {
        return app.InitInstance([this] { return &frame; }, args);
    }
};

struct RecordingKeeper : WkPortKeeper {
    std::vector<std::string>* log;
    void RestorePorts(const std::filesystem::path& path) override {
        log->push_back("restore " + path.filename().string());
    }
    void SavePorts(const std::filesystem::path& path) override {
        log->push_back("save " + path.filename().string());
    }
};

struct RecordingAutoAnswer : WkAutoAnswerControl {
    std::vector<std::string>* log;
    bool createResult = true;
    bool on = false;
    bool Create() override {
        log->push_back("create");
        return createResult;
    }
    bool Show() override {
        on = true;
        return true;
    }
    void Stop() override {
        log->push_back("stop");
        on = false;
    }
    bool IsOn() const override { return on; }
    void Destroy() override { log->push_back("destroy"); }
};

} // namespace

TEST(VersionText, ComparesTheSixDigitNumber) {
    EXPECT_EQ(VersionNumber("02.08.02"), 20802);
    EXPECT_EQ(VersionNumber("02.10.00"), 21000);
    EXPECT_FALSE(IsOlderVersion("02.10.00", "02.08.02"));
    EXPECT_TRUE(IsOlderVersion("02.08.01", "02.08.02"));
    EXPECT_FALSE(IsOlderVersion("02.08.02", "02.08.02"));
    EXPECT_EQ(MajorVersion("01.99.99"), 1);
    EXPECT_EQ(MajorVersion("12.00.00"), 12);
    // Short or broken texts count as far as their digits go and never read past the end.
    EXPECT_EQ(VersionNumber("02.0"), 20);
    EXPECT_EQ(VersionNumber(""), 0);
    EXPECT_EQ(MajorVersion("x2.00.00"), 0);
}

TEST_F(StartupTest, OldSornIsRefusedAfterTheWindowWasShown) {
    libs.sornVersion = "01.99.99";
    CorvelApp app(libs, prompts);
    EXPECT_FALSE(Start(app));
    EXPECT_TRUE(frame.shown);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "An old version of SORN.DLL is detected\nThe program needs at "
                                   "least the version 2.00.\n\nCorvel cannot run.");
    // Nothing after the gate ran: no callback, no protocol window.
    EXPECT_EQ(libs.callback, nullptr);
    EXPECT_EQ(app.ProtocolWindowDocument(), nullptr);
}

TEST_F(StartupTest, SornTwoPassesWithItsWarningOnly) {
    libs.sornVersion = "02.00.00";
    CorvelApp app(libs, prompts);
    ASSERT_TRUE(Start(app));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Warning !!\nCORVEL.EXE expects the file SORN.DLL\nin the "
                                   "version: 02.08.02 or greater.\nPlease contact Tarvo to get "
                                   "a new version.");
}

TEST_F(StartupTest, BothWarningsInOrderAndNewerVersionsAreQuiet) {
    libs.sornVersion = "02.08.01";
    libs.velkVersion = "02.02.99";
    {
        CorvelApp app(libs, prompts);
        ASSERT_TRUE(Start(app));
        ASSERT_EQ(prompts.messages.size(), 2u);
        EXPECT_NE(prompts.messages[0].find("VELK.DLL\nin the version: 02.03.00"),
                  std::string::npos);
        EXPECT_NE(prompts.messages[1].find("SORN.DLL\nin the version: 02.08.02"),
                  std::string::npos);
    }
    prompts.messages.clear();
    libs.sornVersion = "02.10.00";
    libs.velkVersion = "02.03.00";
    CorvelApp app(libs, prompts);
    ASSERT_TRUE(Start(app));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StartupTest, StartOpensTheProtocolWindowAndRoutesLibraryLines) {
    CorvelApp app(libs, prompts);
    ASSERT_TRUE(Start(app));
    ASSERT_NE(libs.callback, nullptr);
    auto log = app.ProtocolWindowDocument();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->FrameTitle(), "ProtocolWindow - Log1");
    EXPECT_EQ(frame.frames.size(), 1u);
    // The new window releases the hand-over lock of older readers.
    EXPECT_NE(std::find(libs.calls.begin(), libs.calls.end(), "Set 0 UnlockProtToApp=0"),
              libs.calls.end());
}

TEST_F(StartupTest, OrderOfPortsAutoAnswerAndShutdown) {
    std::vector<std::string> log;
    RecordingKeeper keeper;
    keeper.log = &log;
    RecordingAutoAnswer autoAnswer;
    autoAnswer.log = &log;
    frame.recentStored = {"/tmp/a.log", "/tmp/b.rdr"};
    {
        CorvelApp app(
            {.libraries = libs, .prompts = prompts, .ports = keeper, .autoAnswer = autoAnswer});
        ASSERT_TRUE(Start(app));
        EXPECT_EQ(app.SettingsPath(), std::filesystem::current_path() / "Corvel.ini");
        EXPECT_EQ(app.RecentFiles().Entries(), frame.recentStored);
        EXPECT_TRUE(app.CanShowAutoAnswer());
        app.OnShowAutoAnswer();
        EXPECT_TRUE(app.IsAutoAnswerOn());
        EXPECT_FALSE(app.CanShowAutoAnswer());
        app.ExitInstance();
        EXPECT_EQ(libs.callback, nullptr);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"restore Corvel.ini", "create", "stop", "destroy",
                                             "save Corvel.ini"}));
    EXPECT_EQ(frame.recentSaved, frame.recentStored);
}

TEST_F(StartupTest, AutoAnswerThreadThatCannotStartEndsStartUp) {
    std::vector<std::string> log;
    RecordingAutoAnswer autoAnswer;
    autoAnswer.log = &log;
    autoAnswer.createResult = false;
    CorvelApp app({.libraries = libs, .prompts = prompts, .autoAnswer = autoAnswer});
    EXPECT_FALSE(Start(app));
    EXPECT_EQ(prompts.messages.back(), "Error: Cannot create Thread for AutoAnswer!");
}

TEST_F(StartupTest, NoMainFrameEndsStartUpSilently) {
    CorvelApp app(libs, prompts);
    EXPECT_FALSE(app.InitInstance([]() -> WkFrameHost* { return nullptr; }, {}));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(StartupTest, LogFileOnTheCommandLineStaysOpen) {
    auto dir = std::filesystem::temp_directory_path() / "corvel_startup_cmdline";
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "old.log") << "{\\rtf1\\ansi first\\par second\\par}"; }
    CorvelApp app(libs, prompts);
    ASSERT_TRUE(Start(app, {(dir / "old.log").string()}));
    auto log = app.ProtocolWindowDocument();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->PlainTitle(), "old.log");
    EXPECT_EQ(log->Lines(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(app.RecentFiles().Entries().front(), (dir / "old.log").string());
    std::filesystem::remove_all(dir);
}

TEST_F(StartupTest, CommandLineFileThatFailsIsNamedAndStartUpGoesOn) {
    const auto dir = std::filesystem::temp_directory_path() / "corvel_startup_bad_cmdline";
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "cut.log") << "{\\rtf1\\ansi first\\par"; }
    ASSERT_EQ(::mkfifo((dir / "pipe.log").c_str(), 0600), 0); // read, it would wait for ever
    const std::vector<std::pair<std::string, std::string>> cases = {
        {(dir / "cut.log").string(), "The file does not hold a Log Document."},
        {(dir / "pipe.log").string(), "It is not a regular file (a device, a FIFO or a socket)."},
        {(dir / "gone.log").string(), "No such file or directory."},
        {(dir / "notes.xyz").string(), ""},
    };
    for (const auto& [path, reason] : cases) {
        prompts.messages.clear();
        CorvelApp app(libs, prompts);
        ASSERT_TRUE(Start(app, {path}));
        EXPECT_TRUE(frame.shown);
        const std::string expected = reason.empty()
                                         ? std::string(CorvelText::kUnknownFileType) + "\n" + path
                                         : "Failed to open document.\n" + path + "\n" + reason;
        EXPECT_EQ(prompts.messages, std::vector<std::string>{expected});
        ASSERT_NE(app.ProtocolWindowDocument(), nullptr);
        EXPECT_EQ(app.ProtocolWindowDocument()->PlainTitle(), "Log1");
    }
    std::filesystem::remove_all(dir);
}

TEST_F(StartupTest, CreateReaderObjectSetsThreeParametersInOrder) {
    CorvelApp app(libs, prompts);
    ASSERT_TRUE(Start(app));
    libs.calls.clear();
    EXPECT_EQ(app.CreateReaderObject(7), 1);
    EXPECT_EQ(libs.calls, (std::vector<std::string>{"New 0", "Set 1 PortHnd=7", "Set 1 LogProt=1",
                                                    "Set 1 SendProtToApp=0"}));
    libs.calls.clear();
    libs.newReaderResult = -2007;
    EXPECT_EQ(app.CreateReaderObject(7), -2007);
    EXPECT_EQ(libs.calls, (std::vector<std::string>{"New 0"}));
    EXPECT_EQ(prompts.messages.back(), "Error! Could not create Reader-Object!\nErrorCode: -2007");
}

TEST_F(StartupTest, AboutVersionReports) {
    libs.sornVersion = "02.08.01";
    libs.velkVersion = "02.05.00";
    CorvelApp app(libs, prompts);
    EXPECT_EQ(app.SornVersionReport(),
              std::string(CorvelText::kSornWarning) + "\n\nThe actual version number is:02.08.01");
    EXPECT_EQ(app.VelkVersionReport(), "The actual version number\nof VELK.DLL is: 02.05.00");
}
