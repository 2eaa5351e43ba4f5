// Restoring the ports of the previous run from "Corvel.ini" and saving them at exit, over
// ptys mapped as real serial ports.

#include "PtyPeer.h"
#include "ScriptedPrompts.h"
#include "SornBinding.h"
#include "WkComPortManager.h"
#include "common/ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <sys/inotify.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const char* const kDefaultSection = "COM=None\n"
                                    "Baud=9600\n"
                                    "Frame=8E1\n"
                                    "Timeout=800\n"
                                    "CharTimeOut=20\n"
                                    "TxControl=1\n"
                                    "Performance=1\n"
                                    "TxDlyTime=10\n"
                                    "CTOMpy=1\n"
                                    "DTR=OFF\n"
                                    "RTS=OFF\n";

class PortSettings : public ::testing::Test {
protected:
    void SetUp() override {
        settings = fs::path(map.Dir()) / "Corvel.ini";
        for (int n = 1; n <= 5; ++n) {
            ptys.push_back(std::make_unique<PtyPeer>());
            map.Map(n, ptys.back()->SlavePath());
        }
        ptys.push_back(std::make_unique<PtyPeer>());
        map.Map(12, ptys.back()->SlavePath());
    }
    void TearDown() override { SornBinding::CloseAllPorts(); }

    std::string Para(int port, const char* key) {
        std::string value;
        sorn.GetPortPara(port, key, value);
        return value;
    }
    void WriteSettings(const std::string& text) { std::ofstream(settings) << text; }

    PortMapFile map;
    std::vector<std::unique_ptr<PtyPeer>> ptys;
    fs::path settings;
    SornBinding sorn;
    ScriptedPrompts prompts;
    WkComPortManager manager{sorn, sorn, prompts};
};

TEST_F(PortSettings, MissingFileIsReportedOnceAndWrittenWithDefaults) {
    const std::string missing = "Ini-File " + settings.string() + " not found";
    manager.RestorePorts(settings);
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{missing});
    EXPECT_LE(sorn.NextPort(0), 0);

    manager.SavePorts(settings);
    EXPECT_EQ(prompts.Messages(), std::vector<std::string>{missing});
    std::string expected;
    for (int n = 1; n <= 4; ++n) {
        expected += (n > 1 ? "\n[" : "[") + std::to_string(n) + ".COMPort]\n" + kDefaultSection;
    }
    EXPECT_EQ(ReadFile(settings), expected);

    // The file now exists: a second start asks nothing and opens nothing.
    prompts.Clear();
    manager.RestorePorts(settings);
    EXPECT_TRUE(prompts.Messages().empty());
    EXPECT_LE(sorn.NextPort(0), 0);
}

TEST_F(PortSettings, SavedSectionHasTheKeysInOrderAndThePortIsClosed) {
    const int port = sorn.OpenPort("12");
    ASSERT_GT(port, 0);
    ASSERT_EQ(sorn.SetPortPara(port, "baud", "19200"), 0);
    ASSERT_EQ(sorn.SetPortPara(port, "frame", "8N1"), 0);
    ASSERT_EQ(sorn.SetPortPara(port, "timeout", "250"), 0);
    ASSERT_EQ(sorn.SetPortPara(port, "TxTimeControl", "0"), 0);
    ASSERT_EQ(sorn.SetPortPara(port, "Performance", "0"), 0);
    ASSERT_EQ(sorn.SetPortPara(port, "TxDelayTime", "35"), 0);
    ASSERT_EQ(sorn.SetPortPara(port, "CharTimeoutMpy", "4"), 0);
    ASSERT_EQ(manager.SetLine(port, "RTS", true), 0);
    WriteSettings("; kept\n[1.COMPort]\nCOM=None\n");
    manager.RestorePorts(settings);

    manager.SavePorts(settings);
    EXPECT_TRUE(prompts.Messages().empty());
    EXPECT_EQ(sorn.GetPortHandle("12"), 0);
    // The existing key is updated in place, the others follow it in order; "CharTimeOut" is
    // only part of sections without a port.
    const std::string expected = std::string("; kept\n[1.COMPort]\n") +
                                 "COM=12\n"
                                 "Baud=19200\n"
                                 "Frame=8N1\n"
                                 "Timeout=250\n"
                                 "TxControl=0\n"
                                 "Performance=0\n"
                                 "TxDlyTime=35\n"
                                 "CTOMpy=4\n"
                                 "DTR=OFF\n"
                                 "RTS=ON\n"
                                 "\n[2.COMPort]\n" +
                                 kDefaultSection + "\n[3.COMPort]\n" + kDefaultSection +
                                 "\n[4.COMPort]\n" + kDefaultSection;
    EXPECT_EQ(ReadFile(settings), expected);
}

