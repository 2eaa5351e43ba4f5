// kestra site against several kestra-sim buses, one per pseudo-terminal or network listener: a
// site scanned, edited, written, compared and read; its progress on a terminal; a bus lost in
// the middle of a write; a reader of another model; site files that cannot be right.

#include "KestraRelay.h"
#include "KestraRun.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

namespace {

using namespace kestratest;
using nlohmann::json;

class KestraSite : public KestraCli {
protected:
    std::string Site() const { return (dir / "site.json").string(); }

    // Scans `addresses` of `ptys` into the site file; the site file as written. Each absent
    // address is given a generous silence: on a loaded machine a pty answer can be late.
    json ScanSite(const std::vector<std::string>& ptys, const std::string& addresses) {
        std::vector<std::string> args = {"--timeout", "500", "site", "scan"};
        args.insert(args.end(), ptys.begin(), ptys.end());
        args.insert(args.end(), {"--addresses", addresses, "-o", Site()});
        const Outcome run = Kestra(args);
        EXPECT_EQ(run.exit, 0) << run.out << run.err;
        return json::parse(ReadAll(Site()));
    }

    void WriteSite(const json& site) { std::ofstream(Site()) << site.dump(2); }

    // Sets byte `index` of blocks 0 to 2 in the reader file `name` of the site.
    void EditFile(const std::string& name, int index, char value) {
        std::string bytes = ReadAll(dir / name);
        bytes[ConfigAt(bytes) + static_cast<std::size_t>(index)] = value;
        std::ofstream(dir / name, std::ios::binary) << bytes;
    }

