// The protocol window at ten million lines, without its widgets: lines appended through the
// document from the window's own thread, taken in batches as the event loop takes them and
// followed by the rows the table shows. Append rate at the start and at the end, memory per
// line, and the time of one filter change over all of them. Then a long .log opened: lines a
// second and the peak memory of the loading against the store it gives.

#include "WkLogDoc.h"
#include "WkLogRows.h"
#include "WkLogSink.h"

#include "BenchSupport.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kMillion = 1000000;

// A reader's traffic: a 9-byte request and its 16-byte answer, then an 11-byte auto-answer
// frame, each a millisecond after the other.
class Traffic {
public:
    const std::string& Line(long i) {
        static const char kDigits[] = "0123456789ABCDEF";
        const long ms = i % 86400000;
        std::snprintf(stamp_, sizeof stamp_, "12/07/26 %02ld:%02ld:%02ld.%03ld", ms / 3600000,
                      ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        line_.assign(stamp_);
        std::uint8_t frame[16];
        int n = 0;
        const int address = static_cast<int>(i / 3 % 4);
        switch (i % 3) {
        case 0:
            line_ += "  >>  ";
            n = 9;
            frame[2] = 0x15; // read public data
            break;
        case 1:
            line_ += "  <<  ";
            n = 16;
            frame[2] = 0x15;
            break;
        default:
            line_ += "  <<  ";
            n = 11;
            frame[2] = 0x11; // auto-answer serial number
            break;
        }
        frame[0] = static_cast<std::uint8_t>(n);
        frame[1] = static_cast<std::uint8_t>(address);
        for (int k = 3; k < n - 1; ++k) {
            frame[k] = static_cast<std::uint8_t>(k == 3 && i % 3 != 0 ? 0 : (i * 7 + k) & 0xFF);
        }
        std::uint8_t sum = 0;
        for (int k = 0; k < n - 1; ++k) {
            sum ^= frame[k];
        }
        frame[n - 1] = sum;
        for (int k = 0; k < n; ++k) {
            line_ += kDigits[frame[k] >> 4];
            line_ += kDigits[frame[k] & 0x0F];
            line_ += ' ';
        }
        if (i % 3 == 1) {
            line_ += "  OK";
        }
        return line_;
    }

private:
    char stamp_[32];
    std::string line_;
};

// The table's side of the window: its rows follow every batch.
class RowsSink : public WkLogSink {
public:
    explicit RowsSink(const WkLogStore& store) : rows(store) {}
    void AppendLines(const std::vector<std::string>&) override { rows.Update(); }
    void RequestDrain(bool) override {}
    WkLogRows rows;
};

// Lines the event loop takes in one drain while a reader floods the window.
constexpr long kBatch = 1000;

void BM_TenMillionLines(benchmark::State& state) {
    const long total = state.range(0);
    for (auto _ : state) {
        Traffic traffic;
        const long before = benchsupport::ResidentBytes();
        WkLogDoc doc;
        doc.SetLineLimit(0); // all ten million are kept
        RowsSink sink(doc.Store());
        doc.AttachSink(&sink, std::this_thread::get_id());
        WkLogRows& rows = sink.rows;
        double first = 0;
        double last = 0;
        for (long million = 0; million < total / kMillion; ++million) {
            const auto start = std::chrono::steady_clock::now();
            for (long i = million * kMillion; i < (million + 1) * kMillion; ++i) {
                doc.Append(traffic.Line(i));
                if ((i + 1) % kBatch == 0) {
                    doc.Drain();
                }
            }
            doc.Drain();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            (million == 0 ? first : last) = kMillion / took.count();
        }
        state.counters["first_million_lines_per_s"] = first;
        state.counters["last_million_lines_per_s"] = last;
        state.counters["bytes_per_line"] =
            static_cast<double>(benchsupport::ResidentBytes() - before) /
            static_cast<double>(total);

        WkLogFilter answers;
        answers.address = 2;
        answers.direction = WkLogFilter::Direction::kAnswers;
        const auto start = std::chrono::steady_clock::now();
        rows.SetFilter(answers);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.counters["filter_change_s"] = took.count();
        state.counters["rows_after_filter"] = static_cast<double>(rows.RowCount());
        benchmark::DoNotOptimize(rows.RowCount());
        doc.DetachSink();
    }
    state.SetItemsProcessed(state.iterations() * total);
}
BENCHMARK(BM_TenMillionLines)->Arg(10 * kMillion)->Iterations(1)->Unit(benchmark::kSecond);

long PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6)) * 1024;
        }
    }
    return 0;
}

// Opening a long .log: the file is written here in pieces (as the window saves it), then
// read into a new document. Lines a second, the store's size after loading and the peak
// resident memory the loading added.
void BM_OpenLog(benchmark::State& state) {
    const long total = state.range(0);
    const std::string path = "/tmp/corvel-open-bench-" + std::to_string(getpid()) + ".log";
    {
        std::ofstream out(path, std::ios::binary);
        Traffic traffic;
        std::string piece = RtfStart(WkLogFont{});
        for (long i = 0; i < total; ++i) {
            AppendRtfUtf8Line(piece, traffic.Line(i));
            if (piece.size() > (1 << 16)) {
                out << piece;
                piece.clear();
            }
        }
        out << piece << kRtfEnd;
    }
    for (auto _ : state) {
        // Memory an earlier benchmark freed goes back to the system, and the peak so far is
        // forgotten: what counts is the loading's.
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";
        const long before = benchsupport::ResidentBytes();
        WkLogDoc doc;
        doc.SetLineLimit(0);
        const auto start = std::chrono::steady_clock::now();
        const bool opened = doc.OnOpenDocument(path);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const double storeBytes = static_cast<double>(benchsupport::ResidentBytes() - before);
        state.counters["lines_per_s"] = static_cast<double>(doc.Store().Size()) / took.count();
        state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
        state.counters["store_MB"] = storeBytes / 1e6;
        state.counters["peak_added_MB"] = static_cast<double>(PeakResidentBytes() - before) / 1e6;
        state.counters["peak_over_store"] =
            static_cast<double>(PeakResidentBytes() - before) / storeBytes;
        if (!opened || doc.Store().Size() != static_cast<std::uint64_t>(total)) {
            state.SkipWithError("the file did not open to its lines");
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenLog)->Arg(4600000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