TEST_F(PortSettings, OnlyTheFirstFourOpenPortsAreSavedAndClosed) {
    WriteSettings("");
    manager.RestorePorts(settings);
    for (const char* number : {"3", "1", "5", "2", "4"}) {
        ASSERT_GT(sorn.OpenPort(number), 0) << number;
    }
    manager.SavePorts(settings);
    ProfileFile file(settings);
    EXPECT_EQ(file.Read("1.COMPort", "COM", ""), "3");
    EXPECT_EQ(file.Read("2.COMPort", "COM", ""), "1");
    EXPECT_EQ(file.Read("3.COMPort", "COM", ""), "5");
    EXPECT_EQ(file.Read("4.COMPort", "COM", ""), "2");
    EXPECT_EQ(file.Read("5.COMPort", "COM", "absent"), "absent");
    for (const char* closed : {"3", "1", "5", "2"}) {
        EXPECT_EQ(sorn.GetPortHandle(closed), 0) << closed;
    }
    EXPECT_GT(sorn.GetPortHandle("4"), 0);
}

TEST_F(PortSettings, RestoreOpensPortsAndSetsTheirParametersInOrder) {
    WriteSettings("[1.COMPort]\nCOM=2\nBaud=38400\nFrame=7O2\nTimeout=300\nTxControl=0\n"
                  "Performance=0\nTxDlyTime=15\nCTOMpy=3\nDTR=ON\nRTS=ON\n"
                  "[2.COMPort]\nCOM=None\n"
                  "[3.COMPort]\nCOM=12\n");
    manager.RestorePorts(settings);
    EXPECT_TRUE(prompts.Messages().empty());
    const std::vector<std::string> firstPort = {
        "baud=38400",    "frame=7O2",      "timeout=300",     "TxTimeControl=0",
        "Performance=0", "TxDelayTime=15", "CharTimeoutMpy=3"};
    ASSERT_GE(sorn.setCalls.size(), firstPort.size());
    EXPECT_EQ(std::vector<std::string>(sorn.setCalls.begin(), sorn.setCalls.begin() + 7),
              firstPort);

    const int two = sorn.GetPortHandle("2");
    ASSERT_GT(two, 0);
    WkPortParams params = manager.ReadParameters(two);
    EXPECT_EQ(params.baud, "38400");
    EXPECT_EQ(params.frame, "7O2");
    EXPECT_EQ(params.performance, "0");
    EXPECT_EQ(params.charTimeoutMpy, "3");
    EXPECT_EQ(manager.LineStates(two), (WkLineStates{true, true, false, false}));

    // A section with only its port takes every default.
    const int twelve = sorn.GetPortHandle("12");
    ASSERT_GT(twelve, 0);
    EXPECT_EQ(manager.ReadParameters(twelve).baud, "9600");
    EXPECT_EQ(manager.LineStates(twelve), WkLineStates{});
}

TEST_F(PortSettings, RestoreSkipsPortsThatAreOpenAlready) {
    const int open = sorn.OpenPort("4");
    ASSERT_GT(open, 0);
    ASSERT_EQ(sorn.SetPortPara(open, "baud", "19200"), 0);
    sorn.setCalls.clear();
    WriteSettings("[1.COMPort]\nCOM=4\nBaud=4800\nRTS=ON\n");
    manager.RestorePorts(settings);
    EXPECT_TRUE(prompts.Messages().empty());
    EXPECT_TRUE(sorn.setCalls.empty());
    EXPECT_EQ(Para(open, "baud"), "19200");
    EXPECT_FALSE(manager.LineStates(open).rts);
}

