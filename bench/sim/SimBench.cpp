// Exchanges with kestra-sim over a pseudo-terminal: Velk's SoftVersion command against a plain
// termios loop sending the same request to the same simulator, and with --wire the mean
// exchange time against the time the bytes need on the line (the plain loop on the same wire
// shows what the machine itself adds).

#include "SimProcess.h"

#include "kestra/Frame.h"
#include "sorn.h"
#include "velk.h"

#include "BenchSupport.h"
#include "OwnPortList.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPlainPort = 211;
constexpr int kWirePort = 212;
// The version request and its answer: 4 + 10 characters of 11 bits (8E1).
const kestra::Bytes kRequest = {0x04, 0x00, 0x65, 0x61};
constexpr int kCharacters = 14;
constexpr int kBitsPerCharacter = 11;

// Mean time of one exchange in each run (repetition) of each benchmark, in microseconds. The
// repetitions of the benchmarks are interleaved, so a change in the machine's load hits the
// compared loops alike; the note compares the medians of the runs.
std::map<std::string, std::vector<double>> g_runs;
// The times of the single exchanges on the wire, in microseconds.
std::map<std::string, std::vector<double>> g_each;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Simulator {
    std::unique_ptr<simtest::SimProcess> process;
    std::string slave;
};

Simulator StartSim(std::vector<std::string> args, int mapPort) {
    args.insert(args.end(), {"--map-port", std::to_string(mapPort)});
    Simulator sim;
    sim.process = std::make_unique<simtest::SimProcess>(args);
    sim.slave = sim.process->WaitReady();
    return sim;
}

Simulator& PlainSim() {
    static Simulator sim = StartSim({}, kPlainPort);
    return sim;
}

void RecordMean(const std::string& name, Clock::duration spent, benchmark::IterationCount n) {
    if (n > 0) {
        g_runs[name].push_back(std::chrono::duration<double, std::micro>(spent).count() /
                               double(n));
    }
}

void RunVelk(benchmark::State& state, int portNumber, const std::string& name) {
    int port = SORN_OpenPort(std::to_string(portNumber).c_str());
    int reader = port > 0 ? VELK_NewReader(port) : 0;
    if (reader <= 0) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    if (state.range(0) != 0) {
        SORN_SetPortPara(port, "baud", std::to_string(state.range(0)).c_str());
    }
    char version[16] = {};
    std::vector<double> each;
    bool timeEach = state.range(0) != 0;
    auto start = Clock::now();
    for (auto _ : state) {
        auto begin = timeEach ? Clock::now() : Clock::time_point{};
        if (VELK_0x65_SoftVersion(reader, 0, version, 1) != 0) {
            state.SkipWithError("exchange failed");
            break;
        }
        if (timeEach) {
            each.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
        }
    }
    RecordMean(name, Clock::now() - start, state.iterations());
    g_each[name].insert(g_each[name].end(), each.begin(), each.end());
    state.SetItemsProcessed(state.iterations());
    VELK_DeleteReader(reader);
    SORN_ClosePort(port);
}

void BM_VelkSoftVersion(benchmark::State& state) {
    PlainSim();
    RunVelk(state, kPlainPort, "velk");
}

