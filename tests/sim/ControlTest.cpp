#include "kestra/ControlChannel.h"
#include "kestra/Fault.h"
#include "kestra/Options.h"
#include "kestra/PortMap.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace kestra;
using namespace std::chrono_literals;

namespace {

const Bytes kOk65 = {0x05, 0x00, 0x65, 0x00, 0x60};

Bytes Apply(std::string_view name, const Bytes& answer = kOk65) {
    auto fault = ParseFault(name);
    EXPECT_TRUE(fault) << name;
    return fault ? ApplyFault(*fault, answer) : Bytes{};
}

} // namespace

TEST(SimFault, EachFaultSpoilsTheAnswerItsWay) {
    EXPECT_EQ(Apply("silent"), Bytes{});
    EXPECT_EQ(Apply("checksum"), (Bytes{0x05, 0x00, 0x65, 0x00, 0x9F}));
    EXPECT_EQ(Apply("busaddr"), (Bytes{0x05, 0x01, 0x65, 0x00, 0x61}));
    EXPECT_EQ(Apply("command"), (Bytes{0x05, 0x00, 0xE5, 0x00, 0xE0}));
    EXPECT_EQ(Apply("short"), (Bytes{0x05, 0x00, 0x65, 0x00}));
    EXPECT_EQ(Apply("late"), kOk65);
    EXPECT_EQ(Apply("status=13", {0x06, 0x00, 0x74, 0x00, 0x05, 0x75}),
              (Bytes{0x05, 0x00, 0x74, 0x13, 0x62}));
    EXPECT_EQ(ParseFault("late=250")->delay, 250ms);
    for (const char* bad : {"status=1", "status=XYZ", "status=", "late=x", "loud", ""}) {
        EXPECT_FALSE(ParseFault(bad)) << bad;
    }
}

TEST(SimFault, BusSpoilsTheNextCountAnswersOnly) {
    Bus bus;
    bus.AddReader(Reader(Model::KRA, 0, 9600));
    bus.SetFault(*ParseFault("late=300"), 2);
    Bytes request = {0x04, 0x00, 0x65, 0x61};
    TimePoint t0{};
    EXPECT_EQ(bus.OnFrame(request, t0, 9600)->at, t0 + 300ms);
    EXPECT_EQ(bus.OnFrame(request, t0, 9600)->at, t0 + 300ms);
    EXPECT_EQ(bus.OnFrame(request, t0, 9600)->at, t0);
    bus.SetFault(*ParseFault("silent"), 1);
    EXPECT_FALSE(bus.OnFrame(request, t0, 9600));
    EXPECT_TRUE(bus.OnFrame(request, t0, 9600));
}

TEST(SimControl, LinesAreAnsweredWithOkOrError) {
    Bus bus;
    bus.AddReader(Reader(Model::KRA, 0, 9600));
    bus.AddReader(Reader(Model::KRB, 7, 9600));
    ControlChannel control(bus);
    TimePoint t0{};
    EXPECT_EQ(control.Execute("tag TTB 0102030405", t0), "ok\n");
    EXPECT_EQ(control.Execute("  tag none 7 ", t0), "ok\n");
    EXPECT_EQ(bus.OnFrame(BuildRequest(0, 0x11, {}), t0, 9600)->bytes[3], 0x00);
    EXPECT_EQ(bus.OnFrame(BuildRequest(7, 0x11, {}), t0, 9600)->bytes[3], 0x01);
    EXPECT_EQ(control.Execute("fault status=3F 2", t0), "ok\n");
    EXPECT_EQ(bus.FaultsLeft(), 2u);
    EXPECT_EQ(control.Execute("fault none", t0), "ok\n");
    EXPECT_EQ(bus.FaultsLeft(), 0u);
    EXPECT_EQ(control.Execute("input 3 7", t0), "ok\n");
    EXPECT_EQ(bus.OnFrame(BuildRequest(7, 0x74, {}), t0, 9600)->bytes[4], 0x03);
    EXPECT_EQ(control.Execute("", t0), "");
    EXPECT_EQ(control.Execute("# comment", t0), "");

    std::string state = control.Execute("state 7", t0);
    EXPECT_EQ(state.substr(0, 56), "block 0: 00 01 00 14 00 01 01 05 07 00 C8 00 C8 00 00 00");
    EXPECT_TRUE(state.ends_with("\nok\n"));

    for (const char* bad :
         {"tag TTE 0102030405", "tag TTA 01020304", "tag TTA 01020304ZZ", "tag TTA", "tag none 9",
          "fault", "fault silent 0", "fault boom", "state 3", "input 8", "launch"}) {
        EXPECT_TRUE(control.Execute(bad, t0).starts_with("error: ")) << bad;
    }
}

