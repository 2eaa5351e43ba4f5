// An auto-answer flood into the protocol window: bursts of 255 eleven-byte frames every 50 ms
// (about 5,100 frames a second) on a pseudo-terminal. Measures the processor time of the
// workbench's path (the serial-port library's receive, the reception worker, the window's
// document, store, intake and table model, without widgets) against a plain loop that reads
// the same bytes from the same pseudo-terminal with poll and read and cuts them into frames,
// and against the same loop over the serial-port library's receive.
// The phases alternate, so a change in the machine's load hits both alike; the thread that
// writes the bursts is not counted. Run with QT_QPA_PLATFORM=offscreen when there is no
// display. Arguments: seconds per phase (default 3), rounds (default 2).

#include "PtyPeer.h"
#include "WkAAThread.h"
#include "WkAutoAnswerFrames.h"
#include "WkLogDoc.h"
#include "WkLogTableModel.h"
#include "WkLogViewFeed.h"
#include "sorn.h"

#include <QGuiApplication>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kFramesPerBurst = 255;
constexpr auto kBurstInterval = 50ms;

double CpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Writes the bursts until stopped; counts its own processor time, which is not the reader's.
class BurstWriter {
public:
    explicit BurstWriter(int master) : master_(master) {
        for (int i = 0; i < kFramesPerBurst; ++i) {
            const unsigned char frame[] = {0x0B, 0x00, 0x11, 0x00, 0x01,
                                           0x02, 0x03, 0x04, 0x05, static_cast<unsigned char>(i)};
            unsigned char sum = 0;
            for (unsigned char b : frame) {
                sum ^= b;
            }
            burst_.insert(burst_.end(), std::begin(frame), std::end(frame));
            burst_.push_back(sum);
        }
    }
    void Start() {
        stop_ = false;
        thread_ = std::thread([this] {
            const double start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            auto next = std::chrono::steady_clock::now();
            while (!stop_) {
                if (::write(master_, burst_.data(), burst_.size()) > 0) {
                    bursts_ += 1;
                }
                next += kBurstInterval;
                std::this_thread::sleep_until(next);
            }
            cpu_ = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - start;
        });
    }
    /// Stops and returns the writer's processor time since Start.
    double Stop() {
        stop_ = true;
        thread_.join();
        return cpu_;
    }
    long Frames() const { return bursts_ * kFramesPerBurst; }

private:
    int master_;
    std::vector<unsigned char> burst_;
    std::atomic<bool> stop_{false};
    std::atomic<long> bursts_{0};
    std::thread thread_;
    double cpu_ = 0;
};

struct Phase {
    double cpuSeconds = 0;
    double windowCpuSeconds = 0; ///< of them on the window's thread
    double wallSeconds = 0;
    long framesSent = 0;
    long framesTaken = 0;
};

