// The kestra program against kestra-sim on ptys: exit codes, the messages that go with them,
// JSON that says what the text says, a configuration carried between two models, a bus scan.

#include "KestraArguments.h"
#include "KestraRun.h"
#include "KestraScan.h"

#include <nlohmann/json.hpp>

#include <climits>
#include <csignal>
#include <map>
#include <poll.h>
#include <sys/stat.h>

namespace {

using namespace kestratest;

TEST_F(KestraCli, FailuresEndWithTheirExitCodeAndSayWhy) {
    const std::string pty = StartSim({"--model", "KRB"});
    ASSERT_EQ(sims[0]->Control("fault checksum"), "ok");
    Outcome run = Kestra({"--device", pty, "send", "04", "00", "65", "--checksum"});
    EXPECT_EQ(run.exit, 3);
    EXPECT_NE(run.err.find("checksum"), std::string::npos) << run.err;

    ASSERT_EQ(sims[0]->Control("fault status=13"), "ok");
    run = Kestra({"--device", pty, "reset"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("0x13"), std::string::npos) << run.err;

    std::ofstream(dir / "junk.rdr") << "not an archive";
    run = Kestra({"--device", pty, "diff", (dir / "junk.rdr").string()});
    EXPECT_EQ(run.exit, 2);
    EXPECT_NE(run.err.find("not a reader configuration file"), std::string::npos) << run.err;

    EXPECT_EQ(Kestra({"--device", pty, "factory-reset"}).exit, 2);
    EXPECT_EQ(Kestra({"--device", pty, "send", "0G"}).exit, 2);

    // An answer from another bus address is not the reader's.
    ASSERT_EQ(sims[0]->Control("fault busaddr"), "ok");
    run = Kestra({"--device", pty, "version"});
    EXPECT_EQ(run.exit, 3);
    EXPECT_NE(run.err.find("(-2037)"), std::string::npos) << run.err;
}

TEST_F(KestraCli, JsonHoldsTheFactsOfTheText) {
    const std::string pty = StartSim({"--model", "KRD"});
    const Outcome text = Kestra({"--device", pty, "version"});
    const Outcome json = Kestra({"--device", pty, "--json", "version"});
    ASSERT_EQ(text.exit, 0) << text.err;
    ASSERT_EQ(json.exit, 0) << json.err;
    const auto facts = nlohmann::json::parse(json.out);
    const std::vector<std::string> lines = Lines(text.out);
    EXPECT_EQ(lines.at(0), "model: " + facts["model"].get<std::string>());
    EXPECT_EQ(facts["model"], "KRD");
    EXPECT_EQ(facts["transponder_types"], nlohmann::json({"TTA", "TTB", "TTC", "TTD"}));
    EXPECT_NE(text.out.find("answer: " + facts["answer"].get<std::string>()), std::string::npos);

    const Outcome verbose = Kestra({"--device", pty, "-v", "version"});
    EXPECT_NE(verbose.err.find(">>  04 00 65 61"), std::string::npos) << verbose.err;

    // The port map: the simulator as port 5 of it, a port whose device is missing, and a
    // device server that nobody asks while the ports are listed.
    std::ofstream(dir / "ports") << "5=" << pty
                                 << "\n6=/dev/kestra-missing\n7=rfc2217://192.0.2.1:4001\n";
    setenv("SORN_PORTS", (dir / "ports").c_str(), 1);
    const auto ports = nlohmann::json::parse(Kestra({"--json", "ports"}).out)["ports"];
    const Outcome byPort = Kestra({"--port", "5", "version"});
    unsetenv("SORN_PORTS");
    EXPECT_EQ(byPort.out, text.out);
    std::map<int, bool> exists; // the machine's own serial ports may be listed too
    for (const auto& port : ports) {
        exists[port["port"].get<int>()] = port["exists"].get<bool>();
    }
    EXPECT_EQ(exists[5], true) << ports;
    EXPECT_EQ(exists.count(6), 1u) << ports;
    EXPECT_EQ(exists[6], false);
    EXPECT_EQ(exists[7], true);

    // A failure is JSON too, with the code the program ends with.
    ASSERT_EQ(sims[0]->Control("fault silent"), "ok");
    const Outcome silent = Kestra({"--device", pty, "--json", "--timeout", "100", "reset"});
    EXPECT_EQ(silent.exit, 3);
    EXPECT_EQ(nlohmann::json::parse(silent.out)["exit_code"], 3);
}

TEST_F(KestraCli, MonitorShowsAutoAnswerFramesAsTheyCome) {
    const std::string pty = StartSim({"--model", "KRD"});
    // Serial numbers (0x40), sent on the asynchronous interface (0x50).
    ASSERT_EQ(Kestra({"--device", pty, "send", "05 00 40 01", "--checksum"}).exit, 0);
    ASSERT_EQ(Kestra({"--device", pty, "send", "05 00 50 01", "--checksum"}).exit, 0);
    // The frame repeats while the transponder stays, so the monitor may start after it came.
    ASSERT_EQ(sims[0]->Control("tag TTB 0A0B0C0D0E"), "ok");
    const Outcome text = Kestra({"--device", pty, "monitor", "--count", "1"});
    EXPECT_EQ(text.exit, 0) << text.err;
    EXPECT_NE(text.out.find("0B 00 11 00 01 0A 0B 0C 0D 0E 15  type: 1 (TTB), serial number: "
                            "0A0B0C0D0E"),
              std::string::npos)
        << text.out;
    const Outcome json = Kestra({"--device", pty, "--json", "monitor", "--count", "1"});
    EXPECT_EQ(nlohmann::json::parse(json.out)["fields"]["serial number"], "0A0B0C0D0E");
}

TEST_F(KestraCli, ConfigurationCarriesFromOneModelToAnother) {
    const std::string krb = StartSim({"--model", "KRB"});
    const std::string krd = StartSim({"--model", "KRD"});
    const std::string file = (dir / "krb.rdr").string();
    ASSERT_EQ(Kestra({"--device", krb, "read-config", "-o", file}).exit, 0);
    const Outcome write = Kestra({"--device", krd, "write-config", file, "--verify"});
    ASSERT_EQ(write.exit, 0) << write.err;
    EXPECT_NE(write.out.find("note: block 2 byte 3 ([0xA5] transponder mode TTD): the file holds "
                             "0x00, sent as 0x01"),
              std::string::npos)
        << write.out;
    // What the write cannot carry: the TTD mode as it is sent (a note, not a difference), and
    // the KRD's own calibration.
    const std::string left =
        "note: block 2 byte 3 ([0xA5] transponder mode TTD): 0x00 -> 0x01 (write-config sends "
        "0x01: the TTD mode goes out with bit 0 set and bits 1 to 3 clear)\n"
        "block 2 byte 11 ([0x6B] calibration value): 0x00 -> 0x80 (not written by "
        "write-config)\n";
    const Outcome same = Kestra({"--device", krd, "diff", file});
    EXPECT_EQ(same.exit, 1) << same.err;
    EXPECT_EQ(same.out, left);

    // The baud rate code 0x07 written behind the file's back.
    ASSERT_EQ(Kestra({"--device", krd, "send", "05", "00", "51", "07", "--checksum"}).exit, 0);
    const Outcome changed = Kestra({"--device", krd, "diff", file});
    EXPECT_EQ(changed.exit, 1);
    EXPECT_EQ(changed.out, "Reader Settings / [0x51] Async Parameter / Baud: 0x05: 9600 -> 0x07: "
                           "38400\n" +
                               left);
    const Outcome json = Kestra({"--device", krd, "--json", "diff", file});
    const auto differences = nlohmann::json::parse(json.out)["differences"];
    ASSERT_EQ(differences.size(), 3u);
    EXPECT_EQ(differences[0]["name"], "Reader Settings / [0x51] Async Parameter / Baud");
    EXPECT_EQ(differences[0]["to"], "0x07: 38400");
    EXPECT_EQ(differences[1]["as_sent"], true);

    // A reader written with its own file compares equal: the TTD mode is only a note.
    ASSERT_EQ(Kestra({"--device", krb, "write-config", file}).exit, 0);
    const Outcome equal = Kestra({"--device", krb, "diff", file});
    EXPECT_EQ(equal.exit, 0) << equal.out;
    EXPECT_EQ(equal.out.rfind("note: block 2 byte 3", 0), 0u) << equal.out;

    // Two files whose baud rate codes 0x01 (no rate at all) and 0x03 show as different.
    std::string bytes = ReadAll(file);
    const std::size_t baud = bytes.size() - 3074 + 7; // block 0 byte 7 of the configuration
    bytes[baud] = 0x01;
    std::ofstream(dir / "b01.rdr", std::ios::binary) << bytes;
    bytes[baud] = 0x03;
    std::ofstream(dir / "b03.rdr", std::ios::binary) << bytes;
    const Outcome files = Kestra({"diff", (dir / "b01.rdr").string(), (dir / "b03.rdr").string()});
    EXPECT_EQ(files.exit, 1);
    EXPECT_EQ(files.out, "Reader Settings / [0x51] Async Parameter / Baud: invalid (0x01) -> "
                         "0x03: 2400\n");
}

TEST_F(KestraCli, ScanFindsEveryReaderOfTheBus) {
    const std::string pty =
        StartSim({"--reader", "KRB:1", "--reader", "KRD:5", "--reader", "KRA:200"});
    // A generous silence: on a loaded machine a pty answer can take hundreds of milliseconds.
    const Outcome run =
        Kestra({"--device", pty, "--timeout", "1000", "scan", "--addresses", "0-1,4-6,199-201"});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, "  1    9600  8E1  KRB      03-02\n"
                       "  5    9600  8E1  KRD      03-04\n"
                       "200    9600  8E1  KRA      03-01\n");
    EXPECT_EQ(run.err, ""); // no progress bar into a file

    // Reader 1 answers 600 ms late, while address 2 is probed (400 to 800 ms): that answer is
    // not taken for a reader at address 2, and a scan that finds no reader says so.
    ASSERT_EQ(sims[0]->Control("fault late=600"), "ok");
    const Outcome late =
        Kestra({"--device", pty, "--timeout", "400", "scan", "--addresses", "1-2"});
    EXPECT_EQ(late.out, "");
    EXPECT_EQ(late.exit, 3);
    EXPECT_EQ(late.err, "kestra: scan: no reader answered\n");

    // A reader that answers with an error status is there; a broken answer is named with -v.
    ASSERT_EQ(sims[0]->Control("fault status=13"), "ok");
    const Outcome status =
        Kestra({"--device", pty, "--timeout", "1000", "scan", "--addresses", "1"});
    EXPECT_EQ(status.exit, 0);
    EXPECT_EQ(status.out, "  1    9600  8E1  unknown  status 0x13: Reader: Login Request\n");
    ASSERT_EQ(sims[0]->Control("fault checksum"), "ok");
    const Outcome broken =
        Kestra({"--device", pty, "--timeout", "1000", "-v", "scan", "--addresses", "1"});
    EXPECT_EQ(broken.exit, 3);
    EXPECT_NE(broken.out.find("broken answers from address 1: 1 broken answer: "),
              std::string::npos)
        << broken.out;
}

TEST_F(KestraCli, ScanEndsAtALostDeviceWithTheReadersFoundSoFar) {
    const std::string pty = StartSim({"--reader", "KRB:1"});
    // Each absent address takes a second: the device is gone long before the sweep ends.
    const pid_t scan = Start({"--device", pty, "--timeout", "1000", "--json", "-v", "scan"});
    ASSERT_TRUE(WaitFor("err", "<<  0A 01 65 00")) << ReadAll(dir / "err");
    sims[0]->Stop();
    const Outcome run = Finish(scan);
    EXPECT_EQ(run.exit, 3);
    EXPECT_NE(run.err.find("device disconnected (-1040)"), std::string::npos) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["exit_code"], 3);
    ASSERT_EQ(json["readers"].size(), 1u);
    EXPECT_EQ(json["readers"][0]["address"], 1);
}

