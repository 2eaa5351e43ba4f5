// Ports behind a device server on the loopback: what the server does wrong or stops doing, and
// what the port makes of it. Every wait is bounded; nothing sleeps for a result to come true.
#include "PortPara.h"
#include "PtyPeer.h"
#include "SocketPeer.h"
#include "WaitUntil.h"
#include "sorn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <net/if.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

namespace {

using namespace std::chrono;
using Bytes = std::vector<unsigned char>;

const Bytes kRequest = {0x04, 0x00, 0x65, 0x61};

std::string Cmd(int handle, const char* command, const char* in = "") {
    char value[16] = {};
    std::snprintf(value, sizeof value, "%s", in);
    SORN_DoPortCmd(handle, command, value);
    return value;
}

// Maps port `number` to `entry` and opens it, with a block time-out for a busy machine.
int OpenAt(PortMapFile& map, int number, const std::string& entry) {
    map.Map(number, entry);
    const int handle = SORN_OpenPort(std::to_string(number).c_str());
    if (handle > 0) {
        SORN_SetPortPara(handle, "timeout", "3000");
    }
    return handle;
}

int Exchange(int handle, Bytes& answer) {
    answer.assign(256, 0);
    const int n = SORN_Transceive(handle, kRequest.data(), 4, answer.data(), 256);
    answer.resize(n > 0 ? n : 0);
    return n;
}

// A loopback port nothing listens at (connections are refused), held while it lives.
class RefusingPort {
public:
    RefusingPort() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = LoopbackAddress(0);
        socklen_t length = sizeof address;
        bind(fd_, reinterpret_cast<sockaddr*>(&address), length);
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { close(fd_); }
    unsigned Port() const { return port_; }

protected:
    int fd_ = -1;
    unsigned port_ = 0;
};

// A host that takes no new connection: its accept queue is full, so the handshake never
// completes. `port` 0 takes a free one.
class SilentHost : public RefusingPort {
public:
    explicit SilentHost(unsigned port = 0) {
        if (port != 0) {
            close(fd_);
            fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const int one = 1;
            setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            const sockaddr_in address = LoopbackAddress(port);
            bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
            port_ = port;
        }
        listen(fd_, 0);
        filler_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = LoopbackAddress(port_);
        connect(filler_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    }
    ~SilentHost() { close(filler_); }

private:
    int filler_ = -1;
};

// Processor time of the whole process so far.
milliseconds ProcessorTime() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return duration_cast<milliseconds>(
        seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec));
}

// A connect to the loopback `port` that waits for its handshake.
bool ConnectPendingTo(unsigned port) {
    std::ifstream tcp("/proc/net/tcp");
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    for (std::string line; std::getline(tcp, line);) {
        // local address, remote address, state (02: SYN_SENT)
        const auto remote = line.find(' ', line.find(':') + 2) + 1;
        if (line.compare(remote + 8, 5, wanted) == 0 && line.compare(remote + 14, 2, "02") == 0) {
            return true;
        }
    }
    return false;
}

TEST(SornNetworkTest, OpenFailuresHaveTheirOwnCodesWithinTheTimeOut) {
    PortMapFile map;
    RefusingPort refusing;
    SilentHost silent;
    map.Map(60, "rfc2217://127.0.0.1:" + std::to_string(refusing.Port()));
    map.Map(61, "tcp://127.0.0.1:" + std::to_string(silent.Port()));
    map.Map(62, "rfc2217://127.0.0.1:0");
    map.Map(63, "rfc2217://127.0.0.1");
    // Present without connecting when well-formed.
    EXPECT_EQ(SORN_DetectPort(60), 0);
    EXPECT_EQ(SORN_DetectPort(62), -1003);

    auto start = steady_clock::now();
    EXPECT_EQ(SORN_OpenPort("60"), -1043);
    EXPECT_LT(steady_clock::now() - start, milliseconds(800));
    start = steady_clock::now();
    EXPECT_EQ(SORN_OpenPort("61"), -1044);
    const auto took = steady_clock::now() - start;
    EXPECT_GE(took, milliseconds(790));
    EXPECT_LT(took, milliseconds(3000)) << "the block time-out a port opens with is 800 ms";
    EXPECT_EQ(SORN_OpenPort("62"), -1047);
    EXPECT_EQ(SORN_OpenPort("63"), -1047);
}

