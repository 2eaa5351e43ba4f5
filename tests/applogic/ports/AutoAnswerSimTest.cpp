// Auto-answer reception end to end: the application with its protocol window, the real
// serial-port library, and kestra-sim sending auto-answer protocols on a pty.

#include "CorvelApp.h"
#include "OwnPortList.h"
#include "PtyPeer.h"
#include "SimProcess.h"
#include "SornBinding.h"
#include "WkAAThread.h"
#include "WkAutoAnswer.h"
#include "WkAutoAnswerControl.h"
#include "WkComPortChoice.h"
#include "WkComPortManager.h"
#include "WkDocTemplate.h"
#include "WkDocument.h"
#include "WkFrameHost.h"
#include "WkLogDoc.h"
#include "WkLogSink.h"
#include "WkPrompts.h"
#include "WkReaderChoice.h"

#include "sorn.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kPort = 213;
const char* const kTTBFrame = "0B 00 11 00 01 01 02 03 04 05 1A ";
const std::regex kLine(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d\.\d{3}  <<  (?:[0-9A-F]{2} )+)");

class Frame : public WkFrameHost {
public:
    bool CreateFrameFor(const std::shared_ptr<WkDocument>&) override { return true; }
    void DestroyFrameOf(WkDocument&) override {}
    void ActivateFrameOf(WkDocument&) override {}
    void ShowMainWindow() override {}
    std::vector<std::string> LoadRecentFiles() override { return {}; }
    void SaveRecentFiles(const std::vector<std::string>&) override {}
    void RecentFilesChanged() override {}
};

class TestPrompts : public WkPrompts {
public:
    std::vector<std::string> messages;
    int portDialogs = 0;

    void ShowMessage(const std::string& text, Icon) override { messages.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }
    int SelectFromList(const std::string&, const std::string&, const std::vector<std::string>&,
                       int) override {
        return -1;
    }
    std::optional<std::string> AskOpenFileName() override { return std::nullopt; }
    std::optional<std::string> AskSaveFileName(const std::string&) override { return std::nullopt; }
    int SelectComPort(const WkComPortChoice& choice) override {
        ++portDialogs;
        return choice.ResultFor(0);
    }
    std::optional<WkReaderSelection> SelectReader(const WkReaderChoice&) override {
        return std::nullopt;
    }
    int SelectReaderType() override { return 0; }
};

// The protocol window's view; the test's thread is the user-interface thread.
class ListSink : public WkLogSink {
public:
    std::vector<std::string> lines;
    void AppendLines(const std::vector<std::string>& added) override {
        lines.insert(lines.end(), added.begin(), added.end());
    }
    void RequestDrain(bool) override {}
    std::vector<std::string> Lines() const { return lines; }
};

class AutoAnswerSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<simtest::SimProcess>(
            std::vector<std::string>{"--map-port", std::to_string(kPort)});
        ASSERT_FALSE(sim->WaitReady().empty());
        ASSERT_TRUE(app.InitInstance([this] { return &frame; }, {}));
        log = app.ProtocolWindowDocument();
        ASSERT_TRUE(log);
        log->AttachSink(&sink, std::this_thread::get_id());
    }
    void TearDown() override {
        app.ExitInstance();
        if (log) {
            log->DetachSink();
        }
        SornBinding::CloseAllPorts();
        sim.reset();
    }

    int OpenSimPort() {
        const int port = sorn.OpenPort(std::to_string(kPort));
        EXPECT_GT(port, 0);
        return port;
    }
    // Switches the simulated reader's auto-answer mode with command 0x40.
    void WriteAutoAnswerMode(int port, unsigned char mode) {
        unsigned char request[] = {0x05, 0x00, 0x40, mode,
                                   static_cast<unsigned char>(0x05 ^ 0x40 ^ mode)};
        unsigned char answer[32] = {};
        ASSERT_EQ(SORN_Transceive(port, request, 5, answer, sizeof answer), 5);
        ASSERT_EQ(answer[3], 0x00);
    }
    // Serves the protocol window for `time`, or until it shows `count` lines.
    void Pump(std::chrono::milliseconds time, std::size_t count = SIZE_MAX) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end && sink.lines.size() < count) {
            log->Drain();
            std::this_thread::sleep_for(1ms);
        }
        log->Drain();
    }

    simtest::OwnPortList portList{"corvel-aa"};
    const fs::path& dir = portList.Dir();
    std::unique_ptr<simtest::SimProcess> sim;
    SornBinding sorn;
    TestPrompts prompts;
    Frame frame;
    // The display keeps the application's reference and uses it from start-up on.
    WkAutoAnswer autoAnswer{app, sorn, prompts};
    CorvelApp app{{.libraries = sorn, .prompts = prompts, .autoAnswer = autoAnswer}};
    std::shared_ptr<WkLogDoc> log;
    ListSink sink;
};

