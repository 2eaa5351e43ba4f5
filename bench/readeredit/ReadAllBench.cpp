// "Read All" of the reader configuration view against kestra-sim --wire at 9600 and 38400
// baud, on a pseudo-terminal and over rfc2217:// to the simulator as a device server on the
// loopback. The floor is the time the bytes of its exchanges need on the line: three block reads
// (0x62), each a 5-byte request and a 21-byte answer of 11-bit characters (8E1), over the
// editor's own pages, which then read every configuration command from the blocks.

#include "WireReader.h"
#include "WkReaderEditDoc.h"
#include "WkReaderEditPages.h"
#include "WkReaderEditViewModel.h"
#include "sorn.h"

#include "BenchSupport.h"
#include "OwnPortList.h"
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 215;
constexpr int kCharacters = 3 * (5 + 21);
constexpr int kBitsPerCharacter = 11;

// Mean time of one Read All in each run, and the time of every single one, in microseconds,
// by baud rate and line (0: pseudo-terminal, 1: rfc2217://).
std::map<std::pair<unsigned, int>, std::vector<double>> g_runs;
std::map<std::pair<unsigned, int>, std::vector<double>> g_each;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void BM_ReadAllOnWire(benchmark::State& state) {
    const auto baud = static_cast<unsigned>(state.range(0));
    const std::pair key{baud, static_cast<int>(state.range(1))};
    WireReader reader(baud, kPort, key.second != 0 ? "rfc2217:0" : "");
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
        const auto start = Clock::now();
        for (auto _ : state) {
            const auto begin = Clock::now();
            if (view.ReadAll() != 0) {
                state.SkipWithError("Read All failed");
                break;
            }
            g_each[key].push_back(
                std::chrono::duration<double, std::micro>(Clock::now() - begin).count());
        }
        const auto spent = Clock::now() - start;
        if (state.iterations() > 0) {
            g_runs[key].push_back(std::chrono::duration<double, std::micro>(spent).count() /
                                  double(state.iterations()));
        }
    }
}

} // namespace

BENCHMARK(BM_ReadAllOnWire)
    ->Args({9600, 0})
    ->Args({38400, 0})
    ->Args({9600, 1})
    ->Args({38400, 1})
    ->Iterations(10)
    ->Repetitions(9)
    ->UseRealTime();

int main(int argc, char** argv) {
    const int cpu = benchsupport::PinToOneProcessor();
    const simtest::OwnPortList portList("corvel-readall");
    benchsupport::RunInterleaved(argc, argv);

    std::printf("\nClosing note (host and simulator on processor %d)\n", cpu);
    for (const auto& [key, runs] : g_runs) {
        const auto [baud, line] = key;
        if (runs.empty()) {
            continue;
        }
        const double floor = 1e6 * kCharacters * kBitsPerCharacter / baud;
        const double readAll = Median(runs);
        std::printf("  Read All at %u baud over %s: %.1f us (median of %zu runs' means), on the "
                    "wire %.1f us: ratio %.3f (goal <= 1.10)\n",
                    baud, line != 0 ? "rfc2217://" : "a pty", readAll, runs.size(), floor,
                    readAll / floor);
        std::vector<double> each = g_each[key];
        std::sort(each.begin(), each.end());
        std::printf("      all %zu: min %.1f us (%.3f), median %.1f us (%.3f), 90th percentile "
                    "%.1f us (%.3f)\n",
                    each.size(), each.front(), each.front() / floor, each[each.size() / 2],
                    each[each.size() / 2] / floor, each[each.size() * 9 / 10],
                    each[each.size() * 9 / 10] / floor);
    }
    return 0;
}
