// write-config against kestra-sim: files that cannot be right are refused before anything is
// sent, the access lock goes out last, verify reads the bytes back, and a line lost in the
// middle of a write is reported command by command as the reader shows it.

#include "KestraRelay.h"
#include "KestraRun.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <sys/stat.h>

namespace {

using namespace kestratest;

// A frame with its XOR checksum appended.
Bytes WithChecksum(Bytes frame) {
    std::uint8_t sum = 0;
    for (std::uint8_t byte : frame) {
        sum ^= byte;
    }
    frame.push_back(sum);
    return frame;
}

class KestraWrite : public KestraCli {
protected:
    // A reader file read from a KRD whose protocol blocks (0x41, the second command written)
    // and power save mode (0x67, the eleventh) are not the factory's.
    std::string PreparedFile() {
        const std::string source = StartSim({"--model", "KRD"});
        EXPECT_EQ(Kestra({"--device", source, "send", "05 00 41 03", "--checksum"}).exit, 0);
        EXPECT_EQ(Kestra({"--device", source, "send", "05 00 67 02", "--checksum"}).exit, 0);
        const std::string file = (dir / "prepared.rdr").string();
        EXPECT_EQ(Kestra({"--device", source, "read-config", "-o", file}).exit, 0);
        return file;
    }
};

TEST_F(KestraWrite, FilesThatCannotBeRightAreRefusedBeforeAnythingIsSent) {
    const std::string pty = StartSim({"--model", "KRD"});
    const std::string factory = sims[0]->Control("state");
    const std::string good = (dir / "good.rdr").string();
    ASSERT_EQ(Kestra({"--device", pty, "read-config", "-o", good}).exit, 0);
    const std::string bytes = ReadAll(good);

    // The same file with the file type of a transponder file.
    std::string foreign = bytes;
    foreign.replace(3, 6, "TRP-02");
    std::ofstream(dir / "tag.rdr", std::ios::binary) << foreign;
    // The configuration image cut to its first 16 bytes.
    std::string cut = bytes;
    const std::size_t at = ConfigAt(bytes);
    cut[at - 2] = 16;
    cut[at - 1] = 0;
    cut.erase(at + 16, 1024 - 16);
    std::ofstream(dir / "cut.rdr", std::ios::binary) << cut;
    fs::create_directory(dir / "folder.rdr");

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"tag.rdr", "tag.rdr is a transponder file (TRP-02), not a reader configuration file"},
        {"cut.rdr", "the configuration image holds 16 of the 48 bytes of blocks 0 to 2: block 1 "
                    "byte 0 to block 2 byte 15 are missing"},
        {"folder.rdr", "folder.rdr is a directory"},
    };
    for (const auto& [name, why] : refused) {
        for (const char* option : {"--verify", "--dry-run"}) {
            const Outcome run =
                Kestra({"--device", pty, "write-config", (dir / name).string(), option});
            EXPECT_EQ(run.exit, 2) << name;
            EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
        }
        EXPECT_EQ(Kestra({"--device", pty, "diff", (dir / name).string()}).exit, 2) << name;
    }
    EXPECT_EQ(sims[0]->Control("state"), factory);

    // Nothing is read into a file that is not a regular file, and it stays as it was.
    ASSERT_EQ(mkfifo((dir / "fifo.rdr").c_str(), 0600), 0);
    const Outcome fifo =
        Kestra({"--device", pty, "read-config", "-o", (dir / "fifo.rdr").string()});
    EXPECT_EQ(fifo.exit, 2);
    EXPECT_NE(fifo.err.find("fifo.rdr is a FIFO, not a regular file"), std::string::npos)
        << fifo.err;
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.rdr"));
}

TEST_F(KestraWrite, TheLockGoesOutLastAndALockedReaderIsNamed) {
    std::string bytes = ReadAll(PreparedFile());
    const std::size_t at = ConfigAt(bytes);
    bytes[at + 32] = 0x01; // locked
    bytes[at + 33] = 0x13; // TTB mode
    bytes[at + 46] = 0x01; // autopassword
    const std::string file = (dir / "locked.rdr").string();
    std::ofstream(file, std::ios::binary) << bytes;
    const std::string pty = StartSim({"--model", "KRD"});
    const Outcome run = Kestra({"--device", pty, "write-config", file, "--verify"});
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("Reader Access\nnote:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("verified\nlocked: the reader refuses reads until a login"),
              std::string::npos)
        << run.out;
    // The reader the file was read from, with the three values set, and the TTD mode as the
    // program sends it.
    std::string expected = sims[0]->Control("state");
    for (const auto& [index, hex] : {std::pair{32, "01"}, {33, "13"}, {35, "01"}, {46, "01"}}) {
        expected.replace(static_cast<std::size_t>(StateAt(index)), 2, hex);
    }
    const std::string state = sims[1]->Control("state");
    EXPECT_EQ(state, expected);

    // Locked before the next write starts: nothing is written, and the login is named.
    const Outcome again = Kestra({"--device", pty, "write-config", file});
    EXPECT_EQ(again.exit, 1);
    EXPECT_NE(again.err.find("the reader is locked and nothing was written: log in with 'kestra "
                             "--device " +
                             pty + " login PASSWORD'"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(sims[1]->Control("state"), state);
}

TEST_F(KestraWrite, VerifyCatchesAByteChangedAfterTheWrite) {
    const std::string file = PreparedFile();
    const std::string pty = StartSim({"--model", "KRD"});
    Relay line(pty);
    // Protocol blocks 7, set between the last write and the first read-back.
    line.InjectBefore(0x62, WithChecksum({0x05, 0x00, 0x41, 0x07}));
    line.Run();
    const Outcome run = Kestra({"--device", line.Path(), "write-config", file, "--verify"});
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.out.find("verify: the reader holds other bytes than were sent:\nblock 0 byte 1 "
                           "([0x41] protocol blocks): 0x03 -> 0x07\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("verify: 1 bytes differ from what was sent"), std::string::npos)
        << run.err;
}

TEST_F(KestraWrite, ALineLostDuringTheWriteIsReportedAsTheReaderShowsIt) {
    const std::string file = PreparedFile();
    const std::string pty = StartSim({"--model", "KRD"});
    Relay line(pty);
    line.CutAfter(7);
    line.Run();
    const Outcome run = Kestra({"--device", line.Path(), "--json", "write-config", file});
    EXPECT_EQ(run.exit, 3);
    const auto json = nlohmann::json::parse(run.out);
    std::vector<std::string> results;
    for (const auto& command : json["commands"]) {
        results.push_back(command["result"]);
    }
    ASSERT_EQ(results.size(), 21u);
    EXPECT_EQ(std::count(results.begin(), results.begin() + 7, "sent"), 7);
    EXPECT_EQ(results[7], "failed");
    EXPECT_NE(
        json["commands"][7]["detail"].get<std::string>().find("it may have reached the reader"),
        std::string::npos);
    EXPECT_EQ(std::count(results.begin() + 8, results.end(), "not sent"), 13);
    EXPECT_EQ(json["commands"][1]["code"], 0x41);
    EXPECT_EQ(json["commands"][10]["code"], 0x67);
    EXPECT_EQ(json["resume"], "kestra --device " + line.Path() + " write-config " + file);
    // The reader holds the protocol blocks sent (3), not the power save mode never sent (2).
    const std::string state = sims[1]->Control("state");
    EXPECT_EQ(StateByte(state, 1), "03");
    EXPECT_EQ(StateByte(state, 13), "00");
}

} // namespace
