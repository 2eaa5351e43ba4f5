// Appending protocol lines to the protocol window: the cost per line must not grow with the
// text. Run with QT_QPA_PLATFORM=offscreen when there is no display.

#include "WkLogDoc.h"
#include "WkLogView.h"

#include "BenchSupport.h"
#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kChunk = 100000;

std::string Line(int i) {
    char text[96];
    std::snprintf(text, sizeof text, "12/07/26 13:00:%02d.%03d  >>  08 00 40 00 00 01 01 %02X ",
                  (i / 1000) % 60, i % 1000, i & 0xFF);
    return text;
}

// Lines from the user-interface thread, one by one, as reader commands deliver them (each is
// a row when its append returns); the thread serves its events after every `range(1)` lines
// (2: a request and its answer).
void BM_AppendFromUiThread(benchmark::State& state) {
    const int total = static_cast<int>(state.range(0));
    const int perEvents = static_cast<int>(state.range(1));
    for (auto _ : state) {
        auto doc = std::make_shared<WkLogDoc>();
        auto view = std::make_unique<WkLogView>(doc);
        view->resize(1000, 300);
        view->show();
        QCoreApplication::processEvents();
        const long before = benchsupport::ResidentBytes();
        double first = 0;
        double last = 0;
        for (int chunk = 0; chunk < total / kChunk; ++chunk) {
            auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < kChunk; ++i) {
                doc->Append(Line(chunk * kChunk + i));
                if ((i + 1) % perEvents == 0) {
                    QCoreApplication::processEvents();
                }
            }
            QCoreApplication::processEvents();
            std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            const double rate = kChunk / took.count();
            if (chunk == 0) {
                first = rate;
            }
            last = rate;
        }
        state.counters["first_100k_lines_per_s"] = first;
        state.counters["last_100k_lines_per_s"] = last;
        state.counters["bytes_per_line"] =
            static_cast<double>(benchsupport::ResidentBytes() - before) /
            static_cast<double>(total);
        view.reset();
    }
    state.SetItemsProcessed(state.iterations() * total);
}
BENCHMARK(BM_AppendFromUiThread)
    ->Args({200000, 2})
    ->Args({1000000, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Lines from another thread: queued, and taken by the window's thread in batches.
void BM_AppendFromWorkerThread(benchmark::State& state) {
    const int total = static_cast<int>(state.range(0));
    for (auto _ : state) {
        auto doc = std::make_shared<WkLogDoc>();
        auto view = std::make_unique<WkLogView>(doc);
        view->show();
        std::atomic<bool> done{false};
        auto start = std::chrono::steady_clock::now();
        std::thread writer([&] {
            for (int i = 0; i < total; ++i) {
                doc->Append(Line(i));
            }
            done = true;
        });
        while (!done) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        writer.join();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.counters["lines_per_s"] = total / took.count();
        view.reset();
    }
}
BENCHMARK(BM_AppendFromWorkerThread)->Arg(100000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
