// Starts the kestra-sim program and talks to it as a host would, over its pseudo-terminal.

#include "SimProcess.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace simtest;
using kestra::Bytes;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

class SimProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kestra-sim-test-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST_F(SimProgram, LinksMapsServesAndCleansUp) {
    fs::path link = dir / "reader";
    fs::path ports = dir / "ports";
    std::ofstream(ports) << "# test map\n4=/dev/ttyS3\n";
    setenv("SORN_PORTS", ports.c_str(), 1);
    SimProcess sim({"--link", link.string(), "--map-port", "4"});
    unsetenv("SORN_PORTS");
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    EXPECT_EQ(fs::read_symlink(link).string(), slave);
    EXPECT_EQ(Slurp(ports), "# test map\n4=" + slave + "\n");

    HostPort host(link.string(), 9600);
    // KRA version: software type 03-01, revision 0, hardware type 0x20, types TTA and TTB.
    EXPECT_EQ(host.Exchange({0x04, 0x00, 0x65, 0x61}),
              (Bytes{0x0A, 0x00, 0x65, 0x00, 0x03, 0x01, 0x00, 0x20, 0x03, 0x4E}));

    // Ended by SIGTERM, it takes its line out of the port map again.
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(Slurp(ports), "# test map\n");
}

TEST_F(SimProgram, ControlLinesDriveTheReader) {
    SimProcess sim({"--model", "KRB", "--address", "3"});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);

    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x11, 0x16}), (Bytes{0x05, 0x03, 0x11, 0x01, 0x16}));
    EXPECT_EQ(sim.Control("tag TTC A1B2C3D4E5"), "ok");
    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x11, 0x16}),
              (Bytes{0x0B, 0x03, 0x11, 0x00, 0x02, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xFA}));
    EXPECT_EQ(sim.Control("tag none"), "ok");
    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x11, 0x16})[3], 0x01);

    // 0x40 with mode 0x05 changes byte 0 of block 0, as the state shows.
    EXPECT_EQ(host.Exchange({0x05, 0x03, 0x40, 0x05, 0x43}), (Bytes{0x05, 0x03, 0x40, 0x00, 0x46}));
    std::string state = sim.Control("state");
    EXPECT_TRUE(state.starts_with("block 0: 05 01 00 14 00 01 01 05 03")) << state;
    EXPECT_TRUE(state.ends_with("\nok")) << state;

    EXPECT_EQ(sim.Control("fault checksum 2"), "ok");
    // The KRB version answer from address 3 ends in 0x2A; both answers carry it inverted.
    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x65, 0x62}).back(), 0xD5);
    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x65, 0x62}).back(), 0xD5);
    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x65, 0x62}).back(), 0x2A);
    EXPECT_EQ(sim.Control("fault silent"), "ok");
    EXPECT_TRUE(host.Exchange({0x04, 0x03, 0x65, 0x62}, 150ms).empty());
    EXPECT_EQ(host.Exchange({0x04, 0x03, 0x74, 0x73}), (Bytes{0x06, 0x03, 0x74, 0x00, 0x00, 0x71}));

    EXPECT_TRUE(sim.Control("fault loud").starts_with("error: "));
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(SimProgram, ControlSocketTakesLinesAndSendPassesThem) {
    fs::path socket = dir / "control";
    SimProcess sim({"--model", "KRD", "--tag", "TTD:0102030405", "--control", socket.string()});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x11, {})),
              (Bytes{0x0B, 0x00, 0x11, 0x00, 0x03, 0x01, 0x02, 0x03, 0x04, 0x05, 0x18}));

    // The one-line client, as a script would call it.
    auto send = [&](const std::string& line) {
        SimProcess client({"--send", socket.string(), line});
        return client.Wait();
    };
    EXPECT_EQ(send("tag TTB A1A2A3A4A5"), 0);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x11, {}))[4], 0x01);
    EXPECT_EQ(send("tag TTX 0102030405"), 1);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x11, {}))[4], 0x01);
    // Standard input still works beside the socket.
    EXPECT_EQ(sim.Control("tag none"), "ok");
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x11, {}))[3], 0x01);

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(socket)));
    EXPECT_EQ(send("state"), 1);
}

TEST_F(SimProgram, AnswersOnlyAtItsBaudRate) {
    SimProcess sim({"--baud", "19200"});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);
    EXPECT_TRUE(host.Exchange({0x04, 0x00, 0x65, 0x61}, 200ms).empty());
    host.SetBaud(19200);
    EXPECT_EQ(host.Exchange({0x04, 0x00, 0x65, 0x61}).size(), 10u);
}