    static constexpr int kPowerSaveMode = 13;
    static constexpr int kBusAddress = 8;
};

TEST_F(KestraSite, AScannedSiteEditedIsWrittenAndThenComparesEqual) {
    const std::string hall = StartSim({"--reader", "KRD:0", "--reader", "KRB:1"});
    // The gate's bus is behind a device server.
    const std::string gate = StartSim({"--listen", "rfc2217:0", "--reader", "KRC:1"});
    ASSERT_EQ(gate.rfind("rfc2217://127.0.0.1:", 0), 0u) << gate;
    // The hall by a number of the user's port map, the gate by its address.
    std::ofstream(dir / "ports") << "5=" << hall << "\n";
    setenv("SORN_PORTS", (dir / "ports").c_str(), 1);
    const json site = ScanSite({"5", gate}, "0-1");
    ASSERT_EQ(site["buses"].size(), 2u);
    EXPECT_EQ(site["buses"][0]["port"], 5);
    EXPECT_EQ(site["buses"][1]["port"], gate);
    std::vector<std::string> found;
    for (const auto& bus : site["buses"]) {
        for (const auto& reader : bus["readers"]) {
            found.push_back(reader["name"].get<std::string>() + " " +
                            reader["model"].get<std::string>());
            EXPECT_TRUE(fs::is_regular_file(dir / reader["file"].get<std::string>()));
        }
    }
    EXPECT_EQ(found, (std::vector<std::string>{"bus1-0 KRD", "bus1-1 KRB", "bus2-1 KRC"}));

    EditFile("bus1-1.rdr", kPowerSaveMode, 0x02);
    const Outcome before = Kestra({"site", "check", Site()});
    EXPECT_EQ(before.exit, 1);
    EXPECT_NE(before.out.find("bus1-1  KRB    differs"), std::string::npos) << before.out;
    EXPECT_NE(before.out.find("[0x67] Power Save Mode"), std::string::npos) << before.out;

    const Outcome apply = Kestra({"site", "apply", Site(), "--verify"});
    EXPECT_EQ(apply.exit, 0) << apply.out << apply.err;
    const Outcome after = Kestra({"--json", "site", "check", Site()});
    EXPECT_EQ(after.exit, 0) << after.out;
    const json checked = json::parse(after.out);
    for (const auto& reader : checked["readers"]) {
        EXPECT_EQ(reader["result"], "equal") << reader;
    }
    EXPECT_EQ(StateByte(sims[0]->Control("state 1"), kPowerSaveMode), "02");
    EXPECT_EQ(StateByte(sims[0]->Control("state 0"), kPowerSaveMode), "00");

    // Input 1 and the sabotage input of the gate reader.
    ASSERT_EQ(sims[1]->Control("input 5 1"), "ok");
    const Outcome status = Kestra({"--json", "site", "status", Site()});
    unsetenv("SORN_PORTS");
    EXPECT_EQ(status.exit, 0) << status.out;
    const json gateReader = json::parse(status.out)["readers"][2];
    EXPECT_EQ(gateReader["inputs"],
              json({{"input1", true}, {"input2", false}, {"sabotage", true}}));
    EXPECT_EQ(gateReader["software_version"], "03-01");
}

TEST_F(KestraSite, EachBusHasAProgressLineOnATerminal) {
    const std::string hall = StartSim({"--reader", "KRA:0"});
    const std::string gate = StartSim({"--reader", "KRA:0"});
    ScanSite({hall, gate}, "0");
    const std::string shown = OnTerminal({"--timeout", "5000", "site", "status", Site()});
    // Both lines are drawn, then the cursor goes back over them to redraw them in place.
    for (const std::string& line : {"bus1  " + hall, "bus2  " + gate}) {
        EXPECT_NE(shown.find("\r\033[K" + line), std::string::npos) << shown;
    }
    EXPECT_NE(shown.find("\033[2A"), std::string::npos) << shown;
    EXPECT_NE(shown.find("bus2        0  bus2-0  KRA"), std::string::npos) << shown;
}

TEST_F(KestraSite, ABusLostMidApplyStopsThatBusAndNoOther) {
    const std::string hall =
        StartSim({"--reader", "KRD:0", "--reader", "KRB:1", "--reader", "KRA:2"});
    const std::string gate = StartSim({"--reader", "KRC:0"});
    json site = ScanSite({hall, gate}, "0-2");
    Relay line(hall);
    // Three models asked, the 21 commands of the first reader, five of the second.
    line.CutAfter(3 + 21 + 5);
    line.Run();
    site["buses"][0]["port"] = line.Path();
    WriteSite(site);

    // The lost line is silence: a time-out that is generous still, and no longer.
    const Outcome run = Kestra({"--timeout", "1000", "--json", "site", "apply", Site()});
    EXPECT_EQ(run.exit, 3);
    const json readers = json::parse(run.out)["readers"];
    ASSERT_EQ(readers.size(), 4u) << run.out;
    EXPECT_EQ(readers[0]["result"], "written");
    EXPECT_EQ(readers[1]["result"], "FAILED");
    EXPECT_EQ(readers[1]["exit_code"], 3);
    std::vector<std::string> results;
    for (const auto& command : readers[1]["write"]["commands"]) {
        results.push_back(command["result"]);
    }
    ASSERT_EQ(results.size(), 21u);
    EXPECT_EQ(std::count(results.begin(), results.end(), "sent"), 5);
    EXPECT_EQ(results[5], "failed");
    EXPECT_EQ(std::count(results.begin(), results.end(), "not sent"), 15);
    EXPECT_EQ(readers[2]["result"], "not reached");
    EXPECT_EQ(readers[2]["exit_code"], 3);
    EXPECT_EQ(readers[3]["name"], "bus2-0");
    EXPECT_EQ(readers[3]["result"], "written");
    EXPECT_EQ(readers[3]["exit_code"], 0);
}

TEST_F(KestraSite, AReaderOfAnotherModelRefusesTheSiteUnlessForced) {
    const std::string pty = StartSim({"--reader", "KRD:0"});
    json site = ScanSite({pty}, "0");
    site["buses"][0]["readers"][0]["model"] = "KRB";
    WriteSite(site);
    EditFile("bus1-0.rdr", kPowerSaveMode, 0x02);
    EditFile("bus1-0.rdr", kBusAddress, 0x09);
    const std::string factory = sims[0]->Control("state");

    const Outcome refused = Kestra({"site", "apply", Site()});
    EXPECT_EQ(refused.exit, 2);
    EXPECT_NE(refused.err.find("warning: bus1-0: its file bus1-0.rdr sets bus address 9; the "
                               "site file says 0"),
              std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("answers as KRD, the site file says KRB; nothing was written"),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(sims[0]->Control("state"), factory);

    EXPECT_EQ(Kestra({"site", "apply", Site(), "--force"}).exit, 0);
    const std::string state = sims[0]->Control("state");
    EXPECT_EQ(StateByte(state, kPowerSaveMode), "02");
    EXPECT_EQ(StateByte(state, kBusAddress), "09");
}

TEST_F(KestraSite, SiteFilesThatCannotBeRightAreRefusedBeforeAnythingIsSent) {
    const std::string pty = StartSim({"--reader", "KRD:0"});
    const json site = ScanSite({pty}, "0");
    const std::string factory = sims[0]->Control("state");
    auto with = [&](const char* key, const json& value) {
        json changed = site;
        changed["buses"][0]["readers"][0][key] = value;
        return changed.dump();
    };
    json twice = site;
    twice["buses"][0]["readers"].push_back(site["buses"][0]["readers"][0]);
    twice["buses"][0]["readers"][1]["name"] = "again";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"{\"buses\": [", "not a site file: parse error at line 1, column 12"},
        {with("adress", 3), "buses[0].readers[0].adress: unknown key"},
        {with("address", 254), "buses[0].readers[0].address: 254 is not a whole number within "
                               "0..253"},
        {with("file", "missing.rdr"), "missing.rdr: no such file"},
        {twice.dump(), "buses[0].readers[1].address: 0 is given to two readers of the bus"},
    };
    for (const auto& [text, why] : refused) {
        std::ofstream(dir / "bad.json") << text;
        const Outcome run = Kestra({"site", "apply", (dir / "bad.json").string()});
        EXPECT_EQ(run.exit, 2) << text;
        EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
    }
    // A FIFO is not read (it would never end), and a site file is not scanned over.
    ASSERT_EQ(mkfifo((dir / "fifo.json").c_str(), 0600), 0);
    const Outcome fifo = Kestra({"site", "check", (dir / "fifo.json").string()});
    EXPECT_EQ(fifo.exit, 2);
    EXPECT_NE(fifo.err.find("fifo.json is a FIFO, not a regular file"), std::string::npos);
    EXPECT_EQ(Kestra({"site", "scan", pty, "-o", Site()}).exit, 2);
    EXPECT_EQ(json::parse(ReadAll(Site())), site);
    // A dry run opens no port.
    json gone = site;
    gone["buses"][0]["port"] = (dir / "gone").string();
    WriteSite(gone);
    const Outcome dry = Kestra({"site", "apply", Site(), "--dry-run"});
    EXPECT_EQ(dry.exit, 0) << dry.err;
    EXPECT_NE(dry.out.find("would send Password/Authentification / [0xA1]"), std::string::npos)
        << dry.out;
    EXPECT_EQ(sims[0]->Control("state"), factory);
}

} // namespace