TEST_F(PortSettings, RestoreReportsPortsItCannotOpenOrSetUp) {
    // Port 200 has no device; port 1 refuses its baud rate and is closed again; the chain
    // stops at the refusal, so the lines are never switched.
    WriteSettings("[1.COMPort]\nCOM=200\n"
                  "[2.COMPort]\nCOM=1\nBaud=12345\nDTR=ON\n"
                  "[3.COMPort]\nCOM=5\nFrame=9X9\n"
                  "[4.COMPort]\nCOM=3\n");
    manager.RestorePorts(settings);
    EXPECT_EQ(prompts.Messages(),
              (std::vector<std::string>{
                  "Error! Could not open COM-Port: 200\nErrorCode: -1003 (no device for this port "
                  "number)",
                  "Error! Could not initialize COM-Port: 1\nErrorCode: -1012 (baud rate not "
                  "supported)\nDevice: " +
                      ptys[0]->SlavePath(),
                  "Error! Could not initialize COM-Port: 5\nErrorCode: -1013 (frame not "
                  "supported)\nDevice: " +
                      ptys[4]->SlavePath()}));
    EXPECT_EQ(sorn.GetPortHandle("1"), 0);
    EXPECT_EQ(sorn.GetPortHandle("5"), 0);
    EXPECT_GT(sorn.GetPortHandle("3"), 0);
}

TEST_F(PortSettings, OverlongValuesAreCutAsTheirBuffersHoldThem) {
    // A value keeps seven characters.
    WriteSettings("[1.COMPort]\nCOM=3\nTimeout=100000000\n");
    manager.RestorePorts(settings);
    EXPECT_EQ(sorn.setCalls.at(2), "timeout=1000000");
    ASSERT_EQ(prompts.Messages().size(), 1u);
    EXPECT_TRUE(prompts.Messages()[0].starts_with(
        "Error! Could not initialize COM-Port: 3\nErrorCode: -1014 ("));
}

TEST_F(PortSettings, ARunThatNeverRestoredLeavesTheFileAlone) {
    const std::string bytes = "[1.COMPort]\r\nCOM = 2\r\nBaud=19200\r\n";
    WriteSettings(bytes);
    ASSERT_GT(sorn.OpenPort("3"), 0);
    manager.SavePorts(settings);
    EXPECT_EQ(ReadFile(settings), bytes);
    EXPECT_TRUE(prompts.Messages().empty());

    fs::remove(settings);
    manager.SavePorts(settings);
    EXPECT_FALSE(fs::exists(settings));
}

// Section 1 is restored, 2 has no device, 3 and 4 hold a value the library refuses.
const char* const kMixedSettings = "; by hand\n"
                                   "[1.COMPort]\n"
                                   "COM=1\n"
                                   "Baud = 19200\n"
                                   "Frame=\"8N1\"\n"
                                   "Timeout=800\n"
                                   "CharTimeOut=20\n"
                                   "TxControl=1\n"
                                   "Performance=1\n"
                                   "TxDlyTime=10\n"
                                   "CTOMpy=1\n"
                                   "DTR=OFF\n"
                                   "RTS=ON\n"
                                   "[2.COMPort]\n"
                                   "COM=7\n"
                                   "Baud=38400\n"
                                   "[3.COMPort]\n"
                                   "COM=3\n"
                                   "Baud=123\n"
                                   "[4.COMPort]\n"
                                   "COM=4\n"
                                   "Timeout=-5\n";

TEST_F(PortSettings, SectionsTheRunCouldNotRestoreAreKeptByteForByte) {
    map.Map(7, map.Dir() + "/unplugged");
    WriteSettings(kMixedSettings);
    manager.RestorePorts(settings);
    ASSERT_EQ(prompts.Messages().size(), 3u);
    ASSERT_GT(sorn.GetPortHandle("1"), 0);
    manager.SavePorts(settings);
    EXPECT_EQ(ReadFile(settings), kMixedSettings);
    EXPECT_EQ(sorn.GetPortHandle("1"), 0);
}

TEST_F(PortSettings, ASectionIsOverwrittenWhenTheUserOpenedOrClosedItsPort) {
    map.Map(7, map.Dir() + "/unplugged");
    WriteSettings(kMixedSettings);
    manager.RestorePorts(settings);
    // Port 1 is closed and port 3 opened: section 3 no longer holds a port the run could not
    // restore, and the first free section takes port 3.
    ASSERT_TRUE(manager.ClosePort(1));
    ASSERT_GT(manager.OpenPort("3", false, false, WkPortParams{}), 0);
    manager.SavePorts(settings);
    ProfileFile file(settings);
    EXPECT_EQ(file.Read("1.COMPort", "COM", ""), "3");
    EXPECT_EQ(file.Read("1.COMPort", "Baud", ""), "9600");
    EXPECT_EQ(file.Read("2.COMPort", "COM", ""), "7");
    EXPECT_EQ(file.Read("2.COMPort", "Baud", ""), "38400");
    EXPECT_EQ(file.Read("3.COMPort", "COM", ""), "None");
    EXPECT_EQ(file.Read("4.COMPort", "Timeout", ""), "-5");
}