TEST(SimControl, MemoryShowsWhatTheHostWrote) {
    Bus bus;
    bus.AddReader(Reader(Model::KRD, 0, 9600));
    ControlChannel control(bus);
    TimePoint t0{};
    EXPECT_EQ(control.Execute("memory id", t0), "error: no transponder in the field\n");
    EXPECT_EQ(control.Execute("tag TTD 0102030405", t0), "ok\n");
    bus.OnFrame(BuildRequest(0, 0x14, {99, 1, 2, 3, 4, 5, 6, 7, 8}), t0, 9600);
    bus.OnFrame(BuildRequest(0, 0x12, {12, 0xAB, 0xC0}), t0, 9600);
    EXPECT_EQ(control.Execute("memory public 99 3", t0),
              "block 99: 01 02 03 04\nblock 100: 05 06 07 08\nblock 101: 00 00 00 00\nok\n");
    EXPECT_EQ(control.Execute("memory id 0", t0), "id 12: AB C0\nok\n");
    for (const char* bad : {"memory public 126 3", "memory config 0 0", "memory rom 0 1",
                            "memory secret 0", "memory id 5", "memory public 0 1 0 0"}) {
        EXPECT_TRUE(control.Execute(bad, t0).starts_with("error: ")) << bad;
    }
}

TEST(SimOptions, ReadersBaudAndLine) {
    std::string error;
    auto plain = ParseOptions({}, error);
    ASSERT_TRUE(plain);
    ASSERT_EQ(plain->readers.size(), 1u);
    EXPECT_EQ(plain->readers[0].model, Model::KRA);
    EXPECT_EQ(plain->baud, 9600u);

    auto bus = ParseOptions({"--reader", "KRB:3", "--reader", "krd:4", "--baud", "38400", "--wire",
                             "--link", "/tmp/x", "--map-port", "7"},
                            error);
    ASSERT_TRUE(bus);
    ASSERT_EQ(bus->readers.size(), 2u);
    EXPECT_EQ(bus->readers[1].model, Model::KRD);
    EXPECT_EQ(bus->readers[1].address, 4);
    EXPECT_TRUE(bus->wire);
    EXPECT_EQ(bus->mapPort, 7);

    auto tagged = ParseOptions({"--tag", "ttc:0A0b0C0d0E", "--control", "/tmp/s"}, error);
    ASSERT_TRUE(tagged);
    EXPECT_EQ(tagged->tag->type, TransponderType::TTC);
    EXPECT_EQ(tagged->tag->serial, (SerialNumber{0x0A, 0x0B, 0x0C, 0x0D, 0x0E}));
    EXPECT_EQ(tagged->control, "/tmp/s");
    auto send = ParseOptions({"--send", "/tmp/s", "tag", "none", "--wire"}, error);
    ASSERT_TRUE(send);
    EXPECT_EQ(send->sendPath, "/tmp/s");
    EXPECT_EQ(send->sendLine, "tag none --wire");

    auto listen = ParseOptions({"--listen", "rfc2217:4001"}, error);
    ASSERT_TRUE(listen && listen->listen);
    EXPECT_EQ(listen->listen->Url(), "rfc2217://127.0.0.1:4001");
    EXPECT_EQ(ParseOptions({"--listen", "tcp:[::1]:0"}, error)->listen->Url(), "tcp://[::1]:0");

    const std::vector<std::vector<std::string>> bad = {{"--baud", "57600"},
                                                       {"--listen", "udp:4001"},
                                                       {"--listen", "tcp"},
                                                       {"--listen", "tcp:70000"},
                                                       {"--listen", "tcp:1", "--link", "a"},
                                                       {"--model", "KRX"},
                                                       {"--address", "254"},
                                                       {"--reader", "KRA:1", "--reader", "KRB:1"},
                                                       {"--reader", "KRA"},
                                                       {"--map-port", "0"},
                                                       {"--link", "a", "--device", "b"},
                                                       {"--link"},
                                                       {"--tag", "TTD"},
                                                       {"--tag", "TTE:0102030405"},
                                                       {"--tag", "TTA:01020304"},
                                                       {"--send", "/tmp/s"},
                                                       {"stray"}};
    for (const auto& args : bad) {
        EXPECT_FALSE(ParseOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

class SimPortMap : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            std::filesystem::temp_directory_path() / ("kestra-portmap-" + std::to_string(getpid()));
        std::filesystem::remove_all(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    static std::string Slurp(const std::filesystem::path& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::filesystem::path dir;
};

TEST_F(SimPortMap, ReplacesTheLineForTheNumberAndKeepsTheRest) {
    std::filesystem::create_directories(dir);
    auto file = dir / "ports";
    std::ofstream(file) << "# my ports\n3=/dev/old\n 13 = /dev/ttyUSB9\n3=/dev/older\n";
    std::string error;
    ASSERT_TRUE(UpdatePortMap(file.string(), 3, "/dev/pts/7", error)) << error;
    EXPECT_EQ(Slurp(file), "# my ports\n3=/dev/pts/7\n 13 = /dev/ttyUSB9\n");
    ASSERT_TRUE(UpdatePortMap(file.string(), 1, "/dev/pts/8", error)) << error;
    EXPECT_EQ(Slurp(file), "# my ports\n3=/dev/pts/7\n 13 = /dev/ttyUSB9\n1=/dev/pts/8\n");

    auto nested = dir / "a" / "b" / "ports";
    ASSERT_TRUE(UpdatePortMap(nested.string(), 256, "/dev/pts/9", error)) << error;
    EXPECT_EQ(Slurp(nested), "256=/dev/pts/9\n");
    EXPECT_FALSE(UpdatePortMap(nested.string(), 257, "/dev/x", error));
}