TEST_F(AutoAnswerSim, ProtocolsOfTheReaderAppearAsLines) {
    const int port = OpenSimPort();
    WriteAutoAnswerMode(port, 0x11); // serial number in a frame, once per presence
    ASSERT_TRUE(autoAnswer.Show());
    EXPECT_TRUE(app.IsAutoAnswerOn());
    EXPECT_EQ(prompts.portDialogs, 0); // the only open port is taken without asking
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    Pump(3s, 1);
    Pump(300ms);
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(sink.lines[0], kLine)) << sink.lines[0];
    EXPECT_EQ(sink.lines[0].substr(21), std::string("  <<  ") + kTTBFrame);
    autoAnswer.Stop();
    EXPECT_FALSE(app.IsAutoAnswerOn());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AutoAnswerSim, BytesThatCameBeforeShowAreNotShown) {
    const int port = OpenSimPort();
    WriteAutoAnswerMode(port, 0x11);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    // The simulator writes a due frame before it reads the next control line, so once this
    // answer is back the frame has left; the pause covers the terminal's own hand-over.
    ASSERT_TRUE(sim->Control("state").ends_with("ok"));
    std::this_thread::sleep_for(100ms);
    ASSERT_TRUE(autoAnswer.Show());
    Pump(500ms);
    EXPECT_TRUE(sink.lines.empty());
}

TEST_F(AutoAnswerSim, ShowAndStopCyclesLeaveNoLineAfterStopAndNoStuckWorker) {
    const int port = OpenSimPort();
    WriteAutoAnswerMode(port, 0x01); // serial number in a frame, repeated while present
    ASSERT_EQ(sorn.SetPortPara(port, "Timeout", "30"), 0);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    for (int cycle = 0; cycle < 100; ++cycle) {
        ASSERT_TRUE(autoAnswer.Show()) << cycle;
        Pump(std::chrono::milliseconds(cycle % 4 * 20));
        autoAnswer.Stop();
        const std::size_t atStop = sink.lines.size();
        Pump(std::chrono::milliseconds(cycle % 3 * 5));
        ASSERT_EQ(sink.lines.size(), atStop) << "line after Stop in cycle " << cycle;
    }
    const std::size_t before = sink.lines.size();
    Pump(300ms);
    EXPECT_EQ(sink.lines.size(), before);
    for (const std::string& line : sink.lines) {
        EXPECT_TRUE(std::regex_match(line, kLine)) << line;
    }
    // The worker still serves the next Show.
    ASSERT_TRUE(autoAnswer.Show());
    Pump(10s, before + 2);
    EXPECT_GE(sink.lines.size(), before + 2);
    EXPECT_EQ(sink.lines.back().substr(21), std::string("  <<  ") + kTTBFrame);
}

TEST_F(AutoAnswerSim, ExitWhileReceivingEndsPromptly) {
    const int port = OpenSimPort();
    WriteAutoAnswerMode(port, 0x01);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    ASSERT_TRUE(autoAnswer.Show());
    Pump(3s, 1);
    ASSERT_FALSE(sink.lines.empty());
    const auto start = std::chrono::steady_clock::now();
    app.ExitInstance();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 3s); // one receive time-out (200 ms), not a hang; room for a loaded machine
    EXPECT_FALSE(autoAnswer.IsOn());
    EXPECT_EQ(autoAnswer.Thread(), nullptr);
}

TEST_F(AutoAnswerSim, ShowIsRefusedWithoutAWindowOrAPort) {
    // No open port: nothing starts and nothing is said.
    EXPECT_FALSE(autoAnswer.Show());
    EXPECT_FALSE(autoAnswer.IsOn());
    EXPECT_TRUE(prompts.messages.empty());

    OpenSimPort();
    app.CloseDocument(log);
    log.reset();
    EXPECT_FALSE(autoAnswer.Show());
    EXPECT_FALSE(autoAnswer.IsOn());
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>{
                  "The Protocol Window is closed.\nAuto Answer Protocols cannot displayed."});
}