TEST_F(PortSettings, ARunFolderThatCannotBeWrittenKeepsThePortsInTheFallbackFile) {
    const fs::path fallback = fs::path(map.Dir()) / "config" / "corvel" / "Corvel.ini";
    // A read-only run folder; for a user whom permissions do not stop (root), a folder that
    // is a file.
    fs::path run = fs::path(map.Dir()) / "run";
    fs::create_directories(run);
    fs::permissions(run, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(run.c_str(), W_OK) == 0) {
        run = fs::path(map.Dir()) / "plain-file";
        std::ofstream(run) << "";
    }
    const fs::path ini = run / "Corvel.ini";
    manager.SetFallbackSettingsPath(fallback);
    manager.RestorePorts(ini);
    ASSERT_EQ(prompts.Messages(),
              std::vector<std::string>{"Ini-File " + ini.string() + " not found"});
    const int port = sorn.OpenPort("12");
    ASSERT_EQ(sorn.SetPortPara(port, "baud", "19200"), 0);
    prompts.Clear();
    manager.SavePorts(ini);
    // Told once: which file, why, and where the ports went.
    ASSERT_EQ(prompts.Messages().size(), 1u);
    const std::string told = prompts.Messages()[0];
    EXPECT_EQ(told.rfind("Cannot write the settings file\n" + ini.string() + "\n(", 0), 0u) << told;
    EXPECT_NE(told.find("The ports are kept in\n" + fallback.string() + "\n"), std::string::npos)
        << told;
    EXPECT_EQ(ReadFile(fallback).rfind("[1.COMPort]\nCOM=12\nBaud=19200\n", 0), 0u);
    EXPECT_EQ(sorn.GetPortHandle("12"), 0);

    // The next start reads them back without a word, and its exit says nothing more.
    prompts.Clear();
    WkComPortManager next{sorn, sorn, prompts};
    next.SetFallbackSettingsPath(fallback);
    next.RestorePorts(ini);
    const int again = sorn.GetPortHandle("12");
    ASSERT_GT(again, 0);
    EXPECT_EQ(Para(again, "baud"), "19200");
    next.SavePorts(ini);
    EXPECT_TRUE(prompts.Messages().empty());
    EXPECT_FALSE(fs::exists(ini));
    fs::permissions(fs::path(map.Dir()) / "run", fs::perms::owner_all);
}

TEST_F(PortSettings, ALargeFileIsWrittenInOnePass) {
    // About 20 MB of other programs' sections around the port sections.
    std::string bytes = "[1.COMPort]\nCOM=2\n[2.COMPort]\nCOM=None\n";
    const std::string filler = "key=" + std::string(60, 'x') + "\n";
    for (int i = 0; bytes.size() < 20'000'000; ++i) {
        bytes += "[other" + std::to_string(i) + "]\n";
        for (int k = 0; k < 50; ++k) {
            bytes += filler;
        }
    }
    WriteSettings(bytes);
    manager.RestorePorts(settings);
    ASSERT_GT(sorn.GetPortHandle("2"), 0);

    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, map.Dir().c_str(), IN_MOVED_TO | IN_CLOSE_WRITE), 0);
    manager.SavePorts(settings);
    int replaced = 0;
    int written = 0;
    alignas(inotify_event) char events[4096];
    for (ssize_t n; (n = read(watch, events, sizeof events)) > 0;) {
        for (char* p = events; p < events + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            replaced += (event->mask & IN_MOVED_TO) != 0;
            written += (event->mask & IN_CLOSE_WRITE) != 0;
            p += sizeof(inotify_event) + event->len;
        }
    }
    close(watch);
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(written, 1);
    const std::string saved = ReadFile(settings);
    const std::size_t others = bytes.find("[other0]");
    // The other sections stand as they were; the new port sections follow them.
    const std::size_t savedOthers = saved.find("[other0]");
    EXPECT_TRUE(savedOthers != std::string::npos &&
                saved.compare(savedOthers, bytes.size() - others, bytes, others) == 0);
    EXPECT_NE(saved.find("[4.COMPort]", savedOthers), std::string::npos);
    EXPECT_EQ(ProfileFile(settings).Read("2.COMPort", "Baud", ""), "9600");
}

} // namespace