TEST_F(KestraCli, ArgumentsBeyondWhatTheFrameCarriesAreRefusedWithNothingSent) {
    // A line of the test's own: whatever kestra sends arrives here.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string line = ptsname(master);
    const int slave = open(line.c_str(), O_RDWR | O_NOCTTY); // keeps the line up between runs
    ASSERT_GE(slave, 0);
    const std::vector<std::vector<std::string>> refused = {
        {"tag", "write-public", "257", "CAFEF00D"},
        {"tag", "write-public", "0", "CAFEF00D00"},
        {"tag", "write-public", "0", "00112233445566778899AABBCCDDEEFF00112233"},
        {"tag", "read-public", "0x100", "1"},
        {"tag", "read-public", "0", "5"},
        {"tag", "write-id", "00112233445566778899AABBCC"},
        {"--address", "256", "version"},
        {"--address", "5x", "version"},
        {"--address", "-1", "version"},
        {"--timeout", "0", "version"},
        {"--baud", "1234", "version"},
        {"--frame", "9E1", "version"},
        {"scan", "--bauds", "9600,1234"},
        {"scan", "--frames", "8E1,8X1"},
        {"scan", "--addresses", "1-254"},
        {"monitor", "--count", "-1"},
        {"send", std::string(512, '0')},
        {"login", "001122"},
        {"frobnicate"},
    };
    for (std::vector<std::string> args : refused) {
        args.insert(args.begin(), {"--device", line});
        const Outcome run = Kestra(args);
        EXPECT_EQ(run.exit, 2) << args[2] << " " << args.back() << ": " << run.err;
        EXPECT_NE(run.err, "") << args.back();
        char byte = 0;
        EXPECT_EQ(read(master, &byte, 1), -1) << args.back() << ": something was sent";
    }
    // A usage error is JSON too when JSON was asked for.
    const Outcome json = Kestra({"--json", "frobnicate"});
    EXPECT_EQ(nlohmann::json::parse(json.out)["exit_code"], 2);
    EXPECT_EQ(json.err.rfind("kestra: unknown command 'frobnicate'; the commands are: ports, ", 0),
              0u)
        << json.err;
    close(slave);
    close(master);
}

