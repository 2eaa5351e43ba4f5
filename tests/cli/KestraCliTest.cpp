// The kestra program against kestra-sim on ptys: exit codes, the messages that go with them,
// JSON that says what the text says, a configuration carried between two models, a bus scan.

#include "KestraScan.h"
#include "SimProcess.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exit = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class KestraCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("kestra-cli-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        sims.clear();
        fs::remove_all(dir);
    }

    // A simulator; returns its pty path.
    std::string StartSim(std::vector<std::string> args) {
        sims.push_back(std::make_unique<simtest::SimProcess>(args));
        const std::string path = sims.back()->WaitReady();
        EXPECT_FALSE(path.empty());
        return path;
    }

    // Runs kestra with `args`; standard output and error go to files of the test.
    Outcome Kestra(const std::vector<std::string>& args) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (dir / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        std::vector<std::string> all{KESTRA_PATH};
        // Where a test sets no time-out an answer is due: a long one keeps a busy machine from
        // being taken for a silent reader.
        if (std::find(args.begin(), args.end(), "--timeout") == args.end()) {
            all.insert(all.end(), {"--timeout", "5000"});
        }
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        Outcome run;
        if (posix_spawn(&pid, KESTRA_PATH, &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        run.out = ReadAll(dir / "out");
        run.err = ReadAll(dir / "err");
        return run;
    }

    fs::path dir;
    std::vector<std::unique_ptr<simtest::SimProcess>> sims;
};

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

    // The port map: the simulator as port 5 of it, and a port whose device is missing.
    std::ofstream(dir / "ports") << "5=" << pty << "\n6=/dev/kestra-missing\n";
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
    const Outcome same = Kestra({"--device", krd, "diff", file});
    EXPECT_EQ(same.exit, 0) << same.err;
    EXPECT_EQ(same.out, "");

    // The baud rate code 0x07 written behind the file's back.
    ASSERT_EQ(Kestra({"--device", krd, "send", "05", "00", "51", "07", "--checksum"}).exit, 0);
    const Outcome changed = Kestra({"--device", krd, "diff", file});
    EXPECT_EQ(changed.exit, 1);
    EXPECT_EQ(changed.out, "Reader Settings / [0x51] Async Parameter / Baud: 0x05: 9600 -> 0x07: "
                           "38400\n");
    const Outcome json = Kestra({"--device", krd, "--json", "diff", file});
    const auto differences = nlohmann::json::parse(json.out)["differences"];
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0]["name"], "Reader Settings / [0x51] Async Parameter / Baud");
    EXPECT_EQ(differences[0]["to"], "0x07: 38400");
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
    // not taken for a reader at address 2.
    ASSERT_EQ(sims[0]->Control("fault late=600"), "ok");
    const Outcome late =
        Kestra({"--device", pty, "--timeout", "400", "scan", "--addresses", "1-2"});
    EXPECT_EQ(late.out, "");
}

TEST_F(KestraCli, ScanDrawsItsProgressOnATerminal) {
    const std::string pty = StartSim({"--model", "KRA"});
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, terminal, 1);
    posix_spawn_file_actions_adddup2(&actions, terminal, 2);
    std::vector<std::string> args{KESTRA_PATH, "--device", pty,           "--timeout",
                                  "50",        "scan",     "--addresses", "0-3"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, KESTRA_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(terminal);
    std::string shown;
    char buffer[256];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) {
        shown.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(master);
    EXPECT_NE(shown.find("s left"), std::string::npos) << shown;
    EXPECT_NE(shown.find("KRA"), std::string::npos) << shown;
}

TEST(KestraScanAddresses, ListsAndRangesWithinTheBus) {
    EXPECT_EQ(kestra_cli::ParseAddresses("5,1-3,2"), (std::vector<int>{1, 2, 3, 5}));
    EXPECT_EQ(kestra_cli::ParseAddresses("0-253").size(), 254u);
    for (const char* bad : {"254", "5-3", "x", "", "1,"}) {
        EXPECT_THROW(kestra_cli::ParseAddresses(bad), KestraError) << bad;
    }
}

} // namespace
