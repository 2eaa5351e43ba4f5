// "Send All" of the reader configuration view, with the real configuration pages, against
// kestra-sim --wire at 9600 and 38400 baud, divided by the floor.
//
// Every command Send All sends writes the reader's EEPROM, so most of its time is the pacing
// the protocol demands: a write in the same calendar second as the end of the previous write
// starts no earlier than 50 ms after that end; a write in a new second is not held. As the
// waits hang on where the second boundaries fall, the floor is computed per run by replaying
// the exchanges captured from the run (the reader's send and receive lines, in order) on an
// ideal schedule that starts at the run's wall-clock start: each exchange takes its request
// and answer bytes at 11 bits a character (8E1, as the simulator times them on the wire),
// back to back with no host time at all, and a paced exchange first waits as the rule above
// says, the second taken from the ideal time. The pacer's state from the exchanges before the
// run (their last end) is carried into the replay. With no host time the next write is due at
// the very instant the previous one ended, in the same second, so in the replay every paced
// write after the first waits the full 50 ms; only a real host's own gaps can straddle a
// second boundary and skip a wait. The simulator answers as soon as the request's last byte
// has arrived (it adds no turnaround), so the floor holds no reply gap; a real reader's
// processing time is neither in the floor nor in the simulator.

#include "WireReader.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditPages.h"
#include "WkReaderEditViewModel.h"
#include "velk.h"

#include "BenchSupport.h"
#include "OwnPortList.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Wall = std::chrono::system_clock;

constexpr int kPort = 216;
constexpr int kBitsPerCharacter = 11;
constexpr std::int64_t kGapNs = 50'000'000;
constexpr std::int64_t kSecondNs = 1'000'000'000;
// The commands the reader library paces (its EEPROM writes).
const std::set<int> kPaced = {0x40, 0x41, 0x42, 0x43, 0x50, 0x51, 0x53, 0x54, 0x60, 0x66,
                              0x67, 0x6B, 0x70, 0x72, 0x73, 0x75, 0x80, 0xA1, 0xA5, 0xA6};

struct Exchange {
    int command = -1;
    int requestBytes = 0;
    int answerBytes = 0;
    int code = -1; // the answer's status, or the failure
    Clock::time_point sent{};
    Clock::time_point answered{};
};

// Filled by the reader's protocol lines, on the thread that sends.
std::vector<Exchange> g_exchanges;
bool g_errorLine = false;
// Wall time (ns since the epoch) of the end of the last paced exchange seen, for the pacer
// state a run starts with.
std::optional<std::int64_t> g_lastPacedEnd;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::int64_t WallNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Wall::now().time_since_epoch())
        .count();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The bytes of a line's "XX XX .. " part that follows `marker`.
std::vector<int> LineBytes(const char* text, const char* marker) {
    std::vector<int> bytes;
    const char* p = std::strstr(text, marker);
    if (p == nullptr) {
        return bytes;
    }
    p += std::strlen(marker);
    while (*p == ' ') {
        ++p;
    }
    while (HexDigit(p[0]) >= 0 && HexDigit(p[1]) >= 0 && (p[2] == ' ' || p[2] == '\0')) {
        bytes.push_back(HexDigit(p[0]) * 16 + HexDigit(p[1]));
        p += p[2] == ' ' ? 3 : 2;
    }
    return bytes;
}

void OnProtocolLine(const char* text, int code) {
    if (std::strstr(text, "  >>  ") != nullptr) {
        const std::vector<int> bytes = LineBytes(text, "  >>  ");
        g_exchanges.push_back({bytes.size() > 2 ? bytes[2] : -1, static_cast<int>(bytes.size()), 0,
                               -1, Clock::now()});
    } else if (std::strstr(text, "  <<  ") != nullptr && !g_exchanges.empty()) {
        Exchange& last = g_exchanges.back();
        last.answerBytes = static_cast<int>(LineBytes(text, "  <<  ").size());
        last.code = code;
        last.answered = Clock::now();
        if (kPaced.count(last.command) != 0) {
            g_lastPacedEnd = WallNs();
        }
    } else {
        g_errorLine = true;
    }
}

// What Send All should send with the pages of the sheet: every page's send list, the
// transponder modes once for each of the three types.
std::vector<int> ExpectedCommands() {
    std::vector<int> codes;
    for (const WkPageTable& table : ReaderPageTables()) {
        for (int type = 0; type < (table.overTypes ? 3 : 1); ++type) {
            codes.insert(codes.end(), table.sendCodes.begin(), table.sendCodes.end());
        }
    }
    return codes;
}

// The least time the exchanges can take, started at wall time `start` with the pacer holding
// `priorEnd`: bytes back to back at `baud`, paced writes held as the reader library must.
double FloorNs(const std::vector<Exchange>& exchanges, std::int64_t start,
               std::optional<std::int64_t> priorEnd, unsigned baud) {
    const double charNs = 1e9 * kBitsPerCharacter / baud;
    // Times are nanoseconds after `start`, kept small so a double holds them exactly enough.
    double t = 0;
    std::optional<double> lastEnd;
    if (priorEnd) {
        lastEnd = static_cast<double>(*priorEnd - start);
    }
    auto second = [start](double at) {
        const std::int64_t wall = start + static_cast<std::int64_t>(std::floor(at));
        return wall / kSecondNs;
    };
    for (const Exchange& exchange : exchanges) {
        const bool paced = kPaced.count(exchange.command) != 0;
        if (paced && lastEnd && second(t) == second(*lastEnd) && t - *lastEnd < kGapNs) {
            t = *lastEnd + kGapNs;
        }
        t += charNs * (exchange.requestBytes + exchange.answerBytes);
        if (paced) {
            lastEnd = t;
        }
    }
    return t;
}