TEST(SornNetworkTest, ServerThatIgnoresTelnetStillCarriesTheData) {
    PortMapFile map;
    SocketPeer raw(SocketPeer::Mode::Raw);
    map.Map(64, "rfc2217://127.0.0.1:" + std::to_string(raw.Port()));
    const auto start = steady_clock::now();
    const int handle = SORN_OpenPort("64");
    ASSERT_GT(handle, 0);
    EXPECT_LT(steady_clock::now() - start, milliseconds(3000));
    EXPECT_EQ(Para(handle, "Kind"), "rfc2217");
    EXPECT_EQ(Para(handle, "LineControl"), "0");
    EXPECT_EQ(Para(handle, "LineBaud"), "0");
    // Not waited for again: later settings return at once.
    const auto set = steady_clock::now();
    EXPECT_EQ(SORN_SetPortPara(handle, "baud", "19200"), 0);
    EXPECT_LT(steady_clock::now() - set, milliseconds(400));
    EXPECT_EQ(SORN_SetPortPara(handle, "timeout", "3000"), 0);

    std::thread server([&] {
        // The opening requests come before the request; the answer goes back raw.
        ASSERT_TRUE(WaitUntil([&] {
            const Bytes wire = raw.Wire();
            return wire.size() >= 4 && Bytes(wire.end() - 4, wire.end()) == kRequest;
        }));
        raw.Write({0x05, 0x00, 0x65, 0x00, 0x60});
    });
    Bytes answer;
    EXPECT_EQ(Exchange(handle, answer), 5);
    server.join();
    SORN_ClosePort(handle);
}

TEST(SornNetworkTest, TelnetAmidAnAnswerFrameLeavesTheFrameWhole) {
    PortMapFile map;
    SocketPeer peer(SocketPeer::Mode::Rfc2217);
    const int handle = OpenAt(map, 65, peer.MapEntry());
    ASSERT_GT(handle, 0);
    EXPECT_EQ(Para(handle, "LineControl"), "1");
    EXPECT_EQ(Para(handle, "LineBaud"), "9600");
    EXPECT_EQ(Para(handle, "LineFrame"), "8E1");

    // The answer 05 00 65 9F FF (its checksum is FF, doubled), cut by a NOP, an option request
    // nobody knows, sent again and again, and a modem-state notification (CTS and DSR on).
    Bytes wire = {0x05, 0x00, 0xFF, 0xF1, 0x65};
    for (int storm = 0; storm < 50; ++storm) {
        wire.insert(wire.end(), {0xFF, 0xFB, 0x63});
    }
    wire.insert(wire.end(), {0xFF, 0xFA, 0x2C, 0x6B, 0x30, 0xFF, 0xF0, 0x9F, 0xFF, 0xFF});
    std::thread server([&] {
        EXPECT_EQ(peer.Read(4), kRequest);
        peer.WriteRaw(wire);
    });
    Bytes answer;
    EXPECT_EQ(Exchange(handle, answer), 5);
    server.join();
    EXPECT_EQ(answer, (Bytes{0x05, 0x00, 0x65, 0x9F, 0xFF}));
    EXPECT_EQ(Cmd(handle, "GetCTS"), "ON");
    EXPECT_EQ(Cmd(handle, "GetDSR"), "ON");
    // The unknown option was refused, once.
    const Bytes dont = {0xFF, 0xFE, 0x63};
    auto refusals = [&] {
        const Bytes sent = peer.Wire();
        int count = 0;
        for (auto at = sent.begin();
             (at = std::search(at, sent.end(), dont.begin(), dont.end())) != sent.end(); ++at) {
            ++count;
        }
        return count;
    };
    ASSERT_TRUE(WaitUntil([&] { return refusals() > 0; }));
    EXPECT_EQ(refusals(), 1);
    SORN_ClosePort(handle);
}

TEST(SornNetworkTest, LostConnectionComesBackInTheSameHandleOnceWithoutSpinning) {
    PortMapFile map;
    SocketPeer peer(SocketPeer::Mode::Rfc2217);
    const int handle = OpenAt(map, 66, peer.MapEntry());
    ASSERT_GT(handle, 0);
    ASSERT_EQ(SORN_SetPortPara(handle, "baud", "19200"), 0);
    EXPECT_EQ(peer.AskServer([](kestra::Rfc2217Server& s) { return s.Baud(); }), 19200u);

    // The server closes the connection in the middle of the answer.
    std::thread server([&] {
        EXPECT_EQ(peer.Read(4), kRequest);
        peer.Write({0x05, 0x00, 0x65});
        peer.EndConnection();
    });
    Bytes answer;
    const auto start = steady_clock::now();
    const int n = Exchange(handle, answer);
    server.join();
    EXPECT_TRUE(n == 3 || n == -1040) << n;
    EXPECT_LT(steady_clock::now() - start, milliseconds(3000));
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "Connected") == "0"; }));
    EXPECT_EQ(Para(handle, "LostReason"), "-1045");

    // While the server is away, attempts are refused and a receive loop idles.
    peer.Close();
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        unsigned char buffer[64];
        while (!stop) {
            SORN_Receive(handle, buffer, sizeof buffer);
        }
    });
    const auto cpu = ProcessorTime();
    const auto wall = steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "LostReason") == "-1043"; }));
    ASSERT_TRUE(WaitUntil([&] { return steady_clock::now() - wall > milliseconds(1500); }));
    const auto used = ProcessorTime() - cpu;
    EXPECT_LT(used, duration_cast<milliseconds>(steady_clock::now() - wall) / 4)
        << "processor time while the server was away";

    peer.ListenAgain();
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "Connected") == "1"; }));
    stop = true;
    receiver.join();
    EXPECT_EQ(Para(handle, "Losses"), "1");
    EXPECT_EQ(SORN_GetPortHnd("66"), handle);
    EXPECT_EQ(peer.AskServer([](kestra::Rfc2217Server& s) { return s.Baud(); }), 19200u);
    server = std::thread([&] {
        EXPECT_EQ(peer.Read(4), kRequest);
        peer.Write({0x05, 0x00, 0x65, 0x00, 0x60});
    });
    EXPECT_EQ(Exchange(handle, answer), 5);
    server.join();
    SORN_ClosePort(handle);
}

