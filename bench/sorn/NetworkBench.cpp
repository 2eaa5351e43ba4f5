// Exchanges with kestra-sim as a device server on the loopback: Velk's SoftVersion command
// (0x65) through a tcp:// and an rfc2217:// port against a plain socket loop that sends the
// same request to the same listener and reads the same answer. The simulator serves one host
// at a time, so each run connects anew (outside the time measured) and the runs of the
// benchmarks are interleaved; the closing note compares the medians of the runs' means.

#include "SimProcess.h"

#include "sorn.h"
#include "velk.h"

#include "BenchSupport.h"
#include "OwnPortList.h"
#include "SocketPeer.h"
#include <algorithm>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTcpPort = 216;
constexpr int kRfc2217Port = 217;
const unsigned char kRequest[] = {0x04, 0x00, 0x65, 0x61};
constexpr std::size_t kAnswerLength = 10;

std::map<std::string, std::vector<double>> g_runs;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A simulator listening at a free loopback port, mapped as `mapPort`; its port number.
unsigned Listener(const char* mode, int mapPort) {
    static std::map<int, std::pair<std::unique_ptr<simtest::SimProcess>, unsigned>> running;
    auto& [process, port] = running[mapPort];
    if (!process) {
        process = std::make_unique<simtest::SimProcess>(std::vector<std::string>{
            "--listen", std::string(mode) + ":0", "--map-port", std::to_string(mapPort)});
        const std::string url = process->WaitReady();
        port = url.empty() ? 0 : static_cast<unsigned>(std::stoul(url.substr(url.rfind(':') + 1)));
    }
    return port;
}

void Record(const std::string& name, Clock::duration spent, benchmark::IterationCount n) {
    if (n > 0) {
        g_runs[name].push_back(std::chrono::duration<double, std::micro>(spent).count() /
                               double(n));
    }
}

void RunVelk(benchmark::State& state, const char* mode, int mapPort) {
    Listener(mode, mapPort);
    const int port = SORN_OpenPort(std::to_string(mapPort).c_str());
    const int reader = port > 0 ? VELK_NewReader(port) : 0;
    if (reader <= 0) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    char version[16] = {};
    const auto start = Clock::now();
    for (auto _ : state) {
        if (VELK_0x65_SoftVersion(reader, 0, version, 1) != 0) {
            state.SkipWithError("exchange failed");
            break;
        }
    }
    Record(std::string("velk ") + mode, Clock::now() - start, state.iterations());
    VELK_DeleteReader(reader);
    SORN_ClosePort(port);
}

// The same exchange on a socket of its own: write the request, read until LEN bytes came.
void RunPlain(benchmark::State& state, const char* mode, int mapPort) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = LoopbackAddress(Listener(mode, mapPort));
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        state.SkipWithError("cannot connect");
        close(fd);
        return;
    }
    unsigned char answer[256];
    // The server's opening Telnet requests, if any, are not part of an exchange.
    for (pollfd pfd{fd, POLLIN, 0}; poll(&pfd, 1, 50) > 0 && read(fd, answer, sizeof answer) > 0;) {
    }
    const auto start = Clock::now();
    for (auto _ : state) {
        if (write(fd, kRequest, sizeof kRequest) != sizeof kRequest) {
            state.SkipWithError("write failed");
            break;
        }
        std::size_t got = 0;
        while (got < kAnswerLength) {
            const ssize_t n = read(fd, answer + got, sizeof answer - got);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        if (got != kAnswerLength) {
            state.SkipWithError("no answer");
            break;
        }
    }
    Record(std::string("plain ") + mode, Clock::now() - start, state.iterations());
    close(fd);
}

void BM_VelkTcp(benchmark::State& state) {
    RunVelk(state, "tcp", kTcpPort);
}
void BM_PlainTcp(benchmark::State& state) {
    RunPlain(state, "tcp", kTcpPort);
}
void BM_VelkRfc2217(benchmark::State& state) {
    RunVelk(state, "rfc2217", kRfc2217Port);
}
void BM_PlainRfc2217(benchmark::State& state) {
    RunPlain(state, "rfc2217", kRfc2217Port);
}

} // namespace

BENCHMARK(BM_VelkTcp)->Iterations(300)->Repetitions(60)->UseRealTime();
BENCHMARK(BM_PlainTcp)->Iterations(300)->Repetitions(60)->UseRealTime();
BENCHMARK(BM_VelkRfc2217)->Iterations(300)->Repetitions(60)->UseRealTime();
BENCHMARK(BM_PlainRfc2217)->Iterations(300)->Repetitions(60)->UseRealTime();

int main(int argc, char** argv) {
    const int cpu = benchsupport::PinToOneProcessor();
    const simtest::OwnPortList portList("sorn-network-bench");
    benchsupport::RunInterleaved(argc, argv);

    std::printf("\nClosing note (host and simulator on processor %d)\n", cpu);
    for (const auto& [mode, goal] : {std::pair{"tcp", 1.2}, std::pair{"rfc2217", 1.3}}) {
        const double velk = Median(g_runs[std::string("velk ") + mode]);
        const double plain = Median(g_runs[std::string("plain ") + mode]);
        if (velk > 0 && plain > 0) {
            std::printf("  %s://: Velk SoftVersion %.1f us, plain socket loop %.1f us: ratio "
                        "%.3f (goal <= %.2f)\n",
                        mode, velk, plain, velk / plain, goal);
        }
    }
    return 0;
}