TEST_F(SimProgram, SeveralReadersShareTheBus) {
    SimProcess sim({"--reader", "KRA:1", "--reader", "KRD:2"});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);
    Bytes krd = host.Exchange(kestra::BuildRequest(2, 0x65, {}));
    ASSERT_EQ(krd.size(), 10u);
    EXPECT_EQ(krd[1], 2);
    EXPECT_EQ(krd[7], 0x50);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(1, 0x65, {}))[7], 0x20);
    EXPECT_TRUE(host.Exchange(kestra::BuildRequest(3, 0x65, {}), 150ms).empty());
    EXPECT_EQ(sim.Control("tag TTB 0000000001 2"), "ok");
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(1, 0x11, {}))[3], 0x01);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(2, 0x11, {}))[3], 0x00);
}

TEST_F(SimProgram, SendsAutoAnswerProtocolsUnasked) {
    SimProcess sim({});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);
    // Serial number in a frame, once per presence.
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x40, {0x11}))[3], 0x00);
    EXPECT_EQ(sim.Control("tag TTA 0102030405"), "ok");
    EXPECT_EQ(host.ReadFrame(2s),
              (Bytes{0x0B, 0x00, 0x11, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x1B}));
    EXPECT_TRUE(host.ReadFrame(300ms).empty());
}

TEST_F(SimProgram, BackedUpAutoAnswerLineNeitherDelaysControlNorStop) {
    SimProcess sim({});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);
    // 255 serial-number protocols a group, no gap, every 50 ms; the host never reads them.
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x41, {0xFF}))[3], 0x00);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x42, {0x00, 0x00}))[3], 0x00);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x60, {0x00, 0x0A}))[3], 0x00);
    EXPECT_EQ(host.Exchange(kestra::BuildRequest(0, 0x40, {0x01}))[3], 0x00);
    EXPECT_EQ(sim.Control("tag TTA 0102030405"), "ok");
    // Protocols the host does not take are dropped and counted.
    auto dropped = [&](std::chrono::milliseconds timeout) {
        const std::string state = sim.Control("state", timeout);
        const auto at = state.find("dropped ");
        return at == std::string::npos ? -1L : std::stol(state.substr(at + 8));
    };
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (dropped(5s) <= 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_GT(dropped(1s), 0) << "state within a second of asking";
    const auto stop = std::chrono::steady_clock::now();
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stop, 1s);
}

TEST_F(SimProgram, WireModeTakesTheLineTime) {
    SimProcess sim({"--wire", "--baud", "9600"});
    std::string slave = sim.WaitReady();
    ASSERT_FALSE(slave.empty());
    HostPort host(slave, 9600);
    auto start = std::chrono::steady_clock::now();
    Bytes answer = host.Exchange({0x04, 0x00, 0x65, 0x61});
    auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(answer.size(), 10u);
    // 14 characters of 11 bits (8E1) at 9600 baud.
    EXPECT_GE(took, std::chrono::microseconds(14 * 11 * 1'000'000 / 9600));
}

TEST_F(SimProgram, ServesASerialDeviceAndFollowsItsSpeed) {
    // A pty stands in for the device: the simulator opens its slave, the test is the master.
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    std::string device = ptsname(master);
    SimProcess sim({"--device", device, "--address", "6"});
    EXPECT_EQ(sim.WaitReady(), device);
    auto exchange = [master](const Bytes& request) {
        tcflush(master, TCIFLUSH);
        EXPECT_EQ(write(master, request.data(), request.size()), ssize_t(request.size()));
        Bytes answer;
        while (answer.empty() || answer.size() < answer[0]) {
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, 5000) <= 0) { // an answer is due
                break;
            }
            std::uint8_t byte = 0;
            if (read(master, &byte, 1) == 1) {
                answer.push_back(byte);
            }
        }
        return answer;
    };
    EXPECT_EQ(exchange(kestra::BuildRequest(6, 0x65, {})).size(), 10u);
    EXPECT_EQ(exchange(kestra::BuildRequest(6, 0x51, {0x86}))[3], 0x00); // 19200, no parity
    EXPECT_EQ(exchange(kestra::BuildRequest(6, 0x63, {}))[3], 0x00);
    // The line follows right after the answer has left.
    termios tio{};
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    do {
        ASSERT_EQ(tcgetattr(master, &tio), 0);
    } while (cfgetospeed(&tio) != B19200 && std::chrono::steady_clock::now() < deadline &&
             poll(nullptr, 0, 1) == 0);
    EXPECT_EQ(cfgetospeed(&tio), B19200);
    EXPECT_EQ(exchange(kestra::BuildRequest(6, 0x65, {})).size(), 10u);
    EXPECT_EQ(sim.Stop(), 0);
    close(master);
}

TEST_F(SimProgram, RefusesBadArgumentsAndForeignFiles) {
    SimProcess bad({"--model", "KRZ"});
    EXPECT_EQ(bad.Wait(), 2);
    fs::path file = dir / "precious";
    std::ofstream(file) << "keep me";
    SimProcess sim({"--link", file.string()});
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_EQ(Slurp(file), "keep me");
}