struct Run {
    // Per Send All, in microseconds.
    double measuredUs = 0;
    double floorUs = 0;
    double wireUs = 0; // the floor without the pacing waits
    double exchanges = 0;
    // Median of the exchanges: send line to receive line, less the exchange's bytes on the line.
    double inExchangeUs = 0;
};
std::map<unsigned, std::vector<Run>> g_runs;

// Times Send All over the state's iterations; fails the run unless every command it should
// send went out and was answered OK.
void Measure(benchmark::State& state, WkReaderEditViewModel& view, ScriptedPrompts& prompts,
             unsigned baud) {
    g_exchanges.clear();
    g_exchanges.reserve(1024);
    g_errorLine = false;
    const std::optional<std::int64_t> priorEnd = g_lastPacedEnd;
    const std::int64_t wallStart = WallNs();
    const auto start = Clock::now();
    for (auto _ : state) {
        view.SendAll();
    }
    const double spent = std::chrono::duration<double, std::nano>(Clock::now() - start).count();

    // Every iteration sent the expected commands and each was answered OK.
    const std::vector<int> once = ExpectedCommands();
    std::vector<int> expected;
    for (benchmark::IterationCount i = 0; i < state.iterations(); ++i) {
        expected.insert(expected.end(), once.begin(), once.end());
    }
    std::vector<int> sent;
    bool answered = !g_errorLine;
    for (const Exchange& exchange : g_exchanges) {
        sent.push_back(exchange.command);
        answered = answered && exchange.code == 0 && exchange.answerBytes > 0;
    }
    if (sent != expected || !answered || !prompts.Messages().empty()) {
        state.SkipWithError("Send All did not send every command with an OK answer");
    } else if (state.iterations() > 0) {
        const double n = static_cast<double>(state.iterations());
        const double floor = FloorNs(g_exchanges, wallStart, priorEnd, baud);
        double characters = 0;
        std::vector<double> inExchange;
        for (const Exchange& exchange : g_exchanges) {
            const int bytes = exchange.requestBytes + exchange.answerBytes;
            characters += bytes;
            inExchange.push_back(
                std::chrono::duration<double, std::micro>(exchange.answered - exchange.sent)
                    .count() -
                1e6 * bytes * kBitsPerCharacter / baud);
        }
        const double wire = characters * kBitsPerCharacter * 1e9 / baud;
        g_runs[baud].push_back({spent / n / 1e3, floor / n / 1e3, wire / n / 1e3,
                                static_cast<double>(g_exchanges.size()) / n, Median(inExchange)});
        state.counters["ratio"] = spent / floor;
        state.counters["exchanges"] = static_cast<double>(g_exchanges.size()) / n;
    }
}

void BM_SendAllOnWire(benchmark::State& state) {
    const auto baud = static_cast<unsigned>(state.range(0));
    WireReader reader(baud, kPort);
    if (reader.Error() != nullptr) {
        state.SkipWithError(reader.Error());
        return;
    }
    ScriptedPrompts& prompts = reader.prompts;
    {
        WkReaderEditDoc doc(&reader.host);
        doc.SetPrompts(&prompts);
        doc.OnNewDocument();
        WkReaderEditPages pages(doc);
        WkReaderEditViewModel view(doc);
        view.SetPages(pages.All());
        view.OnInitialUpdate();
        VELK_EVENT_HANDLER handler{1, 0, 3, reinterpret_cast<intptr_t>(&OnProtocolLine)};
        // Send All sends what the module holds: the reader's own configuration.
        if (VELK_AddEventHandler(doc.GetReaderHandle(), &handler) != 0 || view.ReadAll() != 0) {
            state.SkipWithError("cannot read the reader's configuration");
        } else {
            Measure(state, view, prompts, baud);
        }
        VELK_DelEventHandler(doc.GetReaderHandle(), &handler);
    }
}

} // namespace

BENCHMARK(BM_SendAllOnWire)->Arg(9600)->Arg(38400)->Iterations(3)->Repetitions(9)->UseRealTime();

int main(int argc, char** argv) {
    const int cpu = benchsupport::PinToOneProcessor();
    const simtest::OwnPortList portList("corvel-sendall");
    benchsupport::RunInterleaved(argc, argv);

    std::printf("\nClosing note (host and simulator on processor %d)\n", cpu);
    for (unsigned baud : {9600u, 38400u}) {
        const std::vector<Run>& runs = g_runs[baud];
        if (runs.empty()) {
            continue;
        }
        std::vector<double> measured;
        std::vector<double> floors;
        std::vector<double> ratios;
        std::vector<double> excess;
        std::vector<double> inExchange;
        for (const Run& run : runs) {
            inExchange.push_back(run.inExchangeUs);
            measured.push_back(run.measuredUs);
            floors.push_back(run.floorUs);
            ratios.push_back(run.measuredUs / run.floorUs);
            excess.push_back((run.measuredUs - run.floorUs) / run.exchanges);
        }
        std::printf("  Send All at %u baud, %zu runs: measured %.1f us, floor %.1f us (medians "
                    "per Send All); ratio median %.3f, min %.3f, max %.3f (goal <= 1.10)\n",
                    baud, runs.size(), Median(measured), Median(floors), Median(ratios),
                    *std::min_element(ratios.begin(), ratios.end()),
                    *std::max_element(ratios.begin(), ratios.end()));
        std::printf("      floor = bytes on the line %.1f us + pacing waits %.1f us; %.0f "
                    "exchanges; above the floor by %.1f us an exchange (median)\n",
                    runs.front().wireUs, Median(floors) - runs.front().wireUs,
                    runs.front().exchanges, Median(excess));
        std::printf("      of which from send line to receive line, above the bytes' time: "
                    "%.1f us (median)\n",
                    Median(inExchange));
    }
    return 0;
}