std::chrono::nanoseconds ProcessCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST_F(AutoAnswerSim, ALostDeviceIsToldOnceAndComesBackWithAutoAnswer) {
    // The reader sits behind a link, as a device rule names a USB adapter.
    const std::string link = (dir / "reader").string();
    sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{"--link", link});
    ASSERT_FALSE(sim->WaitReady().empty());
    std::ofstream(dir / "ports") << kPort << "=" << link << "\n";
    WkComPortManager manager(sorn, sorn, prompts);
    std::vector<std::string> notices;
    manager.SetConnectionNotice([&](int, bool, const std::string& line, const std::string& text) {
        app.AppendToProtocolWindow(line);
        notices.push_back(text);
    });
    const int port = OpenSimPort();
    ASSERT_EQ(sorn.SetPortPara(port, "timeout", "300"), 0);
    WriteAutoAnswerMode(port, 0x01);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    ASSERT_TRUE(autoAnswer.Show());
    Pump(3s, 1);
    ASSERT_FALSE(sink.lines.empty());
    auto connected = [&] {
        std::string value;
        sorn.GetPortPara(port, "Connected", value);
        return value == "1";
    };
    auto waitFor = [&](bool state) {
        for (auto end = std::chrono::steady_clock::now() + 10s;
             connected() != state && std::chrono::steady_clock::now() < end;) {
            Pump(10ms);
        }
        return connected() == state;
    };

    sim.reset(); // the adapter is pulled
    ASSERT_TRUE(waitFor(false));
    manager.CheckConnections();
    manager.CheckConnections();
    EXPECT_EQ(notices, std::vector<std::string>{"COM 213: device disconnected"});
    Pump(50ms);
    const std::size_t lost = sink.lines.size();
    EXPECT_TRUE(sink.lines.back().ends_with("  COM 213: device disconnected"));
    // Nobody spins while the device is away.
    const auto cpu = ProcessCpuTime();
    std::this_thread::sleep_for(2s);
    EXPECT_LT(ProcessCpuTime() - cpu, 50ms);

    sim = std::make_unique<simtest::SimProcess>(std::vector<std::string>{"--link", link});
    ASSERT_FALSE(sim->WaitReady().empty());
    ASSERT_TRUE(waitFor(true));
    manager.CheckConnections();
    EXPECT_EQ(notices, (std::vector<std::string>{"COM 213: device disconnected",
                                                 "COM 213: device reconnected"}));
    EXPECT_EQ(sorn.GetPortHandle(std::to_string(kPort)), port);
    std::string timeout;
    sorn.GetPortPara(port, "timeout", timeout);
    EXPECT_EQ(timeout, "300");
    // The new reader is told to answer by itself; auto-answer is still on and shows it.
    WriteAutoAnswerMode(port, 0x01);
    ASSERT_EQ(sim->Control("tag TTB 0102030405"), "ok");
    Pump(3s, lost + 2);
    ASSERT_GE(sink.lines.size(), lost + 2);
    EXPECT_EQ(sink.lines.back().substr(21), std::string("  <<  ") + kTTBFrame);

    // Closing a port whose device is away releases it.
    const fs::path slave = fs::read_symlink(link);
    sim.reset();
    ASSERT_TRUE(waitFor(false));
    autoAnswer.Stop();
    EXPECT_TRUE(manager.ClosePort(kPort));
    EXPECT_EQ(sorn.GetPortHandle(std::to_string(kPort)), 0);
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        EXPECT_NE(fs::read_symlink(fd.path(), ec), slave);
    }
}

struct FailingAutoAnswer : WkAutoAnswerControl {
    bool Create() override { return false; }
    bool Show() override { return false; }
    void Stop() override {}
    bool IsOn() const override { return false; }
    void Destroy() override {}
};

struct VersionedSorn : SornBinding {
    std::string version = "02.08.02";
    std::string SornVersion() override { return version; }
};

TEST(StartupFailure, CorvelIniStaysByteForByte) {
    PortMapFile map;
    PtyPeer peer;
    map.Map(1, peer.SlavePath());
    map.Map(7, map.Dir() + "/unplugged");
    const fs::path ini = fs::path(map.Dir()) / "Corvel.ini";
    std::string bytes = "[1.COMPort]\nCOM=1\nBaud=19200\nFrame=8E1\nTimeout=800\n"
                        "TxControl=1\nPerformance=1\nTxDlyTime=10\nCTOMpy=1\nDTR=OFF\nRTS=ON\n"
                        "[2.COMPort]\nCOM=7\nBaud=4800\n";
    for (int n = 3; n <= 4; ++n) {
        bytes += "[" + std::to_string(n) +
                 ".COMPort]\nCOM=None\nBaud=9600\nFrame=8E1\n"
                 "Timeout=800\nCharTimeOut=20\nTxControl=1\nPerformance=1\nTxDlyTime=10\n"
                 "CTOMpy=1\nDTR=OFF\nRTS=OFF\n";
    }
    std::ofstream(ini, std::ios::binary) << bytes;
    const fs::path before = fs::current_path();
    fs::current_path(map.Dir());

    enum class Step { OldSorn, AutoAnswerThread };
    for (Step step : {Step::OldSorn, Step::AutoAnswerThread}) {
        VersionedSorn sorn;
        TestPrompts prompts;
        Frame frame;
        WkComPortManager manager(sorn, sorn, prompts);
        FailingAutoAnswer failing;
        WkAutoAnswerControl& autoAnswer = step == Step::AutoAnswerThread
                                              ? static_cast<WkAutoAnswerControl&>(failing)
                                              : CorvelParts::NoAutoAnswer();
        CorvelApp app(
            {.libraries = sorn, .prompts = prompts, .ports = manager, .autoAnswer = autoAnswer});
        if (step == Step::OldSorn) {
            sorn.version = "01.99.99";
        }
        EXPECT_FALSE(app.InitInstance([&] { return &frame; }, {}));
        // The last step fails after the ports were restored: port 1 is open, port 7 missing.
        EXPECT_EQ(sorn.GetPortHandle("1") > 0, step == Step::AutoAnswerThread);
        app.ExitInstance();
        std::ifstream in(ini, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes)
            << static_cast<int>(step);
        EXPECT_EQ(sorn.GetPortHandle("1"), 0);
    }
    fs::current_path(before);
}

} // namespace