TEST_F(KestraCli, TheDevicesPortMapLivesInAFolderOfItsOwn) {
    const std::string pty = StartSim({"--model", "KRA"});
    // The folder a run with a known process number would have used, made first by someone
    // else: as a folder, and as a link to a folder.
    const fs::path victim = dir / "victim";
    fs::create_directory(victim);
    for (bool asLink : {false, true}) {
        const std::string made = (dir / "kestra-").string();
        const std::string tmpdir = "TMPDIR=" + dir.string();
        std::vector<std::string> args{KESTRA_PATH, "--device", pty, "version"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        char* env[] = {const_cast<char*>(tmpdir.c_str()), nullptr};
        const pid_t pid = fork();
        if (pid == 0) {
            char name[4096];
            std::snprintf(name, sizeof name, "%s%d", made.c_str(), static_cast<int>(getpid()));
            const int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            if (asLink ? symlink(victim.c_str(), name) : mkdir(name, 0777)) {
                _exit(99);
            }
            execve(KESTRA_PATH, argv.data(), env);
            _exit(98);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_EQ(WEXITSTATUS(status), 0) << asLink;
        const fs::path premade = dir / ("kestra-" + std::to_string(pid));
        EXPECT_TRUE(asLink ? fs::is_empty(victim) : fs::is_empty(premade)) << asLink;
        EXPECT_TRUE(fs::exists(fs::symlink_status(premade))) << asLink;
    }

    // Ended by Ctrl-C in the middle of a scan, kestra leaves no folder behind.
    setenv("TMPDIR", (dir / "victim").c_str(), 1);
    const pid_t scan = Start({"--device", pty, "--timeout", "1000", "scan"});
    unsetenv("TMPDIR");
    bool made = false;
    for (int i = 0; i < 3000 && !made; ++i) {
        made = !fs::is_empty(victim);
        usleep(10000);
    }
    ASSERT_TRUE(made);
    kill(scan, SIGINT);
    Finish(scan);
    EXPECT_TRUE(fs::is_empty(victim));
}

TEST_F(KestraCli, ScanDrawsItsProgressOnATerminal) {
    const std::string pty = StartSim({"--model", "KRA"});
    const std::string shown =
        OnTerminal({"--device", pty, "--timeout", "50", "scan", "--addresses", "0-3"});
    EXPECT_NE(shown.find("s left"), std::string::npos) << shown;
    EXPECT_NE(shown.find("KRA"), std::string::npos) << shown;
}

TEST(KestraArguments, NumbersAreDecimalUnlessHexAndAddressesStayOnTheBus) {
    EXPECT_EQ(kestra_cli::ParseNumber("010", 0, 255, "n"), 10);
    EXPECT_EQ(kestra_cli::ParseNumber("0x1F", 0, 255, "n"), 31);
    for (const char* bad : {"5x", "0x", "+5", " 5", "-0", "256", "0x100", ""}) {
        EXPECT_THROW(kestra_cli::ParseNumber(bad, 0, 255, "n"), KestraError) << bad;
    }
    EXPECT_EQ(kestra_cli::ParseAddresses("5,1-3,2"), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(kestra_cli::ParseAddresses("0-253").size(), 254u);
    for (const char* bad : {"254", "5-3", "x", "", "1,", "5x"}) {
        EXPECT_THROW(kestra_cli::ParseAddresses(bad), KestraError) << bad;
    }
}

} // namespace