// The same exchange without any library: write the request, read until LEN bytes came.
void RunTermios(benchmark::State& state, const std::string& path, unsigned baud,
                const std::string& name, bool timeEach) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD | PARENB;
    speed_t speed = baud == 38400 ? B38400 : B9600;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tcsetattr(fd, TCSANOW, &tio);
    unsigned char answer[256];
    std::vector<double> each;
    auto start = Clock::now();
    for (auto _ : state) {
        auto begin = timeEach ? Clock::now() : Clock::time_point{};
        tcflush(fd, TCIFLUSH);
        if (write(fd, kRequest.data(), kRequest.size()) != 4) {
            state.SkipWithError("write failed");
            break;
        }
        std::size_t got = 0;
        while (got == 0 || got < answer[0]) {
            pollfd pfd{fd, POLLIN, 0};
            if (poll(&pfd, 1, 1000) <= 0) {
                break;
            }
            ssize_t n = read(fd, answer + got, sizeof answer - got);
            got += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        if (got != 10) {
            state.SkipWithError("no answer");
            break;
        }
        if (timeEach) {
            each.push_back(std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
        }
    }
    RecordMean(name, Clock::now() - start, state.iterations());
    g_each[name].insert(g_each[name].end(), each.begin(), each.end());
    state.SetItemsProcessed(state.iterations());
    close(fd);
}

void BM_TermiosSoftVersion(benchmark::State& state) {
    RunTermios(state, PlainSim().slave, 9600, "termios", false);
}

// Starts a simulator with --wire at the benchmark's baud rate; the loop gets its slave path.
template <typename Loop> void OnWire(benchmark::State& state, Loop loop) {
    auto baud = static_cast<unsigned>(state.range(0));
    Simulator sim = StartSim({"--wire", "--baud", std::to_string(baud)}, kWirePort);
    if (sim.slave.empty()) {
        state.SkipWithError("simulator did not start");
        return;
    }
    loop(sim.slave, baud);
}

void BM_VelkSoftVersionOnWire(benchmark::State& state) {
    OnWire(state, [&](const std::string&, unsigned baud) {
        RunVelk(state, kWirePort, "wire" + std::to_string(baud));
    });
}

// The plain loop against the same wire simulator: what this machine's wake-ups add to an
// exchange whatever library makes it.
void BM_TermiosSoftVersionOnWire(benchmark::State& state) {
    OnWire(state, [&](const std::string& slave, unsigned baud) {
        RunTermios(state, slave, baud, "termioswire" + std::to_string(baud), true);
    });
}

} // namespace

// Fixed iteration counts: every call of a benchmark function is a measured run.
// Many short repetitions, interleaved: a burst of load on the machine hits a few runs of either
// loop, and the medians leave it out.
BENCHMARK(BM_VelkSoftVersion)->Arg(0)->Iterations(500)->Repetitions(24)->UseRealTime();
BENCHMARK(BM_TermiosSoftVersion)->Iterations(500)->Repetitions(24)->UseRealTime();
BENCHMARK(BM_VelkSoftVersionOnWire)
    ->Arg(9600)
    ->Arg(38400)
    ->Iterations(40)
    ->Repetitions(12)
    ->UseRealTime();
BENCHMARK(BM_TermiosSoftVersionOnWire)
    ->Arg(9600)
    ->Arg(38400)
    ->Iterations(40)
    ->Repetitions(12)
    ->UseRealTime();

int main(int argc, char** argv) {
    const int cpu = benchsupport::PinToOneProcessor();
    const simtest::OwnPortList portList("kestra-sim-bench");
    benchsupport::RunInterleaved(argc, argv);
    PlainSim().process.reset();

    std::printf("\nClosing note (host and simulator on processor %d)\n", cpu);
    if (g_runs.count("velk") && g_runs.count("termios")) {
        double velk = Median(g_runs["velk"]);
        double termios = Median(g_runs["termios"]);
        std::printf("  Velk SoftVersion %.1f us (%.0f exchanges/s), termios loop %.1f us (%.0f "
                    "exchanges/s): time ratio %.3f (goal <= 1.25)\n",
                    velk, 1e6 / velk, termios, 1e6 / termios, velk / termios);
    }
    for (unsigned baud : {9600u, 38400u}) {
        double wire = 1e6 * kCharacters * kBitsPerCharacter / baud;
        for (const char* loop : {"wire", "termioswire"}) {
            std::vector<double> each = g_each[loop + std::to_string(baud)];
            if (each.empty()) {
                continue;
            }
            std::sort(each.begin(), each.end());
            double mean = 0;
            for (double value : each) {
                mean += value / double(each.size());
            }
            double median = each[each.size() / 2];
            double p90 = each[each.size() * 9 / 10];
            // The mean exchange time of each run; their median is the figure compared.
            double runs = Median(g_runs[loop + std::to_string(baud)]);
            if (loop == std::string("wire")) {
                std::printf("  --wire %u baud: Velk mean exchange %.1f us (median of the runs' "
                            "means), on the wire %.1f us: ratio %.3f (goal <= 1.05)\n",
                            baud, runs, wire, runs / wire);
            } else {
                std::printf("      termios loop on the same wire: %.1f us, ratio %.3f\n", runs,
                            runs / wire);
            }
            std::printf("      all %zu exchanges: mean %.1f us (%.3f), min %.1f us (%.3f), median "
                        "%.1f us (%.3f), 90th percentile %.1f us (%.3f)\n",
                        each.size(), mean, mean / wire, each.front(), each.front() / wire, median,
                        median / wire, p90, p90 / wire);
        }
    }
    return 0;
}