TEST(SornNetworkTest, SlowReconnectHoldsUpNoOtherPortAndEndsWithTheClose) {
    PortMapFile map;
    auto peer = std::make_unique<SocketPeer>(SocketPeer::Mode::Raw);
    const unsigned port = peer->Port();
    map.Map(67, peer->MapEntry());
    const int network = SORN_OpenPort("67");
    ASSERT_GT(network, 0);
    ASSERT_EQ(SORN_SetPortPara(network, "timeout", "60000"), 0);
    PtyPeer pty;
    map.Map(68, pty.SlavePath());
    const int terminal = SORN_OpenPort("68");
    ASSERT_GT(terminal, 0);

    // The server's host stops taking connections: an attempt waits up to a minute.
    peer.reset();
    SilentHost silent(port);
    ASSERT_TRUE(WaitUntil([&] { return Para(network, "Connected") == "0"; }));
    ASSERT_TRUE(WaitUntil([&] { return ConnectPendingTo(port); }));
    // Meanwhile the other port's device goes away, and that is seen as at any other time.
    pty.Close();
    ASSERT_TRUE(WaitUntil([&] { return Para(terminal, "Connected") == "0"; }, seconds(5)));
    const auto start = steady_clock::now();
    EXPECT_EQ(SORN_ClosePort(network), 0);
    EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
    SORN_ClosePort(terminal);
}

// Run by the test below in a child process of its own network: the server's host vanishes
// from it (the loopback goes down: nothing closes, nothing answers) and comes back.
TEST(SornNetworkTest, VanishedServerChild) {
    if (getenv("SORN_VANISH_CHILD") == nullptr) {
        GTEST_SKIP() << "runs only as the child of VanishedServerIsLostAndFoundAgain";
    }
    auto loopback = [](bool up) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::snprintf(request.ifr_name, sizeof request.ifr_name, "lo");
        ioctl(fd, SIOCGIFFLAGS, &request);
        request.ifr_flags =
            static_cast<short>(up ? request.ifr_flags | IFF_UP : request.ifr_flags & ~IFF_UP);
        const bool done = ioctl(fd, SIOCSIFFLAGS, &request) == 0;
        close(fd);
        return done;
    };
    ASSERT_TRUE(loopback(true));
    PortMapFile map;
    SocketPeer peer(SocketPeer::Mode::Rfc2217);
    map.Map(69, peer.MapEntry());
    const int handle = SORN_OpenPort("69");
    ASSERT_GT(handle, 0);
    ASSERT_TRUE(loopback(false));
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "Connected") == "0"; }, seconds(30)));
    EXPECT_EQ(Para(handle, "LostReason"), "-1046");
    // Back, after a restart that ended the server's side of the old connection.
    ASSERT_TRUE(loopback(true));
    peer.EndConnection();
    ASSERT_TRUE(WaitUntil([&] { return Para(handle, "Connected") == "1"; }, seconds(30)));
    EXPECT_EQ(Para(handle, "Losses"), "1");
    SORN_ClosePort(handle);
}

TEST(SornNetworkTest, VanishedServerIsLostAndFoundAgain) {
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        environment.push_back(*variable);
    }
    char marker[] = "SORN_VANISH_CHILD=1";
    environment.push_back(marker);
    environment.push_back(nullptr);
    // The child is root in a user namespace of its own, so it keeps its rights over its
    // network across the exec.
    const std::string users = "0 " + std::to_string(getuid()) + " 1";
    const std::string groups = "0 " + std::to_string(getgid()) + " 1";
    auto write = [](const char* file, const std::string& text) {
        const int fd = open(file, O_WRONLY | O_CLOEXEC);
        const bool done =
            fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (fd >= 0) {
            close(fd);
        }
        return done;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Only async-signal-safe calls until exec. A network of its own needs a process of one
        // thread, which the forked child is.
        if (unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0 || !write("/proc/self/setgroups", "deny") ||
            !write("/proc/self/uid_map", users) || !write("/proc/self/gid_map", groups)) {
            _exit(77);
        }
        char self[] = "/proc/self/exe";
        char filter[] = "--gtest_filter=SornNetworkTest.VanishedServerChild";
        char* argv[] = {self, filter, nullptr};
        execve(self, argv, environment.data());
        _exit(91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no network namespace of our own here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