// The workbench's path: the library's receive, the worker, the document and the table model.
Phase Workbench(PtyPeer& pty, std::chrono::seconds length) {
    Phase phase;
    const int port = SORN_OpenPort("1");
    if (port <= 0 || SORN_SetPortPara(port, "baud", "115200") != 0 ||
        SORN_SetPortPara(port, "Timeout", "200") != 0) {
        std::fprintf(stderr, "could not open the port (%d)\n", port);
        std::exit(1);
    }
    auto doc = std::make_shared<WkLogDoc>();
    WkLogTableModel model(doc->Store());
    WkLogViewFeed feed(doc, model);
    WkAAThread worker([](int p, unsigned char* b, int s) { return SORN_Receive(p, b, s); },
                      [&](WkPackedTime time, auto& pieces, bool silent) {
                          return doc->AppendReceived(time, pieces, silent);
                      });
    worker.Start();
    BurstWriter writer(pty.Master());
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double mainStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    worker.Enable(port);
    writer.Start();
    QTimer::singleShot(length, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double writerCpu = writer.Stop();
    worker.Disable([&] { doc->Drain(); });
    doc->Drain();
    phase.cpuSeconds = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart - writerCpu;
    phase.windowCpuSeconds = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - mainStart;
    phase.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    phase.framesSent = writer.Frames();
    phase.framesTaken = model.rowCount();
    worker.Quit();
    SORN_ClosePort(port);
    return phase;
}

// The plain loops: read and cut, nothing else; with poll and read on the terminal, or with the
// serial-port library's receive on the same port.
Phase Plain(PtyPeer& pty, std::chrono::seconds length, bool library) {
    Phase phase;
    int fd = -1;
    int port = 0;
    if (library) {
        port = SORN_OpenPort("1");
        SORN_SetPortPara(port, "baud", "115200");
        SORN_SetPortPara(port, "Timeout", "200");
    } else {
        fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
        tcflush(fd, TCIFLUSH);
    }
    std::atomic<bool> stop{false};
    long frames = 0;
    BurstWriter writer(pty.Master());
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    std::thread reader([&] {
        WkAutoAnswerFrames cutter;
        unsigned char buffer[WkAAThread::kReceiveSize];
        while (!stop) {
            int n = 0;
            if (library) {
                n = SORN_Receive(port, buffer, sizeof buffer);
            } else {
                // Waits as long as the library's receive does (the port's time-out).
                pollfd pfd{fd, POLLIN, 0};
                n = poll(&pfd, 1, 200) > 0 ? static_cast<int>(::read(fd, buffer, sizeof buffer))
                                           : 0;
            }
            const auto pieces = n > 0 ? cutter.Add(buffer, n) : cutter.Gap();
            frames += static_cast<long>(pieces.size());
        }
    });
    writer.Start();
    std::this_thread::sleep_for(length);
    const double writerCpu = writer.Stop();
    std::this_thread::sleep_for(100ms); // the last burst is read
    stop = true;
    reader.join();
    phase.cpuSeconds = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuStart - writerCpu;
    phase.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    phase.framesSent = writer.Frames();
    phase.framesTaken = frames;
    if (library) {
        SORN_ClosePort(port);
    } else {
        ::close(fd);
    }
    return phase;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const std::chrono::seconds length(argc > 1 ? std::atoi(argv[1]) : 3);
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
    PortMapFile map;
    PtyPeer pty;
    map.Map(1, pty.SlavePath());
    Phase workbench;
    Phase plain;
    Phase library;
    for (int round = 0; round < rounds; ++round) {
        for (Phase* total : {&workbench, &plain, &library}) {
            const Phase one = total == &workbench ? Workbench(pty, length)
                                                  : Plain(pty, length, total == &library);
            total->cpuSeconds += one.cpuSeconds;
            total->windowCpuSeconds += one.windowCpuSeconds;
            total->wallSeconds += one.wallSeconds;
            total->framesSent += one.framesSent;
            total->framesTaken += one.framesTaken;
        }
    }
    std::printf("%-10s %12s %12s %10s %16s\n", "path", "frames_sent", "frames_cut", "cpu_s",
                "cpu_of_one_core");
    for (const auto& [name, phase] : {std::pair{"workbench", workbench}, std::pair{"plain", plain},
                                      std::pair{"library", library}}) {
        std::printf("%-10s %12ld %12ld %10.3f %15.2f%%\n", name, phase.framesSent,
                    phase.framesTaken, phase.cpuSeconds,
                    100.0 * phase.cpuSeconds / phase.wallSeconds);
    }
    std::printf("window's thread: %.3f s\n", workbench.windowCpuSeconds);
    std::printf("frames a second: %.0f; processor time workbench / plain: %.2f, workbench / "
                "library loop: %.2f\n",
                static_cast<double>(workbench.framesSent) / workbench.wallSeconds,
                workbench.cpuSeconds / plain.cpuSeconds, workbench.cpuSeconds / library.cpuSeconds);
    return 0;
}
